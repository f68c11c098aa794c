// Highlight on focus and the Enter chain of entry windows.
#include "ui/entryfields.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

class TestEntryFields : public QObject
{
    Q_OBJECT

    static QColor base(const QLineEdit *e) { return e->palette().color(QPalette::Base); }

private slots:
    void highlightFollowsFocus()
    {
        QWidget w;
        auto *layout = new QVBoxLayout(&w);
        auto *a = new QLineEdit(&w);
        auto *b = new QLineEdit(&w);
        auto *plain = new QLineEdit(&w);
        layout->addWidget(a);
        layout->addWidget(b);
        layout->addWidget(plain);
        EntryFields fields(&w);
        fields.highlight(a);
        fields.onEnterFocus(b, a);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        a->setFocus();
        QTRY_COMPARE(base(a), QColor(255, 255, 128));
        QCOMPARE(base(b), QColor(255, 255, 255));
        QTest::keyClick(a, Qt::Key_Tab);
        QTRY_COMPARE(base(b), QColor(255, 255, 128));
        QCOMPARE(base(a), QColor(Qt::white));
        // Always back to white, whatever colour the field had before.
        QPalette p = a->palette();
        p.setColor(QPalette::Base, Qt::red);
        a->setPalette(p);
        a->setFocus();
        plain->setFocus();
        QTRY_COMPARE(base(a), QColor(Qt::white));
        // Focus leaving the window also turns the field white.
        b->setFocus();
        QTRY_COMPARE(base(b), QColor(255, 255, 128));
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTRY_COMPARE(base(b), QColor(Qt::white));
    }

    void enterChain()
    {
        QWidget w;
        auto *layout = new QVBoxLayout(&w);
        auto *first = new QLineEdit(&w);
        auto *second = new QLineEdit(&w);
        auto *submit = new QPushButton("Submit", &w);
        layout->addWidget(first);
        layout->addWidget(second);
        layout->addWidget(submit);
        EntryFields fields(&w);
        fields.onEnterFocus(first, second);
        fields.onEnter(second, [submit] { submit->click(); });
        QSignalSpy clicked(submit, &QPushButton::clicked);
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));

        first->setFocus();
        QTest::keyClicks(first, "R100");
        QTest::keyClick(first, Qt::Key_Return);
        QVERIFY(second->hasFocus());
        QCOMPARE(first->text(), QStringLiteral("R100"));
        QTest::keyClicks(second, "5");
        QTest::keyClick(second, Qt::Key_Enter); // the keypad's Enter too
        QCOMPARE(clicked.count(), 1);
        // Other keys pass through unchanged.
        QCOMPARE(second->text(), QStringLiteral("5"));
        QTest::keyClick(second, Qt::Key_A);
        QCOMPARE(second->text(), QStringLiteral("5a"));
    }

    void chainDecidedWhenEnterIsPressed()
    {
        // A link may choose at the moment of the key press, as the part window does.
        QWidget w;
        auto *layout = new QVBoxLayout(&w);
        auto *field = new QLineEdit(&w);
        auto *next = new QLineEdit(&w);
        layout->addWidget(field);
        layout->addWidget(next);
        bool goOn = true;
        int ran = 0;
        EntryFields fields(&w);
        fields.onEnter(field, [&] {
            if (goOn)
                next->setFocus();
            else
                ++ran;
        });
        w.show();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(next->hasFocus());
        goOn = false;
        field->setFocus();
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(ran, 1);
        QVERIFY(field->hasFocus());
    }
};

QTEST_MAIN(TestEntryFields)
#include "tst_entryfields.moc"
