// Copying a whole database between the file and a PostgreSQL server, both
// ways, with the library and with the partwise-dbcopy program.
#include "data/database.h"
#include "data/databasecopy.h"
#include "data/pgengine.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "drive.h"
#include "pgserver.h"
#include "testenvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QProcess>
#include <QTest>

namespace {

const QString Rows = QString::fromUtf8(
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint, MinReq, Bin) VALUES "
    "('R100', 'Resistor 100R', 500, 0.02, 100, 100, 0), ('5'' CABLE', 'Cable, 5 ft', -3, 4.5, 1, 1, 1), "
    "('mixedCase-r1', NULL, NULL, NULL, NULL, NULL, NULL), ('Ω-Резистор', 'Конденсатор 電容', 7, 0.125, 0, 2, 0);"
    "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES ('R100', 'RS', 'Resistor 100R'), "
    "('5'' CABLE', NULL, 'It''s a cable');"
    "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES ('AMP', 'Amplifier', 'R100', 2.5), "
    "(NULL, 'Unsaved', 'mixedCase-r1', 1), ('amp', 'Amplifier', '5'' CABLE', 1);"
    "INSERT INTO Users (User, Password) VALUES ('Admin', 'Secret'), ('o''hara', 'pw');"
    "INSERT INTO \"StockLedger\" (\"ChangedAt\", \"Workstation\", \"LoginName\", \"PartNo\", \"Change\", "
    "\"StockAfter\", \"Source\", \"GroupId\", \"Note\") VALUES ('2026-03-14T09:26:53.000Z', 'bench-1', 'clerk', "
    "'R100', 5, 500, 'stock window', 'g1', 'It''s counted'), ('2026-03-14T09:27:00.000Z', 'bench-1', 'clerk', "
    "'5'' CABLE', -3, -3, 'kit pull', 'g2', NULL);");

// Every row of every table as text, through a connection of its own.
QStringList dump(const QString &address)
{
    Database db(QStringLiteral("dump"));
    if (!db.open(address))
        return {QStringLiteral("cannot open: ") + db.errorString()};
    QStringList out;
    for (const QString &table : Schema::requiredTables() + QStringList{QStringLiteral("\"StockLedger\"")}) {
        Recordset rs;
        if (!rs.open(db, QStringLiteral("select * from ") + table))
            return {rs.errorString()};
        QStringList rows;
        for (; !rs.isEof(); rs.moveNext()) {
            QStringList values;
            for (int i = rs.fieldNames().first() == "EntryId"; i < rs.fieldNames().size(); ++i) { // keys count anew
                const QVariant v = rs.value(i);
                values << rs.fieldNames().at(i) + QLatin1Char('=')
                              + (v.isNull() ? QStringLiteral("<null>") : v.toString());
            }
            rows << table + QLatin1Char(':') + values.join(QLatin1Char('|'));
        }
        rows.sort();
        out += rows;
    }
    return out;
}

QString newServerDatabase(bool withTables, PgServer::Letters letters = PgServer::Letters::AsciiOnly)
{
    QString error;
    const QString address = PgServer::shared().createDatabase(withTables, letters, &error);
    if (address.isEmpty())
        qWarning("%s", qPrintable(error + PgServer::shared().error()));
    return address;
}

using HowRow = QPair<QString, int>;

} // namespace

class TestDbCopy : public QObject
{
    Q_OBJECT

private slots:
    // The tests that name their engines run once, in the file run.
    void init()
    {
        const QByteArray name = QTest::currentTestFunction();
        if (TestEnvironment::defaultEngine() == TestEnvironment::Engine::Server && !name.startsWith("onto"))
            QSKIP("engines named by the test; run in the file run");
        const QString why = TestEnvironment::unavailable(TestEnvironment::Engine::Server);
        if (!name.startsWith("file") && !name.startsWith("onto") && !why.isEmpty())
            QSKIP(qPrintable(why));
    }

