// Start-up: the main window on a good database, the messages on a bad one.
#include "app/mainwindow.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "data/database.h"
#include "testenvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

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

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    // On a good database the main window opens after the splash's second.
    void opensTheMainWindow()
    {
        TestEnvironment env;
        env.app.database().close();
        QElapsedTimer t;
        t.start();
        MainWindow *w = Startup::run(env.app);
        QVERIFY(t.elapsed() >= 1000);
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Partwise"));
        QVERIFY(env.app.database().isOpen());
        QVERIFY(env.ui.shown.isEmpty());
        QVERIFY(w->close());
        SplashWindow s;
        QCOMPARE(s.versionLabel()->text(), QStringLiteral("Version 1.0.0"));
    }

    void badDatabase_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QByteArray() << "does not exist";
        QByteArray jet(4096, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        QTest::newRow("jet") << jet << "Microsoft Access (Jet) database";
        QTest::newRow("not sqlite") << QByteArray("hello") << "not an SQLite database";
    }

    void badDatabase()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        TestEnvironment env;
        env.app.database().close();
        const QString path = env.app.databasePath();
        QFile::remove(path);
        QFile::remove(path + "-wal");
        QFile::remove(path + "-shm");
        if (!content.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QVERIFY(!Startup::run(env.app, 0));
        QCOMPARE(env.ui.shown.size(), 1);
        const auto &shown = env.ui.shown.first();
        QVERIFY2(shown.text.contains(QDir::toNativeSeparators(path)) || shown.text.contains(path),
                 qPrintable(shown.text));
        QVERIFY2(shown.text.contains(reason), qPrintable(shown.text));
        QCOMPARE(shown.icon, UserInterface::Icon::Critical);
        QCOMPARE(QFile::exists(path), !content.isNull()); // nothing created
    }

    // A log of changes left beside the database: after a crash it belongs to
    // the file and its changes count; beside a backup copied over the file
    // it would damage the copy, which is then refused as it was found.
    void leftoverLog_data()
    {
        QTest::addColumn<QString>("file"); // what the database file holds at start-up
        QTest::addColumn<bool>("withLog");
        QTest::addColumn<bool>("opens");
        QTest::newRow("after a crash") << "before the log" << true << true;
        QTest::newRow("backup copied over the file") << "backup" << true << false;
        QTest::newRow("backup, log removed") << "backup" << false << true;
    }
    void leftoverLog()
    {
        QFETCH(QString, file);
        QFETCH(bool, withLog);
        QFETCH(bool, opens);
        TestEnvironment env("INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('R100', 'Resistor', 100);");
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const QString path = env.app.databasePath(), log = path + "-wal", index = path + "-shm";
        QVERIFY(env.ownScalar("PRAGMA wal_checkpoint(TRUNCATE)").isValid());
        const QByteArray backup = bytesOf(path);
        // The catalogue grows; then, while another connection keeps the log
        // from being folded in, it grows again in the log.
        auto grow = [&](const QString &prefix, int rows) {
            return env.exec(QString("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                    "INSERT INTO Inventory (PartNo, Description, CurrentInv) "
                                    "SELECT '%2' || i, hex(randomblob(100)), i FROM n").arg(rows).arg(prefix));
        };
        QVERIFY(grow("P", 2000));
        QVERIFY(env.ownScalar("PRAGMA wal_checkpoint(TRUNCATE)").isValid());
        const QByteArray beforeLog = bytesOf(path);
        QByteArray logBytes;
        {
            Database holder("holder");
            QVERIFY(holder.open(path));
            QVERIFY(grow("Q", 500));
            QVERIFY(env.exec("INSERT INTO Inventory (PartNo, Description) VALUES ('LOGGED', 'In the log only')"));
            logBytes = bytesOf(log);
            QVERIFY(logBytes.size() > 4096);
            env.app.database().close();
        }
        QVERIFY(QFile::remove(index) || !QFile::exists(index));
        QFile::remove(log);
        QVERIFY(writeBytes(path, file == "backup" ? backup : beforeLog));
        if (withLog)
            QVERIFY(writeBytes(log, logBytes));
        const QByteArray fileBytes = bytesOf(path);

        MainWindow *w = Startup::run(env.app, 0);
        QVERIFY2((w != nullptr) == opens, qPrintable(env.ui.lastText()));
        if (opens) {
            QVERIFY(env.ui.shown.isEmpty());
            QCOMPARE(env.scalar("select count(*) from Inventory where PartNo = 'LOGGED'").toInt(), withLog ? 1 : 0);
            QCOMPARE(env.scalar("PRAGMA integrity_check").toString(), QString("ok"));
            w->close();
            return;
        }
        QCOMPARE(env.ui.shown.size(), 1);
        const QString text = env.ui.shown.first().text;
        for (const QString &part : {QDir::toNativeSeparators(path) + " is damaged", QDir::toNativeSeparators(log),
                                    QString("Nothing was changed")})
            QVERIFY2(text.contains(part), qPrintable(text));
        QVERIFY2(text.contains(QRegularExpression("damaged once .*: (Page|Tree|row|.*malformed)")),
                 qPrintable(text)); // what the check found
        QCOMPARE(bytesOf(path), fileBytes);
        QCOMPARE(bytesOf(log), logBytes);
        QVERIFY(!QFile::exists(index));
        QVERIFY(!env.app.database().isOpen());
    }

    void databaseWithoutTheTables()
    {
        TestEnvironment env;
        env.app.database().close();
        // An SQLite file of some other program.
        const QString path = env.app.databasePath();
        QFile::remove(path);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery(db).exec("CREATE TABLE Notes (Text TEXT)");
            db.close();
        }
        QSqlDatabase::removeDatabase("other");
        QVERIFY(!Startup::run(env.app, 0));
        QVERIFY(env.ui.lastText().contains("no table Inventory"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
