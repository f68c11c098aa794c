// The stock adjustment and part master windows, driven inside a main window
// as the user drives them: keys, Enter chains, scripted message answers. The
// stock rules themselves are the operations' (tst_stockoperations); here one
// row per outcome: the message, where the focus goes, what is shown and kept.
#include "ui/entryfields.h"
#include "ui/twips.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "ui/panelbar.h"
#include "harness.h"

#include <QLabel>
#include <QLineEdit>
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
const char *const PartFields[] = {"txtPartNo", "txtQuantity", "txtDescription", "txtCost", "txtReorder", "txtVendor"};

struct Adjust { int command; QString partNo, quantity; int after; QString message, focus; };
struct Entry { QString partNo, quantity, description, cost, reorder, vendor; };
struct NewPart { Entry entry; QVariantList stored; QString message, focus; }; // stored: CurrentInv, UnitCost, MinReq

QString text(const QObject *w, const char *name) { return Drive::find<QLineEdit>(w, name)->text(); }

void adjust(QObject *w, const QString &partNo, const QString &quantity)
{
    Drive::fill(w, "txtPartNo", partNo, Qt::Key_Return);
    QCOMPARE(Drive::focused()->objectName(), "txtQuantity");
    Drive::fill(w, "txtQuantity", quantity, Qt::Key_Return);
}

// Walks the whole Enter chain of an add window; the field with the focus is the highlighted one.
void enter(QObject *w, const Entry &e)
{
    const QString texts[] = {e.partNo, e.quantity, e.description, e.cost, e.reorder, e.vendor};
    for (int i = 0; i < 6; ++i) {
        QVERIFY(Drive::focused()->objectName() == PartFields[i] && Drive::focused()->palette().color(QPalette::Base) == EntryFields::highlightColor());
        Drive::fill(w, PartFields[i], texts[i], Qt::Key_Return);
    }
}

// The texts of the panels shown; each must take half the bar.
QStringList panels(const QObject *w, const char *name)
{
    const PanelBar *bar = Drive::find<PanelBar>(w, name);
    QStringList texts;
    for (int i = 1; i <= bar->count(); ++i)
        if (bar->panel(i)->isVisible())
            texts << bar->panel(i)->text() + (bar->panel(i)->width() == bar->width() / 2 ? "" : " (not half)");
    return texts;
}

// Another workstation adds a part in a write transaction of its own and
// commits it a moment after it has let the test know that it holds the lock.
struct OtherWorkstation : QThread
{
    QString path;
    QSemaphore locked;
    bool committed = false;
    void run() override
    {
        Database db("workstation2");
        const bool begun = db.open(path) && db.beginWrite() && db.execute("INSERT INTO Inventory (PartNo, Description) VALUES (?, ?)", {"N1", "Theirs"});
        locked.release();
        if (begun)
            msleep(300), committed = db.commit();
    }
};

} // namespace

Q_DECLARE_METATYPE(Adjust)
Q_DECLARE_METATYPE(NewPart)

