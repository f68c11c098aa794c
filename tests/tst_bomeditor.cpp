// The BOM editor, driven inside a main window with real keys and scripted
// answers; stored rows are read through a second connection.
#include "bom/boardbomwindow.h"
#include "ui/gridmodel.h"
#include "ui/gridview.h"
#include "bomfixture.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace BomFixture;

namespace {

const int PartNoColumn = 2, QtyColumn = 3;

QStringList column(const BoardBomWindow *w, int c)
{
    QStringList values;
    for (int r = 0; r < control<GridView>(w, "grdDataGrid")->model()->rowCount(); ++r)
        values << control<GridView>(w, "grdDataGrid")->model()->index(r, c).data().toString();
    return values;
}

// The current row, 1-based, when the window and the grid agree on it and the
// grid shows it: in a shown column, highlighted.
int currentRow(const BoardBomWindow *w)
{
    const GridView *g = control<GridView>(w, "grdDataGrid");
    const int position = g->gridModel()->currentRow() + 1;
    const QModelIndex cell = g->currentIndex();
    const bool shown = cell.isValid() && !g->isColumnHidden(cell.column())
                       && g->selectionModel()->isSelected(cell);
    return shown && cell.row() + 1 == position ? position : -1;
}

bool goTo(BoardBomWindow *w, int row)
{
    return control<GridView>(w, "grdDataGrid")->gridModel()->setCurrentRow(row - 1);
}

// The buttons of the strip that show, by their captions.
QString strip(const BoardBomWindow *w)
{
    QStringList shown;
    for (const QPushButton *b : control<QWidget>(w, "picButtons")->findChildren<QPushButton *>())
        if (b->isVisible())
            shown << b->text();
    return shown.join(' ');
}

// Types into a cell as the user does: select it, F2, type, and Return unless
// the user goes on from the open cell.
void typeInCell(BoardBomWindow *w, int r, int c, const QString &text, bool finish = true)
{
    GridView *g = control<GridView>(w, "grdDataGrid");
    g->setFocus(Qt::OtherFocusReason);
    g->setCurrentIndex(g->model()->index(r, c));
    QTest::keyClick(g, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY2(editor && g->isAncestorOf(editor), "no cell editor");
    editor->selectAll();
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    if (finish) {
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents(); // the cell takes the text once the editor closes
    }
}

void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), modifiers);
}

} // namespace

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
            typeAndEnter(control<QLineEdit>(w, "txtPartNo"), bom);
        return w;
    }
    QStringList stored(const QString &where = QString()) { return storedRows(h->env.app.databaseAddress(), where); }
    void click(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
    void closeWindow(BoardBomWindow *w)
    {
        QPointer<QWidget> sub = w->subWindow();
        click(control<QPushButton>(w, "cmdExit"));
        QTRY_VERIFY(sub.isNull());
    }

private slots:
    void cleanup() { h.reset(); }

    // Loading by number: found as the database compares, nothing trimmed.
    void load_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("parts");
        QTest::addColumn<QString>("description");
        QTest::newRow("found") << "AMP" << "" << QStringList{"R100", "C10U", "IC1"} << "Amplifier";
        QTest::newRow("other letter case") << "amp" << "" << QStringList{"R100", "C10U", "IC1"} << "Amplifier";
        QTest::newRow("null description") << "PSU" << "" << QStringList{"D1"} << "";
        QTest::newRow("trailing blank") << "AMP " << "BOM was not found!" << QStringList() << "";
        QTest::newRow("empty") << "" << "Enter a Part Number" << QStringList() << "";
    }
    void load()
    {
        QFETCH(QString, number);
        QFETCH(QString, message);
        QFETCH(QStringList, parts);
        QFETCH(QString, description);
        BoardBomWindow *w = loaded(number);
        QVERIFY(w);
        QCOMPARE(h->ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(control<QLineEdit>(w, "txtPartNo")->hasFocus());
        QCOMPARE(w->hasBom(), message.isEmpty());
        QCOMPARE(control<QLineEdit>(w, "txtPartNo")->selectedText(), message.startsWith("BOM") ? number : "");
        QCOMPARE(QList<bool>({control<QLineEdit>(w, "txtDescription")->isVisible(), control<GridView>(w, "grdDataGrid")->isVisible(), control<QWidget>(w, "picButtons")->isVisible()}),
                 QList<bool>(3, message.isEmpty()));
        QVERIFY(!control<QWidget>(w, "picStatBox")->isVisible());
        if (!message.isEmpty())
            return;
        QCOMPARE(column(w, PartNoColumn), parts);
        QCOMPARE(control<QLineEdit>(w, "txtDescription")->text(), description);
        QVERIFY(!control<QLineEdit>(w, "txtDescription")->isEnabled());
        QCOMPARE(strip(w), "&Add &Edit &Delete &Close");
        QCOMPARE(currentRow(w), 1);
        QCOMPARE(control<QLabel>(w, "lblStatus")->text(), "Part: 1");
        QCOMPARE(control<GridView>(w, "grdDataGrid")->visibleColumns(), QList<int>({PartNoColumn, QtyColumn}));
    }

    // After "BOM was not found!" the BOM loaded before stays, and the buttons
    // act on it; a BOM found replaces it.
    void notFoundKeepsTheBom()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        key(Qt::Key_Down);
        typeAndEnter(control<QLineEdit>(w, "txtPartNo"), "NONE");
        QCOMPARE(h->ui.texts(), QStringList{"BOM was not found!"});
        QCOMPARE(control<QLineEdit>(w, "txtDescription")->text(), "Amplifier");
        click(control<QPushButton>(w, "cmdDelete"));
        QCOMPARE(h->ui.texts().size(), 1);
        QCOMPARE(stored("where BoardPN = 'AMP'"), QStringList({"AMP|Amplifier|R100|2", "AMP|Amplifier|IC1|1"}));
        QCOMPARE(column(w, PartNoColumn), QStringList({"R100", "IC1"}));
        typeAndEnter(control<QLineEdit>(w, "txtPartNo"), "KIT");
        QCOMPARE(column(w, PartNoColumn), QStringList{"HW1"});
        QCOMPARE(QStringList({control<QLineEdit>(w, "txtDescription")->text(), w->loadedBom()}), QStringList({"Kit", "KIT"}));
    }

    // The window's keys on a three-row BOM, in the grid (which must not move
    // the row once more) and in the number field. While editing the window
    // leaves every key alone, Escape included.
    void keys_data()
    {
        QTest::addColumn<bool>("inGrid");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("after"); // a key that cannot move the row beeps
        const int none = Qt::NoModifier, ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
        for (const bool inGrid : {true, false}) {
            auto add = [&](const char *name, int start, int k, int mods, int after) {
                QTest::newRow(qPrintable(QString(inGrid ? "grid: " : "field: ") + name)) << inGrid << start << k << mods << after;
            };
            add("Down", 1, Qt::Key_Down, none, 2);
            add("Down on the last row", 3, Qt::Key_Down, none, 3);
            add("Page Down on the last row", 3, Qt::Key_PageDown, none, 3);
            add("Ctrl+Down", 1, Qt::Key_Down, ctrl, 3);
            add("Shift+Down is Down", 1, Qt::Key_Down, shift, 2);
            add("Up on the first row", 1, Qt::Key_Up, none, 1);
            add("Ctrl+Up", 3, Qt::Key_Up, ctrl, 1);
            add("Home", 3, Qt::Key_Home, none, 1);
            add("End", 1, Qt::Key_End, none, 3);
        }
    }
    void keys()
    {
        QFETCH(bool, inGrid);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, after);
        const int beeps = after == start ? 1 : 0;
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        QSignalSpy beeped(w, &BoardBomWindow::beeped);
        QVERIFY(goTo(w, start));
        (inGrid ? static_cast<QWidget *>(control<GridView>(w, "grdDataGrid")) : control<QLineEdit>(w, "txtPartNo"))->setFocus(Qt::OtherFocusReason);
        ::key(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(currentRow(w), after);
        QCOMPARE(beeped.size(), beeps);
        QCOMPARE(control<QLabel>(w, "lblStatus")->text(), "Part: " + QString::number(after));

        click(control<QPushButton>(w, "cmdEdit"));
        QCOMPARE(control<QLabel>(w, "lblStatus")->text(), "Edit record");
        QCOMPARE(strip(w), "&Update &Cancel");
        control<QLineEdit>(w, "txtPartNo")->setFocus(Qt::OtherFocusReason);
        QVERIFY(goTo(w, 2));
        for (int k : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Escape})
            ::key(k);
        QCOMPARE(control<GridView>(w, "grdDataGrid")->gridModel()->currentRow(), 1);
        QCOMPARE(beeped.size(), beeps);
        QVERIFY(w->isVisible());
        click(control<QPushButton>(w, "cmdCancel"));
        QCOMPARE(strip(w), "&Add &Edit &Delete &Refresh &Close");
        QCOMPARE(h->ui.texts(), QStringList());
        QPointer<QWidget> sub = w->subWindow();
        ::key(Qt::Key_Escape);
        QTRY_VERIFY(sub.isNull());
    }

    // Add: the new row belongs to the loaded BOM (as its number was typed)
    // and is stored with its number and description as soon as the user
    // leaves it, whichever way.
    void add_data()
    {
        QTest::addColumn<QString>("bom");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<QString>("row");
        for (const char *leave : {"update", "up", "click", "load", "close"})
            QTest::newRow(leave) << "AMP" << leave << "AMP|Amplifier|NEW1|5";
        QTest::newRow("BOM loaded in small letters") << "amp" << "update" << "amp|Amplifier|NEW1|5";
        QTest::newRow("null description") << "PSU" << "update" << "PSU|~|NEW1|5";
    }
    void add()
    {
        QFETCH(QString, bom);
        QFETCH(QString, leave);
        QFETCH(QString, row);
        BoardBomWindow *w = loaded(bom);
        QVERIFY(w);
        const int n = control<GridView>(w, "grdDataGrid")->model()->rowCount();
        click(control<QPushButton>(w, "cmdAdd"));
        QCOMPARE(control<GridView>(w, "grdDataGrid")->currentIndex(), control<GridView>(w, "grdDataGrid")->model()->index(n, PartNoColumn));
        typeInCell(w, n, PartNoColumn, "NEW1");
        typeInCell(w, n, QtyColumn, "5");
        if (leave == "update")
            click(control<QPushButton>(w, "cmdUpdate"));
        else if (leave == "up")
            key(Qt::Key_Up);
        else if (leave == "click")
            QTest::mouseClick(control<GridView>(w, "grdDataGrid")->viewport(), Qt::LeftButton, {},
                              control<GridView>(w, "grdDataGrid")->visualRect(control<GridView>(w, "grdDataGrid")->model()->index(0, QtyColumn)).center());
        else if (leave == "load")
            typeAndEnter(control<QLineEdit>(w, "txtPartNo"), "KIT");
        else
            closeWindow(w);
        QCOMPARE(h->ui.texts(), QStringList());
        QCOMPARE(stored("where PartNo = 'NEW1'"), QStringList{row});
        // The row an earlier run left without a number joins the BOM only on closing.
        QCOMPARE(stored("where BoardPN is null").size(), leave == "close" ? 0 : 1);
        if (leave == "up" || leave == "click")
            QCOMPARE(currentRow(w), leave == "up" ? n : 1);
    }

    // Edit, Update and Cancel around changes typed into the grid; Cancel
    // drops the change not yet written and goes to the first row.
    void editUpdateCancel()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        click(control<QPushButton>(w, "cmdEdit"));
        typeInCell(w, 1, QtyColumn, "7");
        click(control<QPushButton>(w, "cmdUpdate"));
        QVERIFY(!w->isEditing());
        QVERIFY(stored().contains("AMP|Amplifier|C10U|7"));
        click(control<QPushButton>(w, "cmdEdit"));
        typeInCell(w, 2, QtyColumn, "99");
        typeInCell(w, 2, PartNoColumn, "IC9", false);
        click(control<QPushButton>(w, "cmdCancel"));
        QCOMPARE(currentRow(w), 1);
        QCOMPARE(column(w, QtyColumn), QStringList({"2", "7", "1"}));
        QCOMPARE(column(w, PartNoColumn), QStringList({"R100", "C10U", "IC1"}));
        QCOMPARE(stored("where BoardPN = 'AMP'"),
                 QStringList({"AMP|Amplifier|R100|2", "AMP|Amplifier|C10U|7", "AMP|Amplifier|IC1|1"}));
        // A heading click sorts the rows; the current row goes with its row.
        control<GridView>(w, "grdDataGrid")->headingClicked(QtyColumn);
        QCOMPARE(column(w, QtyColumn), QStringList({"1", "2", "7"}));
        QCOMPARE(currentRow(w), 2);
        QCOMPARE(h->ui.texts(), QStringList());
    }

    // After Update or Cancel the focus is where Enter changes nothing; the
    // current row stays shown and highlighted, and Delete takes that row only.
    void enterAfterUpdateOrCancel_data()
    {
        QTest::addColumn<bool>("update");
        QTest::addColumn<int>("row"); // where the buttons leave the current row
        QTest::newRow("update") << true << 2;
        QTest::newRow("cancel") << false << 1;
    }
    void enterAfterUpdateOrCancel()
    {
        QFETCH(bool, update);
        QFETCH(int, row);
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w && goTo(w, 2));
        const QStringList before = stored("where BoardPN = 'AMP'");
        click(control<QPushButton>(w, "cmdEdit"));
        click(control<QPushButton>(w, update ? "cmdUpdate" : "cmdCancel"));
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Return);
        QCOMPARE(stored("where BoardPN = 'AMP'"), before);
        QCOMPARE(currentRow(w), row);
        click(control<QPushButton>(w, "cmdDelete"));
        QCOMPARE(stored("where BoardPN = 'AMP'"), QStringList(before.mid(0, row - 1) + before.mid(row)));
        QCOMPARE(h->ui.texts(), QStringList());
    }

    // Keys in a cell being typed in stay there: Escape drops the cell's
    // text and closes nothing, End and the arrows keep to the cell.
    void keysInACell_data()
    {
        QTest::addColumn<QList<int>>("keys"); // pressed after typing "X" over C10U
        QTest::addColumn<QString>("partNo");  // the second row's then
        QTest::newRow("Escape") << QList<int>{Qt::Key_Escape} << "C10U";
        QTest::newRow("End, then more text") << QList<int>{Qt::Key_End, Qt::Key_9, Qt::Key_Return} << "X9";
        QTest::newRow("Down and Up") << QList<int>{Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_Return} << "X";
    }
    void keysInACell()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QString, partNo);
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        typeInCell(w, 1, PartNoColumn, "X", false);
        for (int k : keys)
            key(k);
        QCoreApplication::processEvents(); // the cell takes the text once the editor closes
        QVERIFY(w->isVisible());
        QCOMPARE(currentRow(w), 2);
        QCOMPARE(column(w, PartNoColumn), QStringList({"R100", partNo, "IC1"}));
        click(control<QPushButton>(w, "cmdExit"));
        QCOMPARE(stored("where BoardPN = 'AMP'").at(1), "AMP|Amplifier|" + partNo + "|1");
    }

    // What the editor takes into a row: a quantity must be a number (error
    // 13, also where the file's schema would take text); another
    // workstation's change since the load refuses the Update, as does its
    // delete; a pasted block is taken whole through the same checks, or not
    // at all. Nothing is stored partly.
    void refusedAndPasted_data()
    {
        QTest::addColumn<QString>("elsewhere"); // a statement another workstation runs after the load
        QTest::addColumn<QString>("action");    // "type:<text>" into a cell or "paste:<clipboard>"
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("after"); // PartNo|QtyUsed of AMP's rows as stored
        const QString changed = "Row cannot be located for updating. Some values may have been changed "
                                "since it was last read.";
        const QStringList same{"R100|2", "C10U|1", "IC1|1"};
        QTest::newRow("quantity typed as text") << "" << "type:abc" << 1 << QtyColumn << "Type mismatch" << same;
        QTest::newRow("quantity typed as a number") << "" << "type: 2.5 " << 1 << QtyColumn << ""
                                                    << QStringList{"R100|2", "C10U|2.5", "IC1|1"};
        QTest::newRow("changed elsewhere") << "UPDATE BoardBOM SET QtyUsed = 9 WHERE PartNo = 'C10U'" << "type:7"
                                           << 1 << QtyColumn << changed << QStringList{"R100|2", "C10U|9", "IC1|1"};
        QTest::newRow("deleted elsewhere") << "DELETE FROM BoardBOM WHERE PartNo = 'C10U'" << "type:7" << 1
                                           << QtyColumn << changed << QStringList{"R100|2", "IC1|1"};
        QTest::newRow("other row changed elsewhere") << "UPDATE BoardBOM SET QtyUsed = 9 WHERE PartNo = 'R100'"
                                                     << "type:7" << 1 << QtyColumn << ""
                                                     << QStringList{"R100|9", "C10U|7", "IC1|1"};
        QTest::newRow("block pasted") << "" << "paste:X1\t3\nX2\t4\n" << 0 << PartNoColumn << ""
                                      << QStringList{"X1|3", "X2|4", "IC1|1"};
        QTest::newRow("block with text for a quantity") << "" << "paste:X1\t3\nX2\tfour\n" << 0 << PartNoColumn
                                                        << "Type mismatch" << same;
        QTest::newRow("block beyond the last row") << "" << "paste:X1\nX2\n" << 2 << PartNoColumn
                                                   << "The pasted cells do not fit from the current cell." << same;
    }
    void refusedAndPasted()
    {
        QFETCH(QString, elsewhere);
        QFETCH(QString, action);
        QFETCH(int, row);
        QFETCH(int, col);
        QFETCH(QString, message);
        QFETCH(QStringList, after);
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        if (!elsewhere.isEmpty())
            QVERIFY(h->env.execElsewhere(elsewhere));
        click(control<QPushButton>(w, "cmdEdit"));
        const QString text = action.section(':', 1);
        if (action.startsWith("type")) {
            typeInCell(w, row, col, text);
        } else {
            GridView *g = control<GridView>(w, "grdDataGrid");
            g->setFocus(Qt::OtherFocusReason);
            g->setCurrentIndex(g->model()->index(row, col));
            QGuiApplication::clipboard()->setText(text);
            key(Qt::Key_V, Qt::ControlModifier);
        }
        click(control<QPushButton>(w, "cmdUpdate"));
        QCOMPARE(h->ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QStringList stored;
        for (const QString &r : this->stored("where BoardPN = 'AMP'"))
            stored << r.section('|', 2);
        QCOMPARE(stored, after);
    }

    // Delete writes at once, asks nothing, and goes to the next row, or to
    // the last when there is none; the last row of a BOM goes quietly, and
    // Add starts the empty BOM again.
    void deleteRows_data()
    {
        QTest::addColumn<QString>("bom");
        QTest::addColumn<int>("start");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("after");
        QTest::newRow("first") << "AMP" << 1 << QStringList{"C10U", "IC1"} << 1;
        QTest::newRow("last") << "AMP" << 3 << QStringList{"R100", "C10U"} << 2;
        QTest::newRow("only") << "KIT" << 1 << QStringList() << 0;
    }
    void deleteRows()
    {
        QFETCH(QString, bom);
        QFETCH(int, start);
        QFETCH(QStringList, left);
        QFETCH(int, after);
        BoardBomWindow *w = loaded(bom);
        QVERIFY(w && goTo(w, start));
        click(control<QPushButton>(w, "cmdDelete"));
        QCOMPARE(h->ui.texts(), QStringList());
        QCOMPARE(column(w, PartNoColumn), left);
        QCOMPARE(stored("where BoardPN = '" + bom + "'").size(), left.size());
        if (after > 0) {
            QCOMPARE(currentRow(w), after);
            return;
        }
        click(control<QPushButton>(w, "cmdAdd"));
        typeInCell(w, 0, PartNoColumn, "HW2");
        click(control<QPushButton>(w, "cmdUpdate"));
        QCOMPARE(h->ui.texts(), QStringList());
        QCOMPARE(stored("where BoardPN = 'KIT'"), QStringList{"KIT|Kit|HW2|~"});
        QCOMPARE(column(w, PartNoColumn), QStringList{"HW2"});
    }

    // Refresh reads the BOM again, with what another editor wrote meanwhile.
    void refresh()
    {
        BoardBomWindow *w = loaded("AMP"), *other = loaded("AMP");
        QVERIFY(w && other && other != w);
        click(control<QPushButton>(other, "cmdAdd"));
        typeInCell(other, 3, PartNoColumn, "L1");
        click(control<QPushButton>(other, "cmdUpdate"));
        h->main.mdiArea()->setActiveSubWindow(w->subWindow());
        QCOMPARE(column(w, PartNoColumn).size(), 3);
        click(control<QPushButton>(w, "cmdEdit"));
        click(control<QPushButton>(w, "cmdCancel"));
        click(control<QPushButton>(w, "cmdRefresh"));
        QCOMPARE(column(w, PartNoColumn), QStringList({"R100", "C10U", "IC1", "L1"}));
        QCOMPARE(currentRow(w), 1);
    }

    // Two editors at once: what each adds belongs to its own BOM. A row left
    // without a number by an earlier run joins the BOM of the first editor
    // closed with a BOM loaded; an editor without one changes nothing.
    void twoEditors()
    {
        BoardBomWindow *amp = loaded("AMP"), *kit = loaded("KIT"), *none = loaded();
        QVERIFY(amp && kit && none);
        for (BoardBomWindow *w : {amp, kit}) {
            h->main.mdiArea()->setActiveSubWindow(w->subWindow());
            click(control<QPushButton>(w, "cmdAdd"));
            typeInCell(w, control<GridView>(w, "grdDataGrid")->model()->rowCount() - 1, PartNoColumn, w->loadedBom() + "-NEW");
        }
        click(control<QPushButton>(kit, "cmdUpdate"));
        h->main.mdiArea()->setActiveSubWindow(amp->subWindow());
        click(control<QPushButton>(amp, "cmdUpdate"));
        QCOMPARE(stored("where PartNo like '%-NEW'"), QStringList({"KIT|Kit|KIT-NEW|~", "AMP|Amplifier|AMP-NEW|~"}));
        closeWindow(none);
        QCOMPARE(stored("where PartNo = 'ORPHAN'"), QStringList{"~|~|ORPHAN|1"});
        closeWindow(kit);
        closeWindow(amp);
        QCOMPARE(stored("where PartNo = 'ORPHAN'"), QStringList{"KIT|Kit|ORPHAN|1"});
        QCOMPARE(h->ui.texts(), QStringList());
    }

    // Closing gives rows left without a number the number of the BOM loaded
    // last, whatever the number field holds by then; other rows stay.
    void closing_data()
    {
        QTest::addColumn<QStringList>("typed"); // each submitted; "*" types without submitting
        QTest::addColumn<QString>("orphan");
        QTest::newRow("nothing loaded") << QStringList() << "~|~|ORPHAN|1";
        QTest::newRow("loaded") << QStringList{"AMP"} << "AMP|Amplifier|ORPHAN|1";
        QTest::newRow("not found after loading") << QStringList{"AMP", "NONE"} << "AMP|Amplifier|ORPHAN|1";
        QTest::newRow("number changed after loading") << QStringList{"AMP", "*KIT"} << "AMP|Amplifier|ORPHAN|1";
        QTest::newRow("second BOM loaded") << QStringList{"AMP", "KIT"} << "KIT|Kit|ORPHAN|1";
        QTest::newRow("null description") << QStringList{"PSU"} << "PSU|~|ORPHAN|1";
        QTest::newRow("connection closed") << QStringList{"AMP", "!"} << "";
    }
    void closing()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, orphan);
        BoardBomWindow *w = loaded();
        QVERIFY(w);
        for (const QString &t : typed) {
            if (t == "!")
                h->env.app.database().close();
            else
                typeAndEnter(control<QLineEdit>(w, "txtPartNo"), t.mid(t.startsWith('*') ? 1 : 0), !t.startsWith('*'));
        }
        const QStringList others = stored("where PartNo <> 'ORPHAN'");
        h->ui.clear();
        closeWindow(w);
        QCOMPARE(h->ui.texts(), QStringList()); // a closed connection is no error worth telling
        QCOMPARE(stored("where PartNo = 'ORPHAN'"), QStringList{orphan.isEmpty() ? "~|~|ORPHAN|1" : orphan});
        QCOMPARE(stored("where PartNo <> 'ORPHAN'"), others);
    }

    // The Edit menu works on the grid's current cell; Copy of a selection
    // gives tab-separated lines. In the number field it works on the text.
    void editMenu()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        QClipboard *clipboard = QGuiApplication::clipboard();
        GridView *g = control<GridView>(w, "grdDataGrid");
        auto cell = [g](int r, int c) { return g->model()->index(r, c); };
        g->setFocus(Qt::OtherFocusReason);
        g->setCurrentIndex(cell(0, PartNoColumn));
        h->main.run(CommandId::EditCopy);
        QCOMPARE(clipboard->text(), "R100");
        g->selectionModel()->select(QItemSelection(cell(0, PartNoColumn), cell(1, QtyColumn)),
                                    QItemSelectionModel::ClearAndSelect);
        h->main.run(CommandId::EditCopy);
        QCOMPARE(clipboard->text(), "R100\t2\nC10U\t1\n");
        g->setCurrentIndex(cell(2, PartNoColumn));
        clipboard->setText("IC2");
        h->main.run(CommandId::EditPaste);
        g->setCurrentIndex(cell(0, PartNoColumn));
        h->main.run(CommandId::EditCut);
        QCOMPARE(clipboard->text(), "R100");
        click(control<QPushButton>(w, "cmdEdit"));
        click(control<QPushButton>(w, "cmdUpdate"));
        QCOMPARE(stored("where BoardPN = 'AMP'"),
                 QStringList({"AMP|Amplifier|~|2", "AMP|Amplifier|C10U|1", "AMP|Amplifier|IC2|1"}));
        typeAndEnter(control<QLineEdit>(w, "txtPartNo"), "KIT", false);
        control<QLineEdit>(w, "txtPartNo")->selectAll();
        h->main.run(CommandId::EditCopy);
        QCOMPARE(clipboard->text(), "KIT");
        QCOMPARE(h->ui.texts(), QStringList());
    }
};

QTEST_MAIN(TestBomEditor)
#include "tst_bomeditor.moc"
