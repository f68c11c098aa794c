// The stock rules without any window: 16-bit stock arithmetic, the reorder
// comparison, adding a part with its vendor and deleting one, each inside a
// write transaction the caller owns. What a test checks it reads through a
// second connection (env.scalar), so only committed data counts.
#include "data/writetransaction.h"
#include "stock/ops/stockoperations.h"
#include "testenvironment.h"

#include <QtTest>

namespace {

const QString Parts = QStringLiteral(
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint) VALUES "
    "('R100', 'Resistor 100R', 100, 0.02, 50), ('NOREORDER', 'No reorder point', 10, 1, NULL),"
    "('NOSTOCK', 'Never counted', NULL, 1, 0), ('BIG', 'Nearly full', 32760, 1, 0),"
    "('LOW', 'Nearly empty', -32760, 1, 0), ('5'' CABLE', 'Cable', 5, 1, 0);"
    "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES ('R100', 'RS', 'Resistor 100R');");

using StockOps::Status;

struct AdjustRow { QString partNo; double delta; Status status; int error; int stored; bool below; };
struct AddRow { QString partNo, vendor; Status status; int parts; QString shown; };
struct ValueRow { QString rows; int error; double total; };

} // namespace

Q_DECLARE_METATYPE(AdjustRow)
Q_DECLARE_METATYPE(AddRow)
Q_DECLARE_METATYPE(ValueRow)

class TestStockOperations : public QObject
{
    Q_OBJECT

    static QVariant stock(TestEnvironment &env, const QString &partNo)
    {
        return env.scalar("select CurrentInv from Inventory where PartNo = ?", {partNo});
    }

private slots:
    // One change, its status, the program's error number (never an engine
    // code), the stock others see after the commit and the reorder flag.
    void adjustStock_data()
    {
        QTest::addColumn<AdjustRow>("row");
        const Status done = Status::Done, range = Status::OutOfRange;
        QTest::newRow("other letter case") << AdjustRow{"r100", -1, done, 0, 99, false};
        QTest::newRow("half rounds to even, down") << AdjustRow{"R100", 2.5, done, 0, 102, false};
        QTest::newRow("half rounds to even, up") << AdjustRow{"R100", 3.5, done, 0, 104, false};
        QTest::newRow("fraction of a kit") << AdjustRow{"R100", -0.25, done, 0, 100, false};
        QTest::newRow("negative stock is stored") << AdjustRow{"R100", -150, done, 0, -50, true};
        QTest::newRow("at the reorder point") << AdjustRow{"R100", -50, done, 0, 50, false};
        QTest::newRow("just below it") << AdjustRow{"R100", -51, done, 0, 49, true};
        QTest::newRow("no reorder point is never reached") << AdjustRow{"NOREORDER", -500, done, 0, -490, false};
        QTest::newRow("to the top of the range") << AdjustRow{"BIG", 7, done, 0, 32767, false};
        QTest::newRow("past the top") << AdjustRow{"BIG", 8, range, 6, 32760, false};
        QTest::newRow("to the bottom") << AdjustRow{"LOW", -8, done, 0, -32768, true};
        QTest::newRow("past the bottom") << AdjustRow{"LOW", -9, range, 6, -32760, false};
        QTest::newRow("beyond any number") << AdjustRow{"R100", qInf(), range, 6, 100, false};
        QTest::newRow("stock never counted") << AdjustRow{"NOSTOCK", 1, Status::Failed, 94, 0, false};
        QTest::newRow("no such part") << AdjustRow{"NOPE", 1, Status::PartMissing, 0, 0, false};
    }
    void adjustStock()
    {
        QFETCH(AdjustRow, row);
        TestEnvironment env(Parts);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        Database &db = env.app.database();
        const QVariant before = stock(env, row.partNo);
        WriteTransaction transaction(db);
        const StockOps::StockChange change = StockOps::adjustStock(db, row.partNo, row.delta);
        QCOMPARE(change.status, row.status);
        QVERIFY(row.error ? change.error.is(row.error) : !change.error);
        QCOMPARE(change.belowReorderPoint(), row.below);
        QCOMPARE(stock(env, row.partNo), before); // nothing seen before the commit
        if (change.ok())
            QCOMPARE(int(change.newStock), row.stored);
        QVERIFY(transaction.commit());
        const QVariant after = stock(env, row.partNo);
        QVERIFY(row.status == Status::PartMissing ? !after.isValid()
                : row.error == 94                 ? after.isNull()
                                                  : after.toInt() == row.stored);
    }

