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
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTextStream>

#pragma GCC diagnostic ignored "-Wmissing-field-initializers" // rows leave fields out

namespace {

const QString Sources = QStringLiteral(PARTWISE_SOURCE_DIR "/reports/");
const QString Minimal = "[query]\nSELECT PartNo FROM Inventory\n[column]\nfield = PartNo\n";

bool onServer() { return TestEnvironment::defaultEngine() == TestEnvironment::Engine::Server; }
bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
bool copyTemplates(const QString &folder)
{
    for (const char *name : {"Bin.rpt", "KitPartsUsed.rpt", "KitPullList.rpt", "KitShortage.rpt"})
        if (!QFile::copy(Sources + name, QDir(folder).filePath(name)))
            return false;
    return true;
}
int pdfPages(const QString &path)
{
    QFile f(path);
    const QByteArray bytes = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return bytes.startsWith("%PDF") ? int(QString::fromLatin1(bytes).count(page)) : -1;
}
QString output(const QString &program, const QStringList &arguments)
{
    QProcess p;
    p.start(program, arguments);
    return p.waitForFinished(30000) ? QString::fromUtf8(p.readAllStandardOutput()) : QString();
}
// "-" is null, numbers are numbers, the rest text.
QVariant valueOf(const QString &v)
{
    bool number = false;
    const double n = v.toDouble(&number);
    return v == "-" ? QVariant() : number ? QVariant(n) : QVariant(v);
}
// "a b|P1 5|P2 -": field names, then rows.
ReportLayout::Rows rowsOf(const QString &data)
{
    ReportLayout::Rows rows;
    const QStringList lines = data.split('|');
    rows.fields = lines.first().split(' ');
    for (const QString &line : lines.mid(1))
        for (const QString &v : line.split(' '))
            rows.values << valueOf(v);
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

// One case of any table below; each table says what its fields hold.
struct Row
{
    QString a, b, c, d;
    QStringList list = {};
    int n = 0;
};
void row(const char *name, const Row &r) { QTest::newRow(name) << r; }

} // namespace
Q_DECLARE_METATYPE(Row)

class TestReports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    // One rule a row, d naming it. parse: template, -, error number|words
    // of its description (the definition stays untouched); run: the same
    // on a database, answers (name=value) in list: what stops a run, with
    // nothing laid out and nothing written (a query that would write is
    // refused); bind: query, -, as bound | the prompts
    // named in order (text that only looks like a name stays as written);
    // format: value (valueOf), format, shown; answer: kind, answer, value
    // read or error number (thousands separators in a whole number, halves
    // to even, a plain number's grammar).
    void rules_data()
    {
        QTest::addColumn<Row>("r");
        const QString q = "[query]\nSELECT PartNo FROM Inventory\n", col = "[column]\nfield = PartNo\n";
        row("empty file", {"", "", "20505|there is no [query]", "parse"});
        row("no columns", {q, "", "20505|there is no [column]", "parse"});
        row("empty query", {"[query]\n\n" + col, "", "20505|there is no [query]", "parse"});
        row("setting before any section", {"title = X\n" + q + col, "", "20503|line 1: 'title = X' stands before any [section]", "parse"});
        row("unknown section", {q + col + "[colum]\n", "", "20503|line 5: [colum] is not a section", "parse"});
        row("line without =", {"[report]\ntitle BIN\n" + q + col, "", "20503|line 2: 'title BIN' is not of the form key = value", "parse"});
        row("unknown setting", {q + col + "colour = red\n", "", "20503|line 5: 'colour' is not a setting here", "parse"});
        row("column without field", {q + "[column]\nheading = X\n", "", "20505|line 3: the column has no field", "parse"});
        for (const auto &[setting, value] : {std::pair{"width", "0"}, {"width", "1,5"}, {"align", "middle"}, {"format", "#,##0"},
                                             {"total", "average"}, {"orientation", "sideways"}, {"font size", "72"}}) {
            const QString line = QStringLiteral("%1 = %2\n").arg(setting, value);
            const bool inReport = QByteArray(setting) == "orientation" || QByteArray(setting) == "font size";
            row(qPrintable(QStringLiteral("%1 %2").arg(setting, value)),
                {inReport ? "[report]\n" + line + q + col : q + col + line, "", "20504|" + QStringLiteral("'%1' is not a value for %2").arg(value, setting), "parse"});
        }
        row("two queries", {q + q + col, "", "20505|line 3: [query] appears a second time", "parse"});
        row("prompt without text", {"[prompt Kit]\ntitle = K\n" + q + col, "", "20505|line 1: the prompt has no text", "parse"});
        row("prompt named twice", {"[prompt Kit]\ntext = a\n[prompt kit]\ntext = b\n" + q + col, "", "20505|the prompt name 'kit' is taken", "parse"});
        row("prompt with a reserved name", {"[prompt page]\ntext = a\n" + q + col, "", "20505|the prompt name 'page' is taken", "parse"});
        row("query names no prompt", {"[query]\nSELECT PartNo FROM Inventory WHERE PartNo = :Kit\n" + col, "", "20506|the query refers to :Kit, which is no prompt", "parse"});
        row("unclosed placeholder", {q + col + "[group]\nfield = PartNo\nheader = {PartNo\n", "", "20503|line 7: a '{' that is not closed", "parse"});
        row("stray brace", {q + col + "[totals]\ntext = a } b\n", "", "20503|a '}' with no '{' before it", "parse"});
        row("unknown placeholder format", {q + col + "[totals]\ntext = {count|percent}\n", "", "20503|'percent' is not a format", "parse"});
        row("page text names a column", {q + col + "[page footer]\nleft = {PartNo}\n", "", "20506|line 6: {PartNo} is not known in a page text", "parse"});
        row("group without field", {q + col + "[group]\nheader = x\n", "", "20505|line 5: the group has no field", "parse"});
        const QString prompts = "[prompt Kits]\ntext = How many\nkind = whole\n" + Minimal;
        row("column not in the query", {"[query]\nSELECT PartNo FROM Inventory\n[column]\nfield = Cost\n", "", "20506|gives no column Cost", "run"});
        row("query refused", {"[query]\nSELECT Cost FROM Nowhere\n[column]\nfield = a\n", "", "20507|The report's query failed:", "run"});
        row("no answer", {prompts, "", "20509|needs an answer for Kits (\"How many\")", "run"});
        row("answer not a number", {prompts, "", "20508|\"abc\" is not a whole number", "run", {"Kits=abc"}});
        row("answer to no prompt", {prompts, "", "20506|asks nothing called Kit", "run", {"Kits=1", "Kit=2"}});
        row("too wide", {Minimal + "width = 300\n", "", "20510|columns are 300 mm wide", "run"});
        row("text names no field", {Minimal + "[totals]\ntext = {Cost}\n", "", "20506|{Cost} names nothing", "run"});
        row("sum of no field", {Minimal + "[totals]\ntext = {sum Cost}\n", "", "20506|gives no column Cost", "run"});
        for (const char *write : {"UPDATE Inventory SET CurrentInv = 0", "DELETE FROM Users", "DROP TABLE Inventory", "ATTACH DATABASE 'x.db' AS x",
                                  "SELECT PartNo FROM Inventory; DELETE FROM Inventory",
                                  "WITH d AS (DELETE FROM Inventory RETURNING PartNo) SELECT PartNo FROM d"})
            row(write, {"[query]\n" + QString(write) + "\n[column]\nfield = PartNo\n", "", "20507|may only read the database", "run"});
        row("one", {"WHERE a = :Kit", "", "WHERE a = ? | Kit", "bind"});
        row("twice, any case", {"x * :kits + :KITS", "", "x * ? + ? | Kits Kits", "bind"});
        row("in quotes", {"a = ':Kit' OR b = \":Kit\"", "", "a = ':Kit' OR b = \":Kit\" | ", "bind"});
        row("in brackets", {"[a:Kit]", "", "[a:Kit] | ", "bind"});
        row("in a comment", {"a -- :Kit\n= :Kit", "", "a -- :Kit\n= ? | Kit", "bind"});
        row("a cast", {"a::text = :Kit", "", "a::text = ? | Kit", "bind"});
        row("a quote inside", {"a = 'it''s' AND b = :Kit", "", "a = 'it''s' AND b = ? | Kit", "bind"});
        row("small double as text", {"0.0005", "text", "0.0005", "format"});
        row("general product", {"0.30000000000000004", "general", "0.3", "format"});
        row("general large, no separator", {"1e7", "general", "10000000", "format"});
        row("general text", {"abc", "general", "abc", "format"});
        row("whole rounds", {"2.5", "0", "2", "format"});
        row("whole, no separator", {"123456", "0", "123456", "format"});
        row("two decimals", {"1.005", "0.00", "1.00", "format"});
        row("two decimals, half to even", {"0.125", "0.00", "0.12", "format"});
        row("money", {"1234.5", "money", "$1,234.50", "format"});
        row("negative money", {"-2.25", "money", "($2.25)", "format"});
        row("yes", {"1", "yesno", "Yes", "format"});
        row("null", {"-", "0.00", "", "format"});
        row("whole", {"whole", "12", "12", "answer"});
        row("whole with a thousands separator", {"whole", "1,000", "1000", "answer"});
        row("whole, half to even", {"whole", "2.5", "2", "answer"});
        row("whole out of range", {"whole", "40000", "20508", "answer"});
        row("whole not a number", {"whole", "abc", "20508", "answer"});
        row("number", {"number", "2.5", "2.5", "answer"});
        row("number with a thousands separator", {"number", "1,000", "20508", "answer"});
        row("text as typed", {"text", " a,b ", " a,b ", "answer"});
    }
    void rules()
    {
        QFETCH(Row, r);
        QString shown;
        if (r.d == "parse" || r.d == "run") {
            ReportDefinition def;
            def.title = "untouched";
            ReportError e = ReportParser::parse(r.a, &def);
            ReportRunner::Answers given;
            for (const QString &a : r.list)
                given.insert(a.section('=', 0, 0), a.section('=', 1));
            ReportDocument doc;
            std::unique_ptr<TestEnvironment> env(r.d == "parse" ? nullptr
                : new TestEnvironment("INSERT INTO Inventory (PartNo) VALUES ('A'); INSERT INTO Users (User, Password) VALUES ('bob', 'x');"));
            if (env && !e)
                e = ReportRunner::run(env->app.database(), def, given, env->app.now(), &doc);
            QVERIFY2(QString::number(e.number) == r.c.section('|', 0, 0) && e.description.contains(r.c.section('|', 1)), qPrintable(e.description));
            QVERIFY(env ? doc.pageCount() == 0 && env->row("SELECT (SELECT count(*) FROM Inventory), (SELECT count(*) FROM Users)") == QVariantList({1, 1})
                        : def.title == "untouched");
            return;
        }
        if (r.d == "format") {
            const std::optional<ReportFormat> f = ReportText::parseFormat(r.b);
            QVERIFY(f);
            shown = ReportLayout::formatValue(valueOf(r.a), *f, QLocale(QLocale::English, QLocale::UnitedStates));
        } else if (r.d == "answer") {
            ReportDefinition def;
            QVERIFY(!ReportParser::parse("[prompt N]\ntext = n\nkind = " + r.a + "\n" + Minimal, &def));
            QHash<QString, QVariant> values;
            const ReportError e = ReportRunner::readAnswers(def, {{"n", r.b}}, &values);
            shown = e ? QString::number(e.number) : values.value("N").toString();
        } else {
            ReportDefinition def;
            QVERIFY(!ReportParser::parse("[prompt Kit]\ntext = a\n[prompt Kits]\ntext = b\n" + Minimal, &def));
            QString unknown;
            QStringList names;
            QVERIFY(ReportParser::bindQuery(r.a, def.prompts, &shown, &names, &unknown));
            shown += " | " + names.join(' ');
        }
        QCOMPARE(shown, r.c);
    }

