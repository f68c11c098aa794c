// The main window: menus, toolbar, status bar, stored geometry, help, exit.
#include "ui/childwindow.h"
#include "app/commands.h"
#include "app/helpviewer.h"
#include "app/mainwindow.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "ui/twips.h"
#include "docs/documentwindow.h"
#include "harness.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QPushButton>
#include <QComboBox>
#include <QScreen>

namespace {

// A menu as the user reads it: "-" for a separator, "[x]" for a check mark.
QStringList menuText(const QMenu *menu)
{
    QStringList out;
    for (const QAction *a : menu->actions()) {
        if (a->isSeparator()) {
            out << "-";
            continue;
        }
        QString s = a->text();
        if (!a->shortcut().isEmpty())
            s += "\t" + a->shortcut().toString(QKeySequence::PortableText);
        if (a->isCheckable())
            s += a->isChecked() ? " [x]" : " [ ]";
        out << s;
    }
    return out;
}

using Probe = ChildWindow; // a child window with nothing of its own

// Which commands are enabled: those something is registered for. A command
// built later turns its row to true.
struct Enabled
{
    CommandId command;
    const char *name;
    bool enabled;
};
#ifdef PARTWISE_HAS_WEBENGINE
constexpr bool WithWebEngine = true;
#else
constexpr bool WithWebEngine = false; // a build without the browser
#endif
const QList<Enabled> &enabledCommands()
{
    using C = CommandId;
    static const QList<Enabled> table{
        {C::FileNew, "FileNew", true},
        {C::FileOpen, "FileOpen", true},
        {C::FileSave, "FileSave", true},
        {C::FileSaveAs, "FileSaveAs", true},
        {C::FilePrint, "FilePrint", true},
        {C::ImportParts, "ImportParts", true},
        {C::BackupDatabase, "BackupDatabase", true},
        {C::Users, "Users", true},
        {C::Import, "Import", true},
        {C::FileExit, "FileExit", true},
        {C::EditUndo, "EditUndo", true},
        {C::EditCut, "EditCut", true},
        {C::EditCopy, "EditCopy", true},
        {C::EditPaste, "EditPaste", true},
        {C::EditPasteSpecial, "EditPasteSpecial", true},
        {C::ViewToolbar, "ViewToolbar", true},
        {C::ViewStatusBar, "ViewStatusBar", true},
        {C::ViewWebBrowser, "ViewWebBrowser", WithWebEngine},
        {C::NewBOM, "NewBOM", true},
        {C::EditBOM, "EditBOM", true},
        {C::AllBOM, "AllBOM", true},
        {C::AddQuantity, "AddQuantity", true},
        {C::DeleteQuantity, "DeleteQuantity", true},
        {C::StockHistory, "StockHistory", true},
        {C::AddPart, "AddPart", true},
        {C::DeletePart, "DeletePart", true},
        {C::BrowsePart, "BrowsePart", true},
        {C::BrowseDesc, "BrowseDesc", true},
        {C::ShowAll, "ShowAll", true},
        {C::Value, "Value", true},
        {C::KitPartList, "KitPartList", true},
        {C::KitPullList, "KitPullList", true},
        {C::KitShort, "KitShort", true},
        {C::KitUpdateInv, "KitUpdateInv", true},
        {C::BinList, "BinList", true},
        {C::WindowNewWindow, "WindowNewWindow", true},
        {C::WindowCascade, "WindowCascade", true},
        {C::WindowTileHorizontal, "WindowTileHorizontal", true},
        {C::WindowTileVertical, "WindowTileVertical", true},
        {C::HelpContents, "HelpContents", true},
        {C::HelpSearch, "HelpSearch", true},
        {C::HelpAbout, "HelpAbout", true},
    };
    return table;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void menus_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("items");
        QTest::newRow("File") << "mnuFile" << "&File"
            << QStringList{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save", "Save &As...", "&Print...", "-",
                           "Import Parts...", "Back Up Database...", "-", "Add/Delete Users", "Import From Scanner", "-", "E&xit"};
        QTest::newRow("Edit") << "mnuEdit" << "&Edit"
            << QStringList{"&Undo", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V", "Paste &Special..."};
        QTest::newRow("View") << "mnuView" << "&View"
            << QStringList{"&Toolbar [x]", "Status &Bar [x]", "-", "&Web Browser"};
        QTest::newRow("BOM") << "mnuBOM" << "&Bill Of Materials"
            << QStringList{"New BOM", "Edit BOM", "Show All BOMs"};
        QTest::newRow("Inventory") << "mnuInventory" << "&Inventory"
            << QStringList{"Add Quantity To Inv", "Delete Quantity From Inv", "Stock History", "-", "Add New Part No\tCtrl+A",
                           "Delete Old Part No\tCtrl+D", "-", "Browse By Part No\tCtrl+B", "Browse By Description",
                           "-", "Show All Inventory", "-", "Show Current Value"};
        QTest::newRow("Kits") << "mnuKits" << "&Kits"
            << QStringList{"Kit Parts List", "Kit Pull List", "Kit Shortage List", "-", "Update Inv Pulled"};
        QTest::newRow("Reports") << "mnuReports" << "&Reports" << QStringList{"BIN List"};
        QTest::newRow("Window") << "mnuWindow" << "&Window"
            << QStringList{"&New Window", "-", "&Cascade", "Tile &Horizontal", "Tile &Vertical"};
        QTest::newRow("Help") << "mnuHelp" << "&Help"
            << QStringList{"&Contents", "&Search For Help On...", "-", "&About "};
    }

    void menus()
    {
        QFETCH(QString, menu);
        QFETCH(QString, caption);
        QFETCH(QStringList, items);
        TestEnvironment env;
        MainWindow w(env.app);
        QMenu *m = w.menu(menu);
        QVERIFY(m);
        QCOMPARE(m->title(), caption);
        QCOMPARE(menuText(m), items);
    }

    void commandsEnabled_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<bool>("enabled");
        for (const Enabled &e : enabledCommands())
            QTest::newRow(e.name) << int(e.command) << e.enabled;
    }
    void commandsEnabled()
    {
        QFETCH(int, command);
        QFETCH(bool, enabled);
        TestEnvironment env;
        MainWindow w(env.app);
        QAction *a = w.action(CommandId(command));
        QVERIFY(a);
        QCOMPARE(a->isEnabled(), enabled);
        // Its toolbar button, where it has one, with it.
        for (const ToolButton &b : toolbarTable()) {
            if (b.command == CommandId(command) && *b.key)
                QCOMPARE(w.toolButton(QLatin1String(b.key))->isEnabled(), enabled);
        }
    }
    // Each command of the menus has its row above, once, and its item, found
    // by its control name.
    void commandsEnabledListsEveryCommand()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        QList<CommandId> listed, all;
        for (const Enabled &e : enabledCommands())
            listed << e.command;
        for (const Command &c : commandTable()) {
            all << c.id;
            QAction *a = w.findChild<QAction *>(QLatin1String(c.objectName));
            QVERIFY2(a, c.objectName);
            QCOMPARE(a, w.action(c.id));
        }
        std::sort(listed.begin(), listed.end());
        std::sort(all.begin(), all.end());
        QCOMPARE(listed, all);
    }

    void toolbar()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        QStringList seen;
        for (QAction *a : w.toolBar()->actions())
            seen << (a->isSeparator() ? QStringLiteral("|") : a->data().toString() + "=" + a->toolTip());
        QCOMPARE(seen, QStringList({"New=New", "Open=Open", "Save=Save", "|", "Print=Print", "|", "Cut=Cut",
                                    "Copy=Copy", "Paste=Paste", "|", "|", "Add=Add To Inventory",
                                    "Subtract=Subtract From Inventory"}));
    }

    void eachStockWindowKeepsTheJobItWasOpenedFor()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        auto job = [&](auto run) -> int {
            run();
            const auto subs = w.mdiArea()->subWindowList();
            QWidget *child = subs.isEmpty() ? nullptr : subs.last()->widget();
            if (auto *inv = qobject_cast<AddDeleteInvWindow *>(child))
                return inv->addsStock() ? 1 : 0;
            if (auto *part = qobject_cast<AddDeletePartWindow *>(child))
                return part->addsParts() ? 1 : 0;
            return -1;
        };
        QCOMPARE(job([&] { w.runToolButton("Add"); }), 1);
        QCOMPARE(job([&] { w.runToolButton("Subtract"); }), 0);
        for (CommandId id : {CommandId::AddPart, CommandId::DeletePart, CommandId::AddQuantity, CommandId::DeleteQuantity})
            QCOMPARE(job([&] { w.run(id); }), int(id == CommandId::AddPart || id == CommandId::AddQuantity));
        // Case matters for button keys; others do nothing.
        const int before = int(w.mdiArea()->subWindowList().size());
        w.runToolButton("add");
        w.runToolButton("Nothing");
        QCOMPARE(int(w.mdiArea()->subWindowList().size()), before);
    }

    void statusBar()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        QCOMPARE(w.statusPanel(1)->text(), QStringLiteral("Status"));
        QVERIFY(w.load());
        QCOMPARE(w.statusPanel(1)->text(), QStringLiteral("Partwise"));
        QCOMPARE(w.statusPanel(2)->text(), QLocale().toString(QDate(2026, 3, 14), QLocale::ShortFormat));
        QCOMPARE(w.statusPanel(3)->text(), QLocale().toString(QTime(9, 26, 53), QLocale::ShortFormat));
    }

    // View > Toolbar and View > Status Bar show and hide their bars.
    void viewToggles()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        w.show();
        for (auto [command, bar] : {std::pair<CommandId, QWidget *>{CommandId::ViewToolbar, w.toolBar()},
                                    std::pair<CommandId, QWidget *>{CommandId::ViewStatusBar, w.statusBar()}}) {
            QAction *a = w.action(command);
            for (bool on : {true, false, true}) {
                QCOMPARE(a->isChecked(), on);
                QCOMPARE(bar->isVisible(), on);
                a->trigger();
            }
        }
    }

    // Defaults on a first start; a round trip in twips, stored as the text of
    // numbers; nothing stored while minimized.
    void geometryStored()
    {
        TestEnvironment env;
        {
            MainWindow w(env.app);
            QVERIFY(w.load());
            QCOMPARE(w.pos(), QPoint(Twips::toPixels(1000, &w), Twips::toPixels(1000, &w)));
            QCOMPARE(w.size(), QSize(Twips::toPixels(6500, &w), Twips::toPixels(6500, &w)));
            w.showMinimized();
            w.storeGeometry();
            QVERIFY(!env.app.settings()->contains("Settings/MainLeft"));
            w.showNormal();
            w.move(60, 45);
            w.resize(600, 450);
            QVERIFY(w.close());
        }
        auto s = env.app.settings();
        QCOMPARE(s->value("Settings/MainLeft").toString().toDouble(), Twips::fromPixels(60));
        QCOMPARE(s->value("Settings/MainWidth").toString().toDouble(), Twips::fromPixels(600));
        MainWindow again(env.app);
        QVERIFY(again.load());
        QCOMPARE(again.pos(), QPoint(60, 45));
        QCOMPARE(again.size(), QSize(600, 450));
    }

    void geometryBadValues()
    {
        TestEnvironment env;
        {
            auto s = env.app.settings();
            s->setValue("Settings/MainLeft", "left");       // not a number: default
            s->setValue("Settings/MainTop", "200000");      // far off every screen
            s->setValue("Settings/MainWidth", "9000");
            s->setValue("Settings/MainHeight", "");
        }
        MainWindow w(env.app);
        QVERIFY(w.load());
        QRect screens;
        for (QScreen *sc : QGuiApplication::screens())
            screens |= sc->availableGeometry();
        QVERIFY(screens.intersects(QRect(w.pos(), w.size())));
        QCOMPARE(w.width(), Twips::toPixels(9000, &w));
        QCOMPARE(w.height(), Twips::toPixels(6500, &w));
    }

    // File > Exit asks every window before it closes any: Cancel at any
    // question leaves every window open as it was, typed entries and
    // unchanged documents included; the next Exit asks again. Once all are
    // closed, the database closes and the geometry is stored.
    void exitAsksEveryWindowFirst_data()
    {
        QTest::addColumn<QList<UserInterface::Answer>>("answers"); // to Document 2, then Document 3
        QTest::addColumn<bool>("closed");
        using A = UserInterface::Answer;
        QTest::newRow("Cancel at the first") << QList<A>{A::Cancel} << false;
        QTest::newRow("No, then Cancel") << QList<A>{A::No, A::Cancel} << false;
        QTest::newRow("No to both") << QList<A>{A::No, A::No} << true;
    }
    void exitAsksEveryWindowFirst()
    {
        QFETCH(QList<UserInterface::Answer>, answers);
        QFETCH(bool, closed);
        Harness h;
        auto *stock = h.open<AddDeleteInvWindow>(CommandId::AddQuantity);
        QVERIFY(stock);
        QTest::keyClicks(stock->findChild<QLineEdit *>("txtPartNo"), "R100");
        QList<QPointer<ChildWindow>> windows{stock};
        for (const QString &typed : {QString(), QString("changed"), QString("changed too")}) {
            h.main.run(CommandId::FileNew);
            auto *doc = qobject_cast<DocumentWindow *>(h.main.activeChild());
            QVERIFY(doc);
            QTest::keyClicks(doc->textBox(), typed);
            windows << doc;
        }
        h.ui.answers.append(answers);
        h.main.run(CommandId::FileExit);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QStringList asked;
        for (qsizetype i = 0; i < answers.size(); ++i)
            asked << QString("Save changes to Document %1?").arg(i + 2);
        QCOMPARE(h.ui.texts(), asked);
        QCOMPARE(h.main.isVisible(), !closed);
        for (const auto &w : windows)
            QCOMPARE(w.isNull(), closed);
        QCOMPARE(h.env.app.database().isOpen(), !closed);
        QCOMPARE(h.env.app.settings()->contains("Settings/MainHeight"), closed);
        if (closed)
            return;
        QCOMPARE(stock->findChild<QLineEdit *>("txtPartNo")->text(), QString("R100"));
        h.ui.clear();
        h.ui.answers << UserInterface::Answer::No << UserInterface::Answer::No;
        h.main.run(CommandId::FileExit);
        QCOMPARE(h.ui.texts(), QStringList({"Save changes to Document 2?", "Save changes to Document 3?"}));
        QVERIFY(!h.main.isVisible());
    }

    // Enter on a focused button presses it, in every kind of child window.
    void enterPressesTheFocusedButton_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("effect");
        const int add = int(CommandId::AddQuantity), browse = int(CommandId::BrowsePart);
        QTest::newRow("stock Submit") << add << "cmdUpdate" << int(Qt::Key_Return) << "stock 105";
        QTest::newRow("stock Submit, keypad Enter") << add << "cmdUpdate" << int(Qt::Key_Enter) << "stock 105";
        QTest::newRow("stock Exit") << add << "cmdExit" << int(Qt::Key_Return) << "closed";
        QTest::newRow("part Exit") << int(CommandId::DeletePart) << "cmdExit" << int(Qt::Key_Return) << "closed";
        QTest::newRow("browse Next") << browse << "cmdNext" << int(Qt::Key_Return) << "Select a Part Number";
        QTest::newRow("browse Show Vendor") << browse << "cmdVendor" << int(Qt::Key_Return) << "vendor shown";
    }
    void enterPressesTheFocusedButton()
    {
        QFETCH(int, command);
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(QString, effect);
        Harness h("INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost) VALUES "
                  "('R100', 'Resistor', 100, 0.02), ('R150', 'Resistor 150R', 5, 0.02);"
                  "INSERT INTO PreferredVendor (Item, Vendor) VALUES ('R100', 'RS');");
        QPointer<ChildWindow> w = h.open<ChildWindow>(CommandId(command));
        QVERIFY(w);
        if (effect == "stock 105") {
            w->findChild<QLineEdit *>("txtPartNo")->setText("R100");
            w->findChild<QLineEdit *>("txtQuantity")->setText("5");
        }
        auto *b = w->findChild<QPushButton *>(button);
        QVERIFY(b);
        b->setFocus(Qt::TabFocusReason);
        QTest::keyClick(b, Qt::Key(key));
        if (effect == "closed") {
            QTRY_VERIFY(w.isNull());
        } else if (effect == "stock 105") {
            QCOMPARE(h.env.scalar("select CurrentInv from Inventory where PartNo = 'R100'").toInt(), 105);
        } else if (effect == "vendor shown") {
            QVERIFY(w->findChild<QLineEdit *>("txtVendor")->isVisible());
        } else {
            QCOMPARE(h.ui.texts(), QStringList{effect}); // the empty box is refused
        }
    }

    // Cut, Copy and Paste from the menu or the toolbar act on the focused
    // field of an entry window, or the editable box of a look-up window.
    void clipboardCommandsInFields_data()
    {
        QTest::addColumn<bool>("toolbar");
        QTest::newRow("menu") << false;
        QTest::newRow("toolbar") << true;
    }
    void clipboardCommandsInFields()
    {
        QFETCH(bool, toolbar);
        Harness h;
        auto run = [&](CommandId id, const QString &key) {
            if (toolbar)
                QTest::mouseClick(h.main.toolButton(key), Qt::LeftButton);
            else
                h.main.action(id)->trigger();
        };
        auto *w = h.open<AddDeleteInvWindow>(CommandId::AddQuantity);
        QVERIFY(w);
        QApplication::clipboard()->clear();
        QTest::keyClicks(w->findChild<QLineEdit *>("txtPartNo"), "R100");
        w->findChild<QLineEdit *>("txtPartNo")->selectAll();
        run(CommandId::EditCopy, "Copy");
        QCOMPARE(QApplication::clipboard()->text(), QString("R100"));
        w->findChild<QLineEdit *>("txtQuantity")->setFocus(Qt::OtherFocusReason);
        run(CommandId::EditPaste, "Paste");
        QCOMPARE(w->findChild<QLineEdit *>("txtQuantity")->text(), QString("R100"));
        QTest::keyClicks(w->findChild<QLineEdit *>("txtQuantity"), "5");
        w->findChild<QLineEdit *>("txtQuantity")->setSelection(0, 4);
        run(CommandId::EditCut, "Cut");
        QCOMPARE(w->findChild<QLineEdit *>("txtQuantity")->text(), QString("5"));
        QCOMPARE(QApplication::clipboard()->text(), QString("R100"));
        QVERIFY(h.ui.shown.isEmpty());

        auto *browse = h.open<ChildWindow>(CommandId::BrowsePart);
        QVERIFY(browse);
        auto *box = browse->findChild<QComboBox *>("cmbPartNo");
        box->setFocus(Qt::OtherFocusReason);
        run(CommandId::EditPaste, "Paste");
        QCOMPARE(box->currentText(), QString("R100"));
    }

    // Tiling never makes a window smaller than it was designed: its fields
    // stay whole, the tiles do not overlap, and the client area scrolls.
    void tilingKeepsWindowsWhole_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("horizontal") << int(CommandId::WindowTileHorizontal);
        QTest::newRow("vertical") << int(CommandId::WindowTileVertical);
    }
    void tilingKeepsWindowsWhole()
    {
        QFETCH(int, command);
        Harness h;
        QList<QPair<ChildWindow *, QSize>> windows;
        for (CommandId id : {CommandId::AddQuantity, CommandId::AddPart, CommandId::BrowsePart, CommandId::DeletePart}) {
            auto *w = h.open<ChildWindow>(id);
            QVERIFY(w);
            windows.append({w, w->size()});
        }
        h.main.run(CommandId(command));
        const bool horizontal = CommandId(command) == CommandId::WindowTileHorizontal;
        for (int i = 0; i < windows.size(); ++i) {
            ChildWindow *w = windows[i].first;
            const QSize designed = windows[i].second;
            QVERIFY2(w->width() >= designed.width() && w->height() >= designed.height(), qPrintable(w->windowTitle()));
            for (QWidget *control : w->findChildren<QWidget *>())
                if (control->isVisible() && !control->isWindow())
                    QVERIFY(w->rect().contains(QRect(control->mapTo(w, QPoint()), control->size())));
            if (i > 0) {
                const QRect previous = windows[i - 1].first->subWindow()->geometry();
                const QRect tile = w->subWindow()->geometry();
                QVERIFY(!previous.intersects(tile));
                QVERIFY(horizontal ? tile.top() >= previous.bottom() : tile.left() >= previous.right());
            }
        }
    }

    // Ctrl+F4 and Ctrl+W close the active child window, wherever its
    // keyboard focus is.
    void closeKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("focus"); // object name, or a class
        for (const auto &[name, key] : {std::pair{"Ctrl+F4", int(Qt::Key_F4)}, std::pair{"Ctrl+W", int(Qt::Key_W)}}) {
            const QString n = name;
            QTest::newRow(qPrintable(n + ", entry field")) << key << int(CommandId::DeleteQuantity) << "txtQuantity";
            QTest::newRow(qPrintable(n + ", button")) << key << int(CommandId::DeleteQuantity) << "cmdExit";
            QTest::newRow(qPrintable(n + ", look-up box")) << key << int(CommandId::BrowsePart) << "cmbPartNo";
            QTest::newRow(qPrintable(n + ", document")) << key << int(CommandId::FileNew) << "rtfText";
            QTest::newRow(qPrintable(n + ", maximized")) << key << int(CommandId::FileNew) << "maximized";
        }
    }
    void closeKeys()
    {
        QFETCH(int, key);
        QFETCH(int, command);
        QFETCH(QString, focus);
        Harness h;
        QVERIFY(h.open<AddDeleteInvWindow>(CommandId::AddQuantity));
        QPointer<ChildWindow> w = h.open<ChildWindow>(CommandId(command));
        QVERIFY(w);
        if (focus == "maximized")
            w->subWindow()->showMaximized();
        QWidget *target = focus == "maximized" ? w->findChild<QWidget *>("rtfText") : w->findChild<QWidget *>(focus);
        QVERIFY(target);
        target->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::ControlModifier);
        QTRY_VERIFY(w.isNull());
        QCOMPARE(h.main.mdiArea()->subWindowList().size(), 1);
    }

    // Children: placed in a cascade by the number of forms loaded, listed in
    // the Window menu, which activates the one chosen; closing itself takes
    // a child's frame with it.
    void children()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        w.show();
        auto *a = new Probe(env.app);
        a->setWindowTitle("First");
        w.showChild(a);
        a->placeAsChild();
        QCOMPARE(a->subWindow()->pos(), QPoint(0, 0));
        auto *b = new Probe(env.app);
        b->setWindowTitle("Second");
        w.showChild(b);
        w.mdiArea()->setActiveSubWindow(b->subWindow());
        QMenu *m = w.menu("mnuWindow");
        emit m->aboutToShow();
        QCOMPARE(menuText(m).mid(5), QStringList({"-", "&1 First [ ]", "&2 Second [x]"}));
        m->actions().at(6)->trigger();
        QCOMPARE(w.mdiArea()->activeSubWindow(), a->subWindow());
        auto *third = new Probe(env.app);
        w.showChild(third);
        third->placeAsChild();
        // Four forms loaded: the main window and three children.
        QCOMPARE(third->subWindow()->y(), Twips::toPixels(400, third->subWindow()));
        a->close();
        QTRY_COMPARE(w.mdiArea()->subWindowList().size(), 2);
    }

    // A new child takes the keyboard, also when it hands its focus to an
    // editor and another is active; menu shortcuts win over its text fields,
    // but Copy stays the field's own.
    void childKeyboard()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        int added = 0;
        w.registerHandler(CommandId::AddPart, [&] { ++added; });
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto *child = new Probe(env.app);
        auto *field = new QLineEdit("text", child);
        w.showChild(child);
        QTRY_COMPARE(QApplication::focusWidget(), field);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(added, 1);
        QCOMPARE(field->selectedText(), QString());
        field->selectAll();
        QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("text"));
        for (int i = 0; i < 2; ++i) {
            auto *next = new Probe(env.app);
            auto *editor = new QTextEdit(next);
            next->setFocusProxy(editor);
            w.showChild(next);
            QTRY_COMPARE(QApplication::focusWidget(), editor);
        }
    }

    void help()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        w.setHelpFile(QString());
        w.run(CommandId::HelpContents);
        w.run(CommandId::HelpSearch);
        const QString none = "Unable to display Help Contents. There is no Help associated with this project.";
        QCOMPARE(env.ui.texts(), QStringList({none, none}));
        QCOMPARE(env.ui.shown.first().icon, UserInterface::Icon::Information);
        // A configured file that is missing is reported with its name.
        env.ui.clear();
        w.setHelpFile("nowhere/index.html");
        w.run(CommandId::HelpContents);
        QCOMPARE(env.ui.shown.size(), 1);
        QVERIFY(env.ui.lastText().contains("nowhere/index.html"));
    }

    // The manual in the source tree: its contents page; Help > Search centred
    // over the main window, the keyboard in the keyword box, whose prompt
    // shows no "&"; keyword search.
    void shippedManual()
    {
        TestEnvironment env;
        env.app.setProgramFolder(PARTWISE_SOURCE_DIR);
        MainWindow w(env.app);
        w.setGeometry(100, 80, 500, 400);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.run(CommandId::HelpContents);
        QVERIFY(env.ui.shown.isEmpty());
        auto *viewer = w.findChild<HelpViewer *>();
        QVERIFY(viewer && viewer->isVisible());
        QVERIFY(viewer->browser()->toPlainText().contains("Partwise user manual"));
        // Every page linked from the contents exists and has keywords.
        QVERIFY(HelpViewer::keywordIndex(QStringLiteral(PARTWISE_SOURCE_DIR "/help/index.html")).size() > 10);
        w.run(CommandId::HelpSearch);
        auto *prompt = viewer->findChild<QLabel *>("lblKeyword");
        QVERIFY(prompt && prompt->isVisible());
        QCOMPARE(prompt->text(), QString("Type a &keyword:"));
        QCOMPARE(prompt->buddy(), viewer->searchBox()); // "&" marks the access key, not a character
        QTRY_COMPARE(QApplication::focusWidget(), viewer->searchBox());
        const QPoint offset = viewer->frameGeometry().center() - w.frameGeometry().center();
        QVERIFY2(offset.manhattanLength() <= 4, qPrintable(QString("%1,%2").arg(offset.x()).arg(offset.y())));
        QVERIFY(w.screen()->availableGeometry().contains(viewer->frameGeometry()));
        QTest::keyClicks(viewer->searchBox(), "toolb");
        QVERIFY(viewer->topicList()->count() >= 1);
        QVERIFY(viewer->topicList()->item(0)->text().startsWith("toolbar"));
        QTest::keyClick(viewer->searchBox(), Qt::Key_Return);
        QVERIFY(viewer->browser()->toPlainText().contains("Getting started"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
