// Parts from spreadsheets: files written by LibreOffice Calc, the rows the
// import refuses and why, the command-line program and the window.
#include "importing/importpartswindow.h"
#include "importing/ops/partsimport.h"
#include "data/recordset.h"
#include "harness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>

namespace {

// A sheet as LibreOffice Calc writes it in either character set: part
// numbers a spreadsheet would take for numbers, a quote, a line break in a
// cell, a non-ASCII letter.
QByteArray fromCalc(bool windows1252)
{
    QByteArray csv("Part No,Description,Stock,Unit Cost,Vendor\n007,Cap 10 \xC2\xB5" "F,5,0.25,RS\n"
                   "1-2,\"Line one\nline two\",3,1.5,\n1E5,\"Cable 5\"\" long\",0,12.345,O'Brien & Co\n");
    return windows1252 ? csv.replace("\xC2\xB5", "\xB5") : csv;
}

// Inventory and vendors, through a connection of their own.
QStringList parts(TestEnvironment &env)
{
    QStringList out;
    Database db("look");
    if (!db.open(env.app.databaseAddress()))
        return {"cannot open"};
    for (const QVariantList &r : db.rows("select i.PartNo, i.Description, i.CurrentInv, i.UnitCost, i.MinReq, v.Vendor from Inventory i "
                                         "left join PreferredVendor v on v.Item = i.PartNo order by i.PartNo")) {
        QStringList v;
        for (const QVariant &value : r)
            v << (value.isNull() ? "-" : value.toString());
        out << v.join('|');
    }
    return out;
}

const QStringList FromCalc{"007|" + QString::fromUtf8("Cap 10 µF") + "|5|0.25|-|RS", "1-2|Line one\nline two|3|1.5|-|-",
                           "1E5|Cable 5\" long|0|12.345|-|O'Brien & Co"};

const QString Existing = "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, MinReq) VALUES "
                         "('R1', 'Resistor', 10, 0.5, 2);"
                         "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES ('R1', 'Old', 'Resistor');";

// A file, the update ticked or not, the summary and the parts afterwards.
struct ImportRow { QByteArray file; bool update; QString summary; QStringList stored; };

} // namespace

Q_DECLARE_METATYPE(ImportRow)

class TestPartsImport : public QObject
{
    Q_OBJECT

private slots:
    // What is refused, with its line and reason, while the other rows are
    // written; with the update ticked, parts there take the file's values.
    void refusals_data()
    {
        QTest::addColumn<ImportRow>("row");
        const QString r1 = "R1|Resistor|10|0.5|2|Old";
        QTest::newRow("every kind of refusal")
            << ImportRow{"part,description,qty,cost,min\nC1,Cap,x1,1,1\nC2,Cap,2.5,1,1\nC3,,1,1,1\nc4,Cap,1,1,1\n"
                         "C4,Again,1,1,1\nr1,Resistor,1,1,1\n  ,No number,1,1,1\nC5,Cap,1,cheap,1\nC6,Good,\"1,000\",1,1\n", false,
                         "2 part(s) added, 0 updated, 7 refused.\nLine 2: Stock \"x1\" is not a number\n"
                         "Line 3: Stock \"2.5\" is not a whole number\nLine 4: new part \"C3\" has no description\n"
                         "Line 6: part number \"C4\" is also on line 5\nLine 7: part \"R1\" is already in inventory\n"
                         "Line 8: no part number\nLine 9: Unit cost \"cheap\" is not a number",
                         {"c4|Cap|1|1|1|-", "C6|Good|1000|1|1|-", r1}};
        QTest::newRow("update: empty cells keep their values, a vendor changes")
            << ImportRow{"\xEF\xBB\xBFPart No\tDescription\tStock\tVendor\nr1\t\t25\tNew\nN1\tNew one\t\t\n", true,
                         "1 part(s) added, 1 updated, 0 refused.", {"N1|New one|0|-|-|-", "R1|Resistor|25|0.5|2|New"}};
        const QStringList calc = FromCalc + QStringList{r1};
        const QString three = "3 part(s) added, 0 updated, 0 refused.";
        QTest::newRow("Calc: comma, UTF-8") << ImportRow{fromCalc(false), false, three, calc};
        QTest::newRow("Calc: comma, Windows-1252") << ImportRow{fromCalc(true), false, three, calc};
        QTest::newRow("no headings: columns in the usual order, commas quoted")
            << ImportRow{"A-1;\"First,,,,,,\";4;0,5;;7;Acme\n", false, "1 part(s) added, 0 updated, 0 refused.", {"A-1|First,,,,,,|4|0.5|7|Acme", r1}};
    }
    void refusals()
    {
        QFETCH(ImportRow, row);
        const auto [file, update, summary, stored] = row;
        TestEnvironment env(Existing);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        const Sheet sheet = Sheet::parse(file);
        bool headings = false;
        const auto fields = PartsImport::guessFields(sheet, &headings);
        QCOMPARE(PartsImport::run(env.app.database(), sheet, fields, headings, update).summary(), summary);
        QCOMPARE(parts(env), stored);
        // Every stock a part is given or changed to is in the stock ledger:
        // the new parts' opening stock, and R1's 10 -> 25 with its line.
        QStringList ledger;
        for (const QVariantList &r : env.app.database().rows("SELECT \"PartNo\", \"Change\", \"Note\" FROM \"StockLedger\" ORDER BY \"EntryId\""))
            ledger << QVariant(r).toStringList().join(' ').trimmed();
        QCOMPARE(update ? ledger.join('|') : QString::number(ledger.size()),
                 update ? QString("R1 15 Import Parts, line 2|N1 0") : QString::number(stored.size() - 1)); // a row a new part
    }

