// The main window: commands, child windows, keys, stored geometry, help,
// the about box, exit. Its words are in the text listing (tst_texts).
#include "app/aboutbox.h"
#include "app/helpviewer.h"
#include "docs/documentwindow.h"
#include "stock/adddeleteinvwindow.h"
#include "ui/twips.h"
#include "harness.h"

#include <QtWidgets>
#include <functional>

using C = CommandId;
using A = UserInterface::Answer;

// Runs `inside` while the box that Help > About shows is up, then closes
// the box if it is still there, so that a failed check cannot hang.
static void withAboutBox(MainWindow &main, const std::function<void(AboutBox *)> &inside)
{
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<AboutBox *>(QApplication::activeModalWidget()))
            inside(box), box->reject();
    });
    main.run(CommandId::HelpAbout);
}

struct EnterRow { C command; const char *button; int key; QString effect; };
struct CloseRow { int key; C command; QString focus; }; // focus: an object name, or "maximized"
struct InfoRow { QStringList programs; bool executable; QString started; bool byEnter; int closeKey; }; // started "": the message
Q_DECLARE_METATYPE(EnterRow)
Q_DECLARE_METATYPE(CloseRow)
Q_DECLARE_METATYPE(InfoRow)

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    // A command is enabled exactly when something serves it (the browser in
    // a build with it); its item is found by name, its toolbar button agrees.
    // The toolbar's Add and Subtract open the stock window for their job (the
    // menu's jobs show in the listing); keys match with case, others do
    // nothing. View > Toolbar and View > Status Bar show and hide their bars.
    void commandsEnabled()
    {
        Harness h;
        bool web = false;
#ifdef PARTWISE_HAS_WEBENGINE
        web = true;
#endif
        for (const Command &c : commandTable()) {
            QAction *a = h.main.findChild<QAction *>(c.objectName);
            QVERIFY2(a && a == h.main.action(c.id) && a->isEnabled() == (web || c.id != C::ViewWebBrowser), c.objectName);
        }
        for (const ToolButton &b : toolbarTable())
            QVERIFY(!*b.key || h.main.toolButton(b.key)->isEnabled() == h.main.action(b.command)->isEnabled());
        for (auto [key, adds] : {std::pair{"Add", true}, {"Subtract", false}}) {
            h.main.runToolButton(key);
            QVERIFY(qobject_cast<AddDeleteInvWindow *>(h.main.activeChild())->addsStock() == adds);
        }
        h.main.runToolButton("add"), h.main.runToolButton("Nothing");
        QCOMPARE(h.main.mdiArea()->subWindowList().size(), 2);
        for (auto [command, bar] : {std::pair<C, QWidget *>{C::ViewToolbar, h.main.toolBar()}, {C::ViewStatusBar, h.main.statusBar()}})
            for (bool on : {true, false, true}) {
                QVERIFY(h.main.action(command)->isChecked() == on && bar->isVisible() == on);
                h.main.action(command)->trigger();
            }
    }

    // Defaults on a first start; a round trip in twips, stored as the text of
    // numbers; nothing stored while minimized; bad values fall back.
    void geometryStored()
    {
        TestEnvironment env;
        auto px = [](int twips, QWidget *w) { return Twips::toPixels(twips, w); };
        {
            MainWindow w(env.app);
            QVERIFY(w.load());
            QCOMPARE(QRect(w.pos(), w.size()), QRect(px(1000, &w), px(1000, &w), px(6500, &w), px(6500, &w)));
            w.showMinimized(), w.storeGeometry();
            QVERIFY(!env.app.settings()->contains("Settings/MainLeft"));
            w.showNormal(), w.move(60, 45), w.resize(600, 450);
            QVERIFY(w.close());
        }
        QVERIFY(env.app.settings()->value("Settings/MainLeft").toString().toDouble() == Twips::fromPixels(60)
                && env.app.settings()->value("Settings/MainWidth").toString().toDouble() == Twips::fromPixels(600));
        MainWindow again(env.app);
        QVERIFY(again.load());
        QCOMPARE(QRect(again.pos(), again.size()), QRect(60, 45, 600, 450));
        // Not a number: the default; far off every screen: moved onto one.
        for (auto [key, value] : {std::pair{"MainLeft", "left"}, {"MainTop", "200000"}, {"MainWidth", "9000"}, {"MainHeight", ""}})
            env.app.settings()->setValue(QString("Settings/") + key, value);
        MainWindow bad(env.app);
        QVERIFY(bad.load());
        QVERIFY(bad.screen()->availableVirtualGeometry().intersects(QRect(bad.pos(), bad.size()))
                && bad.size() == QSize(px(9000, &bad), px(6500, &bad)));
    }

    // File > Exit asks every window before it closes any: Cancel at any
    // question leaves every window open as it was, typed entries and
    // unchanged documents included; the next Exit asks again. Once all are
    // closed, the database closes and the geometry is stored.
    void exitAsksEveryWindowFirst()
    {
        const QStringList asked{"Save changes to Document 2?", "Save changes to Document 3?"};
        for (const QList<A> &answers : {QList<A>{A::Cancel}, {A::No, A::Cancel}, {A::No, A::No}}) {
            const bool closed = answers.size() == 2 && answers[1] == A::No;
            Harness h;
            QList<QPointer<ChildWindow>> windows{h.open<AddDeleteInvWindow>(C::AddQuantity)};
            Drive::type(windows[0], "txtPartNo", "R100");
            for (const QString &typed : {QString(), QString("changed"), QString("changed too")}) {
                windows << h.open<DocumentWindow>(C::FileNew);
                QTest::keyClicks(qobject_cast<DocumentWindow *>(windows.last())->textBox(), typed);
            }
            h.ui.answers.append(answers), h.main.run(C::FileExit);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(h.ui.texts(), asked.mid(0, answers.size()));
            for (const auto &w : windows)
                QCOMPARE(w.isNull(), closed);
            QVERIFY(h.main.isVisible() != closed && h.env.app.database().isOpen() != closed
                    && h.env.app.settings()->contains("Settings/MainHeight") == closed);
            if (closed)
                continue;
            QCOMPARE(Drive::find<QLineEdit>(windows[0], "txtPartNo")->text(), QString("R100"));
            h.ui.clear(), h.ui.answers << A::No << A::No, h.main.run(C::FileExit);
            QVERIFY(h.ui.texts() == asked && !h.main.isVisible());
        }
    }

    // A window that will not close, as a busy one may not, keeps the program
    // and its database open.
    void exitStopsAtAWindowThatStaysOpen()
    {
        struct Stubborn : QWidget {
            void closeEvent(QCloseEvent *event) override { event->ignore(); }
        };
        Harness h;
        h.main.mdiArea()->addSubWindow(new Stubborn)->show();
        h.main.run(C::FileExit);
        QVERIFY(h.main.isVisible() && h.env.app.database().isOpen());
    }

    // Enter on a focused button presses it, in every kind of child window.
    void enterPressesTheFocusedButton_data()
    {
        QTest::addColumn<EnterRow>("row");
        QTest::newRow("stock Submit") << EnterRow{C::AddQuantity, "cmdUpdate", Qt::Key_Return, "stock 105"};
        QTest::newRow("stock Submit, keypad Enter") << EnterRow{C::AddQuantity, "cmdUpdate", Qt::Key_Enter, "stock 105"};
        QTest::newRow("stock Exit") << EnterRow{C::AddQuantity, "cmdExit", Qt::Key_Return, "closed"};
        QTest::newRow("part Exit") << EnterRow{C::DeletePart, "cmdExit", Qt::Key_Return, "closed"};
        QTest::newRow("browse Next") << EnterRow{C::BrowsePart, "cmdNext", Qt::Key_Return, "Select a Part Number"};
        QTest::newRow("browse Show Vendor") << EnterRow{C::BrowsePart, "cmdVendor", Qt::Key_Return, "vendor shown"};
    }
    void enterPressesTheFocusedButton()
    {
        QFETCH(EnterRow, row);
        Harness h("INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost) VALUES "
                  "('R100', 'Resistor', 100, 0.02), ('R150', 'Resistor 150R', 5, 0.02);"
                  "INSERT INTO PreferredVendor (Item, Vendor) VALUES ('R100', 'RS');");
        QPointer<ChildWindow> w = h.open<ChildWindow>(row.command);
        if (row.effect == "stock 105")
            Drive::find<QLineEdit>(w, "txtPartNo")->setText("R100"), Drive::find<QLineEdit>(w, "txtQuantity")->setText("5");
        Drive::focus(Drive::find(w, row.button)), Drive::key(row.key);
        if (row.effect == "closed")
            QTRY_VERIFY(w.isNull());
        else if (row.effect == "stock 105")
            QCOMPARE(h.env.scalar("select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 105);
        else if (row.effect == "vendor shown")
            QVERIFY(Drive::find(w, "txtVendor")->isVisible());
        else
            QCOMPARE(h.ui.texts(), QStringList{row.effect}); // the empty box is refused
    }

    // Cut, Copy and Paste from the menu or the toolbar act on the focused
    // field of an entry window, or the editable box of a look-up window.
    void clipboardCommandsInFields()
    {
        for (bool toolbar : {false, true}) {
            Harness h;
            auto run = [&](C id, const QString &key) {
                toolbar ? QTest::mouseClick(h.main.toolButton(key), Qt::LeftButton) : h.main.action(id)->trigger();
            };
            auto *w = h.open<AddDeleteInvWindow>(C::AddQuantity);
            auto *partNo = Drive::find<QLineEdit>(w, "txtPartNo"), *quantity = Drive::find<QLineEdit>(w, "txtQuantity");
            QApplication::clipboard()->clear();
            Drive::type(w, "txtPartNo", "R100"), partNo->selectAll(), run(C::EditCopy, "Copy");
            QCOMPARE(QApplication::clipboard()->text(), QString("R100"));
            Drive::focus(quantity), run(C::EditPaste, "Paste");
            QCOMPARE(quantity->text(), QString("R100"));
            Drive::typeText("5"), quantity->setSelection(0, 4), run(C::EditCut, "Cut");
            QVERIFY(quantity->text() == "5" && QApplication::clipboard()->text() == "R100" && h.ui.shown.isEmpty());
            auto *browse = h.open<ChildWindow>(C::BrowsePart);
            Drive::focus(Drive::find(browse, "cmbPartNo")), run(C::EditPaste, "Paste");
            QCOMPARE(Drive::find<QComboBox>(browse, "cmbPartNo")->currentText(), QString("R100"));
        }
    }

    // Tiling never makes a window smaller than it was designed: its fields
    // stay whole, the tiles do not overlap, and the client area scrolls.
    void tilingKeepsWindowsWhole()
    {
        for (C command : {C::WindowTileHorizontal, C::WindowTileVertical}) {
            Harness h;
            QList<QPair<ChildWindow *, QSize>> windows;
            for (C id : {C::AddQuantity, C::AddPart, C::BrowsePart, C::DeletePart})
                if (auto *w = h.open<ChildWindow>(id))
                    windows.append({w, w->size()});
            h.main.run(command);
            for (int i = 0; i < windows.size(); ++i) {
                ChildWindow *w = windows[i].first;
                QVERIFY2(w->size().expandedTo(windows[i].second) == w->size(), qPrintable(w->windowTitle()));
                for (QWidget *control : w->findChildren<QWidget *>())
                    QVERIFY(!control->isVisible() || control->isWindow()
                            || w->rect().contains(QRect(control->mapTo(w, QPoint()), control->size())));
                const QRect tile = w->subWindow()->geometry(), previous = windows[qMax(i - 1, 0)].first->subWindow()->geometry();
                QVERIFY(i == 0 || (!previous.intersects(tile) && (command == C::WindowTileHorizontal
                                                                  ? tile.top() >= previous.bottom() : tile.left() >= previous.right())));
            }
        }
    }

    // Ctrl+F4 and Ctrl+W close the active child window, wherever its
    // keyboard focus is.
    void closeKeys_data()
    {
        QTest::addColumn<CloseRow>("row");
        for (const auto &[name, key] : {std::pair{"Ctrl+F4", int(Qt::Key_F4)}, std::pair{"Ctrl+W", int(Qt::Key_W)}}) {
            QTest::addRow("%s, entry field", name) << CloseRow{key, C::DeleteQuantity, "txtQuantity"};
            QTest::addRow("%s, button", name) << CloseRow{key, C::DeleteQuantity, "cmdExit"};
            QTest::addRow("%s, look-up box", name) << CloseRow{key, C::BrowsePart, "cmbPartNo"};
            QTest::addRow("%s, document", name) << CloseRow{key, C::FileNew, "rtfText"};
            QTest::addRow("%s, maximized", name) << CloseRow{key, C::FileNew, "maximized"};
        }
    }
    void closeKeys()
    {
        QFETCH(CloseRow, row);
        Harness h;
        h.open<AddDeleteInvWindow>(C::AddQuantity);
        QPointer<ChildWindow> w = h.open<ChildWindow>(row.command);
        if (row.focus == "maximized")
            w->subWindow()->showMaximized();
        Drive::focus(Drive::find(w, row.focus == "maximized" ? "rtfText" : qPrintable(row.focus))), Drive::key(row.key, Qt::ControlModifier);
        QTRY_VERIFY(w.isNull());
        QCOMPARE(h.main.mdiArea()->subWindowList().size(), 1);
    }

    // Children: placed in a cascade by the number of forms loaded, listed in
    // the Window menu, which activates the one chosen; closing itself takes
    // a child's frame with it. A new child takes the keyboard, also when it
    // hands its focus to an editor and another is active; menu shortcuts win
    // over its text fields, but Copy stays the field's own.
    void children()
    {
        Harness h;
        int added = 0;
        h.main.registerHandler(C::AddPart, [&] { ++added; });
        auto *a = new ChildWindow(h.env.app), *b = new ChildWindow(h.env.app), *third = new ChildWindow(h.env.app);
        a->setWindowTitle("First"), h.main.showChild(a), a->placeAsChild();
        QCOMPARE(a->subWindow()->pos(), QPoint(0, 0));
        b->setWindowTitle("Second"), h.main.showChild(b), h.main.mdiArea()->setActiveSubWindow(b->subWindow());
        QMenu *m = h.main.menu("mnuWindow");
        emit m->aboutToShow();
        QStringList items;
        for (QAction *item : m->actions().mid(5))
            items << (item->isSeparator() ? "-" : item->text() + (item->isChecked() ? " [x]" : ""));
        QCOMPARE(items, QStringList({"-", "&1 First", "&2 Second [x]"}));
        m->actions().at(6)->trigger();
        QCOMPARE(h.main.mdiArea()->activeSubWindow(), a->subWindow());
        h.main.showChild(third), third->placeAsChild();
        // Four forms loaded: the main window and three children.
        QCOMPARE(third->subWindow()->y(), Twips::toPixels(400, third->subWindow()));
        a->close();
        QTRY_COMPARE(h.main.mdiArea()->subWindowList().size(), 2);
        QVERIFY(h.ready());
        auto *child = new ChildWindow(h.env.app);
        auto *field = new QLineEdit("text", child);
        h.main.showChild(child);
        QTRY_COMPARE(Drive::focused(), field);
        Drive::key(Qt::Key_A, Qt::ControlModifier);
        QVERIFY(added == 1 && field->selectedText().isEmpty());
        field->selectAll(), Drive::key(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("text"));
        for (int i = 0; i < 2; ++i) {
            auto *next = new ChildWindow(h.env.app);
            auto *editor = new QTextEdit(next);
            next->setFocusProxy(editor), h.main.showChild(next);
            QTRY_COMPARE(Drive::focused(), editor);
        }
    }

    // No manual: Contents and Search say so; a configured file that is
    // missing is named. The manual in the source tree: its contents page;
    // Help > Search centred over the main window, the keyboard in the keyword
    // box, whose prompt shows no "&"; keyword search.
    void help()
    {
        Harness h;
        h.main.setHelpFile(QString()), h.main.run(C::HelpContents), h.main.run(C::HelpSearch);
        const QString none = "Unable to display Help Contents. There is no Help associated with this project.";
        QVERIFY(h.ui.texts() == QStringList({none, none}) && h.ui.shown.first().icon == UserInterface::Icon::Information);
        h.main.setHelpFile("nowhere/index.html"), h.main.run(C::HelpContents);
        QVERIFY(h.lastMessage().contains("nowhere/index.html"));

        TestEnvironment env;
        env.app.setProgramFolder(PARTWISE_SOURCE_DIR);
        MainWindow w(env.app);
        w.setGeometry(100, 80, 500, 400), w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.run(C::HelpContents);
        auto *viewer = w.findChild<HelpViewer *>();
        QVERIFY(env.ui.shown.isEmpty() && viewer && viewer->isVisible() && viewer->browser()->toPlainText().contains("Partwise user manual"));
        // Every page linked from the contents exists and has keywords.
        QVERIFY(HelpViewer::keywordIndex(QStringLiteral(PARTWISE_SOURCE_DIR "/help/index.html")).size() > 10);
        w.run(C::HelpSearch);
        auto *prompt = viewer->findChild<QLabel *>("lblKeyword");
        // "&" marks the access key, not a character.
        QVERIFY(prompt && prompt->isVisible() && prompt->text() == "Type a &keyword:" && prompt->buddy() == viewer->searchBox());
        QTRY_COMPARE(Drive::focused(), viewer->searchBox());
        const QPoint offset = viewer->frameGeometry().center() - w.frameGeometry().center();
        QVERIFY(offset.manhattanLength() <= 4 && w.screen()->availableGeometry().contains(viewer->frameGeometry()));
        Drive::typeText("TOOLB"); // any letter case
        QVERIFY(viewer->topicList()->count() >= 1 && viewer->topicList()->item(0)->text().startsWith("toolbar"));
        Drive::key(Qt::Key_Return);
        QVERIFY(viewer->browser()->toPlainText().contains("Getting started"));
    }

    // System Info... starts the first system information program on the
    // PATH, or says that there is none; the box stays open either way.
    void systemInfo_data()
    {
        QTest::addColumn<InfoRow>("row");
        QTest::newRow("none") << InfoRow{{}, true, "", false, Qt::Key_Escape};
        QTest::newRow("first one found") << InfoRow{{"kinfocenter", "hardinfo"}, true, "hardinfo", false, Qt::Key_Return};
        QTest::newRow("Enter on the focused button") << InfoRow{{"kinfocenter"}, true, "kinfocenter", true, Qt::Key_Escape};
        QTest::newRow("not executable") << InfoRow{{"hardinfo"}, false, "", false, Qt::Key_Return};
        QTest::newRow("other programs only") << InfoRow{{"sysinfo", "top"}, true, "", false, Qt::Key_Escape};
    }
    void systemInfo()
    {
        QFETCH(InfoRow, row);
        // A PATH of stand-ins that note which of them ran (renamed into
        // place, so that the note never exists without its content).
        QTemporaryDir path;
        const QString marker = path.filePath("started");
        for (const QString &name : row.programs) {
            QFile f(path.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QString("#!/bin/sh\necho %1 > '%2.part' && /bin/mv '%2.part' '%2'\n").arg(name, marker).toUtf8()));
            f.setPermissions(f.permissions() | (row.executable ? QFile::ExeOwner : QFile::Permissions()));
        }
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(path.path()));
        Harness h;
        bool stayedOpen = false, closed = false;
        QVERIFY(h.ready());
        withAboutBox(h.main, [&](AboutBox *box) {
            // Modal over the main window, centred, OK the default; Enter and Esc close it.
            QVERIFY(box->isModal() && box->parentWidget() == &h.main && box->cmdOK->isDefault()
                    && (box->geometry().center() - h.main.geometry().center()).manhattanLength() < 40);
            if (row.byEnter) {
                QApplication::setActiveWindow(box);
                for (int i = 0; i < 5 && Drive::focused() != box->cmdSysInfo; ++i)
                    Drive::key(Qt::Key_Tab);
                QCOMPARE(Drive::focused(), box->cmdSysInfo);
                Drive::key(Qt::Key_Return);
            } else {
                QTest::mouseClick(box->cmdSysInfo, Qt::LeftButton);
            }
            stayedOpen = box->isVisible();
            Drive::focus(box->cmdOK), QTest::keyClick(box, Qt::Key(row.closeKey)), closed = !box->isVisible();
        });
        qputenv("PATH", savedPath);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(stayedOpen && closed && h.main.findChildren<AboutBox *>().isEmpty());
        if (row.started.isEmpty()) {
            QCOMPARE(h.ui.texts(), QStringList{"System Information Is Unavailable At This Time"});
            QVERIFY(h.ui.shown.first().title == "Partwise" && h.ui.shown.first().icon == UserInterface::Icon::None);
            QTest::qWait(100);
            QVERIFY(!QFile::exists(marker));
        } else {
            QVERIFY(h.ui.shown.isEmpty());
            QTRY_VERIFY(QFile::exists(marker));
            QFile f(marker);
            QVERIFY(f.open(QIODevice::ReadOnly) && f.readAll().trimmed() == row.started.toUtf8());
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
