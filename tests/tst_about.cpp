// The about box: its labels, its buttons and the system information program.
#include "app/aboutbox.h"
#include "app/mainwindow.h"
#include "testenvironment.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
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
    // Modal over the main window, with the program's title and version;
    // Enter and Esc close it, and it comes back the same.
    void labelsAndClosing_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }

    void labelsAndClosing()
    {
        QFETCH(int, key);
        TestEnvironment env;
        MainWindow main(env.app);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        for (int round = 0; round < 2; ++round) {
            bool closed = false;
            withAboutBox(main, [&](AboutBox *box) {
                QCOMPARE(main.findChildren<AboutBox *>().size(), 1);
                QVERIFY(box->isModal() && box->parentWidget() == &main);
                QCOMPARE(box->windowTitle(), QStringLiteral("About Partwise"));
                QCOMPARE(box->lblVersion->text(), QStringLiteral("Version %1.%2.%3")
                                                      .arg(PARTWISE_VERSION_MAJOR)
                                                      .arg(PARTWISE_VERSION_MINOR)
                                                      .arg(PARTWISE_VERSION_PATCH));
                QVERIFY(box->cmdOK->isDefault());
                QVERIFY((box->geometry().center() - main.geometry().center()).manhattanLength() < 40);
                QTest::keyClick(box, Qt::Key(key));
                closed = !box->isVisible();
            });
            QVERIFY(closed);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(main.findChildren<AboutBox *>().size(), 0);
        }
        QVERIFY(env.ui.shown.isEmpty());
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
        // A PATH of stand-ins that note which of them ran.
        QTemporaryDir path;
        const QString marker = path.filePath("started");
        for (const QString &name : programs) {
            QFile f(path.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            // Written under another name and renamed, so that the marker
            // never exists without its content.
            f.write(QStringLiteral("#!/bin/sh\necho %1 > '%2.part' && /bin/mv '%2.part' '%2'\n")
                        .arg(name, marker)
                        .toUtf8());
            f.close();
            if (executable)
                f.setPermissions(f.permissions() | QFile::ExeOwner);
        }
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(path.path()));
        TestEnvironment env;
        MainWindow main(env.app);
        main.show();
        bool stayedOpen = false;
        withAboutBox(main, [&](AboutBox *box) {
            if (byEnter) {
                box->activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(box));
                for (int i = 0; i < 5 && QApplication::focusWidget() != box->cmdSysInfo; ++i)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), box->cmdSysInfo);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            } else {
                QTest::mouseClick(box->cmdSysInfo, Qt::LeftButton);
            }
            stayedOpen = box->isVisible();
        });
        qputenv("PATH", savedPath);
        QVERIFY(stayedOpen);
        if (started.isEmpty()) {
            QCOMPARE(env.ui.texts(), QStringList{"System Information Is Unavailable At This Time"});
            QCOMPARE(env.ui.shown.first().title, QStringLiteral("Partwise"));
            QCOMPARE(env.ui.shown.first().icon, UserInterface::Icon::None);
            QTest::qWait(100);
            QVERIFY(!QFile::exists(marker));
        } else {
            QVERIFY(env.ui.shown.isEmpty());
            QTRY_VERIFY(QFile::exists(marker));
            QFile f(marker);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(f.readAll()).trimmed(), started);
        }
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
