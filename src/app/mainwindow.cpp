#include "app/mainwindow.h"

#include "app/aboutbox.h"
#include "ui/appcontext.h"
#include "app/artwork.h"
#include "ui/childwindow.h"
#include "app/helpviewer.h"
#include "app/programfiles.h"
#include "ui/twips.h"
#include "ui/userinterface.h"
#include "app/subsystems.h"
#include "history/ops/stockledger.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QPointer>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace {

// The client area, with the program's background picture behind the children.
class PictureMdiArea : public QMdiArea
{
public:
    using QMdiArea::QMdiArea;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(viewport());
        Artwork::paintBackground(p, viewport()->rect());
    }
};

const char *const SettingsGroup = "Settings";

// A stored value that is not a number counts as absent.
double storedNumber(const QSettings &s, const char *key, double fallback)
{
    bool ok = false;
    const float v = s.value(QLatin1String(key)).toString().trimmed().toFloat(&ok);
    return ok && std::isfinite(v) ? double(v) : fallback;
}

} // namespace

MainWindow::MainWindow(AppContext &app, QWidget *parent)
    : QMainWindow(parent), m_app(app), m_helpFile(ProgramFiles::helpFile())
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Partwise"));
    setWindowIcon(QIcon(Artwork::logo(64)));
    m_mdi = new PictureMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("mdiClient"));
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);

    createActions();
    createToolBar();
    createStatusBar();
    // The View menu alone shows and hides the bars, so its check marks agree.
    setContextMenuPolicy(Qt::NoContextMenu);
    // The menus' shortcuts win over the same keys in text fields: Ctrl+A
    // adds a part, also while the focus is in a field.
    qApp->installEventFilter(this);
    registerShellCommands();
    registerSubsystems(*this);
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &MainWindow::updateMenus);
    updateMenus();
}

MainWindow::~MainWindow()
{
    // Children deactivate while they are destroyed; the menus may be gone by then.
    m_mdi->disconnect(this);
}

void MainWindow::createActions()
{
    for (const Menu &m : menuTable()) {
        QMenu *menu = menuBar()->addMenu(QString::fromLatin1(m.caption));
        menu->setObjectName(QLatin1String(m.objectName));
        m_menus.insert(QLatin1String(m.objectName), menu);
    }
    for (const Command &c : commandTable()) {
        QMenu *menu = m_menus.value(QLatin1String(c.menu));
        if (c.separatorBefore)
            menu->addSeparator();
        QAction *a = menu->addAction(QString::fromLatin1(c.caption));
        a->setObjectName(QLatin1String(c.objectName));
        if (*c.shortcut) {
            a->setShortcut(QKeySequence(QString::fromLatin1(c.shortcut)));
            // Cut, Copy and Paste stay the text fields' own keys.
            if (c.id != CommandId::EditCut && c.id != CommandId::EditCopy
                && c.id != CommandId::EditPaste)
                m_commandKeys.append(a->shortcut());
        }
        if (c.checkable) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        const CommandId id = c.id;
        connect(a, &QAction::triggered, this, [this, id] { run(id); });
        m_actions.insert(id, a);
    }
    connect(m_menus.value(QStringLiteral("mnuWindow")), &QMenu::aboutToShow, this,
            &MainWindow::updateWindowMenu);
}

void MainWindow::createToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("tbToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(24, 24));
    for (const ToolButton &b : toolbarTable()) {
        if (!*b.key) {
            m_toolBar->addSeparator();
            continue;
        }
        const QString key = QLatin1String(b.key);
        QAction *a = m_toolBar->addAction(Artwork::toolIcon(key), key);
        a->setObjectName(QStringLiteral("tb") + key);
        a->setData(key);
        a->setToolTip(QLatin1String(b.tooltip));
        connect(a, &QAction::triggered, this, [this, key] { runToolButton(key); });
    }
}

QToolButton *MainWindow::toolButton(const QString &key) const
{
    for (QAction *a : m_toolBar->actions())
        if (a->data().toString() == key)
            return qobject_cast<QToolButton *>(m_toolBar->widgetForAction(a));
    return nullptr;
}

