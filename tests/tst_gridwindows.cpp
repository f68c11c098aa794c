// The catalogue grid, the BOM list and the stock valuation, opened through
// the main window's commands as the user opens them.
#include "bom/allbomwindow.h"
#include "docs/documentwindow.h"
#include "stock/fullinventorywindow.h"
#include "stock/inventoryvalue.h"
#include "ui/listgridmodel.h"
#include "ui/gridview.h"
#include "ui/twips.h"
#include "bomfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QPushButton>
#include <QSqlQuery>
#include <QTextEdit>
#include <QtTest>
#include <memory>

using BomFixture::control;

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

void clickHeading(GridView *v, int column)
{
    QHeaderView *h = v->horizontalHeader();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                      QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2,
                             h->height() / 2));
}

} // namespace

class TestGridWindows : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { h.reset(); }

    void catalogueGrid();
    void emptyTables_data();
    void emptyTables();
    void bomListLines();
    void failedQuery();
    void layoutOnResize_data();
    void layoutOnResize();
    void copyFromTheEditMenu();
    void valueText();
    void valuation_data();
    void valuation();
    void valuationReusesItsWindow();
    void valuationLeavesTheUsersDocument();

private:
    FullInventoryWindow *openCatalogue()
    {
        h = std::make_unique<Harness>(Catalogue);
        return h->open<FullInventoryWindow>(CommandId::ShowAll);
    }
    std::unique_ptr<Harness> h;
};

void TestGridWindows::catalogueGrid()
{
    auto *w = openCatalogue();
    QVERIFY(w);
    const GridModel *m = w->model();
    QCOMPARE(m->headings(), QStringList({"Part No", "Description", "Current Inv", "Unit Cost",
                                         "Reorder Point", "Time to Order"}));
    // Part number order as the database compares: without regard to case.
    QCOMPARE(shownColumn(m, 0), QStringList({"a2", "C1", "D1", "R10"}));
    QCOMPARE(shownColumn(m, 3), QStringList({"12.5", "0.5", "0.0005", "0.02"}));
    QCOMPARE(shownColumn(m, 4), QStringList({"0", "10", "", "50"}));
    QCOMPARE(shownColumn(m, 5), QStringList({"True", "True", "False", "False"}));
    // Numbers right-aligned, text and the flag as they come.
    QList<bool> right;
    for (int c = 0; c < 6; ++c)
        right << bool(m->data(m->index(0, c), Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    QCOMPARE(right, QList<bool>({false, false, true, true, true, false}));
    QCOMPARE(control<GridView>(w, "MSHFlexGrid1")->columnWidth(1), Twips::toPixels(4455, w));
    // Only the window and the main window: top-left corner.
    QCOMPARE(w->frameWidget()->pos(), QPoint(0, 0));
    QVERIFY(h->ui.shown.isEmpty());

    clickHeading(control<GridView>(w, "MSHFlexGrid1"), 2);
    clickHeading(control<GridView>(w, "MSHFlexGrid1"), 2);
    QCOMPARE(shownColumn(m, 2), QStringList({"100", "40", "2", "-3"}));
    clickHeading(control<GridView>(w, "MSHFlexGrid1"), 1);
    QCOMPARE(shownColumn(m, 1), QStringList({"", "Cap 1uF", "Diode", "Resistor 10R"}));

    QTest::mouseClick(control<QPushButton>(w, "cmdClose"), Qt::LeftButton);
    QTRY_VERIFY(h->main.mdiArea()->subWindowList().isEmpty());
}

void TestGridWindows::emptyTables_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("columns");
    QTest::newRow("catalogue") << int(CommandId::ShowAll) << 6;
    QTest::newRow("BOM list") << int(CommandId::AllBOM) << 2;
}

void TestGridWindows::emptyTables()
{
    QFETCH(int, command);
    QFETCH(int, columns);
    h = std::make_unique<Harness>();
    auto *w = h->open<GridWindow>(CommandId(command));
    QVERIFY(w);
    QCOMPARE(w->model()->rowCount(), 0);
    QCOMPARE(w->model()->columnCount(), columns);
    clickHeading(control<GridView>(w, "MSHFlexGrid1"), 0);
    QCOMPARE(control<GridView>(w, "MSHFlexGrid1")->sortType(), 0);
    h->main.run(CommandId::EditCopy);
    QCOMPARE(QApplication::clipboard()->text().count(QLatin1Char('\n')), 1); // the headings
    QVERIFY(h->ui.shown.isEmpty());
}

void TestGridWindows::bomListLines()
{
    h = std::make_unique<Harness>(QStringLiteral(
        "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES "
        "('K1', 'Timer kit', 'R1', 2), ('K1', 'Timer kit', 'C1', 1), ('K1', 'Timer kit v2', 'D1', 1),"
        "('K2', 'Amplifier', 'R1', 4), (NULL, 'Amplifier', 'C1', 1), ('K3', NULL, 'R1', 1);"));
    auto *w = h->open<AllBomWindow>(CommandId::AllBOM);
    QVERIFY(w);
    // One line per number and description, in description order; a BOM with
    // two descriptions twice, a null number or description a line of its own.
    QCOMPARE(shownColumn(w->model(), 0), QStringList({"K3", "", "K2", "K1", "K1"}));
    QCOMPARE(shownColumn(w->model(), 1),
             QStringList({"", "Amplifier", "Amplifier", "Timer kit", "Timer kit v2"}));
}

void TestGridWindows::failedQuery()
{
    h = std::make_unique<Harness>();
    Database &db = h->env.app.database();
    QVERIFY(QSqlQuery(db.handle()).exec(db.engine().translate(QStringLiteral("DROP TABLE BoardBOM"))));
    auto *w = h->open<AllBomWindow>(CommandId::AllBOM);
    QVERIFY(w);
    QCOMPARE(h->ui.shown.size(), 1);
    QVERIFY(h->ui.lastText().startsWith(QStringLiteral("The list could not be read.\r\nError No ")));
    QCOMPARE(w->model()->rowCount(), 0);
    // The program goes on: another window opens.
    QVERIFY(h->open<FullInventoryWindow>(CommandId::ShowAll));
}

void TestGridWindows::layoutOnResize_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QSize>("size"); // twips
    QTest::newRow("BOM list") << int(CommandId::AllBOM) << QSize(5000, 3000);
    QTest::newRow("narrower than the margins") << int(CommandId::AllBOM) << QSize(100, 3000);
    QTest::newRow("lower than the button") << int(CommandId::ShowAll) << QSize(5000, 300);
}

