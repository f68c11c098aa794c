// The stock ledger: every path that changes stock writes its rows in the same
// transaction, the history window shows them, and undo takes a change back
// or refuses. Runs on both engines; what a test checks it reads through a
// connection of its own, so only committed data counts.
#include "bom/ops/kitpull.h"
#include "data/database.h"
#include "data/recordset.h"
#include "history/historycommands.h"
#include "history/ops/stockledger.h"
#include "history/stockchart.h"
#include "history/stockhistorywindow.h"
#include "scanner/ops/scanimport.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "testenvironment.h"
#include "ui/listgridmodel.h"
#include "ui/gridmodel.h"

#include <QLineEdit>
#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>
#include <thread>

namespace {

const QString Rows = QStringLiteral(
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint, MinReq) VALUES "
    "('R1', 'Resistor', 100, 0.02, 40, 5), ('C1', 'Capacitor', 50, 0.1, 0, 0), ('U1', 'Chip', 10, 2, 0, 0);"
    "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES ('U1', 'Mouser', 'Chip');"
    "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES "
    "('KIT', 'Kit', 'R1', 3), ('KIT', 'Kit', 'C1', 1), ('KIT', 'Kit', 'R1', 2);");

using Source = StockLedger::Source;
using Status = StockLedger::UndoOutcome::Status;

// A window's entry field, found by its name.
QLineEdit *edit(QWidget &w, const char *name)
{
    return w.findChild<QLineEdit *>(QLatin1String(name));
}

// One change made through the path a user takes.
enum class Path { Adjust, AdjustWithNote, NewPart, DeletePart, KitPull, Import };