void MainWindow::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("sbMainBar"));
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(bar);
        m_panels[i]->setObjectName(QStringLiteral("sbPanel%1").arg(i + 1));
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        m_panels[i]->setContentsMargins(4, 0, 4, 0);
        if (i == 0)
            bar->addWidget(m_panels[i], 1);
        else
            bar->addPermanentWidget(m_panels[i]);
    }
    m_panels[0]->setText(QStringLiteral("Status"));
    // Between the program's panel and the clock: which database this
    // workstation works in.
    m_databasePanel = new QLabel(bar);
    m_databasePanel->setObjectName(QStringLiteral("sbDatabase"));
    m_databasePanel->setFrameShape(QFrame::StyledPanel);
    m_databasePanel->setFrameShadow(QFrame::Sunken);
    m_databasePanel->setContentsMargins(4, 0, 4, 0);
    bar->insertPermanentWidget(1, m_databasePanel);
    m_clock = new QTimer(this);
    connect(m_clock, &QTimer::timeout, this, &MainWindow::updateClock);
    m_clock->start(1000);
    updateClock();
}

void MainWindow::updateClock()
{
    const QDateTime now = m_app.now();
    const QLocale locale;
    m_panels[1]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_panels[2]->setText(locale.toString(now.time(), QLocale::ShortFormat));
}

QLabel *MainWindow::statusPanel(int panel) const
{
    return panel >= 1 && panel <= 3 ? m_panels[panel - 1] : nullptr;
}

QMenu *MainWindow::menu(const QString &objectName) const
{
    return m_menus.value(objectName);
}

bool MainWindow::load()
{
    restoreGeometryFromSettings();
    m_panels[0]->setText(QStringLiteral("Partwise"));
    if (!m_app.OpenInventoryDatabase())
        return false;
    StockLedger::ensureTable(m_app.database()); // an older database gets the stock ledger
    showDatabase();
    return true;
}

void MainWindow::showDatabase()
{
    const Database &db = m_app.database();
    m_databasePanel->setText(db.shortName());
    m_databasePanel->setToolTip(db.describe());
    // A lost connection and its return show in the status bar.
    m_app.database().setConnectionListener(
        [bar = QPointer<QStatusBar>(statusBar())](Database::ConnectionEvent, const QString &text) {
            if (bar)
                bar->showMessage(text, 10000);
        });
}

void MainWindow::restoreGeometryFromSettings()
{
    const auto s = m_app.settings();
    s->beginGroup(QLatin1String(SettingsGroup));
    const double left = storedNumber(*s, "MainLeft", DefaultLeft);
    const double top = storedNumber(*s, "MainTop", DefaultTop);
    const double width = storedNumber(*s, "MainWidth", DefaultWidth);
    const double height = storedNumber(*s, "MainHeight", DefaultHeight);
    s->endGroup();

    QRect r(Twips::toPixels(left, this), Twips::toPixels(top, this),
            qMax(200, Twips::toPixels(width, this)), qMax(150, Twips::toPixels(height, this)));
    // A position that lies on no screen any more is brought back onto one.
    bool visible = false;
    const auto screens = QGuiApplication::screens();
    for (const QScreen *screen : screens)
        if (screen->availableGeometry().intersected(r).width() >= 50
            && screen->availableGeometry().intersected(r).height() >= 50)
            visible = true;
    if (!visible && QGuiApplication::primaryScreen()) {
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        r.setSize(r.size().boundedTo(avail.size()));
        r.moveTopLeft(avail.topLeft());
    }
    move(r.topLeft());
    resize(r.size());
}

