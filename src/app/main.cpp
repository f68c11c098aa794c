#include "ui/appcontext.h"
#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/startup.h"

#include <QApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char *argv[])
{
    // A report written from a scheduled job has no display to open.
    if (CommandLine::wantsNoWindow(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Partwise"));
    QApplication::setOrganizationName(QStringLiteral("Partwise"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0"));

    AppContext app;
    QTextStream out(stdout), err(stderr);
    if (const std::optional<int> status = CommandLine::handle(app, QApplication::arguments(), out, err))
        return *status;
    if (!Startup::run(app))
        return 1;
    return application.exec();
}
