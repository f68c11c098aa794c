// The stock ledger: every path that changes stock writes its rows in the same
// transaction, the history window shows them, and undo takes a change back
// or refuses. Runs on both engines; what a test checks it reads through a
// connection of its own, so only committed data counts.
#include "bom/ops/kitpull.h"
#include "history/historycommands.h"
#include "history/ops/stockledger.h"
#include "history/stockchart.h"
#include "history/stockhistorywindow.h"
#include "scanner/ops/scanimport.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "bomfixture.h"
#include "ui/listgridmodel.h"

#include <QLineEdit>
#include <QSqlQuery>
#include <QtTest>
#include <thread>

namespace {

const QString Rows = QStringLiteral(
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint, MinReq) VALUES "
    "('R1', 'Resistor', 100, 0.02, 40, 5), ('C1', 'Capacitor', 50, 0.1, 0, 0), ('U1', 'Chip', 10, 2.5, 0, 0);"
    "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES ('U1', 'Mouser', 'Chip');"
    "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES "
    "('KIT', 'Kit', 'R1', 3), ('KIT', 'Kit', 'C1', 1), ('KIT', 'Kit', 'R1', 2);");

using Source = StockLedger::Source;
using Status = StockLedger::UndoOutcome::Status;

QLineEdit *edit(QWidget &w, const char *name) { return w.findChild<QLineEdit *>(QLatin1String(name)); }

// Sets a window's fields by their names and submits.
template <class W> void submit(W &&w, const QList<std::pair<const char *, QString>> &fields)
{
    for (const auto &[name, text] : fields)
        edit(w, name)->setText(text);
    w.submit();
}

// One change made through the path a user takes.
enum class Path { Adjust, NewPart, DeletePart, KitPull, Import };

void make(TestEnvironment &env, Path path)
{
    if (path == Path::Adjust)
        submit(AddDeleteInvWindow(env.app, false), {{"txtPartNo", "r1"}, {"txtQuantity", "7"}, {"txtNote", "broken on the bench"}});
    else if (path == Path::NewPart)
        submit(AddDeletePartWindow(env.app, true), {{"txtPartNo", "D1"}, {"txtQuantity", "12"}, {"txtDescription", "Diode"}, {"txtCost", "0.5"}, {"txtReorder", "3"}, {"txtVendor", "Farnell"}});
    else if (path == Path::DeletePart)
        env.ui.answers.enqueue(UserInterface::Answer::Yes), submit(AddDeletePartWindow(env.app, false), {{"txtPartNo", "U1"}});
    else if (path == Path::KitPull)
        QVERIFY(KitPull::pull(env.app.database(), QStringLiteral("KIT"), 2).ok());
    else
        QVERIFY(ScanImport::apply(env.app.database(), "C1,5\r\nNOPE,1\r\nU1,-2\r\nc1,1\r\n").committed);
}

} // namespace

struct Written { Path path; QStringList rows; QString question; };
// A later change by another workstation ("C1": a stock window, "U1": the part added again).
struct Undo { Path path; QString later; Status status; QString stock, message; };
Q_DECLARE_METATYPE(Written)
Q_DECLARE_METATYPE(Undo)

class TestHistory : public QObject
{
    Q_OBJECT

    // The ledger as another workstation reads it, oldest first:
    // "source part change after kit/kits line note undone" per row.
    QStringList ledger(TestEnvironment &env, const QString &where = QString())
    {
        QStringList rows = BomFixture::committed(env.app.databaseAddress(),
            "SELECT \"Source\", \"PartNo\", \"Change\", \"StockAfter\", \"KitNo\", \"Kits\", \"Line\", \"Note\", CASE WHEN "
            "\"UndoneBy\" IS NULL THEN NULL ELSE 'undone' END FROM \"StockLedger\" " + where + " ORDER BY \"EntryId\"", " ");
        for (QString &r : rows)
            r = r.replace('~', QString()).trimmed();
        return rows;
    }
    // "R1=.. C1=.. U1=.. D1=.. vendors=n", "-" for a part not there.
    QString stock(TestEnvironment &env)
    {
        QString parts = "R1=- C1=- U1=- D1=- vendors=" + env.scalar("select count(*) from PreferredVendor").toString();
        for (const QString &r : BomFixture::committed(env.app.databaseAddress(), "select PartNo, CurrentInv from Inventory", "="))
            parts.replace(r.section('=', 0, 0) + "=-", r);
        return parts;
    }
    static bool ok(const TestEnvironment &env) { return env.isValid() || (qWarning() << env.error(), false); }
    QString newestGroup(TestEnvironment &env)
    {
        StockLedger::Change c;
        StockLedger::newestUndoable(env.app.database(), StockLedger::identity().workstation, &c);
        return c.groupId;
    }

private slots:
    void initTestCase()
    {
        const QString why = TestEnvironment::unavailable(TestEnvironment::defaultEngine());
        if (!why.isEmpty())
            QSKIP(qPrintable(why));
        StockLedger::setIdentity({QStringLiteral("BENCH-1"), QStringLiteral("alice")});
    }

