// The part master window: adding parts to the catalogue and deleting them.
#include "app/entryfields.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "stock/panelbar.h"
#include "stockharness.h"

#include <QLabel>
#include <QPushButton>
#include <memory>

namespace {

const char *const Parts =
    "INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, ReorderPoint) VALUES "
    "('R100', 'Resistor 100R', 100, 0.02, 50);"
    "INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES ('R100', 'RS', 'Resistor 100R');"
    "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES ('AMP', 'Amplifier', 'R100', 2);";

struct Entry
{
    QString partNo, quantity, description, cost, reorder, vendor;
};

} // namespace

Q_DECLARE_METATYPE(Entry)

class TestPartMaster : public QObject
{
    Q_OBJECT

    std::unique_ptr<StockHarness> h;

    AddDeletePartWindow *start(CommandId id)
    {
        h = std::make_unique<StockHarness>(QString::fromLatin1(Parts));
        if (!h->ready())
            return nullptr;
        return h->open<AddDeletePartWindow>(id);
    }
    // Walks the whole Enter chain of an add window; the field with the focus
    // is the highlighted one.
    static void enter(AddDeletePartWindow *w, const Entry &e)
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
    int count(const QString &sql, const QVariantList &values = {})
    {
        return h->env.scalar(sql, values).toInt();
    }

private slots:
    void cleanup()
    {
        const int busyMessages = h ? h->ui.shownWhileBusy : 0;
        h.reset();
        QCOMPARE(busyMessages, 0);
    }

