// Backups: a consistent copy while others write, nothing under the chosen
// name unless the copy is whole, the daily copies, the server's dump.
#include "app/mainwindow.h"
#include "backup/ops/backupops.h"
#include "data/database.h"
#include "testenvironment.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <sys/resource.h>

namespace {

using BackupOps::Status;

// The target is the database's name plus suffix ("=..."), or a file of its
// own; existing: a file is there already; the user cancels at step cancelAt.
struct HalfRow { QString suffix; bool existing; int cancelAt; Status status; };
// Days before today with a copy already, and those kept afterwards (0 is today).
struct DailyRow { QVariant setting; QList<int> there, kept; bool diskFull = false; };

// Parts enough for a copy of many pages.
const char *const Filler =
    "INSERT INTO Inventory (PartNo, Description, CurrentInv) WITH RECURSIVE n(i) AS "
    "(SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
    "SELECT 'F' || i, 'filler part number ' || i, 1 FROM n;";

// Child: adds 1 to `partNo` and to SUM in one statement, `adds` times,
// paced so that writes go on for the whole copy (SUM stays a 16-bit number).
int writer(const QString &path, const QString &partNo, int adds)
{
    Database db(QStringLiteral("writer"));
    bool ok = db.open(path);
    for (int i = 1; ok && i <= adds; ++i, QThread::msleep(3))
        ok = db.execute("UPDATE Inventory SET CurrentInv = CurrentInv + 1 WHERE PartNo IN (?, 'SUM')", {partNo});
    if (!ok)
        std::fprintf(stderr, "writer %s: %s\n", qPrintable(partNo), qPrintable(db.errorString()));
    return ok ? 0 : 1;
}

// Child: a slow backup that says through `signal` (written under another
// name, then renamed) that it has begun copying.
int slowBackup(const QString &path, const QString &target, const QString &signal)
{
    bool told = false;
    const BackupOps::Outcome outcome = BackupOps::backup(path, target, [&](qint64, qint64) {
        if (!told) {
            QFile f(signal + QStringLiteral(".tmp"));
            told = f.open(QIODevice::WriteOnly) && f.write("copying") && f.flush();
            f.close();
            told = told && f.rename(signal);
        }
        QThread::msleep(50);
        return true;
    }, 1);
    return outcome.ok() ? 0 : 1;
}

QString integrity(const QString &path)
{
    Database db(QStringLiteral("check"));
    return db.openAtStartUp(path) ? db.scalar(QStringLiteral("PRAGMA integrity_check")).toString() : db.errorString();
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("*.partial-*")}, QDir::Files);
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

Q_DECLARE_METATYPE(HalfRow)
Q_DECLARE_METATYPE(DailyRow)