class TestStockWindows : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    template <class W> W *start(int command)
    {
        h = std::make_unique<Harness>(Parts);
        return h->open<W>(CommandId(command));
    }
    QVariant stock(const QString &partNo) { return h->env.scalar("select CurrentInv from Inventory where PartNo = ?", {partNo}); }
    int count(const QString &sql, const QVariantList &values = {}) { return h->env.scalar(sql, values).toInt(); }
    // For a "disk full" row the disk fills up: any change to the catalogue
    // now needs room (its journal grows) that the database cannot have.
    // False when this engine cannot be made to fill up.
    bool fillDiskIfAsked()
    {
        if (!QByteArray(QTest::currentDataTag()).startsWith("disk full"))
            return true;
        if (h->env.engine() != TestEnvironment::Engine::File)
            return false;
        for (const QString event : {"INSERT", "UPDATE", "DELETE"})
            h->env.exec("CREATE TABLE IF NOT EXISTS Journal (Entry BLOB)"), h->env.exec("CREATE TRIGGER journal_" + event + " AFTER " + event + " ON Inventory BEGIN INSERT INTO Journal VALUES (zeroblob(100000)); END");
        const int pages = h->env.ownScalar("PRAGMA page_count").toInt();
        return h->env.ownScalar("PRAGMA max_page_count = " + QString::number(pages)).toInt() == pages;
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
            i < 2 ? h->main.runToolButton(i == 0 ? "Add" : "Subtract") : h->main.run(i == 2 ? CommandId::AddPart : CommandId::DeletePart);
            w << qobject_cast<ChildWindow *>(h->main.activeChild());
            QCOMPARE(w[i]->frameWidget()->pos(), QPoint(i == 0 ? 0 : w[i]->frameWidget()->x(), i == 0 ? 0 : Twips::toPixels(100 * (i + 2), w[i])));
            QVERIFY(Drive::focused()->objectName() == "txtPartNo" && Drive::focused()->palette().color(QPalette::Base) == EntryFields::highlightColor());
            const QList<QLineEdit *> fields = w[i]->findChildren<QLineEdit *>();
            QVERIFY(std::count_if(fields.begin(), fields.end(), [](QLineEdit *f) { return f->isVisible(); }) == visibleFields[i] && panels(w[i], i < 2 ? "StatBarAdd" : "statbarInfo").isEmpty());
        }
        adjust(w[0], "R100", "5");
        QCOMPARE(stock("R100").toInt(), 105);
        h->main.mdiArea()->setActiveSubWindow(w[2]->subWindow());
        enter(w[2], Entry{"N1", "1", "New", "1", "1", ""});
        QCOMPARE(count("select count(*) from Inventory where PartNo = 'N1'"), 1);
        adjust(w[1], "R100", "5");
        QCOMPARE(stock("R100").toInt(), 100); // the first window adds, the second subtracts
        h->ui.answers << UserInterface::Answer::Yes;
        Drive::fill(w[3], "txtPartNo", "N1", Qt::Key_Return);
        QCOMPARE(h->ui.texts() << QString::number(count("select count(*) from Inventory where PartNo = 'N1'")), QStringList({"Delete Part No N1\r\nAre you sure?", "0"}));
        QPointer<QWidget> sub = w[0]->subWindow();
        QVERIFY(Drive::click(w[0], "cmdExit"));
        QTRY_VERIFY(sub.isNull());
    }

    // Submit in a stock window over R100 (100 in stock, reorder point 50):
    // accepted when no field is named for the focus.
    void adjustStock_data()
    {
        QTest::addColumn<Adjust>("row");
        const QString reorder = "Reorder Point Reached\r\n%1 added to Reorder Report", number = "Quantity must be a number", noPart = "Part Number Does Not Exist";
        QTest::newRow("apostrophe") << Adjust{Add, "5' CABLE", "2", 7, "", ""};
        QTest::newRow("-5 in subtract mode adds") << Adjust{Subtract, "R100", "-5", 105, "", ""};
        QTest::newRow("below the reorder point") << Adjust{Subtract, "r100", "51", 49, reorder.arg("r100"), ""};
        QTest::newRow("unknown part, bad quantity") << Adjust{Add, "NOPE", "x", 0, number, "txtQuantity"};
        QTest::newRow("unknown part") << Adjust{Add, "NOPE", "5", 0, noPart, "txtPartNo"};
        QTest::newRow("closed connection") << Adjust{Add, "R100", "5", 0, noPart, "txtPartNo"}; // no error to this window's trap
        QTest::newRow("sum above 32767") << Adjust{Add, "BIG", "10", 0, Overflow, "txtQuantity"};
        QTest::newRow("stock never counted") << Adjust{Add, "NOSTOCK", "1", 0, "Error No 94\r\nInvalid use of Null has occured.", "txtQuantity"};
        QTest::newRow("disk full") << Adjust{Add, "R100", "5", 0, DiskFull, "txtQuantity"};
        // What the window reports is what was stored: a failure after the stock was written stores nothing.
        QTest::newRow("lost before the commit") << Adjust{Add, "R100", "5", 0, "Error No 94\r\nInvalid use of Null has occured.", "txtQuantity"};
    }
    void adjustStock()
    {
        QFETCH(Adjust, row);
        auto *w = start<AddDeleteInvWindow>(row.command);
        const QByteArray tag = QTest::currentDataTag();
        if (tag == "closed connection")
            h->env.app.database().close();
        if (tag.startsWith("lost") && h->env.engine() != TestEnvironment::Engine::File)
            QSKIP("a trigger of the file database");
        QVERIFY(w && (!tag.startsWith("lost") || h->env.exec("CREATE TRIGGER lose AFTER UPDATE ON Inventory BEGIN UPDATE Inventory SET CurrentInv = NULL WHERE rowid = NEW.rowid; END")));
        if (!fillDiskIfAsked())
            QSKIP("a full disk is made with the file database's page limit");
        const QVariant before = stock(row.partNo);
        adjust(w, row.partNo, row.quantity);
        QCOMPARE(h->ui.texts(), row.message.isEmpty() ? QStringList() : QStringList{row.message});
        const bool done = row.focus.isEmpty();
        QVERIFY(stock(row.partNo) == (done ? QVariant(row.after) : before) && count("select Bin from Inventory where PartNo = ?", {row.partNo}) == 0); // a warning marks nothing
        QCOMPARE(QStringList({text(w, "txtPartNo"), text(w, "txtQuantity")}), done ? QStringList({"", ""}) : QStringList({row.partNo, row.quantity}));
        QCOMPARE(Drive::focused()->objectName() + "|" + Drive::find<QLineEdit>(w, "txtPartNo")->selectedText(), (done ? "txtPartNo" : row.focus) + "|" + (row.focus == "txtPartNo" ? row.partNo : ""));
        QVERIFY(!Drive::find<QLineEdit>(w, "txtQuantity")->hasSelectedText());
        QCOMPARE(panels(w, "StatBarAdd"), done ? QStringList({row.partNo + " Inventory Updated", "Current Inventory " + QString::number(row.after)}) : QStringList());
    }

    // Submit in the add-part window after the whole Enter chain. Checks run
    // in the order of the fields; only the first failure is told.
    void addPart_data()
    {
        QTest::addColumn<NewPart>("row");
        const QString number = "Quantity must be a number", vendor = "txtVendor";
        const Entry good{"N1", "1", "New part", "1", "1", "Vendor"};
        QTest::newRow("plain") << NewPart{{"C10U", "25", "Capacitor 10uF", "0.15", "5", "Farnell"}, {25, 0.15, 5}, "", ""};
        QTest::newRow("fractions") << NewPart{{"C22U", "2.5", "Capacitor 22uF", "12.345", "3.5", ""}, {2, 12.345, 4}, "", ""};
        QTest::newRow("quotes and statement text") << NewPart{{"O'Brien; DROP TABLE Inventory;--", "1", "It's a \"probe\"; --", "1", "0", "Bob's Parts"}, {1, 1.0, 0}, "", ""};
        QTest::newRow("non-Latin, long, negative") << NewPart{{QString::fromUtf8("Ω-Резистор") + QString(300, 'L'), "-4", QString::fromUtf8("Конденсатор 10µF 電容") + QString(2000, 'd'),
                                                               "1e3", "-2", QString::fromUtf8("Ünïcode GmbH") + QString(500, 'v')}, {-4, 1000.0, -2}, "", ""};
        QTest::newRow("blank part number") << NewPart{{"  ", "", "", "", "", ""}, {}, "Enter a Part Number", "txtPartNo"};
        QTest::newRow("empty quantity") << NewPart{{"N1", "", "", "x", "", ""}, {}, number, "txtQuantity"};
        QTest::newRow("empty cost") << NewPart{{"N1", "1", "d", "", "", ""}, {}, "Cost must be a number", "txtCost"};
        QTest::newRow("letters for reorder point") << NewPart{{"N1", "1", "d", "1", "some", ""}, {}, "Reorder Point must be a number", "txtReorder"};
        QTest::newRow("duplicate before description") << NewPart{{"r100", "1", "", "1", "1", ""}, {}, "Part No. r100 already in inventory.", "txtPartNo"};
        QTest::newRow("empty description") << NewPart{{"N1", "1", "", "1", "1", "V"}, {}, "You must enter a Description", vendor};
        QTest::newRow("quantity too large") << NewPart{{"N1", "32768", "d", "1", "1", ""}, {}, Overflow, vendor};
        QTest::newRow("reorder point too small") << NewPart{{"N1", "1", "d", "1", "-40000", ""}, {}, Overflow, vendor};
        // The part and its vendor are stored together or not at all.
        QTest::newRow("vendor row refused") << NewPart{good, {}, "PreferredVendor", vendor};
        QTest::newRow("part row refused") << NewPart{good, {}, "Inventory", vendor};
        QTest::newRow("disk full") << NewPart{good, {}, DiskFull, vendor};
        // Another workstation adds it (in another letter case) while this one waits for the write lock.
        QTest::newRow("added elsewhere meanwhile") << NewPart{{"n1", "1", "Ours", "1", "1", "Our vendor"}, {}, "Part No. n1 already in inventory.", "txtPartNo"};
    }
    void addPart()
    {
        QFETCH(NewPart, row);
        auto *w = start<AddDeletePartWindow>(int(CommandId::AddPart));
        const bool refuse = QByteArray(QTest::currentDataTag()).endsWith("row refused");
        const QString refusing = row.message;
        QVERIFY(w && (!refuse || h->env.refuseInserts(refusing)));
        row.message = refuse ? h->env.refusedMessage() : row.message;
        if (!fillDiskIfAsked())
            QSKIP("a full disk is made with the file database's page limit");
        OtherWorkstation other;
        const int theirs = QByteArray(QTest::currentDataTag()).endsWith("meanwhile") ? 1 : 0;
        if (theirs)
            other.path = h->env.app.databaseAddress(), other.start(), other.locked.acquire();
        enter(w, row.entry);
        QVERIFY(!theirs || (other.wait(10000) && other.committed && h->env.scalar("select max(Description) || '' from Inventory where PartNo = 'N1'") == "Theirs"));
        QCOMPARE(h->ui.texts(), row.message.isEmpty() ? QStringList() : QStringList{row.message});
        if (!row.focus.isEmpty()) {
            const bool duplicate = row.message.startsWith("Part No.");
            QCOMPARE(h->ui.shown.first().icon, duplicate ? UserInterface::Icon::Critical : UserInterface::Icon::None);
            QVERIFY(Drive::focused()->objectName() == row.focus && (!duplicate || Drive::find<QLineEdit>(w, "txtPartNo")->selectedText() == row.entry.partNo));
            QCOMPARE(count("select count(*) from Inventory") * 10 + count("select count(*) from PreferredVendor"), (PartsCount + theirs) * 10 + 1);
            QVERIFY(text(w, "txtPartNo") == row.entry.partNo && text(w, "txtDescription") == row.entry.description && panels(w, "statbarInfo").isEmpty());
            if (refuse) { // nothing is left half-done: the next try goes through
                QVERIFY(h->env.allowInserts(refusing));
                Drive::find(w, "txtVendor")->hide(); // Enter in the reorder point then submits
                Drive::fill(w, "txtReorder", "1", Qt::Key_Return);
                QVERIFY(h->ui.shown.size() == 1 && Drive::focused()->objectName() == "txtPartNo");
                QCOMPARE(count("select count(*) from Inventory") * 10 + count("select count(*) from PreferredVendor"), PartsCount * 10 + 12);
            }
            return;
        }
        // Stored exactly as typed; ReorderPoint and Bin as a new row gets them.
        const auto texts = [](const QVariantList &values) { return QVariant(values).toStringList(); };
        const Entry &e = row.entry;
        QCOMPARE(texts(h->env.row("select PartNo, Description, CurrentInv, UnitCost, MinReq, ReorderPoint, Bin from Inventory where PartNo = ?", {e.partNo})),
                 texts(QVariantList({e.partNo, e.description}) + row.stored + QVariantList{0, 0}));
        QCOMPARE(count("select count(*) from Inventory"), PartsCount + 1);
        QCOMPARE(texts(h->env.row("select Item, Vendor, Description from PreferredVendor where Item = ?", {e.partNo})),
                 e.vendor.isEmpty() ? QStringList() : QStringList({e.partNo, e.vendor, e.description}));
        QCOMPARE(count("select count(*) from PreferredVendor"), e.vendor.isEmpty() ? 1 : 2);
        QString typed = Drive::focused()->objectName();
        for (const char *name : PartFields)
            typed += text(w, name);
        QCOMPARE(typed, "txtPartNo");
        QCOMPARE(panels(w, "statbarInfo"), QStringList({e.partNo + " Added to Inventory", "Current Inventory " + row.stored[0].toString()}));
    }

    // Enter in the part number deletes at once, and only a part that is there
    // is offered for deleting; its vendor and BOM rows stay. A status panel
    // too narrow for its text shows it cut and gives it whole as its tooltip.
    void deletePart_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("shown");
        const QString question = "Delete Part No %1\r\nAre you sure?", missing = "Part Number Does Not Exist";
        QTest::newRow("yes, other letter case") << "r100" << true << QStringList{question.arg("r100")};
        QTest::newRow("no") << "R100" << false << QStringList{question.arg("R100")};
        QTest::newRow("unknown part") << "R1000" << true << QStringList{missing};
        QTest::newRow("deleted meanwhile") << "R100" << true << QStringList{question.arg("R100"), missing}; // while the question is open
        QTest::newRow("disk full") << "R100" << true << QStringList{question.arg("R100"), DiskFull};
        QTest::newRow("long part number") << QString(60, 'W') << true << QStringList{question.arg(QString(60, 'W'))};
    }
    void deletePart()
    {
        QFETCH(QString, partNo);
        QFETCH(bool, yes);
        QFETCH(QStringList, shown);
        auto *w = start<AddDeletePartWindow>(int(CommandId::DeletePart));
        const bool meanwhile = QByteArray(QTest::currentDataTag()) == "deleted meanwhile", added = partNo.size() > 10;
        QVERIFY(w && (!added || h->env.exec("INSERT INTO Inventory (PartNo, Description) VALUES (?, 'x')", {partNo})));
        if (!fillDiskIfAsked())
            QSKIP("a full disk is made with the file database's page limit");
        if (meanwhile)
            h->ui.whileShown = [this](const ScriptedUserInterface::Shown &s) {
                QVERIFY(s.buttons != UserInterface::Buttons::YesNo || h->env.execElsewhere("DELETE FROM Inventory WHERE PartNo = ?", {"R100"}));
            };
        const QSize field = Drive::find(w, "txtPartNo")->size();
        h->ui.answers << (yes ? UserInterface::Answer::Yes : UserInterface::Answer::No);
        Drive::fill(w, "txtPartNo", partNo, Qt::Key_Return);
        QCOMPARE(h->ui.texts(), shown);
        const bool asked = shown.first().startsWith("Delete"), gone = yes && asked && shown.size() == 1;
        QCOMPARE(h->ui.shown.first().buttons, asked ? UserInterface::Buttons::YesNo : UserInterface::Buttons::Ok);
        QCOMPARE(count("select count(*) from Inventory"), (gone || meanwhile ? PartsCount - 1 : PartsCount) + added);
        QCOMPARE(count("select count(*) from PreferredVendor") * 10 + count("select count(*) from BoardBOM where PartNo = 'R100'"), 11);
        QCOMPARE(panels(w, "statbarInfo") << text(w, "txtPartNo"), gone ? QStringList({partNo + " Deleted From Inventory", ""}) : QStringList{partNo});
        QVERIFY(Drive::find(w, "txtPartNo")->size() == field && Drive::focused()->objectName() == "txtPartNo"); // the status bar had its room already
        QCOMPARE(Drive::find<QLineEdit>(w, "txtPartNo")->selectedText(), shown.last() == "Part Number Does Not Exist" ? partNo : "");
        QLabel *panel = Drive::find<PanelBar>(w, "statbarInfo")->panel(1);
        Drive::find(w, "statbarInfo")->grab(); // drawn as on screen
        const bool fits = panel->fontMetrics().horizontalAdvance(panel->text()) <= panel->contentsRect().width();
        QCOMPARE(panel->toolTip(), fits ? QString() : panel->text());
        QVERIFY(fits || added);
    }
};

QTEST_MAIN(TestStockWindows)
#include "tst_stockwindows.moc"
