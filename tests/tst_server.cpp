// Opening a PostgreSQL server: where the address comes from, what the user
// is told when it cannot be opened, passwords as the server's own tools take
// them, and the status bar that names the open database.
#include "app/mainwindow.h"
#include "app/startup.h"
#include "data/database.h"
#include "data/pgengine.h"
#include "pgserver.h"
#include "testenvironment.h"

#include <QCommandLineParser>
#include <QLabel>
#include <QSettings>
#include <QTest>

namespace {
struct WhereRow { QString option, setting, expected; };
struct AddressRow { QString address, user, password, host; int port; QString database, refusal; };
// password: "env:" PGPASSWORD, "file:" a password file, "url:" in the address.
struct OpenRow { QString user, database, host, password, reason; };
} // namespace
Q_DECLARE_METATYPE(WhereRow)
Q_DECLARE_METATYPE(AddressRow)
Q_DECLARE_METATYPE(OpenRow)

class TestServer : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        qunsetenv("PGPASSWORD");
        qunsetenv("PGPASSFILE");
    }

    // The command line wins over the setting, which wins over the file
    // beside the program; a relative file is taken from the program folder.
    void whereTheAddressComesFrom_data()
    {
        QTest::addColumn<WhereRow>("row");
        const QString server = "postgresql://stock@db1:5433/inventory";
        QTest::newRow("nothing set") << WhereRow{"", "", "<folder>/Inventory.mdb"};
        QTest::newRow("setting") << WhereRow{"", server, server};
        QTest::newRow("option over setting") << WhereRow{"postgresql://desk@db2/inv", server, "postgresql://desk@db2/inv"};
        QTest::newRow("relative file") << WhereRow{"", "data/Stock.mdb", "<folder>/data/Stock.mdb"};
        QTest::newRow("absolute file") << WhereRow{"/srv/Inventory.mdb", "", "/srv/Inventory.mdb"};
    }
    void whereTheAddressComesFrom()
    {
        QFETCH(WhereRow, row);
        TestEnvironment env(QString(), TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        if (!row.setting.isEmpty())
            env.app.settings()->setValue("Settings/Database", row.setting);
        QCommandLineParser parser;
        parser.addOption(Startup::databaseOption());
        QVERIFY(parser.parse(row.option.isEmpty() ? QStringList{"partwise"}
                                                  : QStringList{"partwise", "--database", row.option}));
        Startup::useDatabaseOption(parser, env.app);
        QCOMPARE(env.app.databaseAddress(), row.expected.replace("<folder>", env.folder()));
    }

    void addresses_data()
    {
        QTest::addColumn<AddressRow>("row");
        QTest::newRow("full") << AddressRow{"postgresql://stock@db1.local:5433/inventory", "stock", "", "db1.local", 5433, "inventory", ""};
        QTest::newRow("short scheme, no port") << AddressRow{"postgres://stock@db1/inv", "stock", "", "db1", -1, "inv", ""};
        QTest::newRow("socket folder") << AddressRow{"postgresql://stock@%2Frun%2Fpostgresql/inv", "stock", "", "/run/postgresql", -1, "inv", ""};
        QTest::newRow("host setting") << AddressRow{"postgresql:///inv?host=/tmp/s&user=a%40b", "a@b", "", "/tmp/s", -1, "inv", ""};
        QTest::newRow("IPv6") << AddressRow{"postgresql://u@[::1]:65535/d", "u", "", "::1", 65535, "d", ""};
        QTest::newRow("@ in the password") << AddressRow{"postgresql://stock:p@ss@db1:5433/inv", "stock", "p@ss", "db1", 5433, "inv", ""};
        QTest::newRow("@ and : encoded") << AddressRow{"postgresql://u%3Ax:a%40b%3Ac@h/d", "u:x", "a@b:c", "h", -1, "d", ""};
        QTest::newRow("bad port") << AddressRow{"postgresql://u@h:65536/d", "", "", "", 0, "", "port"};
        QTest::newRow("setting with a blank") << AddressRow{"postgresql://u@h/d?sslmode=re%20quire", "", "", "", 0, "", "blanks"};
        QTest::newRow("not an address") << AddressRow{"postgresql:/h/d", "", "", "", 0, "", "not a PostgreSQL address"};
    }
    void addresses()
    {
        QFETCH(AddressRow, row);
        PgEngine::Address a;
        QString why;
        QCOMPARE(PgEngine::parse(row.address, &a, &why), row.refusal.isEmpty());
        QVERIFY2(why.contains(row.refusal), qPrintable(why));
        if (row.refusal.isEmpty())
            QCOMPARE(QStringList({a.user, a.password, a.host, QString::number(a.port), a.database}),
                     QStringList({row.user, row.password, row.host, QString::number(row.port), row.database}));
    }

    // A server that cannot be reached or refuses: the message names the host,
    // the database and the server's reason, never the password; nothing is
    // created. A password reaches the server from PGPASSWORD, a password file
    // or the address: then the database without the program's tables is what
    // stops it.
    void cannotOpen_data()
    {
        QTest::addColumn<OpenRow>("row");
        const QString noTables = "no table Inventory";
        QTest::newRow("no server there") << OpenRow{"partwise", "stock", "/nonexistent-folder", "", "No such file"};
        QTest::newRow("no such database") << OpenRow{"partwise", "nosuchdb", "", "", "\"nosuchdb\" does not exist"};
        QTest::newRow("wrong password") << OpenRow{"locked", "postgres", "", "env:wrong", "password authentication failed for user \"locked\""};
        QTest::newRow("database without the tables") << OpenRow{"partwise", "<empty>", "", "", noTables};
        QTest::newRow("PGPASSWORD") << OpenRow{"locked", "postgres", "", "env:se@cret", noTables};
        QTest::newRow("password file") << OpenRow{"locked", "postgres", "", "file:se@cret", noTables};
        QTest::newRow("password in the address") << OpenRow{"locked", "postgres", "", "url:se@cret", noTables};
    }
    void cannotOpen()
    {
        QFETCH(OpenRow, row);
        if (const QString why = TestEnvironment::unavailable(TestEnvironment::Engine::Server); !why.isEmpty())
            QSKIP(qPrintable(why));
        PgServer &server = PgServer::shared();
        QVERIFY2(server.run({"DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'locked') THEN "
                             "CREATE ROLE locked LOGIN PASSWORD 'se@cret'; END IF; END$$"}, nullptr),
                 qPrintable(server.error()));
        QString address, error;
        const QString host = row.host.isEmpty() ? server.socketFolder() : row.host;
        const QString user = row.password.startsWith("url:") ? row.user + ':' + row.password.mid(4) : row.user;
        if (row.database == "<empty>") {
            QVERIFY2(!(address = server.createDatabase(false, PgServer::Letters::AsciiOnly, &error)).isEmpty(), qPrintable(error));
            row.database = address.section('/', 3).section('?', 0, 0);
        } else {
            address = QString("postgresql://%1@%2/%3").arg(user, QUrl::toPercentEncoding(host, ":"), row.database);
        }
        QTemporaryDir dir;
        QFile pgpass(dir.filePath("pgpass"));
        if (row.password.startsWith("env:"))
            qputenv("PGPASSWORD", row.password.mid(4).toUtf8());
        if (row.password.startsWith("file:")) {
            QVERIFY(pgpass.open(QIODevice::WriteOnly) && pgpass.write("*:*:*:locked:" + row.password.mid(5).toUtf8() + "\n"));
            pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            pgpass.close();
            qputenv("PGPASSFILE", QFile::encodeName(pgpass.fileName()));
        }
        TestEnvironment env(QString(), TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        env.app.database().close();
        env.app.setDatabaseAddress(address);
        QVERIFY(!Startup::run(env.app, 0));
        QCOMPARE(env.ui.shown.size(), 1);
        const QString text = env.ui.shown.first().text;
        QVERIFY2(text.contains(host) && text.contains("\"" + row.database + "\"") && text.contains(row.reason), qPrintable(text));
        QVERIFY(!text.contains("cret") && !text.contains("wrong"));
        if (row.database.startsWith("test_")) { // nothing was made in it
            Database check("check");
            QVERIFY(check.open(address) && check.tables().isEmpty());
        }
    }

    // The main window names the open server database beside its own panel.
    void statusBarNamesTheDatabase()
    {
        if (const QString why = TestEnvironment::unavailable(TestEnvironment::Engine::Server); !why.isEmpty())
            QSKIP(qPrintable(why));
        TestEnvironment env(QString(), TestEnvironment::Data::Empty, TestEnvironment::Engine::Server);
        env.app.database().close();
        MainWindow *main = Startup::run(env.app, 0);
        QVERIFY(main && main->databasePanel()->isVisible());
        const QLabel *db = main->databasePanel();
        QVERIFY2(db->text().startsWith("test_") && db->text().endsWith(" on localhost"), qPrintable(db->text()));
        QVERIFY2(db->toolTip().contains("PostgreSQL database \"test_"), qPrintable(db->toolTip()));
        main->close();
    }
};

QTEST_MAIN(TestServer)
#include "tst_server.moc"