    // template, rows (rowsOf), probe, what it sees: column places, totals,
    // groups, pages.
    void layout_data()
    {
        QTest::addColumn<Row>("r");
        const QString q = "[report]\ntitle = Title\n[query]\nSELECT 1\n[column]\nfield = a\nheading = A\n";
        const QString b = "[column]\nfield = b\nheading = B\n";
        const QString rows3 = "a b|P1 1|P2 -|P3 2.5";
        QString many = "a b";
        for (int i = 0; i < 130; ++i)
            many += QStringLiteral("|P%1 %2").arg(i, 3, 10, QLatin1Char('0')).arg(i < 60 ? "x" : "y");
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
        row("a text wider than its column is cut", {q + b + "width = 8\n", "a b|P1 ABCDEFGHIJKLMNOP", "text", "Title | 3/14/26 / A | B / P1 | AB\u2026 / Page 1 of 1"});
        row("nothing to show", {QString(q).replace("[report]\n", "[report]\nempty = none at all\n"), "a", "text", "Title | 3/14/26 / A / none at all / Page 1 of 1"});
    }
    void layout()
    {
        QFETCH(Row, r);
        ReportDefinition def;
        const ReportError parsed = ReportParser::parse(r.a, &def);
        QVERIFY2(!parsed, qPrintable(parsed.description));
        ReportDocument doc;
        const ReportError e = ReportLayout(def, {}, QDateTime(QDate(2026, 3, 14), QTime(9, 26))).layout(rowsOf(r.b), &doc);
        QVERIFY2(!e, qPrintable(e.description));
        QCOMPARE(probe(doc, r.c), r.d);
    }


