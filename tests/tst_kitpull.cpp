// Pulling kits: the stock each component is left with, the reorder flag, what
// the user is told, and that a pull is all or nothing, even when its process
// dies half-way or its commit is refused.
#include "bom/kitcommands.h"
#include "bom/ops/kitplan.h"
#include "bom/ops/kitpull.h"
#include "reports/reportpreviewwindow.h"
#include "bomfixture.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QSettings>
#include <QSqlQuery>
#include <QTest>

using namespace BomFixture;

namespace {

const QString Cancel = QStringLiteral("<cancel>");

// Kit "KIT" of `count` parts P00, P01, ..., each used once, each with `stock`.
QString kit(int count, int stock)
{
    QString rows;
    for (int i = 0; i < count; ++i)
        rows += part(QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')), stock) + line("KIT", QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')), "1");
    return rows;
}

struct Pull { QString rows; QStringList inputs; QString message, after; }; // message empty: none shown; *text*: contains text

QString helper() { return QCoreApplication::applicationDirPath() + QStringLiteral("/kitpull_child"); }

} // namespace

Q_DECLARE_METATYPE(Pull)

class TestKitPull : public QObject
{
    Q_OBJECT

private slots:
    // Through the command as the user runs it: two prompts, then the stock.
    void command_data()
    {
        QTest::addColumn<Pull>("row");
        auto row = [](const char *name, const QString &rows, const QStringList &inputs, const QString &message, const QString &after) {
            QTest::newRow(name) << Pull{rows, inputs, message, after};
        };
        const QString two = part("A", 5) + part("B", 20) + line("K1", "A", "3") + line("K1", "B", "1"), twoBefore = "A=5/0 B=20/0";
        const QString invalid = "Number of Kits was invalid", unchanged = "\r\nNo stock was changed.";
        const QString three = part("A", 10) + part("B", 10) + line("K1", "A", "1") + line("K1", "B", "1");
        row("empty kit number", two, {""}, "", twoBefore);
        row("cancel number of kits", two, {"K1", Cancel}, invalid, twoBefore);
        row("number of kits too large", two, {"K1", "40000"}, "Error No 6\r\nOverflow has occured.", twoBefore);
        row("kit without BOM rows", two, {"K9", "1"}, "K9 was not found", twoBefore);
        row("two kits, stock below zero", two, {"K1", "2"}, "", "A=-1/1 B=18/0");
        row("kit number in other letter case", two, {"k1", "1"}, "", "A=2/0 B=19/0");
        row("halves of kits to even", two, {"K1", "2.5"}, "", "A=-1/1 B=18/0");
        row("thousands separator", part("A", 5000) + line("K1", "A", "1"), {"K1", "1,000"}, "", "A=4000/0");
        row("negative kits raise the stock", part("A", -3, 0, 1) + line("K1", "A", "2"), {"K1", "-2"}, "", "A=1/1");
        row("down to exactly 1 leaves the flag", part("A", 3) + line("K1", "A", "2"), {"K1", "1"}, "", "A=1/0");
        row("no kits: flag for stock already out", part("A", 0) + part("B", 4) + line("K1", "A", "1") + line("K1", "B", "1"), {"K1", "0"}, "", "A=0/1 B=4/0");
        row("component listed twice is lowered twice", part("A", 10) + line("K1", "A", "3") + line("K1", "A", "2"), {"K1", "1"}, "", "A=5/0");
        // Each line's stored result is rounded on its own, halves to even; the flag follows the stored stock.
        row("each line rounded on its own", part("A", 4) + line("K1", "A", "0.5") + line("K1", "A", "0.5"), {"K1", "1"}, "", "A=4/0");
        row("flag from the stored stock: 0.5 is stored as 0", part("A", 1) + line("K1", "A", "0.5"), {"K1", "1"}, "", "A=0/1");
        row("ten kits of 0.15", part("A", 7) + line("K1", "A", "0.15"), {"K1", "10"}, "", "A=6/0");
        row("quotes in kit and component numbers", part("A''B", 5) + line("5'' CABLE", "A''B", "1"), {"5' CABLE", "2"}, "", "A'B=3/0");
        row("stock beyond 16 bits", part("A", 40000) + part("C", 32767) + line("K1", "A", "1") + line("K1", "C", "-1"), {"K1", "1"}, "", "A=39999/0 C=32768/0");
        // All or nothing: a failing component leaves every stock as it was.
        row("third component missing", three + line("K1", "GONE", "1"), {"K1", "1"}, "Component GONE of kit K1 was not found in the inventory." + unchanged, "A=10/0 B=10/0");
        row("no quantity used", three + line("K1", "B", "NULL"), {"K1", "1"}, "Component B of kit K1 has no quantity used." + unchanged, "A=10/0 B=10/0");
        row("no stock on hand", three + part("C", 0) + "UPDATE Inventory SET CurrentInv = NULL WHERE PartNo = 'C';\n" + line("K1", "C", "1"),
            {"K1", "1"}, "Component C of kit K1 has no stock on hand recorded." + unchanged, "A=10/0 B=10/0 C=null/0");
        row("database refuses a write", three + line("K1", "C", "1") + part("C", 10) + "--after--\nCREATE TRIGGER lockC BEFORE UPDATE ON Inventory "
            "WHEN NEW.PartNo = 'C' BEGIN SELECT RAISE(ABORT, 'part C is locked'); END;\n", {"K1", "1"}, "*part C is locked*", "A=10/0 B=10/0 C=10/0");
    }
    void command()
    {
        QFETCH(Pull, row);
        const auto &[rows, inputs, message, after] = row;
        // A statement after "--after--" runs once the database is made (a trigger's own semicolons would split it).
        if (rows.contains("--after--") && TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("a trigger of the file database");
        TestEnvironment env(rows.section("--after--", 0, 0));
        env.app.settings()->setValue("Settings/KitPullPreview", false); // the pull with no list
        QVERIFY2(env.isValid() && (!rows.contains("--after--") || env.exec(rows.section("--after--\n", 1))), qPrintable(env.error()));
        for (const QString &input : inputs)
            env.ui.inputs.enqueue(input == Cancel ? std::nullopt : std::optional<QString>(input));
        KitCommands::updateInvPulled(env.app, nullptr);
        QCOMPARE(env.ui.prompts, QStringList({"Enter the Kit Part Number", "Enter Qty of Kits Pulled"}).mid(0, inputs.size()));
        const QString shown = env.ui.lastText();
        QVERIFY(env.ui.shown.size() == (message.isEmpty() ? 0 : 1) && (message.isEmpty() || env.ui.shown.last().title == "Partwise"));
        QVERIFY2(message.startsWith('*') ? shown.contains(message.mid(1, message.size() - 2)) && shown.contains("Component C of kit K1") : shown == message, qPrintable(shown));
        QCOMPARE(stockState(env.app.databaseAddress()), after);
    }

    // The Kits menu on the main window: Update Inv Pulled is enabled, asks,
    // pulls, and gives the pointer back; the kit reports name a kit with no
    // bill of materials as such; a kit that has one and lacks nothing is told apart.
    void menu_data()
    {
        QTest::addColumn<QStringList>("row"); // command, kit, text shown (the pull: the stock after)
        QTest::newRow("update inv pulled") << QStringList{QString::number(int(CommandId::KitUpdateInv)), "K1", "A=1/0"};
        QTest::newRow("shortage, no BOM") << QStringList{QString::number(int(CommandId::KitShort)), "NOPE'X", "Kit NOPE'X has no bill of materials."};
        QTest::newRow("pull list, no BOM") << QStringList{QString::number(int(CommandId::KitPullList)), "NOPE'X", "Kit NOPE'X has no bill of materials."};
        QTest::newRow("shortage, nothing short") << QStringList{QString::number(int(CommandId::KitShort)), "k1", "Nothing is short for 2 kits of k1."};
    }
    void menu()
    {
        QFETCH(QStringList, row);
        Harness h(part("A", 5) + line("K1", "A", "2"));
        QVERIFY(h.ready());
        h.env.app.settings()->setValue("Settings/KitPullPreview", false);
        for (const QString name : {"KitShortage.rpt", "KitPullList.rpt"})
            QVERIFY(QFile::copy(QStringLiteral(PARTWISE_SOURCE_DIR "/reports/") + name, QDir(h.env.folder()).filePath(name)));
        h.ui.inputs << row[1] << QStringLiteral("2");
        QAction *item = h.main.action(CommandId(row[0].toInt()));
        QVERIFY(item && item->isEnabled());
        item->trigger();
        QVERIFY2(h.ui.texts().isEmpty() && h.ui.prompts.size() == 2, qPrintable(h.ui.texts().join('\n')));
        QCOMPARE(h.main.cursor().shape(), Qt::ArrowCursor);
        auto *preview = qobject_cast<ReportPreviewWindow *>(h.main.activeChild());
        if (row[0].toInt() == int(CommandId::KitUpdateInv))
            QVERIFY(h.main.mdiArea()->subWindowList().isEmpty() && stockState(h.env.app.databaseAddress()) == row[2]);
        else
            QVERIFY(preview && preview->document().text().contains(row[2]));
    }

    // The operation's own outcome. When every statement goes through but the
    // database refuses the COMMIT (a check deferred to it fails), the pull,
    // with its list or without, is a failure and stores nothing. Either way
    // no transaction is left open.
    void outcome_data()
    {
        QTest::addColumn<bool>("planned");
        QTest::addColumn<bool>("refused");
        QTest::newRow("pulled") << false << false;
        QTest::newRow("commit refused") << false << true;
        QTest::newRow("commit refused, pull of the list shown") << true << true;
    }
    void outcome()
    {
        QFETCH(bool, planned);
        QFETCH(bool, refused);
        TestEnvironment env(part("A", 3) + part("B", 50) + line("K1", "A", "2") + line("K1", "B", "1") + line("K1", "B", "1"));
        Database &db = env.app.database();
        QVERIFY(!refused || env.refuseCommitAfterUpdate("Inventory"));
        KitPlan::Plan plan;
        QVERIFY(env.isValid() && KitPlan::read(db, "K1", 2, &plan).ok());
        // Meanwhile another workstation cannot change the components: the pull
        // holds their rows (on the file, the whole database) until it ends.
        Database other("other");
        QVERIFY(other.open(env.app.databaseAddress())
                && other.execute(env.engine() == TestEnvironment::Engine::File ? "PRAGMA busy_timeout = 50" : "SELECT set_config('lock_timeout', '50', false)"));
        int changedMeanwhile = 0;
        const auto meanwhile = [&](int) { changedMeanwhile += other.execute("UPDATE Inventory SET CurrentInv = 9 WHERE PartNo = 'B'"); };
        const KitPull::Outcome outcome = planned ? KitPlan::pull(db, plan).pull : KitPull::pull(db, "K1", 2, meanwhile);
        QCOMPARE(changedMeanwhile, 0);
        QCOMPARE(outcome.status, refused ? KitPull::Outcome::Status::Failed : KitPull::Outcome::Status::Done);
        QVERIFY(refused ? KitPull::messageFor("K1", outcome).endsWith("No stock was changed.") : outcome.lines == 3 && outcome.flagged == 1 && KitPull::messageFor("K1", outcome).isEmpty());
        QCOMPARE(stockState(env.app.databaseAddress()) + env.scalar("SELECT COUNT(*) FROM \"StockLedger\"").toString(), refused ? "A=3/0 B=50/00" : "A=-1/1 B=46/02");
        QVERIFY(!db.inWriteTransaction() && env.execElsewhere("UPDATE BoardBOM SET QtyUsed = 1"));
    }

    // The process ends half-way through a pull, or is killed from outside at
    // moments nobody chose: stock and ledger are exactly as before the pull
    // or exactly as after it, never in between.
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
        TestEnvironment env(kit(40, 100));
        const QString before = stockState(env.app.databaseAddress());
        env.app.database().close(); // the child is the only one in the file
        QProcess child;
        child.start(helper(), {env.app.databaseAddress(), "KIT", "2", QString::number(dieAfter)});
        QVERIFY(env.isValid() && child.waitForFinished(30000));
        QCOMPARE(child.exitStatus() * 100 + child.exitCode(), dieAfter < 0 ? 0 : QProcess::CrashExit * 100 + 9); // SIGKILL
        QCOMPARE(stockState(env.app.databaseAddress()), dieAfter < 0 ? QString(before).replace("=100/", "=98/") : before);
    }