void MainWindow::storeGeometry()
{
    if (isMinimized())
        return;
    const auto s = m_app.settings();
    s->beginGroup(QLatin1String(SettingsGroup));
    const QPoint pos = this->pos();
    auto put = [&](const char *key, int pixels) {
        s->setValue(QLatin1String(key), QString::number(float(Twips::fromPixels(pixels, this))));
    };
    put("MainLeft", pos.x());
    put("MainTop", pos.y());
    put("MainWidth", width());
    put("MainHeight", height());
    s->endGroup();
    s->sync();
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && isActiveWindow()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (m_commandKeys.contains(QKeySequence(key->modifiers() | key->key()))) {
            // Not accepted: the shortcut runs instead of the field's own key.
            event->ignore();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Every child is asked before any closes: Cancel at any question closes
    // nothing, and the answers given so far count for nothing.
    QList<QPointer<ChildWindow>> asked;
    for (QMdiSubWindow *sub : m_mdi->subWindowList()) {
        auto *child = qobject_cast<ChildWindow *>(sub->widget());
        if (!child)
            continue;
        if (!child->maybeClose()) {
            for (const QPointer<ChildWindow> &c : std::as_const(asked))
                if (c)
                    c->forgetCloseAnswer();
            event->ignore();
            return;
        }
        asked << child;
    }
    // Each child runs its own close handling; one may still refuse.
    m_mdi->closeAllSubWindows();
    if (!m_mdi->subWindowList().isEmpty()) {
        for (const QPointer<ChildWindow> &c : std::as_const(asked))
            if (c)
                c->forgetCloseAnswer();
        event->ignore();
        return;
    }
    storeGeometry();
    if (m_help)
        m_help->close();
    m_app.database().close();
    event->accept();
}

void MainWindow::registerWindow(CommandId id, WindowFactory factory)
{
    m_handlers.remove(id);
    m_factories.insert(id, std::move(factory));
    updateMenus();
}

void MainWindow::registerHandler(CommandId id, std::function<void()> handler)
{
    m_factories.remove(id);
    m_handlers.insert(id, std::move(handler));
    updateMenus();
}

bool MainWindow::isRegistered(CommandId id) const
{
    return m_handlers.contains(id) || m_factories.contains(id);
}

void MainWindow::registerShellCommands()
{
    using C = CommandId;
    registerHandler(C::FileExit, [this] { close(); });
    registerHandler(C::ViewToolbar,
                    [this] { m_toolBar->setVisible(m_actions.value(C::ViewToolbar)->isChecked()); });
    registerHandler(C::ViewStatusBar, [this] {
        statusBar()->setVisible(m_actions.value(C::ViewStatusBar)->isChecked());
    });
    registerHandler(C::WindowCascade, [this] { m_mdi->cascadeSubWindows(); });
    registerHandler(C::WindowTileHorizontal, [this] { tile(Qt::Horizontal); });
    registerHandler(C::WindowTileVertical, [this] { tile(Qt::Vertical); });
    registerHandler(C::HelpContents, [this] { showHelp(false); });
    registerHandler(C::HelpSearch, [this] { showHelp(true); });
    registerHandler(C::HelpAbout, [this] {
        // Modal: one box at a time, and the main window waits for it.
        AboutBox box(m_app, this);
        box.exec();
    });
}

QWidget *MainWindow::activeChild() const
{
    QMdiSubWindow *sub = m_mdi->activeSubWindow();
    return sub ? sub->widget() : nullptr;
}

QMdiSubWindow *MainWindow::showChild(ChildWindow *window)
{
    QMdiSubWindow *sub = m_mdi->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(window->windowIcon().isNull() ? windowIcon() : window->windowIcon());
    // A window that closes itself takes its frame along.
    connect(window, &QObject::destroyed, sub, [sub] {
        QTimer::singleShot(0, sub, &QMdiSubWindow::close);
    });
    window->load();
    sub->show();
    window->rememberDesignedSize();
    window->activateWindow();
    // The keyboard goes to the new window: to the field it chose, else to its
    // first field in tab order (the sub-window frame itself takes no typing).
    QWidget *target = window->focusWidget();
    if (!target && window->focusProxy())
        target = window;
    for (QWidget *w = window->nextInFocusChain(); !target && w && w != window;
         w = w->nextInFocusChain()) {
        if (window->isAncestorOf(w) && w->isVisibleTo(window) && w->isEnabled()
            && (w->focusPolicy() & Qt::TabFocus))
            target = w;
    }
    if (target)
        target->setFocus(Qt::OtherFocusReason);
    return sub;
}

bool MainWindow::standardAction(CommandId id, StandardAction *action)
{
    using C = CommandId;
    using A = StandardAction;
    switch (id) {
    case C::FileNew: *action = A::New; return true;
    case C::FileSave: *action = A::Save; return true;
    case C::FileSaveAs: *action = A::SaveAs; return true;
    case C::FilePrint: *action = A::Print; return true;
    case C::EditUndo: *action = A::Undo; return true;
    case C::EditCut: *action = A::Cut; return true;
    case C::EditCopy: *action = A::Copy; return true;
    case C::EditPaste: *action = A::Paste; return true;
    case C::EditPasteSpecial: *action = A::PasteSpecial; return true;
    default: return false;
    }
}

void MainWindow::run(CommandId id)
{
    StandardAction action;
    if (standardAction(id, &action)) {
        if (auto *child = qobject_cast<ChildWindow *>(activeChild());
            child && child->supports(action)) {
            child->perform(action);
            return;
        }
    }
    if (const auto handler = m_handlers.value(id)) {
        handler();
    } else if (const auto factory = m_factories.value(id)) {
        if (ChildWindow *w = factory(m_app))
            showChild(w);
    }
}

void MainWindow::runToolButton(const QString &key)
{
    for (const ToolButton &b : toolbarTable()) {
        if (*b.key && key == QLatin1String(b.key)) {
            if (QAction *a = m_actions.value(b.command); a && a->isEnabled())
                run(b.command);
            return;
        }
    }
}

void MainWindow::tile(Qt::Orientation orientation)
{
    // Horizontal: children stacked one above another, each full width.
    // Vertical: side by side, each full height.
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *w : m_mdi->subWindowList())
        if (w->isVisible() && !w->isMinimized())
            windows << w;
    if (windows.isEmpty())
        return;
    // No window is made smaller than it allows: the tiles then reach past
    // the client area, which scrolls.
    const QRect area = m_mdi->viewport()->rect();
    const int n = int(windows.size());
    int offset = 0;
    for (QMdiSubWindow *w : std::as_const(windows)) {
        w->showNormal();
        QSize least = w->minimumSizeHint();
        if (auto *child = qobject_cast<ChildWindow *>(w->widget()))
            least = least.expandedTo(child->leastTiledSize() + (w->size() - child->size()));
        if (orientation == Qt::Horizontal) {
            const int h = qMax(area.height() / n, least.height());
            w->setGeometry(0, offset, qMax(area.width(), least.width()), h);
            offset += h;
        } else {
            const int width = qMax(area.width() / n, least.width());
            w->setGeometry(offset, 0, width, qMax(area.height(), least.height()));
            offset += width;
        }
    }
}

