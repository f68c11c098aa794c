#include "web/browserwindow.h"

#include "ui/appcontext.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QSettings>
#include <QStackedWidget>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

// A page asked for and not reported started within this time is taken as
// not coming (an address the engine ignores).
const qint64 StartGraceMs = 5000;

struct Button
{
    const char *key;
    const char *themeIcon; // the desktop's own, where it has one
    QStyle::StandardPixmap icon;
};

const Button Buttons[] = {
    {"Back", "go-previous", QStyle::SP_ArrowBack},
    {"Forward", "go-next", QStyle::SP_ArrowForward},
    {"Stop", "process-stop", QStyle::SP_BrowserStop},
    {"Refresh", "view-refresh", QStyle::SP_BrowserReload},
    {"Home", "go-home", QStyle::SP_DirHomeIcon},
    {"Search", "edit-find", QStyle::SP_FileDialogContentsView},
};

// The engine's most common reasons, in words.
QString reasonInWords(int code)
{
    switch (code) {
    case -6: return QStringLiteral("There is no such file.");
    case -10: return QStringLiteral("Access to the file was denied.");
    case -102: return QStringLiteral("The server refused the connection.");
    case -105: return QStringLiteral("The server's name could not be found.");
    case -106: return QStringLiteral("This computer is not connected to a network.");
    case -109: return QStringLiteral("The address cannot be reached.");
    case -118: return QStringLiteral("The server took too long to answer.");
    case -312: return QStringLiteral("Pages are not opened on this port.");
    default: return QString();
    }
}

} // namespace

BrowserWindow::BrowserWindow(AppContext &app, QWidget *parent) : ChildWindow(app, parent)
{
    setObjectName(QStringLiteral("frmBrowser"));

    picAddress = new QWidget(this);
    picAddress->setObjectName(QStringLiteral("picAddress"));
    lblAddress = new QLabel(QStringLiteral("&Address:"), picAddress);
    lblAddress->setObjectName(QStringLiteral("lblAddress"));
    cboAddress = new QComboBox(picAddress);
    cboAddress->setObjectName(QStringLiteral("cboAddress"));
    cboAddress->setEditable(true);
    // The window keeps the list itself: latest first, no duplicates.
    cboAddress->setInsertPolicy(QComboBox::NoInsert);
    cboAddress->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    cboAddress->lineEdit()->installEventFilter(this);
    lblAddress->setBuddy(cboAddress);
    auto *strip = new QVBoxLayout(picAddress);
    strip->setContentsMargins(4, 2, 4, 2);
    strip->setSpacing(1);
    strip->addWidget(lblAddress);
    strip->addWidget(cboAddress);

    createToolBar();

    brwWebBrowser = new QWebEngineView(this);
    brwWebBrowser->setObjectName(QStringLiteral("brwWebBrowser"));
    lblFailure = new QLabel(this);
    lblFailure->setObjectName(QStringLiteral("lblFailure"));
    lblFailure->setWordWrap(true);
    lblFailure->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    lblFailure->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblFailure->setMargin(16);
    lblFailure->setAutoFillBackground(true);
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(brwWebBrowser);
    m_pages->addWidget(lblFailure);

    timTimer = new QTimer(this);
    timTimer->setObjectName(QStringLiteral("timTimer"));
    timTimer->setInterval(5);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tbToolBar);
    layout->addWidget(picAddress);
    layout->addWidget(m_pages, 1);
    setFocusProxy(cboAddress);

    connect(timTimer, &QTimer::timeout, this, &BrowserWindow::tick);
    connect(cboAddress, &QComboBox::activated, this,
            [this](int index) { navigate(cboAddress->itemText(index)); });
    connect(brwWebBrowser, &QWebEngineView::loadFinished, this, &BrowserWindow::navigationComplete);
    connect(brwWebBrowser, &QWebEngineView::titleChanged, this, [this] {
        if (!busy())
            showTitle();
    });
    connect(brwWebBrowser->page(), &QWebEnginePage::loadingChanged, this,
            &BrowserWindow::loadingChanged);
}

void BrowserWindow::createToolBar()
{
    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    tbToolBar->setIconSize(QSize(20, 20));
    for (const Button &b : Buttons) {
        const QString key = QLatin1String(b.key);
        const QIcon icon = QIcon::fromTheme(QLatin1String(b.themeIcon), style()->standardIcon(b.icon));
        QAction *a = tbToolBar->addAction(icon, key);
        a->setObjectName(QStringLiteral("tb") + key);
        a->setData(key);
        a->setToolTip(key);
        connect(a, &QAction::triggered, this, [this, key] { runToolButton(key); });
    }
}

QUrl BrowserWindow::homePage(const AppContext &app)
{
    return QUrl::fromLocalFile(QDir(app.programFolder()).filePath(QStringLiteral("web/start.html")));
}

