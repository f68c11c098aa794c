// The database layer: connection settings, bound values, result sets.
#include "data/caserules.h"
#include "data/database.h"
#include "data/dialect.h"
#include "data/pgengine.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "testenvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

namespace {

// An engine with no fast reader of its own, as a server engine has: result
// sets are read row by row through QSqlQuery. Everything else is SQLite's.
class QueryReadingEngine : public SqliteEngine
{
public:
    mutable int refused = 0;
    bool run(QSqlDatabase &, const QString &, const QVariantList &, RowSink *, DbError *,
             bool *supported, qint64 *) const override
    {
        ++refused;
        *supported = false;
        return false;
    }
};

// Everything a window can learn of a set: its columns, its rows, and each
// value's type and text.
QStringList contents(Recordset &rs)
{
    QStringList out{QString::number(rs.recordCount()), rs.fieldNames().join('|')};
    if (rs.recordCount() == 0)
        return out;
    for (bool more = rs.moveFirst(); more && !rs.isEof(); more = rs.moveNext()) {
        QStringList row;
        for (int c = 0; c < rs.fieldNames().size(); ++c) {
            const QVariant v = rs.value(c);
            row << QString::fromLatin1(v.isValid() ? v.typeName() : "invalid") + (v.isNull() ? "=null" : ':' + v.toString());
        }
        out << row.join('|');
    }
    return out;
}

} // namespace

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
        QCOMPARE(env.ownScalar("PRAGMA journal_mode").toString().toLower(), QStringLiteral("wal"));
        QCOMPARE(env.ownScalar("PRAGMA synchronous").toInt(), 2); // FULL
        QVERIFY(env.ownScalar("PRAGMA busy_timeout").toInt() >= 5000);
        QCOMPARE(env.ownScalar("PRAGMA mmap_size").toInt(), 0); // reads never go through a map
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

    void statementsAsWritten()
    {
        TestEnvironment env(parts() + "INSERT INTO Users (User, Password) VALUES ('bob', 'pw');"
                                      "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES ('B1', 'Board', 'R100', 2);");
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
        QVERIFY(!db.execute("INSERT INTO Users (User, Password) VALUES (?, ?)", {"BOB", "y"}));
        // A negative stock is stored as written.
        QVERIFY(db.execute("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?;", {QString("-3"), "R150"}));
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'R150'").toInt(), -3);
        // The dialect's delete forms.
        QVERIFY2(db.execute("Delete Inventory.PartNo From Inventory WHERE PartNo = ?;", {"r100"}),
                 qPrintable(db.errorString()));
        QCOMPARE(env.scalar("select count(*) from Inventory where PartNo = 'R100'").toInt(), 0);
        QCOMPARE(env.scalar("select count(*) from BoardBOM").toInt(), 1); // left in place
        QVERIFY(db.execute("Delete Users.* From Users WHERE Users.User = ?;", {"BOB"}));
        QCOMPARE(env.scalar("select count(*) from Users").toInt(), 0);
        // The other dialect forms run as they stand.
        QVERIFY2(rs.open(db, "select PartNo as [Part No],CurrentInv as [Current Inv] from Inventory Order by PartNo"),
                 qPrintable(rs.errorString()));
        QCOMPARE(rs.fieldNames(), QStringList({"Part No", "Current Inv"}));
        QVERIFY(rs.open(db, "select * from BoardBOM WHERE (((BoardBOM.BoardPN) = ?));", {"b1"}));
        QCOMPARE(rs.recordCount(), 1);
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
        QVERIFY(rs.error().is(ErrorNumber::NoCurrentRecord));
        QVERIFY(rs.moveTo(3));
        QCOMPARE(rs.value("PartNo").toString(), QStringLiteral("R100"));
        QVERIFY(!rs.value("NoSuchColumn").isValid());
        QVERIFY(rs.error().is(ErrorNumber::ItemNotFound));
        QVERIFY(moves.count() >= 6);
        // A null column reads as null, not as an error.
        QVERIFY(rs.moveLast());
        QVERIFY(rs.value("Description").isNull());
        QVERIFY(!rs.error());
        QVERIFY(rs.close());
        QVERIFY(!rs.close());
        QVERIFY(rs.error().is(ErrorNumber::ObjectClosed));
        QVERIFY(!rs.moveFirst());
        QVERIFY(rs.error().is(ErrorNumber::ObjectClosed));
        // An empty set.
        QVERIFY(rs.open(env.app.database(), "select * from Inventory where PartNo = 'NONE';"));
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
        QTest::newRow("from current row on") << 4 << bw << "R1" << "R150";
        QTest::newRow("current row included") << 3 << eq << "R100" << "R100";
        QTest::newRow("behind the current row") << 5 << bw << "C" << "";
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

    // The database's letter-case rule, and the result sets' finds, agree:
    // A-Z and a-z alike, every other letter only itself.
    void letterCaseAsTheDatabase_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("equal");
        QTest::newRow("Latin") << "Resistor 10K" << "rESISTOR 10k" << true;
        QTest::newRow("Greek") << QString("\u03A9MEGA") << QString("\u03C9mega") << false;
        QTest::newRow("Greek exact, Latin folded") << QString("\u03A9MEGA") << QString("\u03A9mega") << true;
        QTest::newRow("Latin-1 accent") << QString("CAF\u00C9") << QString("caf\u00E9") << false;
        QTest::newRow("German sharp s") << QString("STRASSE") << QString("stra\u00DFe") << false;
        QTest::newRow("dotted capital I") << QString("\u0130X") << QString("ix") << false;
        QTest::newRow("trailing blank") << "R100 " << "R100" << false;
    }
    void letterCaseAsTheDatabase()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(bool, equal);
        TestEnvironment env;
        QVERIFY(env.exec("INSERT INTO Inventory (PartNo, Description) VALUES ('A', 'A'), (?, ?)", {stored, stored}));
        QCOMPARE(env.scalar("SELECT count(*) FROM Inventory WHERE PartNo = ?", {typed}).toInt(), int(equal));
        QCOMPARE(CaseRules::equal(stored, typed), equal);
        const QString prefix = typed.left(typed.size() - 1);
        // The server's case-insensitive text compares a pattern the same way.
        const bool begins = env.engine() == TestEnvironment::Engine::File
            ? env.scalar("SELECT count(*) FROM Inventory WHERE substr(Description, 1, ?) = ? COLLATE NOCASE",
                         {prefix.size(), prefix}).toInt() == 1
            : env.scalar("SELECT count(*) FROM Inventory WHERE Description LIKE ?", {prefix + "%"}).toInt() == 1;
        QCOMPARE(CaseRules::startsWith(stored, prefix), begins);
        for (const char *column : {"PartNo", "Description"}) {
            Recordset rs;
            QVERIFY(rs.open(env.app.database(), "select * from Inventory order by PartNo;"));
            QVERIFY(rs.findForward(column, Recordset::Match::Equal, typed));
            QCOMPARE(!rs.isEof(), equal);
            QVERIFY(rs.moveFirst());
            QVERIFY(rs.findForward(column, Recordset::Match::BeginsWith, prefix));
            QCOMPARE(!rs.isEof(), begins);
        }
    }

    // Result sets read through QSqlQuery, for an engine with no reader of its
    // own, hold what the engine's own reader gives.
    void readingWithoutTheFastReader_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<int>("rows"); // -1: the statement is refused
        QTest::newRow("whole table") << "select * from Inventory order by PartNo;" << QVariantList() << 5;
        QTest::newRow("bound value, other case")
            << "select * from Inventory where PartNo =  ? ;" << QVariantList{"r100"} << 1;
        QTest::newRow("no rows") << "select * from Inventory where PartNo =  ? ;" << QVariantList{"NONE"} << 0;
        QTest::newRow("grouped, null group") << "select Bin, count(*) as N, sum(UnitCost) as Total from Inventory "
                                               "GROUP BY Bin order by Bin"
                                            << QVariantList() << 3;
        QTest::newRow("expressions")
            << "select UnitCost * 2 as Twice, null as NoValue, 'x' as Text, 7 as Seven, '' as Blank, x'00ff' as Bytes "
               "from Inventory where PartNo = ? or PartNo = ?"
            << QVariantList{"C10U", "ZZTOP"} << 2;
        QTest::newRow("refused") << "select NoSuchColumn from Inventory" << QVariantList() << -1;
    }
    void readingWithoutTheFastReader()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, values);
        QFETCH(int, rows);
        if (TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("the file database's own reader");
        TestEnvironment env(parts());
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        auto engine = std::make_unique<QueryReadingEngine>();
        const QueryReadingEngine &slow = *engine;
        Database other(QStringLiteral("query-reading"), std::move(engine));
        QVERIFY2(other.open(env.app.database().path()), qPrintable(other.errorString()));

        Recordset fast, read;
        QVERIFY2(fast.open(env.app.database(), sql, values) == (rows >= 0), qPrintable(fast.errorString()));
        QCOMPARE(read.open(other, sql, values), rows >= 0);
        QVERIFY(slow.refused > 0);
        if (rows < 0) {
            QCOMPARE(read.error().source, DbError::Source::Engine);
            QCOMPARE(read.error().number, fast.error().number);
            QCOMPARE(fast.error().source, read.error().source);
            QVERIFY(!read.isOpen());
            return;
        }
        QCOMPARE(read.recordCount(), qsizetype(rows));
        QCOMPARE(read.isUpdatable(), fast.isUpdatable());
        QCOMPARE(read.isEof(), rows == 0);
        QCOMPARE(contents(read), contents(fast));
    }

    // Types as the windows rely on them, and writes, through the query path.
    void writingWithoutTheFastReader()
    {
        if (TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("the file database's own reader");
        TestEnvironment env(parts());
        auto engine = std::make_unique<QueryReadingEngine>();
        Database other(QStringLiteral("query-reading"), std::move(engine));
        QVERIFY(other.open(env.app.database().path()));
        Recordset rs;
        QVERIFY(rs.open(other, "select * from Inventory order by PartNo;"));
        QVERIFY(rs.findForward("PartNo", Recordset::Match::Equal, "c10u"));
        QCOMPARE(rs.value("CurrentInv").typeId(), QMetaType::LongLong);
        QCOMPARE(rs.value("UnitCost").typeId(), QMetaType::Double);
        QCOMPARE(rs.value("PartNo").typeId(), QMetaType::QString);
        QVERIFY(rs.setValue("CurrentInv", 49));
        QVERIFY2(rs.update(), qPrintable(rs.errorString()));
        QVERIFY(rs.findForward("PartNo", Recordset::Match::Equal, "ZZTOP"));
        QVERIFY(rs.value("Description").isNull() && !rs.error());
        QVERIFY(rs.deleteCurrent());
        QVERIFY(rs.addNew());
        QVERIFY(rs.setValue("PartNo", "NEW1"));
        QVERIFY2(rs.update(), qPrintable(rs.errorString()));
        QCOMPARE(rs.value("ReorderPoint").toInt(), 0); // the default, read back
        QVERIFY(rs.requery());
        QCOMPARE(rs.recordCount(), 5);
        // Seen through the other connection.
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'C10U'").toInt(), 49);
        QCOMPARE(env.scalar("select count(*) from Inventory where PartNo in ('ZZTOP', 'NEW1')").toInt(), 1);
        // A large set comes whole.
        QVERIFY(env.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                         "INSERT INTO Inventory (PartNo, CurrentInv, UnitCost) SELECT printf('P%05d', i), i, i / 4.0 FROM n"));
        QVERIFY(rs.requery());
        QCOMPARE(rs.recordCount(), 5005);
        QVERIFY(rs.findForward("PartNo", Recordset::Match::Equal, "P05000"));
        QCOMPARE(rs.value("UnitCost").toDouble(), 1250.0);
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
        {
            // No transaction is left open: another workstation can write at once.
            Database other("other");
            QVERIFY(other.open(env.app.databaseAddress()));
            if (TestEnvironment::defaultEngine() == TestEnvironment::Engine::File)
                QVERIFY(other.execute("PRAGMA busy_timeout = 50"));
            QVERIFY2(other.beginWrite(), qPrintable(other.errorString()));
            QVERIFY(other.rollback());
        }
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

    // Every kind of value, bound, is stored as that kind and found again by
    // an equality look-up, whichever way it is written and read.
    void boundValueKinds_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("kind"); // as the database stores it
        QTest::newRow("whole, negative 64-bit") << QVariant(-(qint64(1) << 40)) << "integer";
        QTest::newRow("whole, unsigned 64-bit") << QVariant(quint64(1) << 40) << "integer";
        QTest::newRow("fractional") << QVariant(0.1) << "real";
        QTest::newRow("fractional, single precision") << QVariant(2.5f) << "real";
        QTest::newRow("Boolean true") << QVariant(true) << "integer";
        QTest::newRow("bytes") << QVariant(QByteArray("a\0b\xff", 4)) << "blob";
        QTest::newRow("null") << QVariant() << "null";
        QTest::newRow("text, not Latin") << QVariant(QString::fromUtf8("Ω-Резистор 電容")) << "text";
        QTest::newRow("text, empty") << QVariant(QString("")) << "text";
    }
    void boundValueKinds()
    {
        if (TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("an untyped column of the file database");
        QFETCH(QVariant, value);
        QFETCH(QString, kind);
        TestEnvironment env;
        Database &db = env.app.database();
        QVERIFY(db.execute("CREATE TABLE Probe (Value)"));
        QVERIFY2(db.execute("INSERT INTO Probe (Value) VALUES (?)", {value}), qPrintable(db.errorString()));
        Recordset added;
        QVERIFY(added.open(db, "select Value from Probe where 0 = 1"));
        QVERIFY(added.addNew() && added.setValue("Value", value) && added.update());
        QCOMPARE(env.scalar("select group_concat(typeof(Value)) from Probe").toString(), kind + "," + kind);

        const QString where = value.isNull() ? "Value IS ?" : "Value = ?";
        // Through the engine's own reader, the driver's forward reader, and a
        // statement that counts what it touched.
        for (const auto readKind : {Recordset::Kind::Snapshot, Recordset::Kind::ForwardOnly}) {
            Recordset rs;
            QVERIFY(rs.open(db, "select count(*) as N from Probe where " + where, {value}, readKind));
            QCOMPARE(rs.value("N").toInt(), 2);
        }
        qint64 touched = 0;
        QVERIFY(db.execute("UPDATE Probe SET Value = Value WHERE " + where, {value}, &touched));
        QCOMPARE(touched, 2);
    }

    // The engine's "database or disk is full" has the code 13, the runtime's
    // type mismatch the number 13: only where an error came from tells them
    // apart. Whatever failed, no transaction is left open.
    void diskFullIsNoTypeMismatch_data()
    {
        QTest::addColumn<QString>("write");
        QTest::newRow("statement") << "statement";
        QTest::newRow("added row") << "added row";
        QTest::newRow("edited row") << "edited row";
        QTest::newRow("batch") << "batch";
    }
    void diskFullIsNoTypeMismatch()
    {
        if (TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("a full disk is made with the file database's page limit");
        QFETCH(QString, write);
        TestEnvironment env(parts());
        Database &db = env.app.database();
        const int pages = env.ownScalar("PRAGMA page_count").toInt();
        QCOMPARE(env.ownScalar("PRAGMA max_page_count = " + QString::number(pages)).toInt(), pages);
        const QString big(100000, 'd');
        DbError error;
        Recordset rs;
        if (write == "statement") {
            QVERIFY(!db.execute("UPDATE Inventory SET Description = ? WHERE PartNo = ?", {big, "R100"}));
            error = db.error();
        } else {
            QVERIFY(rs.open(db, "select * from Inventory order by PartNo"));
            rs.setBatchMode(write == "batch");
            if (write == "added row")
                QVERIFY(rs.addNew() && rs.setValue("PartNo", "NEW") && rs.setValue("Description", big));
            else
                QVERIFY(rs.setValue("Description", big));
            QVERIFY(write == "batch" ? !rs.updateBatch() : !rs.update());
            error = rs.error();
        }
        QCOMPARE(error.source, DbError::Source::Engine);
        QVERIFY(!error.is(ErrorNumber::TypeMismatch));
        QCOMPARE(errorMessageText(error), QString("Error No 13\r\ndatabase or disk is full has occured."));
        QVERIFY(db.beginWrite());
        QVERIFY(db.rollback());
        QCOMPARE(env.scalar("select count(*) from Inventory where length(Description) > 1000").toInt(), 0);
    }

    void refusedStatementsAndReadOnlySets()
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
        // A sub-select among the columns makes a set that is read, not written back.
        QVERIFY(env.exec("INSERT INTO PreferredVendor (Item, Vendor) VALUES ('R100', 'RS');"));
        QVERIFY2(rs.open(env.app.database(),
                         "select PartNo, (select Vendor from PreferredVendor where Item = PartNo) as Vendor "
                         "from Inventory where PartNo = ?",
                         {"R100"}),
                 qPrintable(rs.errorString()));
        QCOMPARE(rs.value("Vendor").toString(), QStringLiteral("RS"));
        QVERIFY(!rs.isUpdatable());
        QVERIFY(!rs.setValue("PartNo", "X"));
        QVERIFY(rs.error().is(ErrorNumber::NotUpdatable));
        // A forward-only set reads every row once and cannot go back.
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

    // A file that shrinks under the running program (a backup copied over
    // it) gives the engine's error, and the program goes on.
    void fileShrinksUnderTheProgram()
    {
        if (TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("a database file cut short");
        TestEnvironment env(parts());
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        Database &db = env.app.database();
        QVERIFY(db.execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                           "INSERT INTO Inventory (PartNo, Description, CurrentInv) "
                           "SELECT 'P' || i, hex(randomblob(400)), i FROM n"));
        // The rows in the file, a last change in the log as while the program
        // runs, and a fresh connection that holds nothing of the file in
        // memory (another one keeps the log from being folded in meanwhile).
        QVERIFY(env.ownScalar("PRAGMA wal_checkpoint(TRUNCATE)").isValid());
        QVERIFY(db.execute("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?", {1, "R100"}));
        Database other("other");
        QVERIFY(other.open(env.app.databasePath()));
        QVERIFY(env.app.OpenInventoryDatabase());
        QVERIFY(QFileInfo(env.app.databasePath()).size() > 1024 * 1024);
        QCOMPARE(env.ownScalar("select count(*) from Inventory").toInt(), 3005); // it has read the file
        QVERIFY(QFile::resize(env.app.databasePath(), 64 * 1024));
        Recordset rs;
        QVERIFY(!rs.open(db, "select PartNo, Description from Inventory order by Description"));
        QCOMPARE(rs.error().source, DbError::Source::Engine);
        QVERIFY2(rs.errorString().contains("malformed"), qPrintable(rs.errorString()));
        QVERIFY(!db.execute("UPDATE Inventory SET Description = ? WHERE CurrentInv > ?", {"x", 0}));
        QCOMPARE(db.error().source, DbError::Source::Engine);
    }

    // The one translation of the program's statements: for the server every
    // schema name and alias is quoted in its own spelling in every use, text
    // in quotes stays as written; inside a write a plain read locks its rows.
    void translation_data()
    {
        QTest::addColumn<QString>("form"); // server, file or locking
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        auto row = [](const char *name, const char *form, const char *sql, const char *expected) {
            QTest::newRow(name) << form << sql << expected;
        };
        row("brackets", "server", "select PartNo as [Part No] from Inventory Order by PartNo",
            R"(select "PartNo" as "Part No" from "Inventory" Order by "PartNo")");
        row("alias in later uses", "server", "SELECT x AS ToPull FROM t WHERE topull > 1 ORDER BY ToPull",
            R"(SELECT x AS "ToPull" FROM t WHERE "ToPull" > 1 ORDER BY "ToPull")");
        row("alias before its AS", "server", "SELECT VendorName FROM (SELECT 1 AS VendorName) AS R",
            R"(SELECT "VendorName" FROM (SELECT 1 AS "VendorName") AS "R")");
        row("doubled quote in text", "server", "select * from Users where User = 'it''s as User' and x = ?",
            R"(select * from "Users" where "User" = 'it''s as User' and x = ?)");
        row("cast names a type", "server", "SELECT CAST(MinReq AS text) AS Text FROM Inventory",
            R"(SELECT CAST("MinReq" AS text) AS "Text" FROM "Inventory")");
        row("function named like an alias", "server", "SELECT count(*) AS Count FROM BoardBOM",
            R"(SELECT count(*) AS "Count" FROM "BoardBOM")");
        row("number with exponent", "server", "select 1e5 as Big", R"(select 1e5 as "Big")");
        row("delete naming a column", "server", "Delete Inventory.PartNo From Inventory WHERE PartNo = ?;",
            R"(DELETE FROM "Inventory" WHERE "PartNo" = ?;)");
        row("delete all columns", "file", "Delete Users.* From Users WHERE Users.User = ?;",
            "DELETE FROM Users WHERE Users.User = ?;");
        row("file keeps names", "file", "select PartNo as [Part No] from Inventory",
            "select PartNo as [Part No] from Inventory");
        row("locking read", "locking", "select CurrentInv from Inventory where PartNo = ? ;",
            "select CurrentInv from Inventory where PartNo = ? FOR UPDATE");
        row("totals are not locked", "locking", "select sum(CurrentInv) from Inventory",
            "select sum(CurrentInv) from Inventory");
    }
    void translation()
    {
        QFETCH(QString, form);
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        if (form == "locking")
            QCOMPARE(Dialect::lockingRead(sql), expected);
        else
            QCOMPARE((form == "server" ? PgEngine().translate(sql) : SqliteEngine().translate(sql)), expected);
    }

    // The names the server translation quotes come from the server schema:
    // every table and column of the file schema must be among them.
    void translationKnowsEveryColumn()
    {
        const QHash<QString, QString> names = PgEngine::names();
        QTemporaryDir dir;
        QString why;
        QVERIFY2(Schema::createFile(dir.filePath("s.db"), QString(), &why), qPrintable(why));
        Database db("names");
        QVERIFY(db.open(dir.filePath("s.db")));
        QStringList missing;
        for (const QVariantList &table : db.rows("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!'")) {
            missing << table.value(0).toString();
            for (const QVariantList &column : db.rows("SELECT name FROM pragma_table_info(?)", {table.value(0)}))
                missing << column.value(0).toString();
        }
        QVERIFY(missing.size() > 15);
        missing.removeIf([&](const QString &n) { return names.value(n.toLower()) == n; });
        QCOMPARE(missing, QStringList());
    }

    // Number columns take numbers only, on both engines; the refusal is the
    // type mismatch the windows report.
    void numberColumnsRefuseText_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("taken");
        QTest::newRow("text in stock") << "UPDATE Inventory SET CurrentInv = ? WHERE PartNo = 'R100'" << QVariant("abc") << false;
        QTest::newRow("blank quantity") << "INSERT INTO BoardBOM (BoardPN, PartNo, QtyUsed) VALUES ('B', 'R100', ?)" << QVariant("") << false;
        QTest::newRow("text in cost") << "UPDATE Inventory SET UnitCost = ? WHERE PartNo = 'R100'" << QVariant("1.2.3") << false;
        QTest::newRow("digits as text") << "UPDATE Inventory SET CurrentInv = ? WHERE PartNo = 'R100'" << QVariant("7") << true;
        QTest::newRow("fraction as quantity") << "INSERT INTO BoardBOM (BoardPN, PartNo, QtyUsed) VALUES ('B', 'R100', ?)" << QVariant(0.5) << true;
    }
    void numberColumnsRefuseText()
    {
        QFETCH(QString, sql);
        QFETCH(QVariant, value);
        QFETCH(bool, taken);
        TestEnvironment env(parts());
        Database &db = env.app.database();
        QCOMPARE(db.execute(sql, {value}), taken);
        if (!taken)
            QCOMPARE(errorMessageText(db.error()), QString("Error No 13\r\nType mismatch has occured."));
    }

    // A file made before the columns were checked opens while its rows are
    // sound; one with text in a number column is refused, its rows named,
    // and the file is left as it was.
    void startUpChecksTheTypes_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("refusal"); // empty: it opens
        QTest::newRow("sound") << "INSERT INTO Inventory VALUES ('R1', 'x', 5, 0.5, 0, 1, 0)" << "";
        QTest::newRow("text in stock") << "INSERT INTO Inventory VALUES ('R1', 'x', 'lots', 0.5, 0, 1, 0)"
                                       << "Inventory PartNo \"R1\": CurrentInv \"lots\" is not a whole number";
        QTest::newRow("blank quantity") << "INSERT INTO BoardBOM VALUES ('K1', 'Kit', 'R1', '')"
                                        << "BoardBOM BoardPN \"K1\": QtyUsed \"\" is not a number";
    }
    void startUpChecksTheTypes()
    {
        QFETCH(QString, rows);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = dir.filePath("old.mdb");
        {
            QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "raw");
            raw.setDatabaseName(path);
            QVERIFY(raw.open());
            QSqlQuery q(raw);
            for (const char *s : {"CREATE TABLE Inventory (PartNo TEXT, Description TEXT, CurrentInv INTEGER, UnitCost REAL, "
                                  "ReorderPoint INTEGER, MinReq INTEGER, Bin INTEGER)",
                                  "CREATE TABLE BoardBOM (BoardPN TEXT, Description TEXT, PartNo TEXT, QtyUsed REAL)",
                                  "CREATE TABLE Users (User TEXT, Password TEXT)",
                                  "CREATE TABLE PreferredVendor (Item TEXT, Vendor TEXT, Description TEXT)"})
                QVERIFY(q.exec(s));
            QVERIFY(q.exec(rows));
            raw.close();
        }
        QSqlDatabase::removeDatabase("raw");
        const QByteArray before = [&] { QFile f(path); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        Database db("startup");
        QCOMPARE(db.openAtStartUp(path), refusal.isEmpty());
        if (!refusal.isEmpty()) {
            QVERIFY2(db.errorString().contains(refusal), qPrintable(db.errorString()));
            QVERIFY(!db.isOpen());
            QFile f(path);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), before);
        }
    }

    void scriptSplittingAndErrorText()
    {
        const QStringList s = splitSqlScript(
            "INSERT INTO T VALUES ('a;b'); -- comment; here\nINSERT INTO T VALUES ('it''s;');;\n");
        QCOMPARE(s.size(), 2);
        QCOMPARE(s.at(1), QStringLiteral("INSERT INTO T VALUES ('it''s;')"));
        QCOMPARE(errorMessageText(DbError::runtime(ErrorNumber::Overflow)),
                 QStringLiteral("Error No 6\r\nOverflow has occured."));
    }
};

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
