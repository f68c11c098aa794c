#include "browseharness.h"

#include "app/twips.h"
#include "stock/browseinvwindow.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using Icon = UserInterface::Icon;

class TestBrowseInv : public QObject
{
    Q_OBJECT
private slots:
    void opensWithTheWholeCatalogue();
    void typeAheadCompletesAndSelects();
    void shiftInEmptyBoxCompletesToCurrentRow();
    void backspaceAndDeleteDoNothing_data();
    void backspaceAndDeleteDoNothing();
    void typeAheadFindsEarlierPrefixAfterReset();
    void leavingTheBoxPicksNothing();
    void enterKey_data();
    void enterKey();
    void notFoundClearsFieldsButKeepsThemVisible();
    void nextStepsToTheEndAndPickStartsOver();
    void nullColumnsLeaveFieldsUnchanged();
    void binText_data();
    void binText();
    void emptyTableListsNoInventory();
    void showVendor_data();
    void showVendor();
    void showVendorFailureKeepsWindowWorking();
    void windowsKeepTheirOwnRow();
    void apostropheIsFound();
    void largeCatalogueOpens();
    void closesCleanlyWhenTheSetNeverOpened();
};

void TestBrowseInv::opensWithTheWholeCatalogue()
{
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    QCOMPARE(w->objectName(), QStringLiteral("frmBrowseInv"));
    QCOMPARE(w->windowTitle(), QStringLiteral("Browse Inventory"));
    QCOMPARE(w->cmbPartNo->toolTip(), QStringLiteral("Enter Part Number or choose from list"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->cmbPartNo));
    QVERIFY(w->cmbPartNo->currentText().isEmpty());

    const QStringList entries = listOf(w->cmbPartNo);
    QCOMPARE(entries.size(), h.env.scalar("select count(*) from Inventory").toInt());
    QCOMPARE(entries.first(), h.env.scalar("select min(PartNo) from Inventory").toString());
    QCOMPARE(entries.last(), h.env.scalar("select max(PartNo) from Inventory").toString());
    QVERIFY(entries.indexOf("R100") < entries.indexOf("R150"));

    for (QWidget *hidden : {static_cast<QWidget *>(w->txtMinReq), static_cast<QWidget *>(w->lblDesc),
                            static_cast<QWidget *>(w->txtBin), static_cast<QWidget *>(w->lblVendor),
                            static_cast<QWidget *>(w->txtVendor)})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    QVERIFY(w->lblPartNo->isVisible());
    QVERIFY(w->cmdVendor->isVisible());
    QCOMPARE(w->txtVendor->text(), QStringLiteral("Text1"));

    // Outer width from the description row, top edge at the client area's top.
    QCOMPARE(w->frameWidget()->width(), Twips::toPixels(2 * 1455 + 4725, w));
    QCOMPARE(w->frameWidget()->y(), 0);
    QCOMPARE(w->palette().color(QPalette::Window), QColor(0, 0, 64));
    QVERIFY(w->lblPartNo->font().bold());
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::typeAheadCompletesAndSelects()
{
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    typeInto(w->cmbPartNo, "R1");
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("R100"));
    QCOMPARE(w->cmbPartNo->lineEdit()->selectedText(), QStringLiteral("00"));
    QCOMPARE(w->cmbPartNo->lineEdit()->selectionStart(), 2);

    typeInto(w->cmbPartNo, "5");
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("R150"));
    QCOMPARE(w->cmbPartNo->lineEdit()->selectedText(), QStringLiteral("0"));

    // Letter case is ignored; the box shows the stored part number.
    w->cmbPartNo->setEditText(QString());
    typeInto(w->cmbPartNo, "r15");
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("R150"));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::shiftInEmptyBoxCompletesToCurrentRow()
{
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    keyInto(w->cmbPartNo, Qt::Key_Shift);
    const QString first = w->cmbPartNo->itemText(0);
    QCOMPARE(w->cmbPartNo->currentText(), first);
    QCOMPARE(w->cmbPartNo->lineEdit()->selectedText(), first);
}

void TestBrowseInv::backspaceAndDeleteDoNothing_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Backspace") << int(Qt::Key_Backspace);
    QTest::newRow("Delete") << int(Qt::Key_Delete);
}

