// The BOM editor, driven inside a main window with real keys and scripted
// answers; stored rows are read through a second connection.
#include "bom/boardbomwindow.h"
#include "ui/gridmodel.h"
#include "ui/gridview.h"
#include "bomfixture.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <array>
#include <memory>

using namespace BomFixture;

namespace {

const int PartNoColumn = 2, QtyColumn = 3;
struct Load { QString number, message; QStringList parts; QString description; };
// A statement another workstation runs after the load; "type:<text>" into a
// quantity or "paste:<clipboard>" from a cell; the line; the message; PartNo|QtyUsed of AMP's rows as stored.
struct Change { QString elsewhere, action; int line; QString message; QStringList after; };

GridView *grid(const QObject *w) { return Drive::find<GridView>(w, "grdDataGrid"); }

QStringList column(const QObject *w, int c)
{
    QStringList values;
    for (int r = 0; r < grid(w)->model()->rowCount(); ++r)
        values << grid(w)->model()->index(r, c).data().toString();
    return values;
}

// The current row, 1-based, when the window and the grid agree on it and the
// grid shows it: in a shown column, highlighted.
int currentRow(const QObject *w)
{
    const GridView *g = grid(w);
    const QModelIndex cell = g->currentIndex();
    const bool shown = cell.isValid() && !g->isColumnHidden(cell.column()) && g->selectionModel()->isSelected(cell);
    return shown && cell.row() == g->gridModel()->currentRow() ? cell.row() + 1 : -1;
}

// The rows shown as "PartNo|QtyUsed".
QStringList shown(const QObject *w)
{
    QStringList rows = column(w, PartNoColumn);
    for (int r = 0; r < rows.size(); ++r)
        rows[r] += '|' + grid(w)->model()->index(r, QtyColumn).data().toString();
    return rows;
}

bool goTo(const QObject *w, int row) { return grid(w)->gridModel()->setCurrentRow(row - 1); }

// The buttons of the strip that show, by their captions.
QString strip(const QObject *w)
{
    QStringList shown;
    for (const QPushButton *b : Drive::find(w, "picButtons")->findChildren<QPushButton *>())
        if (b->isVisible())
            shown << b->text();
    return shown.join(' ');
}

QString status(const QObject *w) { return Drive::find<QLabel>(w, "lblStatus")->text(); }

// Types into a cell as the user does: select it, F2, type, and Return unless
// the user goes on from the open cell.
void typeInCell(const QObject *w, int r, int c, const QString &text, bool finish = true)
{
    Drive::focus(grid(w));
    grid(w)->setCurrentIndex(grid(w)->model()->index(r, c));
    Drive::key(Qt::Key_F2);
    qobject_cast<QLineEdit *>(Drive::focused())->selectAll();
    Drive::typeText(text, finish ? Qt::Key_Return : Qt::Key_unknown);
    QCoreApplication::processEvents(); // the cell takes the text once the editor closes
}

} // namespace

Q_DECLARE_METATYPE(Load)
Q_DECLARE_METATYPE(Change)

class TestBomEditor : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    BoardBomWindow *loaded(const QString &bom = QString())
    {
        if (!h)
            h = std::make_unique<Harness>(Boms);
        BoardBomWindow *w = h->open<BoardBomWindow>(CommandId::EditBOM);
        if (w && !bom.isNull())
            Drive::fill(w, "txtPartNo", bom, Qt::Key_Return);
        return w;
    }
    QStringList stored(const QString &where = QString()) { return storedRows(h->env.app.databaseAddress(), where); }
    void closeWindow(BoardBomWindow *w)
    {
        QPointer<QWidget> sub = w->subWindow();
        Drive::click(w, "cmdExit");
        QTRY_VERIFY(sub.isNull());
    }

