// The command-line tools, run as programs.
#include <QDir>
#include <QFile>
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

    // The program's own command line, run without a display: help and
    // version answer and exit 0, a wrong option gives the usage and 2, and a
    // relative template is looked up in the current folder first, then beside
    // the program.
    void programArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("cwdTemplate"); // written in the current folder: "", "broken", "sub"
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output"); // a text stdout or stderr holds
        QTest::addColumn<bool>("pdf");
        auto row = [](const char *name, const QStringList &args, const char *cwd, int code, const char *output,
                      bool pdf) { QTest::newRow(name) << args << QString(cwd) << code << QString(output) << pdf; };
        row("--help", {"--help"}, "", 0, "Usage: partwise [options]", false);
        row("--version", {"--version"}, "", 0, "partwise 1.0.0\n", false);
        row("unknown option", {"--frobnicate"}, "", 2, "partwise: Unknown option 'frobnicate'.\nUsage: partwise", false);
        row("--pdf without --report", {"--pdf", "out.pdf"}, "", 2, "--pdf and --param go with --report.", false);
        row("template beside the program", {"--report", "Bin.rpt", "--pdf", "out.pdf"}, "", 0, "", true);
        row("current folder first", {"--report", "Bin.rpt", "--pdf", "out.pdf"}, "broken", 1, "report error", false);
        row("relative path", {"--report", "sub/Bin.rpt", "--pdf", "out.pdf"}, "sub", 0, "", true);
        row("no such template", {"--report", "sub/Nope.rpt", "--pdf", "out.pdf"}, "", 1, "report error 20501", false);
    }
    void programArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, cwdTemplate);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(bool, pdf);
        QTemporaryDir dir;
        const QString programDir = QFileInfo(PARTWISE_PROGRAM).absolutePath();
        if (cwdTemplate == "broken")
            QVERIFY(QFile(dir.filePath("Bin.rpt")).open(QIODevice::WriteOnly));
        if (cwdTemplate == "sub")
            QVERIFY(QDir(dir.path()).mkdir("sub") && QFile::copy(programDir + "/Bin.rpt", dir.filePath("sub/Bin.rpt")));
        if (args.contains("--report"))
            args << "--database" << QFileInfo(programDir + "/Inventory.mdb").absoluteFilePath();
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        program.setProcessEnvironment(environment);
        program.setWorkingDirectory(dir.path());
        program.start(PARTWISE_PROGRAM, args);
        QVERIFY(program.waitForFinished(60000));
        const QString said = program.readAllStandardOutput() + program.readAllStandardError();
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QVERIFY2(program.exitCode() == exitCode && said.contains(output), qPrintable(said));
        QCOMPARE(QFileInfo(dir.filePath("out.pdf")).size() > 0, pdf);
    }
};

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
