#include "ui/appcontext.h"
#include "app/mainwindow.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Partwise"));
    QApplication::setOrganizationName(QStringLiteral("Partwise"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    AppContext app;
    if (!Startup::run(app))
        return 1;
    return application.exec();
}