    void everyPathWritesItsRows_data()
    {
        QTest::addColumn<Written>("row");
        QTest::newRow("adjust with a note") << Written{Path::Adjust, {"Stock window R1 -7 93    broken on the bench"}, "stock window of R1 (-7)"};
        QTest::newRow("new part") << Written{Path::NewPart, {"New part D1 12 12"}, "new part of D1 (+12)"};
        QTest::newRow("deleted part") << Written{Path::DeletePart, {"Deleted part U1 -10 0"}, "deleted part of U1 (-10)"};
        QTest::newRow("kit pull, a part twice") << Written{Path::KitPull, {"Kit pull R1 -10 90 KIT 2", "Kit pull C1 -2 48 KIT 2"}, "kit pull of KIT (2 kits)"};
        QTest::newRow("import, a bad line left out") << Written{Path::Import, {"Scanner import C1 5 55   1", "Scanner import U1 -2 8   3", "Scanner import C1 1 56   4"},
                                                                "scanner import of 2 parts (3 lines)"};
    }
    void everyPathWritesItsRows()
    {
        QFETCH(Written, row);
        TestEnvironment env(Rows);
        QVERIFY(ok(env));
        const auto &[path, rows, question] = row;
        make(env, path);
        QCOMPARE(ledger(env), rows);
        StockLedger::Change c; // found for the workstation in other letter case
        QVERIFY(StockLedger::newestUndoable(env.app.database(), QStringLiteral("bench-1"), &c));
        QVERIFY2(StockLedger::question(c).startsWith("Undo " + question + " made at "), qPrintable(StockLedger::question(c)));
        // One group per change, shared by all its rows.
        QCOMPARE(env.scalar(QStringLiteral("select count(distinct \"GroupId\") from \"StockLedger\"")).toInt(), 1);
    }

    void refusedChangesWriteNoRow()
    {
        TestEnvironment env(Rows);
        QVERIFY(ok(env));
        AddDeleteInvWindow w(env.app, true);
        submit(w, {{"txtPartNo", "R1"}, {"txtQuantity", "5"}, {"txtNote", QString(256, QLatin1Char('n'))}});
        QVERIFY(env.ui.lastText() == "The note may hold at most 255 characters." && (QApplication::focusWidget() == edit(w, "txtNote") || !w.isVisible()));
        submit(w, {{"txtPartNo", "NOPE"}, {"txtNote", QString(255, QChar(0x00e9))}}); // no such part
        QCOMPARE(KitPull::pull(env.app.database(), QStringLiteral("NOKIT"), 1).status, KitPull::Outcome::Status::KitNotFound);
        QVERIFY(stock(env) == "R1=100 C1=50 U1=10 D1=- vendors=1" && ledger(env).isEmpty());
        submit(w, {{"txtPartNo", "R1"}}); // a note of 255 characters is taken
        QCOMPARE(ledger(env).size(), 1);
    }