void TestBrowseInv::backspaceAndDeleteDoNothing()
{
    QFETCH(int, key);
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    typeInto(w->cmbPartNo, "R1");
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("R100"));
    // The key removes the completed remainder and the release adds nothing back.
    keyInto(w->cmbPartNo, Qt::Key(key));
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("R1"));
    QVERIFY(!w->cmbPartNo->lineEdit()->hasSelectedText());
}

void TestBrowseInv::typeAheadFindsEarlierPrefixAfterReset()
{
    BrowseHarness h(partRow("A1", "one") + partRow("B1", "two") + partRow("C1", "three"));
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    typeInto(w->cmbPartNo, "C");
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("C1"));
    // "A" sorts before the current row: not found on this release, the text
    // stays as typed and the search goes back to the first row...
    w->cmbPartNo->setEditText(QString());
    typeInto(w->cmbPartNo, "A");
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A"));
    // ...so the next release finds it.
    keyInto(w->cmbPartNo, Qt::Key_Shift);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A1"));
    QCOMPARE(w->cmbPartNo->lineEdit()->selectedText(), QStringLiteral("1"));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::leavingTheBoxPicksNothing()
{
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    typeInto(w->cmbPartNo, "R1");
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("R100"));
    keyInto(w->cmbPartNo, Qt::Key_Tab);
    QVERIFY(!w->cmbPartNo->hasFocus());
    QVERIFY(!w->txtDesc->isVisible());
    QVERIFY(w->txtDesc->text().isEmpty());
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::enterKey_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("description");
    QTest::newRow("exact") << "R150" << QString() << 0 << "Resistor 150 ohm 1/4W 5% carbon film";
    QTest::newRow("other case") << "r150" << QString() << 0
                                << "Resistor 150 ohm 1/4W 5% carbon film";
    QTest::newRow("prefix only") << "R15" << "Part Number Not Found!" << int(Icon::Critical)
                                 << QString();
    QTest::newRow("empty") << "" << "Select a Part Number" << int(Icon::None) << QString();
}

void TestBrowseInv::enterKey()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(int, icon);
    QFETCH(QString, description);
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    enterText(w->cmbPartNo, typed);
    if (message.isEmpty()) {
        QVERIFY(h.ui.shown.isEmpty());
        QCOMPARE(w->txtDesc->text(), description);
        QCOMPARE(w->txtCurrentInv->text(), QStringLiteral("1850"));
        QCOMPARE(w->txtUnitCost->text(), QStringLiteral("0.02"));
        QVERIFY(w->txtDesc->isVisible());
        QVERIFY(w->lblMinReq->isVisible());
    } else {
        QCOMPARE(h.ui.shown.size(), 1);
        QCOMPARE(h.ui.shown.first().text, message);
        QCOMPARE(int(h.ui.shown.first().icon), icon);
        QCOMPARE(h.ui.shown.first().title, QStringLiteral("Partwise"));
        QVERIFY(!w->txtDesc->isVisible());
    }
    QCOMPARE(h.ui.shownWhileBusy, 0);
    QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
}

void TestBrowseInv::notFoundClearsFieldsButKeepsThemVisible()
{
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    enterText(w->cmbPartNo, "R100");
    QVERIFY(!w->txtDesc->text().isEmpty());
    keyInto(w->cmbPartNo, Qt::Key_End);
    typeInto(w->cmbPartNo, "X");
    keyInto(w->cmbPartNo, Qt::Key_Return);
    QCOMPARE(h.ui.lastText(), QStringLiteral("Part Number Not Found!"));
    for (QLineEdit *f : {w->txtMinReq, w->txtCurrentInv, w->txtDesc, w->txtUnitCost, w->txtBin}) {
        QVERIFY2(f->text().isEmpty(), qPrintable(f->objectName()));
        QVERIFY2(f->isVisible(), qPrintable(f->objectName()));
    }
}

