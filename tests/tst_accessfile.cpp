// Access databases as the source of a copy: the reader against mdb-export on
// real files, the mapping into the program's tables on rows made here, and
// the partwise-dbcopy program on nwind.mdb's products.
#include "data/database.h"
#include "data/databasecopy.h"
#include "data/recordset.h"
#include "importing/accessoffer.h"
#include "importing/jet/accessfile.h"
#include "drive.h"
#include "testenvironment.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Jet = QStringLiteral(PARTWISE_JET_FIXTURES);

// One field of mdb-export's CSV: quoted text, or a bare number, or nothing (null).
struct Field
{
    bool quoted = false;
    QString text;
};

// A table as mdb-export writes it (dates as ISO text), header first, split
// and quoted with characters that no value holds.
QList<QList<Field>> mdbExport(const QString &file, const QString &table)
{
    QProcess p;
    p.start("mdb-export", {"-T", "%Y-%m-%dT%H:%M:%S", "-d", "\x1f", "-R", "\x1e", "-q", "\x1d", file, table});
    p.waitForFinished(60000);
    QList<QList<Field>> rows;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split('\x1e', Qt::SkipEmptyParts)) {
        rows << QList<Field>();
        for (const QString &f : line.split('\x1f'))
            rows.last() << Field{f.startsWith('\x1d'), f.startsWith('\x1d') ? f.mid(1).chopped(1) : f};
    }
    return rows;
}

// The value as mdb-export shows it, or why it differs.
QString differs(const QVariant &mine, const Field &theirs)
{
    if (mine.isNull())
        return theirs.text.isEmpty() && !theirs.quoted ? QString() : "null against " + theirs.text;
    if (theirs.quoted)
        return mine.typeId() == QMetaType::QString && mine.toString() == theirs.text
                   ? QString() : mine.toString() + " against \"" + theirs.text + '"';
    if (mine.typeId() == QMetaType::Double)
        return mine.toDouble() == theirs.text.toDouble() ? QString() : mine.toString() + " against " + theirs.text;
    return mine.toString() == theirs.text ? QString() : mine.toString() + " against " + theirs.text;
}

QString skipWhy()
{
    if (!AccessFile::isSupported())
        return "built without libmdb";
    if (!QFile::exists(Jet + "/nwind.mdb"))
        return "the Access fixtures are not in " + Jet;
    if (QStandardPaths::findExecutable("mdb-export").isEmpty())
        return "mdb-export (Debian package mdbtools) is not installed";
    return QString();
}

// Rows made here, as an Access table would give them.
class MemorySource : public CopySource
{
public:
    QString table;
    QStringList columns;
    QList<QVariantList> rows;
    int next = 0;
    QString describe() const override { return "memory.mdb"; }
    QStringList tables() override { return {table, "Other Table"}; }
    bool openTable(const QString &, QStringList *c, QString *) override { return *c = columns, next = 0, true; }
    bool nextRow(QVariantList *values, QString *) override { return next < rows.size() && (*values = rows.at(next++), true); }
};

QStringList inventory(const QString &file)
{
    Database db("look");
    if (!db.open(file))
        return {"<no file>"};
    QStringList out;
    for (const QVariantList &r : db.rows("select PartNo, Description, CurrentInv, UnitCost, MinReq, Bin from Inventory")) {
        QStringList v;
        for (int i = 0; i < 6; ++i)
            v << (r.at(i).isNull() ? "-" : i == 3 ? QString::number(r.at(i).toDouble(), 'f', QLocale::FloatingPointShortest) : r.at(i).toString());
        out << v.join('|');
    }
    return out;
}

const QStringList Products{"--table", "products=Inventory", "--column", "ProductName=PartNo",
                           "--column", "QuantityPerUnit=Description", "--column", "UnitPrice=UnitCost",
                           "--column", "UnitsInStock=CurrentInv", "--column", "ReorderLevel=ReorderPoint",
                           "--column", "Discontinued=Bin", "--column", "ProductID=", "--column", "SupplierID=",
                           "--column", "CategoryID=", "--column", "UnitsOnOrder="};

struct ReadRow { QString file, table; int rows; };
// lines: what the copy says; stored: the parts afterwards, empty: no file
struct MapRow { QStringList columns; QList<QVariantList> rows; QStringList lines, stored; bool server = false; };
struct OfferRow { bool copyThere, yes, opens; QString told; }; // told: the last message

} // namespace

Q_DECLARE_METATYPE(ReadRow)
Q_DECLARE_METATYPE(MapRow)
Q_DECLARE_METATYPE(OfferRow)

