#pragma once

// A main window over a test database for driving the two look-up windows with
// real keys, as the user does.
#include "app/childwindow.h"
#include "app/commands.h"
#include "app/mainwindow.h"
#include "testenvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QTest>

// Counts the messages shown while their window still shows the hourglass.
class BusyWatchingUi : public ScriptedUserInterface
{
public:
    int shownWhileBusy = 0;

    Answer message(QWidget *parent, const QString &text, const QString &title, Icon icon,
                   Buttons buttons) override
    {
        for (QWidget *w = parent; w; w = w->parentWidget())
            if (w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::WaitCursor)
                ++shownWhileBusy;
        return ScriptedUserInterface::message(parent, text, title, icon, buttons);
    }
};

struct BrowseHarness
{
    explicit BrowseHarness(const QString &rows = QString(),
                           TestEnvironment::Data data = TestEnvironment::Data::Empty)
        : env(rows, data), main(env.app)
    {
        env.app.setUserInterface(&ui);
        main.resize(1000, 760);
        main.show();
        main.activateWindow();
    }
    ~BrowseHarness() { env.app.setUserInterface(&env.ui); }

    bool ready() { return env.isValid() && QTest::qWaitForWindowActive(&main); }

    template <class W> W *open(CommandId id)
    {
        main.run(id);
        return qobject_cast<W *>(main.activeChild());
    }

    TestEnvironment env;
    BusyWatchingUi ui;
    MainWindow main;
};

// Keys go where the user's keys go: to the widget with the focus.
inline void typeInto(QComboBox *box, const QString &text)
{
    box->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(QApplication::focusWidget(), text);
}

inline void keyInto(QComboBox *box, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    box->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

// Puts a text into the box and presses Enter.
inline void enterText(QComboBox *box, const QString &text)
{
    box->setEditText(text);
    keyInto(box, Qt::Key_Return);
}

inline QStringList listOf(const QComboBox *box)
{
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    return entries;
}

// INSERT statements for parts: part number, description (null when empty),
// min. required, stock, unit cost, bin.
inline QString partRow(const QString &partNo, const QString &description, int minReq = 10,
                       int stock = 100, double unitCost = 1.5, int bin = 0)
{
    auto quoted = [](QString s) { return QLatin1Char('\'') + s.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\''); };
    return QStringLiteral("INSERT INTO Inventory (PartNo, Description, MinReq, CurrentInv, "
                          "UnitCost, Bin) VALUES (%1, %2, %3, %4, %5, %6);\n")
        .arg(quoted(partNo),
             description.isNull() ? QStringLiteral("NULL") : quoted(description))
        .arg(minReq)
        .arg(stock)
        .arg(unitCost)
        .arg(bin);
}

// Many parts at once, P00001 upwards, described "Item 00001" upwards.
inline QString manyParts(int count)
{
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                          "i < %1) INSERT INTO Inventory (PartNo, Description, MinReq, "
                          "CurrentInv, UnitCost, Bin) SELECT printf('P%05d', i), "
                          "printf('Item %05d', i), 1, i, 0.5, 0 FROM n;\n")
        .arg(count);
}
