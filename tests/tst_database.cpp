// The database layer: connection settings, bound values, result sets.
#include "data/caserules.h"
#include "data/database.h"
#include "data/dialect.h"
#include "data/pgengine.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "data/sqlengine.h"
#include "testenvironment.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>

#define FILE_ONLY(why) \
    if (TestEnvironment::defaultEngine() != TestEnvironment::Engine::File) \
        QSKIP(why)

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
    for (bool more = rs.recordCount() && rs.moveFirst(); more && !rs.isEof(); more = rs.moveNext()) {
        QStringList row;
        for (int c = 0; c < rs.fieldNames().size(); ++c) {
            const QVariant v = rs.value(c);
            row << QString::fromLatin1(v.isValid() ? v.typeName() : "invalid") + (v.isNull() ? "=null" : ':' + v.toString());
        }
        out << row.join('|');
    }
    return out;
}

QByteArray fileContents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString Parts = QStringLiteral(
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint, MinReq, Bin) VALUES "
    "('C10U', 'Capacitor 10uF', 50, 0.12, 10, 10, 0),"
    "('R100', 'Resistor 100R', 500, 0.02, 100, 100, 0),"
    "('R150', 'Resistor 150R', 20, 0.02, 100, 100, 1),"
    "('5'' CABLE', 'Cable, 5 ft', 3, 4.5, 1, 1, 0),"
    "('ZZTOP', NULL, 1, 1, 0, 0, NULL);");

struct FindRow { int start; Recordset::Match match; QString text, found; }; // found empty: end of set
struct CaseRow { QString stored, typed; bool equal; };
struct ReadRow { QString sql; QVariantList values; int rows; }; // rows -1: refused
struct KindRow { QVariant value; QString kind; };
struct SqlRow { QString form, sql, expected; };
struct ValueRow { QString sql; QVariant value; bool taken; };
struct FileRow { QByteArray content; QString reason; };
struct TypesRow { QString rows, refusal; }; // refusal empty: it opens

} // namespace