class TestAccessFile : public QObject
{
    Q_OBJECT

private slots:
    // Every value of a table as mdb-export reads it: numbers, money, text in
    // the file's code page, nulls, dates (where mdb-export can show them).
    void readsWhatMdbExportReads_data()
    {
        QTest::addColumn<ReadRow>("r");
        QTest::newRow("Jet 3, money and whole numbers") << ReadRow{"nwind.mdb", "Products", 77};
        QTest::newRow("Jet 3, dates, nulls, accents") << ReadRow{"nwind.mdb", "Orders", 830};
        QTest::newRow("Jet 3, table named with an umlaut") << ReadRow{"nwind.mdb", QString::fromUtf8("Umsätze"), 830};
        QTest::newRow("Jet 4, dates, memo, line breaks") << ReadRow{"DateTestDatabase.mdb", "DateTest", 6};
        QTest::newRow("ACE") << ReadRow{"ASampleDatabase.accdb", "Asset Items", 0};
    }
    void readsWhatMdbExportReads()
    {
        QFETCH(ReadRow, r);
        const auto [file, table, rows] = r;
        if (const QString why = skipWhy(); !why.isEmpty())
            QSKIP(qPrintable(why));
        const auto expected = mdbExport(Jet + '/' + file, table);
        QVERIFY(expected.size() > 1);
        if (rows)
            QCOMPARE(expected.size() - 1, rows);
        AccessFile access;
        QString error;
        QVERIFY2(access.open(Jet + '/' + file, &error), qPrintable(error));
        QVERIFY(access.tables().contains(table));
        QStringList columns;
        QVERIFY2(access.openTable(table, &columns, &error), qPrintable(error));
        QStringList header;
        for (const Field &f : expected.first())
            header << f.text;
        QCOMPARE(columns, header);
        QVariantList values;
        int row = 0;
        while (access.nextRow(&values, &error)) {
            ++row;
            QVERIFY(row < expected.size());
            for (int i = 0; i < columns.size(); ++i) {
                const Field &theirs = expected.at(row).value(i);
                if (theirs.text.contains("-00T")) // a year mdb-export cannot show
                    continue;
                const QString why = differs(values.value(i), theirs);
                QVERIFY2(why.isEmpty(), qPrintable(QString("row %1, %2: %3").arg(row).arg(columns.at(i), why)));
            }
        }
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(row, expected.size() - 1);
    }

    // Access keeps a date as days since 30 December 1899; before it the
    // whole days count back and the fraction still counts forward.
    void isoDates()
    {
        const QList<QPair<double, QString>> rows{{0.0, "1899-12-30T00:00:00"}, // day nought
                                                 {2.5, "1900-01-01T12:00:00"},
                                                 {-1.25, "1899-12-29T06:00:00"}, // before day nought
                                                 {2958465.999988426, "9999-12-31T23:59:59"}}; // the last day Access takes
        for (const auto &[days, iso] : rows)
            QCOMPARE(AccessFile::isoDate(days), iso);
    }

    // Rows of a table named in other letter case, into a new file: values
    // kept exactly, or a line per column left out and per value that does
    // not fit, after which nothing at all is written.
    void mapsIntoInventory_data()
    {
        QTest::addColumn<MapRow>("row");
        const QStringList cols{"PARTNO", "description", "currentinv", "UnitCost", "MinReq", "bin"};
        QTest::newRow("exact values, any letter case")
            << MapRow{cols, {{" R1 ", "It's  a 'part' ", qlonglong(-3), 0.1, 2.0, qlonglong(1)},
                             {QString::fromUtf8("µF-Ω"), QVariant(), QVariant(), 1e-4, QVariant(), qlonglong(0)}},
                      {}, {" R1 |It's  a 'part' |-3|0.1|2|1", QString::fromUtf8("µF-Ω|-|-|0.0001|-|0")}};
        QTest::newRow("into a server, in one transaction")
            << MapRow{{"partno", "Description", "UnitCost", "Bin"},
                      {{QString::fromUtf8("µF-1"), "It's  here ", 0.1, qlonglong(1)}, {"r2", QVariant(), 2.0, qlonglong(0)}},
                      {}, {"r2|-|-|2|-|0", QString::fromUtf8("µF-1|It's  here |-|0.1|-|1")}, true};
        QTest::newRow("a column it does not know")
            << MapRow{{"PartNo", "Colour"}, {{"R1", "red"}},
                      {"inventory, column Colour: left out, Inventory has no column Colour."}, {"R1|-|-|-|-|0"}};
        QTest::newRow("values that do not fit, every one")
            << MapRow{cols,
                      {{"R1", "ok", 2.5, "cheap", qlonglong(1), qlonglong(0)},
                       {"r1", "same part", qlonglong(1), 1.0, qlonglong(1), qlonglong(2)},
                       {QVariant(), QByteArray("\x01\x02"), qlonglong(1), 1.0, qlonglong(1), qlonglong(0)}},
                      {"inventory row 1, column currentinv: \"2.5\" is not a whole number (for Inventory.CurrentInv).",
                       "inventory row 1, column UnitCost: \"cheap\" is not a number (for Inventory.UnitCost).",
                       "inventory row 2, column PARTNO: \"r1\" is already in row 1 (letter case aside).",
                       "inventory row 2, column bin: \"2\" is not Yes or No (for Inventory.Bin).",
                       "inventory row 3, column PARTNO: is empty, and every row needs one (for Inventory.PartNo).",
                       "inventory row 3, column description: is binary data (for Inventory.Description)."},
                      {}};
    }
    void mapsIntoInventory()
    {
        QFETCH(MapRow, row);
        const QString why = TestEnvironment::unavailable(TestEnvironment::Engine::Server);
        if (row.server && !why.isEmpty())
            QSKIP(qPrintable(why));
        TestEnvironment env(QString(), TestEnvironment::Data::Empty,
                            row.server ? TestEnvironment::Engine::Server : TestEnvironment::Engine::File);
        env.app.database().close();
        MemorySource source;
        source.table = row.server ? "INVENTORY" : "inventory";
        source.columns = row.columns;
        source.rows = row.rows;
        DatabaseCopy copy;
        QStringList told;
        copy.notice = [&](const QString &line) { told << line; };
        const QString to = row.server ? env.app.databaseAddress() : env.folder() + "/new.mdb";
        QVERIFY2(copy.run(source, to) == !row.stored.isEmpty(), qPrintable(copy.error()));
        QCOMPARE(told, row.lines);
        QCOMPARE(row.server || QFile::exists(to), !row.stored.isEmpty() || row.server);
        QStringList stored = inventory(to), expected = row.stored;
        stored.sort();
        expected.sort();
        QCOMPARE(stored, row.stored.isEmpty() ? QStringList{"<no file>"} : expected);
    }

