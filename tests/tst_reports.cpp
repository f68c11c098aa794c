// Reports: the template parser, the layout on rows given, the four templates
// on the sample database, the preview window with its printing and PDF, and
// reports written from the command line.
#include "app/commandline.h"
#include "reports/engine/reportlayout.h"
#include "reports/engine/reportparser.h"
#include "reports/engine/reportrunner.h"
#include "reports/engine/reporttext.h"
#include "reports/reportpreviewwindow.h"
#include "harness.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

const QString Sources = QStringLiteral(PARTWISE_SOURCE_DIR "/reports/");
const char *MinimalTemplate = "[query]\nSELECT PartNo FROM Inventory\n[column]\nfield = PartNo\n";

bool copyTemplates(const QString &folder)
{
    for (const char *name : {"Bin.rpt", "KitPartsUsed.rpt", "KitPullList.rpt", "KitShortage.rpt"}) {
        QFile::remove(QDir(folder).filePath(name));
        if (!QFile::copy(Sources + name, QDir(folder).filePath(name)))
            return false;
    }
    return true;
}

bool onServer() { return TestEnvironment::defaultEngine() == TestEnvironment::Engine::Server; }

int pdfPages(const QString &path)
{
    QFile f(path);
    const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return bytes.startsWith("%PDF") ? int(QString::fromLatin1(bytes).count(page)) : -1;
}

// "a b|P1 5|P2 -": field names, then rows; "-" is null, numbers are numbers.
ReportLayout::Rows rowsOf(const QString &data)
{
    ReportLayout::Rows rows;
    const QStringList lines = data.split('|');
    rows.fields = lines.first().split(' ');
    for (const QString &line : lines.mid(1))
        for (const QString &v : line.split(' ')) {
            bool number = false;
            const double n = v.toDouble(&number);
            rows.values << (v == "-" ? QVariant() : number ? QVariant(n) : QVariant(v));
        }
    return rows;
}

// What a probe sees of a laid-out report.
//  text:    every line, " / " between them;
//  columns: each heading's left edge and width in mm;
//  pages:   per page, the part lines on it, the first line under the
//           headings and the last line; "!" where a text runs into the footer.
QString probe(const ReportDocument &doc, const QString &what)
{
    if (what == "text")
        return doc.text().replace('\n', " / ");
    QStringList out;
    const double mm = 72 / 25.4;
    for (int p = 0; p < doc.pageCount(); ++p) {
        const QStringList lines = doc.pageText(p).split('\n');
        if (what == "columns") {
            for (const ReportItem &i : doc.pages.first())
                if (i.bold && i.text.size() == 1)
                    out << QStringLiteral("%1@%2+%3").arg(i.text).arg(i.rect.x() / mm, 0, 'f', 1).arg(i.rect.width() / mm, 0, 'f', 1);
            break;
        }
        double footer = 1e9;
        for (const ReportItem &i : doc.pages[p])
            if (i.kind == ReportItem::Kind::Rule && i.rect.y() > doc.pageSize.height() / 2)
                footer = i.rect.y();
        int below = 0;
        for (const ReportItem &i : doc.pages[p])
            below += i.kind == ReportItem::Kind::Text && i.rect.bottom() > footer;
        out << QStringLiteral("%1 %2 / %3%4").arg(lines.filter(QRegularExpression("^P\\d")).size())
                   .arg(lines.value(2), lines.last(), below > 1 ? "!" : "");
    }
    return out.join(", ");
}

struct Row
{
    QString templateText, data, probe, expected;
};
struct AnswerRow
{
    QString kind, answer, expected;
};

} // namespace
Q_DECLARE_METATYPE(Row)
Q_DECLARE_METATYPE(AnswerRow)

