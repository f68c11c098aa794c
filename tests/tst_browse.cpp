// The two look-up windows, by part number and by description, driven with real
// keys; what they share runs once for each window.
#include "ui/twips.h"
#include "stock/browsedescwindow.h"
#include "stock/browseinvwindow.h"
#include "harness.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

namespace {

const int Inv = int(CommandId::BrowsePart), Desc = int(CommandId::BrowseDesc);
const bool OnFile = TestEnvironment::defaultEngine() == TestEnvironment::Engine::File;

// N1 has a null description, N1 and Z2 null columns; two parts share "Fuse 1A";
// D1's numbers show in plain decimal form, never with an exponent.
const QString Catalogue = QStringLiteral(
    "INSERT INTO Inventory (PartNo, Description, MinReq, CurrentInv, UnitCost, Bin) VALUES ('5'' CABLE', "
    "'Cable, Tom''s', 3, 30, 1.95, 0), ('D1', 'Diode 1N4148', 4, 2000000, 0.0000001, 0), ('F1', 'Fuse 1A', 1, 10, 0.2, 0),"
    "('F2', 'Fuse 1A', 2, 20, 0.25, 1), ('N1', NULL, NULL, NULL, NULL, NULL), ('R100', 'Resistor 100R', 5, 100, "
    "0.02, 0), ('R10K', 'Resistor 10K', 5, 110, 0.02, 0), ('R150', 'Resistor 150R', 5, 150, 12.5, 1),"
    "('Z2', 'Zener 6V8', NULL, NULL, NULL, NULL);"
    "INSERT INTO PreferredVendor (Item, Vendor) VALUES ('R100', 'RS Components'), ('F1', 'Farnell'),"
    "('F1', 'Mouser'), ('N1', NULL), ('5'' CABLE', 'Cable Co');");

// Either window, seen through what both have.
struct View
{
    ChildWindow *w = nullptr;
    QComboBox *box = nullptr;
    QLineEdit *other = nullptr; // the key that is not in the box; its label waits for the first part shown
    QLineEdit *stock = nullptr, *cost = nullptr, *bin = nullptr;
    bool otherShown() const { return other->isVisible() && Drive::find(w, other->objectName() == "txtDesc" ? "lblDesc" : "lblPartNo")->isVisible(); }
    QStringList fields() const { return {stock->text(), cost->text(), bin->text()}; }
    // Keys go where the user's keys go: to the widget with the focus.
    void type(const QString &text, int key = Qt::Key_unknown) const
    {
        Drive::focus(box);
        Drive::typeText(text, key);
    }
    void enter(const QString &text) const
    {
        box->setEditText(text);
        type(QString(), Qt::Key_Return);
    }
    void next() const { QTest::mouseClick(Drive::find<QPushButton>(w, "cmdNext"), Qt::LeftButton); }
    // The list is read when the user drops it down.
    void drop() const
    {
        box->showPopup();
        box->hidePopup();
    }
    QStringList list() const
    {
        drop();
        QStringList entries;
        for (int i = 0; i < box->count(); ++i)
            entries << box->itemText(i);
        return entries;
    }
};

// One case of a table: the window, what is typed, the key after it, what
// comes out.
struct Row
{
    int command;
    QString typed, stored; // stored: what the part holds, where the case says
    int key;
    QString text, selected, message, fields;
};

} // namespace

Q_DECLARE_METATYPE(Row)

class TestBrowse : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    View open(int command)
    {
        auto *w = h->open<ChildWindow>(CommandId(command));
        const bool inv = qobject_cast<BrowseInvWindow *>(w); // a window that did not open finds nothing
        return {w, Drive::find<QComboBox>(w, inv ? "cmbPartNo" : "cmbDesc"), Drive::find<QLineEdit>(w, inv ? "txtDesc" : "txtPartNo"),
                Drive::find<QLineEdit>(w, "txtCurrentInv"), Drive::find<QLineEdit>(w, "txtUnitCost"), Drive::find<QLineEdit>(w, "txtBin")};
    }
    View start(int command, const QString &rows = Catalogue)
    {
        h = std::make_unique<Harness>(rows);
        return open(command);
    }
    View startWith(int command, const QString &insert, const QVariantList &values)
    {
        h = std::make_unique<Harness>();
        [&] { QVERIFY(h->env.exec(insert, values)); }();
        return open(command);
    }
    static void bothWindows()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("by part number") << Inv;
        QTest::newRow("by description") << Desc;
    }