    // The commands as the user runs them from the menus, on the sample
    // database: title of what opens (none: nothing), message, Bin.rpt ("":
    // as shipped, or "<missing>", or these bytes), lines of the report ("|"
    // between them, "…" in a line standing for any text), answers to the prompts, command. The
    // database stays as it was.
    void commands_data()
    {
        QTest::addColumn<Row>("r");
        const QString notText = QString::fromLatin1("\xff\xfe[query]");
        row("BIN List", {"BIN List", "", "", "BIN List | 3/14/26 9:26 AM|Digi-Key|LM2596S-ADJ | … | 6 | 15 | 8 | 2.1 | Yes | Digi-Key|"
            "RIBBON-10W | … | 22 | 30 | 10 | 0.45 | No | Farnell|3 to order from Digi-Key|"
            "7 to order from (no preferred vendor)|Parts to order: 24|Page 2 of 2", {}, int(CommandId::BinList)});
        row("Kit Parts List", {"Kit Parts List", "", "", "AMP-MONO-10W   10W mono audio amplifier, TDA2003, 14V supply|26 components|"
            "LM2596S-ADJ | Switching regulator LM2596S-ADJ step-down 3A TO-263-5 | 1 | 6|"
            "HDR-1X40-M | … | 0.15 | 380|SHT11 | (not in the catalogue) | 1|… (continued)|98 component lines in all|Page 3 of 3", {}, int(CommandId::KitPartList)});
        row("Kit Pull List", {"Kit Pull List", "", "", "Kit PSU-12V-REVB, 10 kits|L33U-3A | … | 1 | 10 | 9 | SHORT|"
            "1N5822 | … | 1 | 10 | 70|M3X6-SCR | … | 8 | 80 | 4200|NO-SUCH-PART | … | 2 | 20 | SHORT|19 components", {"PSU-12V-REVB", "10"}, int(CommandId::KitPullList)});
        row("half kits round to even", {"Kit Pull List", "", "", "Kit psu-12v-revb, 2 kits|M3X6-SCR | … | 8 | 16 | 4200", {"psu-12v-revb", "2.5"}, int(CommandId::KitPullList)});
        row("fractions per kit", {"Kit Pull List", "", "", "HDR-1X40-M | … | 0.1 | 2.5 | 380|PCB-PROTO-100X160 | … | 0.25 | 6.25 | 15|"
            "RLY-5V-SPDT | … | 2 | 50 | 33 | SHORT", {"RELAY-2CH", "25"}, int(CommandId::KitPullList)});
        row("Kit Shortage List", {"Kit Shortage List", "", "", "NO-SUCH-PART | (not in the catalogue) | 20 | 20|"
            "LM2596S-ADJ | … | 10 | 6 | 4 | $2.10 | $8.40|Total shortage value | $9.15", {"PSU-12V-REVB", "10"}, int(CommandId::KitShort)});
        row("kit number cancelled", {"", "", "", "", {"<cancel>"}, int(CommandId::KitPullList)});
        row("kit number empty", {"", "", "", "", {""}, int(CommandId::KitShort)});
        row("number of kits not a number", {"", "Error No 20508\r\n\"many\" is not a whole number from -32768 to 32767 for Kits. has occured.",
                                            "", "", {"AMP-MONO-10W", "many"}, int(CommandId::KitShort)});
        row("template missing", {"", "Error No 20501\r\nCannot find the report template %1. has occured.", "<missing>", "", {}, int(CommandId::BinList)});
        row("template broken", {"", "Error No 20503\r\nReport template line 3: [columns] is not a section. has occured.",
                                "[query]\nSELECT 1\n[columns]\n", "", {}, int(CommandId::BinList)});
        row("template not text", {"", "Error No 20502\r\nThe report template %1 is not UTF-8 text. has occured.", notText, "", {}, int(CommandId::BinList)});
    }
    void commands()
    {
        QFETCH(Row, r);
        Harness h(TestEnvironment::sampleData() + "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES "
                                                  "('PSU-12V-REVB', 'x', 'NO-SUCH-PART', 2);");
        QVERIFY(h.ready() && copyTemplates(h.env.folder()));
        const QString bin = QDir(h.env.folder()).filePath("Bin.rpt");
        QVERIFY(r.c.isEmpty() || (QFile::remove(bin) && (r.c == "<missing>" || writeFile(bin, r.c.toLatin1()))));
        for (const QString &i : r.list)
            h.ui.inputs.enqueue(i == "<cancel>" ? std::nullopt : std::optional<QString>(i));
        const QString before = h.env.row("SELECT SUM(CurrentInv), COUNT(*) FROM Inventory").value(0).toString();
        h.main.run(CommandId(r.n));
        QCOMPARE(h.ui.prompts, QStringList({"Enter the Kit Part Number", "Enter Qty of Kits Pulled"}).mid(0, r.list.size()));
        QCOMPARE(h.ui.texts(), r.b.isEmpty() ? QStringList() : QStringList{QString(r.b).replace("%1", QDir::toNativeSeparators(bin))});
        QVERIFY(r.b.isEmpty() || h.ui.shown.last().title == "Partwise");
        auto *preview = qobject_cast<ReportPreviewWindow *>(h.main.activeChild());
        QCOMPARE(preview ? preview->windowTitle() : QString(), r.a);
        QCOMPARE(h.main.mdiArea()->subWindowList().size(), preview ? 1 : 0);
        // All the room, not maximized; the first page; BIN List on its side.
        QVERIFY(!preview || (preview->subWindow()->size() == h.main.mdiArea()->viewport()->size() && !preview->subWindow()->isMaximized()
                             && preview->pageStatus().startsWith("Page 1 of ") && preview->document().landscape == (r.a == "BIN List")));
        const QStringList text = preview ? preview->document().text().split('\n') : QStringList();
        for (const QString &line : r.d.split(QRegularExpression("(?<! )\\|(?! )"), Qt::SkipEmptyParts)) {
            QStringList parts = line.split("…");
            for (QString &part : parts)
                part = QRegularExpression::escape(part);
            QVERIFY2(!text.filter(QRegularExpression("^" + parts.join(".*") + "$")).isEmpty(), qPrintable(line + "\n" + text.join('\n')));
        }
        QCOMPARE(h.env.row("SELECT SUM(CurrentInv), COUNT(*) FROM Inventory").value(0).toString(), before);
    }

