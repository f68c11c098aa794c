// The stock adjustment and part master windows, driven inside a main window
// as the user drives them: keys, Enter chains, scripted message answers.
#include "ui/entryfields.h"
#include "ui/twips.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "ui/panelbar.h"
#include "harness.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QThread>
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
// The engine's code 13 is not the runtime's type mismatch.
const QString DiskFull = "Error No 13\r\ndatabase or disk is full has occured.";

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
    typeAndEnter(w->findChild<QLineEdit *>("txtPartNo"), partNo);
    QVERIFY(w->findChild<QLineEdit *>("txtQuantity")->hasFocus());
    typeAndEnter(w->findChild<QLineEdit *>("txtQuantity"), quantity);
}

// Walks the whole Enter chain of an add window; the field with the focus is
// the highlighted one.
void enter(AddDeletePartWindow *w, const Entry &e)
{
    const QList<QPair<QLineEdit *, QString>> chain = {
        {w->findChild<QLineEdit *>("txtPartNo"), e.partNo}, {w->findChild<QLineEdit *>("txtQuantity"), e.quantity}, {w->findChild<QLineEdit *>("txtDescription"), e.description},
        {w->findChild<QLineEdit *>("txtCost"), e.cost},     {w->findChild<QLineEdit *>("txtReorder"), e.reorder},   {w->findChild<QLineEdit *>("txtVendor"), e.vendor}};
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

// Another workstation adds a part in a write transaction of its own and
// commits it a moment after it has let the test know that it holds the lock.
class OtherWorkstation : public QThread
{
public:
    OtherWorkstation(const QString &path, const QString &partNo) : m_path(path), m_partNo(partNo) {}
    QSemaphore locked;
    bool committed = false;

protected:
    void run() override
    {
        Database db("workstation2");
        const bool begun = db.open(m_path) && db.beginWrite()
                           && db.execute("INSERT INTO Inventory (PartNo, Description) VALUES (?, ?)",
                                         {m_partNo, "Theirs"});
        locked.release();
        if (!begun)
            return;
        msleep(300);
        committed = db.commit();
    }

private:
    QString m_path, m_partNo;
};

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
    // For the "disk full" row the disk fills up: any change to the catalogue
    // now needs room (its journal grows) that the database cannot have.
    // False when this engine cannot be made to fill up.
    bool fillDiskIfAsked()
    {
        if (QByteArray(QTest::currentDataTag()) != "disk full")
            return true;
        if (h->env.engine() != TestEnvironment::Engine::File)
            return false;
        fillDisk();
        return true;
    }
    void fillDisk()
    {
        QVERIFY(h->env.exec("CREATE TABLE Journal (Entry BLOB)"));
        for (const QString event : {"INSERT", "UPDATE", "DELETE"})
            QVERIFY(h->env.exec("CREATE TRIGGER journal_" + event + " AFTER " + event
                                + " ON Inventory BEGIN INSERT INTO Journal VALUES (zeroblob(100000)); END"));
        const int pages = h->env.ownScalar("PRAGMA page_count").toInt();
        QCOMPARE(h->env.ownScalar("PRAGMA max_page_count = " + QString::number(pages)).toInt(), pages);
    }

private slots:
    void cleanup() { h.reset(); }

    // Four windows open at once, each below the last; each keeps the job it
    // was opened for, whatever the windows opened later set.
    void fourWindows()
    {
        h = std::make_unique<Harness>(Parts);
        QVERIFY(h->ready());
        const QList<int> visibleFields{3, 3, 6, 1}; // the stock windows: part, quantity and note
        QList<ChildWindow *> w;
        for (int i = 0; i < 4; ++i) {
            if (i < 2)
                h->main.runToolButton(i == 0 ? "Add" : "Subtract");
            else
                h->main.run(i == 2 ? CommandId::AddPart : CommandId::DeletePart);
            w << qobject_cast<ChildWindow *>(h->main.activeChild());
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
        auto *partAdder = qobject_cast<AddDeletePartWindow *>(w[2]), *partDeleter = qobject_cast<AddDeletePartWindow *>(w[3]);
        QVERIFY(adder && remover && partAdder && partDeleter);
        adjust(adder, "R100", "5");
        QCOMPARE(stock("R100").toInt(), 105);
        h->main.mdiArea()->setActiveSubWindow(partAdder->subWindow());
        enter(partAdder, Entry{"N1", "1", "New", "1", "1", ""});
        QCOMPARE(count("select count(*) from Inventory where PartNo = 'N1'"), 1);
        adjust(remover, "R100", "5");
        QCOMPARE(stock("R100").toInt(), 100);
        h->ui.answers << UserInterface::Answer::Yes;
        typeAndEnter(partDeleter->findChild<QLineEdit *>("txtPartNo"), "N1");
        QCOMPARE(h->ui.texts(), QStringList{"Delete Part No N1\r\nAre you sure?"});
        QCOMPARE(count("select count(*) from Inventory where PartNo = 'N1'"), 0);
        QPointer<QWidget> sub = adder->subWindow();
        QTest::mouseClick(adder->findChild<QPushButton *>("cmdExit"), Qt::LeftButton);
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
        QTest::newRow("apostrophe") << Add << "5' CABLE" << "2" << 7 << "" << "";
        QTest::newRow("2.5 counts 2") << Add << "R100" << "2.5" << 102 << "" << "";
        QTest::newRow("1,000 counts 1") << Add << "R100" << "1,000" << 101 << "" << "";
        QTest::newRow("-5 in subtract mode adds") << Subtract << "R100" << "-5" << 105 << "" << "";
        QTest::newRow("below zero is stored") << Subtract << "R100" << "150" << -50 << reorder.arg("R100") << "";
        QTest::newRow("at the reorder point") << Subtract << "r100" << "50" << 50 << "" << "";
        QTest::newRow("below the reorder point") << Subtract << "r100" << "51" << 49 << reorder.arg("r100") << "";
        QTest::newRow("letters") << Add << "R100" << "abc" << 0 << number << "txtQuantity";
        QTest::newRow("unknown part, bad quantity") << Add << "NOPE" << "x" << 0 << number << "txtQuantity";
        QTest::newRow("unknown part") << Add << "NOPE" << "5" << 0 << noPart << "txtPartNo";
        // A closed object is no error to this window's trap: Submit goes on.
        QTest::newRow("closed connection") << Add << "R100" << "5" << 0 << noPart << "txtPartNo";
        QTest::newRow("quantity above 32767") << Add << "R100" << "40000" << 0 << Overflow << "txtQuantity";
        QTest::newRow("sum above 32767") << Add << "BIG" << "10" << 0 << Overflow << "txtQuantity";
        QTest::newRow("stock never counted") << Add << "NOSTOCK" << "1" << 0 << noStock << "txtQuantity";
        QTest::newRow("disk full") << Add << "R100" << "5" << 0 << DiskFull << "txtQuantity";
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
        if (!fillDiskIfAsked())
            QSKIP("a full disk is made with the file database's page limit");
        const QVariant before = stock(partNo);
        adjust(w, partNo, quantity);
        QCOMPARE(h->ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (focus.isEmpty()) {
            QCOMPARE(stock(partNo).toInt(), after);
            QCOMPARE(count("select Bin from Inventory where PartNo = ?", {partNo}), 0); // a warning marks nothing
            QVERIFY(w->findChild<QLineEdit *>("txtPartNo")->text().isEmpty() && w->findChild<QLineEdit *>("txtQuantity")->text().isEmpty() && w->findChild<QLineEdit *>("txtPartNo")->hasFocus());
            QCOMPARE(panels(w->findChild<PanelBar *>("StatBarAdd")),
                     QStringList({partNo + " Inventory Updated", "Current Inventory " + QString::number(after)}));
            return;
        }
        QCOMPARE(stock(partNo), before);
        QCOMPARE(QStringList({w->findChild<QLineEdit *>("txtPartNo")->text(), w->findChild<QLineEdit *>("txtQuantity")->text()}), QStringList({partNo, quantity}));
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(w->findChild<QLineEdit *>("txtPartNo")->selectedText(), focus == "txtPartNo" ? partNo : "");
        QVERIFY(!w->findChild<QLineEdit *>("txtQuantity")->hasSelectedText());
        QCOMPARE(panels(w->findChild<PanelBar *>("StatBarAdd")), QStringList());
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
        QTest::newRow("non-Latin, long, negative") << Entry{QString::fromUtf8("Ω-Резистор") + QString(300, 'L'), "-4",
                                                            QString::fromUtf8("Конденсатор 10µF 電容") + QString(2000, 'd'),
                                                            "1e3", "-2", QString::fromUtf8("Ünïcode GmbH") + QString(500, 'v')}
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
        QTest::newRow("reorder point too small") << Entry{"N1", "1", "d", "1", "-40000", ""} << none << Overflow << vendor;
        // The part and its vendor are stored together or not at all.
        const Entry good{"N1", "1", "New part", "1", "1", "Vendor"};
        const QString refused = "row refused"; // as the engine words it
        QTest::newRow("vendor row refused") << good << none << refused << vendor;
        QTest::newRow("part row refused") << good << none << refused << vendor;
        QTest::newRow("disk full") << good << none << DiskFull << vendor;
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
        if (!fillDiskIfAsked())
            QSKIP("a full disk is made with the file database's page limit");
        enter(w, entry);
        QCOMPARE(h->ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        if (!focus.isEmpty()) {
            const bool duplicate = message.startsWith("Part No.");
            QCOMPARE(h->ui.shown.first().icon, duplicate ? UserInterface::Icon::Critical : UserInterface::Icon::None);
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
            if (duplicate)
                QCOMPARE(w->findChild<QLineEdit *>("txtPartNo")->selectedText(), entry.partNo);
            QCOMPARE(count("select count(*) from Inventory"), PartsCount);
            QCOMPARE(count("select count(*) from PreferredVendor"), 1);
            QCOMPARE(QStringList({w->findChild<QLineEdit *>("txtPartNo")->text(), w->findChild<QLineEdit *>("txtDescription")->text()}),
                     QStringList({entry.partNo, entry.description}));
            QCOMPARE(panels(w->findChild<PanelBar *>("statbarInfo")), QStringList());
            if (refuse) { // nothing is left half-done: the next try goes through
                QVERIFY(h->env.allowInserts(refusing));
                w->findChild<QLineEdit *>("txtVendor")->hide(); // Enter in the reorder point then submits
                typeAndEnter(w->findChild<QLineEdit *>("txtReorder"), "1");
                QCOMPARE(h->ui.shown.size(), 1);
                QCOMPARE(count("select count(*) from Inventory"), PartsCount + 1);
                QCOMPARE(count("select count(*) from PreferredVendor"), 2);
                QVERIFY(w->findChild<QLineEdit *>("txtPartNo")->hasFocus());
            }
            return;
        }
        // Stored exactly as typed; ReorderPoint and Bin as a new row gets them.
        const auto texts = [](const QVariantList &values) { return QVariant(values).toStringList(); };
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
        for (QLineEdit *f : {w->findChild<QLineEdit *>("txtPartNo"), w->findChild<QLineEdit *>("txtQuantity"), w->findChild<QLineEdit *>("txtDescription"), w->findChild<QLineEdit *>("txtCost"), w->findChild<QLineEdit *>("txtReorder"), w->findChild<QLineEdit *>("txtVendor")})
            QVERIFY(f->text().isEmpty());
        QVERIFY(w->findChild<QLineEdit *>("txtPartNo")->hasFocus());
        QCOMPARE(panels(w->findChild<PanelBar *>("statbarInfo")),
                 QStringList({entry.partNo + " Added to Inventory", "Current Inventory " + stored[0].toString()}));
    }

    // Enter in the part number deletes at once, and only a part that is there
    // is offered for deleting; its vendor and BOM rows stay.
    void deletePart_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("shown");
        const QString question = "Delete Part No %1\r\nAre you sure?", missing = "Part Number Does Not Exist";
        QTest::newRow("yes, other letter case") << "r100" << true << QStringList{question.arg("r100")};
        QTest::newRow("no") << "R100" << false << QStringList{question.arg("R100")};
        QTest::newRow("unknown part") << "R1000" << true << QStringList{missing};
        // Someone else deletes the part while the question is open.
        QTest::newRow("deleted meanwhile") << "R100" << true << QStringList{question.arg("R100"), missing};
        QTest::newRow("disk full") << "R100" << true << QStringList{question.arg("R100"), DiskFull};
    }
    void deletePart()
    {
        QFETCH(QString, partNo);
        QFETCH(bool, yes);
        QFETCH(QStringList, shown);
        auto *w = start<AddDeletePartWindow>(int(CommandId::DeletePart));
        QVERIFY(w);
        const QByteArray tag = QTest::currentDataTag();
        const bool meanwhile = tag == "deleted meanwhile";
        if (!fillDiskIfAsked())
            QSKIP("a full disk is made with the file database's page limit");
        if (meanwhile)
            h->ui.whileShown = [this](const ScriptedUserInterface::Shown &s) {
                if (s.buttons == UserInterface::Buttons::YesNo)
                    QVERIFY(h->env.execElsewhere("DELETE FROM Inventory WHERE PartNo = ?", {"R100"}));
            };
        const QSize field = w->findChild<QLineEdit *>("txtPartNo")->size();
        h->ui.answers << (yes ? UserInterface::Answer::Yes : UserInterface::Answer::No);
        typeAndEnter(w->findChild<QLineEdit *>("txtPartNo"), partNo);
        QCOMPARE(h->ui.texts(), shown);
        const bool asked = shown.first().startsWith("Delete"), gone = yes && asked && shown.size() == 1;
        QCOMPARE(h->ui.shown.first().buttons, asked ? UserInterface::Buttons::YesNo : UserInterface::Buttons::Ok);
        QCOMPARE(count("select count(*) from Inventory"), gone || meanwhile ? PartsCount - 1 : PartsCount);
        QCOMPARE(count("select count(*) from PreferredVendor"), 1);
        QCOMPARE(count("select count(*) from BoardBOM where PartNo = 'R100'"), 1);
        QCOMPARE(w->findChild<QLineEdit *>("txtPartNo")->text(), gone ? QString() : partNo);
        QCOMPARE(panels(w->findChild<PanelBar *>("statbarInfo")), gone ? QStringList{partNo + " Deleted From Inventory"} : QStringList());
        QCOMPARE(w->findChild<QLineEdit *>("txtPartNo")->size(), field); // the status bar had its room already
        QVERIFY(w->findChild<QLineEdit *>("txtPartNo")->hasFocus());
        QCOMPARE(w->findChild<QLineEdit *>("txtPartNo")->selectedText(), shown.last() == "Part Number Does Not Exist" ? partNo : "");
    }

    // A status panel too narrow for its text shows the text cut with "..."
    // and gives the whole text as its tooltip; one wide enough shows it all.
    void statusPanelsShowTheWholeText_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::newRow("short") << "R1";
        QTest::newRow("long") << QString(60, 'W');
    }
    void statusPanelsShowTheWholeText()
    {
        QFETCH(QString, partNo);
        auto *w = start<AddDeletePartWindow>(int(CommandId::DeletePart));
        QVERIFY(w);
        QVERIFY(h->env.exec("INSERT INTO Inventory (PartNo, Description) VALUES (?, 'x')", {partNo}));
        h->ui.answers << UserInterface::Answer::Yes;
        typeAndEnter(w->findChild<QLineEdit *>("txtPartNo"), partNo);
        QLabel *panel = w->findChild<PanelBar *>("statbarInfo")->panel(1);
        const QString text = partNo + " Deleted From Inventory";
        QCOMPARE(panel->text(), text);
        w->findChild<PanelBar *>("statbarInfo")->grab(); // drawn as on screen
        const bool fits = panel->fontMetrics().horizontalAdvance(text) <= panel->contentsRect().width();
        QCOMPARE(panel->toolTip(), fits ? QString() : text);
    }

    // What the window reports is what was stored: a failure after the stock
    // was written but before the commit stores nothing, so the same entry
    // tried again counts once.
    void failedAdjustmentStoresNothing()
    {
        if (TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("a trigger of the file database");
        auto *w = start<AddDeleteInvWindow>(Add);
        QVERIFY(w);
        QVERIFY(h->env.exec("CREATE TRIGGER lose AFTER UPDATE ON Inventory BEGIN "
                            "UPDATE Inventory SET CurrentInv = NULL WHERE rowid = NEW.rowid; END"));
        adjust(w, "R100", "5");
        QCOMPARE(h->ui.texts(), QStringList{"Error No 94\r\nInvalid use of Null has occured."});
        QCOMPARE(stock("R100").toInt(), 100);
        QCOMPARE(panels(w->findChild<PanelBar *>("StatBarAdd")), QStringList());
        QVERIFY(h->env.exec("DROP TRIGGER lose"));
        h->ui.clear();
        QTest::keyClick(w->findChild<QLineEdit *>("txtQuantity"), Qt::Key_Return); // the fields kept what was typed
        QCOMPARE(h->ui.texts(), QStringList());
        QCOMPARE(stock("R100").toInt(), 105);
        QCOMPARE(panels(w->findChild<PanelBar *>("StatBarAdd")), QStringList({"R100 Inventory Updated", "Current Inventory 105"}));
    }

    // Two workstations add the same part at once: the second to get the
    // write lock is told the part is listed, in the window's own words.
    void twoWorkstationsAddOnePart()
    {
        const QString ours = "n1"; // in another letter case than theirs
        auto *w = start<AddDeletePartWindow>(int(CommandId::AddPart));
        QVERIFY(w);
        OtherWorkstation other(h->env.app.databaseAddress(), "N1");
        other.start();
        other.locked.acquire();
        enter(w, Entry{ours, "1", "Ours", "1", "1", "Our vendor"});
        QVERIFY(other.wait(10000));
        QVERIFY(other.committed);
        QCOMPARE(h->ui.texts(), QStringList{"Part No. " + ours + " already in inventory."});
        QCOMPARE(h->ui.shown.first().icon, UserInterface::Icon::Critical);
        QCOMPARE(h->env.scalar("select max(Description) || '' from Inventory where PartNo = 'N1'").toString(),
                 "Theirs");
        QCOMPARE(count("select count(*) from PreferredVendor"), 1);
        QCOMPARE(w->findChild<QLineEdit *>("txtPartNo")->selectedText(), ours);
    }

    // A part deleted and added again with another vendor, or none: the
    // vendor listed and shown is the new part's.
    void reAddedPartHasItsNewVendor_data()
    {
        QTest::addColumn<QString>("vendor");
        QTest::addColumn<QString>("shown"); // by Show Vendor
        QTest::newRow("another vendor") << "Farnell" << "Farnell";
        QTest::newRow("no vendor") << "" << "Item not in Vendor list.";
    }
    void reAddedPartHasItsNewVendor()
    {
        if (TestEnvironment::defaultEngine() != TestEnvironment::Engine::File)
            QSKIP("checked with the file database's functions");
        QFETCH(QString, vendor);
        QFETCH(QString, shown);
        auto *deleter = start<AddDeletePartWindow>(int(CommandId::DeletePart));
        QVERIFY(deleter);
        h->ui.answers << UserInterface::Answer::Yes;
        typeAndEnter(deleter->findChild<QLineEdit *>("txtPartNo"), "R100");
        auto *adder = h->open<AddDeletePartWindow>(CommandId::AddPart);
        QVERIFY(adder);
        enter(adder, Entry{"R100", "1", "Resistor 100R", "0.02", "50", vendor});
        QCOMPARE(h->ui.texts(), QStringList{"Delete Part No R100\r\nAre you sure?"});
        QCOMPARE(h->env.scalar("select count(*) || ':' || ifnull(group_concat(Vendor), '') from PreferredVendor "
                               "where Item = 'R100'").toString(),
                 vendor.isEmpty() ? "0:" : "1:" + vendor);

        auto *browse = h->open<ChildWindow>(CommandId::BrowsePart);
        QVERIFY(browse);
        auto *box = browse->findChild<QComboBox *>("cmbPartNo");
        box->setFocus(Qt::OtherFocusReason);
        box->setEditText("R100");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTest::mouseClick(browse->findChild<QPushButton *>("cmdVendor"), Qt::LeftButton);
        QCOMPARE(browse->findChild<QLineEdit *>("txtVendor")->text(), shown);
        QCOMPARE(h->ui.shown.size(), 1);
    }
};

QTEST_MAIN(TestStockWindows)
#include "tst_stockwindows.moc"
