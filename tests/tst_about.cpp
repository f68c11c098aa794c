// The about box: modal, its keys, and the system information program. Its
// words are in the text listing (tst_texts).
#include "app/aboutbox.h"
#include "harness.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>

namespace {

// Runs `inside` while the box that Help > About shows is up, then closes
// the box if it is still there, so that a failed check cannot hang.
void withAboutBox(MainWindow &main, const std::function<void(AboutBox *)> &inside)
{
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<AboutBox *>(QApplication::activeModalWidget())) {
            inside(box);
            box->reject();
        }
    });
    main.run(CommandId::HelpAbout);
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT

private slots:
    // Modal over the main window, centred, OK the default; Enter and Esc
    // close it, and it comes back the same.
    void closing_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void closing()
    {
        QFETCH(int, key);
        Harness h;
        QVERIFY(h.ready());
        for (int round = 0; round < 2; ++round) {
            bool closed = false;
            withAboutBox(h.main, [&](AboutBox *box) {
                QCOMPARE(h.main.findChildren<AboutBox *>().size(), 1);
                QVERIFY(box->isModal() && box->parentWidget() == &h.main && box->cmdOK->isDefault());
                QVERIFY((box->geometry().center() - h.main.geometry().center()).manhattanLength() < 40);
                QTest::keyClick(box, Qt::Key(key));
                closed = !box->isVisible();
            });
            QVERIFY(closed);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(h.main.findChildren<AboutBox *>().size(), 0);
        }
        QVERIFY(h.ui.shown.isEmpty());
    }

    // System Info... starts the first system information program on the
    // PATH, or says that there is none; the box stays open either way.
    void systemInfo_data()
    {
        QTest::addColumn<QStringList>("programs");
        QTest::addColumn<bool>("executable");
        QTest::addColumn<QString>("started"); // empty: the message instead
        QTest::addColumn<bool>("byEnter"); // Tab to the button and Enter, not a click
        QTest::newRow("none") << QStringList{} << true << "" << false;
        QTest::newRow("first one found") << QStringList{"kinfocenter", "hardinfo"} << true << "hardinfo" << false;
        QTest::newRow("Enter on the focused button") << QStringList{"kinfocenter"} << true << "kinfocenter" << true;
        QTest::newRow("not executable") << QStringList{"hardinfo"} << false << "" << false;
        QTest::newRow("other programs only") << QStringList{"sysinfo", "top"} << true << "" << false;
    }
    void systemInfo()
    {
        QFETCH(QStringList, programs);
        QFETCH(bool, executable);
        QFETCH(QString, started);
        QFETCH(bool, byEnter);
        // A PATH of stand-ins that note which of them ran (renamed into
        // place, so that the note never exists without its content).
        QTemporaryDir path;
        const QString marker = path.filePath("started");
        for (const QString &name : programs) {
            QFile f(path.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QString("#!/bin/sh\necho %1 > '%2.part' && /bin/mv '%2.part' '%2'\n").arg(name, marker).toUtf8());
            f.setPermissions(f.permissions() | (executable ? QFile::ExeOwner : QFile::Permissions()));
        }
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(path.path()));
        Harness h;
        QVERIFY(h.ready());
        bool stayedOpen = false;
        withAboutBox(h.main, [&](AboutBox *box) {
            if (byEnter) {
                QApplication::setActiveWindow(box);
                for (int i = 0; i < 5 && Drive::focused() != box->cmdSysInfo; ++i)
                    Drive::key(Qt::Key_Tab);
                QCOMPARE(Drive::focused(), box->cmdSysInfo);
                Drive::key(Qt::Key_Return);
            } else {
                QTest::mouseClick(box->cmdSysInfo, Qt::LeftButton);
            }
            stayedOpen = box->isVisible();
        });
        qputenv("PATH", savedPath);
        QVERIFY(stayedOpen);
        if (started.isEmpty()) {
            QCOMPARE(h.ui.texts(), QStringList{"System Information Is Unavailable At This Time"});
            QCOMPARE(h.ui.shown.first().title, QStringLiteral("Partwise"));
            QCOMPARE(h.ui.shown.first().icon, UserInterface::Icon::None);
            QTest::qWait(100);
            QVERIFY(!QFile::exists(marker));
        } else {
            QVERIFY(h.ui.shown.isEmpty());
            QTRY_VERIFY(QFile::exists(marker));
            QFile f(marker);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(f.readAll()).trimmed(), started);
        }
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
