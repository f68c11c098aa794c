// The command-line tools, run as programs.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

class TestTools : public QObject
{
    Q_OBJECT

private slots:
    // The data generator writes a database only when its arguments are all
    // understood; anything else prints the usage and leaves the folder alone.
    void generatorArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("usageShown");
        QTest::addColumn<QStringList>("written"); // files in the folder afterwards
        QTest::newRow("--help") << QStringList{"--help"} << 0 << true << QStringList();
        QTest::newRow("-h") << QStringList{"-h"} << 0 << true << QStringList();
        QTest::newRow("help after the file") << QStringList{"out.mdb", "--help"} << 0 << true << QStringList();
        QTest::newRow("unknown option") << QStringList{"--parts=10", "out.mdb"} << 2 << true << QStringList();
        QTest::newRow("no arguments") << QStringList() << 2 << true << QStringList();
        QTest::newRow("count not a number") << QStringList{"out.mdb", "ten"} << 2 << true << QStringList();
        QTest::newRow("negative count") << QStringList{"out.mdb", "10", "-5"} << 2 << true << QStringList();
        QTest::newRow("too many") << QStringList{"out.mdb", "10", "5", "extra"} << 2 << true << QStringList();
        QTest::newRow("file and counts") << QStringList{"out.mdb", "10", "5"} << 0 << false << QStringList{"out.mdb"};
    }
    void generatorArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(bool, usageShown);
        QFETCH(QStringList, written);
        QTemporaryDir dir;
        QProcess tool;
        tool.setWorkingDirectory(dir.path());
        tool.start(PARTWISE_GENDB, args);
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), exitCode);
        const QString output = tool.readAllStandardOutput() + tool.readAllStandardError();
        QCOMPARE(output.contains("usage: partwise-gendb FILE [PARTS] [BOM_ROWS]"), usageShown);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), written);
    }
};

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
