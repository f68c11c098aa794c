// The grid shared by the listings and the bound editors: its sort rule,
// heading clicks and drags, Copy, and a listing read page by page.
#include "bom/ops/bomoperations.h"
#include "data/database.h"
#include "ui/listgridmodel.h"
#include "ui/gridview.h"
#include "testenvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMimeData>
#include <QtTest>

namespace {

// Texts of one column from top to bottom; null shows as "<null>".
QStringList column(const GridModel &m, int c)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << (m.value(r, c).isNull() ? QStringLiteral("<null>") : m.text(r, c));
    return out;
}

// Reads a statement into the model; %KEY% is the row key (the order rows
// were written in). Rows come from `insert`, run first.
bool load(ListGridModel &m, TestEnvironment &env, QString sql, const QString &insert = {})
{
    Database &db = env.app.database();
    sql.replace(QStringLiteral("%KEY%"), db.engine().rowKeyExpression(QStringLiteral("BoardBOM")));
    return env.isValid() && (insert.isEmpty() || env.exec(insert))
           && m.load([&](SqlEngine::RowSink &sink, DbError *error) {
                  *error = db.read(sql, {}, sink) ? DbError() : db.error();
                  return !*error;
              });
}

} // namespace

class TestGrid : public QObject
{
    Q_OBJECT
private slots:
    void sortRule_data()
    {
        QTest::addColumn<QStringList>("cells");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("expected");
        using L = QStringList;
        QTest::newRow("numbers as numbers") << L({"10", "9", "100", "-2", "1.5"}) << false
                                            << L({"-2", "1.5", "9", "10", "100"});
        // Without regard to case, as the database folds: A-Z only, to lower case,
        // so "_" sorts before letters and an accented letter after every plain one.
        QTest::newRow("A-Z folded only") << L({"\xc3\xa9t\xc3\xa9", "\xc5\x81\xc3\xb3d\xc5\xba", "Zed", "_x", "Echo", "a"}) << false
                                         << L({"_x", "a", "Echo", "Zed", "\xc3\xa9t\xc3\xa9", "\xc5\x81\xc3\xb3d\xc5\xba"});
        // Past the letters that the sort's prefixes hold (32 Latin-1, else 16);
        // equal folded texts keep their order.
        const QString p = QStringLiteral("Resistor carbon film 0805 SMD 1%"), q = p.toUpper();
        QTest::newRow("beyond the prefix") << L({p + " 4u7", p + " 10k", q + " 1", p + " 10K"}) << false
                                           << L({q + " 1", p + " 10k", p + " 10K", p + " 4u7"});
        QTest::newRow("beyond the prefix, any alphabet")
            << L({"Resistor carbon 10k", "resistor carbon 1", "Resistor carbon \xce\xa9", "RESISTOR CARBON 4u7"})
            << false << L({"resistor carbon 1", "Resistor carbon 10k", "RESISTOR CARBON 4u7", "Resistor carbon \xce\xa9"});
        QTest::newRow("within the prefix") << L({"Capacitor 10uF 50V", "Capacitor 10nF 50V", "Capacitor 10uF 16V"}) << false
                                           << L({"Capacitor 10nF 50V", "Capacitor 10uF 16V", "Capacitor 10uF 50V"});
        QTest::newRow("number text is not a number") << L({"1,000", "2", "1.000.0", "10"}) << false
                                                     << L({"1,000", "1.000.0", "2", "10"});
        QTest::newRow("mixed: numbers among text compare as text")
            << L({"x", "10", "9", "A1"}) << false << L({"9", "10", "A1", "x"});
        QTest::newRow("empty cells first ascending") << L({"b", "<null>", "a", "", "1"}) << false
                                                     << L({"<null>", "", "1", "a", "b"});
        QTest::newRow("empty cells last descending") << L({"b", "<null>", "a", "", "1"}) << true
                                                     << L({"b", "a", "1", "<null>", ""});
    }