    void opensForItsJob_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("details");
        QTest::newRow("add") << int(CommandId::AddPart) << "Add New Part To Inventory" << true;
        QTest::newRow("delete") << int(CommandId::DeletePart) << "Delete Part From Inventory" << false;
    }
    void opensForItsJob()
    {
        QFETCH(int, command);
        QFETCH(QString, caption);
        QFETCH(bool, details);
        auto *w = start(CommandId(command));
        QVERIFY(w);
        QCOMPARE(w->objectName(), "frmAddDeletePart");
        QCOMPARE(w->windowTitle(), caption);
        QVERIFY(w->txtPartNo->hasFocus());
        QVERIFY(w->txtPartNo->isVisible() && w->cmdUpdate->isVisible() && w->cmdExit->isVisible());
        for (QWidget *f : {static_cast<QWidget *>(w->txtQuantity), static_cast<QWidget *>(w->lblVendor),
                           static_cast<QWidget *>(w->txtDescription), static_cast<QWidget *>(w->txtCost),
                           static_cast<QWidget *>(w->txtReorder), static_cast<QWidget *>(w->txtVendor)})
            QCOMPARE(f->isVisible(), details);
        QVERIFY(!w->statbarInfo->isVisible());
    }

    void added_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<int>("stock");
        QTest::addColumn<double>("cost");
        QTest::addColumn<int>("minReq");
        QTest::newRow("plain") << Entry{"C10U", "25", "Capacitor 10uF", "0.15", "5", "Farnell"} << 25 << 0.15 << 5;
        QTest::newRow("fractions") << Entry{"C22U", "2.5", "Capacitor 22uF", "12.345", "3.5", ""} << 2 << 12.345 << 4;
        QTest::newRow("quotes and statement text")
            << Entry{"O'Brien; DROP TABLE Inventory;--", "1", "It's a \"probe\"; --", "1", "0", "Bob's Parts"} << 1 << 1.0 << 0;
        QTest::newRow("non-Latin") << Entry{QString::fromUtf8("Ω-Резистор"), "3", QString::fromUtf8("Конденсатор 10µF 電容"),
                                            "2", "1", QString::fromUtf8("Ünïcode GmbH")} << 3 << 2.0 << 1;
        QTest::newRow("long texts") << Entry{QString(300, 'L'), "-4", QString(2000, 'd'), "1e3", "-2", QString(500, 'v')}
                                    << -4 << 1000.0 << -2;
    }
    void added()
    {
        QFETCH(Entry, entry);
        QFETCH(int, stock);
        QFETCH(double, cost);
        QFETCH(int, minReq);
        auto *w = start(CommandId::AddPart);
        QVERIFY(w);
        enter(w, entry);
        QCOMPARE(h->ui.texts(), QStringList{});
        const QString row = "select %1 from Inventory where PartNo = ?";
        QCOMPARE(h->env.scalar(row.arg("PartNo"), {entry.partNo}).toString(), entry.partNo);
        QCOMPARE(h->env.scalar(row.arg("CurrentInv"), {entry.partNo}).toInt(), stock);
        QCOMPARE(h->env.scalar(row.arg("Description"), {entry.partNo}).toString(), entry.description);
        QCOMPARE(h->env.scalar(row.arg("UnitCost"), {entry.partNo}).toDouble(), cost);
        QCOMPARE(h->env.scalar(row.arg("MinReq"), {entry.partNo}).toInt(), minReq);
        QCOMPARE(h->env.scalar(row.arg("ReorderPoint"), {entry.partNo}).toInt(), 0);
        QCOMPARE(h->env.scalar(row.arg("Bin"), {entry.partNo}).toInt(), 0);
        QCOMPARE(count("select count(*) from Inventory"), 2);
        if (entry.vendor.isEmpty()) {
            QCOMPARE(count("select count(*) from PreferredVendor where Item = ?", {entry.partNo}), 0);
        } else {
            QCOMPARE(count("select count(*) from PreferredVendor where Item = ? and Vendor = ? and Description = ?",
                           {entry.partNo, entry.vendor, entry.description}), 1);
        }
        QCOMPARE(count("select count(*) from PreferredVendor"), entry.vendor.isEmpty() ? 1 : 2);

        for (QLineEdit *f : {w->txtPartNo, w->txtQuantity, w->txtDescription, w->txtCost, w->txtReorder, w->txtVendor})
            QVERIFY(f->text().isEmpty());
        QVERIFY(w->txtPartNo->hasFocus());
        QVERIFY(w->statbarInfo->isVisible());
        QCOMPARE(w->statbarInfo->count(), 2);
        QCOMPARE(w->statbarInfo->panel(1)->text(), entry.partNo + " Added to Inventory");
        QCOMPARE(w->statbarInfo->panel(2)->text(), "Current Inventory " + QString::number(stock));
        for (int i = 1; i <= 2; ++i)
            QCOMPARE(w->statbarInfo->panel(i)->width(), w->statbarInfo->width() / 2);

        // The new part is found by the stock window exactly as typed.
        auto *inv = h->open<AddDeleteInvWindow>(CommandId::AddQuantity);
        QVERIFY(inv);
        typeAndEnter(inv->txtPartNo, entry.partNo);
        typeAndEnter(inv->txtQuantity, "10");
        QCOMPARE(h->ui.texts(), QStringList{});
        QCOMPARE(h->stock(entry.partNo).toInt(), stock + 10);
    }

    // Checks run in the order of the fields; only the first failure is told.
    void refused_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("empty part number") << Entry{"", "", "", "", "", ""} << "Enter a Part Number" << "txtPartNo";
        QTest::newRow("blank part number") << Entry{"  ", "1", "d", "1", "1", ""} << "Enter a Part Number" << "txtPartNo";
        QTest::newRow("empty quantity") << Entry{"N1", "", "", "x", "", ""} << "Quantity must be a number" << "txtQuantity";
        QTest::newRow("letters for quantity") << Entry{"N1", "ten", "d", "1", "1", ""} << "Quantity must be a number" << "txtQuantity";
        QTest::newRow("empty cost") << Entry{"N1", "1", "d", "", "", ""} << "Cost must be a number" << "txtCost";
        QTest::newRow("letters for reorder point") << Entry{"N1", "1", "d", "1", "some", ""} << "Reorder Point must be a number" << "txtReorder";
        QTest::newRow("duplicate before description") << Entry{"r100", "1", "", "1", "1", ""} << "Part No. r100 already in inventory." << "txtPartNo";
        QTest::newRow("empty description") << Entry{"N1", "1", "", "1", "1", "V"} << "You must enter a Description" << "txtVendor";
        QTest::newRow("quantity too large") << Entry{"N1", "32768", "d", "1", "1", ""} << "Error No 6\r\nOverflow has occured." << "txtVendor";
        QTest::newRow("cost too large") << Entry{"N1", "1", "d", "1e400", "x", ""} << "Error No 6\r\nOverflow has occured." << "txtVendor";
        QTest::newRow("quantity beyond any number") << Entry{"N1", "-1D999", "d", "1", "1", ""} << "Error No 6\r\nOverflow has occured." << "txtVendor";
        QTest::newRow("reorder point too small") << Entry{"N1", "1", "d", "1", "-40000", ""} << "Error No 6\r\nOverflow has occured." << "txtVendor";
    }
    void refused()
    {
        QFETCH(Entry, entry);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        auto *w = start(CommandId::AddPart);
        QVERIFY(w);
        w->txtPartNo->setText(entry.partNo);
        w->txtQuantity->setText(entry.quantity);
        w->txtDescription->setText(entry.description);
        w->txtCost->setText(entry.cost);
        w->txtReorder->setText(entry.reorder);
        typeAndEnter(w->txtVendor, entry.vendor);
        QCOMPARE(h->ui.texts(), QStringList{message});
        QCOMPARE(h->ui.shown.first().icon, message.startsWith("Part No.") ? UserInterface::Icon::Critical
                                                                         : UserInterface::Icon::None);
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        if (message.startsWith("Part No."))
            QCOMPARE(w->txtPartNo->selectedText(), entry.partNo);
        QCOMPARE(count("select count(*) from Inventory"), 1);
        QCOMPARE(count("select count(*) from PreferredVendor"), 1);
        QCOMPARE(w->txtPartNo->text(), entry.partNo);
        QCOMPARE(w->txtDescription->text(), entry.description);
        QVERIFY(!w->statbarInfo->isVisible());
    }

    // The part and its vendor are stored together or not at all, and a
    // failure is always told.
    void failedAddWritesNothing_data()
    {
        QTest::addColumn<QString>("trigger");
        QTest::newRow("vendor row refused")
            << "CREATE TRIGGER refuse BEFORE INSERT ON PreferredVendor BEGIN SELECT RAISE(ABORT, 'vendor refused'); END";
        QTest::newRow("part row refused")
            << "CREATE TRIGGER refuse BEFORE INSERT ON Inventory BEGIN SELECT RAISE(ABORT, 'part refused'); END";
    }
    void failedAddWritesNothing()
    {
        QFETCH(QString, trigger);
        auto *w = start(CommandId::AddPart);
        QVERIFY(w);
        QVERIFY(h->env.exec(trigger));
        enter(w, Entry{"N1", "1", "New part", "1", "1", "Vendor"});
        QCOMPARE(h->ui.shown.size(), 1);
        QVERIFY2(h->ui.lastText().startsWith("Error No "), qPrintable(h->ui.lastText()));
        QVERIFY(h->ui.lastText().endsWith(" refused has occured."));
        QCOMPARE(count("select count(*) from Inventory"), 1);
        QCOMPARE(count("select count(*) from PreferredVendor"), 1);
        QCOMPARE(w->txtPartNo->text(), "N1");
        QVERIFY(!w->statbarInfo->isVisible());
        // Nothing is left half-done: the next add goes through.
        QVERIFY(h->env.exec("DROP TRIGGER refuse"));
        typeAndEnter(w->txtVendor, "Vendor");
        QCOMPARE(h->ui.shown.size(), 1);
        QCOMPARE(count("select count(*) from Inventory"), 2);
        QCOMPARE(count("select count(*) from PreferredVendor"), 2);
    }

    void deleted_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << "R100" << int(UserInterface::Answer::Yes);
        QTest::newRow("yes, other letter case") << "r100" << int(UserInterface::Answer::Yes);
        QTest::newRow("no") << "R100" << int(UserInterface::Answer::No);
    }
    void deleted()
    {
        QFETCH(QString, partNo);
        QFETCH(int, answer);
        auto *w = start(CommandId::DeletePart);
        QVERIFY(w);
        w->txtVendor->setText("kept");
        const QSize field = w->txtPartNo->size();
        h->ui.answers << UserInterface::Answer(answer);
        typeAndEnter(w->txtPartNo, partNo); // Enter deletes at once
        QCOMPARE(h->ui.shown.size(), 1);
        QCOMPARE(h->ui.shown.first().text, "Delete Part No " + partNo + "\r\nAre you sure?");
        QCOMPARE(h->ui.shown.first().title, "Partwise");
        QCOMPARE(h->ui.shown.first().buttons, UserInterface::Buttons::YesNo);
        const bool yes = UserInterface::Answer(answer) == UserInterface::Answer::Yes;
        QCOMPARE(count("select count(*) from Inventory"), yes ? 0 : 1);
        // Vendor and BOM rows stay.
        QCOMPARE(count("select count(*) from PreferredVendor"), 1);
        QCOMPARE(count("select count(*) from BoardBOM where PartNo = 'R100'"), 1);
        QCOMPARE(w->txtPartNo->text(), yes ? QString() : partNo);
        QCOMPARE(w->txtVendor->text(), "kept");
        QCOMPARE(w->statbarInfo->isVisible(), yes);
        QCOMPARE(w->txtPartNo->size(), field); // the status bar had its room already
        if (yes) {
            QCOMPARE(w->statbarInfo->count(), 1);
            QCOMPARE(w->statbarInfo->panel(1)->text(), partNo + " Deleted From Inventory");
            QCOMPARE(w->statbarInfo->panel(1)->width(), w->statbarInfo->width() / 2);
            QVERIFY(w->txtPartNo->hasFocus());
        }
    }

    // Only a part that is there is offered for deleting.
    void deleteUnknownPart()
    {
        auto *w = start(CommandId::DeletePart);
        QVERIFY(w);
        h->ui.answers << UserInterface::Answer::Yes;
        typeAndEnter(w->txtPartNo, "R1000");
        QCOMPARE(h->ui.texts(), QStringList{"Part Number Does Not Exist"});
        QCOMPARE(count("select count(*) from Inventory"), 1);
        QVERIFY(w->txtPartNo->hasFocus());
        QCOMPARE(w->txtPartNo->selectedText(), "R1000");
        QVERIFY(!w->statbarInfo->isVisible());
    }

    // Enter in the reorder point runs Submit when the vendor field is hidden.
    void enterWithoutVendorField()
    {
        auto *w = start(CommandId::AddPart);
        QVERIFY(w);
        w->txtVendor->hide();
        w->txtVendor->setText("not used");
        w->txtPartNo->setText("N1");
        w->txtQuantity->setText("1");
        w->txtDescription->setText("New");
        w->txtCost->setText("1");
        typeAndEnter(w->txtReorder, "1");
        QCOMPARE(h->ui.texts(), QStringList{});
        QCOMPARE(count("select count(*) from Inventory where PartNo = 'N1'"), 1);
        QVERIFY(w->txtPartNo->hasFocus());
    }

    // Each window keeps the job it was opened for.
    void keepsItsJob()
    {
        auto *adder = start(CommandId::AddPart);
        QVERIFY(adder);
        auto *deleter = h->open<AddDeletePartWindow>(CommandId::DeletePart);
        QVERIFY(deleter);
        QVERIFY(h->open<AddDeleteInvWindow>(CommandId::DeleteQuantity));
        h->main.mdiArea()->setActiveSubWindow(adder->subWindow());
        enter(adder, Entry{"N1", "1", "New", "1", "1", ""});
        QCOMPARE(count("select count(*) from Inventory where PartNo = 'N1'"), 1);
        QCOMPARE(adder->windowTitle(), "Add New Part To Inventory");

        h->env.app.setAddMode(true);
        h->main.mdiArea()->setActiveSubWindow(deleter->subWindow());
        h->ui.answers << UserInterface::Answer::Yes;
        typeAndEnter(deleter->txtPartNo, "N1");
        QCOMPARE(h->ui.lastText(), "Delete Part No N1\r\nAre you sure?");
        QCOMPARE(count("select count(*) from Inventory where PartNo = 'N1'"), 0);
        QVERIFY(deleter->txtQuantity->isHidden());
    }
};

QTEST_MAIN(TestPartMaster)
#include "tst_partmaster.moc"
