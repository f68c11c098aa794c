// The stock rules without any window: 16-bit stock arithmetic, the reorder
// comparison, adding a part with its vendor and deleting one, each inside a
// write transaction the caller owns. What a test checks it reads through a
// second connection, so only committed data counts.
#include "data/writetransaction.h"
#include "stock/ops/stockoperations.h"
#include "testenvironment.h"

#include <QSqlQuery>
#include <QtTest>

namespace {

const QString Parts = QStringLiteral(
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint) VALUES "
    "('R100', 'Resistor 100R', 100, 0.02, 50), ('NOREORDER', 'No reorder point', 10, 1, NULL),"
    "('NOSTOCK', 'Never counted', NULL, 1, 0), ('BIG', 'Nearly full', 32760, 1, 0),"
    "('LOW', 'Nearly empty', -32760, 1, 0), ('5'' CABLE', 'Cable', 5, 1, 0);"
    "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES ('R100', 'RS', 'Resistor 100R');");

using StockOps::Status;

} // namespace

Q_DECLARE_METATYPE(StockOps::Status)

class TestStockOperations : public QObject
{
    Q_OBJECT

    // A second connection on the same file: sees committed rows only.
    QVariant committed(TestEnvironment &env, const QString &sql, const QVariantList &values = {})
    {
        Database other(QStringLiteral("observer"));
        if (!other.open(env.app.databaseAddress()))
            return QStringLiteral("cannot open: ") + other.errorString();
        QSqlQuery q(other.handle());
        q.prepare(other.engine().translate(sql));
        for (const QVariant &v : values)
            q.addBindValue(v);
        QVariant result;
        if (q.exec() && q.next())
            result = q.value(0);
        q.finish();
        q = QSqlQuery();
        other.close();
        return result;
    }

private slots:
    void adjustStock_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<double>("delta");
        QTest::addColumn<Status>("status");
        QTest::addColumn<int>("error");  // a runtime error number, 0 for none
        QTest::addColumn<int>("stored"); // committed stock afterwards
        QTest::addColumn<bool>("below");

