#pragma once

// A main window over a test database, for driving its child windows with real
// keys as the user does.
#include "app/mainwindow.h"
#include "drive.h"
#include "testenvironment.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTest>

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
    // Destroyed in the test's cleanup(): fails the test when a message came
    // with the hourglass or a window was left busy.
    ~Harness()
    {
        bool busy = false;
        for (QMdiSubWindow *sub : main.mdiArea()->subWindowList())
            busy = busy || sub->widget()->cursor().shape() == Qt::WaitCursor;
        main.close(); // as the user closes it: the children first
        env.app.setUserInterface(&env.ui);
        QCOMPARE(ui.shownWhileBusy, 0);
        QVERIFY2(!busy, "a window kept the hourglass");
    }

    bool ready() { return env.isValid() && QTest::qWaitForWindowActive(&main); }
    template <class W> W *open(CommandId id)
    {
        if (!ready())
            return nullptr;
        main.run(id);
        return qobject_cast<W *>(main.activeChild());
    }

    // The answer the user gives to the next question (Yes/No, OK/Cancel).
    void answerNext(UserInterface::Answer a) { ui.answers.enqueue(a); }
    QString lastMessage() const { return ui.lastText(); }
    TestEnvironment env;
    WatchingUi ui;
    MainWindow main;
};
