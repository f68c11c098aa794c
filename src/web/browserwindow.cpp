#include "web/browserwindow.h"

#include "ui/appcontext.h"
#include "ui/userinterface.h"

#include <QAction>
#include <functional>
#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QProgressBar>
#include <QSettings>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QFileInfo>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
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

// A page whose links to a new window open in this one: the new window's
// page only passes its first address on.
class SameWindowPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;

protected:
    QWebEnginePage *createWindow(WebWindowType) override
    {
        auto *relay = new QWebEnginePage(profile(), this);
        connect(relay, &QWebEnginePage::urlChanged, this, [this, relay](const QUrl &url) {
            if (url.isEmpty())
                return;
            relay->deleteLater();
            load(url);
        });
        return relay;
    }
};

// Notes the method of each page request, so that Refresh knows a page that a
// form sent.
class MethodWatch : public QWebEngineUrlRequestInterceptor
{
public:
    MethodWatch(std::function<void(const QUrl &, bool)> onPage, QObject *parent)
        : QWebEngineUrlRequestInterceptor(parent), m_onPage(std::move(onPage))
    {
    }
    void interceptRequest(QWebEngineUrlRequestInfo &info) override
    {
        if (info.resourceType() == QWebEngineUrlRequestInfo::ResourceTypeMainFrame)
            m_onPage(info.requestUrl(), info.requestMethod() == "POST");
    }

private:
    std::function<void(const QUrl &, bool)> m_onPage;
};

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
    brwWebBrowser->setPage(new SameWindowPage(brwWebBrowser));
    QWebEngineSettings *web = brwWebBrowser->settings();
    // A local page reads no other local file; failures are shown by the
    // window in words, not by the engine's own page.
    web->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    web->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    brwWebBrowser->page()->setUrlRequestInterceptor(new MethodWatch(
        [this](const QUrl &url, bool posted) {
            m_postedUrl = posted ? url : QUrl();
        },
        this));
    lblFailure = new QLabel(this);
    lblFailure->setObjectName(QStringLiteral("lblFailure"));
    lblFailure->setWordWrap(true);
    lblFailure->setTextFormat(Qt::PlainText);
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
    sbStatusBar = new QStatusBar(this);
    sbStatusBar->setObjectName(QStringLiteral("sbStatusBar"));
    sbStatusBar->setSizeGripEnabled(false);
    m_downloadBar = new QProgressBar(sbStatusBar);
    m_downloadBar->setObjectName(QStringLiteral("prgDownload"));
    m_downloadBar->setMaximumWidth(160);
    m_downloadBar->hide();
    sbStatusBar->addPermanentWidget(m_downloadBar);
    layout->addWidget(sbStatusBar);
    setFocusProxy(cboAddress);
    cboAddress->installEventFilter(this);

    // Back and forward from the keyboard, wherever the focus is in the window.
    const struct
    {
        QKeySequence keys;
        const char *button;
    } keys[] = {{QKeySequence(Qt::ALT | Qt::Key_Left), "Back"},
                {QKeySequence(Qt::ALT | Qt::Key_Right), "Forward"}};
    for (const auto &k : keys) {
        auto *shortcut = new QShortcut(k.keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        const QString button = QLatin1String(k.button);
        connect(shortcut, &QShortcut::activated, this, [this, button] { runToolButton(button); });
    }
    connect(brwWebBrowser->page()->profile(), &QWebEngineProfile::downloadRequested, this,
            &BrowserWindow::download);

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
    // A typed script runs nowhere, as in other browsers.
    if (url.scheme().compare(QLatin1String("javascript"), Qt::CaseInsensitive) == 0)
        return;
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
        refresh();
    }
}

void BrowserWindow::refresh()
{
    if (m_showsPosted
        && m_app.ui().message(this,
                              QStringLiteral("This page was sent by a form. Send the form again?"),
                              UserInterface::programTitle(), UserInterface::Icon::Question,
                              UserInterface::Buttons::YesNo)
               != UserInterface::Answer::Yes) {
        timTimer->stop();
        showTitle();
        return;
    }
    request();
    brwWebBrowser->reload();
}

void BrowserWindow::download(QWebEngineDownloadRequest *request)
{
    // The profile is shared: only this window's downloads are asked here.
    if (request->page() != brwWebBrowser->page())
        return;
    m_requestPending = false;
    const QString proposed = QDir(request->downloadDirectory()).filePath(request->downloadFileName());
    const QString target = m_app.ui().saveFileName(this, QStringLiteral("Save As"),
                                                   QStringLiteral("All Files (*.*)"), proposed);
    if (target.isEmpty()) {
        request->cancel();
        return;
    }
    const QFileInfo info(target);
    request->setDownloadDirectory(info.absolutePath());
    request->setDownloadFileName(info.fileName());
    m_downloadBar->setRange(0, 0);
    m_downloadBar->show();
    sbStatusBar->showMessage(QStringLiteral("Downloading %1...").arg(info.fileName()));
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, [this, request] {
        const qint64 total = request->totalBytes();
        m_downloadBar->setRange(0, total > 0 ? 1000 : 0);
        if (total > 0)
            m_downloadBar->setValue(int(request->receivedBytes() * 1000 / total));
    });
    connect(request, &QWebEngineDownloadRequest::isFinishedChanged, this, [this, request, target] {
        m_downloadBar->hide();
        if (request->state() == QWebEngineDownloadRequest::DownloadCompleted)
            sbStatusBar->showMessage(QStringLiteral("Saved %1").arg(QDir::toNativeSeparators(target)));
        else
            sbStatusBar->showMessage(QStringLiteral("The download of %1 did not complete. %2")
                                         .arg(QFileInfo(target).fileName(), request->interruptReasonString()));
    });
    request->accept();
}

void BrowserWindow::navigationComplete()
{
    m_requestPending = false;
    m_loading = false;
    showTitle();
    m_showsPosted = !m_postedUrl.isEmpty() && m_postedUrl == brwWebBrowser->url();
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
    if ((watched == cboAddress || watched == cboAddress->lineEdit())
        && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            navigate(cboAddress->currentText());
            return true;
        }
    }
    return ChildWindow::eventFilter(watched, event);
}