class TestReports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void brokenTemplates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        const QString q = "[query]\nSELECT PartNo FROM Inventory\n", col = "[column]\nfield = PartNo\n";
        auto row = [](const char *name, const QString &text, int number, const QString &description) {
            QTest::newRow(name) << text << number << description;
        };
        row("empty file", "", 20505, "there is no [query]");
        row("no columns", q, 20505, "there is no [column]");
        row("empty query", "[query]\n\n" + col, 20505, "there is no [query]");
        row("setting before any section", "title = X\n" + q + col, 20503, "line 1: 'title = X' stands before any [section]");
        row("unknown section", q + col + "[colum]\n", 20503, "line 5: [colum] is not a section");
        row("line without =", "[report]\ntitle BIN\n" + q + col, 20503, "line 2: 'title BIN' is not of the form key = value");
        row("unknown setting", q + col + "colour = red\n", 20503, "line 5: 'colour' is not a setting here");
        row("column without field", q + "[column]\nheading = X\n", 20505, "line 3: the column has no field");
        for (const auto &[setting, value] : {std::pair{"width", "-3"}, {"width", "1,5"}, {"align", "middle"}, {"format", "#,##0"},
                                             {"total", "average"}, {"orientation", "sideways"}, {"font size", "72"}}) {
            const QString line = QStringLiteral("%1 = %2\n").arg(setting, value);
            const bool inReport = QByteArray(setting) == "orientation" || QByteArray(setting) == "font size";
            row(qPrintable(QStringLiteral("%1 %2").arg(setting, value)), inReport ? "[report]\n" + line + q + col : q + col + line, 20504, QStringLiteral("'%1' is not a value for %2").arg(value, setting));
        }
        row("two queries", q + q + col, 20505, "line 3: [query] appears a second time");
        row("prompt without text", "[prompt Kit]\ntitle = K\n" + q + col, 20505, "line 1: the prompt has no text");
        row("prompt named twice", "[prompt Kit]\ntext = a\n[prompt kit]\ntext = b\n" + q + col, 20505, "the prompt name 'kit' is taken");
        row("prompt with a reserved name", "[prompt page]\ntext = a\n" + q + col, 20505, "the prompt name 'page' is taken");
        row("query names no prompt", "[query]\nSELECT PartNo FROM Inventory WHERE PartNo = :Kit\n" + col, 20506,
            "the query refers to :Kit, which is no prompt");
        row("unclosed placeholder", q + col + "[group]\nfield = PartNo\nheader = {PartNo\n", 20503, "line 7: a '{' that is not closed");
        row("stray brace", q + col + "[totals]\ntext = a } b\n", 20503, "a '}' with no '{' before it");
        row("unknown placeholder format", q + col + "[totals]\ntext = {count|percent}\n", 20503, "'percent' is not a format");
        row("page text names a column", q + col + "[page footer]\nleft = {PartNo}\n", 20506, "line 6: {PartNo} is not known in a page text");
        row("group without field", q + col + "[group]\nheader = x\n", 20505, "line 5: the group has no field");
    }
    void brokenTemplates()
    {
        QFETCH(QString, text);
        QFETCH(int, number);
        QFETCH(QString, description);
        ReportDefinition def;
        def.title = "untouched";
        const ReportError e = ReportParser::parse(text, &def);
        QCOMPARE(e.number, number);
        QVERIFY2(e.description.contains(description), qPrintable(e.description));
        QCOMPARE(def.title, QStringLiteral("untouched"));
    }

    // Names in the query become bound parameters; text that only looks like
    // a name stays as written.
    void queryReferences_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("one") << "WHERE a = :Kit" << "WHERE a = ?" << QStringList{"Kit"};
        QTest::newRow("twice, any case") << "x * :kits + :KITS" << "x * ? + ?" << QStringList{"Kits", "Kits"};
        QTest::newRow("in quotes") << "a = ':Kit' OR b = \":Kit\"" << "a = ':Kit' OR b = \":Kit\"" << QStringList{};
        QTest::newRow("in brackets") << "[a:Kit]" << "[a:Kit]" << QStringList{};
        QTest::newRow("in a comment") << "a -- :Kit\n= :Kit" << "a -- :Kit\n= ?" << QStringList{"Kit"};
        QTest::newRow("a cast") << "a::text = :Kit" << "a::text = ?" << QStringList{"Kit"};
        QTest::newRow("a quote inside") << "a = 'it''s' AND b = :Kit" << "a = 'it''s' AND b = ?" << QStringList{"Kit"};
    }
    void queryReferences()
    {
        QFETCH(QString, query);
        QFETCH(QString, sql);
        QFETCH(QStringList, order);
        QList<ReportPrompt> prompts(2);
        prompts[0].name = "Kit";
        prompts[1].name = "Kits";
        QString out, unknown;
        QStringList names;
        QVERIFY(ReportParser::bindQuery(query, prompts, &out, &names, &unknown));
        QCOMPARE(out, sql);
        QCOMPARE(names, order);
    }

    void formats_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("shown");
        auto row = [](const char *name, const QVariant &value, const QString &format, const QString &shown) {
            QTest::newRow(name) << value << format << shown;
        };
        row("small double as text", 0.0005, "text", "0.0005");
        row("general fraction", 0.15, "general", "0.15");
        row("general product", 0.1 * 3, "general", "0.3");
        row("general large, no separator", 1e7, "general", "10000000");
        row("general text", "abc", "general", "abc");
        row("whole rounds", 2.5, "0", "2");
        row("whole, no separator", 123456.0, "0", "123456");
        row("two decimals", 1.005, "0.00", "1.00");
        row("two decimals, half to even", 0.125, "0.00", "0.12");
        row("money", 1234.5, "money", "$1,234.50");
        row("money in millions", 1234567.0, "money", "$1,234,567.00");
        row("negative money", -2.25, "money", "($2.25)");
        row("yes", 1, "yesno", "Yes");
        row("null", QVariant(), "0.00", "");
    }
    void formats()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, format);
        QFETCH(QString, shown);
        const std::optional<ReportFormat> f = ReportText::parseFormat(format);
        QVERIFY(f);
        QCOMPARE(ReportLayout::formatValue(value, *f, QLocale(QLocale::English, QLocale::UnitedStates)), shown);
    }

    // A prompt's answer read as its kind: thousands separators in a whole
    // number, halves to even, a plain number's grammar.
    void answers_data()
    {
        QTest::addColumn<AnswerRow>("r");
        QTest::newRow("whole") << AnswerRow{"whole", "12", "12"};
        QTest::newRow("whole with a thousands separator") << AnswerRow{"whole", "1,000", "1000"};
        QTest::newRow("whole, half to even") << AnswerRow{"whole", "2.5", "2"};
        QTest::newRow("whole out of range") << AnswerRow{"whole", "40000", "20508"};
        QTest::newRow("whole not a number") << AnswerRow{"whole", "abc", "20508"};
        QTest::newRow("number") << AnswerRow{"number", "2.5", "2.5"};
        QTest::newRow("number with a thousands separator") << AnswerRow{"number", "1,000", "20508"};
        QTest::newRow("text as typed") << AnswerRow{"text", " a,b ", " a,b "};
    }
    void answers()
    {
        QFETCH(AnswerRow, r);
        ReportDefinition def;
        QVERIFY(!ReportParser::parse("[prompt N]\ntext = n\nkind = " + r.kind + "\n" + MinimalTemplate, &def));
        QHash<QString, QVariant> values;
        const ReportError e = ReportRunner::readAnswers(def, {{"n", r.answer}}, &values);
        QCOMPARE(e ? QString::number(e.number) : values.value("N").toString(), r.expected);
    }

    // The layout on rows given: column places, totals, groups, pages.
    void layout_data()
    {
        QTest::addColumn<Row>("r");
        const QString q = "[report]\ntitle = Title\n[query]\nSELECT 1\n[column]\nfield = a\nheading = A\n";
        const QString b = "[column]\nfield = b\nheading = B\n";
        const QString rows3 = "a b|P1 1|P2 -|P3 2.5";
        QString many = "a b";
        for (int i = 0; i < 130; ++i)
            many += QStringLiteral("|P%1 %2").arg(i, 3, 10, QLatin1Char('0')).arg(i < 60 ? "x" : "y");
        auto row = [](const char *name, const Row &r) { QTest::newRow(name) << r; };
        row("widths in mm", {q + "width = 40\n" + b + "width = 20.5\n", rows3, "columns", "A@12.7+40.0, B@54.8+20.5"});
        row("default widths", {q + b, rows3, "columns", "A@12.7+25.0, B@39.8+25.0"});
        row("null shown as blank", {q + b + "blank = none\n", rows3, "text", "Title | 3/14/26 / A | B / P1 | 1 / P2 | none / P3 | 2.5 / Page 1 of 1"});
        row("count total: values, not rows", {q + b + "total = count\n[totals]\ntext = {count} rows\n", rows3, "text",
                                              "Title | 3/14/26 / A | B / P1 | 1 / P2 / P3 | 2.5 / 3 rows | 2 / Page 1 of 1"});
        row("sum total, formatted", {q + b + "total = sum\nformat = 0.00\n[totals]\ntext = {sum b} in all\n", rows3, "text",
                                     "Title | 3/14/26 / A | B / P1 | 1.00 / P2 / P3 | 2.50 / 3.5 in all | 3.50 / Page 1 of 1"});
        row("group footers", {q + "[group]\nfield = b\nheader = <{b}>\nfooter = {count} in {b}\n", "a b|P1 x|P2 X|P3 y", "text",
                              "Title | 3/14/26 / A / <x> / P1 / P2 / 2 in x / <y> / P3 / 1 in y / Page 1 of 1"});
        row("pages", {q, many, "pages", "46 P000 / Page 1 of 3, 46 P046 / Page 2 of 3, 38 P092 / Page 3 of 3"});
        row("a group over a page break", {q + "[group]\nfield = b\nheader = Group {b}\n", many, "pages",
                                          "45 Group x / Page 1 of 3, 44 Group x (continued) / Page 2 of 3, 41 Group y (continued) / Page 3 of 3"});
        row("nothing to show", {QString(q).replace("[report]\n", "[report]\nempty = none at all\n"), "a", "text", "Title | 3/14/26 / A / none at all / Page 1 of 1"});
    }
    void layout()
    {
        QFETCH(Row, r);
        ReportDefinition def;
        const ReportError parsed = ReportParser::parse(r.templateText, &def);
        QVERIFY2(!parsed, qPrintable(parsed.description));
        ReportDocument doc;
        const ReportError e = ReportLayout(def, {}, QDateTime(QDate(2026, 3, 14), QTime(9, 26))).layout(rowsOf(r.data), &doc);
        QVERIFY2(!e, qPrintable(e.description));
        QCOMPARE(probe(doc, r.probe), r.expected);
    }

    // The shipped templates on the sample database: "…" in a line stands for
    // any text (a description cut to its column).
    void templates_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("answers"); // Kit, Kits
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("BIN List") << "Bin.rpt" << QStringList() << QStringList{
            "BIN List | 3/14/26 9:26 AM", "Digi-Key", "LM2596S-ADJ | … | 6 | 15 | 8 | 2.1 | Yes | Digi-Key",
            "RIBBON-10W | … | 22 | 30 | 10 | 0.45 | No | Farnell", "3 to order from Digi-Key",
            "7 to order from (no preferred vendor)", "Parts to order: 24", "Page 2 of 2"};
        QTest::newRow("Kit Parts List") << "KitPartsUsed.rpt" << QStringList() << QStringList{
            "AMP-MONO-10W   10W mono audio amplifier, TDA2003, 14V supply", "26 components",
            "LM2596S-ADJ | Switching regulator LM2596S-ADJ step-down 3A TO-263-5 | 1 | 6",
            "HDR-1X40-M | … | 0.15 | 380", "SHT11 | (not in the catalogue) | 1", "… (continued)", "98 component lines in all", "Page 3 of 3"};
        QTest::newRow("Kit Pull List") << "KitPullList.rpt" << QStringList{"PSU-12V-REVB", "10"} << QStringList{
            "Kit PSU-12V-REVB, 10 kits", "L33U-3A | … | 1 | 10 | 9 | SHORT", "1N5822 | … | 1 | 10 | 70", "M3X6-SCR | … | 8 | 80 | 4200", "NO-SUCH-PART | … | 2 | 20 | SHORT", "19 components"};
        QTest::newRow("half kits round to even") << "KitPullList.rpt" << QStringList{"psu-12v-revb", "2.5"}
                                                 << QStringList{"Kit psu-12v-revb, 2 kits", "M3X6-SCR | … | 8 | 16 | 4200"};
        QTest::newRow("fractions per kit") << "KitPullList.rpt" << QStringList{"RELAY-2CH", "25"} << QStringList{
            "HDR-1X40-M | … | 0.1 | 2.5 | 380", "PCB-PROTO-100X160 | … | 0.25 | 6.25 | 15", "RLY-5V-SPDT | … | 2 | 50 | 33 | SHORT"};
        QTest::newRow("Kit Shortage List") << "KitShortage.rpt" << QStringList{"PSU-12V-REVB", "10"} << QStringList{
            "NO-SUCH-PART | (not in the catalogue) | 20 | 20", "LM2596S-ADJ | … | 10 | 6 | 4 | $2.10 | $8.40", "Total shortage value | $9.15"};
    }
    void templates()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, answers);
        QFETCH(QStringList, lines);
        TestEnvironment env("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES "
                            "('PSU-12V-REVB', 'x', 'NO-SUCH-PART', 2);", TestEnvironment::Data::Sample);
        QVERIFY2(env.isValid(), qPrintable(env.error()));
        ReportDefinition def;
        ReportDocument doc;
        ReportError e = ReportParser::parseFile(Sources + name, &def);
        if (!e)
            e = ReportRunner::run(env.app.database(), def, answers.isEmpty() ? ReportRunner::Answers()
                                  : ReportRunner::Answers{{"Kit", answers[0]}, {"Kits", answers[1]}}, env.app.now(), &doc);
        QVERIFY2(!e, qPrintable(e.description));
        const QStringList text = doc.text().split('\n');
        for (const QString &line : lines) {
            QStringList parts = line.split("…");
            for (QString &part : parts)
                part = QRegularExpression::escape(part);
            const QRegularExpression re("^" + parts.join(".*") + "$");
            QVERIFY2(!text.filter(re).isEmpty(), qPrintable(line + "\n" + doc.text()));
        }
        QCOMPARE(doc.landscape, name == "Bin.rpt");
    }

    // What stops a run, with nothing laid out; a query that would write is
    // refused and changes nothing.
    void runErrors_data()
    {
        QTest::addColumn<QString>("templateText");
        QTest::addColumn<QStringList>("answers"); // name=value
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        auto row = [](const char *name, const QString &text, const QStringList &answers, int number,
                      const QString &description) { QTest::newRow(name) << text << answers << number << description; };
        const QString prompts = QString("[prompt Kits]\ntext = How many\nkind = whole\n") + MinimalTemplate;
        const QString minimal = MinimalTemplate;
        row("column not in the query", "[query]\nSELECT PartNo FROM Inventory\n[column]\nfield = Cost\n", {}, 20506, "gives no column Cost");
        row("query refused", "[query]\nSELECT Cost FROM Nowhere\n[column]\nfield = a\n", {}, 20507, "The report's query failed:");
        row("no answer", prompts, {}, 20509, "needs an answer for Kits (\"How many\")");
        row("answer not a number", prompts, {"Kits=abc"}, 20508, "\"abc\" is not a whole number");
        row("answer to no prompt", prompts, {"Kits=1", "Kit=2"}, 20506, "asks nothing called Kit");
        row("too wide", minimal + "width = 300\n", {}, 20510, "columns are 300 mm wide");
        row("text names no field", minimal + "[totals]\ntext = {Cost}\n", {}, 20506, "{Cost} names nothing");
        row("sum of no field", minimal + "[totals]\ntext = {sum Cost}\n", {}, 20506, "gives no column Cost");
        for (const char *write : {"UPDATE Inventory SET CurrentInv = 0", "DELETE FROM Users", "DROP TABLE Inventory", "ATTACH DATABASE 'x.db' AS x",
                                  "SELECT PartNo FROM Inventory; DELETE FROM Inventory",
                                  "WITH d AS (DELETE FROM Inventory RETURNING PartNo) SELECT PartNo FROM d"})
            row(write, "[query]\n" + QString(write) + "\n[column]\nfield = PartNo\n", {}, 20507, "may only read the database");
    }
    void runErrors()
    {
        QFETCH(QString, templateText);
        QFETCH(QStringList, answers);
        QFETCH(int, number);
        QFETCH(QString, description);
        TestEnvironment env("INSERT INTO Inventory (PartNo) VALUES ('A'); INSERT INTO Users (User, Password) VALUES ('bob', 'x');");
        QVERIFY(env.isValid());
        ReportDefinition def;
        QVERIFY(!ReportParser::parse(templateText, &def));
        ReportRunner::Answers given;
        for (const QString &a : answers)
            given.insert(a.section('=', 0, 0), a.section('=', 1));
        ReportDocument doc;
        const ReportError e = ReportRunner::run(env.app.database(), def, given, env.app.now(), &doc);
        QCOMPARE(e.number, number);
        QVERIFY2(e.description.contains(description), qPrintable(e.description));
        QCOMPARE(doc.pageCount(), 0);
        QCOMPARE(env.row("SELECT (SELECT count(*) FROM Inventory), (SELECT count(*) FROM Users)"), (QVariantList{1, 1}));
    }

    // The commands as the user runs them from the menus: what is asked, what
    // opens, what is said; the database stays as it was.
    void commands_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("title"); // empty: nothing opens
        QTest::addColumn<QString>("message");
        const QString kit = "AMP-MONO-10W";
        QTest::newRow("BIN List") << int(CommandId::BinList) << QStringList{} << "BIN List" << "";
        QTest::newRow("Kit Parts List") << int(CommandId::KitPartList) << QStringList{} << "Kit Parts List" << "";
        QTest::newRow("Kit Pull List") << int(CommandId::KitPullList) << QStringList{kit, "3"} << "Kit Pull List" << "";
        QTest::newRow("Kit Shortage List") << int(CommandId::KitShort) << QStringList{kit, "30"} << "Kit Shortage List" << "";
        QTest::newRow("kit number cancelled") << int(CommandId::KitPullList) << QStringList{"<cancel>"} << "" << "";
        QTest::newRow("kit number empty") << int(CommandId::KitShort) << QStringList{""} << "" << "";
        QTest::newRow("number of kits not a number") << int(CommandId::KitShort) << QStringList{kit, "many"} << ""
            << "Error No 20508\r\n\"many\" is not a whole number from -32768 to 32767 for Kits. has occured.";
    }
    void commands()
    {
        QFETCH(int, command);
        QFETCH(QStringList, inputs);
        QFETCH(QString, title);
        QFETCH(QString, message);
        Harness h(TestEnvironment::sampleData());
        QVERIFY(h.ready() && copyTemplates(h.env.folder()));
        for (const QString &i : inputs)
            h.ui.inputs.enqueue(i == "<cancel>" ? std::nullopt : std::optional<QString>(i));
        const QString before = h.env.row("SELECT SUM(CurrentInv), COUNT(*) FROM Inventory").value(0).toString();
        h.main.run(CommandId(command));
        const QStringList asked = {"Enter the Kit Part Number", "Enter Qty of Kits Pulled"};
        QCOMPARE(h.ui.prompts, asked.mid(0, inputs.size()));
        QCOMPARE(h.ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        auto *preview = qobject_cast<ReportPreviewWindow *>(h.main.activeChild());
        QCOMPARE(preview ? preview->windowTitle() : QString(), title);
        if (preview) {
            QCOMPARE(preview->subWindow()->size(), h.main.mdiArea()->viewport()->size()); // all the room, not maximized
            QVERIFY(preview->pageStatus().startsWith("Page 1 of "));
        }
        QCOMPARE(h.env.row("SELECT SUM(CurrentInv), COUNT(*) FROM Inventory").value(0).toString(), before);
    }

    // A missing or broken template: the engine's error, nothing opens.
    void templateFailures_data()
    {
        QTest::addColumn<QByteArray>("contents"); // "<missing>": no file
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QByteArray("<missing>") << "Error No 20501\r\nCannot find the report template %1. has occured.";
        QTest::newRow("broken") << QByteArray("[query]\nSELECT 1\n[columns]\n")
                                << "Error No 20503\r\nReport template line 3: [columns] is not a section. has occured.";
        QTest::newRow("not text") << QByteArray("\xff\xfe[query]") << "Error No 20502\r\nThe report template %1 is not UTF-8 text. has occured.";
    }
    void templateFailures()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        Harness h;
        QVERIFY(h.ready());
        const QString path = QDir(h.env.folder()).filePath("Bin.rpt");
        QFile f(path);
        QVERIFY(contents == "<missing>" || (f.open(QIODevice::WriteOnly) && f.write(contents) > 0));
        f.close();
        h.main.run(CommandId::BinList);
        QCOMPARE(h.ui.texts(), QStringList{message.contains("%1") ? message.arg(QDir::toNativeSeparators(path)) : message});
        QCOMPARE(h.ui.shown.last().title, QStringLiteral("Partwise"));
        QCOMPARE(h.main.mdiArea()->subWindowList().size(), 0);
    }

    void previewPagesPrintAndPdf()
    {
        Harness h(TestEnvironment::sampleData());
        QVERIFY(h.ready() && copyTemplates(h.env.folder()));
        auto *preview = h.open<ReportPreviewWindow>(CommandId::KitPartList);
        QVERIFY(preview);
        const int pages = preview->document().pageCount();
        QVERIFY(pages >= 2);
        // The top of the first page, and the next window opens at its own size.
        auto *view = preview->preview()->findChild<QAbstractScrollArea *>();
        QVERIFY(view);
        QTRY_COMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->minimum());
        QVERIFY(!preview->subWindow()->isMaximized());
        h.main.run(CommandId::FileNew);
        QVERIFY(h.main.activeChild() != preview && !h.main.mdiArea()->activeSubWindow()->isMaximized());
        h.main.mdiArea()->activeSubWindow()->close();
        h.main.mdiArea()->setActiveSubWindow(preview->subWindow());
        const auto status = [&](int page) { return QStringLiteral("Page %1 of %2").arg(page).arg(pages); };
        preview->toolAction("nextPage")->trigger();
        QCOMPARE(preview->pageStatus(), status(2));
        preview->toolAction("firstPage")->trigger();
        preview->toolAction("previousPage")->trigger();
        QCOMPARE(preview->pageStatus(), status(1));
        // The keys the user pages with.
        Drive::focus(preview->preview());
        Drive::key(Qt::Key_End);
        QCOMPARE(preview->currentPage(), pages);
        preview->toolAction("nextPage")->trigger(); // not past the last page
        QCOMPARE(preview->currentPage(), pages);
        Drive::key(Qt::Key_Home);
        Drive::key(Qt::Key_PageDown);
        QCOMPARE(preview->pageStatus(), status(2));
        const qreal zoom = preview->preview()->zoomFactor();
        preview->toolAction("zoomIn")->trigger();
        QVERIFY(preview->preview()->zoomFactor() > zoom);

        // File > Print goes to the preview while it is the active window.
        QTemporaryDir out;
        h.ui.printToPdf = out.filePath("printed.pdf");
        h.ui.printChoices << true << false; // the second cancelled: nothing printed
        h.main.run(CommandId::FilePrint);
        QCOMPARE(h.ui.dialogTitles, QStringList{"Print"});
        QCOMPARE(pdfPages(h.ui.printToPdf), pages);
        QFile::remove(h.ui.printToPdf);
        h.main.run(CommandId::FilePrint);
        QVERIFY(!QFile::exists(h.ui.printToPdf));

        h.ui.fileNames.enqueue(out.filePath("saved")); // ".pdf" is added
        preview->toolAction("savePdf")->trigger();
        QCOMPARE(pdfPages(out.filePath("saved.pdf")), pages);
        h.ui.fileNames.enqueue(out.filePath("no-such-folder/x.pdf"));
        preview->toolAction("savePdf")->trigger();
        QVERIFY2(h.lastMessage().startsWith("Error No 20511\r\nCannot write the PDF file"), qPrintable(h.lastMessage()));
        if (onServer())
            return;
        // Never over the database; over another file only when the user says so.
        QFile notes(out.filePath("notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("keep") == 4);
        notes.close();
        const QString db = h.env.app.databasePath();
        h.ui.fileNames << db << db + "-wal" << notes.fileName() << notes.fileName();
        h.answerNext(UserInterface::Answer::No);
        h.answerNext(UserInterface::Answer::Yes);
        for (int i = 0; i < 4; ++i)
            preview->toolAction("savePdf")->trigger();
        const QStringList said = h.ui.texts().mid(h.ui.texts().size() - 4);
        QVERIFY2(said.at(0).endsWith("Inventory.mdb is the inventory database. A report is never saved over it."), qPrintable(said.at(0)));
        QVERIFY2(said.at(1).contains("write-ahead log"), qPrintable(said.at(1)));
        QVERIFY2(said.at(2).endsWith("notes.txt already exists and is not a PDF file.\nReplace it with the report?"), qPrintable(said.at(2)));
        QCOMPARE(said.at(3), said.at(2));
        QCOMPARE(pdfPages(notes.fileName()), pages);
        QVERIFY(pdfPages(db + "-wal") < 0 && pdfPages(db) < 0 && h.env.app.database().isOpen());
    }

    // Report PDFs: text a reader can search (no ligatures), on the paper of
    // the user's locale.
    void pdfTextAndPaper_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("paper");
        QTest::newRow("Germany") << "de_DE" << "(A4)";
        QTest::newRow("United States") << "en_US" << "(letter)";
    }
    void pdfTextAndPaper()
    {
        QFETCH(QString, locale);
        QFETCH(QString, paper);
        if (QStandardPaths::findExecutable("pdftotext").isEmpty() || QStandardPaths::findExecutable("pdfinfo").isEmpty())
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
        TestEnvironment env(QString(), TestEnvironment::Data::Sample);
        QVERIFY(env.isValid());
        const QLocale saved;
        QLocale::setDefault(QLocale(locale));
        env.app.database().close();
        QFile t(QDir(env.folder()).filePath("Film.rpt"));
        QVERIFY(t.open(QIODevice::WriteOnly) && t.write("[report]\ntitle = Office film fluff\n" + QByteArray(MinimalTemplate)) > 0);
        t.close();
        QTemporaryDir out;
        QString outText, errText;
        QTextStream o(&outText), e(&errText);
        const auto status = CommandLine::handle(env.app, {"partwise", "--report", "Film.rpt", "--pdf", out.filePath("f.pdf")}, o, e);
        QLocale::setDefault(saved);
        QCOMPARE(status.value_or(-1), 0);
        QProcess tool;
        tool.start("pdftotext", {out.filePath("f.pdf"), "-"});
        QVERIFY(tool.waitForFinished(30000));
        QVERIFY(QString::fromUtf8(tool.readAllStandardOutput()).contains("Office film fluff"));
        tool.start("pdfinfo", {out.filePath("f.pdf")});
        QVERIFY(tool.waitForFinished(30000));
        QVERIFY2(QString::fromUtf8(tool.readAllStandardOutput()).contains(paper), qPrintable(paper));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments"); // PDF stands for the output file, @X for a file aimed at
        QTest::addColumn<int>("status");            // -1: the program starts as usual
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("pages");             // of the PDF written; 0: none; -1: any
        auto row = [](const char *name, const QStringList &arguments, int status, const QString &error, int pages) {
            QTest::newRow(name) << arguments << status << error << pages;
        };
        const QStringList bin = {"--report", "Bin.rpt", "--pdf"};
        row("no report asked", {}, -1, "", 0);
        row("BIN List", bin + QStringList{"PDF"}, 0, "", -1);
        row("with answers", {"--report", "KitPullList.rpt", "--param", "Kit=PSU-12V-REVB", "--param", "kits=10", "--pdf", "PDF"}, 0, "", 1);
        row("an answer with = in it", {"--report", "KitShortage.rpt", "--param", "Kit=A=B", "--param", "Kits=1", "--pdf", "PDF"}, 0, "", 1);
        row("no answer", {"--report", "KitPullList.rpt", "--param", "Kit=X", "--pdf", "PDF"}, 1,
            "partwise: report error 20509: The report needs an answer for Kits", 0);
        row("no such template", {"--report", "Nope.rpt", "--pdf", "PDF"}, 1, "report error 20501: Cannot find the report template", 0);
        row("PDF in no folder", bin + QStringList{"PDF/none/x.pdf"}, 1, "report error 20511", 0);
        row("over the database", bin + QStringList{"@DB"}, 1, "Inventory.mdb is the inventory database.", 0);
        row("over its log", bin + QStringList{"@DB-wal"}, 1, "write-ahead log.", 0);
        row("over another file", bin + QStringList{"@TXT"}, 1, "notes.txt already exists and is not a PDF file.", 0);
        row("over an earlier PDF", bin + QStringList{"@OLD"}, 0, "", 0);
        row("no --pdf", {"--report", "Bin.rpt"}, 2, "--report needs --pdf FILE.", 0);
        row("--pdf alone", {"--pdf", "PDF"}, 2, "--pdf and --param go with --report.", 0);
        row("--param without =", {"--report", "Bin.rpt", "--param", "Kit", "--pdf", "PDF"}, 2, "--param Kit is not NAME=VALUE.", 0);
        row("unknown option", {"--reprot", "Bin.rpt"}, 2, "Unknown option 'reprot'", 0);
    }
    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, error);
        QFETCH(int, pages);
        TestEnvironment env(QString(), TestEnvironment::Data::Sample);
        QVERIFY(env.isValid() && copyTemplates(env.folder()));
        if (onServer() && arguments.join(' ').contains("@DB"))
            QSKIP("the database is no file on the server");
        env.app.database().close();
        QTemporaryDir out;
        const QString pdf = out.filePath("report.pdf");
        { QFile notes(out.filePath("notes.txt")); QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("keep") == 4); }
        { QFile old(out.filePath("old.pdf")); QVERIFY(old.open(QIODevice::WriteOnly) && old.write("%PDF-1.4 old") > 0); }
        QString target; // a file the row aims at, to check afterwards
        for (QString &a : arguments) {
            a.replace("PDF", pdf);
            if (a.startsWith('@'))
                target = a = a.replace("@DB", env.app.databasePath()).replace("@TXT", out.filePath("notes.txt")).replace("@OLD", out.filePath("old.pdf"));
        }
        QFile targetFile(target);
        const QByteArray before = targetFile.open(QIODevice::ReadOnly) ? targetFile.read(16) : QByteArray();
        targetFile.close();
        QString outText, errText;
        QTextStream outStream(&outText), errStream(&errText);
        QCOMPARE(CommandLine::handle(env.app, QStringList{"partwise"} + arguments, outStream, errStream).value_or(-1), status);
        QVERIFY2(error.isEmpty() ? errText.isEmpty() : errText.contains(error), qPrintable(errText));
        if (pages < 0)
            QVERIFY(pdfPages(pdf) >= 1);
        else
            QCOMPARE(qMax(0, pdfPages(pdf)), pages);
        if (!target.isEmpty() && status != 0) { // refused: the file is as it was
            QVERIFY(targetFile.open(QIODevice::ReadOnly) || before.isEmpty());
            QCOMPARE(targetFile.read(16), before);
        } else if (!target.isEmpty()) {
            QVERIFY(pdfPages(target) >= 1);
        }
    }

    // The program itself, as a scheduled job runs it, with no display.
    void commandLineProgram()
    {
        const QString folder = QCoreApplication::applicationDirPath() + "/..", program = folder + "/partwise";
        if (!QFile::exists(program) || !QFile::exists(folder + "/Bin.rpt") || !QFile::exists(folder + "/Inventory.mdb"))
            QSKIP("the program is not built beside its templates and database");
        QTemporaryDir out;
        QProcess p;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("DISPLAY");
        environment.remove("PARTWISE_TEST_ENGINE");
        p.setProcessEnvironment(environment);
        p.start(program, {"--report", "Bin.rpt", "--pdf", out.filePath("bin.pdf")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(pdfPages(out.filePath("bin.pdf")) >= 1);
        p.start(program, {"--report", "Nope.rpt", "--pdf", out.filePath("nope.pdf")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains("report error 20501"));
        QVERIFY(!QFile::exists(out.filePath("nope.pdf")));
    }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