private slots:
    void cleanup() { h.reset(); }

    // Loading by number: found as the database compares, nothing trimmed.
    void load_data()
    {
        QTest::addColumn<Load>("row");
        QTest::newRow("found") << Load{"AMP", "", {"R100", "C10U", "IC1"}, "Amplifier"};
        QTest::newRow("other letter case") << Load{"amp", "", {"R100", "C10U", "IC1"}, "Amplifier"};
        QTest::newRow("null description") << Load{"PSU", "", {"D1"}, ""};
        QTest::newRow("trailing blank") << Load{"AMP ", "BOM was not found!", {}, ""};
        QTest::newRow("empty") << Load{"", "Enter a Part Number", {}, ""};
    }
    void load()
    {
        QFETCH(Load, row);
        const auto &[number, message, parts, description] = row;
        BoardBomWindow *w = loaded(number);
        auto *field = Drive::find<QLineEdit>(w, "txtPartNo"), *text = Drive::find<QLineEdit>(w, "txtDescription");
        const bool found = message.isEmpty();
        QCOMPARE(h->ui.texts(), found ? QStringList() : QStringList{message});
        QVERIFY(field->hasFocus() && w->hasBom() == found && !Drive::find(w, "picStatBox")->isVisible());
        QCOMPARE(field->selectedText(), message.startsWith("BOM") ? number : "");
        QCOMPARE(QList<bool>({text->isVisible(), grid(w)->isVisible(), Drive::find(w, "picButtons")->isVisible()}), QList<bool>(3, found));
        QCOMPARE(found ? column(w, PartNoColumn) : QStringList(), parts);
        QVERIFY(!found || (text->text() == description && !text->isEnabled() && currentRow(w) == 1 && status(w) == "Part: 1"
                           && strip(w) == "&Add &Edit &Delete &Close" && grid(w)->visibleColumns() == QList<int>({PartNoColumn, QtyColumn})));
    }

    // After "BOM was not found!" the BOM loaded before stays, and the buttons
    // act on it; a BOM found replaces it.
    void notFoundKeepsTheBom()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        Drive::key(Qt::Key_Down);
        Drive::fill(w, "txtPartNo", "NONE", Qt::Key_Return);
        QVERIFY(Drive::find<QLineEdit>(w, "txtDescription")->text() == "Amplifier" && Drive::click(w, "cmdDelete"));
        QCOMPARE(h->ui.texts(), QStringList{"BOM was not found!"});
        QCOMPARE(stored("where BoardPN = 'AMP'"), QStringList({"AMP|Amplifier|R100|2", "AMP|Amplifier|IC1|1"}));
        QCOMPARE(column(w, PartNoColumn), QStringList({"R100", "IC1"}));
        Drive::fill(w, "txtPartNo", "KIT", Qt::Key_Return);
        QCOMPARE(column(w, PartNoColumn) << Drive::find<QLineEdit>(w, "txtDescription")->text() << w->loadedBom(), QStringList({"HW1", "Kit", "KIT"}));
    }

    // The window's keys on a three-row BOM, in turn, in the grid (which must
    // not move the row once more) and in the number field; a key that cannot
    // move the row beeps. While editing the window leaves every key alone,
    // Escape included.
    void keys_data()
    {
        QTest::addColumn<bool>("inGrid");
        QTest::newRow("grid") << true;
        QTest::newRow("number field") << false;
    }
    void keys()
    {
        QFETCH(bool, inGrid);
        const int none = Qt::NoModifier, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier; // key, modifiers, row after
        const QList<std::array<int, 3>> steps{{Qt::Key_Down, shift, 2}, {Qt::Key_Down, none, 3}, {Qt::Key_Down, none, 3}, {Qt::Key_PageDown, none, 3},
                                              {Qt::Key_Up, ctrl, 1}, {Qt::Key_Up, none, 1}, {Qt::Key_Down, ctrl, 3}, {Qt::Key_Home, none, 1}, {Qt::Key_End, none, 3},
                                              {Qt::Key_Up, none, 2}, {Qt::Key_Up, none, 1}};
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w && goTo(w, 1));
        QSignalSpy beeped(w, &BoardBomWindow::beeped);
        Drive::focus(inGrid ? static_cast<QWidget *>(grid(w)) : Drive::find(w, "txtPartNo"));
        QStringList got, want;
        int beeps = 0;
        for (const auto &[key, modifiers, after] : steps) {
            beeps += after == currentRow(w);
            Drive::key(key, Qt::KeyboardModifiers(modifiers));
            got << QStringLiteral("%1 %2 %3").arg(currentRow(w)).arg(beeped.size()).arg(status(w));
            want << QStringLiteral("%1 %2 Part: %1").arg(after).arg(beeps);
        }
        QCOMPARE(got, want);
        QVERIFY(Drive::click(w, "cmdEdit") && status(w) + " " + strip(w) == "Edit record &Update &Cancel");
        Drive::focus(Drive::find(w, "txtPartNo"));
        QVERIFY(goTo(w, 2));
        for (int k : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Escape})
            Drive::key(k);
        QVERIFY(grid(w)->gridModel()->currentRow() == 1 && beeped.size() == beeps && w->isVisible());
        QVERIFY(Drive::click(w, "cmdCancel") && strip(w) == "&Add &Edit &Delete &Refresh &Close");
        QPointer<QWidget> sub = w->subWindow();
        Drive::key(Qt::Key_Escape);
        QTRY_VERIFY(sub.isNull());
    }

    // Add: the new row belongs to the loaded BOM (as its number was typed)
    // and is stored with its number and description as soon as the user
    // leaves it, whichever way.
    void add_data()
    {
        QTest::addColumn<QStringList>("row"); // BOM, how the row is left, the row stored
        for (const char *leave : {"up", "click", "load", "close"})
            QTest::newRow(leave) << QStringList{"AMP", leave, "AMP|Amplifier|NEW1|5"};
        QTest::newRow("BOM loaded in small letters") << QStringList{"amp", "up", "amp|Amplifier|NEW1|5"};
        QTest::newRow("null description") << QStringList{"PSU", "load", "PSU|~|NEW1|5"};
        QTest::newRow("refused by the database") << QStringList{"AMP", "up", "row refused", "refused"};
    }
    void add()
    {
        QFETCH(QStringList, row);
        const QString leave = row[1];
        BoardBomWindow *w = loaded(row[0]);
        const int n = w ? grid(w)->model()->rowCount() : -1;
        QVERIFY(row.size() < 4 || h->env.refuseInserts("BoardBOM"));
        QVERIFY(w && Drive::click(w, "cmdAdd") && grid(w)->currentIndex() == grid(w)->model()->index(n, PartNoColumn));
        typeInCell(w, n, PartNoColumn, "NEW1");
        typeInCell(w, n, QtyColumn, "5");
        if (leave == "up")
            Drive::key(Qt::Key_Up);
        else if (leave == "click")
            QTest::mouseClick(grid(w)->viewport(), Qt::LeftButton, {}, grid(w)->visualRect(grid(w)->model()->index(0, QtyColumn)).center());
        else if (leave == "load")
            Drive::fill(w, "txtPartNo", "KIT", Qt::Key_Return);
        else
            closeWindow(w);
        QCOMPARE(stored("where PartNo = 'NEW1'") + h->ui.texts().replaceInStrings(" (SQLSTATE P0001)", ""), QStringList{row[2]});
        // The row an earlier run left without a number joins the BOM only on closing.
        QCOMPARE(stored("where BoardPN is null").size(), leave == "close" ? 0 : 1);
        // A refused row keeps the cursor, for the user to mend it.
        QVERIFY(leave == "load" || leave == "close" || currentRow(w) == (row.size() > 3 ? n + 1 : leave == "up" ? n : 1));
    }

    // Edit, Update and Cancel around changes typed into the grid; Cancel
    // drops the change not yet written and goes to the first row. After
    // Update or Cancel Enter changes nothing and Delete takes the current row.
    void editUpdateCancel()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        Drive::click(w, "cmdEdit");
        typeInCell(w, 1, QtyColumn, "7");
        QVERIFY(goTo(w, 2));
        QVERIFY(Drive::click(w, "cmdUpdate") && !w->isEditing());
        for (int i = 0; i < 3; ++i)
            Drive::key(Qt::Key_Return);
        QCOMPARE(currentRow(w), 2);
        const QStringList amp{"AMP|Amplifier|R100|2", "AMP|Amplifier|C10U|7", "AMP|Amplifier|IC1|1"};
        QCOMPARE(stored("where BoardPN = 'AMP'"), amp);
        Drive::click(w, "cmdEdit");
        typeInCell(w, 2, QtyColumn, "99");
        typeInCell(w, 2, PartNoColumn, "IC9", false);
        Drive::click(w, "cmdCancel");
        for (int i = 0; i < 3; ++i)
            Drive::key(Qt::Key_Return);
        QVERIFY(currentRow(w) == 1 && shown(w) == QStringList({"R100|2", "C10U|7", "IC1|1"}) && stored("where BoardPN = 'AMP'") == amp);
        // A heading click sorts the rows; the current row goes with its row.
        grid(w)->headingClicked(QtyColumn);
        QVERIFY(column(w, QtyColumn) == QStringList({"1", "2", "7"}) && currentRow(w) == 2 && Drive::click(w, "cmdDelete"));
        QCOMPARE(stored("where BoardPN = 'AMP'") + h->ui.texts(), amp.mid(1));
    }

    // What the editor takes into a row: a quantity must be a number (error
    // 13, also where the file's schema would take text); another
    // workstation's change since the load refuses the Update, as does its
    // delete; a pasted block is taken whole through the same checks, or not
    // at all. Nothing is stored partly. Delete writes at once, asks nothing,
    // and goes to the next row, or to the last when there is none. Keys in a
    // cell being typed in stay there: Escape drops the cell's text and closes
    // nothing, End and the arrows keep to the cell.
    void change_data()
    {
        QTest::addColumn<Change>("row");
        const QString changed = "Row cannot be located for updating. Some values may have been changed since it was last read.";
        const QStringList same{"R100|2", "C10U|1", "IC1|1"};
        QTest::newRow("quantity typed as text") << Change{"", "type:abc", 1, "Type mismatch", same};
        QTest::newRow("quantity typed as a number") << Change{"", "type: 2.5 ", 1, "", QStringList{"R100|2", "C10U|2.5", "IC1|1"}};
        QTest::newRow("changed elsewhere") << Change{"UPDATE BoardBOM SET QtyUsed = 9 WHERE PartNo = 'C10U'", "type:7", 1, changed, QStringList{"R100|2", "C10U|9", "IC1|1"}};
        QTest::newRow("emptied elsewhere") << Change{"UPDATE BoardBOM SET Description = NULL WHERE PartNo = 'C10U'", "type:7", 1, changed, QStringList{"R100|2", "AMP|~|C10U|1", "IC1|1"}};
        QTest::newRow("deleted elsewhere") << Change{"DELETE FROM BoardBOM WHERE PartNo = 'C10U'", "type:7", 1, changed, QStringList{"R100|2", "IC1|1"}};
        QTest::newRow("other row changed elsewhere") << Change{"UPDATE BoardBOM SET QtyUsed = 9 WHERE PartNo = 'R100'", "type:7", 1, "", QStringList{"R100|9", "C10U|7", "IC1|1"}};
        QTest::newRow("block pasted") << Change{"", "paste:X1 5\"\t3\nX2\t4\n", 0, "", QStringList{"X1 5\"|3", "X2|4", "IC1|1"}}; // a quote inside a cell is text
        QTest::newRow("block with text for a quantity") << Change{"", "paste:X1\t3\nX2\tfour\n", 0, "Type mismatch", same};
        QTest::newRow("block beyond the last row") << Change{"", "paste:X1\nX2\n", 2, "The pasted cells do not fit from the current cell.", same};
        QTest::newRow("delete the first row") << Change{"", "delete", 0, "", QStringList{"C10U|1", "IC1|1"}};
        QTest::newRow("delete the last row") << Change{"", "delete", 2, "", QStringList{"R100|2", "C10U|1"}};
        QTest::newRow("Escape in a cell") << Change{"", "keys:Esc", 1, "", same};
        QTest::newRow("End in a cell, then more text") << Change{"", "keys:End, 9, Return", 1, "", QStringList{"R100|2", "X9|1", "IC1|1"}};
        QTest::newRow("arrows in a cell") << Change{"", "keys:Down, Up, Home, Return", 1, "", QStringList{"R100|2", "X|1", "IC1|1"}};
    }
    void change()
    {
        QFETCH(Change, row);
        const auto &[elsewhere, action, line, message, after] = row;
        const QString how = action.section(':', 0, 0), what = action.section(':', 1);
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w && (elsewhere.isEmpty() || h->env.execElsewhere(elsewhere)) && goTo(w, line + 1));
        if (how == "type" || how == "paste")
            Drive::click(w, "cmdEdit");
        if (how == "type") {
            typeInCell(w, line, QtyColumn, what);
        } else if (how == "paste") {
            Drive::focus(grid(w));
            grid(w)->setCurrentIndex(grid(w)->model()->index(line, PartNoColumn));
            QGuiApplication::clipboard()->setText(what);
            Drive::key(Qt::Key_V, Qt::ControlModifier);
        } else if (how == "delete") {
            Drive::click(w, "cmdDelete");
        } else {
            typeInCell(w, line, PartNoColumn, "X", false);
            const QKeySequence keys(what);
            for (int i = 0; i < keys.count(); ++i)
                Drive::key(keys[i].key());
            QCoreApplication::processEvents(); // the cell takes the text once the editor closes
        }
        QVERIFY(w->isVisible() && (how == "type" || how == "paste" || (currentRow(w) == qMin(line + 1, after.size()) && shown(w) == after)));
        Drive::click(w, how == "keys" ? "cmdExit" : "cmdUpdate");
        QCOMPARE(stored("where BoardPN = 'AMP' and PartNo <> 'ORPHAN'").replaceInStrings("AMP|Amplifier|", "") + h->ui.texts(), after + QStringList{message}.filter(QRegularExpression(".")));
    }

    // The last row of a BOM goes quietly, and Add starts the empty BOM again.
    void deleteTheOnlyRow()
    {
        BoardBomWindow *w = loaded("KIT");
        QVERIFY(w && Drive::click(w, "cmdDelete") && currentRow(w) == -1);
        QVERIFY(stored("where BoardPN = 'KIT'").isEmpty() && shown(w).isEmpty() && Drive::click(w, "cmdAdd"));
        typeInCell(w, 0, PartNoColumn, "HW2");
        Drive::fill(w, "txtPartNo", "KIT", Qt::Key_Return);
        QCOMPARE(stored("where BoardPN = 'KIT'"), QStringList{"KIT|Kit|HW2|~"});
        QCOMPARE(column(w, PartNoColumn), QStringList{"HW2"});
        QCOMPARE(h->ui.texts(), QStringList());
    }

    // Two editors at once: what each adds belongs to its own BOM, and Refresh
    // reads what the other wrote. A row left without a number by an earlier
    // run joins the BOM of the first editor closed with a BOM loaded; an
    // editor without one changes nothing.
    void twoEditors()
    {
        BoardBomWindow *amp = loaded("AMP"), *kit = loaded("KIT"), *none = loaded(), *other = loaded("AMP");
        QVERIFY(amp && kit && none && other);
        for (BoardBomWindow *w : {amp, kit, other}) {
            h->main.mdiArea()->setActiveSubWindow(w->subWindow());
            QVERIFY(Drive::click(w, "cmdAdd"));
            typeInCell(w, grid(w)->model()->rowCount() - 1, PartNoColumn, w->loadedBom() + (w == other ? "-L1" : "-NEW"));
            Drive::key(Qt::Key_Up);
        }
        QCOMPARE(stored("where PartNo like '%-NEW'"), QStringList({"AMP|Amplifier|AMP-NEW|~", "KIT|Kit|KIT-NEW|~"}));
        h->main.mdiArea()->setActiveSubWindow(amp->subWindow());
        QCOMPARE(column(amp, PartNoColumn).size(), 4);
        QVERIFY(Drive::click(amp, "cmdEdit") && Drive::click(amp, "cmdCancel") && Drive::click(amp, "cmdRefresh") && currentRow(amp) == 1);
        QCOMPARE(column(amp, PartNoColumn), QStringList({"R100", "C10U", "IC1", "AMP-NEW", "AMP-L1"}));
        closeWindow(none);
        QCOMPARE(stored("where PartNo = 'ORPHAN'"), QStringList{"~|~|ORPHAN|1"});
        closeWindow(kit), closeWindow(amp);
        QCOMPARE(stored("where PartNo = 'ORPHAN'") + h->ui.texts(), QStringList{"KIT|Kit|ORPHAN|1"});
    }

    // Closing gives rows left without a number the number of the BOM loaded
    // last, whatever the number field holds by then; other rows stay.
    void closing_data()
    {
        QTest::addColumn<QStringList>("typed"); // each submitted; "*" types without submitting
        QTest::addColumn<QString>("orphan");
        QTest::newRow("not found after loading") << QStringList{"AMP", "NONE"} << "AMP|Amplifier|ORPHAN|1";
        QTest::newRow("number changed after loading") << QStringList{"AMP", "*KIT"} << "AMP|Amplifier|ORPHAN|1";
        QTest::newRow("second BOM loaded") << QStringList{"AMP", "KIT"} << "KIT|Kit|ORPHAN|1";
        QTest::newRow("null description") << QStringList{"PSU"} << "PSU|~|ORPHAN|1";
        QTest::newRow("connection closed") << QStringList{"AMP", "!"} << "~|~|ORPHAN|1";
    }
    void closing()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, orphan);
        BoardBomWindow *w = loaded();
        for (const QString &t : typed)
            t == "!" ? h->env.app.database().close() : Drive::fill(w, "txtPartNo", t.mid(t.startsWith('*') ? 1 : 0), t.startsWith('*') ? Qt::Key_unknown : Qt::Key_Return);
        const QStringList others = stored("where PartNo <> 'ORPHAN'");
        h->ui.clear();
        closeWindow(w);
        QCOMPARE(stored("where PartNo = 'ORPHAN'") + h->ui.texts(), QStringList{orphan}); // a closed connection is no error worth telling
        QCOMPARE(stored("where PartNo <> 'ORPHAN'"), others);
    }

    // The Edit menu works on the grid's current cell; Copy of a selection
    // gives tab-separated lines. In the number field it works on the text.
    void editMenu()
    {
        BoardBomWindow *w = loaded("AMP");
        QClipboard *clipboard = QGuiApplication::clipboard();
        auto cell = [w](int r, int c) { return grid(w)->model()->index(r, c); };
        QStringList copied;
        Drive::focus(grid(w));
        grid(w)->setCurrentIndex(cell(0, PartNoColumn));
        h->main.run(CommandId::EditCopy), copied << clipboard->text();
        grid(w)->selectionModel()->select(QItemSelection(cell(0, PartNoColumn), cell(1, QtyColumn)), QItemSelectionModel::ClearAndSelect);
        h->main.run(CommandId::EditCopy), copied << clipboard->text();
        grid(w)->setCurrentIndex(cell(2, PartNoColumn));
        clipboard->setText("IC2"), h->main.run(CommandId::EditPaste);
        grid(w)->setCurrentIndex(cell(0, PartNoColumn));
        h->main.run(CommandId::EditCut), copied << clipboard->text();
        QVERIFY(Drive::click(w, "cmdEdit") && Drive::click(w, "cmdUpdate") && copied == QStringList({"R100", "R100\t2\nC10U\t1\n", "R100"}));
        QCOMPARE(stored("where BoardPN = 'AMP'"), QStringList({"AMP|Amplifier|~|2", "AMP|Amplifier|C10U|1", "AMP|Amplifier|IC2|1"}));
        Drive::fill(w, "txtPartNo", "KIT"), Drive::find<QLineEdit>(w, "txtPartNo")->selectAll();
        h->main.run(CommandId::EditCopy);
        QCOMPARE(clipboard->text() + h->ui.texts().join(""), "KIT");
    }
};

QTEST_MAIN(TestBomEditor)
#include "tst_bomeditor.moc"
