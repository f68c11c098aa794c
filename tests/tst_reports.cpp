// Reports: the template parser on broken templates, the four templates run on
// the sample database and read back as text, the preview window with its
// printing and PDF, and reports written from the command line.
#include "app/commandline.h"
#include "app/mainwindow.h"
#include "data/database.h"
#include "data/recordset.h"
#include "reports/engine/reportlayout.h"
#include "reports/engine/reportparser.h"
#include "reports/engine/reportpainter.h"
#include "reports/engine/reportrunner.h"
#include "reports/engine/reporttext.h"
#include "reports/reportcommands.h"
#include "reports/reportpreviewwindow.h"
#include "testenvironment.h"
#include "harness.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QScrollBar>
#include <QStandardPaths>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMdiSubWindow>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

namespace {

const QStringList Templates = {"Bin.rpt", "KitPartsUsed.rpt", "KitPullList.rpt", "KitShortage.rpt"};

bool copyTemplates(const QString &folder)
{
    for (const QString &name : Templates) {
        QFile::remove(QDir(folder).filePath(name));
        if (!QFile::copy(QStringLiteral(PARTWISE_SOURCE_DIR "/reports/") + name, QDir(folder).filePath(name)))
            return false;
    }
    return true;
}

// Rows of a query on a connection of its own, as lists of texts.
QList<QStringList> select(const QString &path, const QString &sql, const QVariantList &values = {})
{
    static int n = 0;
    Database db(QStringLiteral("reportcheck%1").arg(++n));
    QList<QStringList> out;
    if (!db.open(path))
        return out;
    Recordset rs;
    if (rs.open(db, sql, values)) {
        for (; !rs.isEof(); rs.moveNext()) {
            QStringList row;
            for (int c = 0; c < rs.fieldNames().size(); ++c)
                row << rs.value(c).toString();
            out << row;
        }
        rs.close();
    }
    db.close();
    return out;
}

// Every table's rows, to show that a report changed nothing.
QString dump(const QString &path)
{
    QStringList out;
    for (const char *table : {"Inventory", "BoardBOM", "PreferredVendor", "Users"})
        for (const QStringList &row : select(path, QStringLiteral("SELECT * FROM %1").arg(table)))
            out << row.join('|');
    return out.join('\n');
}

ReportDocument runTemplate(TestEnvironment &env, const QString &name, const ReportRunner::Answers &answers,
                           ReportError *error)
{
    ReportDefinition def;
    ReportDocument doc;
    *error = ReportParser::parseFile(QStringLiteral(PARTWISE_SOURCE_DIR "/reports/") + name, &def);
    if (!*error)
        *error = ReportRunner::run(env.app.database(), def, answers, env.app.now(), &doc);
    return doc;
}

// Runs a template on the environment's database as `doc`; an error fails the test.
#define RUN_TEMPLATE(doc, env, name, answers)                                                                         \
    QVERIFY(env.isValid());                                                                                          \
    ReportError error;                                                                                               \
    const ReportDocument doc = runTemplate(env, name, answers, &error);                                              \
    QVERIFY2(!error, qPrintable(error.description))

// The body lines of a laid-out report that begin with a part number.
QStringList linesOf(const ReportDocument &doc, const QStringList &partNos)
{
    QStringList out;
    for (const QString &line : doc.text().split('\n'))
        if (partNos.contains(line.section(QStringLiteral(" | "), 0, 0)))
            out << line;
    return out;
}

QStringList column(const QList<QStringList> &rows, int c = 0)
{
    QStringList out;
    for (const QStringList &r : rows)
        out << r.value(c);
    return out;
}

int pdfPages(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = f.readAll();
    if (!bytes.startsWith("%PDF"))
        return -1;
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return int(QString::fromLatin1(bytes).count(page));
}

const char *MinimalTemplate = "[query]\nSELECT PartNo FROM Inventory\n[column]\nfield = PartNo\n";

} // namespace

