#include "browseharness.h"

#include "app/twips.h"
#include "stock/browsedescwindow.h"

#include <QAbstractItemView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using Icon = UserInterface::Icon;

namespace {
// A null description sorts first and is not listed; two parts share "Fuse 1A".
QString catalogue()
{
    return QString(NullPart).arg("N1", "NULL") + partRow("F2", "Fuse 1A", 2, 20, 0.25, 1)
         + partRow("F1", "Fuse 1A", 1, 10, 0.2, 0) + partRow("C1", "Cable, Tom's", 3, 30)
         + partRow("D1", "Diode 1N4148", 4, 40) + partRow("D2", "Diode 1N4007", 5, 50)
         + partRow("Z1", "Zener 5V1", 6, 60, 12.5) + QString(NullPart).arg("Z2", "'Zener 6V8'");
}
} // namespace

class TestBrowseDesc : public QObject
{
    Q_OBJECT
private slots:
    void opensWithDescriptionsOnly();
    void typeAhead_data();
    void typeAhead();
    void typeAheadFindsEarlierTextAfterReset();
    void enterKey_data();
    void enterKey();
    void twinsThroughPickAndNext();
    void pickFromTheOpenList();
    void nextToTheEndThenPick();
    void emptyTablePickRetriesOnceThenReports();
    void windowsKeepTheirOwnRow();
    void largeCatalogue();
    void closesCleanlyWhenTheSetNeverOpened();
};

void TestBrowseDesc::opensWithDescriptionsOnly()
{
    BrowseHarness h(catalogue());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("Browse Inventory"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->cmbDesc));
    QCOMPARE(listOf(w->cmbDesc), QStringList({"Cable, Tom's", "Diode 1N4007", "Diode 1N4148",
                                              "Fuse 1A", "Fuse 1A", "Zener 5V1", "Zener 6V8"}));
    QVERIFY(w->lblDesc->isVisible());
    for (QWidget *hidden : std::initializer_list<QWidget *>{w->lblPartNo, w->txtPartNo,
                                                           w->txtMinReq, w->lblBin})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    QVERIFY(!w->findChild<QWidget *>("cmdVendor"));
    QCOMPARE(w->frameWidget()->pos(), QPoint(0, 0));
    auto *second = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(second);
    // Three forms loaded: the main window and two children.
    QCOMPARE(second->frameWidget()->y(), Twips::toPixels(300, second));
    QCOMPARE(second->size(), QSize(Twips::toPixels(7500, w), Twips::toPixels(4905, w)));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseDesc::typeAhead_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");
    const int none = Qt::Key_unknown;
    QTest::newRow("first match") << "di" << none << "Diode 1N4007" << "ode 1N4007";
    QTest::newRow("narrowed") << "Diode 1N41" << none << "Diode 1N4148" << "48";
    QTest::newRow("apostrophe") << "cable, tom'" << none << "Cable, Tom's" << "s";
    QTest::newRow("Shift in empty box") << "" << int(Qt::Key_Shift) << "Cable, Tom's"
                                        << "Cable, Tom's";
    QTest::newRow("Backspace") << "Ze" << int(Qt::Key_Backspace) << "Ze" << "";
    QTest::newRow("Delete") << "Ze" << int(Qt::Key_Delete) << "Ze" << "";
    QTest::newRow("nothing begins so") << "Q" << none << "Q" << "";
    QTest::newRow("Tab") << "Ze" << int(Qt::Key_Tab) << "Zener 5V1" << "";
}

void TestBrowseDesc::typeAhead()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, selected);
    BrowseHarness h(catalogue());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    typeInto(w->cmbDesc, typed, Qt::Key(key));
    QCOMPARE(w->cmbDesc->currentText(), text);
    QCOMPARE(w->cmbDesc->lineEdit()->selectedText(), selected);
    QVERIFY(!w->txtPartNo->isVisible());
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseDesc::typeAheadFindsEarlierTextAfterReset()
{
    BrowseHarness h(catalogue());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    typeInto(w->cmbDesc, "Z");
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Zener 5V1"));
    // "D" sorts before the current row: kept as typed, the search starts over...
    w->cmbDesc->setEditText(QString());
    typeInto(w->cmbDesc, "D");
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("D"));
    // ...and the next key release finds it.
    typeInto(w->cmbDesc, QString(), Qt::Key_Shift);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Diode 1N4007"));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseDesc::enterKey_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("partNo");
    QTest::newRow("exact") << "Diode 1N4148" << QString() << 0 << "D1";
    QTest::newRow("other case") << "DIODE 1n4148" << QString() << 0 << "D1";
    QTest::newRow("apostrophe") << "Cable, Tom's" << QString() << 0 << "C1";
    QTest::newRow("prefix only") << "Diode" << "Description Not Found!" << int(Icon::Critical)
                                 << "";
    QTest::newRow("empty") << "" << "Choose a Description" << int(Icon::None) << "C1";
}

void TestBrowseDesc::enterKey()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(int, icon);
    QFETCH(QString, partNo);
    BrowseHarness h(catalogue());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    enterText(w->cmbDesc, "Cable, Tom's");
    QCOMPARE(w->txtPartNo->text(), QStringLiteral("C1"));
    enterText(w->cmbDesc, typed);
    QCOMPARE(h.ui.texts(), message.isEmpty() ? QStringList() : QStringList(message));
    if (!message.isEmpty())
        QCOMPARE(int(h.ui.shown.first().icon), icon);
    QCOMPARE(w->txtPartNo->text(), partNo);
    QVERIFY(w->txtPartNo->isVisible());
    QVERIFY(w->lblPartNo->isVisible());
    QCOMPARE(h.ui.shownWhileBusy, 0);
    QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
}

