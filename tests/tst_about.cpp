// The about box: its labels, its buttons and the system information program.
#include "app/aboutbox.h"
#include "app/mainwindow.h"
#include "testenvironment.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {

// Shows the box through Help > About and runs `inside` while it is up; the
// box is closed afterwards in any case, so a failed check cannot hang.
void withAboutBox(MainWindow &main, const std::function<void(AboutBox *)> &inside)
{
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<AboutBox *>(QApplication::activeModalWidget());
        if (box) {
            inside(box);
            if (box->isVisible())
                box->reject();
        }
    });
    main.run(CommandId::HelpAbout);
}

// A folder standing in for the PATH, with the named programs in it.
struct Path
{
    QTemporaryDir dir;
    QByteArray saved = qgetenv("PATH");
    QString marker = dir.filePath("started");
    Path(const QStringList &programs, bool executable)
    {
        for (const QString &name : programs) {
            QFile f(dir.filePath(name));
            f.open(QIODevice::WriteOnly);
            f.write(QStringLiteral("#!/bin/sh\necho %1 > '%2'\n").arg(name, marker).toUtf8());
            f.close();
            if (executable)
                f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser);
        }
        qputenv("PATH", QFile::encodeName(dir.path()));
    }
    ~Path() { qputenv("PATH", saved); }
};

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
        const QString version = QStringLiteral("Version %1.%2.%3")
                                    .arg(PARTWISE_VERSION_MAJOR)
                                    .arg(PARTWISE_VERSION_MINOR)
                                    .arg(PARTWISE_VERSION_PATCH);
        QVERIFY(QRegularExpression("^Version \\d+\\.\\d+\\.\\d+$").match(version).hasMatch());
        for (int round = 0; round < 2; ++round) {
            bool closed = false;
            withAboutBox(main, [&](AboutBox *box) {
                QCOMPARE(main.findChildren<AboutBox *>().size(), 1);
                QVERIFY(box->isModal());
                QCOMPARE(box->parentWidget(), &main);
                QCOMPARE(box->windowTitle(), QStringLiteral("About Partwise"));
                QCOMPARE(box->lblTitle->text(), QStringLiteral("Partwise"));
                QCOMPARE(box->lblVersion->text(), version);
                QVERIFY(!box->lblDescription->text().isEmpty() && !box->Label1->text().isEmpty()
                        && !box->lblDisclaimer->text().isEmpty());
                QCOMPARE(box->cmdOK->text(), QStringLiteral("OK"));
                QCOMPARE(box->cmdSysInfo->text(), QStringLiteral("&System Info..."));
                QVERIFY(box->cmdOK->isDefault());
                // Centred on the main window.
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
    // PATH, or says that there is none.
    void systemInfo_data()
    {
        QTest::addColumn<QStringList>("programs");
        QTest::addColumn<bool>("executable");
        QTest::addColumn<QString>("started"); // empty: the message instead
        QTest::newRow("none") << QStringList{} << true << "";
        QTest::newRow("hardinfo") << QStringList{"hardinfo"} << true << "hardinfo";
        QTest::newRow("first one found") << QStringList{"kinfocenter", "hardinfo"} << true << "hardinfo";
        QTest::newRow("kinfocenter") << QStringList{"kinfocenter"} << true << "kinfocenter";
        QTest::newRow("not executable") << QStringList{"hardinfo"} << false << "";
        QTest::newRow("other programs only") << QStringList{"sysinfo", "top"} << true << "";
    }

    void systemInfo()
    {
        QFETCH(QStringList, programs);
        QFETCH(bool, executable);
        QFETCH(QString, started);
        TestEnvironment env;
        MainWindow main(env.app);
        main.show();
        Path path(programs, executable);
        withAboutBox(main, [&](AboutBox *box) {
            QTest::mouseClick(box->cmdSysInfo, Qt::LeftButton);
            // The box stays open either way.
            QVERIFY(box->isVisible());
        });
        if (started.isEmpty()) {
            QCOMPARE(env.ui.texts(), QStringList{"System Information Is Unavailable At This Time"});
            QCOMPARE(env.ui.shown.first().title, QStringLiteral("Partwise"));
            QCOMPARE(env.ui.shown.first().icon, UserInterface::Icon::None);
            QCOMPARE(env.ui.shown.first().buttons, UserInterface::Buttons::Ok);
            QTest::qWait(100);
            QVERIFY(!QFile::exists(path.marker));
        } else {
            QVERIFY(env.ui.shown.isEmpty());
            QTRY_VERIFY(QFile::exists(path.marker));
            QFile f(path.marker);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(f.readAll()).trimmed(), started);
        }
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