    void undo_data()
    {
        QTest::addColumn<Undo>("row");
        const QString before = "R1=100 C1=50 U1=10 D1=- vendors=1";
        QTest::newRow("adjust") << Undo{Path::Adjust, "", Status::Done, before, ""};
        QTest::newRow("kit pull whole") << Undo{Path::KitPull, "", Status::Done, before, ""};
        QTest::newRow("import whole") << Undo{Path::Import, "", Status::Done, before, ""};
        QTest::newRow("deleted part comes back with its vendor") << Undo{Path::DeletePart, "", Status::Done, before, ""};
        QTest::newRow("new part goes again") << Undo{Path::NewPart, "", Status::Done, before, ""};
        QTest::newRow("later change elsewhere") << Undo{Path::KitPull, "C1", Status::LaterChange, "R1=90 C1=49 U1=10 D1=- vendors=1", "Part C1 was changed later: stock window (+1) made at "};
        QTest::newRow("stock taken out of range") << Undo{Path::Adjust, "R1", Status::Failed, "R1=32761 C1=50 U1=10 D1=- vendors=1",
                                                       "Part R1 could not be restored:\r\nError No 6\r\nOverflow has occured.\r\nNothing was changed."};
        QTest::newRow("a part deleted meanwhile") << Undo{Path::KitPull, "C1 gone", Status::Failed, "R1=90 C1=- U1=10 D1=- vendors=1",
                                                           "Error No 3021\r\nA part of the change is no longer in the inventory. has occured.\r\nNothing was changed."};
        QTest::newRow("deleted part's number in use again") << Undo{Path::DeletePart, "U1", Status::PartExists, "R1=100 C1=50 U1=3 D1=- vendors=1", "Part No. U1 is in the inventory again."};
    }
    void undo()
    {
        QFETCH(Undo, row);
        const auto &[path, later, status, stock, message] = row;
        TestEnvironment env(Rows);
        QVERIFY(ok(env));
        make(env, path);
        const QString group = newestGroup(env);
        StockLedger::setIdentity({"BENCH-2", "bob"});
        if (later == "C1")
            submit(AddDeleteInvWindow(env.app, true), {{"txtPartNo", later}, {"txtQuantity", "1"}});
        else if (later == "R1") // a change no ledger row records, as another program makes it
            QVERIFY(env.exec("UPDATE Inventory SET CurrentInv = 32761 WHERE PartNo = 'R1'"));
        else if (later == "C1 gone") // deleted where no ledger row records it
            QVERIFY(env.exec("DELETE FROM Inventory WHERE PartNo = 'C1'"));
        else if (later == "U1")
            QVERIFY(env.exec("INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('U1', 'New chip', 3)"));
        StockLedger::setIdentity({"BENCH-1", "alice"});
        const QStringList rowsBefore = ledger(env);
        const StockLedger::UndoOutcome outcome = StockLedger::undo(env.app.database(), group);
        QCOMPARE(outcome.status, status);
        const QString shown = StockLedger::messageFor(outcome);
        QVERIFY2(!group.isEmpty() && (message.isEmpty() ? shown.isEmpty() : shown.startsWith(message)) && this->stock(env) == stock, qPrintable(shown + this->stock(env)));
        if (status != Status::Done) {
            QCOMPARE(ledger(env), rowsBefore); // nothing changed, not even the marker
            return;
        }
        // Undone once: its rows marked, the undo's own rows written, and
        // nothing of this workstation left to offer (an undo is not offered).
        QCOMPARE(ledger(env, "WHERE \"UndoneBy\" IS NULL AND \"Source\" <> 'Undo'"), QStringList());
        // One row a part (the kit pull's R1 twice, the import's C1 twice, take one each).
        QCOMPARE(ledger(env, "WHERE \"Source\" = 'Undo'").size(), path == Path::KitPull || path == Path::Import ? 2 : 1);
        QVERIFY(newestGroup(env).isEmpty() && StockLedger::undo(env.app.database(), group).status == Status::AlreadyUndone);
        QCOMPARE(env.row("select Description, UnitCost, MinReq, ReorderPoint from Inventory where PartNo = 'U1'") << env.scalar("select Vendor from PreferredVendor where Item = 'U1'"), (QVariantList{"Chip", 2.5, 0, 0, "Mouser"}));
    }

    void undoesOlderChangesStepByStep()
    {
        TestEnvironment env(Rows);
        QVERIFY(ok(env));
        make(env, Path::Adjust);
        make(env, Path::KitPull);
        StockLedger::setIdentity({"BENCH-2", "bob"});
        make(env, Path::NewPart); // another workstation's: not offered here
        StockLedger::setIdentity({"BENCH-1", "alice"});
        QStringList taken;
        for (QString group = newestGroup(env); !group.isEmpty(); group = newestGroup(env)) {
            StockLedger::Change c;
            StockLedger::newestUndoable(env.app.database(), QStringLiteral("BENCH-1"), &c);
            taken << StockLedger::sourceText(c.source);
            QCOMPARE(StockLedger::undo(env.app.database(), group).status, Status::Done);
        }
        QCOMPARE(taken << stock(env), (QStringList{"Kit pull", "Stock window", "R1=100 C1=50 U1=10 D1=12 vendors=2"}));
    }