    // Started on an Access file, the program offers a copy beside it and
    // leaves the Access file as it was.
    void startUpOffer_data()
    {
        QTest::addColumn<OfferRow>("row");
        QTest::newRow("declined") << OfferRow{false, false, false, "Copy it now?"};
        QTest::newRow("no inventory tables: named, with the command") << OfferRow{false, true, false, "Its tables: Order Details, Orders, Products"};
        QTest::newRow("a copy made earlier opens") << OfferRow{true, true, true, "Open that copy?"};
    }
    void startUpOffer()
    {
        QFETCH(OfferRow, row);
        const auto [copyThere, yes, opens, told] = row;
        if (const QString why = skipWhy(); !why.isEmpty())
            QSKIP(qPrintable(why));
        TestEnvironment env(QString(), TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        env.app.database().close();
        const QString access = env.folder() + "/Old.mdb";
        QVERIFY(QFile::copy(Jet + "/nwind.mdb", access));
        const QString copy = AccessOffer::copyPath(access);
        QCOMPARE(copy, env.folder() + "/Old-Partwise.mdb");
        if (copyThere)
            QVERIFY(QFile::copy(env.app.databasePath(), copy));
        auto digest = [&] {
            QFile f(access);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray before = digest();
        env.app.setDatabaseAddress(access);
        env.ui.answers << (yes ? UserInterface::Answer::Yes : UserInterface::Answer::No);
        QCOMPARE(AccessOffer::offerCopy(env.app, nullptr), opens);
        QVERIFY2(env.ui.lastText().contains(told), qPrintable(env.ui.lastText()));
        QVERIFY2(env.ui.texts().first().contains("partwise-dbcopy") || copyThere, qPrintable(env.ui.texts().first()));
        QCOMPARE(env.app.databaseAddress(), opens ? copy : access);
        QCOMPARE(QFile::exists(copy), copyThere);
        QCOMPARE(digest(), before);
        if (opens)
            QVERIFY(env.app.OpenInventoryDatabase());
    }

    // The program on nwind.mdb: its products become parts, money, a quote
    // and a Yes/No field kept; without a map it names the tables it has.
    void productsBecomeParts()
    {
        if (const QString why = skipWhy(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QTemporaryDir dir;
        const QString to = dir.path() + "/Inventory.mdb";
        auto run = [](const QStringList &args, QString *out) { return Drive::runTool("partwise-dbcopy", args, out); };
        QString out;
        QCOMPARE(run({Jet + "/nwind.mdb", to}, &out), 1);
        QVERIFY2(out.contains("Its tables: Order Details, Orders, Products, Shippers") && out.contains("--table"),
                 qPrintable(out));
        QCOMPARE(run(QStringList{"--check"} + Products + QStringList{Jet + "/nwind.mdb", to}, &out), 0);
        QVERIFY2(out.contains("Inventory (from Products): would copy 77 rows") && !QFile::exists(to), qPrintable(out));
        QCOMPARE(run(Products + QStringList{Jet + "/nwind.mdb", to}, &out), 0);
        QCOMPARE(out, QString("Inventory (from Products): 77 rows\n"));
        Database db("parts");
        QVERIFY(db.open(to));
        QStringList stored;
        for (const QVariantList &r : db.rows("select PartNo, Description, UnitCost, CurrentInv, ReorderPoint, Bin from Inventory "
                                             "where PartNo in ('Chai', 'Chef Anton''s Gumbo Mix') order by PartNo"))
            stored << QVariant(r).toStringList().join('|');
        QCOMPARE(stored, QStringList({"Chai|10 boxes x 20 bags|18|39|10|0", "Chef Anton's Gumbo Mix|36 boxes|21.35|0|0|1"}));
    }
};

QTEST_MAIN(TestAccessFile)
#include "tst_accessfile.moc"