    void sortRule()
    {
        QFETCH(QStringList, cells);
        QFETCH(bool, descending);
        QFETCH(QStringList, expected);
        TestEnvironment env;
        for (const QString &t : cells)
            QVERIFY(env.exec(QStringLiteral("INSERT INTO BoardBOM (BoardPN) VALUES (?)"),
                             {t == QLatin1String("<null>") ? QVariant() : QVariant(t)}));
        ListGridModel m;
        QVERIFY(load(m, env, QStringLiteral("SELECT BoardPN FROM BoardBOM ORDER BY %KEY%")));
        QCOMPARE(column(m, 0), cells);
        m.sort(0, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        QCOMPARE(column(m, 0), expected);
    }

    void sortOfNumberColumns()
    {
        // Stored numbers sort as numbers and show in plain decimal, also a
        // column whose numbers outgrow 32 bits, also unsigned ones, after smaller and negative ones;
        // a Boolean column (true as 1 or as -1) shows and sorts as its text; every sort is stable.
        TestEnvironment env;
        ListGridModel m;
        QVERIFY(load(m, env, QStringLiteral("SELECT PartNo, UnitCost, CurrentInv, Bin FROM Inventory"),
                     QStringLiteral("INSERT INTO Inventory (PartNo, UnitCost, CurrentInv, Bin) VALUES "
                                    "('A', 10, -3, 1), ('B', 0.0005, 3000000000, 0), ('C', 2.5, NULL, NULL), "
                                    "('D', 123456789012, 5000000000, -1);")));
        m.setBooleanColumn(3);
        m.sort(1);
        QCOMPARE(column(m, 1), QStringList({"0.0005", "2.5", "10", "123456789012"}));
        m.sort(2, Qt::DescendingOrder);
        QCOMPARE(column(m, 2), QStringList({"5000000000", "3000000000", "-3", "<null>"}));
        m.sort(3);
        QCOMPARE(column(m, 3), QStringList({"<null>", "False", "True", "True"}));
        // Stable: D came before A in the previous sort.
        QCOMPARE(column(m, 0), QStringList({"C", "B", "D", "A"}));
    }

    void dragHeading_data()
    {
        // Pixels to the left of the press (-1: onto the first heading, -2: onto
        // the first data row); then the heading order and the sort type after.
        // A drag onto the first heading moves the column; a press and release
        // that hardly moved is a click, which sorts and moves nothing.
        QTest::addColumn<QList<int>>("row");
        QTest::newRow("dragged onto the first heading") << QList<int>{-1, 1, 0, 0};
        QTest::newRow("barely moved") << QList<int>{1, 0, 1, 1};
        QTest::newRow("dropped on a data row") << QList<int>{-2, 0, 1, 0};
    }

    void dragHeading()
    {
        QFETCH(QList<int>, row);
        TestEnvironment env;
        ListGridModel m;
        QVERIFY(load(m, env, QStringLiteral("SELECT BoardPN AS BOM, Description FROM BoardBOM"),
                     QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description) VALUES ('B', 'z'), ('A', 'y');")));
        GridView v;
        v.setGridModel(&m);
        v.show();
        QVERIFY(QTest::qWaitForWindowExposed(&v));
        QHeaderView *h = v.horizontalHeader();
        const QPoint from(h->sectionViewportPosition(1) + 10, h->height() / 2);
        QPoint to = row[0] < 0 ? QPoint(h->sectionViewportPosition(0) + 5, from.y()) : from - QPoint(row[0], 0);
        if (row[0] == -2)
            to.ry() += h->height() + v.rowHeight(0) / 2;
        QTest::mousePress(h->viewport(), Qt::LeftButton, {}, from);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(h->viewport(), from + (to - from) * step / 4);
        QTest::mouseRelease(h->viewport(), Qt::LeftButton, {}, to);
        QCOMPARE(QList<int>({row[0], h->logicalIndex(0), h->logicalIndex(1), v.sortType()}), row);
    }

    void copy_data()
    {
        QTest::addColumn<QList<int>>("selectRows");
        QTest::addColumn<bool>("hideBom");
        QTest::addColumn<QString>("expected");
        // Sorted by Qty descending, Description moved in front of BOM.
        QTest::newRow("all rows when none selected")
            << QList<int>{} << false
            << QStringLiteral("Description\tBOM\tQty\n\"Tab\"\"here\"\ta<b&c\t12.5\n\"two\tcells\"\tA\t3\n\t1E5\t0.0005\n");
        QTest::newRow("selected rows in shown order, a hidden column left out")
            << QList<int>{2, 1} << true << QStringLiteral("Description\tQty\n\"two\tcells\"\t3\n\t0.0005\n");
    }

    void copy()
    {
        QFETCH(QList<int>, selectRows);
        QFETCH(bool, hideBom);
        QFETCH(QString, expected);
        TestEnvironment env(QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, QtyUsed) VALUES "
                                           "('a<b&c', 'Tab\"here', 12.5), ('1E5', NULL, 0.0005);"));
        QVERIFY(env.exec(QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, QtyUsed) VALUES ('A', ?, 3)"),
                         {QStringLiteral("two\tcells")}));
        ListGridModel m;
        QVERIFY(load(m, env, QStringLiteral("SELECT BoardPN AS BOM, Description, QtyUsed AS Qty FROM BoardBOM")));
        GridView v;
        v.setGridModel(&m);
        v.headingClicked(2);
        v.headingClicked(2);
        v.horizontalHeader()->moveSection(1, 0);
        v.setColumnHidden(0, hideBom);
        for (int r : selectRows)
            v.selectionModel()->select(m.index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(v.supports(StandardAction::Copy) && !v.supports(StandardAction::Paste));
        v.perform(StandardAction::Copy);
        QCOMPARE(QApplication::clipboard()->text(), expected);
        // Texts a spreadsheet would take for numbers or formulas stay text (marked
        // so for LibreOffice Calc and Excel), numbers stay numbers and right-aligned.
        const QString html = QApplication::clipboard()->mimeData()->html(),
                      text = QStringLiteral("<td sdnum=\"1033;0;@\" style='mso-number-format:\"\\@\"'>");
        QVERIFY(hideBom || html.contains("<tr>" + text + "Tab&quot;here</td>" + text + "a&lt;b&amp;c</td><td sdval=\"12.5\">12.5</td></tr>"));
        QVERIFY(hideBom || html.contains("<tr>" + text + "</td>" + text + "1E5</td><td sdval=\"0.0005\">"));
        QVERIFY((m.data(m.index(0, 2), Qt::TextAlignmentRole).toInt() & Qt::AlignRight) && !m.data(m.index(0, 0), Qt::TextAlignmentRole).isValid());
    }

