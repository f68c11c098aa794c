// The catalogue grid, the BOM list and the stock valuation, opened through
// the main window's commands as the user opens them.
#include "bom/allbomwindow.h"
#include "docs/documentwindow.h"
#include "stock/fullinventorywindow.h"
#include "stock/inventoryvalue.h"
#include "ui/listgridmodel.h"
#include "ui/gridview.h"
#include "ui/twips.h"
#include "drive.h"
#include "harness.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QPushButton>
#include <QSqlQuery>
#include <QTextEdit>
#include <QtTest>
#include <memory>

using Drive::find;

namespace {

const QString Catalogue = QStringLiteral(
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint, Bin) VALUES "
    "('R10', 'Resistor 10R', 100, 0.02, 50, 0), ('C1', 'Cap 1uF', -3, 0.5, 10, 1),"
    "('D1', 'Diode', 40, 0.0005, NULL, 0), ('a2', NULL, 2, 12.5, 0, 1);");

QStringList shownColumn(const GridModel *m, int c)
{
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->text(r, c);
    return out;
}

QStringList documentWindows(MainWindow &main)
{
    QStringList out;
    for (QMdiSubWindow *sub : main.mdiArea()->subWindowList())
        if (auto *doc = qobject_cast<DocumentWindow *>(sub->widget()))
            out << doc->caption() + QStringLiteral(": ") + doc->document()->toPlainText();
    return out;
}

void clickHeading(QWidget *w, int column)
{
    QHeaderView *h = find<GridView>(w, "MSHFlexGrid1")->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2, h->height() / 2));
}

} // namespace

