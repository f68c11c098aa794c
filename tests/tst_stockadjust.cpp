// The stock adjustment window: adding to and subtracting from a part's stock.
#include "app/entryfields.h"
#include "app/twips.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "stock/panelbar.h"
#include "stockharness.h"

#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <memory>

namespace {

const char *const Parts =
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint) VALUES "
    "('R100', 'Resistor 100R', 100, 0.02, 50),"
    "('NOREORDER', 'No reorder point', 10, 1, NULL),"
    "('NOSTOCK', 'Stock never counted', NULL, 1, 0),"
    "('BIG', 'Nearly full', 32760, 1, 0),"
    "('LOW', 'Nearly empty', -32760, 1, 0);";

} // namespace

class TestStockAdjust : public QObject
{
    Q_OBJECT

    std::unique_ptr<StockHarness> h;

    AddDeleteInvWindow *start(CommandId id = CommandId::AddQuantity)
    {
        h = std::make_unique<StockHarness>(QString::fromLatin1(Parts));
        if (!h->ready())
            return nullptr;
        return h->open<AddDeleteInvWindow>(id);
    }
    void submit(AddDeleteInvWindow *w, const QString &partNo, const QString &quantity)
    {
        typeAndEnter(w->txtPartNo, partNo);
        typeAndEnter(w->txtQuantity, quantity);
    }

private slots:
    void cleanup()
    {
        const int busyMessages = h ? h->ui.shownWhileBusy : 0;
        h.reset();
        QCOMPARE(busyMessages, 0); // the normal pointer before every message
    }