void TestGridWindows::layoutOnResize()
{
    QFETCH(int, command);
    QFETCH(QSize, size);
    h = std::make_unique<Harness>(Catalogue);
    auto *w = h->open<GridWindow>(CommandId(command));
    QVERIFY(w);
    const QRect before = control<GridView>(w, "MSHFlexGrid1")->geometry();
    const auto px = [w](double twips) { return Twips::toPixels(twips, w); };
    w->resize(px(size.width()), px(size.height()));
    const int W = w->width(), H = w->height();
    const QSize button = control<QPushButton>(w, "cmdClose")->size();
    const int buttonTop = H - (button.height() + px(60));
    QCOMPARE(control<QPushButton>(w, "cmdClose")->pos(), QPoint(W - (button.width() + px(60)), buttonTop));
    const QRect grid(px(60), px(60), W - 2 * px(60), buttonTop - 2 * px(60));
    if (grid.width() >= 0 && grid.height() >= 0)
        QCOMPARE(control<GridView>(w, "MSHFlexGrid1")->geometry(), grid);
    else // that step cannot be done: the grid stays as it was
        QCOMPARE(control<GridView>(w, "MSHFlexGrid1")->geometry(), before);
}

void TestGridWindows::copyFromTheEditMenu()
{
    // Sorted by Unit Cost descending, Unit Cost dragged to the front;
    // ctrl-clicked rows copy in shown order.
    auto *w = openCatalogue();
    QVERIFY(w);
    GridView *v = control<GridView>(w, "MSHFlexGrid1");
    clickHeading(v, 3);
    clickHeading(v, 3);
    v->horizontalHeader()->moveSection(v->horizontalHeader()->visualIndex(3), 0);
    for (int r : {3, 1})
        QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          v->visualRect(w->model()->index(r, 0)).center());
    QApplication::clipboard()->clear();
    h->main.run(CommandId::EditCopy);
    QCOMPARE(QApplication::clipboard()->text(),
             QStringLiteral("Unit Cost\tPart No\tDescription\tCurrent Inv\tReorder Point\t"
                            "Time to Order\n"
                            "0.5\tC1\tCap 1uF\t-3\t10\tTrue\n"
                            "0.0005\tD1\tDiode\t40\t\tFalse\n"));
}