void make(TestEnvironment &env, Path path)
{
    Database &db = env.app.database();
    switch (path) {
    case Path::Adjust:
    case Path::AdjustWithNote: {
        AddDeleteInvWindow w(env.app, false);
        edit(w, "txtPartNo")->setText(QStringLiteral("r1"));
        edit(w, "txtQuantity")->setText(QStringLiteral("7"));
        if (path == Path::AdjustWithNote)
            edit(w, "txtNote")->setText(QStringLiteral("broken on the bench"));
        w.submit();
        break;
    }
    case Path::NewPart: {
        AddDeletePartWindow w(env.app, true);
        edit(w, "txtPartNo")->setText(QStringLiteral("D1"));
        edit(w, "txtQuantity")->setText(QStringLiteral("12"));
        edit(w, "txtDescription")->setText(QStringLiteral("Diode"));
        edit(w, "txtCost")->setText(QStringLiteral("0.5"));
        edit(w, "txtReorder")->setText(QStringLiteral("3"));
        edit(w, "txtVendor")->setText(QStringLiteral("Farnell"));
        w.submit();
        break;
    }
    case Path::DeletePart: {
        AddDeletePartWindow w(env.app, false);
        edit(w, "txtPartNo")->setText(QStringLiteral("U1"));
        env.ui.answers.enqueue(UserInterface::Answer::Yes);
        w.submit();
        break;
    }
    case Path::KitPull:
    {
        const KitPull::Outcome pulled = KitPull::pull(db, QStringLiteral("KIT"), 2);
        QVERIFY2(pulled.ok(), qPrintable(KitPull::messageFor(QStringLiteral("KIT"), pulled)));
    }
        break;
    case Path::Import:
        QVERIFY(ScanImport::apply(db, "C1,5\r\nNOPE,1\r\nU1,-2\r\nC1,1\r\n").committed);
        break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Path)
Q_DECLARE_METATYPE(Status)

class TestHistory : public QObject
{
    Q_OBJECT

    // The ledger as another workstation reads it, oldest first:
    // "source part change after kit/kits line note undone" per row.
    QStringList ledger(TestEnvironment &env, const QString &where = QString())
    {
        Database other(QStringLiteral("observer"));
        if (!other.open(env.app.databaseAddress()))
            return {QStringLiteral("cannot open: ") + other.errorString()};
        QStringList out;
        if (other.tables().contains(StockLedger::tableName())) {
            Recordset rs;
            if (!rs.open(other, QStringLiteral("SELECT \"Source\", \"PartNo\", \"Change\", \"StockAfter\", "
                                               "\"KitNo\", \"Kits\", \"Line\", \"Note\", \"UndoneBy\" "
                                               "FROM \"StockLedger\" ")
                                    + where + QStringLiteral(" ORDER BY \"EntryId\"")))
                return {rs.errorString()};
            for (qsizetype r = 0; r < rs.recordCount(); ++r) {
                QStringList f;
                for (int c = 0; c < 8; ++c)
                    f << rs.valueAt(r, c).toString();
                f << (rs.valueAt(r, 8).isNull() ? QString() : QStringLiteral("undone"));
                out << f.join(QLatin1Char(' ')).trimmed();
            }
        }
        other.close();
        return out;
    }
    QString stock(TestEnvironment &env)
    {
        QStringList parts;
        for (const char *p : {"R1", "C1", "U1", "D1"}) {
            const QVariant v = env.scalar(QStringLiteral("select CurrentInv from Inventory where PartNo = ?"),
                                          {QString::fromLatin1(p)});
            parts << QStringLiteral("%1=%2").arg(QString::fromLatin1(p), v.isValid() ? v.toString()
                                                                                   : QStringLiteral("-"));
        }
        parts << QStringLiteral("vendors=%1").arg(
            env.scalar(QStringLiteral("select count(*) from PreferredVendor")).toString());
        return parts.join(QLatin1Char(' '));
    }
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
        QTest::addColumn<Path>("path");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("question");
        QTest::newRow("adjust") << Path::Adjust << QStringList{"Stock window R1 -7 93"} << "stock window of R1 (-7)";
        QTest::newRow("adjust with a note") << Path::AdjustWithNote
            << QStringList{"Stock window R1 -7 93    broken on the bench"} << "stock window of R1 (-7)";
        QTest::newRow("new part") << Path::NewPart << QStringList{"New part D1 12 12"} << "new part of D1 (+12)";
        QTest::newRow("deleted part") << Path::DeletePart << QStringList{"Deleted part U1 -10 0"} << "deleted part of U1 (-10)";
        QTest::newRow("kit pull, a part twice") << Path::KitPull
            << QStringList{"Kit pull R1 -10 90 KIT 2", "Kit pull C1 -2 48 KIT 2"}
            << "kit pull of KIT (2 kits)";
        QTest::newRow("import, a bad line left out") << Path::Import
            << QStringList{"Scanner import C1 5 55   1", "Scanner import U1 -2 8   3", "Scanner import C1 1 56   4"}
            << "scanner import of 2 parts (3 lines)";
    }
    void everyPathWritesItsRows()
    {
        QFETCH(Path, path);
        QFETCH(QStringList, rows);
        QFETCH(QString, question);
        TestEnvironment env(Rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        make(env, path);
        QCOMPARE(ledger(env), rows);
        StockLedger::Change c;
        QVERIFY(StockLedger::newestUndoable(env.app.database(), QStringLiteral("bench-1"), &c));
        QVERIFY2(StockLedger::question(c).startsWith(QStringLiteral("Undo ") + question + QStringLiteral(" made at ")),
                 qPrintable(StockLedger::question(c)));
        // One group per change, shared by all its rows.
        QCOMPARE(env.scalar(QStringLiteral("select count(distinct \"GroupId\") from \"StockLedger\"")).toInt(), 1);
    }

    void refusedChangesWriteNoRow()
    {
        TestEnvironment env(Rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        AddDeleteInvWindow w(env.app, true);
        edit(w, "txtPartNo")->setText(QStringLiteral("R1"));
        edit(w, "txtQuantity")->setText(QStringLiteral("5"));
        edit(w, "txtNote")->setText(QString(256, QLatin1Char('n')));
        w.submit();
        QCOMPARE(env.ui.lastText(), QStringLiteral("The note may hold at most 255 characters."));
        QCOMPARE(QApplication::focusWidget() == edit(w, "txtNote") || !w.isVisible(), true);
        edit(w, "txtNote")->setText(QString(255, QChar(0x00e9)));
        edit(w, "txtPartNo")->setText(QStringLiteral("NOPE"));
        w.submit(); // no such part
        QVERIFY(KitPull::pull(env.app.database(), QStringLiteral("NOKIT"), 1).status
                == KitPull::Outcome::Status::KitNotFound);
        QCOMPARE(stock(env), QStringLiteral("R1=100 C1=50 U1=10 D1=- vendors=1"));
        QCOMPARE(ledger(env), QStringList());
        edit(w, "txtPartNo")->setText(QStringLiteral("R1"));
        w.submit(); // a note of 255 characters is taken
        QCOMPARE(ledger(env).size(), 1);
    }

    void undo_data()
    {
        QTest::addColumn<Path>("path");
        QTest::addColumn<QString>("later"); // a statement another workstation runs after it, or ""
        QTest::addColumn<Status>("status");
        QTest::addColumn<QString>("stock");
        QTest::addColumn<QString>("message");
        const QString before = QStringLiteral("R1=100 C1=50 U1=10 D1=- vendors=1");
        QTest::newRow("adjust") << Path::Adjust << "" << Status::Done << before << "";
        QTest::newRow("kit pull whole") << Path::KitPull << "" << Status::Done << before << "";
        QTest::newRow("import whole") << Path::Import << "" << Status::Done << before << "";
        QTest::newRow("deleted part comes back with its vendor") << Path::DeletePart << "" << Status::Done << before << "";
        QTest::newRow("new part goes again") << Path::NewPart << "" << Status::Done << before << "";
        QTest::newRow("later change elsewhere") << Path::KitPull << "C1" << Status::LaterChange
            << "R1=90 C1=49 U1=10 D1=- vendors=1"
            << "Part C1 was changed later: stock window (+1) made at ";
        QTest::newRow("deleted part's number in use again") << Path::DeletePart << "U1-new"
            << Status::PartExists << "R1=100 C1=50 U1=3 D1=- vendors=1" << "Part No. U1 is in the inventory again.";
    }
    void undo()
    {
        QFETCH(Path, path);
        QFETCH(QString, later);
        QFETCH(Status, status);
        QFETCH(QString, stock);
        QFETCH(QString, message);
        TestEnvironment env(Rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        make(env, path);
        const QString group = newestGroup(env);
        QVERIFY(!group.isEmpty());
        if (!later.isEmpty()) {
            StockLedger::setIdentity({QStringLiteral("BENCH-2"), QStringLiteral("bob")});
            if (later == QLatin1String("C1")) {
                AddDeleteInvWindow w(env.app, true);
                edit(w, "txtPartNo")->setText(later);
                edit(w, "txtQuantity")->setText(QStringLiteral("1"));
                w.submit();
            } else {
                QVERIFY(env.exec(QStringLiteral("INSERT INTO Inventory (PartNo, Description, CurrentInv) "
                                                "VALUES ('U1', 'New chip', 3)")));
            }
            StockLedger::setIdentity({QStringLiteral("BENCH-1"), QStringLiteral("alice")});
        }
        const QStringList rowsBefore = ledger(env);
        const StockLedger::UndoOutcome outcome = StockLedger::undo(env.app.database(), group);
        QCOMPARE(outcome.status, status);
        const QString shown = StockLedger::messageFor(outcome);
        QVERIFY2(message.isEmpty() ? shown.isEmpty() : shown.startsWith(message), qPrintable(shown));
        QCOMPARE(this->stock(env), stock);
        if (status != Status::Done) {
            QCOMPARE(ledger(env), rowsBefore); // nothing changed, not even the marker
            return;
        }
        // Undone once: its rows marked, the undo's own rows written, and
        // nothing of this workstation left to offer (an undo is not offered).
        QCOMPARE(ledger(env, QStringLiteral("WHERE \"UndoneBy\" IS NULL AND \"Source\" <> 'Undo'")), QStringList());
        // One row a part (the kit pull's R1 twice, the import's C1 twice, take one each).
        QCOMPARE(ledger(env, QStringLiteral("WHERE \"Source\" = 'Undo'")).size(),
                 path == Path::KitPull || path == Path::Import ? 2 : 1);
        QCOMPARE(newestGroup(env), QString());
        QCOMPARE(StockLedger::undo(env.app.database(), group).status, Status::AlreadyUndone);
        if (path == Path::DeletePart)
            QCOMPARE(env.row(QStringLiteral("select Description, UnitCost, MinReq, ReorderPoint from Inventory "
                                            "where PartNo = 'U1'")),
                     (QVariantList{QStringLiteral("Chip"), 2.0, 0, 0}));
            QCOMPARE(env.scalar(QStringLiteral("select Vendor from PreferredVendor where Item = 'U1'")).toString(),
                     QStringLiteral("Mouser"));
    }

    void undoesOlderChangesStepByStep()
    {
        TestEnvironment env(Rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        make(env, Path::Adjust);
        make(env, Path::KitPull);
        StockLedger::setIdentity({QStringLiteral("BENCH-2"), QStringLiteral("bob")});
        make(env, Path::NewPart); // another workstation's: not offered here
        StockLedger::setIdentity({QStringLiteral("BENCH-1"), QStringLiteral("alice")});
        QStringList taken;
        for (QString group = newestGroup(env); !group.isEmpty(); group = newestGroup(env)) {
            StockLedger::Change c;
            StockLedger::newestUndoable(env.app.database(), QStringLiteral("BENCH-1"), &c);
            taken << StockLedger::sourceText(c.source);
            QCOMPARE(StockLedger::undo(env.app.database(), group).status, Status::Done);
        }
        QCOMPARE(taken, (QStringList{"Kit pull", "Stock window"}));
        QCOMPARE(stock(env), QStringLiteral("R1=100 C1=50 U1=10 D1=12 vendors=2"));
    }

    void twoWorkstationsUndoTheSameChangeOnce()
    {
        TestEnvironment env(Rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
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
        a.join();
        b.join();
        std::sort(results.begin(), results.end());
        QCOMPARE(results, (QList<Status>{Status::Done, Status::AlreadyUndone}));
        QCOMPARE(stock(env), QStringLiteral("R1=100 C1=50 U1=10 D1=- vendors=1"));
    }

    void killedAtAnyMomentLeavesBothOrNeither()
    {
        TestEnvironment env(Rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const QString helper = QCoreApplication::applicationDirPath() + QStringLiteral("/kitpull_child");
        auto consistent = [&] {
            // What the ledger says the stock went through is what it is.
            const int r1 = env.scalar(QStringLiteral("select CurrentInv from Inventory where PartNo = 'R1'")).toInt();
            const QVariant sum = env.scalar(QStringLiteral("select sum(\"Change\") from \"StockLedger\" where \"PartNo\" = 'R1'"));
            return r1 - 100 == sum.toInt() && (sum.isNull() || sum.toInt() % 5 == 0);
        };
        for (int dieAfter : {1, 3, -1}) {
            QProcess child;
            child.start(helper, {env.app.databaseAddress(), QStringLiteral("KIT"), QStringLiteral("1"),
                                 QString::number(dieAfter)});
            QVERIFY(child.waitForFinished(30000));
            QCOMPARE(child.exitStatus(), dieAfter < 0 ? QProcess::NormalExit : QProcess::CrashExit);
            QVERIFY(consistent());
        }
        QCOMPARE(ledger(env).size(), 2); // one row a component
        QRandomGenerator rng(21);
        for (int i = 0; i < 6; ++i) {
            QProcess child;
            child.start(helper, {env.app.databaseAddress(), QStringLiteral("KIT"), QStringLiteral("1"),
                                 QStringLiteral("-1"), QStringLiteral("3")});
            QVERIFY(child.waitForReadyRead(10000));
            QTest::qWait(int(rng.bounded(12)));
            child.kill();
            QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished(10000));
            QVERIFY2(consistent(), qPrintable(ledger(env).join(QLatin1Char('\n'))));
        }
    }

    void historyWindow()
    {
        TestEnvironment env(Rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        QVERIFY(StockLedger::ensureTable(env.app.database())); // an older database gets it, empty
        QCOMPARE(ledger(env), QStringList());
        make(env, Path::Adjust);
        make(env, Path::KitPull);
        make(env, Path::Import);
        StockHistoryWindow w(env.app, QStringLiteral("r1"));
        w.load();
        QAbstractItemModel *m = w.model();
        // One part, newest first, its chart above: a step line from the stock
        // before the first change, the reorder point, one mark per kit pull.
        QCOMPARE(m->rowCount(), 2);
        QCOMPARE(m->data(m->index(0, 3)).toString(), QStringLiteral("83"));
        QCOMPARE(m->data(m->index(1, 3)).toString(), QStringLiteral("93"));
        QVERIFY(w.findChild<StockChart *>(QStringLiteral("chtStock"))->isVisibleTo(&w));
        QList<qreal> levels;
        for (const QPointF &p : w.findChild<StockChart *>(QStringLiteral("chtStock"))->stockLine())
            levels << p.y();
        QCOMPARE(levels, (QList<qreal>{100, 93, 93, 83, 83}));
        QCOMPARE(w.findChild<StockChart *>(QStringLiteral("chtStock"))->reorderLevel(), 40.0);
        QCOMPARE(w.findChild<StockChart *>(QStringLiteral("chtStock"))->kitPulls().size(), 1); // one pull, one mark
        edit(w, "txtPartNo")->clear();
        QVERIFY(w.showHistory());
        QCOMPARE(m->rowCount(), 6);
        QVERIFY(!w.findChild<StockChart *>(QStringLiteral("chtStock"))->isVisibleTo(&w));
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
