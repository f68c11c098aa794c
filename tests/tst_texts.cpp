// Every caption, label, button, tooltip, heading, menu and status panel of
// the live windows, one line each, against the checked-in listing
// tests/texts.txt; a changed text fails as a one-line diff. Messages are
// listed by the harness of every window suite as they are shown.
#include "app/aboutbox.h"
#include "app/splashwindow.h"
#include "ui/childwindow.h"
#include "harness.h"

#include <QtWidgets>

namespace {

struct Texts
{
    QStringList lines;
    void add(const QString &window, const QString &name, const char *property, const QString &text)
    {
        if (!text.isEmpty())
            lines << TextListing::line(window, name, property, text);
    }

    // The window and each of its visible controls.
    void walk(QWidget *window, const QString &key)
    {
        add(key, window->objectName(), "windowTitle", window->windowTitle());
        for (QWidget *c : window->findChildren<QWidget *>()) {
            if (!c->isVisibleTo(window) || c->objectName().startsWith("qt_"))
                continue;
            const QString name = c->objectName().isEmpty() ? "?" + QString(c->metaObject()->className()) : c->objectName();
            add(key, name, "toolTip", c->toolTip());
            if (qobject_cast<QLabel *>(c) || qobject_cast<QAbstractButton *>(c) || qobject_cast<QLineEdit *>(c))
                add(key, name, "text", c->property("text").toString());
            else if (auto *g = qobject_cast<QGroupBox *>(c))
                add(key, name, "title", g->title());
            else if (auto *v = qobject_cast<QAbstractItemView *>(c); v && v->model() && !qobject_cast<QHeaderView *>(c)) {
                QStringList headings;
                for (int i = 0; i < v->model()->columnCount(); ++i)
                    headings << v->model()->headerData(i, Qt::Horizontal).toString();
                add(key, name, "headings", headings.join(" | "));
            }
        }
    }

    // Items in order ("-" a separator): menu items with their keys and check
    // marks, toolbar buttons by their tooltips.
    void items(const QWidget *holder, bool tips)
    {
        QStringList order;
        for (const QAction *a : holder->actions()) {
            order << (a->isSeparator() ? "-" : a->objectName());
            const QString text = a->text() + (a->shortcut().isEmpty() ? "" : "\t" + a->shortcut().toString())
                                 + (!a->isCheckable() ? "" : a->isChecked() ? " [x]" : " [ ]");
            add("frmMain", a->objectName(), tips ? "toolTip" : "text", tips ? a->toolTip() : text);
        }
        add("frmMain", holder->objectName(), "items", order.join(' '));
    }
};

} // namespace

class TestTexts : public QObject
{
    Q_OBJECT

private slots:
    void texts()
    {
        Harness h;
        QVERIFY(h.ready() && h.main.load());
        Texts found;
        found.add("frmMain", "frmMain", "windowTitle", h.main.windowTitle());
        found.walk(h.main.statusBar(), "frmMain");
        for (const Menu &menu : menuTable()) {
            found.add("frmMain", menu.objectName, "title", h.main.menu(menu.objectName)->title());
            found.items(h.main.menu(menu.objectName), false);
        }
        found.items(h.main.toolBar(), true);
        AboutBox about(h.env.app);
        SplashWindow splash;
        found.walk(&about, about.objectName()), found.walk(&splash, splash.objectName());
        // Each window that a command opens; windows that several commands
        // open are told apart by the command's menu item.
        QMultiMap<QString, QPair<QString, QWidget *>> windows;
        const QList<CommandId> skipped{CommandId::FileExit, CommandId::ViewToolbar, CommandId::ViewStatusBar, CommandId::HelpAbout};
        for (const Command &c : commandTable()) {
            if (skipped.contains(c.id) || c.menu == QLatin1String("mnuEdit") || c.menu == QLatin1String("mnuWindow"))
                continue;
            const auto before = h.main.mdiArea()->subWindowList();
            h.main.run(c.id);
            for (QMdiSubWindow *sub : h.main.mdiArea()->subWindowList())
                if (!before.contains(sub))
                    windows.insert(sub->widget()->objectName(), {c.objectName, sub->widget()});
        }
        for (auto it = windows.cbegin(); it != windows.cend(); ++it)
            found.walk(it->second, it.key() + (windows.count(it.key()) > 1 ? "[" + it->first + "]" : ""));
        found.lines.replaceInStrings(h.env.folder(), "<folder>");
        QStringList listed = TextListing::read();
        if (TextListing::updating())
            return TextListing::write(found.lines + listed.filter(QRegularExpression("^[^/]*/message: ")));
        listed.removeIf(TextListing::isMessage);
#ifndef PARTWISE_HAS_WEBENGINE
        listed.removeIf([](const QString &l) { return l.startsWith("frmBrowser/"); }); // a build without the browser
#endif
        const QStringList diff = TextListing::diff(listed, found.lines);
        QVERIFY2(diff.isEmpty(), qPrintable("the texts differ from tests/texts.txt (PARTWISE_UPDATE_TEXTS=1 rewrites it):\n"
                                            + diff.join('\n')));
    }
};

QTEST_MAIN(TestTexts)
#include "tst_texts.moc"
