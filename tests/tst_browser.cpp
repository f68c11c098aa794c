// The web browser window on local pages, offscreen: the address list, the
// caption while loading, the toolbar, failed loads.
#include "web/browserwindow.h"
#include "windowharness.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QToolBar>
#include <QWebEngineView>
#include <QtTest>
#include <memory>

namespace {

const int LoadTimeout = 30000;

// A server that takes connections and never answers: its pages load forever.
class SilentServer : public QTcpServer
{
public:
    QList<QTcpSocket *> held;
    SilentServer()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = nextPendingConnection())
                held << s;
        });
        listen(QHostAddress::LocalHost);
    }
    QString address() const { return QStringLiteral("http://127.0.0.1:%1/slow").arg(serverPort()); }
};

} // namespace

class TestBrowser : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;
    BrowserWindow *w = nullptr;

    QString page(const QString &name) const
    {
        return QUrl::fromLocalFile(QDir(h->env.folder()).filePath("pages/" + name + ".html")).toString();
    }

    // A program folder with its start page and three pages "a", "b", "c".
    bool makePages()
    {
        QDir folder(h->env.folder());
        if (!folder.mkpath("pages") || !folder.mkpath("web"))
            return false;
        for (const QString name : {"a", "b", "c"}) {
            QFile f(folder.filePath("pages/" + name + ".html"));
            if (!f.open(QIODevice::WriteOnly))
                return false;
            f.write(QStringLiteral("<html><head><title>Page %1</title></head><body>%1</body></html>")
                        .arg(name.toUpper())
                        .toUtf8());
        }
        return QFile::copy(PARTWISE_SOURCE_DIR "/web/start.html", folder.filePath("web/start.html"));
    }

    // Opens a browser window on a starting address and waits for it.
    bool openAt(const QString &start)
    {
        h = std::make_unique<Harness>();
        if (!h->ready() || !makePages())
            return false;
        w = new BrowserWindow(h->env.app);
        w->setStartingAddress(start.isEmpty() ? QString() : page(start));
        QSignalSpy loaded(w->brwWebBrowser, &QWebEngineView::loadFinished);
        h->main.showChild(w);
        return loaded.wait(LoadTimeout);
    }

    // Types an address and presses Enter, as the user does; waits for the load.
    bool visit(const QString &address)
    {
        QSignalSpy loaded(w->brwWebBrowser, &QWebEngineView::loadFinished);
        QLineEdit *edit = w->cboAddress->lineEdit();
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, address);
        QTest::keyClick(edit, Qt::Key_Return);
        return loaded.wait(LoadTimeout) || loaded.count() > 0;
    }

    bool press(const QString &key)
    {
        QSignalSpy loaded(w->brwWebBrowser, &QWebEngineView::loadFinished);
        QAction *a = w->tbToolBar->findChild<QAction *>("tb" + key);
        if (!a)
            return false;
        QTest::mouseClick(w->tbToolBar->widgetForAction(a), Qt::LeftButton);
        return loaded.wait(LoadTimeout) || loaded.count() > 0;
    }

    QStringList pages(const QStringList &names) const
    {
        QStringList out;
        for (const QString &n : names)
            out << page(n);
        return out;
    }

