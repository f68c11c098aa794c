// The web browser window on local pages, offscreen: the address list, the
// caption while loading, the toolbar, failed loads.
#include "web/browserwindow.h"
#include "harness.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QProgressBar>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEnginePage>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineView>
#include <QtTest>
#include <memory>

namespace {
const int LoadTimeout = 30000;

// Answers a GET with one reply, a POST with another, and notes each
// request's method.
class TinyServer : public QTcpServer
{
public:
    explicit TinyServer(QByteArray reply, QByteArray postReply = {})
        : m_reply(std::move(reply)), m_postReply(std::move(postReply))
    {
        listen(QHostAddress::LocalHost);
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection())
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    const QByteArray head = s->readAll();
                    if (!head.contains("\r\n\r\n") && !head.startsWith("POST"))
                        return;
                    if (!head.contains("favicon"))
                        requests << head.left(head.indexOf(' '));
                    s->write("HTTP/1.0 " + (head.startsWith("POST") ? m_postReply : m_reply));
                    s->disconnectFromHost();
                });
        });
    }
    QString url(const QString &path = "/") const { return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path); }
    QByteArrayList requests; // "GET", "POST", ...

private:
    QByteArray m_reply, m_postReply;
};
}

class TestBrowser : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;
    BrowserWindow *w = nullptr;

    QString page(const QString &name) const { return QUrl::fromLocalFile(QDir(h->env.folder()).filePath("pages/" + name + ".html")).toString(); }
    QStringList pages(const QStringList &names) const
    {
        QStringList out;
        for (const QString &n : names)
            out << page(n);
        return out;
    }

    // A program folder with its start page and pages "a", "b", "c"; a window
    // opened on page "a".
    bool openOnA()
    {
        h = std::make_unique<Harness>();
        QDir folder(h->env.folder());
        if (!h->ready() || !folder.mkpath("pages") || !folder.mkpath("web")
            || !QFile::copy(PARTWISE_SOURCE_DIR "/web/start.html", folder.filePath("web/start.html")))
            return false;
        for (const QString name : {"a", "b", "c", "d"}) {
            QFile f(folder.filePath("pages/" + name + ".html"));
            if (!f.open(QIODevice::WriteOnly))
                return false;
            f.write(QStringLiteral("<html><head><title>Page %1</title></head></html>").arg(name.toUpper()).toUtf8());
        }
        w = new BrowserWindow(h->env.app);
        w->setStartingAddress(page("a"));
        h->main.showChild(w);
        return settle() && w->windowTitle() == "Page A";
    }

    // Waits until the window no longer counts itself busy.
    bool settle()
    {
        QTest::qWait(20);
        return QTest::qWaitFor([this] { return !w->timTimer->isActive(); }, LoadTimeout);
    }

    // Writes a page into the program folder's pages.
    bool writePage(const QString &name, const QString &html)
    {
        QFile f(QDir(h->env.folder()).filePath("pages/" + name + ".html"));
        return f.open(QIODevice::WriteOnly) && f.write(html.toUtf8()) > 0;
    }
    // An address typed into the address box and Enter (or a key named), as
    // the user does: every key goes to the widget that has the focus.
    void type(const QString &address, int enter = Qt::Key_Return)
    {
        w->cboAddress->setFocus();
        Drive::key(Qt::Key_Home); // not Ctrl+A: a menu command's key
        Drive::key(Qt::Key_End, Qt::ShiftModifier);
        Drive::typeText(address, enter);
    }
    bool visit(const QString &address) { return type(address), settle(); }
    // A toolbar button clicked, "Alt+Left"/"Alt+Right" pressed, or "=X" typed with keypad Enter.
    bool press(const QString &key)
    {
        if (key.startsWith('='))
            type(key.size() == 2 ? page(key.mid(1)) : key.mid(1), Qt::Key_Enter);
        else if (key.startsWith("Alt+"))
            Drive::key(key.endsWith("Left") ? Qt::Key_Left : Qt::Key_Right, Qt::AltModifier);
        else
            QTest::mouseClick(w->tbToolBar->widgetForAction(w->tbToolBar->findChild<QAction *>("tb" + key)), Qt::LeftButton);
        return settle();
    }

