// The words of the stock windows as the user reads them: window captions,
// labels, button captions, tooltips and initial texts, each window in each of
// its jobs. Every label, button and tooltip a window has is in the table.
#include "ui/childwindow.h"
#include "ui/panelbar.h"
#include "windowharness.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMap>

namespace {

using C = CommandId;

struct Text
{
    C command;
    const char *control; // empty: the window itself
    const char *caption; // the caption, or the initial text of a field; null: none to check
    const char *tooltip; // null: none
};

const QList<Text> &stockTexts()
{
    static const QList<Text> table{
        // Stock adjustment, both jobs.
        {C::AddQuantity, "", "Add To Inventory", nullptr},
        {C::DeleteQuantity, "", "Subract from Inventory", nullptr},
        {C::AddQuantity, "lblPartNo", "Part Number:", nullptr},
        {C::AddQuantity, "txtPartNo", "", "Enter the part number to adjust"},
        {C::AddQuantity, "lblQty", "Quantity:", nullptr},
        {C::AddQuantity, "txtQuantity", "", "Enter the amount to adjust"},
        {C::AddQuantity, "cmdUpdate", "Submit", nullptr},
        {C::AddQuantity, "cmdExit", "Exit", nullptr},
        {C::DeleteQuantity, "lblPartNo", "Part Number:", nullptr},
        {C::DeleteQuantity, "txtPartNo", "", "Enter the part number to adjust"},
        {C::DeleteQuantity, "lblQty", "Quantity:", nullptr},
        {C::DeleteQuantity, "txtQuantity", "", "Enter the amount to adjust"},
        {C::DeleteQuantity, "cmdUpdate", "Submit", nullptr},
        {C::DeleteQuantity, "cmdExit", "Exit", nullptr},
        // Part master, both jobs: the delete job hides all but the part number.
        {C::AddPart, "", "Add New Part To Inventory", nullptr},
        {C::DeletePart, "", "Delete Part From Inventory", nullptr},
        {C::AddPart, "lblPartNo", "Part Number:", nullptr},
        {C::AddPart, "txtPartNo", "", "Enter part number"},
        {C::AddPart, "lblQuantity", "Quantity On Hand:", nullptr},
        {C::AddPart, "txtQuantity", "", "Enter initial amount"},
        {C::AddPart, "lblDescription", "Description:", nullptr},
        {C::AddPart, "txtDescription", "", "Enter part description"},
        {C::AddPart, "lblCost", "Unit Cost:", nullptr},
        {C::AddPart, "txtCost", "", "Enter the cost per part"},
        {C::AddPart, "lblReorder", "Reorder Point:", nullptr},
        {C::AddPart, "txtReorder", "", "Enter the number to reorder at"},
        {C::AddPart, "lblVendor", "Preferred Vendor:", nullptr},
        {C::AddPart, "txtVendor", "", "Enter the vendor purchased from"},
        {C::AddPart, "cmdUpdate", "Submit", nullptr},
        {C::AddPart, "cmdExit", "Exit", nullptr},
        {C::DeletePart, "lblPartNo", "Part Number:", nullptr},
        {C::DeletePart, "txtPartNo", "", "Enter part number"},
        {C::DeletePart, "lblQuantity", "Quantity On Hand:", nullptr},
        {C::DeletePart, "txtQuantity", "", "Enter initial amount"},
        {C::DeletePart, "lblDescription", "Description:", nullptr},
        {C::DeletePart, "txtDescription", "", "Enter part description"},
        {C::DeletePart, "lblCost", "Unit Cost:", nullptr},
        {C::DeletePart, "txtCost", "", "Enter the cost per part"},
        {C::DeletePart, "lblReorder", "Reorder Point:", nullptr},
        {C::DeletePart, "txtReorder", "", "Enter the number to reorder at"},
        {C::DeletePart, "lblVendor", "Preferred Vendor:", nullptr},
        {C::DeletePart, "txtVendor", "", "Enter the vendor purchased from"},
        {C::DeletePart, "cmdUpdate", "Submit", nullptr},
        {C::DeletePart, "cmdExit", "Exit", nullptr},
        // Browse by part number.
        {C::BrowsePart, "", "Browse Inventory", nullptr},
        {C::BrowsePart, "lblPartNo", "Part Number:", nullptr},
        {C::BrowsePart, "cmbPartNo", nullptr, "Enter Part Number or choose from list"},
        {C::BrowsePart, "lblMinReq", "Min. Required:", nullptr},
        {C::BrowsePart, "txtMinReq", "", nullptr},
        {C::BrowsePart, "lblCurrentInv", "Current Inventory:", nullptr},
        {C::BrowsePart, "txtCurrentInv", "", nullptr},
        {C::BrowsePart, "lblDesc", "Description:", nullptr},
        {C::BrowsePart, "txtDesc", "", nullptr},
        {C::BrowsePart, "lblUnitCost", "Unit Cost:", nullptr},
        {C::BrowsePart, "txtUnitCost", "", nullptr},
        {C::BrowsePart, "lblBin", "Bin:", nullptr},
        {C::BrowsePart, "txtBin", "", nullptr},
        {C::BrowsePart, "lblVendor", "Preferred Vendor:", nullptr},
        {C::BrowsePart, "txtVendor", "Text1", nullptr},
        {C::BrowsePart, "cmdNext", "Next", nullptr},
        {C::BrowsePart, "cmdVendor", "Show Vendor", nullptr},
        {C::BrowsePart, "cmdExit", "Exit", nullptr},
        // Browse by description.
        {C::BrowseDesc, "", "Browse Inventory", nullptr},
        {C::BrowseDesc, "lblDesc", "Description:", nullptr},
        {C::BrowseDesc, "cmbDesc", nullptr, "Enter description or choose from list"},
        {C::BrowseDesc, "lblPartNo", "Part Number:", nullptr},
        {C::BrowseDesc, "txtPartNo", "", nullptr},
        {C::BrowseDesc, "lblMinReq", "Min. Required:", nullptr},
        {C::BrowseDesc, "txtMinReq", "", nullptr},
        {C::BrowseDesc, "lblCurrentInv", "Current Inventory:", nullptr},
        {C::BrowseDesc, "txtCurrentInv", "", nullptr},
        {C::BrowseDesc, "lblUnitCost", "Unit Cost:", nullptr},
        {C::BrowseDesc, "txtUnitCost", "", nullptr},
        {C::BrowseDesc, "lblBin", "Bin:", nullptr},
        {C::BrowseDesc, "txtBin", "", nullptr},
        {C::BrowseDesc, "cmdNext", "Next", nullptr},
        {C::BrowseDesc, "cmdExit", "Exit", nullptr},
    };
    return table;
}

const char *nameOf(C command)
{
    switch (command) {
    case C::AddQuantity: return "add quantity";
    case C::DeleteQuantity: return "subtract quantity";
    case C::AddPart: return "add part";
    case C::DeletePart: return "delete part";
    case C::BrowsePart: return "browse by part";
    case C::BrowseDesc: return "browse by description";
    default: return "?";
    }
}

QString captionOf(const QWidget *w)
{
    if (const auto *label = qobject_cast<const QLabel *>(w))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(w))
        return button->text();
    if (const auto *field = qobject_cast<const QLineEdit *>(w))
        return field->text();
    return w->windowTitle();
}

} // namespace