    void previewPagesPrintAndPdf()
    {
        Harness h(TestEnvironment::sampleData());
        QVERIFY(h.ready() && copyTemplates(h.env.folder()));
        auto *preview = h.open<ReportPreviewWindow>(CommandId::KitPartList);
        QVERIFY(preview);
        const int pages = preview->document().pageCount();
        QVERIFY(pages >= 2);
        // The top of the first page.
        auto *view = preview->preview()->findChild<QAbstractScrollArea *>();
        QVERIFY(view);
        QTRY_COMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->minimum());
        // Paging by the tool bar and by keys, never past the last page.
        Drive::focus(preview->preview());
        QStringList seen;
        for (const auto &[tool, key] : {std::pair{"nextPage", 0}, {"firstPage", 0}, {"previousPage", 0}, {"", int(Qt::Key_End)}, {"nextPage", 0},
                                        {"", int(Qt::Key_Home)}, {"", int(Qt::Key_PageDown)}}) {
            *tool ? preview->toolAction(tool)->trigger() : Drive::key(key);
            seen << QString::number(preview->currentPage());
        }
        QCOMPARE(seen.join(' '), QStringLiteral("2 1 1 %1 %1 1 2").arg(pages));
        QCOMPARE(preview->pageStatus(), QStringLiteral("Page 2 of %1").arg(pages));
        const qreal zoom = preview->preview()->zoomFactor();
        preview->toolAction("zoomIn")->trigger();
        QVERIFY(preview->preview()->zoomFactor() > zoom);

