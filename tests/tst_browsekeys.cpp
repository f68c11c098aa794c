// Typing into the browse boxes with real key sequences: capitals (Shift held
// across the letter) and the shortcut that opened the window.
#include "app/mainwindow.h"
#include "stock/browsedescwindow.h"
#include "stock/browseinvwindow.h"
#include "testenvironment.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

class TestBrowseKeys : public QObject
{
    Q_OBJECT

    const QString rows = "INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('C10U', 'Cap 10u', 1), "
                         "('R0R0', 'Zero ohm', 1), ('R100', 'Res 100', 1), ('R150', 'Res 150', 1);";

    static QComboBox *open(MainWindow &w, CommandId id)
    {
        w.run(id);
        QWidget *child = w.activeChild();
        auto *box = child->findChild<QComboBox *>(id == CommandId::BrowsePart ? "cmbPartNo" : "cmbDesc");
        box->setFocus();
        return box;
    }

    // Shift down, letter down, Shift up, letter up: the order a fast typist
    // and many input tools produce.
    static void capital(QWidget *w, Qt::Key key, char c)
    {
        QTest::keyPress(w, Qt::Key_Shift);
        QTest::keyPress(w, key, Qt::ShiftModifier);
        QTest::sendKeyEvent(QTest::KeyAction::Release, w, Qt::Key_Shift, char(0), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::KeyAction::Release, w, key, c, Qt::NoModifier);
    }

private slots:
    void capitalsKeepTheCompletion_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("first");
        QTest::newRow("part number") << int(CommandId::BrowsePart) << "R0R0";
        QTest::newRow("description") << int(CommandId::BrowseDesc) << "Res 100";
    }

    void capitalsKeepTheCompletion()
    {
        QFETCH(int, command);
        QFETCH(QString, first);
        TestEnvironment env(rows);
        MainWindow w(env.app);
        w.show();
        QComboBox *box = open(w, CommandId(command));
        capital(box, Qt::Key_R, 'R');
        QCOMPARE(box->currentText(), first);
        QCOMPARE(box->lineEdit()->selectionStart(), 1);
        QCOMPARE(box->lineEdit()->selectedText(), first.mid(1));
        if (CommandId(command) == CommandId::BrowsePart) { // typing on narrows from there
            QTest::keyClicks(box, "15");
            QCOMPARE(box->currentText(), QStringLiteral("R150"));
            QCOMPARE(box->lineEdit()->selectedText(), QStringLiteral("0"));
        }
    }

    void releaseOfAKeyPressedElsewhereIsIgnored()
    {
        TestEnvironment env(rows);
        MainWindow w(env.app);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QComboBox *box = open(w, CommandId::BrowsePart);
        // Ctrl+B was pressed in the main window; its release lands in the box.
        QTest::sendKeyEvent(QTest::KeyAction::Release, box, Qt::Key_B, 'b', Qt::ControlModifier);
        QTest::sendKeyEvent(QTest::KeyAction::Release, box, Qt::Key_Control, char(0), Qt::NoModifier);
        QCOMPARE(box->currentText(), QString());
        // Ctrl pressed here, released after the focus went elsewhere, then
        // pressed elsewhere and released here again: still not typing.
        QTest::keyPress(box, Qt::Key_Control);
        QLineEdit other(&w);
        other.show();
        other.setFocus();
        box->setFocus();
        QTest::sendKeyEvent(QTest::KeyAction::Release, box, Qt::Key_Control, char(0), Qt::NoModifier);
        QCOMPARE(box->currentText(), QString());
    }
};

QTEST_MAIN(TestBrowseKeys)
#include "tst_browsekeys.moc"