void TestBrowseInv::nextStepsToTheEndAndPickStartsOver()
{
    BrowseHarness h(partRow("A1", "first", 1, 11) + partRow("A2", "second", 2, 22)
                    + partRow("A3", "third", 3, 33));
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);

    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(h.ui.lastText(), QStringLiteral("Select a Part Number"));

    // Next before any look-up fills the fields but leaves them hidden.
    w->cmbPartNo->setEditText("A1");
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A2"));
    QCOMPARE(w->txtDesc->text(), QStringLiteral("second"));
    QVERIFY(!w->txtDesc->isVisible());

    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A3"));
    QCOMPARE(w->txtCurrentInv->text(), QStringLiteral("33"));
    h.ui.clear();
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(w->cmdNext, Qt::LeftButton);
        QCOMPARE(h.ui.texts(), QStringList(QStringLiteral("No more records found.")));
        QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A3"));
        QCOMPARE(w->txtDesc->text(), QStringLiteral("third"));
        h.ui.clear();
    }

    // An arrow key in the closed box picks the first entry, from the first row.
    keyInto(w->cmbPartNo, Qt::Key_Down);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A1"));
    QCOMPARE(w->txtDesc->text(), QStringLiteral("first"));
    QVERIFY(w->txtDesc->isVisible());
    keyInto(w->cmbPartNo, Qt::Key_Down);
    QCOMPARE(w->txtDesc->text(), QStringLiteral("second"));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::nullColumnsLeaveFieldsUnchanged()
{
    BrowseHarness h(partRow("A1", "full", 5, 50, 12.5, 1)
                    + "INSERT INTO Inventory (PartNo, Description, MinReq, CurrentInv, UnitCost, "
                      "Bin) VALUES ('A2', NULL, NULL, NULL, NULL, NULL);");
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    enterText(w->cmbPartNo, "A1");
    QCOMPARE(w->txtUnitCost->text(), QStringLiteral("12.5"));
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A2"));
    QCOMPARE(w->txtMinReq->text(), QStringLiteral("5"));
    QCOMPARE(w->txtCurrentInv->text(), QStringLiteral("50"));
    QCOMPARE(w->txtDesc->text(), QStringLiteral("full"));
    QCOMPARE(w->txtUnitCost->text(), QStringLiteral("12.5"));
    QCOMPARE(w->txtBin->text(), QStringLiteral("Yes"));
}

void TestBrowseInv::binText_data()
{
    QTest::addColumn<int>("bin");
    QTest::addColumn<QString>("shown");
    QTest::newRow("time to order") << 1 << "Yes";
    QTest::newRow("not yet") << 0 << "No";
}

void TestBrowseInv::binText()
{
    QFETCH(int, bin);
    QFETCH(QString, shown);
    BrowseHarness h(partRow("A1", "part", 1, 1, 1.0, bin));
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    enterText(w->cmbPartNo, "A1");
    QCOMPARE(w->txtBin->text(), shown);
}

void TestBrowseInv::emptyTableListsNoInventory()
{
    BrowseHarness h;
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    QCOMPARE(listOf(w->cmbPartNo), QStringList(QStringLiteral("No Inventory Found")));
    QVERIFY(w->cmbPartNo->currentText().isEmpty());
    QVERIFY(h.ui.shown.isEmpty());

    // Typing finds nothing and says nothing.
    typeInto(w->cmbPartNo, "N");
    QVERIFY(h.ui.shown.isEmpty());
    // Picking the entry has no row to show.
    w->cmbPartNo->setEditText(QString());
    keyInto(w->cmbPartNo, Qt::Key_Down);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("No Inventory Found"));
    QCOMPARE(h.ui.texts(), QStringList(errorMessageText(DbError::runtime(ErrorNumber::NoCurrentRecord))));
    QVERIFY(!w->txtDesc->isVisible());
    QCOMPARE(h.ui.shownWhileBusy, 0);
}

void TestBrowseInv::showVendor_data()
{
    QTest::addColumn<QString>("partNo");
    QTest::addColumn<QString>("vendor");
    QTest::newRow("vendor") << "A1" << "RS Components";
    QTest::newRow("first of several") << "A2" << "Farnell";
    QTest::newRow("null vendor") << "A3" << "No vendor listed.";
    QTest::newRow("no row") << "A4" << "Item not in Vendor list.";
    QTest::newRow("other case") << "a1" << "RS Components";
}