class TestReports : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void brokenTemplates_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("description");
        const QString q = "[query]\nSELECT PartNo FROM Inventory\n";
        const QString col = "[column]\nfield = PartNo\n";
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
        // A value a setting does not take, in a column or in [report].
        for (const auto &[setting, value] : {std::pair{"width", "-3"}, {"align", "middle"}, {"format", "#,##0"},
                                             {"total", "average"}, {"orientation", "sideways"}, {"font size", "72"}}) {
            const bool inReport = QByteArray(setting) == "orientation" || QByteArray(setting) == "font size";
            const QString line = QStringLiteral("%1 = %2\n").arg(setting, value);
            row(setting, inReport ? "[report]\n" + line + q + col : q + col + line, 20504,
                QStringLiteral("'%1' is not a value for %2").arg(value, setting));
        }
        row("two queries", q + q + col, 20505, "line 3: [query] appears a second time");
        row("prompt without text", "[prompt Kit]\ntitle = K\n" + q + col, 20505, "line 1: the prompt has no text");
        row("prompt named twice", "[prompt Kit]\ntext = a\n[prompt kit]\ntext = b\n" + q + col, 20505,
            "the prompt name 'kit' is taken");
        row("prompt with a reserved name", "[prompt page]\ntext = a\n" + q + col, 20505, "the prompt name 'page' is taken");
        row("query names no prompt", "[query]\nSELECT PartNo FROM Inventory WHERE PartNo = :Kit\n" + col, 20506,
            "the query refers to :Kit, which is no prompt");
        row("unclosed placeholder", q + col + "[group]\nfield = PartNo\nheader = {PartNo\n", 20503,
            "line 7: a '{' that is not closed");
        row("stray brace", q + col + "[totals]\ntext = a } b\n", 20503, "a '}' with no '{' before it");
        row("unknown placeholder format", q + col + "[totals]\ntext = {count|percent}\n", 20503, "'percent' is not a format");
        row("page text names a column", q + col + "[page footer]\nleft = {PartNo}\n", 20506,
            "line 6: {PartNo} is not known in a page text");
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
        QTest::newRow("in quotes") << "a = ':Kit' OR b = \":Kit\"" << "a = ':Kit' OR b = \":Kit\""
                                   << QStringList{};
        QTest::newRow("in brackets") << "[a:Kit]" << "[a:Kit]" << QStringList{};
        QTest::newRow("in a comment") << "a -- :Kit\n= :Kit" << "a -- :Kit\n= ?" << QStringList{"Kit"};
        QTest::newRow("a cast") << "a::text = :Kit" << "a::text = ?" << QStringList{"Kit"};
        QTest::newRow("a quote inside") << "a = 'it''s' AND b = :Kit" << "a = 'it''s' AND b = ?"
                                        << QStringList{"Kit"};
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
        row("general large", 1e7, "general", "10000000");
        row("general text", "abc", "general", "abc");
        row("whole rounds", 2.5, "0", "2");
        row("two decimals", 1.005, "0.00", "1.00");
        row("two decimals, half to even", 0.125, "0.00", "0.12");
        row("money", 1234.5, "money", "$1,234.50");
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

    void binListOnTheSample()
    {
        TestEnvironment env(QString(), TestEnvironment::Data::Sample);
        RUN_TEMPLATE(doc, env, "Bin.rpt", {});
        QVERIFY(doc.landscape);
        const QString path = env.app.databasePath();
        const QStringList due = column(select(path, "SELECT PartNo FROM Inventory WHERE Bin <> 0 OR "
                                                    "CurrentInv < ReorderPoint ORDER BY PartNo"));
        QVERIFY(due.size() > 5);
        const QStringList lines = linesOf(doc, column(select(path, "SELECT PartNo FROM Inventory")));
        QStringList listed;
        for (const QString &l : lines)
            listed << l.section(" | ", 0, 0);
        listed.sort();
        QCOMPARE(listed, due);

        // One line with every figure for a part flagged to order.
        const QString vendor = column(select(path, "SELECT Vendor FROM PreferredVendor WHERE Item = 'LM2596S-ADJ'"))
                                   .value(0, "(no preferred vendor)");
        const QString lm = lines.filter(QRegularExpression("^LM2596S-ADJ \\| Switching regulator LM2596S-ADJ")).value(0);
        QVERIFY2(lm.endsWith(" | 6 | 15 | 8 | 2.1 | Yes | " + vendor), qPrintable(lines.join('\n')));
        // A part whose stock is below its reorder point without the flag.
        QVERIFY2(!lines.filter(QRegularExpression(" \\| No \\| [^|]+$")).isEmpty(), qPrintable(lines.join('\n')));
        // A count per vendor, and the parts of a vendor together under it.
        const QString text = doc.text();
        for (const QStringList &v : select(path,
                 "SELECT COALESCE(v.Vendor, '(no preferred vendor)'), COUNT(*) FROM Inventory i LEFT JOIN "
                 "PreferredVendor v ON v.Item = i.PartNo WHERE i.Bin <> 0 OR i.CurrentInv < i.ReorderPoint "
                 "GROUP BY 1")) {
            QVERIFY2(text.contains(QStringLiteral("\n%1 to order from %2").arg(v[1], v[0])), qPrintable(v.join(' ')));
            QVERIFY(text.contains(QStringLiteral("\n%1\n").arg(v[0])));
        }
        QVERIFY(text.contains(QStringLiteral("\nParts to order: %1").arg(due.size())));
        const QLocale locale;
        QVERIFY(text.startsWith(QStringLiteral("BIN List | %1 %2\n")
                                    .arg(locale.toString(QDate(2026, 3, 14), QLocale::ShortFormat),
                                         locale.toString(QTime(9, 26, 53), QLocale::ShortFormat))));
        QVERIFY(text.endsWith(QStringLiteral("Page %1 of %1").arg(doc.pageCount())));
    }

    void kitPartsListOnTheSample()
    {
        TestEnvironment env(QString(), TestEnvironment::Data::Sample);
        RUN_TEMPLATE(doc, env, "KitPartsUsed.rpt", {});
        const QString path = env.app.databasePath();
        const QString text = doc.text();
        const auto boms = select(path, "SELECT BoardPN, MIN(Description), COUNT(*) FROM BoardBOM "
                                       "WHERE BoardPN IS NOT NULL GROUP BY BoardPN");
        QVERIFY(boms.size() >= 5);
        for (const QStringList &bom : boms) {
            QVERIFY2(text.contains(QStringLiteral("\n%1   %2\n").arg(bom[0], bom[1])), qPrintable(bom[0]));
            QVERIFY2(text.contains(QStringLiteral("\n%1 components\n").arg(bom[2])), qPrintable(bom[0]));
        }
        const int lines = select(path, "SELECT COUNT(*) FROM BoardBOM WHERE BoardPN IS NOT NULL")[0][0].toInt();
        QVERIFY(text.contains(QStringLiteral("\n%1 component lines in all").arg(lines)));
        // The catalogue's description and stock; a fraction per kit as typed.
        QVERIFY(text.contains("\nLM2596S-ADJ | Switching regulator LM2596S-ADJ step-down 3A TO-263-5 | 1 | 6\n"));
        QVERIFY(QRegularExpression("\nHDR-1X40-M \\| [^\n]* \\| 0\\.15 \\| \\d+\n").match(text).hasMatch());
    }

    void kitPullListOnTheSample_data()
    {
        QTest::addColumn<QString>("kit");
        QTest::addColumn<QString>("kits");
        QTest::addColumn<int>("wholeKits");
        QTest::newRow("ten") << "PSU-12V-REVB" << "10" << 10;
        QTest::newRow("half kits round to even") << "psu-12v-revb" << "2.5" << 2;
        QTest::newRow("fractions per kit") << "RELAY-2CH" << "25" << 25;
    }

    void kitPullListOnTheSample()
    {
        QFETCH(QString, kit);
        QFETCH(QString, kits);
        QFETCH(int, wholeKits);
        TestEnvironment env(QString(), TestEnvironment::Data::Sample);
        RUN_TEMPLATE(doc, env, "KitPullList.rpt", (ReportRunner::Answers{{"Kit", kit}, {"Kits", kits}}));
        const auto parts = select(env.app.databasePath(),
                                  "SELECT b.PartNo, SUM(b.QtyUsed), MAX(i.CurrentInv) FROM BoardBOM b LEFT JOIN "
                                  "Inventory i ON i.PartNo = b.PartNo WHERE b.BoardPN = ? GROUP BY b.PartNo",
                                  {kit});
        QVERIFY(!parts.isEmpty());
        const QStringList lines = linesOf(doc, column(parts));
        QCOMPARE(lines.size(), parts.size());
        for (const QStringList &p : parts) {
            const double need = p[1].toDouble() * wholeKits;
            const bool short_ = p[2].isEmpty() || p[2].toDouble() < need;
            const QString line = lines.filter(QRegularExpression("^" + QRegularExpression::escape(p[0]) + " \\| ")).value(0);
            const QString end = (p[2].isEmpty() ? QString() : " | " + p[2]) + (short_ ? " | SHORT" : QString());
            QVERIFY2(line.endsWith(end), qPrintable(line));
            QVERIFY2(line.contains(QStringLiteral(" | %1 | ").arg(QString::number(need, 'g', 10))), qPrintable(line));
        }
        QVERIFY(doc.text().contains(QStringLiteral("\nKit %1, %2 kits\n").arg(kit).arg(wholeKits)));
        QVERIFY(doc.text().contains(QStringLiteral("\n%1 components").arg(parts.size())));
    }

    void kitShortageOnTheSample()
    {
        // One component not in the catalogue: short by all of it, of no known value.
        TestEnvironment env("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES "
                            "('PSU-12V-REVB', 'x', 'NO-SUCH-PART', 2);",
                            TestEnvironment::Data::Sample);
        RUN_TEMPLATE(doc, env, "KitShortage.rpt", (ReportRunner::Answers{{"Kit", "PSU-12V-REVB"}, {"Kits", "10"}}));
        const auto parts = select(env.app.databasePath(),
                                  "SELECT b.PartNo, b.QtyUsed * 10, i.CurrentInv, i.UnitCost FROM BoardBOM b "
                                  "LEFT JOIN Inventory i ON i.PartNo = b.PartNo WHERE b.BoardPN = 'PSU-12V-REVB'");
        QStringList shortParts;
        double value = 0;
        for (const QStringList &p : parts) {
            const double stock = p[2].toDouble();
            if (stock < p[1].toDouble()) {
                shortParts << p[0];
                value += (p[1].toDouble() - stock) * p[3].toDouble();
            }
        }
        QVERIFY(shortParts.size() >= 2);
        const QStringList lines = linesOf(doc, column(parts));
        QStringList listed;
        for (const QString &l : lines)
            listed << l.section(" | ", 0, 0);
        listed.sort();
        shortParts.sort();
        QCOMPARE(listed, shortParts);
        // Empty cells take no place in the text.
        QVERIFY2(lines.contains("NO-SUCH-PART | (not in the catalogue) | 20 | 20"), qPrintable(lines.join('\n')));
        QVERIFY2(lines.filter("LM2596S-ADJ | ").value(0).endsWith(" | 10 | 6 | 4 | $2.10 | $8.40"),
                 qPrintable(lines.join('\n')));
        QVERIFY2(doc.text().contains("\nTotal shortage value | " + QLocale().toCurrencyString(value)),
                 qPrintable(doc.text()));
    }

    // Long reports: headings and the page line on every page, a group that
    // runs over a page break is headed again.
    void pagination()
    {
        QString rows;
        for (int i = 0; i < 150; ++i)
            rows += QStringLiteral("INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('P%1', '%2', %3);\n")
                        .arg(i, 3, 10, QLatin1Char('0'))
                        .arg(i < 100 ? "first" : "second")
                        .arg(i);
        TestEnvironment env(rows);
        QVERIFY(env.isValid());
        ReportDefinition def;
        QVERIFY(!ReportParser::parse("[report]\ntitle = Long\n[query]\nSELECT PartNo, Description, CurrentInv "
                                     "FROM Inventory ORDER BY Description, PartNo\n[group]\nfield = Description\n"
                                     "header = Group {Description}\nfooter = {count} in {Description}, stock "
                                     "{sum CurrentInv}\n[column]\nfield = PartNo\nheading = No\nwidth = 80\n[column]\n"
                                     "field = CurrentInv\nheading = Stock\ntotal = sum\nformat = 0\n"
                                     "[totals]\ntext = All {count}\n",
                                     &def));
        ReportDocument doc;
        QVERIFY(!ReportRunner::run(env.app.database(), def, {}, env.app.now(), &doc));
        QVERIFY(doc.pageCount() >= 3);
        for (int p = 0; p < doc.pageCount(); ++p) {
            const QStringList lines = doc.pageText(p).split('\n');
            QCOMPARE(lines.first(), "Long | " + QLocale().toString(QDate(2026, 3, 14), QLocale::ShortFormat));
            QCOMPARE(lines.at(1), QStringLiteral("No | Stock"));
            QCOMPARE(lines.last(), QStringLiteral("Page %1 of %2").arg(p + 1).arg(doc.pageCount()));
        }
        QVERIFY(doc.pageText(1).split('\n').at(2).startsWith("Group first (continued)"));
        const QString text = doc.text();
        QVERIFY(text.contains("\n100 in first, stock 4950 | 4950\n"));
        QVERIFY(text.contains("\n50 in second, stock 6225 | 6225\n"));
        QVERIFY(text.contains("\nAll 150 | 11175\n"));
        QCOMPARE(linesOf(doc, column(select(env.app.databasePath(), "SELECT PartNo FROM Inventory"))).size(), 150);
    }

    // A template's query only reads: one that would write is refused with a
    // message and nothing changes; every template runs on both engines.
    void templatesOnlyRead_data()
    {
        QTest::addColumn<QString>("query"); // a template's query, or a template's file
        QTest::addColumn<bool>("runs");
        QTest::newRow("update") << "UPDATE Inventory SET CurrentInv = 0" << false;
        QTest::newRow("delete users") << "DELETE FROM Users" << false;
        QTest::newRow("drop table") << "DROP TABLE Inventory" << false;
        QTest::newRow("attach") << "ATTACH DATABASE 'x.db' AS x" << false;
        QTest::newRow("read, then a write") << "SELECT PartNo FROM Inventory; DELETE FROM Inventory" << false;
        QTest::newRow("write inside a read") << "WITH d AS (DELETE FROM Inventory RETURNING PartNo) SELECT PartNo FROM d" << false;
        for (const char *file : {"Bin.rpt", "KitPartsUsed.rpt", "KitPullList.rpt", "KitShortage.rpt"})
            QTest::newRow(file) << file << true;
    }
    void templatesOnlyRead()
    {
        QFETCH(QString, query);
        QFETCH(bool, runs);
        for (const auto engine : {TestEnvironment::Engine::File, TestEnvironment::Engine::Server}) {
            if (!TestEnvironment::unavailable(engine).isEmpty())
                continue;
            TestEnvironment env("INSERT INTO Users (User, Password) VALUES ('bob', 'x');", TestEnvironment::Data::Sample, engine);
            QVERIFY2(env.isValid(), qPrintable(env.error()));
            const auto count = [&] { return env.scalar("SELECT count(*) FROM Inventory").toInt() * 1000
                                            + env.scalar("SELECT count(*) FROM Users").toInt(); };
            const int before = count();
            ReportDefinition def;
            ReportDocument doc;
            ReportError e = query.endsWith(".rpt")
                ? ReportParser::parseFile(QStringLiteral(PARTWISE_SOURCE_DIR "/reports/") + query, &def)
                : ReportParser::parse("[query]\n" + query + "\n[column]\nfield = PartNo\n", &def);
            QVERIFY2(!e, qPrintable(e.description));
            ReportRunner::Answers answers;
            if (!def.prompts.isEmpty())
                answers = {{"Kit", "PSU-12V-REVB"}, {"Kits", "2"}};
            e = ReportRunner::run(env.app.database(), def, answers, env.app.now(), &doc);
            QVERIFY2(bool(e) != runs, qPrintable(e.description));
            if (!runs)
                QVERIFY2(e.description.contains("may only read"), qPrintable(e.description));
            QCOMPARE(count(), before);
            QVERIFY(env.scalar("SELECT count(*) FROM Inventory").toInt() > 0);
        }
    }

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
        row("column not in the query", "[query]\nSELECT PartNo FROM Inventory\n[column]\nfield = Cost\n", {}, 20506,
            "gives no column Cost");
        row("query refused", "[query]\nSELECT Cost FROM Nowhere\n[column]\nfield = a\n", {}, 20507,
            "The report's query failed: no such table");
        row("no answer", prompts, {}, 20509, "needs an answer for Kits (\"How many\")");
        row("answer not a number", prompts, {"Kits=abc"}, 20508, "\"abc\" is not a whole number");
        row("answer out of range", prompts, {"Kits=40000"}, 20508, "\"40000\" is not a whole number");
        row("answer to no prompt", prompts, {"Kits=1", "Kit=2"}, 20506, "asks nothing called Kit");
        row("too wide", minimal + "width = 300\n", {}, 20510, "columns are 300 mm wide");
        row("text names no field", minimal + "[totals]\ntext = {Cost}\n", {}, 20506, "{Cost} names nothing");
        row("sum of no field", minimal + "[totals]\ntext = {sum Cost}\n", {}, 20506, "gives no column Cost");
    }

    void runErrors()
    {
        QFETCH(QString, templateText);
        QFETCH(QStringList, answers);
        QFETCH(int, number);
        QFETCH(QString, description);
        TestEnvironment env("INSERT INTO Inventory (PartNo) VALUES ('A');");
        QVERIFY(env.isValid());
        ReportDefinition def;
        const ReportError parsed = ReportParser::parse(templateText, &def);
        QVERIFY2(!parsed, qPrintable(parsed.description));
        ReportRunner::Answers given;
        for (const QString &a : answers)
            given.insert(a.section('=', 0, 0), a.section('=', 1));
        ReportDocument doc;
        const ReportError e = ReportRunner::run(env.app.database(), def, given, env.app.now(), &doc);
        QCOMPARE(e.number, number);
        QVERIFY2(e.description.contains(description), qPrintable(e.description));
        QCOMPARE(doc.pageCount(), 0);
    }

    // The commands as the user runs them from the menus.
    void commands_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QString>("title"); // empty: nothing opens
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("prompts");
        const QStringList asked = {"Enter the Kit Part Number", "Enter Qty of Kits Pulled"};
        QTest::newRow("BIN List") << int(CommandId::BinList) << QStringList{} << "BIN List" << "" << QStringList{};
        QTest::newRow("Kit Parts List") << int(CommandId::KitPartList) << QStringList{} << "Kit Parts List" << ""
                                        << QStringList{};
        QTest::newRow("Kit Pull List") << int(CommandId::KitPullList) << QStringList{"AMP-MONO-10W", "3"}
                                       << "Kit Pull List" << "" << asked;
        QTest::newRow("Kit Shortage List") << int(CommandId::KitShort) << QStringList{"AMP-MONO-10W", "30"}
                                           << "Kit Shortage List" << "" << asked;
        QTest::newRow("kit number cancelled") << int(CommandId::KitPullList) << QStringList{"<cancel>"} << "" << ""
                                              << asked.mid(0, 1);
        QTest::newRow("kit number empty") << int(CommandId::KitShort) << QStringList{""} << "" << "" << asked.mid(0, 1);
        QTest::newRow("number of kits not a number")
            << int(CommandId::KitShort) << QStringList{"AMP-MONO-10W", "many"} << ""
            << "Error No 20508\r\n\"many\" is not a whole number from -32768 to 32767 for Kits. has occured." << asked;
    }

    void commands()
    {
        QFETCH(int, command);
        QFETCH(QStringList, inputs);
        QFETCH(QString, title);
        QFETCH(QString, message);
        QFETCH(QStringList, prompts);
        Harness h(TestEnvironment::sampleData());
        QVERIFY(h.ready());
        QVERIFY(copyTemplates(h.env.folder()));
        for (const QString &i : inputs)
            h.ui.inputs.enqueue(i == "<cancel>" ? std::nullopt : std::optional<QString>(i));
        const QString before = dump(h.env.app.databasePath());
        QVERIFY(h.main.action(CommandId(command))->isEnabled());
        h.main.action(CommandId(command))->trigger();
        QCOMPARE(h.ui.prompts, prompts);
        QCOMPARE(h.ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        auto *preview = qobject_cast<ReportPreviewWindow *>(h.main.activeChild());
        if (title.isEmpty()) {
            QVERIFY(!preview);
            QCOMPARE(h.main.mdiArea()->subWindowList().size(), 0);
        } else {
            QVERIFY(preview);
            QCOMPARE(preview->windowTitle(), title);
            QCOMPARE(preview->subWindow()->size(), h.main.mdiArea()->viewport()->size()); // all the room, not maximized
            QVERIFY(preview->pageStatus().startsWith("Page 1 of "));
        }
        QCOMPARE(dump(h.env.app.databasePath()), before);
        QCOMPARE(h.main.cursor().shape(), Qt::ArrowCursor);
    }

    // A missing or broken template: the engine's error, nothing opens.
    void templateFailures_data()
    {
        QTest::addColumn<QString>("contents"); // "<missing>": no file
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << "<missing>" << "Error No 20501\r\nCannot find the report template %1. has occured.";
        QTest::newRow("broken") << "[query]\nSELECT 1\n[columns]\n"
                                << "Error No 20503\r\nReport template line 3: [columns] is not a section. has occured.";
        QTest::newRow("not text") << QString::fromLatin1("\xff\xfe[query]")
                                  << "Error No 20502\r\nThe report template %1 is not UTF-8 text. has occured.";
    }

    void templateFailures()
    {
        QFETCH(QString, contents);
        QFETCH(QString, message);
        Harness h;
        QVERIFY(h.ready());
        const QString path = QDir(h.env.folder()).filePath("Bin.rpt");
        if (contents != "<missing>") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(contents == QString::fromLatin1("\xff\xfe[query]") ? QByteArray("\xff\xfe[query]") : contents.toUtf8());
        }
        h.main.run(CommandId::BinList);
        QCOMPARE(h.ui.texts(), QStringList{message.contains("%1") ? message.arg(QDir::toNativeSeparators(path)) : message});
        QCOMPARE(h.ui.shown.last().title, QStringLiteral("Partwise"));
        QCOMPARE(h.main.mdiArea()->subWindowList().size(), 0);
    }

    void previewPagesPrintAndPdf()
    {
        Harness h(TestEnvironment::sampleData());
        QVERIFY(h.ready());
        QVERIFY(copyTemplates(h.env.folder()));
        h.main.run(CommandId::KitPartList);
        auto *preview = qobject_cast<ReportPreviewWindow *>(h.main.activeChild());
        QVERIFY(preview);
        const int pages = preview->document().pageCount();
        QVERIFY(pages >= 2);
        // The preview shows the top of its first page, and leaves the next
        // window to open at its own size.
        auto *view = preview->preview()->findChild<QAbstractScrollArea *>();
        QVERIFY(view);
        QTRY_COMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->minimum());
        QVERIFY(!preview->subWindow()->isMaximized());
        h.main.run(CommandId::FileNew);
        QVERIFY(h.main.activeChild() != preview && !h.main.mdiArea()->activeSubWindow()->isMaximized());
        h.main.mdiArea()->activeSubWindow()->close();
        h.main.mdiArea()->setActiveSubWindow(preview->subWindow());
        QCOMPARE(preview->pageStatus(), QStringLiteral("Page 1 of %1").arg(pages));
        preview->toolAction("nextPage")->trigger();
        QCOMPARE(preview->pageStatus(), QStringLiteral("Page 2 of %1").arg(pages));
        preview->toolAction("firstPage")->trigger();
        preview->toolAction("previousPage")->trigger();
        QCOMPARE(preview->pageStatus(), QStringLiteral("Page 1 of %1").arg(pages));
        // The keys the user pages with.
        preview->preview()->setFocus();
        QTest::keyClick(preview->preview(), Qt::Key_End);
        QCOMPARE(preview->currentPage(), pages);
        preview->toolAction("nextPage")->trigger(); // not past the last page
        QCOMPARE(preview->currentPage(), pages);
        QTest::keyClick(preview->preview(), Qt::Key_Home);
        QCOMPARE(preview->currentPage(), 1);
        QTest::keyClick(preview->preview(), Qt::Key_PageDown);
        QCOMPARE(preview->pageStatus(), QStringLiteral("Page 2 of %1").arg(pages));
        const qreal zoom = preview->preview()->zoomFactor();
        preview->toolAction("zoomIn")->trigger();
        QVERIFY(preview->preview()->zoomFactor() > zoom);

        // File > Print goes to the preview while it is the active window.
        QTemporaryDir out;
        h.ui.printToPdf = out.filePath("printed.pdf");
        h.ui.printChoices.enqueue(true);
        h.main.run(CommandId::FilePrint);
        QCOMPARE(h.ui.dialogTitles, QStringList{"Print"});
        QCOMPARE(pdfPages(h.ui.printToPdf), pages);
        h.ui.printChoices.enqueue(false); // cancelled: nothing printed
        QFile::remove(h.ui.printToPdf);
        h.main.run(CommandId::FilePrint);
        QVERIFY(!QFile::exists(h.ui.printToPdf));

        h.ui.fileNames.enqueue(out.filePath("saved")); // ".pdf" is added
        preview->toolAction("savePdf")->trigger();
        QCOMPARE(pdfPages(out.filePath("saved.pdf")), pages);
        h.ui.fileNames.enqueue(out.filePath("no-such-folder/x.pdf"));
        preview->toolAction("savePdf")->trigger();
        QVERIFY2(h.ui.lastText().startsWith("Error No 20511\r\nCannot write the PDF file"), qPrintable(h.ui.lastText()));
        // Never over the database; over another file only when the user says so.
        QFile notes(out.filePath("notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("keep") == 4);
        notes.close();
        h.ui.fileNames << h.env.app.databasePath() << h.env.app.databasePath() + "-wal" << notes.fileName() << notes.fileName();
        h.ui.answers << UserInterface::Answer::No << UserInterface::Answer::Yes;
        for (int i = 0; i < 4; ++i)
            preview->toolAction("savePdf")->trigger();
        const QStringList said = h.ui.texts().mid(h.ui.texts().size() - 4);
        QVERIFY2(said.at(0).endsWith("Inventory.mdb is the inventory database. A report is never saved over it."), qPrintable(said.at(0)));
        QVERIFY2(said.at(1).contains("write-ahead log"), qPrintable(said.at(1)));
        QVERIFY2(said.at(2).endsWith("notes.txt already exists and is not a PDF file.\nReplace it with the report?"), qPrintable(said.at(2)));
        QCOMPARE(said.at(3), said.at(2));
        QCOMPARE(pdfPages(notes.fileName()), pages);
        QVERIFY(!QFile::exists(h.env.app.databasePath() + "-wal") || pdfPages(h.env.app.databasePath() + "-wal") < 0);
        QVERIFY(h.env.app.database().isOpen() && pdfPages(h.env.app.databasePath()) < 0);
    }

    // Report PDFs: text a reader can search (no ligatures), on the paper
    // of the user's locale.
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
        QVERIFY(t.open(QIODevice::WriteOnly));
        t.write("[report]\ntitle = Office film fluff\n" + QByteArray(MinimalTemplate));
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
        const QString text = QString::fromUtf8(tool.readAllStandardOutput());
        QVERIFY2(text.contains("Office film fluff"), qPrintable(text));
        tool.start("pdfinfo", {out.filePath("f.pdf")});
        QVERIFY(tool.waitForFinished(30000));
        QVERIFY2(QString::fromUtf8(tool.readAllStandardOutput()).contains(paper), qPrintable(paper));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("arguments"); // PDF stands for the output file
        QTest::addColumn<int>("status");            // -1: the program starts as usual
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("pages");             // of the PDF written; 0: none; -1: any
        auto row = [](const char *name, const QStringList &arguments, int status, const QString &error, int pages) {
            QTest::newRow(name) << arguments << status << error << pages;
        };
        row("no report asked", {}, -1, "", 0);
        row("BIN List", {"--report", "Bin.rpt", "--pdf", "PDF"}, 0, "", -1);
        row("with answers",
            {"--report", "KitPullList.rpt", "--param", "Kit=PSU-12V-REVB", "--param", "kits=10", "--pdf", "PDF"}, 0, "", 1);
        row("an answer with = in it",
            {"--report", "KitShortage.rpt", "--param", "Kit=A=B", "--param", "Kits=1", "--pdf", "PDF"}, 0, "", 1);
        row("no answer", {"--report", "KitPullList.rpt", "--param", "Kit=X", "--pdf", "PDF"}, 1,
            "partwise: report error 20509: The report needs an answer for Kits", 0);
        row("no such template", {"--report", "Nope.rpt", "--pdf", "PDF"}, 1,
            "report error 20501: Cannot find the report template", 0);
        row("PDF in no folder", {"--report", "Bin.rpt", "--pdf", "PDF/none/x.pdf"}, 1, "report error 20511", 0);
        row("over the database", {"--report", "Bin.rpt", "--pdf", "@DB"}, 1, "Inventory.mdb is the inventory database.", 0);
        row("over its log", {"--report", "Bin.rpt", "--pdf", "@DB-wal"}, 1, "write-ahead log.", 0);
        row("over another file", {"--report", "Bin.rpt", "--pdf", "@TXT"}, 1, "notes.txt already exists and is not a PDF file.", 0);
        row("over an earlier PDF", {"--report", "Bin.rpt", "--pdf", "@OLD"}, 0, "", 0);
        row("no --pdf", {"--report", "Bin.rpt"}, 2, "--report needs --pdf FILE.", 0);
        row("--pdf alone", {"--pdf", "PDF"}, 2, "--pdf and --param go with --report.", 0);
        row("--param without =", {"--report", "Bin.rpt", "--param", "Kit", "--pdf", "PDF"}, 2,
            "--param Kit is not NAME=VALUE.", 0);
        row("unknown option", {"--reprot", "Bin.rpt"}, 2, "Unknown option 'reprot'", 0);
    }

    void commandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, error);
        QFETCH(int, pages);
        TestEnvironment env(QString(), TestEnvironment::Data::Sample);
        QVERIFY(env.isValid());
        QVERIFY(copyTemplates(env.folder()));
        env.app.database().close();
        QTemporaryDir out;
        const QString pdf = out.filePath("report.pdf");
        { QFile notes(out.filePath("notes.txt")); QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("keep") == 4); }
        { QFile old(out.filePath("old.pdf")); QVERIFY(old.open(QIODevice::WriteOnly) && old.write("%PDF-1.4 old") > 0); }
        QString target; // a file the row aims at, to check afterwards
        for (QString &a : arguments) {
            a.replace("PDF", pdf);
            if (a.startsWith('@')) {
                a = a.replace("@DB", env.app.databasePath()).replace("@TXT", out.filePath("notes.txt")).replace("@OLD", out.filePath("old.pdf"));
                target = a;
            }
        }
        QFile targetFile(target);
        const QByteArray before = targetFile.open(QIODevice::ReadOnly) ? targetFile.read(16) : QByteArray();
        targetFile.close();
        QString outText, errText;
        QTextStream outStream(&outText), errStream(&errText);
        const std::optional<int> result =
            CommandLine::handle(env.app, QStringList{"partwise"} + arguments, outStream, errStream);
        QCOMPARE(result.value_or(-1), status);
        if (error.isEmpty())
            QCOMPARE(errText, QString());
        else
            QVERIFY2(errText.contains(error), qPrintable(errText));
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

    // The program itself, as a scheduled job runs it.
    void commandLineProgram()
    {
        const QString program = QCoreApplication::applicationDirPath() + "/../partwise";
        const QString folder = QCoreApplication::applicationDirPath() + "/..";
        if (!QFile::exists(program) || !QFile::exists(folder + "/Bin.rpt") || !QFile::exists(folder + "/Inventory.mdb"))
            QSKIP("the program is not built beside its templates and database");
        QTemporaryDir out;
        QProcess p;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        environment.remove("DISPLAY");
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