        QTest::newRow("add") << "R100" << 5.0 << Status::Done << 0 << 105 << false;
        QTest::newRow("other letter case") << "r100" << -1.0 << Status::Done << 0 << 99 << false;
        QTest::newRow("half rounds to even, down") << "R100" << 2.5 << Status::Done << 0 << 102 << false;
        QTest::newRow("half rounds to even, up") << "R100" << 3.5 << Status::Done << 0 << 104 << false;
        QTest::newRow("fraction of a kit") << "R100" << -0.25 << Status::Done << 0 << 100 << false;
        QTest::newRow("negative stock is stored") << "R100" << -150.0 << Status::Done << 0 << -50 << true;
        QTest::newRow("at the reorder point") << "R100" << -50.0 << Status::Done << 0 << 50 << false;
        QTest::newRow("just below it") << "R100" << -51.0 << Status::Done << 0 << 49 << true;
        QTest::newRow("no reorder point is never reached") << "NOREORDER" << -500.0 << Status::Done << 0 << -490 << false;
        QTest::newRow("to the top of the range") << "BIG" << 7.0 << Status::Done << 0 << 32767 << false;
        QTest::newRow("past the top") << "BIG" << 8.0 << Status::OutOfRange << 6 << 32760 << false;
        QTest::newRow("to the bottom") << "LOW" << -8.0 << Status::Done << 0 << -32768 << true;
        QTest::newRow("past the bottom") << "LOW" << -9.0 << Status::OutOfRange << 6 << -32760 << false;
        QTest::newRow("beyond any number") << "R100" << qInf() << Status::OutOfRange << 6 << 100 << false;
        QTest::newRow("stock never counted") << "NOSTOCK" << 1.0 << Status::Failed << 94 << 0 << false;
        QTest::newRow("no such part") << "NOPE" << 1.0 << Status::PartMissing << 0 << 0 << false;
    }
    void adjustStock()
    {
        QFETCH(QString, partNo);
        QFETCH(double, delta);
        QFETCH(Status, status);
        QFETCH(int, error);
        QFETCH(int, stored);
        QFETCH(bool, below);
        TestEnvironment env(Parts);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        Database &db = env.app.database();
        const QVariant before = committed(env, "select CurrentInv from Inventory where PartNo = ?", {partNo});
        WriteTransaction transaction(db);
        QVERIFY(transaction.isOpen());
        const StockOps::StockChange change = StockOps::adjustStock(db, partNo, delta);
        QCOMPARE(change.status, status);
        QVERIFY(error ? change.error.is(error) : !change.error); // the program's number, not an engine code
        QCOMPARE(change.belowReorderPoint(), below);
        // Nothing is visible to others before the commit.
        QCOMPARE(committed(env, "select CurrentInv from Inventory where PartNo = ?", {partNo}), before);
        if (change.ok())
            QCOMPARE(int(change.newStock), stored);
        QVERIFY(transaction.commit());
        const QVariant after = committed(env, "select CurrentInv from Inventory where PartNo = ?", {partNo});
        if (status == Status::PartMissing)
            QVERIFY(!after.isValid());
        else if (error == 94)
            QVERIFY(after.isNull());
        else
            QCOMPARE(after.toInt(), stored);
    }

    // Many changes in one transaction are all or nothing for other readers.
    void changesInOneTransaction()
    {
        TestEnvironment env(Parts);
        Database &db = env.app.database();
        {
            WriteTransaction transaction(db);
            QVERIFY(StockOps::adjustStock(db, "R100", 1).ok());
            QVERIFY(StockOps::adjustStock(db, "R100", 1).ok());
            QCOMPARE(committed(env, "select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 100);
            // Dropped without a commit: rolled back.
        }
        QCOMPARE(committed(env, "select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 100);
        WriteTransaction transaction(db);
        QCOMPARE(StockOps::adjustStock(db, "R100", 1).newStock, qint16(101));
        QCOMPARE(StockOps::adjustStock(db, "R100", 1).newStock, qint16(102)); // sees its own change
        QVERIFY(transaction.commit());
        QCOMPARE(committed(env, "select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 102);
    }

    void addPart_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<Status>("status");
        QTest::addColumn<int>("parts");   // committed rows afterwards
        QTest::addColumn<QString>("shown"); // the vendor a look-up of the part finds
        QTest::newRow("new part with vendor") << "C10U" << "Farnell" << Status::Done << 7 << "Farnell";
        QTest::newRow("quote in the number") << "O'Brien" << "Bob's" << Status::Done << 7 << "Bob's";
        QTest::newRow("listed in other letter case") << "r100" << "X" << Status::AlreadyListed << 6 << "RS";
        // A vendor row left by a deleted part goes with the new part.
        QTest::newRow("re-added part, new vendor") << "GONE" << "Digikey" << Status::Done << 7 << "Digikey";
        QTest::newRow("re-added part, no vendor") << "GONE" << "" << Status::Done << 7 << "";
    }
    void addPart()
    {
        QFETCH(QString, partNo);
        QFETCH(QString, vendor);
        QFETCH(Status, status);
        QFETCH(int, parts);
        QFETCH(QString, shown);
        TestEnvironment env(Parts + "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES "
                                    "('gone', 'Old vendor', 'Deleted long ago');");
        Database &db = env.app.database();
        WriteTransaction transaction(db);
        const StockOps::Outcome outcome =
            StockOps::addPart(db, {partNo, 3, "A part", 0.5, 2, vendor});
        QCOMPARE(outcome.status, status);
        QVERIFY(transaction.commit());
        QCOMPARE(committed(env, "select count(*) from Inventory").toInt(), parts);
        QCOMPARE(committed(env, "select count(*) from PreferredVendor where Item = ?", {partNo}).toInt(),
                 shown.isEmpty() ? 0 : 1);
        QCOMPARE(committed(env, "select Vendor from PreferredVendor where Item = ?", {partNo}).toString(), shown);
        if (outcome.ok()) {
            // Stored exactly as given, letter case included.
            QCOMPARE(committed(env, "select PartNo from Inventory where PartNo = ?", {partNo}).toString(), partNo);
            QCOMPARE(committed(env, "select count(*) from Inventory where PartNo = ? and "
                                    "CurrentInv = 3 and UnitCost = 0.5 and MinReq = 2 and Bin = 0",
                               {partNo})
                         .toInt(),
                     1);
        }
    }

    // A refused vendor row takes the part with it when the caller rolls back.
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
        QCOMPARE(committed(env, "select count(*) from Inventory where PartNo = 'N1'").toInt(), 0);
        // And the connection takes the next write transaction.
        WriteTransaction again(db);
        QVERIFY(again.isOpen());
    }

    void deletePart()
    {
        TestEnvironment env(Parts);
        Database &db = env.app.database();
        WriteTransaction transaction(db);
        QCOMPARE(StockOps::deletePart(db, "r100").status, Status::Done);
        QCOMPARE(StockOps::deletePart(db, "R100").status, Status::PartMissing); // already gone
        QCOMPARE(StockOps::deletePart(db, "5' CABLE").status, Status::Done);
        QVERIFY(transaction.commit());
        QCOMPARE(committed(env, "select count(*) from Inventory").toInt(), 4);
        // Its vendor row stays, as deleting a part leaves the rows that name it.
        QCOMPARE(committed(env, "select count(*) from PreferredVendor where Item = 'R100'").toInt(), 1);
    }

    void valueStock_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<int>("error"); // a runtime error number, 0 for none
        QTest::addColumn<double>("total");

        QTest::newRow("products summed") << QStringLiteral(
            "INSERT INTO Inventory (PartNo, CurrentInv, UnitCost) VALUES ('A', 100, 0.02),"
            "('B', 3, 12.5), ('C', 0, 99);") << 0 << 39.5;
        QTest::newRow("negative stock or cost counts nothing") << QStringLiteral(
            "INSERT INTO Inventory (PartNo, CurrentInv, UnitCost) VALUES ('A', -3, 2),"
            "('B', 4, -1), ('C', -2, -5), ('D', 1, 7);") << 0 << 7.0;
        QTest::newRow("beyond 16 bits") << QStringLiteral(
            "INSERT INTO Inventory (PartNo, CurrentInv, UnitCost) VALUES ('A', 40000, 1.5);")
                                        << 0 << 60000.0;
        QTest::newRow("empty catalogue") << QString() << int(ErrorNumber::NoCurrentRecord) << 0.0;
        QTest::newRow("stock never counted") << QStringLiteral(
            "INSERT INTO Inventory (PartNo, CurrentInv, UnitCost) VALUES ('A', 1, 1),"
            "('B', NULL, 2);") << int(ErrorNumber::InvalidUseOfNull) << 0.0;
    }

    void valueStock()
    {
        QFETCH(QString, rows);
        QFETCH(int, error);
        QFETCH(double, total);
        TestEnvironment env(rows);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const StockOps::Valuation value = StockOps::valueStock(env.app.database());
        QCOMPARE(value.ok(), error == 0);
        if (error)
            QVERIFY2(value.error.is(error), qPrintable(value.error.description));
        else
            QCOMPARE(value.total, total);
    }
};

QTEST_MAIN(TestStockOperations)
#include "tst_stockoperations.moc"