    // A database failure half-way writes nothing at all.
    void failureWritesNothing()
    {
        TestEnvironment env(Existing);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        QVERIFY(env.refuseInserts("PreferredVendor"));
        const Sheet sheet = Sheet::parse("Part,Description,Vendor\nA1,First,\nA2,Second,Acme\n");
        bool headings = false;
        const auto outcome = PartsImport::run(env.app.database(), sheet, PartsImport::guessFields(sheet, &headings),
                                              headings, false);
        QCOMPARE(int(outcome.status), int(PartsImport::Outcome::Status::Failed));
        QVERIFY2(outcome.summary().startsWith("Nothing was imported: ") && outcome.summary().contains("row refused"),
                 qPrintable(outcome.summary()));
        QCOMPARE(parts(env), QStringList{"R1|Resistor|10|0.5|2|Old"});
    }

    // The program without a window: what it did, and a status that says so.
    void commandLine()
    {
        TestEnvironment env(Existing, TestEnvironment::Data::Empty, TestEnvironment::Engine::File);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        env.app.database().close();
        QFile csv(env.folder() + "/in.csv");
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("Part,Description,Stock\n007,Seven,1\nR1,Resistor,99\n");
        csv.close();
        auto run = [&](const QStringList &args, QString *out) {
            return Drive::runTool("partwise-import-parts", args, out, "cd \"" + env.folder() + "\" && ");
        };
        QString out;
        QCOMPARE(run({"in.csv", "--database", "Inventory.mdb"}, &out), 3);
        QCOMPARE(out, QString("1 part(s) added, 0 updated, 1 refused.\nLine 3: part \"R1\" is already in inventory\n"));
        QCOMPARE(run({"in.csv", "--update", "--database", env.app.databasePath()}, &out), 0);
        QCOMPARE(out, QString("0 part(s) added, 2 updated, 0 refused.\n"));
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = '007'").toInt(), 1);
        QCOMPARE(env.scalar("select CurrentInv from Inventory where PartNo = 'R1'").toInt(), 99);
        QCOMPARE(run({"missing.csv", "--database", "Inventory.mdb"}, &out), 1);
        QCOMPARE(run({}, &out), 2);
    }

    // The window: the file asked for at once, the guessed fields changed by
    // the user, the import, and its summary.
    void window()
    {
        Harness h(Existing);
        QFile csv(h.env.folder() + "/in.csv");
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("Number,Text,Cost\nP-1,Part one,2\nR1,New text,3\n");
        csv.close();
        h.ui.fileNames << csv.fileName();
        auto *w = h.open<ImportPartsWindow>(CommandId::ImportParts);
        QVERIFY(w);
        QCOMPARE(w->columnFields(), (QList<PartField>{PartField::None, PartField::None, PartField::UnitCost}));
        QVERIFY(Drive::find<QCheckBox>(w, "chkHeadings")->isChecked());
        // The user picks the part number and the description (two columns of one
        // field are refused on the way), ticks the update, imports.
        for (const char *box : {"cboField0", "cboField1", "", "cboField1"}) {
            if (!*box) {
                QVERIFY(Drive::click(w, "cmdImport"));
                QCOMPARE(h.ui.lastText(), QString("Two columns are marked as %1; choose one.").arg(PartsImport::fieldName(PartField::PartNo)));
                continue;
            }
            Drive::focus(Drive::find(w, box));
            Drive::key(Qt::Key_Down);
        }
        QCOMPARE(w->columnFields(), (QList<PartField>{PartField::PartNo, PartField::Description, PartField::UnitCost}));
        Drive::focus(Drive::find(w, "chkUpdate"));
        Drive::key(Qt::Key_Space);
        QVERIFY(Drive::find<QCheckBox>(w, "chkUpdate")->isChecked());
        QVERIFY(Drive::click(w, "cmdImport"));
        QCOMPARE(h.ui.lastText(), QString("1 part(s) added, 1 updated, 0 refused."));
        QCOMPARE(Drive::find<QPlainTextEdit>(w, "txtSummary")->toPlainText(), h.ui.lastText());
        QCOMPARE(parts(h.env), (QStringList{"P-1|Part one|0|2|-|-", "R1|New text|10|3|2|Old"}));
    }
};

QTEST_MAIN(TestPartsImport)
#include "tst_partsimport.moc"