        // File > Print goes to the preview while it is the active window.
        QTemporaryDir out;
        h.ui.printToPdf = out.filePath("printed.pdf");
        h.ui.printChoices << false << true; // the first cancelled: nothing printed
        h.main.run(CommandId::FilePrint);
        QVERIFY(!QFile::exists(h.ui.printToPdf));
        h.main.run(CommandId::FilePrint);
        QCOMPARE(h.ui.dialogTitles, QStringList({"Print", "Print"}));
        QCOMPARE(pdfPages(h.ui.printToPdf), pages);

        // Save as PDF: ".pdf" is added; a write that fails is told; never
        // over the database; over another file only when the user says so.
        const QString notes = out.filePath("notes.txt"), db = h.env.app.databasePath();
        QVERIFY(writeFile(notes, "keep"));
        h.ui.fileNames << out.filePath("saved") << out.filePath("no-such-folder/x.pdf") << notes << notes;
        if (!onServer())
            h.ui.fileNames << db;
        h.answerNext(UserInterface::Answer::No);
        h.answerNext(UserInterface::Answer::Yes);
        while (!h.ui.fileNames.isEmpty())
            preview->toolAction("savePdf")->trigger();
        QCOMPARE(pdfPages(out.filePath("saved.pdf")), pages);
        const QStringList said = h.ui.texts();
        QCOMPARE(said.size(), onServer() ? 3 : 4);
        QVERIFY2(said.at(0).startsWith("Error No 20511\r\nCannot write the PDF file"), qPrintable(said.at(0)));
        QVERIFY2(said.at(1).endsWith("notes.txt already exists and is not a PDF file.\nReplace it with the report?"), qPrintable(said.at(1)));
        QCOMPARE(said.at(2), said.at(1));
        QCOMPARE(pdfPages(notes), pages);
        QVERIFY(onServer() || said.at(3).endsWith("Inventory.mdb is the inventory database. A report is never saved over it."));
        QVERIFY(pdfPages(db) < 0 && h.env.app.database().isOpen());
    }

    // Arguments (PDF stands for the output file, @X for a file aimed at),
    // exit status (-1: the program starts as usual), error, pages of the PDF
    // written (0: none; -1: any), and for a PDF's text and paper: locale,
    // paper named by pdfinfo.
    void commandLine_data()
    {
        QTest::addColumn<Row>("r");
        const auto cl = [](const char *name, const QStringList &arguments, int status, const QString &error, int pages,
                           const QString &locale = {}, const QString &paper = {}) { row(name, {error, QString::number(pages), locale, paper, arguments, status}); };
        const QStringList bin = {"--report", "Bin.rpt", "--pdf"}, film = {"--report", "Film.rpt", "--pdf", "PDF"};
        cl("no report asked", {}, -1, "", 0);
        cl("BIN List", bin + QStringList{"PDF"}, 0, "", -1);
        cl("with answers", {"--report", "KitPullList.rpt", "--param", "Kit=PSU-12V-REVB", "--param", "kits=10", "--pdf", "PDF"}, 0, "", 1);
        cl("an answer with = in it", {"--report", "KitShortage.rpt", "--param", "Kit=A=B", "--param", "Kits=1", "--pdf", "PDF"}, 0, "", 1);
        cl("no answer", {"--report", "KitPullList.rpt", "--param", "Kit=X", "--pdf", "PDF"}, 1, "partwise: report error 20509: The report needs an answer for Kits", 0);
        cl("no such template", {"--report", "Nope.rpt", "--pdf", "PDF"}, 1, "report error 20501: Cannot find the report template", 0);
        cl("PDF in no folder", bin + QStringList{"PDF/none/x.pdf"}, 1, "report error 20511", 0);
        cl("over the database", bin + QStringList{"@DB"}, 1, "Inventory.mdb is the inventory database.", 0);
        cl("over its log", bin + QStringList{"@DB-wal"}, 1, "write-ahead log.", 0);
        cl("over another file", bin + QStringList{"@TXT"}, 1, "notes.txt already exists and is not a PDF file.", 0);
        cl("over an earlier PDF", bin + QStringList{"@OLD"}, 0, "", 0);
        cl("no --pdf", {"--report", "Bin.rpt"}, 2, "--report needs --pdf FILE.", 0);
        cl("--pdf alone", {"--pdf", "PDF"}, 2, "--pdf and --param go with --report.", 0);
        cl("--param without a name", {"--report", "Bin.rpt", "--param", "=5", "--pdf", "PDF"}, 2, "--param =5 is not NAME=VALUE.", 0);
        cl("unknown option", {"--reprot", "Bin.rpt"}, 2, "Unknown option 'reprot'", 0);
        // Text a reader can search (no ligatures), on the paper of the locale.
        cl("Germany", film, 0, "", -1, "de_DE", "(A4)");
        cl("United States", film, 0, "", -1, "en_US", "(letter)");
    }
    void commandLine()
    {
        QFETCH(Row, r);
        if (onServer() && r.list.join(' ').contains("@DB"))
            QSKIP("the database is no file on the server");
        if (!r.d.isEmpty() && (QStandardPaths::findExecutable("pdftotext").isEmpty() || QStandardPaths::findExecutable("pdfinfo").isEmpty()))
            QSKIP("pdftotext and pdfinfo (poppler-utils) are not installed");
        TestEnvironment env(QString(), TestEnvironment::Data::Sample);
        QVERIFY(env.isValid() && copyTemplates(env.folder()));
        QVERIFY(writeFile(QDir(env.folder()).filePath("Film.rpt"), "[report]\ntitle = Office film fluff\n" + Minimal.toUtf8()));
        env.app.database().close();
        QTemporaryDir out;
        const QString pdf = out.filePath("report.pdf");
        QVERIFY(writeFile(out.filePath("notes.txt"), "keep") && writeFile(out.filePath("old.pdf"), "%PDF-1.4 old"));
        QString target; // a file the row aims at, to check afterwards
        for (QString &a : r.list) {
            a.replace("PDF", pdf);
            if (a.startsWith('@'))
                target = a = a.replace("@DB", env.app.databasePath()).replace("@TXT", out.filePath("notes.txt")).replace("@OLD", out.filePath("old.pdf"));
        }
        const auto head = [](const QString &path) { QFile f(path); return f.open(QIODevice::ReadOnly) ? f.read(16) : QByteArray(); };
        const QByteArray before = head(target);
        QString outText, errText;
        QTextStream outStream(&outText), errStream(&errText);
        const QLocale saved;
        QLocale::setDefault(r.c.isEmpty() ? saved : QLocale(r.c));
        const int status = CommandLine::handle(env.app, QStringList{"partwise"} + r.list, outStream, errStream).value_or(-1);
        QLocale::setDefault(saved);
        QCOMPARE(status, r.n);
        QVERIFY2(r.a.isEmpty() ? errText.isEmpty() : errText.contains(r.a), qPrintable(errText));
        QVERIFY(r.b == "-1" ? pdfPages(pdf) >= 1 : qMax(0, pdfPages(pdf)) == r.b.toInt());
        QVERIFY(status == 0 ? target.isEmpty() || pdfPages(target) >= 1 : head(target) == before); // refused: the file is as it was
        QVERIFY(r.d.isEmpty() || output("pdftotext", {pdf, "-"}).contains("Office film fluff"));
        QVERIFY(r.d.isEmpty() || output("pdfinfo", {pdf}).contains(r.d));
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
        for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "PARTWISE_TEST_ENGINE"})
            environment.remove(name);
        p.setProcessEnvironment(environment);
        for (const char *name : {"Bin", "Nope"}) {
            const QString pdf = out.filePath(name + QStringLiteral(".pdf"));
            p.start(program, {"--report", name + QStringLiteral(".rpt"), "--pdf", pdf});
            QVERIFY(p.waitForFinished(60000));
            QCOMPARE(p.exitCode(), name == QByteArray("Bin") ? 0 : 1);
            QCOMPARE(pdfPages(pdf) >= 1, name == QByteArray("Bin"));
        }
        QVERIFY(QString::fromLocal8Bit(p.readAllStandardError()).contains("report error 20501"));
    }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