    // A copy onto its own source, however the target is spelled, is refused
    // before anything is written, even with --replace.
    void ontoItself_data()
    {
        QTest::addColumn<QString>("spelling");
        QTest::newRow("same address") << "same";
        QTest::newRow("another spelling") << "other";
        QTest::newRow("symbolic link") << "link";
    }
    void ontoItself()
    {
        QFETCH(QString, spelling);
        TestEnvironment env(Rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        env.app.database().close();
        const QString from = env.app.databaseAddress();
        const QStringList before = dump(from);
        QString to = from;
        PgEngine::Address a;
        if (spelling == "other" && PgEngine::parse(from, &a, nullptr))
            to = QString("postgresql:///%1?host=%2&user=%3").arg(a.database, a.host, a.user);
        else if (spelling == "other")
            to = env.folder() + "/./" + QFileInfo(from).fileName();
        else if (spelling == "link" && !PgEngine::isAddress(from))
            QVERIFY(QFile::link(from, to = env.folder() + "/link.mdb"));
        DatabaseCopy copy;
        copy.replace = true;
        QVERIFY(!copy.run(from, to));
        QVERIFY2(copy.error().contains("the same database"), qPrintable(copy.error()));
        QCOMPARE(dump(from), before);
    }

    // File to server (tables made there) and back to a new file: the same rows,
    // letter case, quotes and nulls included.
    void bothWays()
    {
        TestEnvironment env(Rows, TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        env.app.database().close();
        const QStringList original = dump(env.app.databasePath());
        QCOMPARE(original.size(), 4 + 2 + 3 + 2 + 2);
        const QString server = newServerDatabase(false);
        QVERIFY(!server.isEmpty());
        QStringList progress;
        DatabaseCopy up;
        up.progress = [&](const QString &table, qint64 rows) { progress << table + QString::number(rows); };
        QVERIFY2(up.run(env.app.databasePath(), server), qPrintable(up.error()));
        QCOMPARE(progress, QStringList({"Inventory4", "BoardBOM3", "Users2", "PreferredVendor2", "StockLedger2"}));
        QCOMPARE(dump(server), original);
        const QString home = env.folder() + "/home.mdb";
        DatabaseCopy down;
        QVERIFY2(down.run(server, home), qPrintable(down.error()));
        QCOMPARE(dump(home), original);
        Database db("check"); // a working database: letter case still folds in look-ups
        QVERIFY(db.open(home));
        QCOMPARE(db.scalar("select CurrentInv from Inventory where PartNo = ?", {"5' cable"}).toInt(), -3);
    }

    // A server that folds more letters than the file takes two part numbers
    // for one: both are named, and nothing is written.
    void partNumbersTheTargetTakesForOne()
    {
        TestEnvironment env(QString::fromUtf8("INSERT INTO Inventory (PartNo) VALUES ('CAFÉ-1'), ('café-1'), ('R1');"),
                            TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        env.app.database().close();
        const QString server = newServerDatabase(false, PgServer::Letters::Unicode);
        DatabaseCopy copy;
        QVERIFY(!copy.run(env.app.databasePath(), server));
        QVERIFY2(copy.error().contains(QString::fromUtf8("\"CAFÉ-1\" and \"café-1\"")), qPrintable(copy.error()));
        Database db("check");
        QVERIFY(db.open(server) && db.tables().isEmpty());
    }

    // A copy into a new file that is killed, or meets a full disk, leaves no
    // file; one that ends well leaves a whole file that needs no log beside it.
    void fileTargetWholeOrNone_data()
    {
        QTest::addColumn<HowRow>("row"); // how the copy runs; its status, -1: killed
        QTest::newRow("completes") << qMakePair(QString(), 0);
        QTest::newRow("killed half-way") << qMakePair(QString("ulimit -f 150;"), -1);
        QTest::newRow("disk full at the end") << qMakePair(QString("<tmpfs>"), 1);
    }
    void fileTargetWholeOrNone()
    {
        QFETCH(HowRow, row);
        auto [how, status] = row;
        TestEnvironment env("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 6000) "
                            "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost) "
                            "SELECT 'P' || i, 'Part number ' || i || ' with a description', i, i / 8.0 FROM n;",
                            TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        env.app.database().close();
        QString folder = env.folder() + "/to";
        QVERIFY(QDir().mkpath(folder));
        bool mounted = false;
        auto unmount = qScopeGuard([&] {
            if (mounted)
                QProcess::execute("umount", {folder});
        });
        if (how == "<tmpfs>") {
            // Room for the write-ahead log, not for the log and the file.
            const qint64 kb = QFileInfo(env.app.databasePath()).size() * 3 / 2 / 1024;
            if (QProcess::execute("mount", {"-t", "tmpfs", "-o", QString("size=%1k").arg(kb), "tmpfs", folder}) != 0)
                QSKIP("a full disk is made with a small tmpfs, which needs the right to mount");
            mounted = true;
            how.clear();
        }
        const QString to = folder + "/copy.mdb";
        QString out;
        QCOMPARE(Drive::runTool("partwise-dbcopy", {env.app.databasePath(), to}, &out, how), status);
        QCOMPARE(QFile::exists(to), status == 0);
        QVERIFY2(!QFile::exists(to + "-wal") && !QFile::exists(to + "-shm"), qPrintable(out));
        if (status == 1)
            QVERIFY2(out.contains("disk is full") && QDir(folder).isEmpty(), qPrintable(out));
        if (status == 0) // the file alone, as a backup program would take it
            QCOMPARE(dump(to).size(), 6000);
    }

    // The program: a line per table, and a status that says how it went; a
    // failed copy to a new file leaves no file.
    void program()
    {
        TestEnvironment env(Rows, TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        env.app.database().close();
        const QString server = newServerDatabase(false);
        auto run = [](const QStringList &args, QString *out) { return Drive::runTool("partwise-dbcopy", args, out); };
        QString out; // a check writes nothing, so the copy after it finds the target empty
        QCOMPARE(run({"--check", env.app.databasePath(), server}, &out), 0);
        QCOMPARE(run({env.app.databasePath(), server}, &out), 0);
        QCOMPARE(out, QStringLiteral("Inventory: 4 rows\nBoardBOM: 3 rows\nUsers: 2 rows\nPreferredVendor: 2 rows\nStockLedger: 2 rows\n"));
        // A target that holds rows is left alone unless replacing is asked for.
        Database other("other");
        QVERIFY(other.open(server) && other.execute("DELETE FROM Users"));
        other.close();
        const QStringList before = dump(server);
        QCOMPARE(run({env.app.databasePath(), server}, &out), 1);
        QVERIFY2(out.contains("--replace") && out.contains("(Inventory, BoardBOM, PreferredVendor"), qPrintable(out));
        QCOMPARE(dump(server), before);
        QCOMPARE(run({"--replace", env.app.databasePath(), server}, &out), 0);
        QCOMPARE(dump(server), dump(env.app.databasePath()));
        const QString missing = env.folder() + "/none.mdb";
        QCOMPARE(run({missing, env.folder() + "/new.mdb"}, &out), 1);
        QVERIFY2(out.contains("does not exist"), qPrintable(out));
        QVERIFY(!QFile::exists(env.folder() + "/new.mdb"));
        QCOMPARE(run({server}, &out), 2);
    }
};

QTEST_MAIN(TestDbCopy)
#include "tst_dbcopy.moc"
