#include "browseharness.h"

#include "app/twips.h"
#include "stock/browsedescwindow.h"

#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using Icon = UserInterface::Icon;

namespace {
// Null descriptions sort first; two parts share "Fuse 1A".
QString catalogue()
{
    return partRow("N1", QString(), 1, 1) + partRow("F2", "Fuse 1A", 2, 20, 0.25, 1)
         + partRow("F1", "Fuse 1A", 1, 10, 0.2, 0) + partRow("C1", "Cable, Tom's", 3, 30)
         + partRow("D1", "Diode 1N4148", 4, 40) + partRow("D2", "Diode 1N4007", 5, 50)
         + partRow("Z1", "Zener 5V1", 6, 60, 12.5);
}
} // namespace

class TestBrowseDesc : public QObject
{
    Q_OBJECT
private slots:
    void opensWithDescriptionsOnly();
    void placement();
    void typeAhead_data();
    void typeAhead();
    void shiftInEmptyBoxCompletesToFirstDescription();
    void backspaceAndDeleteDoNothing_data();
    void backspaceAndDeleteDoNothing();
    void enterKey_data();
    void enterKey();
    void pickShowsFirstOfTwinsAndNextTheSecond();
    void pickFromTheOpenList();
    void nextStepsToTheEndAndPickStartsOver();
    void nullColumnsLeaveFieldsUnchanged();
    void emptyTablePickRetriesOnceThenReports();
    void windowsKeepTheirOwnRow();
    void largeCatalogueOpens();
    void closesCleanlyWhenTheSetNeverOpened();
};

void TestBrowseDesc::opensWithDescriptionsOnly()
{
    BrowseHarness h(catalogue());
    QVERIFY(h.ready());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    QCOMPARE(w->objectName(), QStringLiteral("frmBrowseDesc"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Browse Inventory"));
    QCOMPARE(w->cmbDesc->toolTip(), QStringLiteral("Enter description or choose from list"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->cmbDesc));
    QVERIFY(w->cmbDesc->currentText().isEmpty());
    QCOMPARE(listOf(w->cmbDesc), QStringList({"Cable, Tom's", "Diode 1N4007", "Diode 1N4148",
                                              "Fuse 1A", "Fuse 1A", "Zener 5V1"}));
    QVERIFY(w->lblDesc->isVisible());
    for (QWidget *hidden : {static_cast<QWidget *>(w->lblPartNo), static_cast<QWidget *>(w->txtPartNo),
                            static_cast<QWidget *>(w->txtMinReq), static_cast<QWidget *>(w->lblBin)})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    QVERIFY(!w->findChild<QWidget *>("cmdVendor"));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseDesc::placement()
{
    BrowseHarness h(catalogue());
    QVERIFY(h.ready());
    auto *first = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(first);
    QCOMPARE(first->frameWidget()->pos(), QPoint(0, 0));
    auto *second = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(second);
    // Three forms loaded: the main window and two children.
    QCOMPARE(second->frameWidget()->y(), Twips::toPixels(300, second));
    QCOMPARE(second->size(), QSize(Twips::toPixels(7500, second), Twips::toPixels(4905, second)));
}

void TestBrowseDesc::typeAhead_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");
    QTest::newRow("first match") << "di" << "Diode 1N4007" << "ode 1N4007";
    QTest::newRow("narrowed") << "Diode 1N41" << "Diode 1N4148" << "48";
    QTest::newRow("apostrophe") << "cable, tom'" << "Cable, Tom's" << "s";
    QTest::newRow("nothing") << "Q" << "Q" << "";
}

void TestBrowseDesc::typeAhead()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    QFETCH(QString, selected);
    BrowseHarness h(catalogue());
    QVERIFY(h.ready());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    typeInto(w->cmbDesc, typed);
    QCOMPARE(w->cmbDesc->currentText(), text);
    QCOMPARE(w->cmbDesc->lineEdit()->selectedText(), selected);
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseDesc::shiftInEmptyBoxCompletesToFirstDescription()
{
    BrowseHarness h(catalogue());
    QVERIFY(h.ready());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    keyInto(w->cmbDesc, Qt::Key_Shift);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Cable, Tom's"));
    QCOMPARE(w->cmbDesc->lineEdit()->selectedText(), QStringLiteral("Cable, Tom's"));

    // A prefix before the current row is found on the release after the reset.
    w->cmbDesc->setEditText(QString());
    typeInto(w->cmbDesc, "Z");
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Zener 5V1"));
    w->cmbDesc->setEditText(QString());
    typeInto(w->cmbDesc, "D");
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("D"));
    keyInto(w->cmbDesc, Qt::Key_Shift);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Diode 1N4007"));
}

void TestBrowseDesc::backspaceAndDeleteDoNothing_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Backspace") << int(Qt::Key_Backspace);
    QTest::newRow("Delete") << int(Qt::Key_Delete);
}

