#pragma once

#include "ui/childwindow.h"

#include <QElapsedTimer>
#include <QUrl>

class QComboBox;
class QLabel;
class QProgressBar;
class QStackedWidget;
class QStatusBar;
class QWebEngineDownloadRequest;
class QTimer;
class QToolBar;
class QWebEngineLoadingInfo;
class QWebEngineView;

// A web browser inside the main window: an address box that remembers the
// addresses visited (latest first), a navigation toolbar, and a caption that
// follows the page title and reads "Working..." while a page loads.
class BrowserWindow : public ChildWindow
{
    Q_OBJECT
    // The address opened first; set by the opener before the window shows.
    Q_PROPERTY(QString StartingAddress READ startingAddress WRITE setStartingAddress)
public:
    explicit BrowserWindow(AppContext &app, QWidget *parent = nullptr);

    QString startingAddress() const { return m_startingAddress; }
    void setStartingAddress(const QString &address) { m_startingAddress = address; }

    // The start page shipped in the program folder; opens without a network.
    static QUrl homePage(const AppContext &app);
    // The search page: the "SearchPage" setting, or a public search engine.
    QUrl searchPage() const;
    static QString defaultSearchPage() { return QStringLiteral("https://duckduckgo.com/"); }

    void load() override;
    // Opens an address as typed: a web address, a file path or a full URL.
    void navigate(const QString &address);
    // Runs a toolbar button by its key: "Back", "Forward", "Stop",
    // "Refresh", "Home", "Search"; any other key refreshes.
    void runToolButton(const QString &key);

    // The address box's list, top first.
    QStringList addresses() const;
    // True while the reason for a failed load is shown instead of a page.
    bool showsFailure() const;

    QWidget *picAddress = nullptr;
    QLabel *lblAddress = nullptr;
    QComboBox *cboAddress = nullptr;
    QToolBar *tbToolBar = nullptr;
    QWebEngineView *brwWebBrowser = nullptr;
    QTimer *timTimer = nullptr;
    QLabel *lblFailure = nullptr;
    // Downloads: where they went, and a progress bar while they run.
    QStatusBar *sbStatusBar = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createToolBar();
    void navigationComplete();
    void loadingChanged(const QWebEngineLoadingInfo &info);
    void tick();
    // Asked for a page; the engine reports the start a moment later.
    void request();
    bool busy() const;
    void showTitle();
    void download(QWebEngineDownloadRequest *request);
    // Refresh, asking first when the page on show was sent by a form.
    void refresh();

    QString m_startingAddress;
    QStackedWidget *m_pages = nullptr;
    QUrl m_requested; // the address of the navigation under way
    bool m_requestPending = false;
    // From the engine's start of a load to its end, which also updates the
    // address list.
    bool m_loading = false;
    QElapsedTimer m_requestedAt;
    QProgressBar *m_downloadBar = nullptr;
    // The last main-frame request was a POST, for this address.
    QUrl m_postedUrl;
    bool m_showsPosted = false;
};
