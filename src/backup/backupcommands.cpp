#include "backup/backupcommands.h"

#include "backup/ops/backupops.h"
#include "data/pgengine.h"
#include "ui/appcontext.h"
#include "ui/commandhost.h"
#include "ui/userinterface.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QLocale>
#include <QPointer>
#include <QProgressDialog>
#include <QSettings>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <memory>

namespace BackupCommands {

namespace {

const char *const DialogTitle = "Back Up Database";

// What the thread that copies and the window that shows it share.
struct Shared
{
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> stop{false};
};

// The daily copy: made on a thread of its own with its own connection, so
// the user never waits for it; closing the program stops it and leaves no
// partial copy.
class DailyCopy : public QObject
{
public:
    DailyCopy(AppContext &app, QObject *parent) : QObject(parent), m_app(app)
    {
        // Once the main window has loaded and opened the database.
        QTimer::singleShot(0, this, &DailyCopy::start);
    }
    ~DailyCopy() override
    {
        if (m_thread) {
            m_stop = true;
            m_thread->wait();
        }
    }

private:
    void start()
    {
        const Database &db = m_app.database();
        if (!db.isOpen() || PgEngine::isAddress(db.path()))
            return;
        const int keep = BackupOps::Daily::copiesFromSetting(
            m_app.settings()->value(QStringLiteral("Settings/DailyBackups")));
        if (keep == 0)
            return;
        const QString path = db.path();
        const QDate today = m_app.now().date();
        auto outcome = std::make_shared<BackupOps::Outcome>();
        m_thread.reset(QThread::create([this, path, today, keep, outcome] {
            *outcome = BackupOps::Daily::run(path, today, keep, [this](qint64, qint64) { return !m_stop; });
        }));
        connect(m_thread.get(), &QThread::finished, this, [this, outcome] {
            if (outcome->status == BackupOps::Status::Failed)
                m_app.ui().inform(qobject_cast<QWidget *>(parent()), QStringLiteral("The daily backup of the database could not be made.\n")
                                               + outcome->text, UserInterface::Icon::Warning);
        });
        m_thread->start(QThread::LowPriority);
    }

    AppContext &m_app;
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_stop{false};
};

// The name the save dialog starts with: the database's name and today's
// date, beside the database (a server's: in the user's documents).
QString proposedName(const AppContext &app, bool server)
{
    const QString day = app.now().date().toString(QStringLiteral("yyyy-MM-dd"));
    if (server) {
        PgEngine::Address a;
        PgEngine::parse(app.database().path(), &a, nullptr);
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return QDir(folder).filePath((a.database.isEmpty() ? QStringLiteral("partwise") : a.database)
                                     + QStringLiteral("-backup-") + day + QStringLiteral(".dump"));
    }
    const QFileInfo db(app.database().path());
    return db.absoluteDir().filePath(db.completeBaseName() + QStringLiteral("-backup-") + day
                                     + (db.suffix().isEmpty() ? QString() : QLatin1Char('.') + db.suffix()));
}

QString sizeText(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes);
}

void backUp(CommandHost &host)
{
    AppContext &app = host.app();
    UserInterface &ui = app.ui();
    QWidget *parent = host.hostWidget();
    if (!app.database().isOpen()) {
        ui.inform(parent, QStringLiteral("The database is not open."), UserInterface::Icon::Warning);
        return;
    }
    const QString address = app.database().path();
    const bool server = PgEngine::isAddress(address);
    const QString filter = server ? QStringLiteral("Database dumps (*.dump);;All files (*)")
                                  : QStringLiteral("Partwise databases (*.mdb);;All files (*)");
    const QString target = ui.saveFileName(parent, QLatin1String(DialogTitle), filter, proposedName(app, server));
    if (target.isEmpty())
        return;
    if (server && BackupOps::dumpProgram().isEmpty()) {
        ui.inform(parent, BackupOps::noDumpProgramText(), UserInterface::Icon::Warning);
        return;
    }
    if (!server) {
        const QString role = app.databaseFileRole(target);
        if (!role.isEmpty()) {
            ui.inform(parent, QStringLiteral("A backup cannot be written over %1. Choose another file.").arg(role),
                      UserInterface::Icon::Warning);
            return;
        }
    }

    auto shared = std::make_shared<Shared>();
    auto outcome = std::make_shared<BackupOps::Outcome>();
    std::unique_ptr<QThread> thread(QThread::create([address, target, shared, outcome] {
        *outcome = BackupOps::backup(address, target, [shared](qint64 done, qint64 total) {
            shared->done = done;
            shared->total = total;
            return !shared->stop;
        });
    }));

    // Shown once the copy takes more than a moment; Cancel stops it.
    QProgressDialog progress(QStringLiteral("Backing up the database..."), QStringLiteral("Cancel"), 0, 1000, parent);
    progress.setObjectName(QStringLiteral("dlgBackupProgress"));
    progress.setWindowTitle(QLatin1String(DialogTitle));
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    progress.setMinimumDuration(500);
    progress.setMinimumWidth(380);
    progress.setValue(0);
    QObject::connect(&progress, &QProgressDialog::canceled, &progress, [&progress, shared] {
        shared->stop = true;
        progress.setLabelText(QStringLiteral("Cancelling the backup..."));
    });
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &progress, [&progress, shared] {
        if (shared->stop)
            return;
        const qint64 done = shared->done, total = shared->total;
        if (total > 0) {
            progress.setValue(int(done * 1000 / total));
        } else {
            progress.setMaximum(0); // a dump: its size is not known before
            progress.setLabelText(QStringLiteral("Backing up the database... %1 written").arg(sizeText(done)));
        }
    });
    QEventLoop loop;
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    tick.start(100);
    thread->start();
    loop.exec();
    thread->wait();
    tick.stop();
    progress.close();

    switch (outcome->status) {
    case BackupOps::Status::Done:
        ui.inform(parent, QStringLiteral("The database was backed up to\n%1").arg(QDir::toNativeSeparators(target)),
                  UserInterface::Icon::Information);
        break;
    case BackupOps::Status::Cancelled:
        break;
    default:
        ui.inform(parent, QStringLiteral("The database could not be backed up.\n%1").arg(outcome->text),
                  UserInterface::Icon::Critical);
        break;
    }
}

} // namespace

void registerCommands(CommandHost &host)
{
    host.registerHandler(CommandId::BackupDatabase, [&host] { backUp(host); });
    new DailyCopy(host.app(), host.hostWidget());
}

} // namespace BackupCommands