void TestBrowseDesc::backspaceAndDeleteDoNothing()
{
    QFETCH(int, key);
    BrowseHarness h(catalogue());
    QVERIFY(h.ready());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    typeInto(w->cmbDesc, "Ze");
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Zener 5V1"));
    keyInto(w->cmbDesc, Qt::Key(key));
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Ze"));
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
                                 << QString();
    QTest::newRow("empty") << "" << "Choose a Description" << int(Icon::None) << QString();
}

void TestBrowseDesc::enterKey()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(int, icon);
    QFETCH(QString, partNo);
    BrowseHarness h(catalogue());
    QVERIFY(h.ready());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    enterText(w->cmbDesc, typed);
    if (message.isEmpty()) {
        QVERIFY(h.ui.shown.isEmpty());
        QCOMPARE(w->txtPartNo->text(), partNo);
        QVERIFY(w->txtPartNo->isVisible());
        QVERIFY(w->lblPartNo->isVisible());
    } else {
        QCOMPARE(h.ui.shown.size(), 1);
        QCOMPARE(h.ui.shown.first().text, message);
        QCOMPARE(int(h.ui.shown.first().icon), icon);
        QVERIFY(!w->txtPartNo->isVisible());
    }
    QCOMPARE(h.ui.shownWhileBusy, 0);
    QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
}

void TestBrowseDesc::pickShowsFirstOfTwinsAndNextTheSecond()
{
    BrowseHarness h(catalogue());
    QVERIFY(h.ready());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    w->cmbDesc->setCurrentIndex(2); // Diode 1N4148
    keyInto(w->cmbDesc, Qt::Key_Down);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Fuse 1A"));
    // Which twin sorts first is the database's affair; Next shows the other.
    const QString first = w->txtPartNo->text();
    QVERIFY(first == "F1" || first == "F2");
    QCOMPARE(w->txtBin->text(), first == "F2" ? QStringLiteral("Yes") : QStringLiteral("No"));
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Fuse 1A"));
    QCOMPARE(w->txtPartNo->text(), first == "F2" ? QStringLiteral("F1") : QStringLiteral("F2"));
    QCOMPARE(w->txtBin->text(), first == "F2" ? QStringLiteral("No") : QStringLiteral("Yes"));
    QVERIFY(h.ui.shown.isEmpty());
    QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
}

void TestBrowseDesc::pickFromTheOpenList()
{
    BrowseHarness h(catalogue());
    QVERIFY(h.ready());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    QSignalSpy picked(w->cmbDesc, &QComboBox::activated);
    w->cmbDesc->showPopup();
    auto *view = w->cmbDesc->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex zener = view->model()->index(5, 0);
    view->scrollTo(zener);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(zener).center());
    QCOMPARE(picked.size(), 1);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Zener 5V1"));
    QCOMPARE(w->txtPartNo->text(), QStringLiteral("Z1"));
    QCOMPARE(w->txtUnitCost->text(), QStringLiteral("12.5"));
}