void MainWindow::showHelp(bool search)
{
    if (m_helpFile.isEmpty()) {
        m_app.ui().message(this,
                           QStringLiteral("Unable to display Help Contents. There is no Help "
                                          "associated with this project."),
                           windowTitle(), UserInterface::Icon::Information);
        return;
    }
    const QString file = QDir(m_app.programFolder()).filePath(m_helpFile);
    if (!m_help)
        m_help = new HelpViewer(this);
    const bool ok = search ? m_help->showSearch(file) : m_help->showContents(file);
    if (!ok) {
        const QString error = m_help->errorString();
        m_help->close();
        m_app.ui().inform(this, error);
        return;
    }
    m_help->present(this);
}

void MainWindow::updateMenus()
{
    if (!m_toolBar)
        return; // still registering while the window is built
    for (const Command &c : commandTable())
        m_actions.value(c.id)->setEnabled(isRegistered(c.id));
    for (QAction *a : m_toolBar->actions()) {
        const QString key = a->data().toString();
        for (const ToolButton &b : toolbarTable())
            if (*b.key && key == QLatin1String(b.key))
                a->setEnabled(m_actions.value(b.command)->isEnabled());
    }
}

void MainWindow::updateWindowMenu()
{
    QMenu *menu = m_menus.value(QStringLiteral("mnuWindow"));
    qDeleteAll(m_windowListActions);
    m_windowListActions.clear();
    const QList<QMdiSubWindow *> windows = m_mdi->subWindowList();
    if (windows.isEmpty())
        return;
    m_windowListActions << menu->addSeparator();
    int n = 0;
    for (QMdiSubWindow *w : windows) {
        if (w->isHidden()) // kept out of sight, as New BOM after handing over
            continue;
        ++n;
        const QString text = (n < 10 ? QStringLiteral("&%1 ").arg(n) : QStringLiteral("%1 ").arg(n))
                             + w->windowTitle();
        QAction *a = menu->addAction(text);
        a->setCheckable(true);
        a->setChecked(w == m_mdi->activeSubWindow());
        connect(a, &QAction::triggered, m_mdi, [this, w] { m_mdi->setActiveSubWindow(w); });
        m_windowListActions << a;
    }
}
