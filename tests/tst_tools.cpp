// The command-line tools, run as programs.
#include <QtTest>

struct ToolRow { QStringList args; QString cwdTemplate; int exitCode; QString output; bool written; };
Q_DECLARE_METATYPE(ToolRow)

class TestTools : public QObject
{
    Q_OBJECT

    // Runs a program in a folder of its own, without a display.
    static QString run(QProcess &p, const QString &program, const QStringList &args, const QString &folder)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(name);
        p.setProcessEnvironment(environment), p.setWorkingDirectory(folder), p.start(program, args);
        return p.waitForFinished(60000) ? p.readAllStandardOutput() + p.readAllStandardError() : "did not finish";
    }

private slots:
    // The data generator writes a database only when its arguments are all
    // understood; anything else prints the usage and leaves the folder alone.
    void generatorArguments_data()
    {
        QTest::addColumn<ToolRow>("row"); // output: the usage is printed; written: out.mdb
        const QString usage = "usage: partwise-gendb FILE [PARTS] [BOM_ROWS]";
        QTest::newRow("--help") << ToolRow{{"--help"}, "", 0, usage, false};
        QTest::newRow("-h") << ToolRow{{"-h"}, "", 0, usage, false};
        QTest::newRow("help after the file") << ToolRow{{"out.mdb", "--help"}, "", 0, usage, false};
        QTest::newRow("unknown option") << ToolRow{{"--parts=10", "out.mdb"}, "", 2, usage, false};
        QTest::newRow("no arguments") << ToolRow{{}, "", 2, usage, false};
        QTest::newRow("count not a number") << ToolRow{{"out.mdb", "ten"}, "", 2, usage, false};
        QTest::newRow("negative count") << ToolRow{{"out.mdb", "10", "-5"}, "", 2, usage, false};
        QTest::newRow("too many") << ToolRow{{"out.mdb", "10", "5", "extra"}, "", 2, usage, false};
        QTest::newRow("file and counts") << ToolRow{{"out.mdb", "10", "5"}, "", 0, "", true};
    }
    void generatorArguments()
    {
        QFETCH(ToolRow, row);
        QTemporaryDir dir;
        QProcess tool;
        const QString said = run(tool, PARTWISE_GENDB, row.args, dir.path());
        QVERIFY2(tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == row.exitCode
                 && said.contains("usage: partwise-gendb") == !row.output.isEmpty() && said.contains(row.output), qPrintable(said));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                 row.written ? QStringList{"out.mdb"} : QStringList());
    }

    // The program's own command line, run without a display: help and
    // version answer and exit 0, a wrong option gives the usage and 2, and a
    // relative template is looked up in the current folder first, then beside
    // the program.
    void programArguments_data()
    {
        QTest::addColumn<ToolRow>("row"); // cwdTemplate written in the current folder: "", "broken", "sub"; written: out.pdf
        const QStringList pdf{"--pdf", "out.pdf"};
        QTest::newRow("--help") << ToolRow{{"--help"}, "", 0, "Usage: partwise [options]", false};
        QTest::newRow("--version") << ToolRow{{"--version"}, "", 0, "partwise 1.0.0\n", false};
        QTest::newRow("unknown option") << ToolRow{{"--frobnicate"}, "", 2, "partwise: Unknown option 'frobnicate'.\nUsage: partwise", false};
        QTest::newRow("template beside the program") << ToolRow{QStringList{"--report", "Bin.rpt"} + pdf, "", 0, "", true};
        QTest::newRow("current folder first") << ToolRow{QStringList{"--report", "Bin.rpt"} + pdf, "broken", 1, "report error", false};
        QTest::newRow("relative path") << ToolRow{QStringList{"--report", "sub/Bin.rpt"} + pdf, "sub", 0, "", true};
    }
    void programArguments()
    {
        QFETCH(ToolRow, row);
        QTemporaryDir dir;
        const QString programDir = QFileInfo(PARTWISE_PROGRAM).absolutePath();
        if (row.cwdTemplate == "broken")
            QVERIFY(QFile(dir.filePath("Bin.rpt")).open(QIODevice::WriteOnly));
        if (row.cwdTemplate == "sub")
            QVERIFY(QDir(dir.path()).mkdir("sub") && QFile::copy(programDir + "/Bin.rpt", dir.filePath("sub/Bin.rpt")));
        if (row.args.contains("--report"))
            row.args << "--database" << QFileInfo(programDir + "/Inventory.mdb").absoluteFilePath();
        QProcess program;
        const QString said = run(program, PARTWISE_PROGRAM, row.args, dir.path());
        QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == row.exitCode && said.contains(row.output)
                 && (QFileInfo(dir.filePath("out.pdf")).size() > 0) == row.written, qPrintable(said));
    }
};

QTEST_MAIN(TestTools)
#include "tst_tools.moc"
