#include "ui/appcontext.h"
#include "app/mainwindow.h"
#include "app/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The web browser's engine shares its drawing contexts; this has to be
    // said before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral(PARTWISE_TITLE));
    QApplication::setOrganizationName(QStringLiteral(PARTWISE_TITLE));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(PARTWISE_VERSION_MAJOR)
                                            .arg(PARTWISE_VERSION_MINOR)
                                            .arg(PARTWISE_VERSION_PATCH));

    AppContext app;
    if (!Startup::run(app))
        return 1;
    return application.exec();
}
