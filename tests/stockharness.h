#pragma once

// A main window with its Inventory commands over a test database, for driving
// the stock and part windows as the user does.
#include "app/childwindow.h"
#include "app/commands.h"
#include "app/mainwindow.h"
#include "testenvironment.h"

#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QTest>

// Also notes every message shown while its window still shows the hourglass.
class WatchingUi : public ScriptedUserInterface
{
public:
    int shownWhileBusy = 0;

    Answer message(QWidget *parent, const QString &text, const QString &title, Icon icon,
                   Buttons buttons) override
    {
        for (QWidget *w = parent; w; w = w->parentWidget()) {
            if (w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::WaitCursor)
                ++shownWhileBusy;
        }
        return ScriptedUserInterface::message(parent, text, title, icon, buttons);
    }
};

struct StockHarness
{
    explicit StockHarness(const QString &rows = QString(),
                          TestEnvironment::Data data = TestEnvironment::Data::Empty)
        : env(rows, data), main(env.app)
    {
        env.app.setUserInterface(&ui);
        main.resize(1000, 760);
        main.show();
        main.activateWindow();
    }
    ~StockHarness()
    {
        // Closed as the user closes it: every child window first.
        main.close();
        env.app.setUserInterface(&env.ui);
    }

    bool ready() { return env.isValid() && QTest::qWaitForWindowActive(&main); }

    template <class W> W *open(CommandId id)
    {
        main.run(id);
        return qobject_cast<W *>(main.activeChild());
    }
    template <class W> W *openTool(const QString &key)
    {
        main.runToolButton(key);
        return qobject_cast<W *>(main.activeChild());
    }
    QVariant stock(const QString &partNo)
    {
        return env.scalar("select CurrentInv from Inventory where PartNo = ?", {partNo});
    }

    TestEnvironment env;
    WatchingUi ui;
    MainWindow main;
};

// Types a text into a field and presses Enter there, as the user does.
inline void typeAndEnter(QLineEdit *field, const QString &text)
{
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(field, char(c.unicode()));
        else // keys that QTest cannot name: a key event that carries the letter
            QTest::sendKeyEvent(QTest::Click, field, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    QTest::keyClick(field, Qt::Key_Return);
}
