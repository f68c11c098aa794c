// The database layer: connection settings, bound values, result sets.
#include "data/database.h"
#include "data/recordset.h"
#include "testenvironment.h"

#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

class TestDatabase : public QObject
{
    Q_OBJECT

private:
    static QString parts()
    {
        return QStringLiteral(
            "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint, MinReq, Bin) VALUES "
            "('C10U', 'Capacitor 10uF', 50, 0.12, 10, 10, 0),"
            "('R100', 'Resistor 100R', 500, 0.02, 100, 100, 0),"
            "('R150', 'Resistor 150R', 20, 0.02, 100, 100, 1),"
            "('5'' CABLE', 'Cable, 5 ft', 3, 4.5, 1, 1, 0),"
            "('ZZTOP', NULL, 1, 1, 0, 0, NULL);");
    }

private slots:
    void connectionSettings()
    {
        if (TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("settings of the file database");
        TestEnvironment env;
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        QCOMPARE(env.scalar("PRAGMA journal_mode").toString().toLower(), QStringLiteral("wal"));
        QCOMPARE(env.scalar("PRAGMA synchronous").toInt(), 2); // FULL
        QVERIFY(env.scalar("PRAGMA busy_timeout").toInt() >= 5000);
    }

    void openRefusesWhatIsNotADatabase_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QByteArray() << "does not exist";
        QTest::newRow("empty") << QByteArray("") << "empty";
        QByteArray jet(2048, '\0');
        jet.replace(4, 15, "Standard Jet DB");
        QTest::newRow("jet") << jet << "Microsoft Access (Jet)";
        QByteArray ace(2048, '\0');
        ace.replace(4, 15, "Standard ACE DB");
        QTest::newRow("ace") << ace << "Microsoft Access (Jet)";
        QTest::newRow("text") << QByteArray("PartNo,Description\nR100,Resistor\n") << "not an SQLite database";
        QByteArray damaged("SQLite format 3");
        damaged.append('\0');
        damaged.append(QByteArray(4000, 'x'));
        QTest::newRow("damaged") << damaged << "";
    }

