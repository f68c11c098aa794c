#pragma once

// A main window over a test database for driving the two look-up windows with
// real keys, as the user does.
#include "app/mainwindow.h"
#include "testenvironment.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

// Also counts the messages shown while their window still shows the hourglass.
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

    // The window the command opened, once the main window is up.
    template <class W> W *open(CommandId id)
    {
        if (!env.isValid() || !QTest::qWaitForWindowActive(&main))
            return nullptr;
        main.run(id);
        return qobject_cast<W *>(main.activeChild());
    }

    TestEnvironment env;
    BusyWatchingUi ui;
    MainWindow main;
};

// Keys go where the user's keys go: to the widget with the focus.
inline void typeInto(QComboBox *box, const QString &text, Qt::Key key = Qt::Key_unknown)
{
    box->setFocus(Qt::OtherFocusReason);
    QTest::keyClicks(QApplication::focusWidget(), text);
    if (key != Qt::Key_unknown)
        QTest::keyClick(QApplication::focusWidget(), key);
}

inline void enterText(QComboBox *box, const QString &text)
{
    box->setEditText(text);
    typeInto(box, QString(), Qt::Key_Return);
}

inline QStringList listOf(const QComboBox *box)
{
    QStringList entries;
    for (int i = 0; i < box->count(); ++i)
        entries << box->itemText(i);
    return entries;
}

// A part: number, description (null when null), min. required, stock, unit
// cost, bin.
inline QString partRow(const QString &partNo, const QString &description, int minReq = 1,
                       int stock = 10, double unitCost = 1.5, int bin = 0)
{
    const auto quoted = [](QString s) {
        return s.isNull() ? QStringLiteral("NULL") : "'" + s.replace("'", "''") + "'";
    };
    return QStringLiteral("INSERT INTO Inventory (PartNo, Description, MinReq, CurrentInv, "
                          "UnitCost, Bin) VALUES (%1, %2, %3, %4, %5, %6);\n")
        .arg(quoted(partNo), quoted(description))
        .arg(minReq)
        .arg(stock)
        .arg(unitCost)
        .arg(bin);
}

inline const char *const NullPart = "INSERT INTO Inventory (PartNo, Description, MinReq, "
                                    "CurrentInv, UnitCost, Bin) VALUES ('%1', %2, NULL, NULL, "
                                    "NULL, NULL);\n";

// More parts than a 16-bit count holds: P00001 "Item 00001" upwards.
inline QString manyParts(int count = 33000)
{
    return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE "
                          "i < %1) INSERT INTO Inventory (PartNo, Description, MinReq, "
                          "CurrentInv, UnitCost, Bin) SELECT printf('P%05d', i), "
                          "printf('Item %05d', i), 1, i, 0.5, 0 FROM n;\n")
        .arg(count);
}

inline QString noCurrentRecordMessage()
{
    return errorMessageText(DbError::runtime(ErrorNumber::NoCurrentRecord));
}