class TestGridWindows : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { h.reset(); }

    void catalogueGrid()
    {
        auto *w = openCatalogue();
        QVERIFY(w);
        const GridModel *m = w->model();
        // Part number order as the database compares: without regard to case.
        QCOMPARE(shownColumn(m, 0), QStringList({"a2", "C1", "D1", "R10"}));
        QCOMPARE(shownColumn(m, 3) + shownColumn(m, 4) + shownColumn(m, 5),
                 QStringList({"12.5", "0.5", "0.0005", "0.02", "0", "10", "", "50", "True", "True", "False", "False"}));
        QList<bool> right; // numbers right-aligned, text and the flag as they come
        for (int c = 0; c < 6; ++c)
            right << bool(m->data(m->index(0, c), Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
        QCOMPARE(right, QList<bool>({false, false, true, true, true, false}));
        QCOMPARE(w->frameWidget()->pos(), QPoint(0, 0)); // alone with the main window: top-left
        // A data cell does not sort; the same heading again sorts the other
        // way, another heading (or back to the first) starts ascending.
        GridView *v = find<GridView>(w, "MSHFlexGrid1");
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(m->index(1, 0)).center());
        QCOMPARE(v->sortType(), 0);
        clickHeading(w, 2);
        clickHeading(w, 2);
        QCOMPARE(shownColumn(m, 2), QStringList({"100", "40", "2", "-3"}));
        clickHeading(w, 1);
        QCOMPARE(shownColumn(m, 1), QStringList({"", "Cap 1uF", "Diode", "Resistor 10R"}));
        clickHeading(w, 2);
        QCOMPARE(shownColumn(m, 2), QStringList({"-3", "2", "40", "100"}));
        QVERIFY(h->ui.shown.isEmpty());
        QVERIFY(Drive::click(w, "cmdClose"));
        QTRY_VERIFY(h->main.mdiArea()->subWindowList().isEmpty());
    }

    void largeCatalogue()
    {
        // The first screen shows at once, the rest is read after it; Edit >
        // Copy takes every row even before that, more than 16 bits count.
        auto *w = openCatalogue(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
            "INSERT INTO Inventory (PartNo, CurrentInv) SELECT 'P' || (1000000 + i), i % 7 FROM n"));
        QVERIFY(w && w->model()->rowCount() < 40000);
        h->main.run(CommandId::EditCopy);
        const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 40001);
        QVERIFY(lines.last().startsWith(QStringLiteral("P1040000\t\t2\t")));
        QVERIFY(h->ui.shown.isEmpty());
    }

    void emptyWindows_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QSize>("size"); // twips
        QTest::newRow("catalogue, lower than the button") << int(CommandId::ShowAll) << 6 << QSize(5000, 300);
        QTest::newRow("BOM list") << int(CommandId::AllBOM) << 2 << QSize(5000, 3000);
        QTest::newRow("BOM list, narrower than the margins") << int(CommandId::AllBOM) << 2 << QSize(100, 3000);
    }

    void emptyWindows()
    {
        // Headings only: a heading click does nothing, Copy takes the headings.
        QFETCH(int, command);
        QFETCH(int, columns);
        QFETCH(QSize, size);
        h = std::make_unique<Harness>();
        auto *w = h->open<GridWindow>(CommandId(command));
        QVERIFY(w && w->model()->rowCount() == 0);
        QCOMPARE(w->model()->columnCount(), columns);
        clickHeading(w, 0);
        GridView *grid = find<GridView>(w, "MSHFlexGrid1");
        QCOMPARE(grid->sortType(), 0);
        h->main.run(CommandId::EditCopy);
        QCOMPARE(QApplication::clipboard()->text().count(QLatin1Char('\n')), 1);
        // Laid out with 60-twip margins; a step that cannot be done leaves
        // the grid as it was.
        const QRect before = grid->geometry();
        const auto px = [w](double twips) { return Twips::toPixels(twips, w); };
        w->resize(px(size.width()), px(size.height()));
        const QSize button = find<QPushButton>(w, "cmdClose")->size();
        const int buttonTop = w->height() - (button.height() + px(60));
        QCOMPARE(find<QPushButton>(w, "cmdClose")->pos(), QPoint(w->width() - (button.width() + px(60)), buttonTop));
        const QRect expected(px(60), px(60), w->width() - 2 * px(60), buttonTop - 2 * px(60));
        QCOMPARE(grid->geometry(), expected.width() >= 0 && expected.height() >= 0 ? expected : before);
        QVERIFY(h->ui.shown.isEmpty());
    }

    void bomListLines()
    {
        h = std::make_unique<Harness>(QStringLiteral(
            "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES "
            "('K1', 'Timer kit', 'R1', 2), ('K1', 'Timer kit', 'C1', 1), ('K1', 'Timer kit v2', 'D1', 1),"
            "('K2', 'Amplifier', 'R1', 4), (NULL, 'Amplifier', 'C1', 1), ('K3', NULL, 'R1', 1);"));
        auto *w = h->open<AllBomWindow>(CommandId::AllBOM);
        QVERIFY(w);
        // One line per number and description, in description order; a BOM with
        // two descriptions twice, a null number or description a line of its own.
        QCOMPARE(shownColumn(w->model(), 0) + shownColumn(w->model(), 1),
                 QStringList({"K3", "", "K2", "K1", "K1", "", "Amplifier", "Amplifier", "Timer kit", "Timer kit v2"}));
        // A list that cannot be read says so; the program goes on.
        Database &db = h->env.app.database();
        QVERIFY(QSqlQuery(db.handle()).exec(db.engine().translate(QStringLiteral("DROP TABLE BoardBOM"))));
        h->main.run(CommandId::AllBOM);
        auto *broken = qobject_cast<AllBomWindow *>(h->main.activeChild());
        QVERIFY(broken && broken != w && broken->model()->rowCount() == 0);
        QCOMPARE(h->ui.texts().size(), 1);
        QVERIFY(h->ui.lastText().startsWith(QStringLiteral("The list could not be read.\r\nError No ")));
        QVERIFY(h->open<FullInventoryWindow>(CommandId::ShowAll));
    }

    void valuation_data()
    {
        // Messages shown, then the value windows' texts.
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QStringList>("shown");
        const QString insert = QStringLiteral("INSERT INTO Inventory (PartNo, CurrentInv, UnitCost) VALUES ('A', 3, 2), ");
        QTest::newRow("negative stock and cost count nothing")
            << insert + "('B', -4, -5), ('C', 1, -2), ('D', 3000000000, 2);"
            << QStringList{"Current Value of Inventory: \nCurrent Inventory Value for 3/14/26\n\nTotal Current Inventory: $6,000,000,006.00"};
        QTest::newRow("empty catalogue") << QString() << QStringList{"No Inventory In Database"};
        QTest::newRow("a part without a cost") << insert + "('B', 1, NULL);" << QStringList{"Error No 94\r\nInvalid use of Null has occured."};
    }

    void valuation()
    {
        QFETCH(QString, rows);
        QFETCH(QStringList, shown);
        h = std::make_unique<Harness>(rows);
        QVERIFY(h->ready());
        h->main.run(CommandId::Value);
        QCOMPARE(h->ui.texts() + documentWindows(h->main), shown);
    }

    void valueWindow()
    {
        // The value window is reused where it is while it is the program's;
        // typed into, it is the user's and the next value opens a new one.
        h = std::make_unique<Harness>(Catalogue);
        QVERIFY(h->ready());
        h->main.run(CommandId::Value);
        auto *first = qobject_cast<DocumentWindow *>(h->main.activeChild());
        QVERIFY(first && h->open<FullInventoryWindow>(CommandId::ShowAll));
        QVERIFY(h->env.exec(QStringLiteral("UPDATE Inventory SET CurrentInv = 0 WHERE PartNo = 'a2'")));
        h->main.run(CommandId::Value);
        QCOMPARE(documentWindows(h->main), QStringList{QStringLiteral("Current Value of Inventory: \nCurrent Inventory "
                                                                      "Value for 3/14/26\n\nTotal Current Inventory: $2.02")});
        QVERIFY(qobject_cast<FullInventoryWindow *>(h->main.activeChild()));
        Drive::focus(first->textBox());
        Drive::key(Qt::Key_End, Qt::ControlModifier);
        Drive::typeText(QStringLiteral(" checked"));
        h->main.run(CommandId::Value);
        h->main.run(CommandId::Value);
        QCOMPARE(documentWindows(h->main).size(), 2);
        QVERIFY(first->document()->toPlainText().endsWith(QStringLiteral("$2.02 checked")));
        QVERIFY(h->ui.shown.isEmpty());
        // The date and the sum follow the locale.
        QCOMPARE(InventoryValue::valueText(QDate(2026, 3, 14), 1234567.125, QLocale(QLocale::German, QLocale::Germany)),
                 QStringLiteral("\nCurrent Inventory Value for 14.03.26\n\nTotal Current Inventory: 1.234.567,13\u00a0\u20ac"));
    }

private:
    FullInventoryWindow *openCatalogue(const QString &rows = Catalogue)
    {
        h = std::make_unique<Harness>(rows);
        return h->open<FullInventoryWindow>(CommandId::ShowAll);
    }
    std::unique_ptr<Harness> h;
};

QTEST_MAIN(TestGridWindows)
#include "tst_gridwindows.moc"