QUrl BrowserWindow::searchPage() const
{
    const auto settings = m_app.settings();
    const QString page =
        settings->value(QStringLiteral("Settings/SearchPage")).toString().trimmed();
    return QUrl::fromUserInput(page.isEmpty() ? defaultSearchPage() : page, m_app.programFolder());
}

void BrowserWindow::load()
{
    setWindowTitle(QStringLiteral("Web Browser"));
    if (QMdiArea *area = mdiArea()) {
        const QSize room = area->viewport()->size();
        QWidget *frame = frameWidget();
        frame->resize(qMax(480, room.width() * 3 / 4), qMax(360, room.height() * 3 / 4));
        // Wholly inside the client area where it has room.
        frame->move(qMax(0, qMin(frame->x(), room.width() - frame->width())),
                    qMax(0, qMin(frame->y(), room.height() - frame->height())));
    }
    // The opener's address; without one, the start page.
    if (m_startingAddress.isEmpty())
        m_startingAddress = homePage(m_app).toString();
    cboAddress->setEditText(m_startingAddress);
    cboAddress->addItem(m_startingAddress);
    navigate(m_startingAddress);
}

void BrowserWindow::navigate(const QString &address)
{
    const QUrl url = QUrl::fromUserInput(address.trimmed(), m_app.programFolder());
    if (!url.isValid() || url.isEmpty()) {
        lblFailure->setText(QStringLiteral("\"%1\" is not an address that can be opened.").arg(address));
        m_pages->setCurrentWidget(lblFailure);
        return;
    }
    m_requested = url;
    request();
    brwWebBrowser->load(url);
}

void BrowserWindow::request()
{
    m_requestPending = true;
    m_requestedAt.start();
    timTimer->start();
}

bool BrowserWindow::busy() const
{
    return m_loading || (m_requestPending && m_requestedAt.elapsed() < StartGraceMs);
}

void BrowserWindow::runToolButton(const QString &key)
{
    timTimer->start();
    if (key == QLatin1String("Back")) {
        if (brwWebBrowser->history()->canGoBack())
            request();
        brwWebBrowser->back();
    } else if (key == QLatin1String("Forward")) {
        if (brwWebBrowser->history()->canGoForward())
            request();
        brwWebBrowser->forward();
    } else if (key == QLatin1String("Home")) {
        navigate(homePage(m_app).toString());
    } else if (key == QLatin1String("Search")) {
        navigate(searchPage().toString());
    } else if (key == QLatin1String("Stop")) {
        m_requestPending = false;
        timTimer->stop();
        brwWebBrowser->stop();
        showTitle();
    } else {
        request();
        brwWebBrowser->reload();
    }
}

void BrowserWindow::navigationComplete()
{
    m_requestPending = false;
    m_loading = false;
    showTitle();
    QUrl reached = brwWebBrowser->url();
    if (reached.isEmpty())
        reached = m_requested;
    if (reached.isEmpty())
        return;
    const QString address = reached.toString();
    // The address moves to the top of the list; it is never there twice.
    const int found = cboAddress->findText(address, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found >= 0)
        cboAddress->removeItem(found);
    cboAddress->insertItem(0, address);
    cboAddress->setCurrentIndex(0);
}

void BrowserWindow::loadingChanged(const QWebEngineLoadingInfo &info)
{
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        // Also for pages opened from a link in the page.
        m_requestPending = false;
        m_loading = true;
        timTimer->start();
        m_pages->setCurrentWidget(brwWebBrowser);
        break;
    case QWebEngineLoadingInfo::LoadFailedStatus: {
        // The reason in words, in place of a page that may be empty.
        QString text = QStringLiteral("The page could not be opened.\n\n") + info.url().toString()
                       + QStringLiteral("\n\n");
        if (const QString words = reasonInWords(info.errorCode()); !words.isEmpty())
            text += words + QLatin1Char('\n');
        text += QStringLiteral("%1 (error %2)").arg(info.errorString()).arg(info.errorCode());
        lblFailure->setText(text);
        m_pages->setCurrentWidget(lblFailure);
        break;
    }
    default:
        break;
    }
}

void BrowserWindow::tick()
{
    if (busy()) {
        setWindowTitle(QStringLiteral("Working..."));
    } else {
        timTimer->stop();
        showTitle();
    }
}

void BrowserWindow::showTitle()
{
    setWindowTitle(brwWebBrowser->title());
}

QStringList BrowserWindow::addresses() const
{
    QStringList list;
    for (int i = 0; i < cboAddress->count(); ++i)
        list << cboAddress->itemText(i);
    return list;
}

bool BrowserWindow::showsFailure() const
{
    return m_pages->currentWidget() == lblFailure;
}

bool BrowserWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == cboAddress->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            navigate(cboAddress->currentText());
            return true;
        }
    }
    return ChildWindow::eventFilter(watched, event);
}