void TestBrowseInv::showVendor()
{
    QFETCH(QString, partNo);
    QFETCH(QString, vendor);
    BrowseHarness h(partRow("A1", "one") + partRow("A2", "two") + partRow("A3", "three")
                    + partRow("A4", "four")
                    + "INSERT INTO PreferredVendor (Item, Vendor) VALUES ('A1', 'RS Components');"
                      "INSERT INTO PreferredVendor (Item, Vendor) VALUES ('A2', 'Farnell');"
                      "INSERT INTO PreferredVendor (Item, Vendor) VALUES ('A2', 'Mouser');"
                      "INSERT INTO PreferredVendor (Item, Vendor) VALUES ('A3', NULL);");
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    enterText(w->cmbPartNo, partNo);
    QVERIFY(!w->txtVendor->isVisible());
    QTest::mouseClick(w->cmdVendor, Qt::LeftButton);
    QCOMPARE(w->txtVendor->text(), vendor);
    QVERIFY(w->txtVendor->isVisible());
    QVERIFY(w->lblVendor->isVisible());
    QVERIFY(h.ui.shown.isEmpty());

    // The window's own row is untouched: Enter finds the part from there,
    // and hides the vendor again.
    enterText(w->cmbPartNo, partNo);
    QVERIFY(h.ui.shown.isEmpty());
    QVERIFY(!w->txtVendor->isVisible());
}

void TestBrowseInv::showVendorFailureKeepsWindowWorking()
{
    BrowseHarness h(partRow("A1", "one") + partRow("A2", "two"));
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    enterText(w->cmbPartNo, "A1");
    QVERIFY(h.env.exec("DROP TABLE PreferredVendor"));
    QTest::mouseClick(w->cmdVendor, Qt::LeftButton);
    QCOMPARE(h.ui.shown.size(), 1);
    QVERIFY(h.ui.lastText().startsWith("Error No "));
    QVERIFY(!w->txtVendor->isVisible());
    h.ui.clear();
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A2"));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::windowsKeepTheirOwnRow()
{
    BrowseHarness h(partRow("A1", "one") + partRow("A2", "two") + partRow("A3", "three"));
    QVERIFY(h.ready());
    auto *first = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    auto *second = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(first && second && first != second);
    enterText(first->cmbPartNo, "A2");
    QTest::mouseClick(first->cmdNext, Qt::LeftButton);
    QCOMPARE(first->cmbPartNo->currentText(), QStringLiteral("A3"));
    // The second window still stands on its first row, so A1 is found.
    enterText(second->cmbPartNo, "A1");
    QTest::mouseClick(second->cmdNext, Qt::LeftButton);
    QCOMPARE(second->cmbPartNo->currentText(), QStringLiteral("A2"));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::apostropheIsFound()
{
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    typeInto(w->cmbPartNo, "5'");
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("5' CABLE"));
    keyInto(w->cmbPartNo, Qt::Key_Return);
    QCOMPARE(w->txtDesc->text(),
             h.env.scalar("select Description from Inventory where PartNo = ?", {"5' CABLE"})
                 .toString());
    QTest::mouseClick(w->cmdVendor, Qt::LeftButton);
    const QVariant vendor =
        h.env.scalar("select Vendor from PreferredVendor where Item = ?", {"5' CABLE"});
    QCOMPARE(w->txtVendor->text(),
             vendor.isValid() ? vendor.toString() : QStringLiteral("Item not in Vendor list."));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::largeCatalogueOpens()
{
    // More rows than a 16-bit count holds.
    BrowseHarness h(manyParts(33000));
    QVERIFY(h.ready());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    QVERIFY(h.ui.shown.isEmpty());
    QCOMPARE(w->cmbPartNo->count(), 33000);
    QCOMPARE(w->cmbPartNo->itemText(32999), QStringLiteral("P33000"));
    enterText(w->cmbPartNo, "P32999");
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->txtCurrentInv->text(), QStringLiteral("33000"));
}

void TestBrowseInv::closesCleanlyWhenTheSetNeverOpened()
{
    BrowseHarness h(partRow("A1", "one"));
    QVERIFY(h.ready());
    QVERIFY(h.env.exec("DROP TABLE Inventory"));
    QPointer<BrowseInvWindow> w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    QCOMPARE(h.ui.shown.size(), 1);
    QVERIFY(h.ui.lastText().startsWith("Error No "));
    QCOMPARE(w->frameWidget()->pos(), QPoint(0, 0));
    h.ui.clear();
    QTest::mouseClick(w->cmdExit, Qt::LeftButton);
    QTRY_VERIFY(w.isNull());
    QVERIFY(h.ui.shown.isEmpty());
}

QTEST_MAIN(TestBrowseInv)
#include "tst_browseinv.moc"