void TestBrowseDesc::twinsThroughPickAndNext()
{
    BrowseHarness h(catalogue());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    w->cmbDesc->setCurrentIndex(2); // Diode 1N4148
    typeInto(w->cmbDesc, QString(), Qt::Key_Down);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Fuse 1A"));
    // Which twin sorts first is the database's affair; Next shows the other.
    const QString first = w->txtPartNo->text();
    QVERIFY(first == "F1" || first == "F2");
    QCOMPARE(w->txtBin->text(), first == "F2" ? "Yes" : "No");
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Fuse 1A"));
    QCOMPARE(w->txtPartNo->text(), first == "F2" ? "F1" : "F2");
    QCOMPARE(w->txtBin->text(), first == "F2" ? "No" : "Yes");
    QVERIFY(h.ui.shown.isEmpty());
    QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
}

void TestBrowseDesc::pickFromTheOpenList()
{
    BrowseHarness h(catalogue());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    w->cmbDesc->showPopup();
    QAbstractItemView *view = w->cmbDesc->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex zener = view->model()->index(5, 0);
    view->scrollTo(zener);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(zener).center());
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Zener 5V1"));
    QCOMPARE(w->txtPartNo->text(), QStringLiteral("Z1"));
    QCOMPARE(w->txtUnitCost->text(), QStringLiteral("12.5"));
}

void TestBrowseDesc::nextToTheEndThenPick()
{
    BrowseHarness h(catalogue());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(h.ui.texts(), QStringList("Choose a Description"));
    h.ui.clear();
    // Next fills but does not show the details; null columns keep their text.
    w->cmbDesc->setEditText("Fuse 1A");
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Zener 5V1"));
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Zener 6V8"));
    QCOMPARE(w->txtPartNo->text(), QStringLiteral("Z2"));
    QCOMPARE(w->txtCurrentInv->text(), QStringLiteral("60"));
    QCOMPARE(w->txtUnitCost->text(), QStringLiteral("12.5"));
    QVERIFY(!w->txtPartNo->isVisible());
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(w->cmdNext, Qt::LeftButton);
        QCOMPARE(h.ui.texts(), QStringList("No more records found."));
        QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Zener 6V8"));
        h.ui.clear();
    }
    QCOMPARE(h.ui.shownWhileBusy, 0);
    // Pick starts again from the first row.
    w->cmbDesc->setCurrentIndex(-1);
    typeInto(w->cmbDesc, QString(), Qt::Key_Down);
    QCOMPARE(w->txtPartNo->text(), QStringLiteral("C1"));
    QVERIFY(w->txtPartNo->isVisible());
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseDesc::emptyTablePickRetriesOnceThenReports()
{
    BrowseHarness h;
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    QCOMPARE(listOf(w->cmbDesc), QStringList("No Inventory Found"));
    QVERIFY(h.ui.shown.isEmpty());
    // No first row to go back to: the retry fails too and is reported once.
    typeInto(w->cmbDesc, QString(), Qt::Key_Down);
    QCOMPARE(h.ui.texts(), QStringList(noCurrentRecordMessage()));
    QCOMPARE(h.ui.shownWhileBusy, 0);
    QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
    h.ui.clear();
    typeInto(w->cmbDesc, QString(), Qt::Key_Return); // the window keeps working
    QCOMPARE(h.ui.texts(), QStringList("Description Not Found!"));
}

void TestBrowseDesc::windowsKeepTheirOwnRow()
{
    BrowseHarness h(catalogue());
    auto *first = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    auto *second = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(first && second && first != second);
    enterText(first->cmbDesc, "Zener 5V1");
    enterText(second->cmbDesc, "Diode 1N4007");
    QTest::mouseClick(second->cmdNext, Qt::LeftButton);
    QCOMPARE(second->txtPartNo->text(), QStringLiteral("D1"));
    QTest::mouseClick(first->cmdNext, Qt::LeftButton);
    QCOMPARE(first->txtPartNo->text(), QStringLiteral("Z2"));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseDesc::largeCatalogue()
{
    BrowseHarness h(manyParts());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    QVERIFY(h.ui.shown.isEmpty());
    QCOMPARE(w->cmbDesc->count(), 33000);
    typeInto(w->cmbDesc, "Item 329");
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Item 32900"));
}

void TestBrowseDesc::closesCleanlyWhenTheSetNeverOpened()
{
    BrowseHarness h(catalogue());
    QVERIFY(h.env.exec("DROP TABLE Inventory"));
    QPointer<BrowseDescWindow> w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    QCOMPARE(h.ui.shown.size(), 1);
    QVERIFY(h.ui.lastText().startsWith("Error No "));
    QTest::mouseClick(w->cmdExit, Qt::LeftButton);
    QTRY_VERIFY(w.isNull());
    QCOMPARE(h.ui.shown.size(), 1);
}

QTEST_MAIN(TestBrowseDesc)
#include "tst_browsedesc.moc"