class TestStockTexts : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;
    QMap<C, ChildWindow *> windows;

    ChildWindow *window(C command)
    {
        if (!windows.contains(command))
            windows.insert(command, h->open<ChildWindow>(command));
        return windows.value(command);
    }

private slots:
    void initTestCase()
    {
        h = std::make_unique<Harness>("INSERT INTO Inventory (PartNo, Description) VALUES ('R1', 'Resistor');");
    }
    void cleanupTestCase()
    {
        windows.clear();
        h.reset();
    }

    void texts_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption"); // null: not checked
        QTest::addColumn<QString>("tooltip");
        for (const Text &t : stockTexts()) {
            QTest::addRow("%s: %s", nameOf(t.command), *t.control ? t.control : "window")
                << int(t.command) << QString::fromLatin1(t.control)
                << (t.caption ? QString::fromLatin1(t.caption) : QString())
                << QString::fromLatin1(t.tooltip ? t.tooltip : "");
        }
    }
    void texts()
    {
        QFETCH(int, command);
        QFETCH(QString, control);
        QFETCH(QString, caption);
        QFETCH(QString, tooltip);
        ChildWindow *w = window(C(command));
        QVERIFY(w);
        QWidget *c = control.isEmpty() ? w : w->findChild<QWidget *>(control);
        QVERIFY2(c, qPrintable(control));
        if (!caption.isNull())
            QCOMPARE(captionOf(c), caption);
        QCOMPARE(c->toolTip(), tooltip);
    }

    // Nothing a window shows in words is missing from the table above.
    void everyTextIsListed_data()
    {
        QTest::addColumn<int>("command");
        for (C c : {C::AddQuantity, C::DeleteQuantity, C::AddPart, C::DeletePart, C::BrowsePart, C::BrowseDesc})
            QTest::addRow("%s", nameOf(c)) << int(c);
    }
    void everyTextIsListed()
    {
        QFETCH(int, command);
        ChildWindow *w = window(C(command));
        QVERIFY(w);
        QStringList listed, found;
        for (const Text &t : stockTexts()) {
            if (int(t.command) == command && *t.control)
                listed << QString::fromLatin1(t.control);
        }
        for (QWidget *c : w->findChildren<QWidget *>()) {
            // A status bar's panels show what happened, not what a control is.
            if (qobject_cast<PanelBar *>(c->parentWidget()))
                continue;
            const bool words = qobject_cast<QLabel *>(c) || qobject_cast<QAbstractButton *>(c)
                               || !c->toolTip().isEmpty();
            if (words && !c->objectName().isEmpty())
                found << c->objectName();
            else if (words)
                QVERIFY2(false, qPrintable("an unnamed control with words: " + captionOf(c)));
        }
        for (const QString &name : std::as_const(found))
            QVERIFY2(listed.contains(name), qPrintable(name));
        QVERIFY(h->ui.shown.isEmpty());
    }
};

QTEST_MAIN(TestStockTexts)
#include "tst_stocktexts.moc"