    void killedAtRandom()
    {
        TestEnvironment env(kit(30, 50));
        env.app.database().close();
        QRandomGenerator rng(7);
        QElapsedTimer timer; // how long a whole pull takes here, to kill at any moment of one
        QProcess child;
        child.start(helper(), {env.app.databaseAddress(), "KIT", "-1", "-1", "2"});
        QVERIFY(env.isValid() && child.waitForReadyRead(10000));
        timer.start();
        QVERIFY(child.waitForFinished(10000) && child.exitCode() == 0); // -1 kits: 51 each
        const int span = int(timer.elapsed()) + 1;
        for (int round = 0; round < 8; ++round) {
            child.start(helper(), {env.app.databaseAddress(), "KIT", "1", "-1", "2"});
            QVERIFY(child.waitForReadyRead(10000)); // "ready": the database is open
            QTest::qWait(int(rng.bounded(span)));
            child.kill();
            QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished(10000));
            // Every part alike, and one ledger row a part for each pull that went through.
            QSet<QString> stocks;
            for (const QString &p : stockState(env.app.databaseAddress()).split(' '))
                stocks << p.section('=', 1);
            QVERIFY2(stocks.size() == 1, qPrintable(stockState(env.app.databaseAddress())));
            QCOMPARE(env.scalar("SELECT COUNT(*) FROM \"StockLedger\"").toInt(), 30 * (52 - stocks.values().first().section('/', 0, 0).toInt()));
        }
    }
};

QTEST_MAIN(TestKitPull)
#include "tst_kitpull.moc"
