// Start-up: the main window on a good database, the messages on a bad one,
// where the database lives, the command line's documents.
#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/programfiles.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "data/database.h"
#include "data/schema.h"
#include "docs/documentwindow.h"
#include "users/ops/passwordhash.h"
#include "users/ops/userops.h"
#include "testenvironment.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

struct LogRow { QString file; bool withLog, opens; }; // file: what the database file holds at start-up
// layout: portable, or installed with/without a sample; existing: a database
// in the data folder already; parts: in the file afterwards, -1: no file.
struct PlaceRow { QString layout; bool existing; QString setting, made; int parts; };

} // namespace

Q_DECLARE_METATYPE(LogRow)
Q_DECLARE_METATYPE(PlaceRow)

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    // A file that is no database of the program: one critical message that
    // names it and why (the reasons of the engine are tst_database's);
    // nothing is made in its place.
    void badDatabase()
    {
        QTemporaryDir dir;
        const QString otherPath = dir.filePath("other.db");
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(otherPath);
            QVERIFY(other.open() && QSqlQuery(other).exec("CREATE TABLE Notes (Text TEXT)"));
        }
        QSqlDatabase::removeDatabase("other");
        for (auto [content, reason] : {std::pair{QByteArray(), "does not exist"}, {bytesOf(otherPath), "no table Inventory"}}) {
            TestEnvironment env;
            env.app.database().close();
            const QString path = env.app.databasePath();
            for (const QString &suffix : {"", "-wal", "-shm"})
                QFile::remove(path + suffix);
            QVERIFY(content.isNull() || writeBytes(path, content));
            QVERIFY(!Startup::run(env.app, 0) && env.ui.shown.size() == 1);
            const auto &shown = env.ui.shown.first();
            QVERIFY2(shown.text.contains(QDir::toNativeSeparators(path)) && shown.text.contains(reason), qPrintable(shown.text));
            QVERIFY(shown.icon == UserInterface::Icon::Critical && QFile::exists(path) == !content.isNull());
        }
    }

    // A log of changes left beside the database: after a crash it belongs to
    // the file and its changes count; beside a backup copied over the file
    // it would damage the copy, which is then refused as it was found.
    void leftoverLog_data()
    {
        QTest::addColumn<LogRow>("row");
        QTest::newRow("after a crash") << LogRow{"before the log", true, true};
        QTest::newRow("backup copied over the file") << LogRow{"backup", true, false};
        QTest::newRow("backup, log removed") << LogRow{"backup", false, true};
    }
    void leftoverLog()
    {
        QFETCH(LogRow, row);
        const auto [file, withLog, opens] = row;
        TestEnvironment env("INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('R100', 'Resistor', 100);");
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const QString path = env.app.databasePath(), log = path + "-wal", index = path + "-shm";
        QVERIFY(env.ownScalar("PRAGMA wal_checkpoint(TRUNCATE)").isValid());
        const QByteArray backup = bytesOf(path);
        // The catalogue grows; then, while another connection keeps the log
        // from being folded in, it grows again in the log.
        auto grow = [&](const QString &prefix, int rows) {
            return env.exec(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                                    "INSERT INTO Inventory (PartNo, Description, CurrentInv) "
                                    "SELECT ? || i, hex(randomblob(100)), i FROM n"), {rows, prefix});
        };
        QVERIFY(grow("P", 2000) && env.ownScalar("PRAGMA wal_checkpoint(TRUNCATE)").isValid());
        const QByteArray beforeLog = bytesOf(path);
        QByteArray logBytes;
        {
            Database holder("holder");
            QVERIFY(holder.open(path) && grow("Q", 500) && env.exec("INSERT INTO Inventory (PartNo, Description) VALUES ('LOGGED', 'In the log only')"));
            QVERIFY((logBytes = bytesOf(log)).size() > 4096);
            env.app.database().close();
        }
        QVERIFY(QFile::remove(index) || !QFile::exists(index));
        QFile::remove(log);
        const QByteArray fileBytes = file == "backup" ? backup : beforeLog;
        QVERIFY(writeBytes(path, fileBytes) && (!withLog || writeBytes(log, logBytes)));

        // The main window opens after the splash's second (a good start; the others skip the splash).
        QElapsedTimer t;
        t.start();
        MainWindow *w = opens && withLog ? Startup::run(env.app) : Startup::run(env.app, 0);
        QVERIFY2((w != nullptr) == opens, qPrintable(env.ui.lastText()));
        if (opens) {
            QVERIFY(w->isVisible() && (!withLog || t.elapsed() >= 1000));
            QVERIFY(env.ui.shown.isEmpty() && env.scalar("PRAGMA integrity_check").toString() == "ok");
            QCOMPARE(env.scalar("select count(*) from Inventory where PartNo = 'LOGGED'").toInt(), withLog ? 1 : 0);
            return void(w->close());
        }
        const QString text = env.ui.lastText();
        QCOMPARE(env.ui.shown.size(), 1);
        for (const QString &part : {QDir::toNativeSeparators(path) + " is damaged", QDir::toNativeSeparators(log),
                                    QString("Nothing was changed")})
            QVERIFY2(text.contains(part), qPrintable(text));
        // What the check found.
        QVERIFY2(text.contains(QRegularExpression("damaged once .*: (Page|Tree|row|.*malformed)")), qPrintable(text));
        QVERIFY(bytesOf(path) == fileBytes && bytesOf(log) == logBytes && !QFile::exists(index) && !env.app.database().isOpen());
    }

    // Where the database lives: beside a portable copy; in the user's data
    // folder for an installed one, made there once from the sample or the
    // schema and named in a message; nowhere new when the setting names one.
    void databasePlace_data()
    {
        QTest::addColumn<PlaceRow>("row");
        QTest::newRow("portable copy") << PlaceRow{"portable", false, "", "", -1};
        QTest::newRow("installed, first start") << PlaceRow{"sample", false, "", "sample", 3};
        QTest::newRow("installed, next start") << PlaceRow{"sample", true, "", "", 1};
        QTest::newRow("installed, no sample") << PlaceRow{"bare", false, "", "schema", 0};
        QTest::newRow("installed, setting names another") << PlaceRow{"sample", false, "elsewhere.mdb", "", -1};
    }
    void databasePlace()
    {
        QFETCH(PlaceRow, row);
        const auto &[layout, existing, setting, made, parts] = row;
        TestEnvironment env;
        env.app.database().close();
        QTemporaryDir root;
        const QString bin = root.filePath("usr/bin"), share = root.filePath("usr/share/partwise");
        const QString data = root.filePath("home/data"), inData = data + "/Inventory.mdb";
        const bool installed = layout != "portable";
        QString error;
        QVERIFY(QDir().mkpath(bin) && (!installed || (QDir().mkpath(share) && writeBytes(share + "/Bin.rpt", "[report]\n"))));
        if (layout == "sample")
            QVERIFY2(Schema::createFile(share + "/Sample.mdb", "INSERT INTO Inventory (PartNo) VALUES ('A'), ('B'), ('C');",
                                        &error), qPrintable(error));
        if (existing)
            QVERIFY(QDir().mkpath(data) && Schema::createFile(inData, "INSERT INTO Inventory (PartNo) VALUES ('OWN');", &error));
        if (!setting.isEmpty())
            env.app.settings()->setValue("Settings/Database", setting);

        const ProgramFiles::Placement p = ProgramFiles::place(env.app, bin, data);
        QCOMPARE(p.path, installed ? inData : bin + "/Inventory.mdb");
        QCOMPARE(env.app.programFolder(), installed ? share : bin);
        QVERIFY(p.made == made && p.error.isEmpty() && QFile::exists(p.path) == (parts >= 0) && !QFile::exists(bin + "/Inventory.mdb"));
        if (parts < 0)
            return;
        MainWindow *w = Startup::run(env.app, p, 0);
        QVERIFY2(w, qPrintable(env.ui.lastText()));
        QVERIFY(env.app.database().describe() == QDir::toNativeSeparators(inData) && env.ownScalar("SELECT COUNT(*) FROM Inventory").toInt() == parts);
        QVERIFY2(env.ui.shown.size() == (made.isEmpty() ? 0 : 1)
                 && (made.isEmpty() || env.ui.lastText().contains(QDir::toNativeSeparators(inData))), qPrintable(env.ui.lastText()));
        w->close();
    }

    // The shipped sample (made from db/sample.sql) keeps admin's password as
    // a digest only, and admin/partwise still signs in.
    void sampleShipsADigest()
    {
        QTemporaryDir dir;
        QVERIFY2(QFile::copy(PARTWISE_SAMPLE_DB, dir.filePath("Inventory.mdb")), "the installed sample is not built");
        Database db("sample");
        QVERIFY(db.open(dir.filePath("Inventory.mdb")));
        QSqlQuery q(db.handle());
        QVERIFY(q.exec("SELECT Password FROM Users"));
        int users = 0;
        for (; q.next(); ++users)
            QVERIFY2(PasswordHash::isHash(q.value(0).toString()), qPrintable(q.value(0).toString()));
        QVERIFY(users > 0 && UserOps::checkPassword(db, "admin", "partwise").status == UserOps::Status::Done
                && UserOps::checkPassword(db, "admin", "Partwise").status != UserOps::Status::Done);
    }

    // Files named on the command line open in document windows of their own;
    // one that does not open is reported and leaves no window.
    void documentsFromTheCommandLine()
    {
        TestEnvironment env;
        QTemporaryDir dir;
        QVERIFY(writeBytes(dir.filePath("note.rtf"), "{\\rtf1\\ansi Bin 4 is {\\b full}.}"));
        QVERIFY(QDir::setCurrent(dir.path()));
        QString o;
        QTextStream out(&o), err(&o);
        const CommandLine::Request request = CommandLine::read({"partwise", "note.rtf", "missing.rtf"}, out, err);
        QVERIFY(!request.exitStatus && request.documents == QStringList({dir.filePath("note.rtf"), dir.filePath("missing.rtf")}));
        MainWindow w(env.app);
        Startup::openDocuments(w, request.documents);
        QTRY_COMPARE(w.mdiArea()->subWindowList().size(), 1);
        QCOMPARE(w.findChild<DocumentWindow *>()->findChild<QTextEdit *>()->toPlainText(), QStringLiteral("Bin 4 is full."));
        QVERIFY2(env.ui.shown.size() == 1 && env.ui.lastText().contains("missing.rtf"), qPrintable(env.ui.lastText()));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
