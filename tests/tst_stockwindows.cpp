// The stock adjustment and part master windows, driven inside a main window
// as the user drives them: keys, Enter chains, scripted message answers.
#include "app/commands.h"
#include "app/entryfields.h"
#include "app/mainwindow.h"
#include "app/twips.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "stock/panelbar.h"
#include "testenvironment.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>
#include <memory>

namespace {

const char *const Parts =
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint) VALUES "
    "('R100', 'Resistor 100R', 100, 0.02, 50), ('NOREORDER', 'No reorder point', 10, 1, NULL),"
    "('NOSTOCK', 'Never counted', NULL, 1, 0), ('BIG', 'Nearly full', 32760, 1, 0),"
    "('LOW', 'Nearly empty', -32760, 1, 0);"
    "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES ('R100', 'RS', 'Resistor 100R');"
    "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES ('AMP', 'Amplifier', 'R100', 2);";
const int PartsCount = 5;
const int Add = int(CommandId::AddQuantity), Subtract = int(CommandId::DeleteQuantity);
const QString Overflow = "Error No 6\r\nOverflow has occured.";

struct Entry
{
    QString partNo, quantity, description, cost, reorder, vendor;
};

// Also counts the messages shown while their window still shows the hourglass.
class WatchingUi : public ScriptedUserInterface
{
public:
    int shownWhileBusy = 0;
    Answer message(QWidget *parent, const QString &text, const QString &title, Icon icon,
                   Buttons buttons) override
    {
        for (QWidget *w = parent; w; w = w->parentWidget())
            shownWhileBusy += w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::WaitCursor;
        return ScriptedUserInterface::message(parent, text, title, icon, buttons);
    }
};

struct Harness
{
    explicit Harness(const QString &rows = QString()) : env(rows), main(env.app)
    {
        env.app.setUserInterface(&ui);
        main.resize(1000, 760);
        main.show();
        main.activateWindow();
    }
    ~Harness() { main.close(); } // as the user closes it: the children first

    bool ready() { return env.isValid() && QTest::qWaitForWindowActive(&main); }
    template <class W> W *open(CommandId id)
    {
        main.run(id);
        return qobject_cast<W *>(main.activeChild());
    }
    QVariant stock(const QString &partNo)
    {
        return env.scalar("select CurrentInv from Inventory where PartNo = ?", {partNo});
    }
    int count(const QString &sql, const QVariantList &values = {}) { return env.scalar(sql, values).toInt(); }
    QVariantList row(const QString &sql, const QVariantList &values)
    {
        QSqlQuery q(env.app.database().handle());
        q.prepare(sql);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values[i]);
        QVariantList out;
        if (q.exec() && q.next())
            for (int i = 0; i < q.record().count(); ++i)
                out << q.value(i);
        return out;
    }

    TestEnvironment env;
    WatchingUi ui;
    MainWindow main;
};

// Types over a field's text and presses Enter there.
void typeAndEnter(QLineEdit *field, const QString &text)
{
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(field, char(c.unicode()));
        else // a key QTest cannot name: an event that carries the letter
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QTest::keyClick(field, Qt::Key_Return);
}

void adjust(AddDeleteInvWindow *w, const QString &partNo, const QString &quantity)
{
    typeAndEnter(w->txtPartNo, partNo);
    QVERIFY(w->txtQuantity->hasFocus());
    typeAndEnter(w->txtQuantity, quantity);
}

// Walks the whole Enter chain of an add window; the field with the focus is
// the highlighted one.
void enter(AddDeletePartWindow *w, const Entry &e)
{
    const QList<QPair<QLineEdit *, QString>> chain = {
        {w->txtPartNo, e.partNo}, {w->txtQuantity, e.quantity}, {w->txtDescription, e.description},
        {w->txtCost, e.cost},     {w->txtReorder, e.reorder},   {w->txtVendor, e.vendor}};
    for (int i = 0; i < chain.size(); ++i) {
        if (i > 0) {
            QVERIFY(chain[i].first->hasFocus());
            QCOMPARE(chain[i].first->palette().color(QPalette::Base), EntryFields::highlightColor());
            QCOMPARE(chain[i - 1].first->palette().color(QPalette::Base), EntryFields::normalColor());
        }
        typeAndEnter(chain[i].first, chain[i].second);
    }
}

} // namespace

Q_DECLARE_METATYPE(Entry)

class TestStockWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    AddDeleteInvWindow *startInv(int command)
    {
        h = std::make_unique<Harness>(QString::fromLatin1(Parts));
        return h->ready() ? h->open<AddDeleteInvWindow>(CommandId(command)) : nullptr;
    }
    AddDeletePartWindow *startPart(CommandId id)
    {
        h = std::make_unique<Harness>(QString::fromLatin1(Parts));
        return h->ready() ? h->open<AddDeletePartWindow>(id) : nullptr;
    }

private slots:
    void cleanup()
    {
        const int busyMessages = h ? h->ui.shownWhileBusy : 0;
        h.reset();
        QCOMPARE(busyMessages, 0); // the normal pointer before every message
    }

    // Stock adjustment.

    // Each command opens a window in its own direction; fields the job does
    // not need are hidden.
    void opens_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("fields"); // visible entry fields
        QTest::newRow("menu add") << "" << Add << "Add To Inventory" << 2;
        QTest::newRow("menu subtract") << "" << Subtract << "Subract from Inventory" << 2;
        QTest::newRow("toolbar add") << "Add" << 0 << "Add To Inventory" << 2;
        QTest::newRow("toolbar subtract") << "Subtract" << 0 << "Subract from Inventory" << 2;
        QTest::newRow("add part") << "" << int(CommandId::AddPart) << "Add New Part To Inventory" << 6;
        QTest::newRow("delete part") << "" << int(CommandId::DeletePart) << "Delete Part From Inventory" << 1;
    }
    void opens()
    {
        QFETCH(QString, tool);
        QFETCH(int, command);
        QFETCH(QString, caption);
        QFETCH(int, fields);
        h = std::make_unique<Harness>();
        QVERIFY(h->ready());
        tool.isEmpty() ? h->main.run(CommandId(command)) : h->main.runToolButton(tool);
        QWidget *w = h->main.activeChild();
        QCOMPARE(w->objectName(), fields == 2 ? "frmAddDeleteInv" : "frmAddDeletePart");
        QCOMPARE(w->windowTitle(), caption);
        auto *partNo = w->findChild<QLineEdit *>("txtPartNo");
        QVERIFY(partNo->hasFocus());
        QCOMPARE(partNo->palette().color(QPalette::Base), EntryFields::highlightColor());
        int visible = 0;
        for (QLineEdit *f : w->findChildren<QLineEdit *>()) {
            visible += f->isVisible();
            if (f != partNo)
                QCOMPARE(f->palette().color(QPalette::Base), EntryFields::normalColor());
        }
        QCOMPARE(visible, fields);
        QVERIFY(w->findChild<QPushButton *>("cmdUpdate")->isVisible());
        // The bar starts empty: the stock window's one panel hidden, the part window's bar hidden.
        auto *bar = w->findChild<PanelBar *>(fields == 2 ? "StatBarAdd" : "statbarInfo");
        QCOMPARE(bar->count(), 1);
        QVERIFY(fields == 2 ? bar->panel(1)->isHidden() : bar->isHidden());
    }

    // What a quantity text does to a stock of 100.
    void quantity_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<int>("expected");
        QTest::newRow("add 5") << Add << "5" << 105;
        QTest::newRow("subtract 5") << Subtract << "5" << 95;
        QTest::newRow("2.5 counts 2") << Add << "2.5" << 102;
        QTest::newRow("3.5 counts 4") << Add << "3.5" << 104;
        QTest::newRow("1,000 counts 1") << Add << "1,000" << 101;
        QTest::newRow("-5 in add mode subtracts") << Add << "-5" << 95;
        QTest::newRow("-5 in subtract mode adds") << Subtract << "-5" << 105;
        QTest::newRow("blanks around") << Add << "  7 " << 107;
        QTest::newRow("exponent") << Add << "1E2" << 200;
        QTest::newRow("currency sign reads 0") << Add << "$5" << 100;
        QTest::newRow("below zero is stored") << Subtract << "150" << -50;
    }
    void quantity()
    {
        QFETCH(int, command);
        QFETCH(QString, quantity);
        QFETCH(int, expected);
        auto *w = startInv(command);
        QVERIFY(w);
        adjust(w, "R100", quantity);
        QCOMPARE(h->stock("R100").toInt(), expected);
        QVERIFY(w->txtPartNo->text().isEmpty() && w->txtQuantity->text().isEmpty());
        QVERIFY(w->txtPartNo->hasFocus());
        QCOMPARE(w->StatBarAdd->count(), 2);
        QVERIFY(w->StatBarAdd->panel(1)->isVisible());
        QCOMPARE(w->StatBarAdd->panel(1)->text(), "R100 Inventory Updated");
        QCOMPARE(w->StatBarAdd->panel(2)->text(), "Current Inventory " + QString::number(expected));
        for (int i = 1; i <= 2; ++i)
            QCOMPARE(w->StatBarAdd->panel(i)->width(), w->StatBarAdd->width() / 2);
    }

    void stockRefused_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("letters") << Add << "R100" << "abc" << "Quantity must be a number" << "txtQuantity";
        QTest::newRow("empty quantity") << Add << "R100" << "" << "Quantity must be a number" << "txtQuantity";
        QTest::newRow("unknown part, bad quantity") << Add << "NOPE" << "x" << "Quantity must be a number" << "txtQuantity";
        QTest::newRow("unknown part") << Add << "NOPE" << "5" << "Part Number Does Not Exist" << "txtPartNo";
        QTest::newRow("quantity above 32767") << Add << "R100" << "40000" << Overflow << "txtQuantity";
        QTest::newRow("quantity beyond any number") << Add << "R100" << "1e400" << Overflow << "txtQuantity";
        QTest::newRow("sum above 32767") << Add << "BIG" << "10" << Overflow << "txtQuantity";
        QTest::newRow("difference below -32768") << Subtract << "LOW" << "10" << Overflow << "txtQuantity";
        QTest::newRow("stock never counted") << Add << "NOSTOCK" << "1"
                                             << "Error No 94\r\nInvalid use of Null has occured." << "txtQuantity";
    }
    void stockRefused()
    {
        QFETCH(int, command);
        QFETCH(QString, partNo);
        QFETCH(QString, quantity);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        auto *w = startInv(command);
        QVERIFY(w);
        const QVariant before = h->stock(partNo);
        adjust(w, partNo, quantity);
        QCOMPARE(h->ui.texts(), QStringList{message});
        QCOMPARE(h->ui.shown.first().title, "Partwise");
        QCOMPARE(h->stock(partNo), before);
        QCOMPARE(w->txtPartNo->text(), partNo);
        QCOMPARE(w->txtQuantity->text(), quantity);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        if (focus == "txtPartNo")
            QCOMPARE(w->txtPartNo->selectedText(), partNo);
        else
            QVERIFY(!w->txtQuantity->hasSelectedText());
        QVERIFY(w->StatBarAdd->panel(1)->isHidden());
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
        auto *w = startInv(Subtract);
        QVERIFY(w);
        adjust(w, partNo.toLower(), subtract); // found whatever the letter case
        QCOMPARE(h->ui.texts(), warned ? QStringList{"Reorder Point Reached\r\n" + partNo.toLower()
                                                     + " added to Reorder Report"}
                                       : QStringList{});
        QCOMPARE(h->count("select Bin from Inventory where PartNo = ?", {partNo}), 0); // marks nothing
        QVERIFY(w->txtPartNo->text().isEmpty());
    }

    // Every window keeps the direction it was opened with, whatever windows
    // opened later set.
    void keepsItsDirection()
    {
        auto *adder = startInv(Add);
        QVERIFY(adder);
        auto *remover = h->open<AddDeleteInvWindow>(CommandId::DeleteQuantity);
        auto *partAdder = h->open<AddDeletePartWindow>(CommandId::AddPart);
        auto *partDeleter = h->open<AddDeletePartWindow>(CommandId::DeletePart);
        QVERIFY(remover && partAdder && partDeleter);
        const auto use = [this](ChildWindow *w) { h->main.mdiArea()->setActiveSubWindow(w->subWindow()); };
        use(adder);
        adjust(adder, "R100", "5");
        QCOMPARE(h->stock("R100").toInt(), 105);
        use(partAdder);
        enter(partAdder, Entry{"N1", "1", "New", "1", "1", ""});
        QCOMPARE(h->count("select count(*) from Inventory where PartNo = 'N1'"), 1);

        h->env.app.setAddMode(true);
        use(remover);
        adjust(remover, "R100", "5");
        QCOMPARE(h->stock("R100").toInt(), 100);
        use(partDeleter);
        h->ui.answers << UserInterface::Answer::Yes;
        typeAndEnter(partDeleter->txtPartNo, "N1");
        QCOMPARE(h->ui.texts(), QStringList{"Delete Part No N1\r\nAre you sure?"});
        QCOMPARE(h->count("select count(*) from Inventory where PartNo = 'N1'"), 0);
        QCOMPARE(QStringList({adder->windowTitle(), remover->windowTitle(), partAdder->windowTitle(), partDeleter->windowTitle()}),
                 QStringList({"Add To Inventory", "Subract from Inventory", "Add New Part To Inventory", "Delete Part From Inventory"}));
        QVERIFY(partDeleter->txtQuantity->isHidden() && partAdder->txtQuantity->isVisible());
    }

    void exitCloses()
    {
        auto *w = startInv(Add);
        QVERIFY(w);
        QPointer<QMdiSubWindow> sub = w->subWindow();
        QTest::mouseClick(w->cmdExit, Qt::LeftButton);
        QTRY_VERIFY(sub.isNull());
    }

    // A closed object is no error to this window's trap: Submit goes on.
    void closedConnectionIsNoError()
    {
        auto *w = startInv(Add);
        QVERIFY(w);
        h->env.app.database().close();
        adjust(w, "R100", "5");
        QCOMPARE(h->ui.texts(), QStringList{"Part Number Does Not Exist"});
    }

    // Alone: the top-left corner; else 100 twips per loaded form.
    void placement()
    {
        h = std::make_unique<Harness>();
        QVERIFY(h->ready());
        const QList<CommandId> commands{CommandId::AddPart, CommandId::AddQuantity, CommandId::DeletePart,
                                        CommandId::DeleteQuantity};
        for (int i = 0; i < commands.size(); ++i) {
            h->main.run(commands[i]);
            QMdiSubWindow *sub = h->main.mdiArea()->activeSubWindow();
            QCOMPARE(sub->y(), i == 0 ? 0 : Twips::toPixels(100 * (i + 2), sub));
            if (i == 0)
                QCOMPARE(sub->x(), 0);
        }
    }

    // Part master.

    void added_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<QVariantList>("stored"); // CurrentInv, UnitCost, MinReq
        QTest::newRow("plain") << Entry{"C10U", "25", "Capacitor 10uF", "0.15", "5", "Farnell"} << QVariantList{25, 0.15, 5};
        QTest::newRow("fractions") << Entry{"C22U", "2.5", "Capacitor 22uF", "12.345", "3.5", ""} << QVariantList{2, 12.345, 4};
        QTest::newRow("quotes and statement text")
            << Entry{"O'Brien; DROP TABLE Inventory;--", "1", "It's a \"probe\"; --", "1", "0", "Bob's Parts"}
            << QVariantList{1, 1.0, 0};
        QTest::newRow("non-Latin") << Entry{QString::fromUtf8("Ω-Резистор"), "3", QString::fromUtf8("Конденсатор 10µF 電容"),
                                            "2", "1", QString::fromUtf8("Ünïcode GmbH")} << QVariantList{3, 2.0, 1};
        QTest::newRow("long texts") << Entry{QString(300, 'L'), "-4", QString(2000, 'd'), "1e3", "-2", QString(500, 'v')}
                                    << QVariantList{-4, 1000.0, -2};
    }
    void added()
    {
        QFETCH(Entry, entry);
        QFETCH(QVariantList, stored);
        auto *w = startPart(CommandId::AddPart);
        QVERIFY(w);
        enter(w, entry);
        QCOMPARE(h->ui.texts(), QStringList{});
        // ReorderPoint and Bin as a new row gets them.
        const QVariantList expected = QVariantList{entry.partNo, entry.description} + stored + QVariantList{0, 0};
        QCOMPARE(h->row("select PartNo, Description, CurrentInv, UnitCost, MinReq, ReorderPoint, Bin "
                      "from Inventory where PartNo = ?", {entry.partNo}), expected);
        QCOMPARE(h->count("select count(*) from Inventory"), PartsCount + 1);
        const QVariantList vendor = entry.vendor.isEmpty() ? QVariantList() : QVariantList{entry.vendor, entry.description};
        QCOMPARE(h->row("select Vendor, Description from PreferredVendor where Item = ?", {entry.partNo}), vendor);
        QCOMPARE(h->count("select count(*) from PreferredVendor"), entry.vendor.isEmpty() ? 1 : 2);

        for (QLineEdit *f : {w->txtPartNo, w->txtQuantity, w->txtDescription, w->txtCost, w->txtReorder, w->txtVendor})
            QVERIFY(f->text().isEmpty());
        QVERIFY(w->txtPartNo->hasFocus());
        QVERIFY(w->statbarInfo->isVisible());
        QCOMPARE(w->statbarInfo->count(), 2);
        QCOMPARE(w->statbarInfo->panel(1)->text(), entry.partNo + " Added to Inventory");
        QCOMPARE(w->statbarInfo->panel(2)->text(), "Current Inventory " + stored[0].toString());
        for (int i = 1; i <= 2; ++i)
            QCOMPARE(w->statbarInfo->panel(i)->width(), w->statbarInfo->width() / 2);

        // The stock window finds the new part exactly as typed.
        auto *inv = h->open<AddDeleteInvWindow>(CommandId::AddQuantity);
        QVERIFY(inv);
        typeAndEnter(inv->txtPartNo, entry.partNo);
        typeAndEnter(inv->txtQuantity, "10");
        QCOMPARE(h->ui.texts(), QStringList{});
        QCOMPARE(h->stock(entry.partNo).toInt(), stored[0].toInt() + 10);
    }

    // Checks run in the order of the fields; only the first failure is told.
    void partRefused_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("empty part number") << Entry{"", "", "", "", "", ""} << "Enter a Part Number" << "txtPartNo";
        QTest::newRow("blank part number") << Entry{"  ", "1", "d", "1", "1", ""} << "Enter a Part Number" << "txtPartNo";
        QTest::newRow("empty quantity") << Entry{"N1", "", "", "x", "", ""} << "Quantity must be a number" << "txtQuantity";
        QTest::newRow("empty cost") << Entry{"N1", "1", "d", "", "", ""} << "Cost must be a number" << "txtCost";
        QTest::newRow("letters for reorder point") << Entry{"N1", "1", "d", "1", "some", ""} << "Reorder Point must be a number" << "txtReorder";
        QTest::newRow("duplicate before description") << Entry{"r100", "1", "", "1", "1", ""} << "Part No. r100 already in inventory." << "txtPartNo";
        QTest::newRow("empty description") << Entry{"N1", "1", "", "1", "1", "V"} << "You must enter a Description" << "txtVendor";
        QTest::newRow("quantity too large") << Entry{"N1", "32768", "d", "1", "1", ""} << Overflow << "txtVendor";
        QTest::newRow("cost too large") << Entry{"N1", "1", "d", "1e400", "x", ""} << Overflow << "txtVendor";
        QTest::newRow("reorder point too small") << Entry{"N1", "1", "d", "1", "-40000", ""} << Overflow << "txtVendor";
    }
    void partRefused()
    {
        QFETCH(Entry, entry);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        auto *w = startPart(CommandId::AddPart);
        QVERIFY(w);
        w->txtPartNo->setText(entry.partNo);
        w->txtQuantity->setText(entry.quantity);
        w->txtDescription->setText(entry.description);
        w->txtCost->setText(entry.cost);
        w->txtReorder->setText(entry.reorder);
        typeAndEnter(w->txtVendor, entry.vendor);
        const bool duplicate = message.startsWith("Part No.");
        QCOMPARE(h->ui.texts(), QStringList{message});
        QCOMPARE(h->ui.shown.first().icon, duplicate ? UserInterface::Icon::Critical : UserInterface::Icon::None);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        if (duplicate)
            QCOMPARE(w->txtPartNo->selectedText(), entry.partNo);
        QCOMPARE(h->count("select count(*) from Inventory"), PartsCount);
        QCOMPARE(h->count("select count(*) from PreferredVendor"), 1);
        QCOMPARE(w->txtPartNo->text(), entry.partNo);
        QCOMPARE(w->txtDescription->text(), entry.description);
        QVERIFY(!w->statbarInfo->isVisible());
    }

    // The part and its vendor are stored together or not at all, and a
    // failure is always told.
    void failedAddWritesNothing_data()
    {
        QTest::addColumn<QString>("table");
        QTest::newRow("vendor row refused") << "PreferredVendor";
        QTest::newRow("part row refused") << "Inventory";
    }
    void failedAddWritesNothing()
    {
        QFETCH(QString, table);
        auto *w = startPart(CommandId::AddPart);
        QVERIFY(w);
        QVERIFY(h->env.exec("CREATE TRIGGER refuse BEFORE INSERT ON " + table
                            + " BEGIN SELECT RAISE(ABORT, 'row refused'); END"));
        enter(w, Entry{"N1", "1", "New part", "1", "1", "Vendor"});
        QCOMPARE(h->ui.shown.size(), 1);
        QVERIFY2(h->ui.lastText().startsWith("Error No ") && h->ui.lastText().endsWith("row refused has occured."),
                 qPrintable(h->ui.lastText()));
        QCOMPARE(h->count("select count(*) from Inventory"), PartsCount);
        QCOMPARE(h->count("select count(*) from PreferredVendor"), 1);
        QCOMPARE(w->txtPartNo->text(), "N1");
        QVERIFY(!w->statbarInfo->isVisible());
        // Nothing is left half-done: the next try goes through.
        QVERIFY(h->env.exec("DROP TRIGGER refuse"));
        typeAndEnter(w->txtVendor, "Vendor");
        QCOMPARE(h->ui.shown.size(), 1);
        QCOMPARE(h->count("select count(*) from Inventory"), PartsCount + 1);
        QCOMPARE(h->count("select count(*) from PreferredVendor"), 2);
    }

    // Only a part that is there is offered for deleting; its vendor and BOM
    // rows stay.
    void deleted_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("shown");
        const QStringList question{"Delete Part No R100\r\nAre you sure?"};
        QTest::newRow("yes") << "R100" << true << question;
        QTest::newRow("yes, other letter case") << "r100" << true << QStringList{"Delete Part No r100\r\nAre you sure?"};
        QTest::newRow("no") << "R100" << false << question;
        QTest::newRow("unknown part") << "R1000" << true << QStringList{"Part Number Does Not Exist"};
    }
    void deleted()
    {
        QFETCH(QString, partNo);
        QFETCH(bool, yes);
        QFETCH(QStringList, shown);
        auto *w = startPart(CommandId::DeletePart);
        QVERIFY(w);
        w->txtVendor->setText("kept");
        const QSize field = w->txtPartNo->size();
        h->ui.answers << (yes ? UserInterface::Answer::Yes : UserInterface::Answer::No);
        typeAndEnter(w->txtPartNo, partNo); // Enter deletes at once
        QCOMPARE(h->ui.texts(), shown);
        QCOMPARE(h->ui.shown.first().buttons, shown == QStringList{"Part Number Does Not Exist"}
                                                  ? UserInterface::Buttons::Ok : UserInterface::Buttons::YesNo);
        const bool gone = yes && shown.first().startsWith("Delete");
        QCOMPARE(h->count("select count(*) from Inventory"), gone ? PartsCount - 1 : PartsCount);
        QCOMPARE(h->count("select count(*) from PreferredVendor"), 1);
        QCOMPARE(h->count("select count(*) from BoardBOM where PartNo = 'R100'"), 1);
        QCOMPARE(w->txtPartNo->text(), gone ? QString() : partNo);
        QCOMPARE(w->txtVendor->text(), "kept");
        QCOMPARE(w->statbarInfo->isVisible(), gone);
        QCOMPARE(w->txtPartNo->size(), field); // the status bar had its room already
        QVERIFY(w->txtPartNo->hasFocus());
        if (gone) {
            QCOMPARE(w->statbarInfo->count(), 1);
            QCOMPARE(w->statbarInfo->panel(1)->text(), partNo + " Deleted From Inventory");
            QCOMPARE(w->statbarInfo->panel(1)->width(), w->statbarInfo->width() / 2);
        } else if (!yes) {
            QVERIFY(!w->txtPartNo->hasSelectedText());
        } else {
            QCOMPARE(w->txtPartNo->selectedText(), partNo);
        }
    }

    // Enter in the reorder point runs Submit when the vendor field is hidden.
    void enterWithoutVendorField()
    {
        auto *w = startPart(CommandId::AddPart);
        QVERIFY(w);
        w->txtVendor->hide();
        w->txtVendor->setText("not used");
        w->txtPartNo->setText("N1");
        w->txtQuantity->setText("1");
        w->txtDescription->setText("New");
        w->txtCost->setText("1");
        typeAndEnter(w->txtReorder, "1");
        QCOMPARE(h->ui.texts(), QStringList{});
        QCOMPARE(h->count("select count(*) from Inventory where PartNo = 'N1'"), 1);
        QVERIFY(w->txtPartNo->hasFocus());
    }
};

QTEST_MAIN(TestStockWindows)
#include "tst_stockwindows.moc"