private slots:
    void cleanup()
    {
        w = nullptr;
        h.reset();
    }

    // Latest first, never twice; each visit loads once, and rewriting the
    // list starts no load of its own.
    void addressList_data()
    {
        QTest::addColumn<QStringList>("visits");
        QTest::addColumn<QStringList>("list");
        QTest::newRow("new ones on top") << QStringList{"b", "c"} << QStringList{"c", "b", "a"};
        QTest::newRow("a revisit moves up") << QStringList{"b", "a"} << QStringList{"a", "b"};
        QTest::newRow("the same again") << QStringList{"a", "a"} << QStringList{"a"};
        QTest::newRow("middle one up") << QStringList{"b", "c", "b"} << QStringList{"b", "c", "a"};
    }

    void addressList()
    {
        QFETCH(QStringList, visits);
        QFETCH(QStringList, list);
        QVERIFY(openAt("a"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Page A"));
        QCOMPARE(w->addresses(), pages({"a"}));
        QSignalSpy started(w->brwWebBrowser, &QWebEngineView::loadStarted);
        for (const QString &v : visits) {
            QVERIFY(visit(page(v)));
            QCOMPARE(w->windowTitle(), "Page " + v.toUpper());
            QCOMPARE(w->cboAddress->currentText(), page(v));
        }
        QCOMPARE(w->addresses(), pages(list));
        QTest::qWait(100);
        QCOMPARE(started.count(), visits.size());
        QVERIFY(!w->showsFailure());
    }

    // Choosing an entry of the list opens it.
    void choosingFromTheList()
    {
        QVERIFY(openAt("a"));
        QVERIFY(visit(page("b")));
        QSignalSpy loaded(w->brwWebBrowser, &QWebEngineView::loadFinished);
        w->cboAddress->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(w->cboAddress, Qt::Key_Down);
        QVERIFY(loaded.wait(LoadTimeout));
        QCOMPARE(w->windowTitle(), QStringLiteral("Page A"));
        QCOMPARE(w->addresses(), pages({"a", "b"}));
    }

    // "Working..." while a page loads; Stop ends it at once and shows the
    // title of the page on show.
    void captionWhileLoadingAndStop()
    {
        QVERIFY(openAt("a"));
        SilentServer server;
        QVERIFY(server.isListening());
        QLineEdit *edit = w->cboAddress->lineEdit();
        edit->selectAll();
        QTest::keyClicks(edit, server.address());
        QTest::keyClick(edit, Qt::Key_Return);
        QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), QStringLiteral("Working..."), LoadTimeout);
        QVERIFY(w->timTimer->isActive());
        QTRY_VERIFY_WITH_TIMEOUT(!server.held.isEmpty(), LoadTimeout);
        QTest::qWait(50);
        QCOMPARE(w->windowTitle(), QStringLiteral("Working..."));

        press("Stop");
        QVERIFY(!w->timTimer->isActive());
        QCOMPARE(w->windowTitle(), w->brwWebBrowser->title());
        QVERIFY(w->windowTitle() != QStringLiteral("Working..."));
        QTest::qWait(100);
        QVERIFY(w->windowTitle() != QStringLiteral("Working..."));
        QVERIFY(!w->showsFailure());
    }

    // Back with nothing behind loads nothing: the caption does not stay
    // "Working...".
    void backWithNothingBehind()
    {
        QVERIFY(openAt("a"));
        QAction *back = w->tbToolBar->findChild<QAction *>("tbBack");
        QTest::mouseClick(w->tbToolBar->widgetForAction(back), Qt::LeftButton);
        QTRY_VERIFY(!w->timTimer->isActive());
        QCOMPARE(w->windowTitle(), QStringLiteral("Page A"));
        QCOMPARE(w->addresses(), pages({"a"}));
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
        QTest::newRow("port refused by the engine") << "http://127.0.0.1:25/" << "net::ERR_UNSAFE_PORT";
    }

    void failedLoads()
    {
        QFETCH(QString, address);
        QFETCH(QString, reason);
        QVERIFY(openAt("a"));
        if (address.contains("%1")) {
            // A port that was just free: nothing listens there.
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            address = address.arg(probe.serverPort());
        }
        const QString typed = address.startsWith("http") ? address : QDir(h->env.folder()).filePath(address);
        visit(typed);
        QTRY_VERIFY_WITH_TIMEOUT(w->showsFailure(), LoadTimeout);
        QVERIFY(w->lblFailure->isVisible());
        QVERIFY2(w->lblFailure->text().contains(reason), qPrintable(w->lblFailure->text()));
        QVERIFY2(w->lblFailure->text().contains(QUrl::fromUserInput(typed).host())
                     || w->lblFailure->text().contains("missing.html"),
                 qPrintable(w->lblFailure->text()));
        QVERIFY(visit(page("b")));
        QVERIFY(!w->showsFailure());
        QCOMPARE(w->windowTitle(), QStringLiteral("Page B"));
    }

    // The toolbar's buttons, in order, and where each one goes.
    void toolbar_data()
    {
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<QString>("title");
        QTest::newRow("back") << QStringList{"Back"} << "Page B";
        QTest::newRow("back twice") << QStringList{"Back", "Back"} << "Page A";
        QTest::newRow("back and forward") << QStringList{"Back", "Forward"} << "Page C";
        QTest::newRow("home") << QStringList{"Home"} << "Partwise Start Page";
        QTest::newRow("search") << QStringList{"Search"} << "Page A";
        QTest::newRow("refresh") << QStringList{"Refresh"} << "Page C";
    }

    void toolbar()
    {
        QFETCH(QStringList, keys);
        QFETCH(QString, title);
        QVERIFY(openAt("a"));
        QStringList seen;
        for (QAction *a : w->tbToolBar->actions())
            seen << a->data().toString() + "=" + a->toolTip();
        QCOMPARE(seen, QStringList({"Back=Back", "Forward=Forward", "Stop=Stop", "Refresh=Refresh", "Home=Home",
                                    "Search=Search"}));
        h->env.app.settings()->setValue("Settings/SearchPage", page("a"));
        QVERIFY(visit(page("b")));
        QVERIFY(visit(page("c")));
        for (const QString &key : keys)
            QVERIFY2(press(key), qPrintable(key));
        QTRY_COMPARE_WITH_TIMEOUT(w->windowTitle(), title, LoadTimeout);
        QTRY_VERIFY(!w->timTimer->isActive());
        QCOMPARE(w->windowTitle(), title);
        QCOMPARE(w->addresses().first(), w->brwWebBrowser->url().toString());
    }

    // View > Web Browser opens the start page shipped with the program.
    void startPageFromTheMenu()
    {
        h = std::make_unique<Harness>();
        QVERIFY(h->ready());
        h->env.app.setProgramFolder(PARTWISE_SOURCE_DIR);
        QVERIFY(h->main.action(CommandId::ViewWebBrowser)->isEnabled());
        h->main.run(CommandId::ViewWebBrowser);
        auto *browser = qobject_cast<BrowserWindow *>(h->main.activeChild());
        QVERIFY(browser);
        const QString start = QUrl::fromLocalFile(PARTWISE_SOURCE_DIR "/web/start.html").toString();
        QCOMPARE(browser->startingAddress(), start);
        QTRY_COMPARE_WITH_TIMEOUT(browser->windowTitle(), QStringLiteral("Partwise Start Page"), LoadTimeout);
        QCOMPARE(browser->addresses(), QStringList{start});
        QVERIFY(!browser->showsFailure());
        // Another command, another window.
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
