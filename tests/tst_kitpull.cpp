// Pulling kits: the stock each component is left with, the reorder flag, what
// the user is told, and that a pull is all or nothing, even when its process
// dies half-way.
#include "bom/kitpull.h"
#include "data/database.h"
#include "data/recordset.h"
#include "testenvironment.h"
#include "windowharness.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
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

        const QString two = part("A", 5) + part("B", 20) + line("K1", "A", "3") + line("K1", "B", "1");
        const QString twoBefore = "A=5/0 B=20/0";
        QTest::newRow("empty kit number") << two << QStringList{""} << "" << twoBefore;
        QTest::newRow("cancel kit number") << two << QStringList{Cancel} << "" << twoBefore;
        QTest::newRow("cancel number of kits") << two << QStringList{"K1", Cancel}
                                               << "Number of Kits was invalid" << twoBefore;
        QTest::newRow("number of kits not a number") << two << QStringList{"K1", "abc"}
                                                     << "Number of Kits was invalid" << twoBefore;
        QTest::newRow("number of kits too large") << two << QStringList{"K1", "40000"}
                                                  << "Error No 6\r\nOverflow has occured." << twoBefore;
        QTest::newRow("kit without BOM rows") << two << QStringList{"K9", "1"} << "K9 was not found" << twoBefore;
        QTest::newRow("two kits, stock below zero") << two << QStringList{"K1", "2"} << "" << "A=-1/1 B=18/0";
        QTest::newRow("kit number in other letter case") << two << QStringList{"k1", "1"} << "" << "A=2/0 B=19/0";
        QTest::newRow("halves of kits to even: 2.5") << two << QStringList{"K1", "2.5"} << "" << "A=-1/1 B=18/0";
        QTest::newRow("halves of kits to even: 3.5") << two << QStringList{"K1", "3.5"} << "" << "A=-7/1 B=16/0";
        QTest::newRow("thousands separator") << part("A", 5000) + line("K1", "A", "1")
                                             << QStringList{"K1", "1,000"} << "" << "A=4000/0";
        QTest::newRow("negative kits raise the stock") << part("A", -3, 1) + line("K1", "A", "2")
                                                       << QStringList{"K1", "-2"} << "" << "A=1/1";
        QTest::newRow("down to exactly 1 leaves the flag") << part("A", 3) + line("K1", "A", "2")
                                                           << QStringList{"K1", "1"} << "" << "A=1/0";
        QTest::newRow("down to 0 sets the flag") << part("A", 2) + line("K1", "A", "2")
                                                 << QStringList{"K1", "1"} << "" << "A=0/1";
        QTest::newRow("no kits: unchanged, flag for stock already out")
            << part("A", 0) + part("B", 4) + line("K1", "A", "1") + line("K1", "B", "1")
            << QStringList{"K1", "0"} << "" << "A=0/1 B=4/0";
        QTest::newRow("component listed twice is lowered twice")
            << part("A", 10) + line("K1", "A", "3") + line("K1", "A", "2") << QStringList{"K1", "1"} << ""
            << "A=5/0";
        // Fractions per kit: each line's stored result is rounded on its own,
        // halves to the even neighbour.
        QTest::newRow("quarter per kit rounds back up") << part("A", 10) + line("K1", "A", "0.25")
                                                        << QStringList{"K1", "1"} << "" << "A=10/0";
        QTest::newRow("half to even, down") << part("A", 3) + line("K1", "A", "0.5")
                                            << QStringList{"K1", "1"} << "" << "A=2/0";
        QTest::newRow("half to even, up") << part("A", 4) + line("K1", "A", "0.5")
                                          << QStringList{"K1", "1"} << "" << "A=4/0";
        QTest::newRow("each line rounded on its own")
            << part("A", 4) + line("K1", "A", "0.5") + line("K1", "A", "0.5") << QStringList{"K1", "1"} << ""
            << "A=4/0";
        QTest::newRow("flag from the stored stock: 0.5 is stored as 0")
            << part("A", 1) + line("K1", "A", "0.5") << QStringList{"K1", "1"} << "" << "A=0/1";
        QTest::newRow("flag from the stored stock: 0.6 is stored as 1")
            << part("A", 1) + line("K1", "A", "0.4") << QStringList{"K1", "1"} << "" << "A=1/0";
        QTest::newRow("ten kits of 0.15") << part("A", 7) + line("K1", "A", "0.15")
                                          << QStringList{"K1", "10"} << "" << "A=6/0";
        QTest::newRow("quote in the kit number")
            << part("A", 5) + line("5'' CABLE", "A", "1") << QStringList{"5' CABLE", "1"} << "" << "A=4/0";
        QTest::newRow("quote in a component number")
            << part("A''B", 5) + line("K1", "A''B", "1") << QStringList{"K1", "2"} << "" << "A'B=3/0";

        // All or nothing: a failing component leaves every stock as it was.
        const QString three = part("A", 10) + part("B", 10) + line("K1", "A", "1") + line("K1", "B", "1");
        QTest::newRow("third component missing")
            << three + line("K1", "GONE", "1") << QStringList{"K1", "1"}
            << "Component GONE of kit K1 was not found in the inventory.\r\nNo stock was changed."
            << "A=10/0 B=10/0";
        QTest::newRow("no quantity used")
            << three + line("K1", "B", "NULL") << QStringList{"K1", "1"}
            << "Component B of kit K1 has no quantity used.\r\nNo stock was changed." << "A=10/0 B=10/0";
        QTest::newRow("no stock on hand")
            << three + part("C", 0) + "UPDATE Inventory SET CurrentInv = NULL WHERE PartNo = 'C';\n"
                   + line("K1", "C", "1")
            << QStringList{"K1", "1"}
            << "Component C of kit K1 has no stock on hand recorded.\r\nNo stock was changed."
            << "A=10/0 B=10/0 C=null/0";
        QTest::newRow("stock out of range")
            << three + part("C", 32767) + line("K1", "C", "1") << QStringList{"K1", "-1"}
            << "Component C of kit K1 could not be pulled:\r\nError No 6\r\nOverflow has occured.\r\nNo stock "
               "was changed."
            << "A=10/0 B=10/0 C=32767/0";
        QTest::newRow("database refuses a write")
            << three + line("K1", "C", "1") + part("C", 10)
                   + "--after--\nCREATE TRIGGER lockC BEFORE UPDATE ON Inventory WHEN NEW.PartNo = 'C' "
                     "BEGIN SELECT RAISE(ABORT, 'part C is locked'); END;\n"
            << QStringList{"K1", "1"} << "*part C is locked*" << "A=10/0 B=10/0 C=10/0";
    }

    void command()
    {
        QFETCH(QString, rows);
        QFETCH(QStringList, inputs);
        QFETCH(QString, message);
        QFETCH(QString, after);
        // A statement after "--after--" runs once the database is made (a
        // trigger's own semicolons would split it).
        TestEnvironment env(rows.section("--after--", 0, 0));
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        if (rows.contains("--after--"))
            QVERIFY(env.exec(rows.section("--after--\n", 1)));
        for (const QString &input : inputs)
            env.ui.inputs.enqueue(input == Cancel ? std::nullopt : std::optional<QString>(input));

        KitPull::updateInvPulled(env.app, nullptr);

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
        QCOMPARE(stockState(env.app.databasePath()), after);
    }

    // Kits > Update Inv Pulled on the main window: enabled, asks, pulls, and
    // gives the pointer back.
    void fromTheMenu()
    {
        Harness h(part("A", 5) + line("K1", "A", "2"));
        QVERIFY(h.ready());
        QAction *item = h.main.action(CommandId::KitUpdateInv);
        QVERIFY(item && item->isEnabled());
        h.ui.inputs << QStringLiteral("K1") << QStringLiteral("2");
        item->trigger();
        QCOMPARE(h.ui.prompts.size(), 2);
        QCOMPARE(h.ui.texts(), QStringList());
        QCOMPARE(stockState(h.env.app.databasePath()), QStringLiteral("A=1/0"));
        QCOMPARE(h.main.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(h.main.mdiArea()->subWindowList().size(), 0);
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
        QCOMPARE(stockState(env.app.databasePath()), QStringLiteral("A=-1/1 B=46/0"));
    }

    // The process ends half-way through a pull: the database is exactly as
    // before it or exactly as after it, never in between.
    void killedHalfWay_data()
    {
        QTest::addColumn<int>("dieAfter");
        QTest::addColumn<bool>("pulled");
        QTest::newRow("after the first line") << 1 << false;
        QTest::newRow("half-way") << 20 << false;
        QTest::newRow("after the last line, before the commit") << 40 << false;
        QTest::newRow("not killed") << -1 << true;
    }

    void killedHalfWay()
    {
        QFETCH(int, dieAfter);
        QFETCH(bool, pulled);
        QString rows;
        for (int i = 0; i < 40; ++i) {
            rows += part(QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')), 100 + i);
            rows += line("KIT", QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')), "3");
        }
        TestEnvironment env(rows);
        QVERIFY(env.isValid());
        const QString before = stockState(env.app.databasePath());
        QStringList pulledState;
        for (int i = 0; i < 40; ++i)
            pulledState << QStringLiteral("P%1=%2/0").arg(i, 2, 10, QLatin1Char('0')).arg(100 + i - 6);
        const QString after = pulledState.join(' ');
        env.app.database().close(); // the child is the only one in the file

        QProcess child;
        child.start(helper(), {env.app.databasePath(), "KIT", "2", QString::number(dieAfter)});
        QVERIFY(child.waitForFinished(30000));
        if (dieAfter < 0) {
            QCOMPARE(child.exitStatus(), QProcess::NormalExit);
            QCOMPARE(child.exitCode(), 0);
        } else {
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);
        }
        QCOMPARE(stockState(env.app.databasePath()), pulled ? after : before);
    }

    // Killed from outside at moments nobody chose.
    void killedAtRandom()
    {
        QString rows;
        for (int i = 0; i < 30; ++i) {
            rows += part(QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')), 50);
            rows += line("KIT", QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')), "1");
        }
        TestEnvironment env(rows);
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
            child.start(helper(), {env.app.databasePath(), "KIT", "-1", "-1", "2"});
            QVERIFY(child.waitForReadyRead(10000));
            timer.start();
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitCode(), 0);
        }
        const int span = int(timer.elapsed()) + 1;
        int untouched = 0, pulled = 0;
        for (int round = 0; round < 16; ++round) {
            const QString before = stockState(env.app.databasePath());
            QCOMPARE(stocks(before).size(), 1);
            const int stock = stocks(before).values().first().section('/', 0, 0).toInt();
            QProcess child;
            child.start(helper(), {env.app.databasePath(), "KIT", "1", "-1", "2"});
            QVERIFY(child.waitForReadyRead(10000)); // "ready": the database is open
            QTest::qWait(int(rng.bounded(span)));
            child.kill();
            // A child that was done already has nothing to wait for.
            QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished(10000));
            const QString now = stockState(env.app.databasePath());
            if (now == before)
                ++untouched;
            else if (stocks(now) == QSet<QString>{QStringLiteral("%1/0").arg(stock - 1)})
                ++pulled;
            else
                QFAIL(qPrintable(QStringLiteral("between states:\n%1\n%2").arg(before, now)));
        }
        qDebug("killed before the commit %d times, after it %d times", untouched, pulled);
    }

private:
    static QString helper()
    {
        return QCoreApplication::applicationDirPath() + QStringLiteral("/kitpull_child");
    }
};

QTEST_MAIN(TestKitPull)
#include "tst_kitpull.moc"
