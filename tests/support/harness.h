#pragma once

// A main window over a test database, for driving its child windows with real
// keys as the user does.
#include "app/mainwindow.h"
#include "drive.h"
#include "testenvironment.h"
#include "textlisting.h"

#include <QtWidgets>

// Also counts the messages shown while their window still shows the hourglass,
// and notes each message as a line of the text listing.
class WatchingUi : public ScriptedUserInterface
{
public:
    int shownWhileBusy = 0;
    QStringList messages;
    Answer message(QWidget *parent, const QString &text, const QString &title, Icon icon,
                   Buttons buttons) override
    {
        for (QWidget *w = parent; w; w = w->parentWidget())
            shownWhileBusy += w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::WaitCursor;
        messages << TextListing::line(TextListing::windowOf(parent), QString(), "message", text);
        return ScriptedUserInterface::message(parent, text, title, icon, buttons);
    }
};

struct Harness
{
    explicit Harness(const QString &rows = QString()) : env(rows), main(env.app)
    {
        env.app.setUserInterface(&ui), main.resize(1000, 760), main.show(), main.activateWindow();
    }
    // Destroyed in the test's cleanup(): fails the test when a message came
    // with the hourglass, a window was left busy or a message is not in the
    // text listing (tests/texts.txt).
    ~Harness()
    {
        bool busy = false;
        for (QMdiSubWindow *sub : main.mdiArea()->subWindowList())
            busy = busy || sub->widget()->cursor().shape() == Qt::WaitCursor;
        main.close(); // as the user closes it: the children first
        env.app.setUserInterface(&env.ui);
        QCOMPARE(ui.shownWhileBusy, 0);
        QVERIFY2(!busy, "a window kept the hourglass");
        const QStringList unlisted = TextListing::unlisted(ui.messages, env.folder());
        QVERIFY2(unlisted.isEmpty(), qPrintable("messages not in tests/texts.txt (PARTWISE_UPDATE_TEXTS=1 adds them):\n"
                                                + unlisted.join('\n')));
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