void TestGridWindows::valueText()
{
    // The date and the sum follow the locale (the United States one is shown below).
    QCOMPARE(InventoryValue::valueText(QDate(2026, 3, 14), 1234567.125,
                                       QLocale(QLocale::German, QLocale::Germany)),
             QStringLiteral("\nCurrent Inventory Value for 14.03.26\n\n"
                            "Total Current Inventory: 1.234.567,13\u00a0\u20ac"));
}

void TestGridWindows::valuation_data()
{
    QTest::addColumn<QString>("rows");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("windows");
    const QString caption = QStringLiteral("Current Value of Inventory: ");
    // 100 * 0.02 + 40 * 0.0005 + 2 * 12.5; C1's -3 counts nothing.
    QTest::newRow("negative stock counts nothing")
        << Catalogue << QStringList()
        << QStringList{caption + QStringLiteral("\nCurrent Inventory Value for 3/14/26\n\n"
                                                "Total Current Inventory: $27.02")};
    QTest::newRow("empty catalogue") << QString() << QStringList{"No Inventory In Database"}
                                     << QStringList();
    QTest::newRow("a part without a cost")
        << QStringLiteral("INSERT INTO Inventory (PartNo, CurrentInv, UnitCost) VALUES ('A', 3, 2),"
                          "('B', 1, NULL);")
        << QStringList{"Error No 94\r\nInvalid use of Null has occured."} << QStringList();
}

void TestGridWindows::valuation()
{
    QFETCH(QString, rows);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, windows);
    h = std::make_unique<Harness>(rows);
    QVERIFY(h->ready());
    h->main.run(CommandId::Value);
    QCOMPARE(h->ui.texts(), messages);
    QCOMPARE(documentWindows(h->main), windows);
}

void TestGridWindows::valuationReusesItsWindow()
{
    h = std::make_unique<Harness>(Catalogue);
    QVERIFY(h->ready());
    h->main.run(CommandId::Value);
    // Another window comes to the front; the value window is reused where it is.
    QVERIFY(h->open<FullInventoryWindow>(CommandId::ShowAll));
    QVERIFY(h->env.exec(QStringLiteral("UPDATE Inventory SET CurrentInv = 0")));
    h->main.run(CommandId::Value);
    QCOMPARE(documentWindows(h->main),
             QStringList{QStringLiteral("Current Value of Inventory: \nCurrent Inventory Value "
                                        "for 3/14/26\n\nTotal Current Inventory: $0.00")});
    QVERIFY(qobject_cast<FullInventoryWindow *>(h->main.activeChild()));
    QVERIFY(h->ui.shown.isEmpty());
}

void TestGridWindows::valuationLeavesTheUsersDocument()
{
    h = std::make_unique<Harness>(Catalogue);
    QVERIFY(h->ready());
    h->main.run(CommandId::Value);
    auto *first = qobject_cast<DocumentWindow *>(h->main.activeChild());
    QVERIFY(first);
    first->textBox()->setFocus();
    QTest::keyClick(first->textBox(), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(first->textBox(), QStringLiteral(" checked"));
    const QString theirs = first->document()->toPlainText();
    QVERIFY(theirs.endsWith(QStringLiteral("$27.02 checked")));
    // Typed into, the window is the user's: the next value opens a new one.
    h->main.run(CommandId::Value);
    QCOMPARE(documentWindows(h->main).size(), 2);
    QCOMPARE(first->document()->toPlainText(), theirs);
    auto *second = qobject_cast<DocumentWindow *>(h->main.activeChild());
    QVERIFY(second && second != first);
    QVERIFY(second->document()->toPlainText().endsWith(QStringLiteral("$27.02")));
    // The new one is the program's: the next value reuses it.
    h->main.run(CommandId::Value);
    QCOMPARE(documentWindows(h->main).size(), 2);
}

QTEST_MAIN(TestGridWindows)
#include "tst_gridwindows.moc"
