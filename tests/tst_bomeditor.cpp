// The BOM editor, driven inside a main window with real keys and scripted
// answers; stored rows are read through a second connection.
#include "bom/addnewbomwindow.h"
#include "bom/boardbomwindow.h"
#include "data/recordset.h"
#include "ui/gridview.h"
#include "bomfixture.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>
#include <memory>

using namespace BomFixture;

namespace {

const int PartNoColumn = 2, QtyColumn = 3;
const QString NoCurrent = QStringLiteral(
    "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record.");

// A column of the grid, top to bottom.
QStringList column(const BoardBomWindow *w, int c)
{
    QStringList values;
    const QAbstractItemModel *m = w->grdDataGrid->model();
    for (int r = 0; m && r < m->rowCount(); ++r)
        values << m->index(r, c).data().toString();
    return values;
}

// The current row, 1-based, as the result set and as the grid have it.
int row(const BoardBomWindow *w)
{
    const int position = int(w->recordset()->absolutePosition());
    if (w->grdDataGrid->currentIndex().row() + 1 != position)
        return -100 - w->grdDataGrid->currentIndex().row(); // the grid went its own way
    return position;
}

// Types into a cell of the grid as the user does: select it, start editing,
// type, leave with Return.
void typeInCell(BoardBomWindow *w, int r, int c, const QString &text, bool finish = true)
{
    GridView *g = w->grdDataGrid;
    g->setFocus(Qt::OtherFocusReason);
    g->setCurrentIndex(g->model()->index(r, c));
    QTest::keyClick(g, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY2(editor && g->isAncestorOf(editor), "no cell editor");
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    for (const QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, editor, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    if (!finish)
        return;
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the cell takes the text once the editor closes
}

void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), modifiers);
}

bool visible(const QWidget *w)
{
    return w->isVisible();
}

} // namespace

