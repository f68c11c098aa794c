// Every caption, label, button, tooltip, heading, menu and status panel of
// the live windows, one line each, against the checked-in listing
// tests/texts.txt; a changed text fails as a one-line diff. Messages are
// listed by the harness of every window suite as they are shown.
#include "app/aboutbox.h"
#include "app/splashwindow.h"
#include "ui/childwindow.h"
#include "harness.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>

namespace {

// "name.property: text" for the window and each of its visible controls.
QStringList walk(QWidget *window)
{
    QStringList out;
    auto add = [&](const QString &name, const char *property, const QString &text) {
        if (!text.isEmpty())
            out << TextListing::line(QString(), name, property, text).mid(1);
    };
    add(window->objectName(), "windowTitle", window->windowTitle());
    for (QWidget *c : window->findChildren<QWidget *>()) {
        if (!c->isVisibleTo(window) || c->objectName().startsWith("qt_"))
            continue;
        const QString name = c->objectName().isEmpty() ? "?" + QString(c->metaObject()->className()) : c->objectName();
        add(name, "toolTip", c->toolTip());
        if (auto *l = qobject_cast<QLabel *>(c))
            add(name, "text", l->text());
        else if (auto *b = qobject_cast<QAbstractButton *>(c))
            add(name, "text", b->text());
        else if (auto *e = qobject_cast<QLineEdit *>(c))
            add(name, "text", e->text());
        else if (auto *g = qobject_cast<QGroupBox *>(c))
            add(name, "title", g->title());
        else if (auto *v = qobject_cast<QAbstractItemView *>(c); v && v->model() && !qobject_cast<QHeaderView *>(c)) {
            QStringList headings;
            for (int i = 0; i < v->model()->columnCount(); ++i)
                headings << v->model()->headerData(i, Qt::Horizontal).toString();
            add(name, "headings", headings.join(" | "));
        }
    }
    return out;
}

// Menus and their items in order ("-" a separator), the toolbar's buttons
// (their tooltips), the status panels.
QStringList mainTexts(MainWindow &m)
{
    QStringList out = walk(m.statusBar());
    out << "frmMain.windowTitle: " + m.windowTitle();
    auto items = [&](const QWidget *holder, const QList<QAction *> &actions, bool tips) {
        QStringList order;
        for (const QAction *a : actions) {
            order << (a->isSeparator() ? "-" : a->objectName());
            QString text = a->text() + (a->shortcut().isEmpty() ? "" : "\t" + a->shortcut().toString());
            if (a->isCheckable())
                text += a->isChecked() ? " [x]" : " [ ]";
            if (!a->isSeparator())
                out << TextListing::line(QString(), a->objectName(), tips ? "toolTip" : "text", tips ? a->toolTip() : text).mid(1);
        }
        out << holder->objectName() + ".items: " + order.join(' ');
    };
    for (const Menu &menu : menuTable()) {
        out << QString(menu.objectName) + ".title: " + m.menu(menu.objectName)->title();
        items(m.menu(menu.objectName), m.menu(menu.objectName)->actions(), false);
    }
    items(m.toolBar(), m.toolBar()->actions(), true);
    return out;
}

} // namespace

class TestTexts : public QObject
{
    Q_OBJECT

private slots:
    void texts()
    {
        Harness h;
        QVERIFY(h.ready() && h.main.load());
        QStringList found;
        for (const QString &l : mainTexts(h.main))
            found << "frmMain/" + l;
        AboutBox about(h.env.app);
        SplashWindow splash;
        for (QWidget *w : {static_cast<QWidget *>(&about), static_cast<QWidget *>(&splash)})
            for (const QString &l : walk(w))
                found << w->objectName() + "/" + l;
        // Each window that a command opens; windows that several commands
        // open are told apart by the command's menu item.
        QMultiMap<QString, QPair<QString, QStringList>> windows;
        const QList<CommandId> skipped{CommandId::FileExit, CommandId::ViewToolbar, CommandId::ViewStatusBar,
                                       CommandId::HelpAbout};
        for (const Command &c : commandTable()) {
            if (skipped.contains(c.id) || c.menu == QLatin1String("mnuEdit") || c.menu == QLatin1String("mnuWindow"))
                continue;
            const auto before = h.main.mdiArea()->subWindowList();
            h.main.run(c.id);
            for (QMdiSubWindow *sub : h.main.mdiArea()->subWindowList())
                if (!before.contains(sub))
                    windows.insert(sub->widget()->objectName(), {c.objectName, walk(sub->widget())});
        }
        for (auto it = windows.cbegin(); it != windows.cend(); ++it) {
            const QString key = it.key() + (windows.count(it.key()) > 1 ? "[" + it->first + "]" : "");
            for (const QString &l : it->second)
                found << key + "/" + l;
        }
        found.replaceInStrings(h.env.folder(), "<folder>");
        QStringList listed = TextListing::read();
        if (TextListing::updating())
            return TextListing::write(found + listed.filter(QRegularExpression("^[^/]*/message: ")));
        listed.removeIf(TextListing::isMessage);
        const QStringList diff = TextListing::diff(listed, found);
        for (const QString &l : diff)
            qInfo("%s", qPrintable(l));
        QVERIFY2(diff.isEmpty(), "the texts differ from tests/texts.txt (PARTWISE_UPDATE_TEXTS=1 rewrites it)");
    }
};

QTEST_MAIN(TestTexts)
#include "tst_texts.moc"