private slots:
    void cleanup()
    {
        w = nullptr;
        h.reset();
    }

    // Latest first, never twice; an entry chosen from the list opens and
    // goes to the top. Each visit loads once: rewriting the list loads nothing.
    void addressList_data()
    {
        QTest::addColumn<QStringList>("visits");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QStringList>("afterChoosingNext");
        QTest::newRow("new ones on top") << QStringList{"b", "c"} << QStringList{"c", "b", "a"}
                                         << QStringList{"b", "c", "a"};
        QTest::newRow("a revisit moves up") << QStringList{"b", "a"} << QStringList{"a", "b"}
                                            << QStringList{"b", "a"};
        QTest::newRow("the same again") << QStringList{"a", "a"} << QStringList{"a"} << QStringList{"a"};
    }

    void addressList()
    {
        QFETCH(QStringList, visits);
        QFETCH(QStringList, list);
        QFETCH(QStringList, afterChoosingNext);
        QVERIFY(openOnA());
        QCOMPARE(w->addresses(), pages({"a"}));
        QSignalSpy started(w->brwWebBrowser, &QWebEngineView::loadStarted);
        for (const QString &v : visits) {
            QVERIFY(visit(page(v)));
            QCOMPARE(w->windowTitle(), "Page " + v.toUpper());
        }
        QCOMPARE(w->addresses(), pages(list));
        QCOMPARE(started.count(), visits.size());
        // The next entry of the list, chosen with the arrow key.
        Drive::focus(w->cboAddress);
        Drive::key(Qt::Key_Down);
        QVERIFY(settle());
        QCOMPARE(w->addresses(), pages(afterChoosingNext));
        QCOMPARE(w->windowTitle(), "Page " + afterChoosingNext.first().toUpper());
    }

    // "Working..." while a page loads; Stop ends it at once and shows the
    // title of the page on show.
    void captionWhileLoadingAndStop()
    {
        QVERIFY(openOnA());
        QTcpServer silent; // takes the connection and never answers
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        type(QStringLiteral("http://127.0.0.1:%1/slow").arg(silent.serverPort()));
        QTRY_COMPARE(w->windowTitle(), QStringLiteral("Working..."));
        QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), LoadTimeout);
        QTest::qWait(50);
        QCOMPARE(w->windowTitle(), QStringLiteral("Working..."));
        QVERIFY(press("Stop"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Page A"));
        QTest::qWait(100);
        QCOMPARE(w->windowTitle(), QStringLiteral("Page A"));
        QVERIFY(!w->showsFailure());
    }

    // A page that cannot be had shows why, in the window; the next page
    // that loads replaces the reason.
    void failedLoads_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing file") << "pages/missing.html" << "There is no such file.\nnet::ERR_FILE_NOT_FOUND";
        QTest::newRow("nobody listening") << "http://127.0.0.1:%1/"
                                          << "The server refused the connection.\nnet::ERR_CONNECTION_REFUSED";
    }

    void failedLoads()
    {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        QVERIFY(openOnA());
        if (address.contains("%1")) { // a port that was free a moment ago
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            address = address.arg(probe.serverPort());
        }
        const QString typed = address.startsWith("http") ? address : QDir(h->env.folder()).filePath(address);
        QVERIFY(visit(typed));
        QTRY_VERIFY_WITH_TIMEOUT(w->showsFailure(), LoadTimeout);
        QVERIFY(w->lblFailure->isVisible());
        QVERIFY2(w->lblFailure->text().contains(reason), qPrintable(w->lblFailure->text()));
        QVERIFY(w->lblFailure->text().contains(QUrl::fromUserInput(typed).toString()));
        QVERIFY(visit(page("b")));
        QVERIFY(!w->showsFailure());
    }

    // Where each toolbar button or key goes from page "c" (seen after "a"
    // and "b").
    void toolbar_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("title");
        QTest::newRow("back with nothing behind") << QStringList{"Back", "Back", "Back"} << "Page A";
        QTest::newRow("back and forward") << QStringList{"Back", "Forward"} << "Page C";
        QTest::newRow("Alt+Left, Alt+Right") << QStringList{"Alt+Left", "Alt+Left", "Alt+Right"} << "Page B";
        QTest::newRow("home") << QStringList{"Home"} << "Partwise Start Page";
        QTest::newRow("search") << QStringList{"Search"} << "Page A";
        QTest::newRow("refresh") << QStringList{"Refresh"} << "Page C";
        QTest::newRow("typed, keypad Enter") << QStringList{"=d"} << "Page D";
        QTest::newRow("a script address is ignored") << QStringList{"=javascript:document.title='Ran'"} << "Page C";
    }

    void toolbar()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, title);
        QVERIFY(openOnA());
        h->env.app.settings()->setValue("Settings/SearchPage", page("a"));
        QVERIFY(visit(page("b")) && visit(page("c")));
        for (const QString &key : keys)
            QVERIFY2(press(key), qPrintable(key));
        QTest::qWait(100);
        QCOMPARE(w->brwWebBrowser->title(), title);
        QCOMPARE(w->windowTitle(), title);
        QCOMPARE(w->addresses().first(), w->brwWebBrowser->url().toString());
    }

    // Pages: a link to a new window opens in this one; local pages cannot
    // read other local files; a failure with markup in it shows as text.
    void pageRules()
    {
        QVERIFY(openOnA());
        QVERIFY(writePage("blank", "<html><head><title>Blank</title></head><body>"
                                   "<a id=l target=_blank href='b.html'>b</a></body></html>"));
        QVERIFY(writePage("spy", "<html><head><title>Spy</title><script>"
                                 "var r = new XMLHttpRequest(); r.onload = function() { document.title = 'Read'; };"
                                 "r.onerror = function() { document.title = 'Refused'; };"
                                 "try { r.open('GET', 'a.html'); r.send(); } catch (e) { document.title = 'Refused'; }"
                                 "</script></head></html>"));
        QVERIFY(visit(page("blank")));
        w->brwWebBrowser->page()->runJavaScript("document.getElementById('l').click()");
        QTRY_COMPARE_WITH_TIMEOUT(w->brwWebBrowser->title(), QStringLiteral("Page B"), LoadTimeout);
        QCOMPARE(h->main.mdiArea()->subWindowList().size(), 1);
        QVERIFY(visit(page("spy")));
        QTRY_COMPARE_WITH_TIMEOUT(w->brwWebBrowser->title(), QStringLiteral("Refused"), LoadTimeout);
        QVERIFY(visit(QDir(h->env.folder()).filePath("pages/<b>gone</b>.html")));
        QTRY_VERIFY_WITH_TIMEOUT(w->showsFailure(), LoadTimeout);
        QCOMPARE(w->lblFailure->textFormat(), Qt::PlainText);
    }

    // Refresh of a page that a form sent asks before sending it again.
    void refreshAfterPost()
    {
        QVERIFY(openOnA());
        TinyServer server("200 OK\r\nContent-Type: text/html\r\n\r\n<title>Form</title>"
                          "<form id=f method=post action='/order'><input name=q value=1></form>",
                          "200 OK\r\nContent-Type: text/html\r\n\r\n<title>Sent</title>");
        QVERIFY(visit(server.url("/form")));
        w->brwWebBrowser->page()->runJavaScript("document.getElementById('f').submit()");
        QTRY_COMPARE_WITH_TIMEOUT(w->brwWebBrowser->title(), QStringLiteral("Sent"), LoadTimeout);
        QVERIFY(settle());
        h->ui.answers << UserInterface::Answer::No << UserInterface::Answer::Yes;
        QVERIFY(press("Refresh"));
        QTest::qWait(300);
        QCOMPARE(server.requests, (QByteArrayList{"GET", "POST"}));
        QVERIFY(press("Refresh"));
        QTRY_COMPARE_WITH_TIMEOUT(server.requests, (QByteArrayList{"GET", "POST", "POST"}), LoadTimeout);
        QCOMPARE(h->ui.shown.size(), 2);
        QCOMPARE(h->ui.shown.first().buttons, UserInterface::Buttons::YesNo);
    }

    // A download asks where to save, shows its progress in the status bar
    // and says where it went; a cancelled one saves nothing.
    void downloads()
    {
        QVERIFY(openOnA());
        TinyServer server("200 OK\r\nContent-Type: application/octet-stream\r\n"
                          "Content-Disposition: attachment; filename=parts.csv\r\n\r\nA1,5\n");
        const QString target = QDir(h->env.folder()).filePath("saved.csv");
        h->ui.fileNames << "" << target;
        type(server.url("/one"));
        QTRY_COMPARE_WITH_TIMEOUT(h->ui.proposedNames.size(), 1, LoadTimeout);
        QVERIFY(h->ui.proposedNames.first().endsWith("parts.csv"));
        type(server.url("/two"));
        QTRY_VERIFY_WITH_TIMEOUT(w->sbStatusBar->currentMessage().contains(target), LoadTimeout);
        QFile saved(target);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray("A1,5\n"));
        QVERIFY(w->sbStatusBar->findChild<QProgressBar *>() && w->sbStatusBar->findChild<QProgressBar *>()->isHidden());
        QCOMPARE(QDir(h->env.folder()).entryList({"*.csv"}), QStringList{"saved.csv"});
    }

    // View > Web Browser opens the start page shipped with the program, in
    // a new window each time.
    void startPageFromTheMenu()
    {
        h = std::make_unique<Harness>();
        QVERIFY(h->ready());
        h->env.app.setProgramFolder(PARTWISE_SOURCE_DIR);
        h->main.run(CommandId::ViewWebBrowser);
        auto *browser = qobject_cast<BrowserWindow *>(h->main.activeChild());
        QVERIFY(browser);
        const QString start = QUrl::fromLocalFile(PARTWISE_SOURCE_DIR "/web/start.html").toString();
        QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), QStringLiteral("Partwise Start Page"), LoadTimeout);
        QCOMPARE(browser->addresses(), QStringList{start});
        QVERIFY(!browser->showsFailure());
        h->main.run(CommandId::ViewWebBrowser);
        QVERIFY(h->main.activeChild() != browser);
    }
};

int main(int argc, char *argv[])
{
    // The web engine needs this before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestBrowser test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_browser.moc"
