// Start-up: the main window on a good database, the messages on a bad one.
#include "app/mainwindow.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "testenvironment.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void opensTheMainWindow()
    {
        TestEnvironment env;
        env.app.database().close();
        MainWindow *w = Startup::run(env.app, 0);
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->windowTitle(), QStringLiteral("Partwise"));
        QVERIFY(env.app.database().isOpen());
        QVERIFY(env.ui.shown.isEmpty());
        QVERIFY(w->close());
    }

    void splashWaitsASecond()
    {
        TestEnvironment env;
        env.app.database().close();
        QElapsedTimer t;
        t.start();
        MainWindow *w = Startup::run(env.app);
        QVERIFY(t.elapsed() >= 1000);
        QVERIFY(w);
        w->close();
    }

    void splashShowsTheVersion()
    {
        SplashWindow s;
        QCOMPARE(s.versionLabel()->text(), QStringLiteral("Version 1.0.0"));
        QVERIFY(s.findChild<QLabel *>("lblProductName"));
        QCOMPARE(s.findChild<QLabel *>("lblProductName")->text(), QStringLiteral("Partwise"));
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
