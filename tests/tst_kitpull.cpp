// Pulling kits: the stock each component is left with, the reorder flag, what
// the user is told, and that a pull is all or nothing, even when its process
// dies half-way.
#include "bom/kitcommands.h"
#include "bom/ops/kitpull.h"
#include "data/database.h"
#include "data/recordset.h"
#include "reports/reportpreviewwindow.h"
#include "testenvironment.h"
#include "harness.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QTest>

namespace {

const QString Cancel = QStringLiteral("<cancel>");

QString part(const QString &no, int stock, int bin = 0)
{
    return QStringLiteral("INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint, "
                          "MinReq, Bin) VALUES ('%1', 'part %1', %2, 1.5, 10, 5, %3);\n")
        .arg(no)
        .arg(stock)
        .arg(bin);
}

QString line(const QString &kit, const QString &no, const QString &qty)
{
    return QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES "
                          "('%1', 'kit %1', '%2', %3);\n")
        .arg(kit, no, qty);
}

// Every part as "PartNo=stock/bin", read through a connection of its own.
QString stockState(const QString &path)
{
    static int n = 0;
    Database db(QStringLiteral("check%1").arg(++n));
    if (!db.open(path))
        return QStringLiteral("cannot open: ") + db.errorString();
    Recordset rs;
    if (!rs.open(db, QStringLiteral("SELECT PartNo, CurrentInv, Bin FROM Inventory ORDER BY PartNo")))
        return rs.errorString();
    QStringList out;
    for (; !rs.isEof(); rs.moveNext()) {
        const QVariant stock = rs.value(1);
        out << QStringLiteral("%1=%2/%3")
                   .arg(rs.value(0).toString(), stock.isNull() ? QStringLiteral("null") : stock.toString(),
                        rs.value(2).toString());
    }
    rs.close();
    db.close();
    return out.join(QLatin1Char(' '));
}

// Kit "KIT" of `count` parts P00, P01, ..., each used `qty` times; part i
// has 100 + i on hand, or `stock` when given.
QString kit(int count, int qty, int stock = -1)
{
    QString rows;
    for (int i = 0; i < count; ++i) {
        const QString no = QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0'));
        rows += part(no, stock < 0 ? 100 + i : stock) + line("KIT", no, QString::number(qty));
    }
    return rows;
}

} // namespace

class TestKitPull : public QObject
{
    Q_OBJECT

private slots:
    // Through the command as the user runs it: two prompts, then the stock.
    void command_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("message"); // empty: none shown
        QTest::addColumn<QString>("after");
        auto row = [](const char *name, const QString &rows, const QStringList &inputs, const QString &message,
                      const QString &after) { QTest::newRow(name) << rows << inputs << message << after; };
        const QString two = part("A", 5) + part("B", 20) + line("K1", "A", "3") + line("K1", "B", "1");
        const QString twoBefore = "A=5/0 B=20/0";
        const QString invalid = "Number of Kits was invalid";
        row("empty kit number", two, {""}, "", twoBefore);
        row("cancel kit number", two, {Cancel}, "", twoBefore);
        row("cancel number of kits", two, {"K1", Cancel}, invalid, twoBefore);
        row("number of kits not a number", two, {"K1", "abc"}, invalid, twoBefore);
        row("number of kits too large", two, {"K1", "40000"}, "Error No 6\r\nOverflow has occured.", twoBefore);
        row("kit without BOM rows", two, {"K9", "1"}, "K9 was not found", twoBefore);
        row("two kits, stock below zero", two, {"K1", "2"}, "", "A=-1/1 B=18/0");
        row("kit number in other letter case", two, {"k1", "1"}, "", "A=2/0 B=19/0");
        row("halves of kits to even", two, {"K1", "2.5"}, "", "A=-1/1 B=18/0");
        row("thousands separator", part("A", 5000) + line("K1", "A", "1"), {"K1", "1,000"}, "", "A=4000/0");
        row("negative kits raise the stock", part("A", -3, 1) + line("K1", "A", "2"), {"K1", "-2"}, "", "A=1/1");
        row("down to exactly 1 leaves the flag", part("A", 3) + line("K1", "A", "2"), {"K1", "1"}, "", "A=1/0");
        row("no kits: unchanged, flag for stock already out",
            part("A", 0) + part("B", 4) + line("K1", "A", "1") + line("K1", "B", "1"), {"K1", "0"}, "", "A=0/1 B=4/0");
        row("component listed twice is lowered twice", part("A", 10) + line("K1", "A", "3") + line("K1", "A", "2"),
            {"K1", "1"}, "", "A=5/0");
        // Fractions per kit: each line's stored result is rounded on its own,
        // halves to the even neighbour; the flag comes from the stored stock.
        row("half to even, down", part("A", 3) + line("K1", "A", "0.5"), {"K1", "1"}, "", "A=2/0");
        row("each line rounded on its own", part("A", 4) + line("K1", "A", "0.5") + line("K1", "A", "0.5"),
            {"K1", "1"}, "", "A=4/0");
        row("flag from the stored stock: 0.5 is stored as 0", part("A", 1) + line("K1", "A", "0.5"), {"K1", "1"}, "",
            "A=0/1");
        row("ten kits of 0.15", part("A", 7) + line("K1", "A", "0.15"), {"K1", "10"}, "", "A=6/0");
        row("quotes in kit and component numbers", part("A''B", 5) + line("5'' CABLE", "A''B", "1"),
            {"5' CABLE", "2"}, "", "A'B=3/0");