    void twoWorkstationsUndoTheSameChangeOnce()
    {
        TestEnvironment env(Rows);
        QVERIFY(ok(env));
        make(env, Path::KitPull);
        const QString group = newestGroup(env);
        QList<Status> results(2, Status::Failed);
        auto undoElsewhere = [&](int i) {
            Database db(QStringLiteral("workstation%1").arg(i));
            if (db.open(env.app.databaseAddress()))
                results[i] = StockLedger::undo(db, group).status;
            db.close();
        };
        std::thread a(undoElsewhere, 0), b(undoElsewhere, 1);
        a.join(), b.join();
        std::sort(results.begin(), results.end());
        QVERIFY(results == (QList<Status>{Status::Done, Status::AlreadyUndone}) && stock(env) == "R1=100 C1=50 U1=10 D1=- vendors=1");
    }

    void historyWindow()
    {
        TestEnvironment env(Rows);
        QVERIFY(ok(env));
        QVERIFY(StockLedger::ensureTable(env.app.database()) && ledger(env).isEmpty()); // an older database gets it, empty
        for (Path path : {Path::Adjust, Path::KitPull, Path::Import})
            make(env, path);
        StockHistoryWindow w(env.app, QStringLiteral("r1"));
        w.load();
        QAbstractItemModel *m = w.model();
        // One part, newest first, its chart above: a step line from the stock
        // before the first change, the reorder point, one mark per kit pull.
        const StockChart *chart = w.findChild<StockChart *>(QStringLiteral("chtStock"));
        QVERIFY(m->rowCount() == 2 && m->data(m->index(0, 3)) == "83" && m->data(m->index(1, 3)) == "93" && chart->isVisibleTo(&w));
        QList<qreal> levels{chart->reorderLevel(), qreal(chart->kitPulls().size())}; // one pull, one mark
        for (const QPointF &p : chart->stockLine())
            levels << p.y();
        QCOMPARE(levels, (QList<qreal>{40, 1, 100, 93, 93, 83, 83}));
        edit(w, "txtPartNo")->clear();
        QVERIFY(w.showHistory() && m->rowCount() == 6 && !chart->isVisibleTo(&w));
        // A ledger that cannot be read is told.
        QVERIFY(QSqlQuery(env.app.database().handle()).exec("ALTER TABLE \"StockLedger\" RENAME COLUMN \"Note\" TO \"Remark\""));
        QVERIFY(!w.showHistory() && env.ui.lastText().startsWith("The list could not be read.\r\n"));
    }

    // A kit of more components than one ledger statement takes: every row is
    // written, its part number as the catalogue spells it, and undone whole.
    void largeKitPullWritesEveryRow()
    {
        TestEnvironment env(Rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        for (int i = 0; i < 70; ++i)
            QVERIFY(env.exec(QStringLiteral("INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES (?, 'P', ?)"),
                             {QStringLiteral("P%1").arg(i), 10 + i})
                    && env.exec(QStringLiteral("INSERT INTO BoardBOM (BoardPN, PartNo, QtyUsed) VALUES ('BIG', ?, 1)"),
                                {QStringLiteral("p%1").arg(i)}));
        Database &db = env.app.database();
        QVERIFY(KitPull::pull(db, QStringLiteral("BIG"), 2).ok());
        QCOMPARE(env.scalar(QStringLiteral("select count(distinct \"PartNo\") from \"StockLedger\" where substr(\"PartNo\", 1, 1) = 'P' "
                                           "and \"Change\" = -2 and \"StockAfter\" = 8 + "
                                           "cast(substr(\"PartNo\", 2) as integer)")).toInt(), 70);
        StockLedger::Change c;
        QVERIFY(StockLedger::newestUndoable(db, StockLedger::identity().workstation, &c) && c.rows == 70);
        QVERIFY(StockLedger::undo(db, c.groupId).ok());
        QCOMPARE(env.scalar(QStringLiteral("select sum(CurrentInv) from Inventory where Description = 'P'")).toInt(), 3115);
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
