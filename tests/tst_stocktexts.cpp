// The words of the stock windows as the user reads them: window captions,
// labels, button captions, tooltips and initial texts, each window in each of
// its jobs. Every label, button and tooltip a window has is in the table.
#include "ui/childwindow.h"
#include "ui/panelbar.h"
#include "harness.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QMap>

namespace {

using C = CommandId;

// One row for each window that shows the same words.
struct Text
{
    QList<C> in;
    const char *control; // empty: the window itself
    const char *caption; // the caption, or the initial text of a field; null: none to check
    const char *tooltip; // null: none
};

const QList<Text> &stockTexts()
{
    const QList<C> stock{C::AddQuantity, C::DeleteQuantity}, part{C::AddPart, C::DeletePart},
        browse{C::BrowsePart, C::BrowseDesc};
    static const QList<Text> table{
        {{C::AddQuantity}, "", "Add To Inventory", nullptr},
        {{C::DeleteQuantity}, "", "Subract from Inventory", nullptr},
        {stock, "lblPartNo", "Part Number:", nullptr},
        {stock, "txtPartNo", "", "Enter the part number to adjust"},
        {stock, "lblQty", "Quantity:", nullptr},
        {stock, "txtQuantity", "", "Enter the amount to adjust"},
        {stock, "lblNote", "Note:", nullptr},
        {stock, "txtNote", "", "Why the stock changes (kept in the stock history)"},
        {stock + part, "cmdUpdate", "Submit", nullptr},
        {stock + part + browse, "cmdExit", "Exit", nullptr},
        // Part master: the delete job hides all but the part number.
        {{C::AddPart}, "", "Add New Part To Inventory", nullptr},
        {{C::DeletePart}, "", "Delete Part From Inventory", nullptr},
        {part + browse, "lblPartNo", "Part Number:", nullptr},
        {part, "txtPartNo", "", "Enter part number"},
        {part, "lblQuantity", "Quantity On Hand:", nullptr},
        {part, "txtQuantity", "", "Enter initial amount"},
        {part, "lblDescription", "Description:", nullptr},
        {part, "txtDescription", "", "Enter part description"},
        {part, "lblCost", "Unit Cost:", nullptr},
        {part, "txtCost", "", "Enter the cost per part"},
        {part, "lblReorder", "Reorder Point:", nullptr},
        {part, "txtReorder", "", "Enter the number to reorder at"},
        {part + QList<C>{C::BrowsePart}, "lblVendor", "Preferred Vendor:", nullptr},
        {part, "txtVendor", "", "Enter the vendor purchased from"},
        // Browse by part number, by description.
        {browse, "", "Browse Inventory", nullptr},
        {{C::BrowsePart}, "cmbPartNo", nullptr, "Enter Part Number or choose from list"},
        {{C::BrowseDesc}, "cmbDesc", nullptr, "Enter description or choose from list"},
        {{C::BrowseDesc}, "txtPartNo", "", nullptr},
        {browse, "lblMinReq", "Min. Required:", nullptr},
        {browse, "lblCurrentInv", "Current Inventory:", nullptr},
        {browse, "lblDesc", "Description:", nullptr},
        {{C::BrowsePart}, "txtDesc", "", nullptr},
        {browse, "lblUnitCost", "Unit Cost:", nullptr},
        {browse, "lblBin", "Bin:", nullptr},
        {browse, "txtMinReq", "", nullptr},
        {browse, "txtCurrentInv", "", nullptr},
        {browse, "txtUnitCost", "", nullptr},
        {browse, "txtBin", "", nullptr},
        {{C::BrowsePart}, "txtVendor", "Text1", nullptr},
        {browse, "cmdNext", "Next", nullptr},
        {{C::BrowsePart}, "cmdVendor", "Show Vendor", nullptr},
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
            for (C c : t.in)
                QTest::addRow("%s: %s", nameOf(c), *t.control ? t.control : "window")
                    << int(c) << QString::fromLatin1(t.control) << (t.caption ? QString::fromLatin1(t.caption) : QString())
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
            if (t.in.contains(C(command)) && *t.control)
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
