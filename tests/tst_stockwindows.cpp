// The stock adjustment and part master windows, driven inside a main window
// as the user drives them: keys, Enter chains, scripted message answers.
#include "ui/entryfields.h"
#include "ui/twips.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "ui/panelbar.h"
#include "windowharness.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {

const QString Parts = QStringLiteral(
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint) VALUES ('R100', 'Resistor 100R', "
    "100, 0.02, 50), ('NOREORDER', 'No reorder point', 10, 1, NULL), ('NOSTOCK', 'Never counted', NULL, 1, 0),"
    "('BIG', 'Nearly full', 32760, 1, 0), ('LOW', 'Nearly empty', -32760, 1, 0), ('5'' CABLE', 'Cable', 5, 1, 0);"
    "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES ('R100', 'RS', 'Resistor 100R');"
    "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES ('AMP', 'Amplifier', 'R100', 2);");
const int PartsCount = 6;
const int Add = int(CommandId::AddQuantity), Subtract = int(CommandId::DeleteQuantity);
const QString Overflow = "Error No 6\r\nOverflow has occured.";

struct Entry
{
    QString partNo, quantity, description, cost, reorder, vendor;
};

// Types over a field's text and presses Enter there.
void typeAndEnter(QLineEdit *field, const QString &text)
{
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    for (const QChar c : text) // any letter, also those QTest has no key for
        QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
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
    for (const auto &[field, text] : chain) {
        QVERIFY(field->hasFocus());
        QCOMPARE(field->palette().color(QPalette::Base), EntryFields::highlightColor());
        typeAndEnter(field, text);
    }
}

// The texts of the panels shown; each must take half the bar.
QStringList panels(const PanelBar *bar)
{
    QStringList texts;
    for (int i = 1; i <= bar->count(); ++i)
        if (bar->panel(i)->isVisible())
            texts << bar->panel(i)->text() + (bar->panel(i)->width() == bar->width() / 2 ? "" : " (not half)");
    return texts;
}

} // namespace

Q_DECLARE_METATYPE(Entry)

class TestStockWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    template <class W> W *start(int command)
    {
        h = std::make_unique<Harness>(Parts);
        return h->open<W>(CommandId(command));
    }
    QVariant stock(const QString &partNo)
    {
        return h->env.scalar("select CurrentInv from Inventory where PartNo = ?", {partNo});
    }
    int count(const QString &sql, const QVariantList &values = {}) { return h->env.scalar(sql, values).toInt(); }