    // A vendor row left by a deleted part goes with the new part.
    void addPart_data()
    {
        QTest::addColumn<AddRow>("row");
        QTest::newRow("new part with vendor") << AddRow{"C10U", "Farnell", Status::Done, 7, "Farnell"};
        QTest::newRow("quote in the number") << AddRow{"O'Brien", "Bob's", Status::Done, 7, "Bob's"};
        QTest::newRow("listed in other letter case") << AddRow{"r100", "X", Status::AlreadyListed, 6, "RS"};
        QTest::newRow("re-added part, new vendor") << AddRow{"GONE", "Digikey", Status::Done, 7, "Digikey"};
        QTest::newRow("re-added part, no vendor") << AddRow{"GONE", "", Status::Done, 7, ""};
    }
    void addPart()
    {
        QFETCH(AddRow, row);
        TestEnvironment env(Parts + "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES "
                                    "('gone', 'Old vendor', 'Deleted long ago');");
        Database &db = env.app.database();
        WriteTransaction transaction(db);
        const StockOps::Outcome outcome = StockOps::addPart(db, {row.partNo, 3, "A part", 0.5, 2, row.vendor});
        QCOMPARE(outcome.status, row.status);
        QVERIFY(transaction.commit());
        QCOMPARE(env.scalar("select count(*) from Inventory").toInt(), row.parts);
        QCOMPARE(env.scalar("select count(*) from PreferredVendor where Item = ?", {row.partNo}).toInt(),
                 row.shown.isEmpty() ? 0 : 1);
        QCOMPARE(env.scalar("select Vendor from PreferredVendor where Item = ?", {row.partNo}).toString(), row.shown);
        if (outcome.ok()) // stored exactly as given, letter case included
            QCOMPARE(env.row("select PartNo, CurrentInv, UnitCost, MinReq, Bin from Inventory where PartNo = ?",
                             {row.partNo}),
                     (QVariantList{row.partNo, 3, 0.5, 2, 0}));
    }

    // A refused vendor row takes the part with it when the caller rolls
    // back, and the connection takes the next write transaction.
    void addPartRefusedHalfWay()
    {
        TestEnvironment env(Parts);
        QVERIFY(env.refuseInserts("PreferredVendor"));
        Database &db = env.app.database();
        {
            WriteTransaction transaction(db);
            const StockOps::Outcome outcome = StockOps::addPart(db, {"N1", 1, "New", 1, 1, "Vendor"});
            QCOMPARE(outcome.status, Status::Failed);
            QCOMPARE(outcome.error.source, DbError::Source::Engine);
            QVERIFY(outcome.error.description.contains("row refused"));
        }
        QCOMPARE(env.scalar("select count(*) from Inventory where PartNo = 'N1'").toInt(), 0);
        WriteTransaction again(db);
        QVERIFY(again.isOpen());
    }

    // A change whose COMMIT the database refuses is a failure, and nothing
    // of it is kept.
    void commitRefused()
    {
        TestEnvironment env(Parts);
        QVERIFY(env.refuseCommitAfterUpdate("Inventory"));
        Database &db = env.app.database();
        QCOMPARE(StockOps::adjustStock(db, "R100", 1).status, Status::Failed);
        QCOMPARE(stock(env, "R100").toInt(), 100);
        QVERIFY(!db.inWriteTransaction());
    }

    // Its vendor row stays, as deleting a part leaves the rows that name it.
    void deletePart()
    {
        TestEnvironment env(Parts);
        Database &db = env.app.database();
        WriteTransaction transaction(db);
        QCOMPARE(StockOps::deletePart(db, "r100").status, Status::Done);
        QCOMPARE(StockOps::deletePart(db, "R100").status, Status::PartMissing);
        QCOMPARE(StockOps::deletePart(db, "5' CABLE").status, Status::Done);
        QVERIFY(transaction.commit());
        QCOMPARE(env.scalar("select count(*) from Inventory").toInt(), 4);
        QCOMPARE(env.scalar("select count(*) from PreferredVendor where Item = 'R100'").toInt(), 1);
    }

    void valueStock_data()
    {
        QTest::addColumn<ValueRow>("row");
        const QString insert = "INSERT INTO Inventory (PartNo, CurrentInv, UnitCost) VALUES ";
        QTest::newRow("products summed") << ValueRow{insert + "('A', 100, 0.02), ('B', 3, 12.5), ('C', 0, 99)", 0, 39.5};
        QTest::newRow("negative stock or cost counts nothing")
            << ValueRow{insert + "('A', -3, 2), ('B', 4, -1), ('C', -2, -5), ('D', 1, 7)", 0, 7.0};
        QTest::newRow("beyond 16 bits") << ValueRow{insert + "('A', 40000, 1.5)", 0, 60000.0};
        QTest::newRow("empty catalogue") << ValueRow{QString(), int(ErrorNumber::NoCurrentRecord), 0};
        QTest::newRow("stock never counted") << ValueRow{insert + "('A', 1, 1), ('B', NULL, 2)",
                                                         int(ErrorNumber::InvalidUseOfNull), 0};
    }
    void valueStock()
    {
        QFETCH(ValueRow, row);
        TestEnvironment env(row.rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const StockOps::Valuation value = StockOps::valueStock(env.app.database());
        QVERIFY2(row.error ? value.error.is(row.error) : value.ok(), qPrintable(value.error.description));
        QCOMPARE(value.total, row.total);
    }
};

QTEST_MAIN(TestStockOperations)
#include "tst_stockoperations.moc"