void TestBrowseDesc::nextStepsToTheEndAndPickStartsOver()
{
    BrowseHarness h(catalogue());
    QVERIFY(h.ready());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(h.ui.texts(), QStringList(QStringLiteral("Choose a Description")));
    h.ui.clear();

    // Next before any look-up fills but does not show the details.
    w->cmbDesc->setEditText("Fuse 1A");
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Fuse 1A"));
    QVERIFY(!w->txtPartNo->text().isEmpty());
    QVERIFY(!w->txtPartNo->isVisible());
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Zener 5V1"));
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(w->cmdNext, Qt::LeftButton);
        QCOMPARE(h.ui.texts(), QStringList(QStringLiteral("No more records found.")));
        QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Zener 5V1"));
        QCOMPARE(w->txtPartNo->text(), QStringLiteral("Z1"));
        h.ui.clear();
    }
    QCOMPARE(h.ui.shownWhileBusy, 0);

    // Pick starts again from the first row.
    w->cmbDesc->setCurrentIndex(-1);
    keyInto(w->cmbDesc, Qt::Key_Down);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Cable, Tom's"));
    QCOMPARE(w->txtPartNo->text(), QStringLiteral("C1"));
    QVERIFY(w->txtPartNo->isVisible());
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseDesc::nullColumnsLeaveFieldsUnchanged()
{
    BrowseHarness h(partRow("A1", "Alpha", 5, 50, 12.5, 1)
                    + "INSERT INTO Inventory (PartNo, Description, MinReq, CurrentInv, UnitCost, "
                      "Bin) VALUES ('B1', 'Beta', NULL, NULL, NULL, NULL);");
    QVERIFY(h.ready());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    enterText(w->cmbDesc, "Alpha");
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbDesc->currentText(), QStringLiteral("Beta"));
    QCOMPARE(w->txtPartNo->text(), QStringLiteral("B1"));
    QCOMPARE(w->txtMinReq->text(), QStringLiteral("5"));
    QCOMPARE(w->txtCurrentInv->text(), QStringLiteral("50"));
    QCOMPARE(w->txtUnitCost->text(), QStringLiteral("12.5"));
    QCOMPARE(w->txtBin->text(), QStringLiteral("Yes"));
}

void TestBrowseDesc::emptyTablePickRetriesOnceThenReports()
{
    BrowseHarness h;
    QVERIFY(h.ready());
    auto *w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    QCOMPARE(listOf(w->cmbDesc), QStringList(QStringLiteral("No Inventory Found")));
    QVERIFY(h.ui.shown.isEmpty());
    // No first row to go back to: the retry fails too and is reported once.
    keyInto(w->cmbDesc, Qt::Key_Down);
    QCOMPARE(h.ui.texts(),
             QStringList(errorMessageText(DbError::runtime(ErrorNumber::NoCurrentRecord))));
    QCOMPARE(h.ui.shownWhileBusy, 0);
    QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
    h.ui.clear();
    // The window keeps working.
    keyInto(w->cmbDesc, Qt::Key_Return);
    QCOMPARE(h.ui.texts(), QStringList(QStringLiteral("Description Not Found!")));
}

void TestBrowseDesc::windowsKeepTheirOwnRow()
{
    BrowseHarness h(catalogue());
    QVERIFY(h.ready());
    auto *first = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    auto *second = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(first && second && first != second);
    enterText(first->cmbDesc, "Zener 5V1");
    QCOMPARE(first->txtPartNo->text(), QStringLiteral("Z1"));
    enterText(second->cmbDesc, "Diode 1N4007");
    QCOMPARE(second->txtPartNo->text(), QStringLiteral("D2"));
    QTest::mouseClick(second->cmdNext, Qt::LeftButton);
    QCOMPARE(second->cmbDesc->currentText(), QStringLiteral("Diode 1N4148"));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseDesc::largeCatalogueOpens()
{
    BrowseHarness h(manyParts(33000));
    QVERIFY(h.ready());
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
    QVERIFY(h.ready());
    QVERIFY(h.env.exec("DROP TABLE Inventory"));
    QPointer<BrowseDescWindow> w = h.open<BrowseDescWindow>(CommandId::BrowseDesc);
    QVERIFY(w);
    QCOMPARE(h.ui.shown.size(), 1);
    QVERIFY(h.ui.lastText().startsWith("Error No "));
    h.ui.clear();
    QTest::mouseClick(w->cmdExit, Qt::LeftButton);
    QTRY_VERIFY(w.isNull());
    QVERIFY(h.ui.shown.isEmpty());
}

QTEST_MAIN(TestBrowseDesc)
#include "tst_browsedesc.moc"