    void openRefusesWhatIsNotADatabase()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath("Inventory.mdb");
        if (!content.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        Database db(QStringLiteral("refuse"));
        QVERIFY(!db.open(path));
        QVERIFY(!db.isOpen());
        QVERIFY(db.error().isError());
        if (!reason.isEmpty())
            QVERIFY2(db.errorString().contains(reason), qPrintable(db.errorString()));
        // Never created, emptied or rewritten.
        QCOMPARE(QFile::exists(path), !content.isNull());
        if (!content.isNull()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), content);
        }
    }

    void boundValuesAndLetterCase()
    {
        TestEnvironment env(parts());
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        Database &db = env.app.database();
        // An apostrophe is a value like any other.
        qint64 n = 0;
        QVERIFY(db.execute("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?;", {7, "5' CABLE"}, &n));
        QCOMPARE(n, 1);
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = '5'' CABLE'").toInt(), 7);
        // Look-ups ignore letter case.
        Recordset rs;
        QVERIFY(rs.open(db, "select CurrentInv from Inventory where PartNo =  ? ;", {"r100"}));
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.value("CurrentInv").toInt(), 500);
        // The database refuses a second part of the same number, in any case.
        QVERIFY(!db.execute("INSERT INTO Inventory (PartNo) VALUES (?)", {"c10u"}));
        QCOMPARE(db.error().source, DbError::Source::Engine);
        QVERIFY(!db.execute("INSERT INTO Users (User, Password) VALUES (?, ?)", {"A", "x"}) ||
                !db.execute("INSERT INTO Users (User, Password) VALUES (?, ?)", {"a", "y"}));
        // A negative stock is stored as written.
        QVERIFY(db.execute("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?;", {QString("-3"), "R150"}));
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'R150'").toInt(), -3);
        // New rows get the column defaults.
        QVERIFY(db.execute("INSERT INTO Inventory (PartNo, CurrentInv) VALUES (?, ?)", {"NEW1", 1}));
        QCOMPARE(env.scalar("select ReorderPoint from Inventory where PartNo = 'NEW1'").toInt(), 0);
        QCOMPARE(env.scalar("select Bin from Inventory where PartNo = 'NEW1'").toInt(), 0);
    }

    void deleteForms()
    {
        TestEnvironment env(parts() + "INSERT INTO Users (User, Password) VALUES ('bob', 'pw');"
                                      "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES ('B1', 'Board', 'R100', 2);");
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        Database &db = env.app.database();
        QVERIFY2(db.execute("Delete Inventory.PartNo From Inventory WHERE PartNo = ?;", {"r100"}),
                 qPrintable(db.errorString()));
        QCOMPARE(env.scalar("select count(*) from Inventory where PartNo = 'R100'").toInt(), 0);
        QCOMPARE(env.scalar("select count(*) from BoardBOM").toInt(), 1); // left in place
        QVERIFY(db.execute("Delete Users.* From Users WHERE Users.User = ?;", {"BOB"}));
        QCOMPARE(env.scalar("select count(*) from Users").toInt(), 0);
        // The other dialect forms run as they stand.
        Recordset rs;
        QVERIFY2(rs.open(db, "select PartNo as [Part No],CurrentInv as [Current Inv] from Inventory Order by PartNo"),
                 qPrintable(rs.errorString()));
        QCOMPARE(rs.fieldNames(), QStringList({"Part No", "Current Inv"}));
        QVERIFY(rs.open(db, "select * from BoardBOM WHERE (((BoardBOM.BoardPN) = ?));", {"b1"}));
        QCOMPARE(rs.recordCount(), 1);
        QVERIFY(rs.open(db, "select * from BoardBOM WHERE BoardPN is null;"));
        QCOMPARE(rs.recordCount(), 0);
    }

    void movesAndTheNoCurrentRowError()
    {
        TestEnvironment env(parts());
        Recordset rs;
        QSignalSpy moves(&rs, &Recordset::moved);
        QVERIFY(rs.open(env.app.database(), "select * from Inventory order by PartNo;"));
        QCOMPARE(rs.recordCount(), 5);
        QCOMPARE(rs.absolutePosition(), 1);
        QCOMPARE(rs.value("PartNo").toString(), QStringLiteral("5' CABLE"));
        QVERIFY(rs.moveLast());
        QCOMPARE(rs.value("partno").toString(), QStringLiteral("ZZTOP")); // names ignore case
        QVERIFY(rs.moveNext());
        QVERIFY(rs.isEof());
        QCOMPARE(rs.absolutePosition(), Recordset::PositionEof);
        QVERIFY(!rs.value("PartNo").isValid());
        QVERIFY(rs.error().is(ErrorNumber::NoCurrentRecord));
        QVERIFY(!rs.moveNext());
        QVERIFY(rs.error().is(ErrorNumber::NoCurrentRecord));
        QVERIFY(rs.moveFirst());
        QVERIFY(rs.movePrevious());
        QVERIFY(rs.isBof());
        QVERIFY(!rs.value("PartNo").isValid());
        QCOMPARE(rs.error().number, 3021);
        QVERIFY(rs.moveTo(3));
        QCOMPARE(rs.value("PartNo").toString(), QStringLiteral("R100"));
        QVERIFY(!rs.value("NoSuchColumn").isValid());
        QCOMPARE(rs.error().number, int(ErrorNumber::ItemNotFound));
        QVERIFY(moves.count() >= 6);
        // A null column reads as null, not as an error.
        QVERIFY(rs.moveLast());
        QVERIFY(rs.value("Description").isNull());
        QVERIFY(!rs.error());
        QVERIFY(rs.close());
        QVERIFY(!rs.close());
        QVERIFY(rs.error().is(ErrorNumber::ObjectClosed));
        QVERIFY(!rs.moveFirst());
        QCOMPARE(rs.error().number, 3704);
    }

    void emptySet()
    {
        TestEnvironment env;
        Recordset rs;
        QVERIFY(rs.open(env.app.database(), "select * from Inventory order by PartNo;"));
        QCOMPARE(rs.recordCount(), 0);
        QVERIFY(rs.isEof() && rs.isBof());
        QVERIFY(!rs.moveLast());
        QVERIFY(rs.error().is(ErrorNumber::NoCurrentRecord));
        QVERIFY(rs.findForward("PartNo", Recordset::Match::Equal, "X"));
        QVERIFY(rs.isEof());
    }

    void findForward_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("match");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("found"); // empty: end of set
        const int eq = int(Recordset::Match::Equal), bw = int(Recordset::Match::BeginsWith);
        QTest::newRow("equal") << 1 << eq << "R150" << "R150";
        QTest::newRow("equal ignores case") << 1 << eq << "r150" << "R150";
        QTest::newRow("equal is whole") << 1 << eq << "R15" << "";
        QTest::newRow("begins") << 1 << bw << "R1" << "R100";
        QTest::newRow("begins ignores case") << 1 << bw << "r1" << "R100";
        QTest::newRow("from current row on") << 4 << bw << "R1" << "R150";
        QTest::newRow("current row included") << 3 << eq << "R100" << "R100";
        QTest::newRow("behind the current row") << 5 << bw << "C" << "";
        QTest::newRow("apostrophe") << 1 << eq << "5' CABLE" << "5' CABLE";
        QTest::newRow("wildcards are plain text") << 1 << bw << "R*" << "";
        QTest::newRow("empty prefix") << 2 << bw << "" << "C10U";
        QTest::newRow("null never matches") << 1 << eq << "" << "";
    }

    void findForward()
    {
        QFETCH(int, start);
        QFETCH(int, match);
        QFETCH(QString, text);
        QFETCH(QString, found);
        TestEnvironment env(parts());
        Recordset rs;
        QVERIFY(rs.open(env.app.database(), "select * from Inventory order by PartNo;"));
        QVERIFY(rs.moveTo(start));
        const QString column = text.isEmpty() && found.isEmpty() ? "Description" : "PartNo";
        QVERIFY(rs.findForward(column, Recordset::Match(match), text));
        if (found.isEmpty()) {
            QVERIFY(rs.isEof());
        } else {
            QVERIFY(!rs.isEof());
            QCOMPARE(rs.value("PartNo").toString(), found);
        }
    }

    void writingRows()
    {
        TestEnvironment env(parts());
        Database &db = env.app.database();
        Recordset rs;
        // Add a row through an empty look-up, as the part window does.
        QVERIFY(rs.open(db, "select * from Inventory where PartNo =  ? ;", {"NEW'1"}));
        QCOMPARE(rs.recordCount(), 0);
        QVERIFY(rs.addNew());
        QVERIFY(rs.setValue("PartNo", "NEW'1"));
        QVERIFY(rs.setValue("CurrentInv", 4));
        QVERIFY(rs.setValue("UnitCost", 12.345));
        QVERIFY2(rs.update(), qPrintable(rs.errorString()));
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.value("ReorderPoint").toInt(), 0); // default read back
        QCOMPARE(env.scalar("select UnitCost from Inventory where PartNo = ?", {"NEW'1"}).toDouble(), 12.345);

        // Edit in place; moving away writes the edit.
        QVERIFY(rs.open(db, "select * from Inventory order by PartNo;"));
        QVERIFY(rs.findForward("PartNo", Recordset::Match::Equal, "R100"));
        QVERIFY(rs.setValue("CurrentInv", 499));
        QCOMPARE(rs.value("CurrentInv").toInt(), 499);
        QVERIFY(rs.moveNext());
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 499);

        // Cancel drops the edit.
        QVERIFY(rs.setValue("CurrentInv", 1));
        QVERIFY(rs.cancelUpdate());
        QVERIFY(rs.moveNext());
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'R150'").toInt(), 20);

        // Delete: the row is gone at once; the next move lands on the row after it.
        QVERIFY(rs.moveFirst());
        QVERIFY(rs.findForward("PartNo", Recordset::Match::Equal, "R150"));
        QVERIFY(rs.deleteCurrent());
        QVERIFY(!rs.value("PartNo").isValid());
        QVERIFY(rs.moveNext());
        QCOMPARE(rs.value("PartNo").toString(), QStringLiteral("ZZTOP"));
        QCOMPARE(env.scalar("select count(*) from Inventory where PartNo = 'R150'").toInt(), 0);

        // A refused write is an engine error and leaves the set as it was.
        QVERIFY(rs.addNew());
        QVERIFY(rs.setValue("PartNo", "r100"));
        QVERIFY(!rs.update());
        QCOMPARE(rs.error().source, DbError::Source::Engine);
        QVERIFY(rs.cancelUpdate());

        // Batch: edits wait for updateBatch and land together.
        QVERIFY(rs.requery());
        rs.setBatchMode(true);
        QVERIFY(rs.setValue("CurrentInv", 11));
        QVERIFY(rs.moveNext());
        QVERIFY(rs.setValue("CurrentInv", 22));
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = '5'' CABLE'").toInt(), 3);
        QVERIFY2(rs.updateBatch(), qPrintable(rs.errorString()));
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = '5'' CABLE'").toInt(), 11);
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'C10U'").toInt(), 22);

        // A failed batch leaves the set as it was, edits still pending.
        QVERIFY(rs.moveFirst());
        QVERIFY(rs.setValue("CurrentInv", 33));
        QVERIFY(rs.addNew());
        QVERIFY(rs.setValue("PartNo", "R100")); // refused: a duplicate
        const qsizetype before = rs.recordCount();
        QVERIFY(!rs.updateBatch());
        QCOMPARE(rs.recordCount(), before);
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = '5'' CABLE'").toInt(), 11);
        QVERIFY(rs.hasPendingChanges());
        QVERIFY(rs.cancelUpdate());
        rs.setBatchMode(false);

        // A row someone else deleted meanwhile is not written, and says so.
        QVERIFY(rs.requery());
        QVERIFY(db.execute("DELETE FROM Inventory WHERE PartNo = ?", {"5' CABLE"}));
        QVERIFY(rs.setValue("CurrentInv", 1));
        QVERIFY(!rs.update());
        QVERIFY(rs.error().is(ErrorNumber::RowNotFound));
        QVERIFY(rs.cancelUpdate());
        QVERIFY(!rs.deleteCurrent());
        QVERIFY(rs.error().is(ErrorNumber::RowNotFound));

        // A grouped set cannot be written.
        QVERIFY(rs.open(db, "select BoardPN, count(*) as N from BoardBOM GROUP BY BoardPN"));
        QVERIFY(!rs.isUpdatable());
    }

    void refusedStatements()
    {
        TestEnvironment env(parts());
        Recordset rs;
        QVERIFY(!rs.open(env.app.database(), "select NoSuchColumn from Inventory"));
        QCOMPARE(rs.error().source, DbError::Source::Engine);
        QVERIFY(rs.errorString().contains("NoSuchColumn", Qt::CaseInsensitive));
        QVERIFY(!rs.isOpen());
        QVERIFY(!rs.open(env.app.database(), "select * from Inventory where PartNo = ?", {}));
        QVERIFY(rs.open(env.app.database(), "select * from Inventory where PartNo = ? or PartNo = ?",
                        {"R100", QVariant()}));
        QCOMPARE(rs.recordCount(), 1);
    }

    void forwardOnly()
    {
        TestEnvironment env(parts());
        Recordset rs;
        QVERIFY(rs.open(env.app.database(), "select PartNo from Inventory Order by PartNo",
                        {}, Recordset::Kind::ForwardOnly));
        QStringList seen;
        while (!rs.isEof()) {
            seen << rs.value("PartNo").toString();
            QVERIFY(rs.moveNext());
        }
        QCOMPARE(seen.size(), 5);
        QVERIFY(!rs.moveFirst());
    }

    void writeTransactionsTakeTheLockAtOnce()
    {
        if (TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("the file database's write lock");
        TestEnvironment env(parts());
        Database &db = env.app.database();
        QVERIFY(db.beginWrite());
        // A second connection cannot start writing meanwhile.
        Database other(QStringLiteral("other"));
        QVERIFY(other.open(env.app.databasePath()));
        other.execute("PRAGMA busy_timeout = 50");
        QVERIFY(!other.beginWrite());
        QVERIFY(db.execute("UPDATE Inventory SET CurrentInv = 1 WHERE PartNo = ?", {"R100"}));
        QVERIFY(db.rollback());
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 500);
    }

    void scriptSplitting()
    {
        const QStringList s = splitSqlScript(
            "INSERT INTO T VALUES ('a;b'); -- comment; here\nINSERT INTO T VALUES ('it''s;');;\n");
        QCOMPARE(s.size(), 2);
        QCOMPARE(s.at(1), QStringLiteral("INSERT INTO T VALUES ('it''s;')"));
    }

    void errorMessage()
    {
        QCOMPARE(errorMessageText(DbError::runtime(ErrorNumber::Overflow)),
                 QStringLiteral("Error No 6\r\nOverflow has occured."));
    }
};

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
