#include "browseharness.h"

#include "app/twips.h"
#include "stock/browseinvwindow.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

using Icon = UserInterface::Icon;

namespace {
QString threeParts()
{
    return partRow("A1", "first", 1, 11, 12.5, 1) + partRow("A2", "second", 2, 22, 0.25, 0)
         + QString(NullPart).arg("A3", "NULL");
}
} // namespace

class TestBrowseInv : public QObject
{
    Q_OBJECT
private slots:
    void opensWithTheWholeCatalogue();
    void typeAhead_data();
    void typeAhead();
    void enterKey_data();
    void enterKey();
    void nextToTheEndThenPick();
    void showVendor_data();
    void showVendor();
    void windowsKeepTheirOwnRow();
    void emptyTable();
    void largeCatalogue();
    void closesCleanlyWhenTheSetNeverOpened();
};

void TestBrowseInv::opensWithTheWholeCatalogue()
{
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QStringLiteral("Browse Inventory"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(w->cmbPartNo));
    QVERIFY(w->cmbPartNo->currentText().isEmpty());
    const QStringList entries = listOf(w->cmbPartNo);
    QCOMPARE(entries.size(), h.env.scalar("select count(*) from Inventory").toInt());
    QCOMPARE(entries.first(), h.env.scalar("select min(PartNo) from Inventory").toString());
    QVERIFY(entries.indexOf("R100") + 2 == entries.indexOf("R10K"));
    for (QWidget *hidden : std::initializer_list<QWidget *>{w->txtMinReq, w->lblDesc, w->txtBin,
                                                           w->lblVendor, w->txtVendor})
        QVERIFY2(!hidden->isVisible(), qPrintable(hidden->objectName()));
    QCOMPARE(w->txtVendor->text(), QStringLiteral("Text1"));
    // Outer width from the description row, top edge at the client area's top.
    QCOMPARE(w->frameWidget()->width(), Twips::toPixels(2 * 1455 + 4725, w));
    QCOMPARE(w->frameWidget()->y(), 0);
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::typeAhead_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("selected");
    const int none = Qt::Key_unknown;
    QTest::newRow("R1") << "R1" << none << "R100" << "00";
    QTest::newRow("R1 then 5") << "R15" << none << "R150" << "0";
    QTest::newRow("other case") << "r15" << none << "R150" << "0";
    QTest::newRow("Shift in empty box") << "" << int(Qt::Key_Shift) << "1N4007" << "1N4007";
    QTest::newRow("Backspace") << "R1" << int(Qt::Key_Backspace) << "R1" << "";
    QTest::newRow("Delete") << "R1" << int(Qt::Key_Delete) << "R1" << "";
    QTest::newRow("apostrophe") << "5'" << none << "5' CABLE" << " CABLE";
    QTest::newRow("nothing begins so") << "QQ" << none << "QQ" << "";
    // Leaving the box completes nothing more and picks nothing.
    QTest::newRow("Tab") << "R1" << int(Qt::Key_Tab) << "R100" << "";
}

void TestBrowseInv::typeAhead()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(QString, selected);
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    typeInto(w->cmbPartNo, typed, Qt::Key(key));
    QCOMPARE(w->cmbPartNo->currentText(), text);
    QCOMPARE(w->cmbPartNo->lineEdit()->selectedText(), selected);
    QVERIFY(!w->txtDesc->isVisible());
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::enterKey_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("stock");
    QTest::newRow("exact") << "R150" << QString() << 0 << "1850";
    QTest::newRow("other case") << "r150" << QString() << 0 << "1850";
    QTest::newRow("apostrophe") << "5' CABLE" << QString() << 0 << "18";
    // Fields emptied but still shown.
    QTest::newRow("prefix only") << "R15" << "Part Number Not Found!" << int(Icon::Critical) << "";
    // Fields keep the part shown before.
    QTest::newRow("empty") << "" << "Select a Part Number" << int(Icon::None) << "18";
}

void TestBrowseInv::enterKey()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(int, icon);
    QFETCH(QString, stock);
    BrowseHarness h(QString(), TestEnvironment::Data::Sample);
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    enterText(w->cmbPartNo, "5' CABLE");
    QCOMPARE(w->txtCurrentInv->text(), QStringLiteral("18"));
    QCOMPARE(w->txtUnitCost->text(), QStringLiteral("1.95"));
    QCOMPARE(w->txtBin->text(), QStringLiteral("No"));
    enterText(w->cmbPartNo, typed);
    QCOMPARE(h.ui.texts(), message.isEmpty() ? QStringList() : QStringList(message));
    if (!message.isEmpty())
        QCOMPARE(int(h.ui.shown.first().icon), icon);
    QCOMPARE(w->txtCurrentInv->text(), stock);
    QVERIFY(w->txtCurrentInv->isVisible());
    QCOMPARE(h.ui.shownWhileBusy, 0);
    QVERIFY(!w->testAttribute(Qt::WA_SetCursor));
}