private slots:
    void cleanup() { h.reset(); }

    void opens_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QStringList>("hidden");
        // Entered in the first window, in the second, then what Next shows in the second, the first.
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("by part number")
            << Inv << QStringList{"5' CABLE", "D1", "F1", "F2", "N1", "R100", "R10K", "R150", "Z2"}
            << QStringList{"txtMinReq", "lblDesc", "txtBin", "lblVendor", "txtVendor"}
            << QStringList{"R100", "D1", "F1", "R10K"};
        QTest::newRow("by description")
            << Desc << QStringList{"Cable, Tom's", "Diode 1N4148", "Fuse 1A", "Fuse 1A", "Resistor 100R",
                                   "Resistor 10K", "Resistor 150R", "Zener 6V8"}
            << QStringList{"lblPartNo", "txtPartNo", "txtMinReq", "lblBin"}
            << QStringList{"Resistor 100R", "Diode 1N4148", "Fuse 1A", "Resistor 10K"};
    }
    void opens()
    {
        QFETCH(int, command);
        QFETCH(QStringList, list);
        QFETCH(QStringList, hidden);
        QFETCH(QStringList, rows);
        const View v = start(command);
        QVERIFY(v.w);
        QTRY_COMPARE(QApplication::focusWidget(), v.box);
        QVERIFY(v.box->currentText().isEmpty());
        QCOMPARE(v.list(), list);
        for (const QString &name : hidden)
            QVERIFY2(!Drive::find(v.w, qPrintable(name))->isVisible(), qPrintable(name));
        QVERIFY(command == Inv || Drive::find(v.w, "lblDesc")->isVisible());
        QCOMPARE(v.w->frameWidget()->pos(), QPoint(0, 0));
        const View second = open(command);
        QVERIFY(second.w && second.w != v.w);
        QCOMPARE(second.w->frameWidget()->y(), Twips::toPixels(command == Inv ? 0 : 300, second.w));
        // Each window moves its own row: the second still stands on its first.
        v.enter(rows[0]);
        second.enter(rows[1]);
        second.next();
        QCOMPARE(second.box->currentText(), rows[2]);
        v.next();
        QCOMPARE(v.box->currentText(), rows[3]);
        // Both read what is there now: the list when dropped down, a part when shown.
        QVERIFY(h->env.exec("INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('A0', 'Amp', 1)"));
        QVERIFY(h->env.exec("UPDATE Inventory SET CurrentInv = 99 WHERE PartNo = 'R150'"));
        QVERIFY(h->env.exec("DELETE FROM Inventory WHERE PartNo = 'Z2'"));
        const QString r150 = list[command == Inv ? 7 : 6];
        v.enter(r150);
        QCOMPARE(v.stock->text(), "99");
        const QStringList now = v.list();
        QCOMPARE(QStringList({now.first(), now.last(), v.box->currentText()}),
                 QStringList({command == Inv ? list[0] : "Amp", r150, r150}));
        QVERIFY(h->ui.shown.isEmpty());
    }

    void keys_data()
    {
        // Typed keys (a bar empties the box in between); Enter after a part with
        // apostrophes was shown: the message, with the stop sign when something
        // is not found, and the fields stock, cost, bin.
        QTest::addColumn<Row>("row");
        const int none = Qt::Key_unknown, shift = Qt::Key_Shift, enter = Qt::Key_Return;
        QTest::newRow("R1 then 5") << Row{Inv, "R15", {}, none, "R150", "0"};
        QTest::newRow("Shift in empty box") << Row{Inv, "", {}, shift, "5' CABLE", "5' CABLE"};
        QTest::newRow("Backspace") << Row{Inv, "R1", {}, Qt::Key_Backspace, "R1", ""};
        QTest::newRow("apostrophe") << Row{Inv, "5'", {}, none, "5' CABLE", " CABLE"};
        QTest::newRow("nothing begins so") << Row{Inv, "QQ", {}, none, "QQ", ""};
        QTest::newRow("Tab leaves") << Row{Inv, "R1", {}, Qt::Key_Tab, "R100", ""};
        QTest::newRow("desc, narrowed") << Row{Desc, "resistor 15", {}, none, "Resistor 150R", "0R"};
        QTest::newRow("desc, Delete") << Row{Desc, "Ze", {}, Qt::Key_Delete, "Ze", ""};
        // Past the last match the search starts over, so the next key finds earlier text.
        QTest::newRow("desc, earlier after none") << Row{Desc, "Z|D", {}, shift, "Diode 1N4148", "iode 1N4148"};
        QTest::newRow("found in other case") << Row{Inv, "r150", {}, enter, {}, {}, "", "150 12.5 Yes"};
        // Fields emptied but still shown.
        QTest::newRow("prefix only") << Row{Inv, "R15", {}, enter, {}, {}, "Part Number Not Found!", "  "};
        // Fields keep the part shown before.
        QTest::newRow("empty") << Row{Inv, "", {}, enter, {}, {}, "Select a Part Number", "30 1.95 No"};
        QTest::newRow("desc, found in other case") << Row{Desc, "DIODE 1n4148", {}, enter, {}, {}, "", "2000000 0.0000001 No"};
        QTest::newRow("desc, empty") << Row{Desc, "", {}, enter, {}, {}, "Choose a Description", "30 1.95 No"};
    }
    void keys()
    {
        QFETCH(Row, row);
        const View v = start(row.command);
        QVERIFY(v.w);
        if (row.key == Qt::Key_Return) {
            v.enter(row.command == Inv ? "5' CABLE" : "Cable, Tom's");
            QCOMPARE(v.stock->text(), "30");
            v.enter(row.typed);
            QCOMPARE(v.fields().join(' '), row.fields);
            QVERIFY(v.stock->isVisible() && v.otherShown());
        } else {
            for (const QString &part : row.typed.split('|')) {
                v.box->setEditText(QString());
                v.type(part);
            }
            v.type(QString(), row.key);
            QCOMPARE(v.box->currentText(), row.text);
            QCOMPARE(v.box->lineEdit()->selectedText(), row.selected);
            QVERIFY(!v.other->isVisible());
        }
        QCOMPARE(h->ui.texts(), row.message.isEmpty() ? QStringList() : QStringList(row.message));
        if (!row.message.isEmpty())
            QCOMPARE(h->ui.shown.first().icon, row.message.endsWith("Not Found!") ? UserInterface::Icon::Critical : UserInterface::Icon::None);
    }

    // Shift down, letter down, Shift up, letter up (a fast typist, many input
    // tools); and the release of the shortcut that opened the window.
    void capitalsAndReleasesFromElsewhere()
    {
        const View v = start(Inv, "INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('C10U', 'Cap 10u', 1), "
                                      "('R0R0', 'Zero ohm', 1), ('R100', 'Res 100', 1), ('R150', 'Res 150', 1);");
        QVERIFY(v.w);
        Drive::focus(v.box);
        QTest::sendKeyEvent(QTest::KeyAction::Release, v.box, Qt::Key_B, 'b', Qt::ControlModifier);
        QTest::sendKeyEvent(QTest::KeyAction::Release, v.box, Qt::Key_Control, char(0), Qt::NoModifier);
        QCOMPARE(v.box->currentText(), QString());
        // Ctrl pressed here and released after the focus went away and came back.
        QTest::keyPress(v.box, Qt::Key_Control);
        Drive::focus(Drive::find(v.w, "cmdNext"));
        Drive::focus(v.box);
        QTest::sendKeyEvent(QTest::KeyAction::Release, v.box, Qt::Key_Control, char(0), Qt::NoModifier);
        QCOMPARE(v.box->currentText(), QString());
        QTest::keyPress(v.box, Qt::Key_Shift);
        QTest::keyPress(v.box, Qt::Key_R, Qt::ShiftModifier);
        QTest::sendKeyEvent(QTest::KeyAction::Release, v.box, Qt::Key_Shift, char(0), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::KeyAction::Release, v.box, Qt::Key_R, 'R', Qt::NoModifier);
        QCOMPARE(v.box->currentText(), "R0R0");
        QCOMPARE(v.box->lineEdit()->selectedText(), "0R0");
        v.type("15");
        QCOMPARE(v.box->currentText(), "R150");
    }

    void nextToTheEndThenPick_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QStringList>("rows"); // said for an empty box, from, last, last's other key, twin, next twin
        QTest::newRow("by part number") << Inv << QStringList{"Select a Part Number", "R10K", "Z2", "Zener 6V8", "F1", "F2"};
        QTest::newRow("by description") << Desc << QStringList{"Choose a Description", "Resistor 10K", "Zener 6V8",
                                                                "Z2", "Fuse 1A", "Fuse 1A"};
    }
    void nextToTheEndThenPick()
    {
        QFETCH(int, command);
        QFETCH(QStringList, rows);
        const View v = start(command);
        QVERIFY(v.w);
        v.next();
        QCOMPARE(h->ui.texts(), QStringList(rows[0]));
        h->ui.clear();
        // Next fills the fields without showing them; a null column keeps its text.
        v.box->setEditText(rows[1]);
        v.next();
        v.next();
        QCOMPARE(v.box->currentText(), rows[2]);
        QCOMPARE(v.other->text(), rows[3]);
        QCOMPARE(v.fields(), QStringList({"150", "12.5", "Yes"}));
        QVERIFY(!v.stock->isVisible() && !v.otherShown());
        for (int i = 0; i < 2; ++i) {
            v.next();
            QCOMPARE(h->ui.texts(), QStringList("No more records found."));
            QCOMPARE(v.box->currentText(), rows[2]);
            h->ui.clear();
        }
        // Pick starts again from the first row.
        v.box->setCurrentIndex(-1);
        v.type(QString(), Qt::Key_Down);
        QCOMPARE(v.fields(), QStringList({"30", "1.95", "No"}));
        QVERIFY(v.stock->isVisible() && v.otherShown());
        // Of two rows with the same key, Next shows the other.
        v.enter(rows[4]);
        const QString bin = v.bin->text();
        v.next();
        QCOMPARE(v.box->currentText(), rows[5]);
        QVERIFY(v.bin->text() != bin);
        QVERIFY(h->ui.shown.isEmpty());
    }

    void showVendor_data()
    {
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<QString>("vendor");
        QTest::newRow("first of several") << "F1" << "Farnell";
        QTest::newRow("null vendor") << "N1" << "No vendor listed.";
        QTest::newRow("no row") << "R150" << "Item not in Vendor list.";
        QTest::newRow("apostrophe") << "5' CABLE" << "Cable Co";
        QTest::newRow("statement fails") << "R100" << "Text1";
    }
    void showVendor()
    {
        QFETCH(QString, partNo);
        QFETCH(QString, vendor);
        const bool fails = vendor == "Text1";
        const View v = start(Inv);
        QVERIFY(v.w);
        if (fails && !OnFile)
            QSKIP("drops a table of the file database");
        if (fails)
            QVERIFY(h->env.exec("DROP TABLE PreferredVendor"));
        auto *field = Drive::find<QLineEdit>(v.w, "txtVendor");
        v.enter(partNo);
        QVERIFY(Drive::click(v.w, "cmdVendor"));
        QCOMPARE(field->text(), vendor);
        QCOMPARE(field->isVisible() && Drive::find(v.w, "lblVendor")->isVisible(), !fails);
        QCOMPARE(h->ui.shown.size(), fails ? 1 : 0);
        QVERIFY(!fails || h->lastMessage().startsWith("Error No "));
    }

    void emptyTable_data() { bothWindows(); }
    void emptyTable()
    {
        QFETCH(int, command);
        const View v = start(command, QString());
        QVERIFY(v.w);
        QCOMPARE(v.list(), QStringList("No Inventory Found"));
        v.type("N"); // finds nothing, says nothing
        QVERIFY(h->ui.shown.isEmpty());
        // No first row to go back to: a retry fails too, and it is told once.
        v.box->setEditText(QString());
        v.type(QString(), Qt::Key_Down);
        QCOMPARE(v.box->currentText(), "No Inventory Found");
        QCOMPARE(h->ui.texts(), QStringList(errorMessageText(DbError::runtime(ErrorNumber::NoCurrentRecord))));
        h->ui.clear();
        v.type(QString(), Qt::Key_Return); // the window keeps working
        QCOMPARE(h->ui.texts(), QStringList(command == Inv ? "Part Number Not Found!" : "Description Not Found!"));
        QVERIFY(!v.otherShown());
        // A window that cannot read the table says so once, and closes quietly.
        h->ui.clear();
        if (!OnFile)
            return; // drops a table of the file database
        QVERIFY(h->env.exec("DROP TABLE Inventory"));
        QPointer<QWidget> broken = open(command).w;
        QVERIFY(broken && Drive::click(broken, "cmdExit"));
        QTRY_VERIFY(broken.isNull());
        QCOMPARE(h->ui.shown.size(), 1);
        QVERIFY(h->lastMessage().startsWith("Error No "));
    }

    // A-Z and a-z are alike, every other letter matches only itself: the
    // look-ups find exactly what the database and the stock windows find.
    void letterCase_data()
    {
        QTest::addColumn<Row>("row"); // text: what the box completes to, empty when nothing is found
        for (int c : {Inv, Desc}) {
            const char *w = c == Inv ? "part" : "desc";
            QTest::addRow("%s, Latin letters", w) << Row{c, "R-1 oHM", "r-1 Ohm", 0, "r-1 Ohm"};
            QTest::addRow("%s, Greek capital for small", w) << Row{c, "\u03C9-1", "\u03A9-1", 0, ""};
            QTest::addRow("%s, Greek as stored", w) << Row{c, "\u03A9-1", "\u03A9-1", 0, "\u03A9-1"};
            QTest::addRow("%s, accents exact, t folded", w) << Row{c, "\u00C9T\u00E9", "\u00C9t\u00E9", 0, "\u00C9t\u00E9"};
        }
    }
    void letterCase()
    {
        QFETCH(Row, row);
        const bool found = !row.text.isEmpty(), inv = row.command == Inv;
        const View v = startWith(row.command, "INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('A0', 'A0', 1), (?, ?, 7)",
                                 {row.stored, row.stored});
        QVERIFY(v.w);
        v.enter(row.typed);
        QCOMPARE(h->ui.texts(), found ? QStringList() : QStringList(inv ? "Part Number Not Found!" : "Description Not Found!"));
        QCOMPARE(v.stock->text(), found ? "7" : "");
        // Type-ahead completes on the same rule.
        v.box->setEditText(QString());
        v.type(row.typed);
        QCOMPARE(v.box->currentText(), found ? row.text : row.typed);
    }

    // Values longer than their field show their start, wherever they were put.
    void longValuesShowTheirStart_data() { bothWindows(); }
    void longValuesShowTheirStart()
    {
        QFETCH(int, command);
        const QString longPart = "LONG-" + QString(60, 'X'), longDesc = "Long " + QString(200, 'y');
        const View v = startWith(command, "INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES ('A1', 'Alpha', 1), (?, ?, 2)",
                                 {longPart, longDesc});
        QVERIFY(v.w);
        QLineEdit *edit = v.box->lineEdit();
        const auto atStart = [&] { return QList<int>{edit->cursorPosition(), v.other->cursorPosition()}; };
        v.enter(command == Inv ? "A1" : "Alpha"); // Next from the first row
        v.next();
        QCOMPARE(v.stock->text(), "2");
        QCOMPARE(atStart(), QList<int>({0, 0}));
        v.drop();
        v.box->setCurrentIndex(0); // Pick from the list
        v.type(QString(), Qt::Key_Down);
        QCOMPARE(v.box->currentText(), command == Inv ? longPart : longDesc);
        QCOMPARE(atStart(), QList<int>({0, 0}));
        // Type-ahead: the cursor stays where the typing stopped.
        v.box->setEditText(QString());
        v.type("Lo");
        QCOMPARE(QList<int>({edit->cursorPosition(), edit->selectionStart()}), QList<int>({2, 2}));
        QVERIFY(h->ui.shown.isEmpty());
    }

    // More parts than a 16-bit count holds, and than the list reads at once.
    void largeCatalogue_data() { bothWindows(); }
    void largeCatalogue()
    {
        QFETCH(int, command);
        const View v = start(command, "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 33000) "
                                      "INSERT INTO Inventory (PartNo, Description, CurrentInv) SELECT 'P' || (10000 + i), "
                                      "'Item ' || (10000 + i), i FROM n");
        QVERIFY(v.w);
        v.drop();
        QCOMPARE(v.box->count(), 33000);
        const QString prefix = command == Inv ? "P" : "Item ";
        for (int i : {32999, 0, 130, 127, 128, 20000})
            QCOMPARE(v.box->itemText(i), prefix + QString::number(10001 + i));
        v.enter(prefix + "42999");
        v.next();
        QCOMPARE(v.stock->text(), "33000");
        QVERIFY(h->ui.shown.isEmpty());
    }
};

QTEST_MAIN(TestBrowse)
#include "tst_browse.moc"