class TestBackup : public QObject
{
    Q_OBJECT

private slots:
    // Four processes keep writing while the copy is made: it passes the
    // integrity check, holds every write committed before it began, and
    // shows each write whole (SUM moves with the part in one transaction).
    void copyDuringWrites()
    {
        TestEnvironment env(QStringLiteral("INSERT INTO Inventory (PartNo, CurrentInv) VALUES "
                                           "('P0', 0), ('P1', 0), ('P2', 0), ('P3', 0), ('SUM', 0);") + QLatin1String(Filler),
                            TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const QString db = env.app.databaseAddress();
        QList<QProcess *> writers;
        for (int i = 0; i < 4; ++i) {
            writers << new QProcess(this);
            writers.last()->setProcessChannelMode(QProcess::ForwardedChannels);
            writers.last()->start(QCoreApplication::applicationFilePath(), {"--writer", db, QStringLiteral("P%1").arg(i), "5000"});
        }
        const QString sumSql = "select CurrentInv from Inventory where PartNo = 'SUM'";
        QTRY_VERIFY_WITH_TIMEOUT(env.scalar(sumSql).toInt() >= 12, 60000);
        const int before = env.scalar(sumSql).toInt();
        const QString target = env.folder() + QStringLiteral("/copy.mdb");
        bool waited = false; // more writes land while the copy is under way
        const BackupOps::Outcome outcome = BackupOps::backup(db, target, [&](qint64, qint64) {
            for (QDeadlineTimer deadline(60000); !waited && !deadline.hasExpired(); QThread::msleep(5))
                waited = env.scalar(sumSql).toInt() >= before + 12;
            return true;
        }, 8);
        for (QProcess *p : writers) {
            QVERIFY2(p->state() == QProcess::Running, "a writer stopped early");
            p->kill();
            p->waitForFinished();
        }
        QVERIFY2(outcome.ok(), qPrintable(outcome.text));
        QVERIFY(waited);
        QCOMPARE(integrity(target), QStringLiteral("ok"));
        Database copy(QStringLiteral("copy"));
        QVERIFY(copy.open(target));
        const int sum = copy.scalar(sumSql).toInt();
        QVERIFY(sum >= before);
        QCOMPARE(copy.scalar("select sum(CurrentInv) from Inventory where PartNo in ('P0', 'P1', 'P2', 'P3')").toInt(), sum);
        QVERIFY(leftovers(env.folder()).isEmpty());
    }

    // What is left under the chosen name when the copy does not finish or may
    // not be written there.
    void nothingHalfWritten_data()
    {
        QTest::addColumn<HalfRow>("row");
        QTest::newRow("cancelled") << HalfRow{"", false, 1, Status::Cancelled};
        QTest::newRow("cancelled over a file") << HalfRow{"", true, 3, Status::Cancelled};
        QTest::newRow("done over a file") << HalfRow{"", true, -1, Status::Done};
        QTest::newRow("disk full over a file") << HalfRow{"", true, -2, Status::Failed}; // -2: files stop growing at 64 KiB
        QTest::newRow("the database") << HalfRow{"=", false, -1, Status::OverDatabase};
        QTest::newRow("its log") << HalfRow{"=-wal", false, -1, Status::OverDatabase};
    }
    void nothingHalfWritten()
    {
        QFETCH(HalfRow, row);
        const auto [suffix, existing, cancelAt, status] = row;
        TestEnvironment env(QLatin1String(Filler), TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const QString db = env.app.databaseAddress();
        const QString target = suffix.startsWith('=') ? db + suffix.mid(1) : env.folder() + "/copy.mdb";
        if (existing)
            QVERIFY(writeFile(target, "what was there"));
        const QByteArray was = contents(target);
        int steps = 0;
        rlimit size {};
        if (cancelAt == -2) {
            QVERIFY(std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && getrlimit(RLIMIT_FSIZE, &size) == 0);
            const rlimit full {64 << 10, size.rlim_max};
            QVERIFY(setrlimit(RLIMIT_FSIZE, &full) == 0);
        }
        const BackupOps::Outcome outcome =
            BackupOps::backup(db, target, [&](qint64, qint64) { return ++steps != cancelAt; }, 4);
        QVERIFY(cancelAt != -2 || setrlimit(RLIMIT_FSIZE, &size) == 0);
        QCOMPARE(outcome.status, status);
        if (outcome.ok())
            QCOMPARE(integrity(target), QStringLiteral("ok"));
        else
            QCOMPARE(contents(target), was);
        QVERIFY(leftovers(env.folder()).isEmpty());
        QCOMPARE(env.scalar("select count(*) from Inventory").toInt(), 20000);
    }

    // A backup whose process is killed half-way leaves no file under the
    // chosen name.
    void killedHalfWay()
    {
        TestEnvironment env(QLatin1String(Filler), TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const QString target = env.folder() + "/copy.mdb", signal = env.folder() + "/copying";
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--slow-backup", env.app.databaseAddress(), target, signal});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(signal), 30000);
        child.kill();
        QVERIFY(child.waitForFinished());
        QVERIFY(!QFile::exists(target));
        QCOMPARE(integrity(env.app.databaseAddress()), QStringLiteral("ok"));
    }

    // DailyBackups=N keeps the N newest daily copies; 0 makes and removes
    // none; a copy already made today is not made again. The temporary file
    // of a copy cut off long ago goes; other files in the folder stay.
    void dailyCopies_data()
    {
        QTest::addColumn<DailyRow>("row");
        QTest::newRow("absent: 7") << DailyRow{QVariant(), {1, 2, 3, 4, 5, 6, 7, 8, 9}, {0, 1, 2, 3, 4, 5, 6}};
        QTest::newRow("2") << DailyRow{"2", {1, 2, 3}, {0, 1}};
        QTest::newRow("0 turns them off") << DailyRow{"0", {1, 2}, {1, 2}};
        QTest::newRow("not a number: 7") << DailyRow{"x", {1}, {0, 1}};
        QTest::newRow("today's made already") << DailyRow{"3", {0, 1, 5, 9}, {0, 1, 5}};
        QTest::newRow("today's fails: none removed") << DailyRow{"2", {1, 2, 3}, {1, 2, 3}, true};
    }
    void dailyCopies()
    {
        QFETCH(DailyRow, row);
        const auto [setting, there, kept, diskFull] = row;
        TestEnvironment env(QString(), TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const QString db = env.app.databaseAddress();
        const QDate today(2026, 12, 7);
        const QString folder = BackupOps::Daily::folder(db);
        QVERIFY(QDir().mkpath(folder));
        const QStringList others{folder + "/Inventory-notes.mdb", folder + "/Other-2026-01-01.mdb"};
        // Left by copies cut off: one long ago, one under way now.
        const QString stale = folder + "/Inventory-2026-12-01.mdb.partial-1", fresh = folder + "/Inventory-2026-12-07.mdb.partial-2";
        QFile staleFile(stale);
        QVERIFY(writeFile(others[0], "keep") && writeFile(others[1], "keep") && writeFile(stale, "cut off")
                && writeFile(fresh, "under way") && staleFile.open(QIODevice::ReadWrite));
        QVERIFY(staleFile.setFileTime(QDateTime::currentDateTime().addSecs(-7200), QFileDevice::FileModificationTime));
        staleFile.close();
        for (int day : there)
            QVERIFY(writeFile(BackupOps::Daily::fileName(db, today.addDays(-day)), "old"));
        rlimit size {};
        if (diskFull) { // files stop growing at 8 KiB
            QVERIFY(std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR && getrlimit(RLIMIT_FSIZE, &size) == 0);
            const rlimit full {8 << 10, size.rlim_max};
            QVERIFY(setrlimit(RLIMIT_FSIZE, &full) == 0);
        }
        const BackupOps::Outcome outcome = BackupOps::Daily::run(db, today, BackupOps::Daily::copiesFromSetting(setting));
        QVERIFY(!diskFull || setrlimit(RLIMIT_FSIZE, &size) == 0);
        QVERIFY2(outcome.ok() != diskFull, qPrintable(outcome.text));
        QStringList expected;
        for (int day : kept)
            expected.prepend(BackupOps::Daily::fileName(db, today.addDays(-day)));
        QCOMPARE(BackupOps::Daily::existing(db), expected);
        QVERIFY(QFile::exists(others[0]) && QFile::exists(others[1]) && QFile::exists(fresh));
        QCOMPARE(QFile::exists(stale), !kept.contains(0) && !diskFull); // only where copies are made
        if (kept.contains(0))
            QCOMPARE(contents(expected.last()) == "old", there.contains(0));
    }

    // The command as the user runs it: the daily copy appears in the
    // background at start; a chosen file gets a whole copy; the database
    // itself is refused.
    void command_data()
    {
        QTest::addColumn<QString>("name"); // in the program folder
        QTest::addColumn<QString>("message");
        QTest::newRow("a new file") << "copy.mdb" << "The database was backed up to\n%1";
        QTest::newRow("the database") << "Inventory.mdb"
                                      << "A backup cannot be written over the inventory database. Choose another file.";
    }
    void command()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        TestEnvironment env(QString(), TestEnvironment::Data::Sample, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        MainWindow w(env.app);
        QVERIFY(w.load());
        const QString daily = BackupOps::Daily::fileName(env.app.databaseAddress(), env.app.now().date());
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(daily), 20000);
        const QString target = QDir(env.folder()).filePath(name);
        env.ui.fileNames.enqueue(target);
        w.action(CommandId::BackupDatabase)->trigger();
        QCOMPARE(env.ui.proposedNames.value(0), QDir(env.folder()).filePath("Inventory-backup-2026-03-14.mdb")); // the day of the fixed clock
        QCOMPARE(env.ui.lastText(), message.contains("%1") ? message.arg(target) : message);
        QCOMPARE(integrity(target), QStringLiteral("ok"));
    }

    // The server's database goes through pg_dump, found on the path; without
    // it the user is told what to install.
    void serverDump_data()
    {
        QTest::addColumn<bool>("onPath");
        QTest::newRow("pg_dump missing") << false;
        QTest::newRow("pg_dump") << true;
    }
    void serverDump()
    {
        QFETCH(bool, onPath);
        if (const QString why = TestEnvironment::unavailable(TestEnvironment::Engine::Server); onPath && !why.isEmpty())
            QSKIP(qPrintable(why));
        std::unique_ptr<TestEnvironment> server;
        if (onPath)
            server = std::make_unique<TestEnvironment>(QStringLiteral("INSERT INTO Inventory (PartNo) VALUES ('R1');"),
                                                       TestEnvironment::Data::Empty, TestEnvironment::Engine::Server);
        const QString address = server ? server->app.databaseAddress() : QStringLiteral("postgresql://nobody@localhost/partwise");
        QTemporaryDir empty;
        const QByteArray path = qgetenv("PATH");
        if (!onPath)
            qputenv("PATH", empty.path().toLocal8Bit());
        const QString target = empty.path() + "/copy.dump";
        const BackupOps::Outcome outcome = BackupOps::backup(address, target);
        qputenv("PATH", path);
        QCOMPARE(int(outcome.status), int(onPath ? Status::Done : Status::NoDumpProgram));
        QCOMPARE(outcome.text, onPath ? QString() : BackupOps::noDumpProgramText());
        QCOMPARE(contents(target).left(5), onPath ? QByteArray("PGDMP") : QByteArray());
        QVERIFY(leftovers(empty.path()).isEmpty());
    }
};

int main(int argc, char *argv[])
{
    if (argc == 5 && qstrcmp(argv[1], "--writer") == 0) {
        QCoreApplication app(argc, argv);
        return writer(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), atoi(argv[4]));
    }
    if (argc == 5 && qstrcmp(argv[1], "--slow-backup") == 0) {
        QCoreApplication app(argc, argv);
        return slowBackup(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                          QString::fromLocal8Bit(argv[4]));
    }
    QApplication app(argc, argv);
    TestBackup test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_backup.moc"