void TestBrowseInv::nextToTheEndThenPick()
{
    BrowseHarness h(threeParts());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(h.ui.texts(), QStringList("Select a Part Number"));
    h.ui.clear();
    // Next fills but does not show the details; a null column keeps its text.
    w->cmbPartNo->setEditText("A1");
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A2"));
    QCOMPARE(w->txtBin->text(), QStringLiteral("No"));
    QVERIFY(!w->txtDesc->isVisible());
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A3"));
    QCOMPARE(w->txtDesc->text(), QStringLiteral("second"));
    QCOMPARE(w->txtUnitCost->text(), QStringLiteral("0.25"));
    QCOMPARE(w->txtBin->text(), QStringLiteral("No"));
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(w->cmdNext, Qt::LeftButton);
        QCOMPARE(h.ui.texts(), QStringList("No more records found."));
        QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A3"));
        h.ui.clear();
    }
    // An arrow key in the closed box picks, starting from the first row.
    typeInto(w->cmbPartNo, QString(), Qt::Key_Down);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("A1"));
    QCOMPARE(w->txtUnitCost->text(), QStringLiteral("12.5"));
    QCOMPARE(w->txtBin->text(), QStringLiteral("Yes"));
    QVERIFY(w->txtDesc->isVisible());
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::showVendor_data()
{
    QTest::addColumn<QString>("partNo");
    QTest::addColumn<bool>("dropVendors");
    QTest::addColumn<QString>("vendor");
    QTest::newRow("vendor") << "A1" << false << "RS Components";
    QTest::newRow("first of several") << "A2" << false << "Farnell";
    QTest::newRow("null vendor") << "A3" << false << "No vendor listed.";
    QTest::newRow("no row") << "A4" << false << "Item not in Vendor list.";
    QTest::newRow("apostrophe") << "5' CABLE" << false << "Cable Co";
    QTest::newRow("statement fails") << "A1" << true << "Text1";
}

void TestBrowseInv::showVendor()
{
    QFETCH(QString, partNo);
    QFETCH(bool, dropVendors);
    QFETCH(QString, vendor);
    BrowseHarness h(partRow("A1", "one") + partRow("A2", "two") + partRow("A3", "three")
                    + partRow("A4", "four") + partRow("5' CABLE", "cable")
                    + "INSERT INTO PreferredVendor (Item, Vendor) VALUES ('A1', 'RS Components'), "
                      "('A2', 'Farnell'), ('A2', 'Mouser'), ('A3', NULL), ('5'' CABLE', 'Cable Co');");
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    if (dropVendors)
        QVERIFY(h.env.exec("DROP TABLE PreferredVendor"));
    enterText(w->cmbPartNo, partNo);
    QTest::mouseClick(w->cmdVendor, Qt::LeftButton);
    QCOMPARE(w->txtVendor->text(), vendor);
    QCOMPARE(w->txtVendor->isVisible(), !dropVendors);
    QCOMPARE(w->lblVendor->isVisible(), !dropVendors);
    QCOMPARE(h.ui.shown.size(), dropVendors ? 1 : 0);
    if (dropVendors)
        QVERIFY(h.ui.lastText().startsWith("Error No "));
    // The window's own row is untouched: Enter finds the part from there, and
    // hides the vendor again.
    h.ui.clear();
    enterText(w->cmbPartNo, partNo);
    QVERIFY(h.ui.shown.isEmpty());
    QVERIFY(!w->txtVendor->isVisible());
}

void TestBrowseInv::windowsKeepTheirOwnRow()
{
    BrowseHarness h(threeParts());
    auto *first = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    auto *second = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(first && second && first != second);
    enterText(first->cmbPartNo, "A2");
    // The second window still stands on its first row, so A1 is found.
    enterText(second->cmbPartNo, "A1");
    QTest::mouseClick(second->cmdNext, Qt::LeftButton);
    QCOMPARE(second->cmbPartNo->currentText(), QStringLiteral("A2"));
    QTest::mouseClick(first->cmdNext, Qt::LeftButton);
    QCOMPARE(first->cmbPartNo->currentText(), QStringLiteral("A3"));
    QVERIFY(h.ui.shown.isEmpty());
}

void TestBrowseInv::emptyTable()
{
    BrowseHarness h;
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    QCOMPARE(listOf(w->cmbPartNo), QStringList("No Inventory Found"));
    typeInto(w->cmbPartNo, "N"); // finds nothing, says nothing
    QVERIFY(h.ui.shown.isEmpty());
    w->cmbPartNo->setEditText(QString());
    typeInto(w->cmbPartNo, QString(), Qt::Key_Down);
    QCOMPARE(w->cmbPartNo->currentText(), QStringLiteral("No Inventory Found"));
    QCOMPARE(h.ui.texts(), QStringList(noCurrentRecordMessage()));
    QCOMPARE(h.ui.shownWhileBusy, 0);
}

void TestBrowseInv::largeCatalogue()
{
    BrowseHarness h(manyParts());
    auto *w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    QVERIFY(h.ui.shown.isEmpty());
    QCOMPARE(w->cmbPartNo->count(), 33000);
    enterText(w->cmbPartNo, "P32999");
    QTest::mouseClick(w->cmdNext, Qt::LeftButton);
    QCOMPARE(w->txtCurrentInv->text(), QStringLiteral("33000"));
}

void TestBrowseInv::closesCleanlyWhenTheSetNeverOpened()
{
    BrowseHarness h(partRow("A1", "one"));
    QVERIFY(h.env.exec("DROP TABLE Inventory"));
    QPointer<BrowseInvWindow> w = h.open<BrowseInvWindow>(CommandId::BrowsePart);
    QVERIFY(w);
    QCOMPARE(h.ui.shown.size(), 1);
    QVERIFY(h.ui.lastText().startsWith("Error No "));
    QCOMPARE(w->frameWidget()->pos(), QPoint(0, 0));
    QTest::mouseClick(w->cmdExit, Qt::LeftButton);
    QTRY_VERIFY(w.isNull());
    QCOMPARE(h.ui.shown.size(), 1);
}

QTEST_MAIN(TestBrowseInv)
#include "tst_browseinv.moc"
