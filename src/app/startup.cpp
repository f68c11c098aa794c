#include "app/startup.h"

#include "ui/appcontext.h"
#include "app/mainwindow.h"
#include "app/splashwindow.h"
#include "docs/documentcommands.h"
#include "docs/documentwindow.h"
#include "importing/accessoffer.h"
#include "ui/userinterface.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QPointer>
#include <QThread>

namespace Startup {

QString databaseFailureText(const AppContext &app)
{
    return QStringLiteral("Partwise cannot open its database\n%1\n\n%2")
        .arg(app.database().describe(), app.database().errorString());
}

QCommandLineOption databaseOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("database")},
                              QStringLiteral("The database to open: a file, or a PostgreSQL server "
                                             "as postgresql://user@host:port/dbname."),
                              QStringLiteral("address"));
}

void useDatabaseOption(const QCommandLineParser &parser, AppContext &app)
{
    if (parser.isSet(QStringLiteral("database")))
        app.setDatabaseAddress(parser.value(QStringLiteral("database")));
}

MainWindow *run(AppContext &app, int splashMs)
{
    QPointer<SplashWindow> splash = new SplashWindow;
    splash->show();
    splash->repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    // A monotonic clock: the wait ends on time across midnight or a clock change.
    QElapsedTimer shown;
    shown.start();
    while (shown.elapsed() < splashMs)
        QThread::msleep(quint32(qMax<qint64>(1, splashMs - shown.elapsed())));

    auto *main = new MainWindow(app);
    main->setAttribute(Qt::WA_DeleteOnClose);
    bool opened = main->load();
    if (splash)
        splash->close();
    // An Access file: offered as a copy into a new database beside it.
    if (!opened && AccessOffer::offerCopy(app, nullptr))
        opened = main->load();
    if (!opened) {
        app.ui().message(nullptr, databaseFailureText(app), UserInterface::programTitle(),
                         UserInterface::Icon::Critical);
        delete main;
        return nullptr;
    }
    main->show();
    return main;
}

MainWindow *run(AppContext &app, const ProgramFiles::Placement &placement, int splashMs)
{
    if (!placement.error.isEmpty()) {
        app.ui().message(nullptr,
                         QStringLiteral("Partwise cannot make its database\n%1\n\n%2")
                             .arg(QDir::toNativeSeparators(placement.path), placement.error),
                         UserInterface::programTitle(), UserInterface::Icon::Critical);
        return nullptr;
    }
    MainWindow *main = run(app, splashMs);
    if (main && !placement.made.isEmpty())
        app.ui().message(main, ProgramFiles::madeText(placement), UserInterface::programTitle(),
                         UserInterface::Icon::Information);
    return main;
}

void openDocuments(MainWindow &main, const QStringList &files)
{
    DocumentCommands *docs = DocumentCommands::of(&main);
    if (!docs)
        return;
    for (const QString &file : files) {
        DocumentWindow *window = docs->NewDocumentWindow();
        if (!window->openFile(file)) {
            if (auto *frame = qobject_cast<QMdiSubWindow *>(window->parentWidget()))
                frame->close();
        }
    }
}

} // namespace Startup