private slots:
    void cleanup() { h.reset(); }

    // Four windows open at once, each below the last; each keeps the job it
    // was opened for, whatever the windows opened later set.
    void fourWindows()
    {
        h = std::make_unique<Harness>(Parts);
        QVERIFY(h->ready());
        const QStringList captions{"Add To Inventory", "Subract from Inventory", "Add New Part To Inventory",
                                   "Delete Part From Inventory"};
        const QList<int> visibleFields{2, 2, 6, 1};
        QList<ChildWindow *> w;
        for (int i = 0; i < 4; ++i) {
            if (i < 2)
                h->main.runToolButton(i == 0 ? "Add" : "Subtract");
            else
                h->main.run(i == 2 ? CommandId::AddPart : CommandId::DeletePart);
            w << qobject_cast<ChildWindow *>(h->main.activeChild());
            QCOMPARE(w[i]->windowTitle(), captions[i]);
            QCOMPARE(w[i]->frameWidget()->y(), i == 0 ? 0 : Twips::toPixels(100 * (i + 2), w[i]));
            QVERIFY(i > 0 || w[i]->frameWidget()->x() == 0);
            QCOMPARE(QApplication::focusWidget()->objectName(), "txtPartNo");
            QCOMPARE(QApplication::focusWidget()->palette().color(QPalette::Base), EntryFields::highlightColor());
            const QList<QLineEdit *> fields = w[i]->findChildren<QLineEdit *>();
            QCOMPARE(std::count_if(fields.begin(), fields.end(), [](QLineEdit *f) { return f->isVisible(); }),
                     visibleFields[i]);
            QCOMPARE(panels(w[i]->findChild<PanelBar *>()), QStringList());
        }
        auto *adder = qobject_cast<AddDeleteInvWindow *>(w[0]), *remover = qobject_cast<AddDeleteInvWindow *>(w[1]);
        auto *partAdder = qobject_cast<AddDeletePartWindow *>(w[2]);
        auto *partDeleter = qobject_cast<AddDeletePartWindow *>(w[3]);
        QVERIFY(adder && remover && partAdder && partDeleter);
        adjust(adder, "R100", "5");
        QCOMPARE(stock("R100").toInt(), 105);
        h->main.mdiArea()->setActiveSubWindow(partAdder->subWindow());
        enter(partAdder, Entry{"N1", "1", "New", "1", "1", ""});
        QCOMPARE(count("select count(*) from Inventory where PartNo = 'N1'"), 1);
        adjust(remover, "R100", "5");
        QCOMPARE(stock("R100").toInt(), 100);
        h->ui.answers << UserInterface::Answer::Yes;
        typeAndEnter(partDeleter->txtPartNo, "N1");
        QCOMPARE(h->ui.texts(), QStringList{"Delete Part No N1\r\nAre you sure?"});
        QCOMPARE(count("select count(*) from Inventory where PartNo = 'N1'"), 0);
        QPointer<QWidget> sub = adder->subWindow();
        QTest::mouseClick(adder->cmdExit, Qt::LeftButton);
        QTRY_VERIFY(sub.isNull());
    }

    // Submit in a stock window over R100 (100 in stock, reorder point 50):
    // accepted when no field is named for the focus.
    void adjustStock_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<int>("after");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const QString reorder = "Reorder Point Reached\r\n%1 added to Reorder Report", number = "Quantity must be a number";
        const QString noPart = "Part Number Does Not Exist", noStock = "Error No 94\r\nInvalid use of Null has occured.";
        QTest::newRow("add 5") << Add << "R100" << "5" << 105 << "" << "";
        QTest::newRow("apostrophe") << Add << "5' CABLE" << "2" << 7 << "" << "";
        QTest::newRow("2.5 counts 2") << Add << "R100" << "2.5" << 102 << "" << "";
        QTest::newRow("1,000 counts 1") << Add << "R100" << "1,000" << 101 << "" << "";
        QTest::newRow("-5 in add mode subtracts") << Add << "R100" << "-5" << 95 << "" << "";
        QTest::newRow("-5 in subtract mode adds") << Subtract << "R100" << "-5" << 105 << "" << "";
        QTest::newRow("below zero is stored") << Subtract << "R100" << "150" << -50 << reorder.arg("R100") << "";
        QTest::newRow("above the reorder point") << Subtract << "r100" << "49" << 51 << "" << "";
        QTest::newRow("at the reorder point") << Subtract << "r100" << "50" << 50 << "" << "";
        QTest::newRow("below the reorder point") << Subtract << "r100" << "51" << 49 << reorder.arg("r100") << "";
        QTest::newRow("letters") << Add << "R100" << "abc" << 0 << number << "txtQuantity";
        QTest::newRow("unknown part, bad quantity") << Add << "NOPE" << "x" << 0 << number << "txtQuantity";
        QTest::newRow("unknown part") << Add << "NOPE" << "5" << 0 << noPart << "txtPartNo";
        // A closed object is no error to this window's trap: Submit goes on.
        QTest::newRow("closed connection") << Add << "R100" << "5" << 0 << noPart << "txtPartNo";
        QTest::newRow("quantity above 32767") << Add << "R100" << "40000" << 0 << Overflow << "txtQuantity";
        QTest::newRow("quantity beyond any number") << Add << "R100" << "1e400" << 0 << Overflow << "txtQuantity";
        QTest::newRow("sum above 32767") << Add << "BIG" << "10" << 0 << Overflow << "txtQuantity";
        QTest::newRow("stock never counted") << Add << "NOSTOCK" << "1" << 0 << noStock << "txtQuantity";
    }
    void adjustStock()
    {
        QFETCH(int, command);
        QFETCH(QString, partNo);
        QFETCH(QString, quantity);
        QFETCH(int, after);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        auto *w = start<AddDeleteInvWindow>(command);
        QVERIFY(w);
        if (QByteArray(QTest::currentDataTag()) == "closed connection")
            h->env.app.database().close();
        const QVariant before = stock(partNo);
        adjust(w, partNo, quantity);
        QCOMPARE(h->ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (focus.isEmpty()) {
            QCOMPARE(stock(partNo).toInt(), after);
            QCOMPARE(count("select Bin from Inventory where PartNo = ?", {partNo}), 0); // a warning marks nothing
            QVERIFY(w->txtPartNo->text().isEmpty() && w->txtQuantity->text().isEmpty() && w->txtPartNo->hasFocus());
            QCOMPARE(panels(w->StatBarAdd),
                     QStringList({partNo + " Inventory Updated", "Current Inventory " + QString::number(after)}));
            return;
        }
        QCOMPARE(stock(partNo), before);
        QCOMPARE(QStringList({w->txtPartNo->text(), w->txtQuantity->text()}), QStringList({partNo, quantity}));
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(w->txtPartNo->selectedText(), focus == "txtPartNo" ? partNo : "");
        QVERIFY(!w->txtQuantity->hasSelectedText());
        QCOMPARE(panels(w->StatBarAdd), QStringList());
    }

    // Submit in the add-part window after the whole Enter chain. Checks run
    // in the order of the fields; only the first failure is told.
    void addPart_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<QVariantList>("stored"); // CurrentInv, UnitCost, MinReq
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        const QVariantList none;
        const QString number = "Quantity must be a number";
        QTest::newRow("plain") << Entry{"C10U", "25", "Capacitor 10uF", "0.15", "5", "Farnell"}
                               << QVariantList{25, 0.15, 5} << "" << "";
        QTest::newRow("fractions") << Entry{"C22U", "2.5", "Capacitor 22uF", "12.345", "3.5", ""}
                                   << QVariantList{2, 12.345, 4} << "" << "";
        QTest::newRow("quotes and statement text")
            << Entry{"O'Brien; DROP TABLE Inventory;--", "1", "It's a \"probe\"; --", "1", "0", "Bob's Parts"}
            << QVariantList{1, 1.0, 0} << "" << "";
        QTest::newRow("non-Latin") << Entry{QString::fromUtf8("Ω-Резистор"), "3", QString::fromUtf8("Конденсатор 10µF 電容"),
                                            "2", "1", QString::fromUtf8("Ünïcode GmbH")}
                                   << QVariantList{3, 2.0, 1} << "" << "";
        QTest::newRow("long texts") << Entry{QString(300, 'L'), "-4", QString(2000, 'd'), "1e3", "-2", QString(500, 'v')}
                                    << QVariantList{-4, 1000.0, -2} << "" << "";
        const QString vendor = "txtVendor";
        QTest::newRow("blank part number") << Entry{"  ", "", "", "", "", ""} << none << "Enter a Part Number" << "txtPartNo";
        QTest::newRow("empty quantity") << Entry{"N1", "", "", "x", "", ""} << none << number << "txtQuantity";
        QTest::newRow("empty cost") << Entry{"N1", "1", "d", "", "", ""} << none << "Cost must be a number" << "txtCost";
        QTest::newRow("letters for reorder point")
            << Entry{"N1", "1", "d", "1", "some", ""} << none << "Reorder Point must be a number" << "txtReorder";
        QTest::newRow("duplicate before description")
            << Entry{"r100", "1", "", "1", "1", ""} << none << "Part No. r100 already in inventory." << "txtPartNo";
        QTest::newRow("empty description")
            << Entry{"N1", "1", "", "1", "1", "V"} << none << "You must enter a Description" << vendor;
        QTest::newRow("quantity too large") << Entry{"N1", "32768", "d", "1", "1", ""} << none << Overflow << vendor;
        QTest::newRow("cost too large") << Entry{"N1", "1", "d", "1e400", "x", ""} << none << Overflow << vendor;
        QTest::newRow("reorder point too small") << Entry{"N1", "1", "d", "1", "-40000", ""} << none << Overflow << vendor;
        // The part and its vendor are stored together or not at all.
        const Entry good{"N1", "1", "New part", "1", "1", "Vendor"};
        const QString refused = "row refused"; // as the engine words it
        QTest::newRow("vendor row refused") << good << none << refused << vendor;
        QTest::newRow("part row refused") << good << none << refused << vendor;
    }
    void addPart()
    {
        QFETCH(Entry, entry);
        QFETCH(QVariantList, stored);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        auto *w = start<AddDeletePartWindow>(int(CommandId::AddPart));
        QVERIFY(w);
        const QByteArray tag = QTest::currentDataTag();
        const bool refuse = tag.endsWith("row refused");
        const QString refusing = tag.startsWith("part") ? "Inventory" : "PreferredVendor";
        if (refuse) {
            QVERIFY(h->env.refuseInserts(refusing));
            message = h->env.refusedMessage();
        }
        enter(w, entry);
        QCOMPARE(h->ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!focus.isEmpty()) {
            const bool duplicate = message.startsWith("Part No.");
            QCOMPARE(h->ui.shown.first().icon, duplicate ? UserInterface::Icon::Critical : UserInterface::Icon::None);
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
            if (duplicate)
                QCOMPARE(w->txtPartNo->selectedText(), entry.partNo);
            QCOMPARE(count("select count(*) from Inventory"), PartsCount);
            QCOMPARE(count("select count(*) from PreferredVendor"), 1);
            QCOMPARE(QStringList({w->txtPartNo->text(), w->txtDescription->text()}),
                     QStringList({entry.partNo, entry.description}));
            QCOMPARE(panels(w->statbarInfo), QStringList());
            if (refuse) { // nothing is left half-done: the next try goes through
                QVERIFY(h->env.allowInserts(refusing));
                w->txtVendor->hide(); // Enter in the reorder point then submits
                typeAndEnter(w->txtReorder, "1");
                QCOMPARE(h->ui.shown.size(), 1);
                QCOMPARE(count("select count(*) from Inventory"), PartsCount + 1);
                QCOMPARE(count("select count(*) from PreferredVendor"), 2);
                QVERIFY(w->txtPartNo->hasFocus());
            }
            return;
        }
        // Stored exactly as typed; ReorderPoint and Bin as a new row gets them.
        auto texts = [](const QVariantList &values) {
            QStringList out;
            for (const QVariant &v : values)
                out << v.toString();
            return out;
        };
        QCOMPARE(texts(h->env.row("select PartNo, Description, CurrentInv, UnitCost, MinReq, ReorderPoint, Bin "
                                  "from Inventory where PartNo = ?", {entry.partNo})),
                 texts(QVariantList({entry.partNo, entry.description}) + stored + QVariantList{0, 0}));
        QCOMPARE(count("select count(*) from Inventory"), PartsCount + 1);
        const QStringList vendorRow = entry.vendor.isEmpty()
                                          ? QStringList()
                                          : QStringList{entry.partNo, entry.vendor, entry.description};
        QCOMPARE(texts(h->env.row("select Item, Vendor, Description from PreferredVendor where Item = ?",
                                  {entry.partNo})),
                 vendorRow);
        QCOMPARE(count("select count(*) from PreferredVendor"), entry.vendor.isEmpty() ? 1 : 2);
        for (QLineEdit *f : {w->txtPartNo, w->txtQuantity, w->txtDescription, w->txtCost, w->txtReorder, w->txtVendor})
            QVERIFY(f->text().isEmpty());
        QVERIFY(w->txtPartNo->hasFocus());
        QCOMPARE(panels(w->statbarInfo),
                 QStringList({entry.partNo + " Added to Inventory", "Current Inventory " + stored[0].toString()}));
    }

    // Enter in the part number deletes at once, and only a part that is there
    // is offered for deleting; its vendor and BOM rows stay.
    void deletePart_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("yes") << "R100" << true << "Delete Part No R100\r\nAre you sure?";
        QTest::newRow("yes, other letter case") << "r100" << true << "Delete Part No r100\r\nAre you sure?";
        QTest::newRow("no") << "R100" << false << "Delete Part No R100\r\nAre you sure?";
        QTest::newRow("unknown part") << "R1000" << true << "Part Number Does Not Exist";
    }
    void deletePart()
    {
        QFETCH(QString, partNo);
        QFETCH(bool, yes);
        QFETCH(QString, shown);
        auto *w = start<AddDeletePartWindow>(int(CommandId::DeletePart));
        QVERIFY(w);
        const QSize field = w->txtPartNo->size();
        h->ui.answers << (yes ? UserInterface::Answer::Yes : UserInterface::Answer::No);
        typeAndEnter(w->txtPartNo, partNo);
        QCOMPARE(h->ui.texts(), QStringList{shown});
        const bool asked = shown.startsWith("Delete"), gone = yes && asked;
        QCOMPARE(h->ui.shown.first().buttons, asked ? UserInterface::Buttons::YesNo : UserInterface::Buttons::Ok);
        QCOMPARE(count("select count(*) from Inventory"), gone ? PartsCount - 1 : PartsCount);
        QCOMPARE(count("select count(*) from PreferredVendor"), 1);
        QCOMPARE(count("select count(*) from BoardBOM where PartNo = 'R100'"), 1);
        QCOMPARE(w->txtPartNo->text(), gone ? QString() : partNo);
        QCOMPARE(panels(w->statbarInfo), gone ? QStringList{partNo + " Deleted From Inventory"} : QStringList());
        QCOMPARE(w->txtPartNo->size(), field); // the status bar had its room already
        QVERIFY(w->txtPartNo->hasFocus());
        QCOMPARE(w->txtPartNo->selectedText(), yes && !asked ? partNo : "");
    }
};

QTEST_MAIN(TestStockWindows)
#include "tst_stockwindows.moc"
