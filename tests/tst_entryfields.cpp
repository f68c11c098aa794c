// Highlight on focus and the Enter chain of entry windows.
#include "ui/entryfields.h"
#include "drive.h"

#include <QSignalSpy>
#include <QtWidgets>

namespace {

// A shown window of three fields and a button.
struct Form
{
    QWidget w;
    QVBoxLayout *layout = new QVBoxLayout(&w);
    QLineEdit *a = add(new QLineEdit), *b = add(new QLineEdit), *c = add(new QLineEdit);
    QPushButton *submit = add(new QPushButton("Submit"));
    EntryFields fields{&w};
    template <class T> T *add(T *control) { return layout->addWidget(control), control; }
    bool show() { return w.show(), QTest::qWaitForWindowActive(&w); }
};

QColor base(const QLineEdit *e) { return e->palette().color(QPalette::Base); }
const QColor yellow(255, 255, 128), white(Qt::white);

} // namespace

class TestEntryFields : public QObject
{
    Q_OBJECT

private slots:
    void highlightFollowsFocus()
    {
        Form f;
        f.fields.highlight(f.a), f.fields.onEnterFocus(f.b, f.a);
        QVERIFY(f.show());
        Drive::focus(f.a);
        QTRY_VERIFY(base(f.a) == yellow && base(f.b) == white);
        Drive::key(Qt::Key_Tab);
        QTRY_VERIFY(base(f.b) == yellow && base(f.a) == white);
        // Always back to white, whatever colour the field had before.
        QPalette p = f.a->palette();
        p.setColor(QPalette::Base, Qt::red), f.a->setPalette(p), Drive::focus(f.a), Drive::focus(f.c);
        QTRY_COMPARE(base(f.a), white);
        // Focus leaving the window also turns the field white.
        Drive::focus(f.b);
        QTRY_COMPARE(base(f.b), yellow);
        QWidget other;
        other.show(), other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTRY_COMPARE(base(f.b), white);
    }

    // Enter moves on or submits (the keypad's Enter too); other keys pass; a
    // link may choose at the moment of the key press, as the part window does.
    void enterChain()
    {
        Form f;
        int stayed = 0;
        f.fields.onEnterFocus(f.a, f.b), f.fields.onEnter(f.b, [&] { f.submit->click(); });
        f.fields.onEnter(f.c, [&] { f.a->setFocus(); });
        QSignalSpy clicked(f.submit, &QPushButton::clicked);
        QVERIFY(f.show());
        Drive::focus(f.a), Drive::typeText("R100", Qt::Key_Return);
        QVERIFY(Drive::focused() == f.b && f.a->text() == "R100");
        Drive::typeText("5", Qt::Key_Enter);
        QCOMPARE(clicked.count(), 1);
        Drive::typeText("a");
        QCOMPARE(f.b->text(), QStringLiteral("5a"));
        Drive::focus(f.c), Drive::key(Qt::Key_Return);
        QCOMPARE(Drive::focused(), f.a);
        f.fields.onEnter(f.c, [&] { ++stayed; }); // in the old action's place
        Drive::focus(f.c), Drive::key(Qt::Key_Return);
        QVERIFY(stayed == 1 && Drive::focused() == f.c);
    }
};

QTEST_MAIN(TestEntryFields)
#include "tst_entryfields.moc"
