// The main window: menus, toolbar, status bar, stored geometry, help, exit.
#include "ui/childwindow.h"
#include "app/commands.h"
#include "app/helpviewer.h"
#include "app/mainwindow.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "ui/twips.h"
#include "testenvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>

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

class Probe : public ChildWindow
{
public:
    using ChildWindow::ChildWindow;
    static int closed;
    ~Probe() override { ++closed; }
};
int Probe::closed = 0;

// Which commands are enabled: those something is registered for. A command
// built later turns its row to true.
struct Enabled
{
    CommandId command;
    const char *name;
    bool enabled;
};
const QList<Enabled> &enabledCommands()
{
    using C = CommandId;
    static const QList<Enabled> table{
        {C::FileNew, "FileNew", true},
        {C::FileOpen, "FileOpen", true},
        {C::FileSave, "FileSave", true},
        {C::FileSaveAs, "FileSaveAs", true},
        {C::FilePrint, "FilePrint", true},
        {C::Users, "Users", false},
        {C::Import, "Import", true},
        {C::FileExit, "FileExit", true},
        {C::EditUndo, "EditUndo", true},
        {C::EditCut, "EditCut", true},
        {C::EditCopy, "EditCopy", true},
        {C::EditPaste, "EditPaste", true},
        {C::EditPasteSpecial, "EditPasteSpecial", true},
        {C::ViewToolbar, "ViewToolbar", true},
        {C::ViewStatusBar, "ViewStatusBar", true},
        {C::ViewWebBrowser, "ViewWebBrowser", false},
        {C::NewBOM, "NewBOM", false},
        {C::EditBOM, "EditBOM", false},
        {C::AllBOM, "AllBOM", false},
        {C::AddQuantity, "AddQuantity", true},
        {C::DeleteQuantity, "DeleteQuantity", true},
        {C::AddPart, "AddPart", true},
        {C::DeletePart, "DeletePart", true},
        {C::BrowsePart, "BrowsePart", true},
        {C::BrowseDesc, "BrowseDesc", true},
        {C::ShowAll, "ShowAll", false},
        {C::Value, "Value", false},
        {C::KitPartList, "KitPartList", false},
        {C::KitPullList, "KitPullList", false},
        {C::KitShort, "KitShort", false},
        {C::KitUpdateInv, "KitUpdateInv", false},
        {C::BinList, "BinList", false},
        {C::WindowNewWindow, "WindowNewWindow", true},
        {C::WindowCascade, "WindowCascade", true},
        {C::WindowTileHorizontal, "WindowTileHorizontal", true},
        {C::WindowTileVertical, "WindowTileVertical", true},
        {C::HelpContents, "HelpContents", true},
        {C::HelpSearch, "HelpSearch", true},
        {C::HelpAbout, "HelpAbout", false},
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
                           "Add/Delete Users", "Import From Scanner", "-", "E&xit"};
        QTest::newRow("Edit") << "mnuEdit" << "&Edit"
            << QStringList{"&Undo", "-", "Cu&t\tCtrl+X", "&Copy\tCtrl+C", "&Paste\tCtrl+V", "Paste &Special..."};
        QTest::newRow("View") << "mnuView" << "&View"
            << QStringList{"&Toolbar [x]", "Status &Bar [x]", "-", "&Web Browser"};
        QTest::newRow("BOM") << "mnuBOM" << "&Bill Of Materials"
            << QStringList{"New BOM", "Edit BOM", "Show All BOMs"};
        QTest::newRow("Inventory") << "mnuInventory" << "&Inventory"
            << QStringList{"Add Quantity To Inv", "Delete Quantity From Inv", "-", "Add New Part No\tCtrl+A",
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

    void menuOrderAndCommandNames()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        QStringList titles;
        for (QAction *a : w.menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, QStringList({"&File", "&Edit", "&View", "&Bill Of Materials", "&Inventory", "&Kits",
                                      "&Reports", "&Window", "&Help"}));
        // Every command of the table has its item, found by its control name.
        for (const Command &c : commandTable()) {
            QAction *a = w.findChild<QAction *>(QLatin1String(c.objectName));
            QVERIFY2(a, c.objectName);
            QCOMPARE(a, w.action(c.id));
        }
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
    // Each command of the menus has its row above, once.
    void commandsEnabledListsEveryCommand()
    {
        QList<CommandId> listed;
        for (const Enabled &e : enabledCommands())
            listed << e.command;
        QList<CommandId> all;
        for (const Command &c : commandTable())
            all << c.id;
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
        QCOMPARE(w.toolBar()->objectName(), QStringLiteral("tbToolBar"));
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
        QCOMPARE(job([&] { w.run(CommandId::AddPart); }), 1);
        QCOMPARE(job([&] { w.run(CommandId::DeletePart); }), 0);
        QCOMPARE(job([&] { w.run(CommandId::AddQuantity); }), 1);
        QCOMPARE(job([&] { w.run(CommandId::DeleteQuantity); }), 0);
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
        QCOMPARE(w.statusBar()->objectName(), QStringLiteral("sbMainBar"));
        QVERIFY(w.load());
        QCOMPARE(w.statusPanel(1)->text(), QStringLiteral("Partwise"));
        QCOMPARE(w.statusPanel(2)->text(), QLocale().toString(QDate(2026, 3, 14), QLocale::ShortFormat));
        QCOMPARE(w.statusPanel(3)->text(), QLocale().toString(QTime(9, 26, 53), QLocale::ShortFormat));
    }

    void viewToggles_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("toolbar") << int(CommandId::ViewToolbar);
        QTest::newRow("status bar") << int(CommandId::ViewStatusBar);
    }

    void viewToggles()
    {
        QFETCH(int, command);
        TestEnvironment env;
        MainWindow w(env.app);
        w.show();
        QWidget *bar = CommandId(command) == CommandId::ViewToolbar ? static_cast<QWidget *>(w.toolBar())
                                                                   : w.statusBar();
        QAction *a = w.action(CommandId(command));
        QVERIFY(a->isChecked() && bar->isVisible());
        a->trigger();
        QVERIFY(!a->isChecked());
        QVERIFY(!bar->isVisible());
        a->trigger();
        QVERIFY(a->isChecked());
        QVERIFY(bar->isVisible());
    }

    void geometryDefaults()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        QVERIFY(w.load());
        QCOMPARE(w.pos(), QPoint(Twips::toPixels(1000, &w), Twips::toPixels(1000, &w)));
        QCOMPARE(w.size(), QSize(Twips::toPixels(6500, &w), Twips::toPixels(6500, &w)));
    }

    void geometryRoundTrip()
    {
        TestEnvironment env;
        {
            MainWindow w(env.app);
            QVERIFY(w.load());
            w.show();
            w.move(60, 45);
            w.resize(600, 450);
            QVERIFY(w.close());
        }
        auto s = env.app.settings();
        s->beginGroup("Settings");
        // Stored as the text of numbers, in twips.
        QCOMPARE(s->value("MainLeft").toString().toDouble(), Twips::fromPixels(60));
        QCOMPARE(s->value("MainWidth").toString().toDouble(), Twips::fromPixels(600));
        s->endGroup();
        MainWindow again(env.app);
        QVERIFY(again.load());
        QCOMPARE(again.pos(), QPoint(60, 45));
        QCOMPARE(again.size(), QSize(600, 450));
    }

    void geometryNotStoredWhenMinimized()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        QVERIFY(w.load());
        w.showMinimized();
        w.storeGeometry();
        QVERIFY(!env.app.settings()->contains("Settings/MainLeft"));
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

    void exitClosesChildrenStoresAndCloses()
    {
        TestEnvironment env;
        auto *w = new MainWindow(env.app);
        QVERIFY(w->load());
        w->show();
        Probe::closed = 0;
        for (int i = 0; i < 3; ++i)
            w->showChild(new Probe(env.app));
        QCOMPARE(w->mdiArea()->subWindowList().size(), 3);
        QVERIFY(env.app.database().isOpen());
        w->run(CommandId::FileExit);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(Probe::closed, 3);
        QVERIFY(!env.app.database().isOpen());
        QVERIFY(env.app.settings()->contains("Settings/MainHeight"));
        delete w;
    }

    void windowMenuListsChildren()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        w.show();
        auto *a = new Probe(env.app);
        a->setWindowTitle("First");
        auto *b = new Probe(env.app);
        b->setWindowTitle("Second");
        w.showChild(a);
        w.showChild(b);
        w.mdiArea()->setActiveSubWindow(b->subWindow());
        QMenu *m = w.menu("mnuWindow");
        emit m->aboutToShow();
        const QStringList items = menuText(m);
        QCOMPARE(items.mid(5), QStringList({"-", "&1 First [ ]", "&2 Second [x]"}));
        // Choosing an entry activates that window.
        m->actions().at(6)->trigger();
        QCOMPARE(w.mdiArea()->activeSubWindow(), a->subWindow());
    }

    void childPlacement()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        w.show();
        auto *first = new Probe(env.app);
        w.showChild(first);
        first->placeAsChild();
        QCOMPARE(first->subWindow()->pos(), QPoint(0, 0));
        w.showChild(new Probe(env.app));
        auto *third = new Probe(env.app);
        w.showChild(third);
        third->placeAsChild();
        // Four forms loaded: the main window and three children.
        QCOMPARE(third->subWindow()->y(), Twips::toPixels(400, third->subWindow()));
    }

    void shortcutsWinOverTextFields()
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
        // Copy stays the field's own.
        field->selectAll();
        QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("text"));
    }

    void newChildTakesTheKeyboard()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        // A window with a field, then windows that hand their focus to an
        // editor (as a document window does), opened while another is active.
        auto *first = new Probe(env.app);
        auto *field = new QLineEdit(first);
        w.showChild(first);
        QTRY_COMPARE(QApplication::focusWidget(), field);
        for (int i = 0; i < 2; ++i) {
            auto *child = new Probe(env.app);
            auto *editor = new QTextEdit(child);
            child->setFocusProxy(editor);
            w.showChild(child);
            QTRY_COMPARE(QApplication::focusWidget(), editor);
        }
    }

    void childClosingItselfTakesItsFrame()
    {
        TestEnvironment env;
        MainWindow w(env.app);
        w.show();
        auto *child = new Probe(env.app);
        w.showChild(child);
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
        child->close();
        QTRY_COMPARE(w.mdiArea()->subWindowList().size(), 0);
    }

    void help()
    {
        TestEnvironment env;
        env.app.setHelpFile(QString());
        MainWindow w(env.app);
        w.run(CommandId::HelpContents);
        w.run(CommandId::HelpSearch);
        QCOMPARE(env.ui.shown.size(), 2);
        for (const auto &s : env.ui.shown) {
            QCOMPARE(s.text, QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."));
            QCOMPARE(s.icon, UserInterface::Icon::Information);
            QCOMPARE(s.title, QStringLiteral("Partwise"));
        }
        // A configured file that is missing is reported with its name.
        env.ui.clear();
        env.app.setHelpFile("nowhere/index.html");
        w.run(CommandId::HelpContents);
        QCOMPARE(env.ui.shown.size(), 1);
        QVERIFY(env.ui.lastText().contains("nowhere/index.html"));
    }

    void shippedManual()
    {
        // The manual in the source tree: contents page and keyword search.
        TestEnvironment env;
        env.app.setProgramFolder(PARTWISE_SOURCE_DIR);
        MainWindow w(env.app);
        w.run(CommandId::HelpContents);
        QVERIFY(env.ui.shown.isEmpty());
        auto *viewer = w.findChild<HelpViewer *>();
        QVERIFY(viewer && viewer->isVisible());
        QVERIFY(viewer->browser()->toPlainText().contains("Partwise user manual"));
        // Every page linked from the contents exists and has keywords.
        const auto index = HelpViewer::keywordIndex(QStringLiteral(PARTWISE_SOURCE_DIR "/help/index.html"));
        QVERIFY(index.size() > 10);
        w.run(CommandId::HelpSearch);
        QTest::keyClicks(viewer->searchBox(), "toolb");
        QVERIFY(viewer->topicList()->count() >= 1);
        QVERIFY(viewer->topicList()->item(0)->text().startsWith("toolbar"));
        QTest::keyClick(viewer->searchBox(), Qt::Key_Return);
        QVERIFY(viewer->browser()->toPlainText().contains("Getting started"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