    void opensInItsDirection_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("caption");
        QTest::newRow("menu add") << "" << int(CommandId::AddQuantity) << "Add To Inventory";
        QTest::newRow("menu subtract") << "" << int(CommandId::DeleteQuantity) << "Subract from Inventory";
        QTest::newRow("toolbar add") << "Add" << 0 << "Add To Inventory";
        QTest::newRow("toolbar subtract") << "Subtract" << 0 << "Subract from Inventory";
    }
    void opensInItsDirection()
    {
        QFETCH(QString, tool);
        QFETCH(int, command);
        QFETCH(QString, caption);
        h = std::make_unique<StockHarness>(QString::fromLatin1(Parts));
        QVERIFY(h->ready());
        auto *w = tool.isEmpty() ? h->open<AddDeleteInvWindow>(CommandId(command))
                                 : h->openTool<AddDeleteInvWindow>(tool);
        QVERIFY(w);
        QCOMPARE(w->objectName(), "frmAddDeleteInv");
        QCOMPARE(w->windowTitle(), caption);
        QVERIFY(w->txtPartNo->hasFocus());
        QCOMPARE(w->txtPartNo->palette().color(QPalette::Base), EntryFields::highlightColor());
        QCOMPARE(w->txtQuantity->palette().color(QPalette::Base), EntryFields::normalColor());
        QCOMPARE(w->StatBarAdd->count(), 1);
        QVERIFY(w->StatBarAdd->panel(1)->isHidden());
    }

    // What a quantity text does to a stock of 100.
    void quantity_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<int>("expected");
        const int add = int(CommandId::AddQuantity), sub = int(CommandId::DeleteQuantity);
        QTest::newRow("add 5") << add << "5" << 105;
        QTest::newRow("subtract 5") << sub << "5" << 95;
        QTest::newRow("2.5 counts 2") << add << "2.5" << 102;
        QTest::newRow("3.5 counts 4") << add << "3.5" << 104;
        QTest::newRow("1,000 counts 1") << add << "1,000" << 101;
        QTest::newRow("-5 in add mode subtracts") << add << "-5" << 95;
        QTest::newRow("-5 in subtract mode adds") << sub << "-5" << 105;
        QTest::newRow("blanks around") << add << "  7 " << 107;
        QTest::newRow("exponent") << add << "1E2" << 200;
        QTest::newRow("currency sign reads 0") << add << "$5" << 100;
        QTest::newRow("below zero is stored") << sub << "150" << -50;
    }
    void quantity()
    {
        QFETCH(int, command);
        QFETCH(QString, quantity);
        QFETCH(int, expected);
        auto *w = start(CommandId(command));
        QVERIFY(w);
        submit(w, "R100", quantity);
        QCOMPARE(h->stock("R100").toInt(), expected);
        // Fields emptied, focus back in the part number, two half-width panels.
        QVERIFY(w->txtPartNo->text().isEmpty());
        QVERIFY(w->txtQuantity->text().isEmpty());
        QVERIFY(w->txtPartNo->hasFocus());
        QCOMPARE(w->StatBarAdd->count(), 2);
        QVERIFY(w->StatBarAdd->panel(1)->isVisible());
        QCOMPARE(w->StatBarAdd->panel(1)->text(), "R100 Inventory Updated");
        QCOMPARE(w->StatBarAdd->panel(2)->text(), "Current Inventory " + QString::number(expected));
        for (int i = 1; i <= 2; ++i)
            QCOMPARE(w->StatBarAdd->panel(i)->width(), w->StatBarAdd->width() / 2);
    }

    void refused_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("letters") << "R100" << "abc" << "Quantity must be a number" << "txtQuantity";
        QTest::newRow("empty quantity") << "R100" << "" << "Quantity must be a number" << "txtQuantity";
        QTest::newRow("unknown part, bad quantity") << "NOPE" << "x" << "Quantity must be a number" << "txtQuantity";
        QTest::newRow("unknown part") << "NOPE" << "5" << "Part Number Does Not Exist" << "txtPartNo";
        QTest::newRow("quantity above 32767") << "R100" << "40000" << "Error No 6\r\nOverflow has occured." << "";
        QTest::newRow("quantity beyond any number") << "R100" << "1e400" << "Error No 6\r\nOverflow has occured." << "";
        QTest::newRow("sum above 32767") << "BIG" << "10" << "Error No 6\r\nOverflow has occured." << "";
        QTest::newRow("stock never counted") << "NOSTOCK" << "1" << "Error No 94\r\nInvalid use of Null has occured." << "";
    }
    void refused()
    {
        QFETCH(QString, partNo);
        QFETCH(QString, quantity);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        auto *w = start();
        QVERIFY(w);
        const QVariant before = h->stock(partNo);
        submit(w, partNo, quantity);
        QCOMPARE(h->ui.texts(), QStringList{message});
        QCOMPARE(h->ui.shown.first().title, "Partwise");
        QCOMPARE(h->stock(partNo), before);
        QCOMPARE(w->txtPartNo->text(), partNo);
        QCOMPARE(w->txtQuantity->text(), quantity);
        if (!focus.isEmpty())
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        if (focus == "txtPartNo")
            QCOMPARE(w->txtPartNo->selectedText(), partNo);
        if (focus == "txtQuantity")
            QVERIFY(!w->txtQuantity->hasSelectedText());
        QVERIFY(w->StatBarAdd->panel(1)->isHidden());
    }

    void overflowBelow()
    {
        auto *w = start(CommandId::DeleteQuantity);
        QVERIFY(w);
        submit(w, "LOW", "10");
        QCOMPARE(h->ui.texts(), QStringList{"Error No 6\r\nOverflow has occured."});
        QCOMPARE(h->stock("LOW").toInt(), -32760);
    }

    void reorderWarning_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<QString>("subtract");
        QTest::addColumn<bool>("warned");
        QTest::newRow("above the reorder point") << "R100" << "49" << false;
        QTest::newRow("at the reorder point") << "R100" << "50" << false;
        QTest::newRow("below the reorder point") << "R100" << "51" << true;
        QTest::newRow("no reorder point") << "NOREORDER" << "500" << false;
    }
    void reorderWarning()
    {
        QFETCH(QString, partNo);
        QFETCH(QString, subtract);
        QFETCH(bool, warned);
        auto *w = start(CommandId::DeleteQuantity);
        QVERIFY(w);
        submit(w, partNo.toLower(), subtract); // letter case does not matter for finding
        const QStringList expected = warned
            ? QStringList{"Reorder Point Reached\r\n" + partNo.toLower() + " added to Reorder Report"}
            : QStringList{};
        QCOMPARE(h->ui.texts(), expected);
        // The warning marks nothing: MinReq and Bin stay as they were.
        QCOMPARE(h->env.scalar("select Bin from Inventory where PartNo = ?", {partNo}).toInt(), 0);
        QVERIFY(w->txtPartNo->text().isEmpty());
    }

    // The window keeps the direction it was opened with, whatever windows
    // opened later set.
    void keepsItsDirection()
    {
        auto *adder = start(CommandId::AddQuantity);
        QVERIFY(adder);
        auto *remover = h->open<AddDeleteInvWindow>(CommandId::DeleteQuantity);
        QVERIFY(remover);
        QVERIFY(h->open<AddDeletePartWindow>(CommandId::DeletePart));
        h->main.mdiArea()->setActiveSubWindow(adder->subWindow());
        submit(adder, "R100", "5");
        QCOMPARE(h->stock("R100").toInt(), 105);
        QCOMPARE(adder->windowTitle(), "Add To Inventory");
        h->env.app.setAddMode(true);
        h->main.mdiArea()->setActiveSubWindow(remover->subWindow());
        submit(remover, "R100", "5");
        QCOMPARE(h->stock("R100").toInt(), 100);
        QCOMPARE(remover->windowTitle(), "Subract from Inventory");
    }

    // Part numbers are found exactly as typed, quotes and all.
    void typedPartNumbers_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::newRow("apostrophe") << "5' CABLE";
        QTest::newRow("statement text") << "X'; DELETE FROM Inventory; --";
        QTest::newRow("non-Latin") << QString::fromUtf8("Ω-Резистор-電阻");
        QTest::newRow("long") << QString(400, QLatin1Char('P'));
    }
    void typedPartNumbers()
    {
        QFETCH(QString, partNo);
        auto *w = start();
        QVERIFY(w);
        QVERIFY(h->env.exec("INSERT INTO Inventory (PartNo, CurrentInv, ReorderPoint) VALUES (?, 7, 0)", {partNo}));
        submit(w, partNo, "3");
        QCOMPARE(h->ui.texts(), QStringList{});
        QCOMPARE(h->stock(partNo).toInt(), 10);
        QCOMPARE(h->stock("R100").toInt(), 100);
        QCOMPARE(w->StatBarAdd->panel(1)->text(), partNo + " Inventory Updated");
    }

    void buttons()
    {
        auto *w = start();
        QVERIFY(w);
        w->txtPartNo->setText("R100");
        w->txtQuantity->setText("1");
        QTest::mouseClick(w->cmdUpdate, Qt::LeftButton);
        QCOMPARE(h->stock("R100").toInt(), 101);
        QPointer<QMdiSubWindow> sub = w->subWindow();
        QTest::mouseClick(w->cmdExit, Qt::LeftButton);
        QTRY_VERIFY(sub.isNull());
        QCOMPARE(h->stock("R100").toInt(), 101);
    }

    // A closed object is no error to this window's trap: Submit goes on.
    void closedConnectionIsNoError()
    {
        auto *w = start();
        QVERIFY(w);
        h->env.app.database().close();
        submit(w, "R100", "5");
        QCOMPARE(h->ui.texts(), QStringList{"Part Number Does Not Exist"});
    }

    void placement_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<int>("third");
        const int stock = int(CommandId::AddQuantity), part = int(CommandId::AddPart);
        QTest::newRow("stock windows") << stock << stock << stock;
        QTest::newRow("part windows") << part << part << part;
        QTest::newRow("mixed") << part << stock << int(CommandId::DeletePart);
    }
    void placement()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(int, third);
        h = std::make_unique<StockHarness>();
        QVERIFY(h->ready());
        h->main.run(CommandId(first));
        QMdiSubWindow *one = h->main.mdiArea()->activeSubWindow();
        QCOMPARE(one->pos(), QPoint(0, 0));
        h->main.run(CommandId(second));
        QMdiSubWindow *two = h->main.mdiArea()->activeSubWindow();
        QCOMPARE(two->y(), Twips::toPixels(300, two));
        h->main.run(CommandId(third));
        QMdiSubWindow *three = h->main.mdiArea()->activeSubWindow();
        QCOMPARE(three->y(), Twips::toPixels(400, three));
        QCOMPARE(h->main.mdiArea()->subWindowList().size(), 3);
    }
};

QTEST_MAIN(TestStockAdjust)
#include "tst_stockadjust.moc"