Q_DECLARE_METATYPE(FindRow)
Q_DECLARE_METATYPE(CaseRow)
Q_DECLARE_METATYPE(ReadRow)
Q_DECLARE_METATYPE(KindRow)
Q_DECLARE_METATYPE(SqlRow)
Q_DECLARE_METATYPE(ValueRow)
Q_DECLARE_METATYPE(FileRow)
Q_DECLARE_METATYPE(TypesRow)

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void connectionSettings()
    {
        FILE_ONLY("settings of the file database");
        TestEnvironment env;
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        QCOMPARE(env.ownScalar("PRAGMA journal_mode").toString().toLower(), QStringLiteral("wal"));
        QCOMPARE(env.ownScalar("PRAGMA synchronous").toInt(), 2); // FULL
        QVERIFY(env.ownScalar("PRAGMA busy_timeout").toInt() >= 5000);
        QCOMPARE(env.ownScalar("PRAGMA mmap_size").toInt(), 0); // reads never go through a map
    }

    // The log is moved into the file beside the commits. While commits
    // follow closely, it still starts over (its file stays short) rather than
    // growing until a commit has to move all of it; after a commit that leaves
    // it long, it is moved without waiting for another.
    void logMovedBesideTheCommits()
    {
        FILE_ONLY("the file database's log");
        TestEnvironment env;
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const QString path = env.app.databasePath(), log = path + "-wal";
        const qint64 page = env.ownScalar("PRAGMA page_size").toLongLong();
        qint64 longest = 0;
        for (int i = 0; i < 2500; ++i) {
            QVERIFY(env.exec("INSERT INTO Inventory (PartNo, Description) VALUES (?, hex(randomblob(1500)))",
                             {QString("P%1").arg(i)}));
            longest = qMax(longest, QFileInfo(log).size() / (page + 24));
        }
        QVERIFY2(longest < 2 * SqliteEngine::CheckpointPages, qPrintable(QString::number(longest)));

        const qint64 before = QFileInfo(path).size();
        QVERIFY(env.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1500) "
                         "INSERT INTO Inventory (PartNo, Description) SELECT 'B' || i, hex(randomblob(1500)) FROM n"));
        QTRY_VERIFY(QFileInfo(path).size() >= before + SqliteEngine::CheckpointPages * page);
        QCOMPARE(env.scalar("SELECT COUNT(*) FROM Inventory").toInt(), 4000);
    }

    // Never created, emptied or rewritten.
    void openRefusesWhatIsNotADatabase_data()
    {
        QTest::addColumn<FileRow>("row");
        QTest::newRow("missing") << FileRow{QByteArray(), "does not exist"};
        QTest::newRow("empty") << FileRow{"", "empty"};
        QTest::newRow("jet") << FileRow{QByteArray(2048, '\0').replace(4, 15, "Standard Jet DB"), "Microsoft Access (Jet)"};
        QTest::newRow("text") << FileRow{"PartNo,Description\nR100,Resistor\n", "not an SQLite database"};
        QTest::newRow("damaged") << FileRow{QByteArray("SQLite format 3\0", 16) + QByteArray(4000, 'x'), ""};
    }
    void openRefusesWhatIsNotADatabase()
    {
        QFETCH(FileRow, row);
        const auto [content, reason] = row;
        QTemporaryDir dir;
        const QString path = dir.filePath("Inventory.mdb");
        QFile f(path);
        QVERIFY(content.isNull() || (f.open(QIODevice::WriteOnly) && f.write(content) == content.size()));
        f.close();
        Database db(QStringLiteral("refuse"));
        QVERIFY(!db.open(path) && !db.isOpen() && db.error().isError());
        QVERIFY2(db.errorString().contains(reason), qPrintable(db.errorString()));
        QCOMPARE(QFile::exists(path), !content.isNull());
        QCOMPARE(fileContents(path), content.isNull() ? QByteArray() : content);
    }

    void statementsAsWritten()
    {
        TestEnvironment env(Parts + "INSERT INTO Users (User, Password) VALUES ('bob', 'pw');"
                                    "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES ('B1', 'Board', 'R100', 2);");
        Database &db = env.app.database();
        QVERIFY(!db.execute("INSERT INTO Users (User, Password) VALUES (?, ?)", {"BOB", "y"})); // one user a name, any case
        QCOMPARE(db.error().source, DbError::Source::Engine);
        QVERIFY2(db.execute("Delete Inventory.PartNo From Inventory WHERE PartNo = ?;", {"r100"}), qPrintable(db.errorString()));
        QVERIFY(db.execute("Delete Users.* From Users WHERE Users.User = ?;", {"BOB"}));
        QCOMPARE(env.row("select (select count(*) from Inventory where PartNo = 'R100'), (select count(*) from BoardBOM), "
                         "(select count(*) from Users)"), (QVariantList{0, 1, 0}));
        Recordset rs;
        QVERIFY(rs.open(db, "select PartNo as [Part No],CurrentInv as [Current Inv] from Inventory Order by PartNo"));
        QCOMPARE(rs.fieldNames(), QStringList({"Part No", "Current Inv"}));
        QVERIFY(rs.open(db, "select * from BoardBOM WHERE (((BoardBOM.BoardPN) = ?));", {"b1"}) && rs.recordCount() == 1);
    }

    void movesAndTheNoCurrentRowError()
    {
        TestEnvironment env(Parts);
        Recordset rs;
        QSignalSpy moves(&rs, &Recordset::moved);
        QVERIFY(rs.open(env.app.database(), "select * from Inventory order by PartNo;"));
        QCOMPARE(rs.recordCount(), 5);
        QCOMPARE(rs.absolutePosition(), 1);
        QCOMPARE(rs.value("PartNo").toString(), QStringLiteral("5' CABLE"));
        QVERIFY(rs.moveLast());
        QCOMPARE(rs.value("partno").toString(), QStringLiteral("ZZTOP")); // names ignore case
        QVERIFY(rs.value("Description").isNull() && !rs.error()); // a null reads as null, not as an error
        QVERIFY(rs.moveNext() && rs.isEof());
        QCOMPARE(rs.absolutePosition(), Recordset::PositionEof);
        QVERIFY(!rs.value("PartNo").isValid() && rs.error().is(ErrorNumber::NoCurrentRecord));
        QVERIFY(!rs.moveNext() && rs.error().is(ErrorNumber::NoCurrentRecord));
        QVERIFY(rs.moveFirst() && rs.movePrevious() && rs.isBof());
        QVERIFY(!rs.value("PartNo").isValid() && rs.error().is(ErrorNumber::NoCurrentRecord));
        QVERIFY(rs.moveTo(3));
        QCOMPARE(rs.value("PartNo").toString(), QStringLiteral("R100"));
        QVERIFY(!rs.value("NoSuchColumn").isValid() && rs.error().is(ErrorNumber::ItemNotFound));
        QVERIFY(moves.count() >= 6);
        QVERIFY(rs.close() && !rs.close() && rs.error().is(ErrorNumber::ObjectClosed));
        QVERIFY(!rs.moveFirst() && rs.error().is(ErrorNumber::ObjectClosed));
        QVERIFY(rs.open(env.app.database(), "select * from Inventory where PartNo = 'NONE';")); // an empty set
        QVERIFY(rs.isEof() && rs.isBof());
        QVERIFY(!rs.moveLast() && rs.error().is(ErrorNumber::NoCurrentRecord));
        QVERIFY(rs.findForward("PartNo", Recordset::Match::Equal, "X") && rs.isEof());
    }

    void findForward_data()
    {
        QTest::addColumn<FindRow>("row");
        const auto eq = Recordset::Match::Equal, bw = Recordset::Match::BeginsWith;
        QTest::newRow("equal ignores case") << FindRow{1, eq, "r150", "R150"};
        QTest::newRow("equal is whole") << FindRow{1, eq, "R15", ""};
        QTest::newRow("begins") << FindRow{1, bw, "R1", "R100"};
        QTest::newRow("from current row on") << FindRow{4, bw, "R1", "R150"};
        QTest::newRow("current row included") << FindRow{3, eq, "R100", "R100"};
        QTest::newRow("behind the current row") << FindRow{5, bw, "C", ""};
        QTest::newRow("wildcards are plain text") << FindRow{1, bw, "R*", ""};
        QTest::newRow("empty prefix") << FindRow{2, bw, "", "C10U"};
        QTest::newRow("null never matches") << FindRow{1, eq, "", ""};
    }
    void findForward()
    {
        QFETCH(FindRow, row);
        TestEnvironment env(Parts);
        Recordset rs;
        QVERIFY(rs.open(env.app.database(), "select * from Inventory order by PartNo;"));
        QVERIFY(rs.moveTo(row.start));
        QVERIFY(rs.findForward(row.text.isEmpty() && row.found.isEmpty() ? "Description" : "PartNo", row.match, row.text));
        QCOMPARE(rs.isEof() ? QString() : rs.value("PartNo").toString(), row.found);
    }

    // The database's letter-case rule, and the result sets' finds, agree:
    // A-Z and a-z alike, every other letter only itself.
    void letterCaseAsTheDatabase_data()
    {
        QTest::addColumn<CaseRow>("row");
        QTest::newRow("Latin") << CaseRow{"Resistor 10K", "rESISTOR 10k", true};
        QTest::newRow("Greek") << CaseRow{"\u03A9MEGA", "\u03C9mega", false};
        QTest::newRow("Greek exact, Latin folded") << CaseRow{"\u03A9MEGA", "\u03A9mega", true};
        QTest::newRow("Latin-1 accent") << CaseRow{"CAF\u00C9", "caf\u00E9", false};
        QTest::newRow("German sharp s") << CaseRow{"STRASSE", "stra\u00DFe", false};
        QTest::newRow("dotted capital I") << CaseRow{"\u0130X", "ix", false};
        QTest::newRow("edges of A-Z") << CaseRow{"@AZ[`{MZ", "@az[`{mz", true};
        QTest::newRow("trailing blank") << CaseRow{"R100 ", "R100", false};
    }
    void letterCaseAsTheDatabase()
    {
        QFETCH(CaseRow, row);
        TestEnvironment env;
        QVERIFY(env.exec("INSERT INTO Inventory (PartNo, Description) VALUES ('A', 'A'), (?, ?)", {row.stored, row.stored}));
        QCOMPARE(env.scalar("SELECT count(*) FROM Inventory WHERE PartNo = ?", {row.typed}).toInt(), int(row.equal));
        QCOMPARE(CaseRules::equal(row.stored, row.typed), row.equal);
        const QString prefix = row.typed.chopped(1);
        // The server's case-insensitive text compares a pattern the same way.
        const bool begins = env.engine() == TestEnvironment::Engine::File
            ? env.scalar("SELECT count(*) FROM Inventory WHERE substr(Description, 1, ?) = ? COLLATE NOCASE",
                         {prefix.size(), prefix}).toInt() == 1
            : env.scalar("SELECT count(*) FROM Inventory WHERE Description LIKE ?", {prefix + "%"}).toInt() == 1;
        QCOMPARE(CaseRules::startsWith(row.stored, prefix), begins);
        for (const char *column : {"PartNo", "Description"}) {
            Recordset rs;
            QVERIFY(rs.open(env.app.database(), "select * from Inventory order by PartNo;"));
            QVERIFY(rs.findForward(column, Recordset::Match::Equal, row.typed));
            QCOMPARE(!rs.isEof(), row.equal);
            QVERIFY(rs.moveFirst() && rs.findForward(column, Recordset::Match::BeginsWith, prefix));
            QCOMPARE(!rs.isEof(), begins);
        }
    }

    // Result sets read through QSqlQuery, for an engine with no reader of its
    // own, hold what the engine's own reader gives.
    void readingWithoutTheFastReader_data()
    {
        QTest::addColumn<ReadRow>("row");
        const QString byNumber = "select * from Inventory where PartNo =  ? ;";
        QTest::newRow("whole table") << ReadRow{"select * from Inventory order by PartNo;", {}, 5};
        QTest::newRow("bound value, other case") << ReadRow{byNumber, {"r100"}, 1};
        QTest::newRow("no rows") << ReadRow{byNumber, {"NONE"}, 0};
        QTest::newRow("grouped, null group") << ReadRow{"select Bin, count(*) as N, sum(UnitCost) as Total from Inventory GROUP BY Bin order by Bin", {}, 3};
        QTest::newRow("expressions") << ReadRow{"select UnitCost * 2 as Twice, null as NoValue, 'x' as Text, 7 as Seven, '' as Blank, "
                                                "x'00ff' as Bytes from Inventory where PartNo = ? or PartNo = ?", {"C10U", "ZZTOP"}, 2};
        QTest::newRow("a large set comes whole") << ReadRow{"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                                                            "SELECT 'P' || i AS PartNo, i AS CurrentInv, i / 4.0 AS UnitCost FROM n", {}, 5000};
        QTest::newRow("refused") << ReadRow{"select NoSuchColumn from Inventory", {}, -1};
    }
    void readingWithoutTheFastReader()
    {
        QFETCH(ReadRow, row);
        FILE_ONLY("the file database's own reader");
        TestEnvironment env(Parts);
        auto engine = std::make_unique<QueryReadingEngine>();
        const QueryReadingEngine &slow = *engine;
        Database other(QStringLiteral("query-reading"), std::move(engine));
        QVERIFY2(other.open(env.app.database().path()), qPrintable(other.errorString()));
        Recordset fast, read;
        QVERIFY2(fast.open(env.app.database(), row.sql, row.values) == (row.rows >= 0), qPrintable(fast.errorString()));
        QCOMPARE(read.open(other, row.sql, row.values), row.rows >= 0);
        QVERIFY(slow.refused > 0);
        if (row.rows < 0) {
            QCOMPARE(read.error().source, DbError::Source::Engine);
            QCOMPARE(read.error().number, fast.error().number);
            QVERIFY(!read.isOpen());
            return;
        }
        QCOMPARE(read.recordCount(), qsizetype(row.rows));
        QCOMPARE(read.isUpdatable(), fast.isUpdatable());
        QCOMPARE(read.isEof(), row.rows == 0);
        QCOMPARE(contents(read), contents(fast));
    }

    void writingRows()
    {
        TestEnvironment env(Parts);
        Database &db = env.app.database();
        Recordset rs;
        // Add a row through an empty look-up, as the part window does.
        QVERIFY(rs.open(db, "select * from Inventory where PartNo =  ? ;", {"NEW'1"}));
        QVERIFY(rs.addNew() && rs.setValue("PartNo", "NEW'1") && rs.setValue("CurrentInv", 4) && rs.setValue("UnitCost", 12.345));
        QVERIFY2(rs.update(), qPrintable(rs.errorString()));
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.value("ReorderPoint").toInt(), 0); // default read back
        QCOMPARE(env.scalar("select UnitCost from Inventory where PartNo = ?", {"NEW'1"}).toDouble(), 12.345);
        // Edit in place; moving away writes the edit; cancel drops one.
        QVERIFY(rs.open(db, "select * from Inventory order by PartNo;"));
        QVERIFY(rs.findForward("PartNo", Recordset::Match::Equal, "R100") && rs.setValue("CurrentInv", 499));
        QCOMPARE(rs.value("CurrentInv").toInt(), 499);
        QVERIFY(rs.moveNext());
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 499);
        QVERIFY(rs.setValue("CurrentInv", 1) && rs.cancelUpdate() && rs.moveNext());
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'R150'").toInt(), 20);
        // Delete: the row is gone at once; the next move lands on the row after it.
        QVERIFY(rs.moveFirst() && rs.findForward("PartNo", Recordset::Match::Equal, "R150") && rs.deleteCurrent());
        QVERIFY(!rs.value("PartNo").isValid() && rs.moveNext());
        QCOMPARE(rs.value("PartNo").toString(), QStringLiteral("ZZTOP"));
        QCOMPARE(env.scalar("select count(*) from Inventory where PartNo = 'R150'").toInt(), 0);
        // A refused write (a part number in other letter case) is an engine error.
        QVERIFY(rs.addNew() && rs.setValue("PartNo", "r100") && !rs.update());
        QCOMPARE(rs.error().source, DbError::Source::Engine);
        QVERIFY(rs.cancelUpdate());
        // Batch: edits wait for updateBatch and land together.
        QVERIFY(rs.requery());
        rs.setBatchMode(true);
        QVERIFY(rs.setValue("CurrentInv", 11) && rs.moveNext() && rs.setValue("CurrentInv", 22));
        // A row deleted meanwhile: the edits of the rows below it stay theirs.
        QVERIFY(rs.moveTo(4) && rs.setValue("CurrentInv", 33) && rs.moveTo(3) && rs.deleteCurrent());
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = '5'' CABLE'").toInt(), 3);
        QVERIFY2(rs.updateBatch(), qPrintable(rs.errorString()));
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = '5'' CABLE'").toInt(), 11);
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'C10U'").toInt(), 22);
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 33);
        QVERIFY(!rs.moveTo(rs.recordCount() + 1) && rs.error().is(ErrorNumber::NoCurrentRecord)); // no row after the last
        // A failed batch leaves the set as it was, edits still pending, and
        // no transaction open: another workstation can write at once.
        QVERIFY(rs.moveFirst() && rs.setValue("CurrentInv", 33) && rs.addNew() && rs.setValue("PartNo", "R100"));
        const qsizetype before = rs.recordCount();
        QVERIFY(!rs.updateBatch());
        QCOMPARE(rs.recordCount(), before);
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = '5'' CABLE'").toInt(), 11);
        QVERIFY(rs.hasPendingChanges());
        QVERIFY(env.execElsewhere("UPDATE Inventory SET MinReq = 1 WHERE PartNo = 'C10U'"));
        QVERIFY(rs.cancelUpdate());
        rs.setBatchMode(false);
        // A row someone else deleted meanwhile is not written, and says so.
        QVERIFY(rs.requery());
        QVERIFY(db.execute("DELETE FROM Inventory WHERE PartNo = ?", {"5' CABLE"}));
        QVERIFY(rs.setValue("CurrentInv", 1) && !rs.update() && rs.error().is(ErrorNumber::RowNotFound));
        QVERIFY(rs.cancelUpdate() && !rs.deleteCurrent() && rs.error().is(ErrorNumber::RowNotFound));
    }

    // Every kind of value, bound, is stored as that kind and found again by
    // an equality look-up, whichever way it is written and read.
    void boundValueKinds_data()
    {
        QTest::addColumn<KindRow>("row");
        QTest::newRow("whole, negative 64-bit") << KindRow{-(qint64(1) << 40), "integer"};
        QTest::newRow("whole, unsigned 64-bit") << KindRow{quint64(1) << 40, "integer"};
        QTest::newRow("fractional") << KindRow{0.1, "real"};
        QTest::newRow("fractional, single precision") << KindRow{2.5f, "real"};
        QTest::newRow("Boolean true") << KindRow{true, "integer"};
        QTest::newRow("bytes") << KindRow{QByteArray("a\0b\xff", 4), "blob"};
        QTest::newRow("null") << KindRow{QVariant(), "null"};
        QTest::newRow("text, not Latin") << KindRow{QString::fromUtf8("Ω-Резистор 電容"), "text"};
        QTest::newRow("text, empty") << KindRow{QString(""), "text"};
    }
    void boundValueKinds()
    {
        QFETCH(KindRow, row);
        FILE_ONLY("an untyped column of the file database");
        TestEnvironment env;
        Database &db = env.app.database();
        QVERIFY(db.execute("CREATE TABLE Probe (Value)"));
        QVERIFY2(db.execute("INSERT INTO Probe (Value) VALUES (?)", {row.value}), qPrintable(db.errorString()));
        Recordset added;
        QVERIFY(added.open(db, "select Value from Probe where 0 = 1"));
        QVERIFY(added.addNew() && added.setValue("Value", row.value) && added.update());
        QCOMPARE(env.scalar("select group_concat(typeof(Value)) from Probe").toString(), row.kind + "," + row.kind);
        const QString where = row.value.isNull() ? "Value IS ?" : "Value = ?";
        // Through the engine's own reader, the driver's forward reader, and a
        // statement that counts what it touched.
        for (const auto readKind : {Recordset::Kind::Snapshot, Recordset::Kind::ForwardOnly}) {
            Recordset rs;
            QVERIFY(rs.open(db, "select count(*) as N from Probe where " + where, {row.value}, readKind));
            QCOMPARE(rs.value("N").toInt(), 2);
        }
        qint64 touched = 0;
        QVERIFY(db.execute("UPDATE Probe SET Value = Value WHERE " + where, {row.value}, &touched));
        QCOMPARE(touched, 2);
    }

    // The engine's "database or disk is full" has the code 13, the runtime's
    // type mismatch the number 13: only where an error came from tells them
    // apart. Whatever failed, no transaction is left open.
    void diskFullIsNoTypeMismatch_data()
    {
        QTest::addColumn<QString>("write");
        for (const char *write : {"statement", "added row", "edited row", "batch"})
            QTest::newRow(write) << write;
    }
    void diskFullIsNoTypeMismatch()
    {
        FILE_ONLY("a full disk is made with the file database's page limit");
        QFETCH(QString, write);
        TestEnvironment env(Parts);
        Database &db = env.app.database();
        const int pages = env.ownScalar("PRAGMA page_count").toInt();
        QCOMPARE(env.ownScalar("PRAGMA max_page_count = " + QString::number(pages)).toInt(), pages);
        const QString big(100000, 'd');
        Recordset rs;
        if (write == "statement") {
            QVERIFY(!db.execute("UPDATE Inventory SET Description = ? WHERE PartNo = ?", {big, "R100"}));
        } else {
            QVERIFY(rs.open(db, "select * from Inventory order by PartNo"));
            rs.setBatchMode(write == "batch");
            QVERIFY(write != "added row" || (rs.addNew() && rs.setValue("PartNo", "NEW")));
            QVERIFY(rs.setValue("Description", big));
            QVERIFY(write == "batch" ? !rs.updateBatch() : !rs.update());
        }
        const DbError error = write == "statement" ? db.error() : rs.error();
        QVERIFY(error.source == DbError::Source::Engine && !error.is(ErrorNumber::TypeMismatch));
        QCOMPARE(errorMessageText(error), QString("Error No 13\r\ndatabase or disk is full has occured."));
        QVERIFY(db.beginWrite() && db.rollback());
        QCOMPARE(env.scalar("select count(*) from Inventory where length(Description) > 1000").toInt(), 0);
    }

    void refusedStatementsAndReadOnlySets()
    {
        TestEnvironment env(Parts + "INSERT INTO PreferredVendor (Item, Vendor) VALUES ('R100', 'RS');"
                                    "INSERT INTO BoardBOM (BoardPN, PartNo, QtyUsed) VALUES ('B1', 'R100', 2);");
        Database &db = env.app.database();
        Recordset rs;
        QVERIFY(!rs.open(db, "select NoSuchColumn from Inventory") && !rs.isOpen());
        QCOMPARE(rs.error().source, DbError::Source::Engine);
        QVERIFY(rs.errorString().contains("NoSuchColumn", Qt::CaseInsensitive));
        QVERIFY(!rs.open(db, "select * from Inventory where PartNo = ?", {}));
        QVERIFY(rs.open(db, "select * from Inventory where PartNo = ? or PartNo = ?", {"R100", QVariant()}));
        QCOMPARE(rs.recordCount(), 1);
        // A sub-select among the columns, or groups, make a set that is read, not written back.
        QVERIFY2(rs.open(db, "select PartNo, (select Vendor from PreferredVendor where Item = PartNo) as Vendor "
                             "from Inventory where PartNo = ?", {"R100"}),
                 qPrintable(rs.errorString()));
        QCOMPARE(rs.value("Vendor").toString(), QStringLiteral("RS"));
        QVERIFY(!rs.isUpdatable() && !rs.setValue("PartNo", "X") && rs.error().is(ErrorNumber::NotUpdatable));
        QVERIFY(rs.open(db, "select BoardPN, count(*) as N from BoardBOM GROUP BY BoardPN") && !rs.isUpdatable());
        // A forward-only set reads every row once and cannot go back.
        QVERIFY(rs.open(db, "select PartNo from Inventory Order by PartNo", {}, Recordset::Kind::ForwardOnly));
        int seen = 0;
        for (; !rs.isEof(); ++seen)
            QVERIFY(!rs.value("PartNo").toString().isEmpty() && rs.moveNext());
        QCOMPARE(seen, 5);
        QVERIFY(!rs.moveFirst());
    }

    // A write holds what it reads to change until it ends: on the file the
    // whole database from its start, on the server each row a locking read
    // returned. Another workstation's change of such a row waits, here in vain.
    void writesHoldWhatTheyRead()
    {
        TestEnvironment env(Parts);
        const bool file = env.engine() == TestEnvironment::Engine::File;
        Database &db = env.app.database();
        QVERIFY(db.beginWrite());
        SqlEngine::RowList read;
        QVERIFY(db.read("SELECT CurrentInv FROM Inventory WHERE PartNo = ?", {"R100"}, read, Database::Read::Locking));
        Database other(QStringLiteral("other"));
        QVERIFY(other.open(env.app.databaseAddress()) && other.execute(file ? "PRAGMA busy_timeout = 50" : "SELECT set_config('lock_timeout', '50', false)"));
        QVERIFY(!other.execute("UPDATE Inventory SET CurrentInv = 2 WHERE PartNo = ?", {"R100"}));
        QVERIFY(file ? !other.beginWrite() : other.execute("UPDATE Inventory SET CurrentInv = 2 WHERE PartNo = ?", {"C10U"}));
        QVERIFY(db.execute("UPDATE Inventory SET CurrentInv = 1 WHERE PartNo = ?", {"R100"}) && db.rollback());
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 500);
    }

    // The one translation of the program's statements: for the server every
    // schema name and alias is quoted in its own spelling in every use, text
    // in quotes stays as written; inside a write a plain read locks its rows.
    void translation_data()
    {
        QTest::addColumn<SqlRow>("row");
        QTest::newRow("brackets") << SqlRow{"server", "select PartNo as [Part No] from Inventory Order by PartNo", R"(select "PartNo" as "Part No" from "Inventory" Order by "PartNo")"};
        QTest::newRow("alias in later uses") << SqlRow{"server", "SELECT x AS ToPull FROM t WHERE topull > 1 ORDER BY ToPull", R"(SELECT x AS "ToPull" FROM t WHERE "ToPull" > 1 ORDER BY "ToPull")"};
        QTest::newRow("alias before its AS") << SqlRow{"server", "SELECT VendorName FROM (SELECT 1 AS VendorName) AS R", R"(SELECT "VendorName" FROM (SELECT 1 AS "VendorName") AS "R")"};
        QTest::newRow("doubled quote in text") << SqlRow{"server", "select * from Users where User = 'it''s as User' and x = ?", R"(select * from "Users" where "User" = 'it''s as User' and x = ?)"};
        QTest::newRow("doubled quote in a name") << SqlRow{"server", R"(select 1 as "a""b", 'x''' as PartNo)", R"(select 1 as "a""b", 'x''' as "PartNo")"};
        QTest::newRow("cast names a type") << SqlRow{"server", "SELECT CAST(MinReq AS text) AS Text FROM Inventory", R"(SELECT CAST("MinReq" AS text) AS "Text" FROM "Inventory")"};
        QTest::newRow("function named like an alias") << SqlRow{"server", "SELECT count(*) AS Count FROM BoardBOM", R"(SELECT count(*) AS "Count" FROM "BoardBOM")"};
        QTest::newRow("number with exponent") << SqlRow{"server", "select 1e5 as Big", R"(select 1e5 as "Big")"};
        QTest::newRow("delete naming a column") << SqlRow{"server", "Delete Inventory.PartNo From Inventory WHERE PartNo = ?;", R"(DELETE FROM "Inventory" WHERE "PartNo" = ?;)"};
        QTest::newRow("delete all columns") << SqlRow{"file", "Delete Users.* From Users WHERE Users.User = ?;", "DELETE FROM Users WHERE Users.User = ?;"};
        QTest::newRow("file keeps names") << SqlRow{"file", "select PartNo as [Part No] from Inventory", "select PartNo as [Part No] from Inventory"};
        QTest::newRow("locking read") << SqlRow{"locking", "select CurrentInv from Inventory where PartNo = ? ;", "select CurrentInv from Inventory where PartNo = ? FOR UPDATE"};
        QTest::newRow("totals are not locked") << SqlRow{"locking", "select sum(CurrentInv) from Inventory", "select sum(CurrentInv) from Inventory"};
    }
    void translation()
    {
        QFETCH(SqlRow, row);
        QCOMPARE(row.form == "locking" ? Dialect::lockingRead(row.sql)
                 : row.form == "server" ? PgEngine().translate(row.sql)
                                        : SqliteEngine().translate(row.sql),
                 row.expected);
    }

    // The names the server translation quotes come from the server schema:
    // every table and column of the file schema must be among them.
    void translationKnowsEveryColumn()
    {
        TestEnvironment env(QString(), TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QStringList missing;
        for (const QVariantList &table : env.app.database().rows("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite!_%' ESCAPE '!'")) {
            missing << table.value(0).toString();
            for (const QVariantList &column : env.app.database().rows("SELECT name FROM pragma_table_info(?)", {table.value(0)}))
                missing << column.value(0).toString();
        }
        QVERIFY(missing.size() > 15);
        missing.removeIf([names = PgEngine::names()](const QString &n) { return names.value(n.toLower()) == n; });
        QCOMPARE(missing, QStringList());
    }

    // Number columns take numbers only, on both engines; the refusal is the
    // type mismatch the windows report.
    void numberColumnsRefuseText_data()
    {
        QTest::addColumn<ValueRow>("row");
        const QString stock = "UPDATE Inventory SET CurrentInv = ? WHERE PartNo = 'R100'";
        const QString quantity = "INSERT INTO BoardBOM (BoardPN, PartNo, QtyUsed) VALUES ('B', 'R100', ?)";
        QTest::newRow("text in stock") << ValueRow{stock, "abc", false};
        QTest::newRow("blank quantity") << ValueRow{quantity, "", false};
        QTest::newRow("text in cost") << ValueRow{"UPDATE Inventory SET UnitCost = ? WHERE PartNo = 'R100'", "1.2.3", false};
        QTest::newRow("digits as text") << ValueRow{stock, "7", true};
        QTest::newRow("fraction as quantity") << ValueRow{quantity, 0.5, true};
    }
    void numberColumnsRefuseText()
    {
        QFETCH(ValueRow, row);
        TestEnvironment env(Parts);
        Database &db = env.app.database();
        QCOMPARE(db.execute(row.sql, {row.value}), row.taken);
        if (!row.taken)
            QCOMPARE(errorMessageText(db.error()), QString("Error No 13\r\nType mismatch has occured."));
    }

    // A file made before the columns were checked opens while its rows are
    // sound; one with text in a number column is refused, its rows named,
    // and the file is left as it was.
    void startUpChecksTheTypes_data()
    {
        QTest::addColumn<TypesRow>("row");
        QTest::newRow("sound") << TypesRow{"INSERT INTO Inventory VALUES ('R1', 'x', 5, 0.5, 0, 1, 0)", ""};
        QTest::newRow("text in stock") << TypesRow{"INSERT INTO Inventory VALUES ('R1', 'x', 'lots', 0.5, 0, 1, 0)",
                                                   "Inventory PartNo \"R1\": CurrentInv \"lots\" is not a whole number"};
        QTest::newRow("fraction in stock") << TypesRow{"INSERT INTO Inventory VALUES ('R1', 'x', 2.5, 0.5, 0, 1, 0)",
                                                       "Inventory PartNo \"R1\": CurrentInv \"2.5\" is not a whole number"};
        QTest::newRow("blank quantity") << TypesRow{"INSERT INTO BoardBOM VALUES ('K1', 'Kit', 'R1', '')", "BoardBOM BoardPN \"K1\": QtyUsed \"\" is not a number"};
    }
    void startUpChecksTheTypes()
    {
        QFETCH(TypesRow, row);
        const auto [rows, refusal] = row;
        QTemporaryDir dir;
        const QString path = dir.filePath("old.mdb");
        QSqlDatabase raw = QSqlDatabase::addDatabase("QSQLITE", "raw");
        raw.setDatabaseName(path);
        QVERIFY(raw.open());
        for (const QString &s : QStringList{"CREATE TABLE Inventory (PartNo TEXT, Description TEXT, CurrentInv INTEGER, UnitCost REAL, ReorderPoint INTEGER, "
                                 "MinReq INTEGER, Bin INTEGER)", "CREATE TABLE BoardBOM (BoardPN TEXT, Description TEXT, PartNo TEXT, QtyUsed REAL)",
                                 "CREATE TABLE Users (User TEXT, Password TEXT)", "CREATE TABLE PreferredVendor (Item TEXT, Vendor TEXT, Description TEXT)", rows})
            QVERIFY(QSqlQuery(raw).exec(s));
        raw.close();
        raw = QSqlDatabase();
        QSqlDatabase::removeDatabase("raw");
        const QByteArray before = fileContents(path);
        Database db("startup");
        QCOMPARE(db.openAtStartUp(path), refusal.isEmpty());
        QVERIFY2(db.errorString().contains(refusal), qPrintable(db.errorString()));
        QCOMPARE(db.isOpen(), refusal.isEmpty());
        QVERIFY(refusal.isEmpty() || fileContents(path) == before);
    }

    void scriptSplittingAndErrorText()
    {
        const QStringList s = splitSqlScript("INSERT INTO T VALUES ('a;b'); -- comment; here\nINSERT INTO T VALUES ('it''s;');;\n");
        QCOMPARE(s.size(), 2);
        QCOMPARE(s.at(1), QStringLiteral("INSERT INTO T VALUES ('it''s;')"));
        QCOMPARE(errorMessageText(DbError::runtime(ErrorNumber::Overflow)), QStringLiteral("Error No 6\r\nOverflow has occured."));
    }
};

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
