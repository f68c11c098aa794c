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

class TestServer : public QObject
{
    Q_OBJECT

    QString serverSkip() { return TestEnvironment::unavailable(TestEnvironment::Engine::Server); }
    // The shared server, with a role that logs in with the password "secret".
    static bool lockedRole(PgServer &server)
    {
        return server.run({"DO $$BEGIN IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'locked') THEN "
                           "CREATE ROLE locked LOGIN PASSWORD 'secret'; END IF; END$$"}, nullptr);
    }

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
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("expected"); // "<folder>/" stands for the program folder
        const QString server = "postgresql://stock@db1:5433/inventory";
        QTest::newRow("nothing set") << "" << "" << "<folder>/Inventory.mdb";
        QTest::newRow("setting") << "" << server << server;
        QTest::newRow("option over setting") << "postgresql://desk@db2/inv" << server << "postgresql://desk@db2/inv";
        QTest::newRow("relative file") << "" << "data/Stock.mdb" << "<folder>/data/Stock.mdb";
        QTest::newRow("absolute file") << "/srv/Inventory.mdb" << "" << "/srv/Inventory.mdb";
    }
    void whereTheAddressComesFrom()
    {
        QFETCH(QString, option);
        QFETCH(QString, setting);
        QFETCH(QString, expected);
        TestEnvironment env(QString(), TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        if (!setting.isEmpty())
            env.app.settings()->setValue("Settings/Database", setting);
        QCommandLineParser parser;
        parser.addOption(Startup::databaseOption());
        QStringList args{"partwise"};
        if (!option.isEmpty())
            args << "--database" << option;
        QVERIFY(parser.parse(args));
        Startup::useDatabaseOption(parser, env.app);
        QCOMPARE(env.app.databaseAddress(), expected.replace("<folder>", env.folder()));
    }

    void addresses_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("full") << "postgresql://stock@db1.local:5433/inventory" << "stock" << "db1.local" << 5433
                              << "inventory" << "";
        QTest::newRow("short scheme, no port") << "postgres://stock@db1/inv" << "stock" << "db1" << -1 << "inv" << "";
        QTest::newRow("socket folder") << "postgresql://stock@%2Frun%2Fpostgresql/inv" << "stock"
                                       << "/run/postgresql" << -1 << "inv" << "";
        QTest::newRow("host setting") << "postgresql:///inv?host=/tmp/s&user=a%40b" << "a@b" << "/tmp/s" << -1
                                      << "inv" << "";
        QTest::newRow("IPv6") << "postgresql://u@[::1]:6000/d" << "u" << "::1" << 6000 << "d" << "";
        QTest::newRow("bad port") << "postgresql://u@h:99999/d" << "" << "" << 0 << "" << "port";
        QTest::newRow("setting with a blank") << "postgresql://u@h/d?sslmode=re%20quire" << "" << "" << 0 << ""
                                              << "blanks";
        QTest::newRow("not an address") << "postgresql:/h/d" << "" << "" << 0 << "" << "not a PostgreSQL address";
    }
    void addresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, refusal);
        PgEngine::Address a;
        QString why;
        QCOMPARE(PgEngine::parse(address, &a, &why), refusal.isEmpty());
        if (!refusal.isEmpty()) {
            QVERIFY2(why.contains(refusal), qPrintable(why));
            return;
        }
        QTEST(a.user, "user");
        QTEST(a.host, "host");
        QTEST(a.port, "port");
        QTEST(a.database, "database");
    }

    // A server that cannot be reached or refuses: the message names the host,
    // the database and the server's reason; nothing is created.
    void cannotOpen_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("host"); // empty: the private server's socket
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no server there") << "partwise" << "stock" << "/nonexistent-folder" << "" << "No such file";
        QTest::newRow("no such database") << "partwise" << "nosuchdb" << "" << "" << "\"nosuchdb\" does not exist";
        QTest::newRow("no password") << "locked" << "postgres" << "" << "" << "no password supplied";
        QTest::newRow("wrong password") << "locked" << "postgres" << "" << "wrong"
                                        << "password authentication failed for user \"locked\"";
        QTest::newRow("database without the tables") << "partwise" << "<empty>" << "" << "" << "no table Inventory";
    }
    void cannotOpen()
    {
        QFETCH(QString, user);
        QFETCH(QString, database);
        QFETCH(QString, host);
        QFETCH(QString, password);
        QFETCH(QString, reason);
        if (!serverSkip().isEmpty())
            QSKIP(qPrintable(serverSkip()));
        PgServer &server = PgServer::shared();
        QVERIFY2(lockedRole(server), qPrintable(server.error()));
        QString address;
        if (database == "<empty>") {
            QString error;
            address = server.createDatabase(false, PgServer::Letters::AsciiOnly, &error);
            QVERIFY2(!address.isEmpty(), qPrintable(error));
            database = address.section('/', 3).section('?', 0, 0);
        } else if (host.isEmpty()) {
            address = server.address(database, user);
        } else {
            address = QString("postgresql://%1@%2/%3").arg(user, QUrl::toPercentEncoding(host, ":"), database);
        }
        if (!password.isEmpty())
            qputenv("PGPASSWORD", password.toUtf8());
        TestEnvironment env(QString(), TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        env.app.database().close();
        env.app.setDatabaseAddress(address);
        QVERIFY(!Startup::run(env.app, 0));
        QCOMPARE(env.ui.shown.size(), 1);
        const QString text = env.ui.shown.first().text;
        const QString shownHost = host.isEmpty() ? server.socketFolder() : host.section(':', 0, 0);
        QVERIFY2(text.contains(shownHost) && text.contains("\"" + database + "\"") && text.contains(reason),
                 qPrintable(text));
        QVERIFY(!text.contains("secret") && !text.contains("wrong"));
        if (database.startsWith("test_")) { // nothing was made in it
            Database check("check");
            QVERIFY(check.open(address));
            QVERIFY(check.tables().isEmpty());
        }
    }

    // The password comes from PGPASSWORD or a password file, as for the
    // server's own tools.
    void passwords_data()
    {
        QTest::addColumn<bool>("passwordFile");
        QTest::newRow("PGPASSWORD") << false;
        QTest::newRow("password file") << true;
    }
    void passwords()
    {
        QFETCH(bool, passwordFile);
        if (!serverSkip().isEmpty())
            QSKIP(qPrintable(serverSkip()));
        PgServer &server = PgServer::shared();
        QVERIFY(lockedRole(server));
        QTemporaryDir dir;
        if (passwordFile) {
            QFile f(dir.filePath("pgpass"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("*:*:*:locked:secret\n");
            f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
            f.close();
            qputenv("PGPASSFILE", QFile::encodeName(f.fileName()));
        } else {
            qputenv("PGPASSWORD", "secret");
        }
        Database db("password");
        QVERIFY2(db.open(server.address("postgres", "locked")), qPrintable(db.errorString()));
    }

    // The main window names the open database beside its own panel.
    void statusBarNamesTheDatabase_data()
    {
        QTest::addColumn<int>("engine");
        QTest::newRow("file") << int(TestEnvironment::Engine::File);
        QTest::newRow("server") << int(TestEnvironment::Engine::Server);
    }
    void statusBarNamesTheDatabase()
    {
        QFETCH(int, engine);
        const QString why = TestEnvironment::unavailable(TestEnvironment::Engine(engine));
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        TestEnvironment env(QString(), TestEnvironment::Data::Empty, TestEnvironment::Engine(engine));
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        env.app.database().close();
        MainWindow *main = Startup::run(env.app, 0);
        QVERIFY(main);
        const QLabel *db = main->databasePanel();
        QVERIFY(db->isVisible());
        if (engine == int(TestEnvironment::Engine::File)) {
            QCOMPARE(db->text(), QStringLiteral("Inventory.mdb"));
            QVERIFY(db->toolTip().contains(env.folder()));
        } else {
            QVERIFY2(db->text().startsWith("test_") && db->text().endsWith(" on localhost"), qPrintable(db->text()));
            QVERIFY2(db->toolTip().startsWith("PostgreSQL database \"test_"), qPrintable(db->toolTip()));
        }
        main->close();
    }
};

QTEST_MAIN(TestServer)
#include "tst_server.moc"
