#include "ui/appcontext.h"
#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/programfiles.h"
#include "app/startup.h"

#include <QApplication>
#include <QStandardPaths>
#include <QTextStream>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral(PARTWISE_TITLE));
    QCoreApplication::setOrganizationName(QStringLiteral(PARTWISE_TITLE));
    QCoreApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                                .arg(PARTWISE_VERSION_MAJOR)
                                                .arg(PARTWISE_VERSION_MINOR)
                                                .arg(PARTWISE_VERSION_PATCH));
    // The web browser's engine shares its drawing contexts; this has to be
    // said before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);

    // --help, --version and wrong arguments are answered without a display.
    CommandLine::Request request;
    {
        QCoreApplication reader(argc, argv);
        QTextStream out(stdout), err(stderr);
        request = CommandLine::read(QCoreApplication::arguments(), out, err);
        if (request.exitStatus)
            return *request.exitStatus;
    }

    // A report written from a scheduled job has no display to open.
    if (CommandLine::wantsNoWindow(argc, argv) && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    AppContext app;
    app.setDatabaseAddress(request.database);
    const ProgramFiles::Placement placement = ProgramFiles::place(
        app, QCoreApplication::applicationDirPath(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    QTextStream out(stdout), err(stderr);
    if (const std::optional<int> status = CommandLine::handle(app, QApplication::arguments(), out, err))
        return *status;
    MainWindow *main = Startup::run(app, placement);
    if (!main)
        return 1;
    Startup::openDocuments(*main, request.documents);
    return application.exec();
}