class TestBomEditor : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    BoardBomWindow *open()
    {
        if (!h)
            h = std::make_unique<Harness>(Boms);
        return h->open<BoardBomWindow>(CommandId::EditBOM);
    }
    BoardBomWindow *loaded(const QString &bom)
    {
        BoardBomWindow *w = open();
        if (w)
            typeAndEnter(w->txtPartNo, bom);
        return w;
    }
    QStringList stored(const QString &where = QString()) { return storedRows(h->env.app.databasePath(), where); }
    void closeWindow(BoardBomWindow *w)
    {
        QPointer<QWidget> sub = w->subWindow();
        QTest::mouseClick(w->cmdExit, Qt::LeftButton);
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
        QTest::newRow("unknown") << "NONE" << "BOM was not found!" << QStringList() << "";
        QTest::newRow("empty") << "" << "Enter a Part Number" << QStringList() << "";
    }
    void load()
    {
        QFETCH(QString, number);
        QFETCH(QString, message);
        QFETCH(QStringList, parts);
        QFETCH(QString, description);
        BoardBomWindow *w = open();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), "Edit Bill Of Materials");
        QVERIFY(w->txtPartNo->hasFocus());
        typeAndEnter(w->txtPartNo, number);
        QCOMPARE(h->ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QVERIFY(w->txtPartNo->hasFocus());
        if (!message.isEmpty()) {
            QCOMPARE(w->txtPartNo->selectedText(), number);
            QVERIFY(!w->hasBom());
            for (QWidget *hidden : {static_cast<QWidget *>(w->grdDataGrid), w->picButtons, w->picStatBox,
                                    static_cast<QWidget *>(w->txtDescription)})
                QVERIFY(!hidden->isVisible());
            return;
        }
        QCOMPARE(column(w, PartNoColumn), parts);
        QCOMPARE(w->txtDescription->text(), description);
        QVERIFY(visible(w->txtDescription) && !w->txtDescription->isEnabled() && visible(w->lblDescription));
        QVERIFY(visible(w->grdDataGrid) && visible(w->picButtons) && !visible(w->picStatBox));
        QCOMPARE(QList<bool>({visible(w->cmdAdd), visible(w->cmdEdit), visible(w->cmdDelete), visible(w->cmdClose),
                              visible(w->cmdUpdate), visible(w->cmdCancel), visible(w->cmdRefresh)}),
                 QList<bool>({true, true, true, true, false, false, false}));
        QCOMPARE(row(w), 1);
        QCOMPARE(w->lblStatus->text(), "Part: 1");
        const QAbstractItemModel *m = w->grdDataGrid->model();
        QStringList captions;
        for (int c = 0; c < 4; ++c)
            captions << m->headerData(c, Qt::Horizontal).toString()
                            + (w->grdDataGrid->isColumnHidden(c) ? " (hidden)" : "");
        QCOMPARE(captions, QStringList({"BOM PN (hidden)", "Desc. (hidden)", "Part Number Used", "Quantity"}));
    }

    // After "BOM was not found!" the BOM loaded before stays: the grid, the
    // description and what the buttons act on.
    void notFoundKeepsTheBom()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        key(Qt::Key_Down);
        QCOMPARE(row(w), 2);
        typeAndEnter(w->txtPartNo, "NONE");
        QCOMPARE(h->ui.texts(), QStringList{"BOM was not found!"});
        QCOMPARE(w->txtDescription->text(), "Amplifier");
        QCOMPARE(column(w, PartNoColumn), QStringList({"R100", "C10U", "IC1"}));
        QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
        QCOMPARE(h->ui.texts().size(), 1);
        QCOMPARE(stored("where BoardPN = 'AMP'"), QStringList({"AMP|Amplifier|R100|2", "AMP|Amplifier|IC1|1"}));
        QCOMPARE(column(w, PartNoColumn), QStringList({"R100", "IC1"}));
        // Loading another BOM replaces it entirely.
        typeAndEnter(w->txtPartNo, "KIT");
        QCOMPARE(column(w, PartNoColumn), QStringList{"HW1"});
        QCOMPARE(w->txtDescription->text(), "Kit");
        QCOMPARE(w->loadedBom(), "KIT");
    }

    // The window's keys on a three-row BOM, from a starting row; the grid
    // follows the result set and does not move once more on its own.
    void keys_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("after");
        QTest::addColumn<int>("beeps");
        const int none = Qt::NoModifier, ctrl = Qt::ControlModifier;
        for (const QString focus : {"grid", "field"}) {
            auto add = [&](const char *name, int start, int k, int mods, int after, int beeps) {
                QTest::newRow(qPrintable(focus + ": " + name)) << focus << start << k << mods << after << beeps;
            };
            add("Down", 1, Qt::Key_Down, none, 2, 0);
            add("Down on the last row", 3, Qt::Key_Down, none, 3, 1);
            add("Page Down", 2, Qt::Key_PageDown, none, 3, 0);
            add("Page Down on the last row", 3, Qt::Key_PageDown, none, 3, 1);
            add("Ctrl+Down", 1, Qt::Key_Down, ctrl, 3, 0);
            add("Ctrl+Page Down", 1, Qt::Key_PageDown, ctrl, 3, 0);
            add("Shift+Down is Down", 1, Qt::Key_Down, Qt::ShiftModifier, 2, 0);
            add("Ctrl+Shift+Down is Down", 1, Qt::Key_Down, ctrl | Qt::ShiftModifier, 2, 0);
            add("Up", 3, Qt::Key_Up, none, 2, 0);
            add("Up on the first row", 1, Qt::Key_Up, none, 1, 1);
            add("Page Up on the first row", 1, Qt::Key_PageUp, none, 1, 1);
            add("Ctrl+Up", 3, Qt::Key_Up, ctrl, 1, 0);
            add("Ctrl+Page Up", 3, Qt::Key_PageUp, ctrl, 1, 0);
            add("Home", 3, Qt::Key_Home, none, 1, 0);
            add("End", 1, Qt::Key_End, none, 3, 0);
            add("a letter", 2, Qt::Key_X, none, 2, 0);
        }
    }
    void keys()
    {
        QFETCH(QString, focus);
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, after);
        QFETCH(int, beeps);
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        QSignalSpy beeped(w, &BoardBomWindow::beeped);
        QVERIFY(w->recordset()->moveTo(start));
        if (focus == "grid")
            w->grdDataGrid->setFocus(Qt::OtherFocusReason);
        else
            w->txtPartNo->setFocus(Qt::OtherFocusReason);
        ::key(key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(row(w), after);
        QCOMPARE(beeped.size(), beeps);
        QCOMPARE(w->lblStatus->text(), "Part: " + QString::number(after));
        QCOMPARE(h->ui.texts(), QStringList());

        // While editing the window leaves every key alone, Escape included.
        QTest::mouseClick(w->cmdEdit, Qt::LeftButton);
        QCOMPARE(w->lblStatus->text(), "Edit record");
        w->txtPartNo->setFocus(Qt::OtherFocusReason);
        QVERIFY(w->recordset()->moveTo(2));
        for (int k : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Home, Qt::Key_End, Qt::Key_PageDown, Qt::Key_Escape})
            ::key(k);
        QCOMPARE(int(w->recordset()->absolutePosition()), 2);
        QCOMPARE(beeped.size(), beeps);
        QVERIFY(w->isVisible());
        QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
        QPointer<QWidget> sub = w->subWindow();
        ::key(Qt::Key_Escape);
        QTRY_VERIFY(sub.isNull());
    }

    // The navigation buttons do as their keys; Edit disables them.
    void navigationButtons()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        QSignalSpy beeped(w, &BoardBomWindow::beeped);
        w->picStatBox->show();
        QTest::mouseClick(w->cmdLast, Qt::LeftButton);
        QCOMPARE(row(w), 3);
        QTest::mouseClick(w->cmdNext, Qt::LeftButton);
        QCOMPARE(row(w), 3);
        QCOMPARE(beeped.size(), 1);
        QTest::mouseClick(w->cmdPrevious, Qt::LeftButton);
        QTest::mouseClick(w->cmdFirst, Qt::LeftButton);
        QCOMPARE(row(w), 1);
        QTest::mouseClick(w->cmdPrevious, Qt::LeftButton);
        QCOMPARE(beeped.size(), 2);
        QTest::mouseClick(w->cmdEdit, Qt::LeftButton);
        for (QToolButton *b : {w->cmdFirst, w->cmdPrevious, w->cmdNext, w->cmdLast})
            QVERIFY(!b->isEnabled());
        QCOMPARE(QList<bool>({visible(w->cmdAdd), visible(w->cmdEdit), visible(w->cmdDelete), visible(w->cmdClose),
                              visible(w->cmdUpdate), visible(w->cmdCancel), visible(w->cmdRefresh)}),
                 QList<bool>({false, false, false, false, true, true, false}));
        QTest::mouseClick(w->cmdUpdate, Qt::LeftButton);
        for (QToolButton *b : {w->cmdFirst, w->cmdPrevious, w->cmdNext, w->cmdLast})
            QVERIFY(b->isEnabled());
        QCOMPARE(QList<bool>({visible(w->cmdAdd), visible(w->cmdEdit), visible(w->cmdDelete), visible(w->cmdClose),
                              visible(w->cmdUpdate), visible(w->cmdCancel), visible(w->cmdRefresh)}),
                 QList<bool>({true, true, true, true, false, false, true}));
        QCOMPARE(h->ui.texts(), QStringList());
    }

    // Add: the new row belongs to the loaded BOM and is stored with its
    // number and description as soon as the user leaves it, whichever way.
    void add_data()
    {
        QTest::addColumn<QString>("bom");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<QString>("row");
        QTest::newRow("Update") << "AMP" << "update" << "AMP|Amplifier|NEW1|5";
        QTest::newRow("Home") << "AMP" << "home" << "AMP|Amplifier|NEW1|5";
        QTest::newRow("Up while still typing") << "AMP" << "up" << "AMP|Amplifier|NEW1|5";
        QTest::newRow("clicking another row") << "AMP" << "click" << "AMP|Amplifier|NEW1|5";
        QTest::newRow("closing the window") << "AMP" << "close" << "AMP|Amplifier|NEW1|5";
        QTest::newRow("loading another BOM") << "AMP" << "load" << "AMP|Amplifier|NEW1|5";
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
        const int before = w->grdDataGrid->model()->rowCount();
        QTest::mouseClick(w->cmdAdd, Qt::LeftButton);
        QCOMPARE(w->grdDataGrid->model()->rowCount(), before + 1);
        QCOMPARE(w->grdDataGrid->currentIndex(), w->grdDataGrid->model()->index(before, PartNoColumn));
        typeInCell(w, before, PartNoColumn, "NEW1");
        typeInCell(w, before, QtyColumn, "5", leave != "up");
        if (leave == "update")
            QTest::mouseClick(w->cmdUpdate, Qt::LeftButton);
        else if (leave == "home")
            key(Qt::Key_Home);
        else if (leave == "up")
            key(Qt::Key_Up);
        else if (leave == "click")
            QTest::mouseClick(w->grdDataGrid->viewport(), Qt::LeftButton, {},
                              w->grdDataGrid->visualRect(w->grdDataGrid->model()->index(0, QtyColumn)).center());
        else if (leave == "load")
            typeAndEnter(w->txtPartNo, "KIT");
        else
            closeWindow(w);
        QCOMPARE(h->ui.texts(), QStringList());
        QCOMPARE(stored("where PartNo = 'NEW1'"), QStringList{row});
        // The row an earlier run left without a number joins the BOM only on closing.
        QCOMPARE(stored("where BoardPN is null").size(), leave == "close" ? 0 : 1);
        if (leave == "home" || leave == "up" || leave == "click") {
            QCOMPARE(column(w, PartNoColumn).last(), "NEW1");
            QCOMPARE(::row(w), leave == "home" || leave == "click" ? 1 : 3);
        }
    }

    // Edit, Update and Cancel around a change typed into the grid.
    void editUpdateCancel()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        QTest::mouseClick(w->cmdEdit, Qt::LeftButton);
        QVERIFY(w->isEditing());
        typeInCell(w, 1, QtyColumn, "7");
        QTest::mouseClick(w->cmdUpdate, Qt::LeftButton);
        QVERIFY(!w->isEditing());
        QVERIFY(stored().contains("AMP|Amplifier|C10U|7"));

        // Cancel drops the change not yet written and goes to the first row.
        QTest::mouseClick(w->cmdEdit, Qt::LeftButton);
        w->grdDataGrid->setFocus(Qt::OtherFocusReason);
        w->grdDataGrid->setCurrentIndex(w->grdDataGrid->model()->index(2, QtyColumn));
        QTest::keyClick(w->grdDataGrid, Qt::Key_F2);
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        QVERIFY(editor);
        editor->setText("99");
        QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
        QCOMPARE(row(w), 1);
        QVERIFY(!w->isEditing());
        QCOMPARE(column(w, QtyColumn), QStringList({"2", "7", "1"}));
        QCOMPARE(stored("where BoardPN = 'AMP'"),
                 QStringList({"AMP|Amplifier|R100|2", "AMP|Amplifier|C10U|7", "AMP|Amplifier|IC1|1"}));
        QCOMPARE(h->ui.texts(), QStringList());
    }

    // Delete writes at once, asks nothing, and goes to the next row, or to
    // the last when there is none; the last row of a BOM goes quietly.
    void deleteRows_data()
    {
        QTest::addColumn<QString>("bom");
        QTest::addColumn<int>("start");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("after");
        QTest::newRow("first") << "AMP" << 1 << QStringList{"C10U", "IC1"} << 1;
        QTest::newRow("middle") << "AMP" << 2 << QStringList{"R100", "IC1"} << 2;
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
        QVERIFY(w);
        QVERIFY(w->recordset()->moveTo(start));
        QTest::mouseClick(w->cmdDelete, Qt::LeftButton);
        QCOMPARE(h->ui.texts(), QStringList());
        QCOMPARE(column(w, PartNoColumn), left);
        QStringList stillStored;
        for (const QString &r : stored("where BoardPN = '" + bom + "'"))
            stillStored << r.section('|', 2, 2);
        QCOMPARE(stillStored, left);
        if (after > 0) {
            QCOMPARE(row(w), after);
            return;
        }
        // The empty BOM takes a first row again.
        QTest::mouseClick(w->cmdAdd, Qt::LeftButton);
        typeInCell(w, 0, PartNoColumn, "HW2");
        typeInCell(w, 0, QtyColumn, "3");
        QTest::mouseClick(w->cmdUpdate, Qt::LeftButton);
        QCOMPARE(h->ui.texts(), QStringList());
        QCOMPARE(stored("where BoardPN = 'KIT'"), QStringList{"KIT|Kit|HW2|3"});
        QCOMPARE(column(w, PartNoColumn), QStringList{"HW2"});
    }

    // Refresh reads the BOM again, with what others wrote meanwhile.
    void refresh()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        BoardBomWindow *other = loaded("AMP");
        QVERIFY(other && other != w);
        QTest::mouseClick(other->cmdAdd, Qt::LeftButton);
        typeInCell(other, 3, PartNoColumn, "L1");
        QTest::mouseClick(other->cmdUpdate, Qt::LeftButton);
        QCOMPARE(column(w, PartNoColumn).size(), 3);
        h->main.mdiArea()->setActiveSubWindow(w->subWindow());
        QTest::mouseClick(w->cmdEdit, Qt::LeftButton);
        QTest::mouseClick(w->cmdCancel, Qt::LeftButton);
        QVERIFY(visible(w->cmdRefresh));
        QTest::mouseClick(w->cmdRefresh, Qt::LeftButton);
        QCOMPARE(column(w, PartNoColumn), QStringList({"R100", "C10U", "IC1", "L1"}));
        QCOMPARE(row(w), 1);
        QCOMPARE(h->ui.texts(), QStringList());
    }

    // Two editors at once: what each adds belongs to its own BOM. Rows left
    // without a number by an earlier run join the BOM of the first editor
    // closed with a BOM loaded; an editor without one changes nothing.
    void twoEditors()
    {
        BoardBomWindow *amp = loaded("AMP");
        BoardBomWindow *kit = loaded("KIT");
        BoardBomWindow *empty = open();
        QVERIFY(amp && kit && empty);
        h->main.mdiArea()->setActiveSubWindow(amp->subWindow());
        QTest::mouseClick(amp->cmdAdd, Qt::LeftButton);
        typeInCell(amp, 3, PartNoColumn, "A-NEW");
        h->main.mdiArea()->setActiveSubWindow(kit->subWindow());
        QTest::mouseClick(kit->cmdAdd, Qt::LeftButton);
        typeInCell(kit, 1, PartNoColumn, "K-NEW");
        QTest::mouseClick(kit->cmdUpdate, Qt::LeftButton);
        h->main.mdiArea()->setActiveSubWindow(amp->subWindow());
        QTest::mouseClick(amp->cmdUpdate, Qt::LeftButton);
        QCOMPARE(stored("where PartNo like '%-NEW'"), QStringList({"KIT|Kit|K-NEW|~", "AMP|Amplifier|A-NEW|~"}));

        closeWindow(empty);
        QCOMPARE(stored("where PartNo = 'ORPHAN'"), QStringList{"~|~|ORPHAN|1"});
        typeAndEnter(kit->txtPartNo, "NONE"); // not found: KIT stays loaded
        closeWindow(kit);
        closeWindow(amp);
        QCOMPARE(stored("where PartNo = 'ORPHAN'"), QStringList{"KIT|Kit|ORPHAN|1"});
        QCOMPARE(h->ui.texts(), QStringList{"BOM was not found!"});
    }

    // Closing: the BOM loaded gives its number to rows left without one,
    // whatever the number field holds by then.
    void closing_data()
    {
        QTest::addColumn<QStringList>("typed"); // each typed and submitted; "*" types without submitting
        QTest::addColumn<QString>("orphan");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("nothing loaded") << QStringList() << "~|~|ORPHAN|1" << QStringList();
        QTest::newRow("nothing found") << QStringList{"NONE"} << "~|~|ORPHAN|1" << QStringList{"BOM was not found!"};
        QTest::newRow("loaded") << QStringList{"AMP"} << "AMP|Amplifier|ORPHAN|1" << QStringList();
        QTest::newRow("number changed after loading") << QStringList{"AMP", "*KIT"} << "AMP|Amplifier|ORPHAN|1" << QStringList();
        QTest::newRow("second BOM loaded") << QStringList{"AMP", "KIT"} << "KIT|Kit|ORPHAN|1" << QStringList();
        QTest::newRow("null description") << QStringList{"PSU"} << "PSU|~|ORPHAN|1" << QStringList();
    }
    void closing()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, orphan);
        QFETCH(QStringList, messages);
        BoardBomWindow *w = open();
        QVERIFY(w);
        for (const QString &t : typed)
            typeAndEnter(w->txtPartNo, t.startsWith('*') ? t.mid(1) : t, !t.startsWith('*'));
        const QStringList others = stored("where PartNo <> 'ORPHAN'");
        closeWindow(w);
        QCOMPARE(stored("where PartNo = 'ORPHAN'"), QStringList{orphan});
        QCOMPARE(stored("where PartNo <> 'ORPHAN'"), others);
        QCOMPARE(h->ui.texts(), messages);
    }

    // A closed connection at closing is no error worth telling.
    void closingWithoutConnection()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        h->env.app.database().close();
        closeWindow(w);
        QCOMPARE(h->ui.texts(), QStringList());
    }

    // The Edit menu works on the grid's current cell; Copy of a selection
    // gives tab-separated lines. In the number field it works on the text.
    void editMenu()
    {
        BoardBomWindow *w = loaded("AMP");
        QVERIFY(w);
        QClipboard *clipboard = QGuiApplication::clipboard();
        GridView *g = w->grdDataGrid;
        g->setFocus(Qt::OtherFocusReason);
        g->setCurrentIndex(g->model()->index(0, PartNoColumn));
        h->main.run(CommandId::EditCopy);
        QCOMPARE(clipboard->text(), "R100");

        g->selectionModel()->select(QItemSelection(g->model()->index(0, PartNoColumn), g->model()->index(1, QtyColumn)),
                                    QItemSelectionModel::ClearAndSelect);
        h->main.run(CommandId::EditCopy);
        QCOMPARE(clipboard->text().trimmed(), "R100\t2\nC10U\t1");

        g->setCurrentIndex(g->model()->index(2, PartNoColumn));
        clipboard->setText("IC2");
        h->main.run(CommandId::EditPaste);
        g->setCurrentIndex(g->model()->index(0, PartNoColumn));
        h->main.run(CommandId::EditCut);
        QCOMPARE(clipboard->text(), "R100");
        QTest::mouseClick(w->cmdEdit, Qt::LeftButton);
        QTest::mouseClick(w->cmdUpdate, Qt::LeftButton);
        QCOMPARE(column(w, PartNoColumn), QStringList({"", "C10U", "IC2"}));
        QVERIFY(stored().contains("AMP|Amplifier|IC2|1"));

        typeAndEnter(w->txtPartNo, "KIT", false);
        w->txtPartNo->selectAll();
        h->main.run(CommandId::EditCopy);
        QCOMPARE(clipboard->text(), "KIT");
        QCOMPARE(h->ui.texts(), QStringList());
    }
};

QTEST_MAIN(TestBomEditor)
#include "tst_bomeditor.moc"