        // All or nothing: a failing component leaves every stock as it was.
        const QString three = part("A", 10) + part("B", 10) + line("K1", "A", "1") + line("K1", "B", "1");
        const QString unchanged = "\r\nNo stock was changed.";
        row("third component missing", three + line("K1", "GONE", "1"), {"K1", "1"},
            "Component GONE of kit K1 was not found in the inventory." + unchanged, "A=10/0 B=10/0");
        row("no quantity used", three + line("K1", "B", "NULL"), {"K1", "1"},
            "Component B of kit K1 has no quantity used." + unchanged, "A=10/0 B=10/0");
        row("no stock on hand",
            three + part("C", 0) + "UPDATE Inventory SET CurrentInv = NULL WHERE PartNo = 'C';\n" + line("K1", "C", "1"),
            {"K1", "1"}, "Component C of kit K1 has no stock on hand recorded." + unchanged, "A=10/0 B=10/0 C=null/0");
        row("stock beyond 16 bits", part("A", 40000) + part("C", 32767) + line("K1", "A", "1") + line("K1", "C", "-1"),
            {"K1", "1"}, "", "A=39999/0 C=32768/0");
        row("database refuses a write",
            three + line("K1", "C", "1") + part("C", 10)
                + "--after--\nCREATE TRIGGER lockC BEFORE UPDATE ON Inventory WHEN NEW.PartNo = 'C' "
                  "BEGIN SELECT RAISE(ABORT, 'part C is locked'); END;\n",
            {"K1", "1"}, "*part C is locked*", "A=10/0 B=10/0 C=10/0");
    }

    void command()
    {
        QFETCH(QString, rows);
        QFETCH(QStringList, inputs);
        QFETCH(QString, message);
        QFETCH(QString, after);
        // A statement after "--after--" runs once the database is made (a
        // trigger's own semicolons would split it).
        if (rows.contains("--after--") && TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("a trigger of the file database");
        TestEnvironment env(rows.section("--after--", 0, 0));
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        env.app.settings()->setValue("Settings/KitPullPreview", false); // the pull with no list
        if (rows.contains("--after--"))
            QVERIFY(env.exec(rows.section("--after--\n", 1)));
        for (const QString &input : inputs)
            env.ui.inputs.enqueue(input == Cancel ? std::nullopt : std::optional<QString>(input));

        KitCommands::updateInvPulled(env.app, nullptr);

        const bool noKit = inputs.value(0).isEmpty() || inputs.value(0) == Cancel;
        const QStringList prompts = {"Enter the Kit Part Number", "Enter Qty of Kits Pulled"};
        QCOMPARE(env.ui.prompts, prompts.mid(0, noKit ? 1 : 2));
        if (message.isEmpty()) {
            QCOMPARE(env.ui.texts(), QStringList());
        } else {
            QCOMPARE(env.ui.shown.size(), 1);
            const QString shown = env.ui.lastText();
            if (message.startsWith('*'))
                QVERIFY2(shown.contains(message.mid(1, message.size() - 2)) && shown.contains("Component C of kit K1"),
                         qPrintable(shown));
            else
                QCOMPARE(shown, message);
            QCOMPARE(env.ui.shown.last().title, QStringLiteral("Partwise"));
        }
        QCOMPARE(stockState(env.app.databaseAddress()), after);
    }

    // Kits > Update Inv Pulled on the main window: enabled, asks, pulls, and
    // gives the pointer back.
    void fromTheMenu()
    {
        Harness h(part("A", 5) + line("K1", "A", "2"));
        QVERIFY(h.ready());
        h.env.app.settings()->setValue("Settings/KitPullPreview", false);
        QAction *item = h.main.action(CommandId::KitUpdateInv);
        QVERIFY(item && item->isEnabled());
        h.ui.inputs << QStringLiteral("K1") << QStringLiteral("2");
        item->trigger();
        QCOMPARE(h.ui.prompts.size(), 2);
        QCOMPARE(h.ui.texts(), QStringList());
        QCOMPARE(stockState(h.env.app.databaseAddress()), QStringLiteral("A=1/0"));
        QCOMPARE(h.main.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(h.main.mdiArea()->subWindowList().size(), 0);
    }

    // The kit reports name a kit with no bill of materials as such; a kit
    // that has one and lacks nothing is told apart.
    void kitReports_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("kit");
        QTest::addColumn<QString>("text");
        const QString noBom = "Kit NOPE'X has no bill of materials.";
        QTest::newRow("shortage, no BOM") << int(CommandId::KitShort) << "NOPE'X" << noBom;
        QTest::newRow("pull list, no BOM") << int(CommandId::KitPullList) << "NOPE'X" << noBom;
        QTest::newRow("shortage, nothing short") << int(CommandId::KitShort) << "k1" << "Nothing is short for 2 kits of k1.";
    }
    void kitReports()
    {
        QFETCH(int, command);
        QFETCH(QString, kit);
        QFETCH(QString, text);
        Harness h(part("A", 5) + line("K1", "A", "2"));
        QVERIFY(h.ready());
        for (const QString name : {"KitShortage.rpt", "KitPullList.rpt"})
            QVERIFY(QFile::copy(QStringLiteral(PARTWISE_SOURCE_DIR "/reports/") + name,
                                QDir(h.env.folder()).filePath(name)));
        h.ui.inputs << kit << QStringLiteral("2");
        h.main.action(CommandId(command))->trigger();
        QVERIFY2(h.ui.texts().isEmpty(), qPrintable(h.ui.texts().join('\n')));
        auto *preview = qobject_cast<ReportPreviewWindow *>(h.main.activeChild());
        QVERIFY(preview);
        QVERIFY2(preview->document().text().contains(text), qPrintable(preview->document().text()));
    }

    // The operation's own outcome: what it reports back to its caller.
    void outcome()
    {
        TestEnvironment env(part("A", 3) + part("B", 50) + line("K1", "A", "2") + line("K1", "B", "1")
                            + line("K1", "B", "1"));
        QVERIFY(env.isValid());
        const KitPull::Outcome done = KitPull::pull(env.app.database(), "K1", 2);
        QVERIFY(done.ok());
        QCOMPARE(done.lines, 3);
        QCOMPARE(done.flagged, 1);
        QCOMPARE(KitPull::messageFor("K1", done), QString());
        // Nothing is left open: another writer gets in at once.
        QVERIFY(env.exec("UPDATE Inventory SET MinReq = 1"));
        QCOMPARE(stockState(env.app.databaseAddress()), QStringLiteral("A=-1/1 B=46/0"));
    }

    // The process ends half-way through a pull, or is killed from outside at
    // moments nobody chose: the database is exactly as before the pull or
    // exactly as after it, never in between.
    void killedHalfWay_data()
    {
        QTest::addColumn<int>("dieAfter");
        QTest::newRow("half-way") << 20;
        QTest::newRow("after the last line, before the commit") << 40;
        QTest::newRow("not killed") << -1;
    }

    void killedHalfWay()
    {
        QFETCH(int, dieAfter);
        TestEnvironment env(kit(40, 3));
        QVERIFY(env.isValid());
        const QString before = stockState(env.app.databaseAddress());
        QStringList pulledState;
        for (int i = 0; i < 40; ++i)
            pulledState << QStringLiteral("P%1=%2/0").arg(i, 2, 10, QLatin1Char('0')).arg(100 + i - 6);
        env.app.database().close(); // the child is the only one in the file

        QProcess child;
        child.start(helper(), {env.app.databaseAddress(), "KIT", "2", QString::number(dieAfter)});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), dieAfter < 0 ? QProcess::NormalExit : QProcess::CrashExit);
        if (dieAfter < 0)
            QCOMPARE(child.exitCode(), 0);
        QCOMPARE(stockState(env.app.databaseAddress()), dieAfter < 0 ? pulledState.join(' ') : before);
    }

    void killedAtRandom()
    {
        TestEnvironment env(kit(30, 1, 50));
        QVERIFY(env.isValid());
        env.app.database().close();
        QRandomGenerator rng(7);
        // Every part starts alike and is pulled alike: one "stock/flag" value
        // for all of them, lowered by one with each pull that went through.
        auto stocks = [](const QString &state) {
            QSet<QString> values;
            for (const QString &p : state.split(' '))
                values << p.section('=', 1);
            return values;
        };
        // How long a whole pull takes here, to kill at any moment of one.
        QElapsedTimer timer;
        {
            QProcess child;
            child.start(helper(), {env.app.databaseAddress(), "KIT", "-1", "-1", "2"});
            QVERIFY(child.waitForReadyRead(10000));
            timer.start();
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitCode(), 0);
        }
        const int span = int(timer.elapsed()) + 1;
        for (int round = 0; round < 8; ++round) {
            const QString before = stockState(env.app.databaseAddress());
            QCOMPARE(stocks(before).size(), 1);
            const int stock = stocks(before).values().first().section('/', 0, 0).toInt();
            QProcess child;
            child.start(helper(), {env.app.databaseAddress(), "KIT", "1", "-1", "2"});
            QVERIFY(child.waitForReadyRead(10000)); // "ready": the database is open
            QTest::qWait(int(rng.bounded(span)));
            child.kill();
            // A child that was done already has nothing to wait for.
            QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished(10000));
            const QString now = stockState(env.app.databaseAddress());
            if (now != before && stocks(now) != QSet<QString>{QStringLiteral("%1/0").arg(stock - 1)})
                QFAIL(qPrintable(QStringLiteral("between states:\n%1\n%2").arg(before, now)));
        }
    }

private:
    static QString helper()
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/kitpull_child");
    }
};

QTEST_MAIN(TestKitPull)
#include "tst_kitpull.moc"