    void pages()
    {
        // Read 3 rows first, then 4 at a time after the last part number as the
        // database compares them (letter case aside): the whole grid copies,
        // sorts and selects every row, also before the rest is read.
        TestEnvironment env(QStringLiteral(
            "INSERT INTO Inventory (PartNo, CurrentInv) VALUES ('b2', 1), ('A1', 2), ('C3', 3), ('a4', 4),"
            "('D5', 5), ('e6', 6), ('E7', 7), ('f8', 8), ('G9', 9), ('h10', 10);"));
        const QStringList all{"A1", "a4", "b2", "C3", "D5", "e6", "E7", "f8", "G9", "h10"};
        ListGridModel m;
        GridView v;
        v.setGridModel(&m);
        auto reload = [&] {
            return m.loadPages([&](const ListGridModel::Page &p, SqlEngine::RowSink &sink, DbError *e) {
                return BomOps::readInventoryPage(env.app.database(), p.after.value(0), p.limit, sink, e);
            }, 3, 4);
        };
        QVERIFY(env.isValid() && reload());
        QVERIFY(m.rowCount() == 3 && !m.isComplete());
        QCOMPARE(v.copyText().count(QLatin1Char('\n')), 11);
        QVERIFY(reload());
        m.sort(2, Qt::DescendingOrder);
        QCOMPARE(column(m, 0).first(), QStringLiteral("h10"));
        QVERIFY(reload());
        v.selectAll();
        QCOMPARE(v.selectionModel()->selectedRows().size(), 10);
        v.setGridModel(nullptr); // no view asks for more rows
        QVERIFY(reload());
        QTRY_VERIFY(m.isComplete()); // in the background
        QCOMPARE(column(m, 0), all);
        QCOMPARE(m.data(m.index(9, 0), Qt::BackgroundRole).value<QColor>(), GridModel::greyRow());
    }
};

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
