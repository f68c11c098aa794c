// The web browser window on local pages, offscreen: the address list, the
// caption while loading, the toolbar, failed loads.
#include "web/browserwindow.h"
#include "harness.h"

#include <QtNetwork>
#include <QtWidgets>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>
#include <memory>

namespace {
const int LoadTimeout = 30000;

// Answers "/form" with a form, a POST with the page it sends, any other GET
// with a download, and notes each request's method.
class TinyServer : public QTcpServer
{
public:
    TinyServer()
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
                    s->write("HTTP/1.0 200 OK\r\n" + (head.startsWith("POST") ? QByteArray("Content-Type: text/html\r\n\r\n<title>Sent</title>")
                                                    : head.startsWith("GET /form") ? QByteArray("Content-Type: text/html\r\n\r\n<title>Form</title>"
                                                                                         "<form id=f method=post action='/order'><input name=q value=1></form>")
                                                    : QByteArray("Content-Type: application/octet-stream\r\n"
                                                                 "Content-Disposition: attachment; filename=parts.csv\r\n\r\nA1,5\n")));
                    s->disconnectFromHost();
                });
        });
    }
    QString url(const QString &path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path); }
    QByteArrayList requests; // "GET", "POST", ...
};
}

class TestBrowser : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;
    BrowserWindow *w = nullptr;

    QString page(const QString &name) const { return QUrl::fromLocalFile(QDir(h->env.folder()).filePath("pages/" + name + ".html")).toString(); }

    // A program folder with its start page and pages "a", "b", "c"; a window
    // opened on page "a".
    bool openOnA()
    {
        h = std::make_unique<Harness>();
        QDir folder(h->env.folder());
        bool ok = h->ready() && folder.mkpath("pages") && folder.mkpath("web")
                  && QFile::copy(PARTWISE_SOURCE_DIR "/web/start.html", folder.filePath("web/start.html"));
        for (const QString name : {"a", "b", "c", "d"})
            ok = ok && writePage(name, QStringLiteral("<html><head><title>Page %1</title></head></html>").arg(name.toUpper()));
        if (!ok)
            return false;
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

    // One row a walk from page "a": a page's name typed with Enter, "=X"
    // with keypad Enter, a toolbar button, Alt+Left/Right, "Down" (the next
    // entry of the address list), "missing" (no such file), "refused"
    // (nobody listening), "gone" (a name with markup), "slow" (a server that
    // never answers: "Working..." until Stop), "link" (a link to a new window,
    // clicked), "spy" (a page reading another local file), "form" (a form
    // sent by POST), "Yes"/"No" (the next question's answer), "download"
    // (cancelled, then saved), "menu" (View > Web Browser: a new window on the
    // shipped start page). Outcome: caption | addresses, latest first | pages
    // loaded | windows | the failure shown [| the server's requests | questions].
    void walk_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("outcome");
        auto row = [](const char *name, const char *steps, const QString &outcome) { QTest::newRow(name) << QString(steps) << outcome; };
        const QString failed = "Page A | a | 1 | 1 | The page could not be opened.\n\n";
        const QString missing = "file://<folder>/pages/%1.html\n\nThere is no such file.\nnet::ERR_FILE_NOT_FOUND (error -6)";
        row("new ones on top", "b c", "Page C | c b a | 2 | 1 | ");
        row("the next entry chosen goes to the top", "b c Down", "Page B | b c a | 3 | 1 | ");
        row("a revisit moves up", "b a Down", "Page B | b a | 3 | 1 | ");
        row("the same again", "a a Down", "Page A | a | 2 | 1 | ");
        row("back with nothing behind", "b c Back Back Back", "Page A | a b c | 4 | 1 | ");
        row("back and forward", "b c Back Forward", "Page C | c b a | 4 | 1 | ");
        row("Alt+Left, Alt+Right", "b c Alt+Left Alt+Left Alt+Right", "Page B | b a c | 5 | 1 | ");
        row("home", "b c Home", "Partwise Start Page | start.html c b a | 3 | 1 | ");
        row("search", "b c Search", "Page A | a c b | 3 | 1 | ");
        row("refresh", "b c Refresh", "Page C | c b a | 3 | 1 | ");
        row("typed, keypad Enter", "b c =d", "Page D | d c b a | 3 | 1 | ");
        row("a script address is ignored", "b c =JavaScript:document.title='Ran'", "Page C | c b a | 2 | 1 | ");
        row("missing file", "missing", failed + missing.arg("missing"));
        row("nobody listening", "refused", failed + "<refused>\n\nThe server refused the connection.\nnet::ERR_CONNECTION_REFUSED (error -102)");
        row("the next page replaces the failure", "missing b", "Page B | b a | 2 | 1 | ");
        row("a failure with markup shows as text", "gone", failed + missing.arg("%3Cb%3Egone%3C/b%3E"));
        row("Stop while loading", "slow Stop", "Page A | a | 1 | 1 | ");
        row("a link to a new window opens here", "link", "Page B | b link a | 2 | 1 | ");
        row("local pages cannot read other files", "spy", "Refused | spy a | 1 | 1 | ");
        row("refresh after a form, No", "form No Refresh", "Sent | order form a | 2 | 1 |  | GET,POST | 1 YN");
        row("refresh after a form, Yes", "form Yes Refresh", "Sent | order form a | 3 | 1 |  | GET,POST,POST | 1 YN");
        row("download", "download", "Page A | a | 2 | 1 |  | GET,GET | 0");
        row("start page from the menu", "menu", "Partwise Start Page | start.html | 0 | 2 | ");
    }

    void walk()
    {
        QFETCH(QString, steps);
        QFETCH(QString, outcome);
        QVERIFY(openOnA());
        h->env.app.settings()->setValue("Settings/SearchPage", page("a"));
        QVERIFY(writePage("link", "<html><head><title>Link</title></head><body><a id=l target=_blank href='b.html'>b</a></body></html>"));
        QVERIFY(writePage("spy", "<html><head><title>Spy</title><script>"
                                 "var r = new XMLHttpRequest(); r.onload = function() { document.title = 'Read'; };"
                                 "r.onerror = function() { document.title = 'Refused'; };"
                                 "try { r.open('GET', 'a.html'); r.send(); } catch (e) { document.title = 'Refused'; }"
                                 "</script></head></html>"));
        QSignalSpy loads(w->brwWebBrowser, &QWebEngineView::loadStarted);
        TinyServer server;
        QTcpServer silent, probe; // one never answers; the other's port was free a moment ago
        QVERIFY(silent.listen(QHostAddress::LocalHost) && probe.listen(QHostAddress::LocalHost));
        const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(probe.serverPort());
        probe.close();
        for (const QString &step : steps.split(' ')) {
            if (step == "slow") {
                type(QStringLiteral("http://127.0.0.1:%1/slow").arg(silent.serverPort()));
                QTRY_COMPARE(w->windowTitle(), QStringLiteral("Working..."));
                QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), LoadTimeout);
                QTest::qWait(50);
                QCOMPARE(w->windowTitle(), QStringLiteral("Working..."));
            } else if (step == "link" || step == "spy") {
                QVERIFY(visit(page(step)));
                if (step == "link")
                    w->brwWebBrowser->page()->runJavaScript("document.getElementById('l').click()");
                QTRY_COMPARE_WITH_TIMEOUT(w->brwWebBrowser->title(), step == "link" ? QStringLiteral("Page B") : QStringLiteral("Refused"), LoadTimeout);
                QVERIFY(settle());
            } else if (step == "missing" || step == "gone" || step == "refused") {
                QVERIFY(visit(step == "refused" ? refused : QDir(h->env.folder()).filePath(step == "gone" ? "pages/<b>gone</b>.html" : "pages/missing.html")));
                QTRY_VERIFY_WITH_TIMEOUT(w->showsFailure(), LoadTimeout);
            } else if (step == "form") {
                QVERIFY(visit(server.url("/form")));
                w->brwWebBrowser->page()->runJavaScript("document.getElementById('f').submit()");
                QTRY_COMPARE_WITH_TIMEOUT(w->brwWebBrowser->title(), QStringLiteral("Sent"), LoadTimeout);
                QVERIFY(settle());
            } else if (step == "Yes" || step == "No") {
                h->ui.answers << (step == "Yes" ? UserInterface::Answer::Yes : UserInterface::Answer::No);
            } else if (step == "download") {
                const QString target = QDir(h->env.folder()).filePath("saved.csv");
                h->ui.fileNames << "" << target;
                type(server.url("/one"));
                QTRY_COMPARE_WITH_TIMEOUT(h->ui.proposedNames.size(), 1, LoadTimeout);
                QVERIFY(h->ui.proposedNames.first().endsWith("parts.csv"));
                type(server.url("/two"));
                QTRY_VERIFY_WITH_TIMEOUT(w->sbStatusBar->currentMessage().contains(target), LoadTimeout);
                QFile saved(target);
                QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll() == "A1,5\n");
                QVERIFY(w->sbStatusBar->findChild<QProgressBar *>() && w->sbStatusBar->findChild<QProgressBar *>()->isHidden());
                QCOMPARE(QDir(h->env.folder()).entryList({"*.csv"}), QStringList{"saved.csv"});
            } else if (step == "menu") {
                h->main.run(CommandId::ViewWebBrowser);
                auto *opened = qobject_cast<BrowserWindow *>(h->main.activeChild());
                QVERIFY(opened && opened != w);
                w = opened;
                QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Partwise Start Page"), LoadTimeout);
                QVERIFY(settle());
            } else if (step == "Down") {
                Drive::focus(w->cboAddress);
                Drive::key(Qt::Key_Down);
                QVERIFY(settle());
            } else if (step.size() == 1) {
                QVERIFY(visit(page(step)));
            } else {
                QVERIFY2(press(step), qPrintable(step));
            }
        }
        QTest::qWait(100);
        QCOMPARE(w->brwWebBrowser->title(), w->windowTitle());
        QStringList addresses = w->addresses();
        for (QString &a : addresses)
            a = a == page(a.section('/', -1).section('.', 0, 0)) ? a.section('/', -1).section('.', 0, 0) : a.section('/', -1);
        const QString failure = !w->showsFailure() ? QString() : !w->lblFailure->isVisible() ? "hidden" : (w->lblFailure->textFormat() == Qt::PlainText ? "" : "rich: ") + w->lblFailure->text();
        const QString served = server.requests.isEmpty() ? QString() : " | " + QString::fromLatin1(server.requests.join(',')) + " | "
                + QString::number(h->ui.shown.size()) + (h->ui.shown.value(0).buttons == UserInterface::Buttons::YesNo ? " YN" : "");
        const QString actual = QStringLiteral("%1 | %2 | %3 | %4 | %5%6").arg(w->windowTitle(), addresses.join(' ')).arg(loads.count())
                                   .arg(h->main.mdiArea()->subWindowList().size()).arg(failure, served)
                                   .replace(QDir(h->env.folder()).path(), "<folder>").replace(refused, "<refused>").replace(server.url("/"), "<server>/");
        QVERIFY2(actual == outcome, qPrintable(actual));
        QCOMPARE(w->addresses().first(), w->brwWebBrowser->url().toString());
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
