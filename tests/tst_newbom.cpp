// The New BOM window, driven inside a main window with real keys and scripted
// answers; stored rows are read through a second connection.
#include "bom/addnewbomwindow.h"
#include "bom/boardbomwindow.h"
#include "ui/entryfields.h"
#include "ui/gridmodel.h"
#include "ui/gridview.h"
#include "ui/twips.h"
#include "bomfixture.h"

#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace BomFixture;

namespace {

struct Entry { QString boardNo, description, partNo, quantity; };
struct Submit { Entry entry; QString message, focus, stored; }; // stored: the row, empty when refused
const char *const Fields[] = {"txtBoardNo", "txtDescription", "txtPartNo", "txtQuantity"};

// Walks the Enter chain from the BOM number to the quantity, where Enter
// submits (`chain`: checking that Enter leads from field to field).
void enter(AddNewBomWindow *w, const Entry &e, bool chain = true)
{
    const QString texts[] = {e.boardNo, e.description, e.partNo, e.quantity};
    for (int i = 0; i < 4; ++i) {
        QVERIFY(!chain || (Drive::focused()->objectName() == Fields[i] && Drive::focused()->palette().color(QPalette::Base) == EntryFields::highlightColor()));
        Drive::fill(w, Fields[i], texts[i], Qt::Key_Return);
    }
}

QStringList fields(const AddNewBomWindow *w)
{
    QStringList texts;
    for (const char *name : Fields)
        texts << Drive::find<QLineEdit>(w, name)->text();
    return texts;
}

// The rows the grid lists, as "BoardPN|Description|PartNo|QtyUsed".
QStringList gridRows(const QObject *w)
{
    const GridView *grid = Drive::find<GridView>(w, "grdDataGrid");
    QStringList rows;
    for (int r = 0; grid->model() && r < grid->model()->rowCount(); ++r) {
        QStringList values;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            values << grid->model()->index(r, c).data().toString();
        rows << values.join('|');
    }
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Submit)

class TestNewBom : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    AddNewBomWindow *start(const QString &rows = Boms)
    {
        h = std::make_unique<Harness>(rows);
        return h->open<AddNewBomWindow>(CommandId::NewBOM);
    }
    QStringList stored(const QString &where = QString()) { return storedRows(h->env.app.databaseAddress(), where); }

private slots:
    void cleanup() { h.reset(); }

    // One Submit in a fresh window over an empty BoardBOM table. Checks run in
    // the order of the fields; only the first failure is told, and a refused
    // Submit writes nothing and keeps every field.
    void submit_data()
    {
        QTest::addColumn<Submit>("row");
        auto ok = [](const char *name, const Entry &e, const QString &row) { QTest::newRow(name) << Submit{e, "", "txtPartNo", row}; };
        ok("plain", {"B1", "Board", "R1", "2"}, "B1|Board|R1|2");
        ok("leading blank in quantity", {"B1", "Board", "R1", " 2"}, "B1|Board|R1|2");
        ok("fraction", {"B1", "Board", "R1", "0.25"}, "B1|Board|R1|0.25");
        ok("thousands read up to the comma", {"B1", "Board", "R1", "1,500"}, "B1|Board|R1|1");
        ok("quotes and statement text", {"O'B; DROP TABLE BoardBOM;--", "It's \"big\"", "5' CABLE", "1"}, "O'B; DROP TABLE BoardBOM;--|It's \"big\"|5' CABLE|1");
        ok("blanks are text", {"  ", " ", " ", "1"}, "  | | |1");
        ok("non-Latin", {"Плата-Ω", "電源", "µC", "1"}, "Плата-Ω|電源|µC|1");
        auto refused = [](const char *name, const Entry &e, const char *message, const char *focus) { QTest::newRow(name) << Submit{e, message, focus, ""}; };
        refused("no BOM number", {"", "Board", "R1", "x"}, "Enter a Part Name/Number", "txtBoardNo");
        refused("no description", {"B1", "", "", "x"}, "Enter a Description", "txtDescription");
        refused("no component", {"B1", "Board", "", "x"}, "Enter a Part Number", "txtPartNo");
        refused("no quantity", {"B1", "Board", "R1", ""}, "Enter a Quantity", "txtQuantity");
        refused("letters after digits", {"B1", "Board", "R1", "2x"}, "Quantity must be a number", "txtQuantity");
        refused("blank quantity", {"B1", "Board", "R1", "   "}, "Quantity must be a number", "txtQuantity");
        refused("beyond any number", {"B1", "Board", "R1", "1e400"}, "Error No 6\r\nOverflow has occured.", "txtQuantity");
    }
    void submit()
    {
        QFETCH(Submit, row);
        const Entry &entry = row.entry;
        AddNewBomWindow *w = start(QString());
        enter(w, entry);
        const QStringList stored = row.stored.isEmpty() ? QStringList() : QStringList{row.stored};
        QCOMPARE(h->ui.texts() + this->stored(), QStringList{row.message}.filter(QRegularExpression(".")) + stored);
        QCOMPARE(Drive::focused()->objectName() + (w->bomStarted() ? " started" : ""), row.focus + (stored.isEmpty() ? "" : " started"));
        QCOMPARE(fields(w), QStringList({entry.boardNo, entry.description}) + (stored.isEmpty() ? QStringList{entry.partNo, entry.quantity} : QStringList{"", ""}));
        QVERIFY(Drive::find<GridView>(w, "grdDataGrid")->isVisible() == !stored.isEmpty() && gridRows(w) == stored);
    }

    // The BOM number typed into a fresh window has rows already (compared as
    // the database compares): Yes hands over to the one shared editor and
    // hides this window; No refuses. Nothing is written either way.
    void alreadyListed_data()
    {
        QTest::addColumn<QString>("boardNo");
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << "AMP" << true;
        QTest::newRow("no, other letter case") << "Amp" << false;
    }
    void alreadyListed()
    {
        QFETCH(QString, boardNo);
        QFETCH(bool, yes);
        AddNewBomWindow *w = start();
        h->main.resize(800, 520); // a workspace lower than the editor
        const QStringList before = stored();
        h->ui.answers << (yes ? UserInterface::Answer::Yes : UserInterface::Answer::No);
        enter(w, Entry{boardNo, "Another amplifier", "NEW1", "1"});
        QCOMPARE(stored(), before);
        const auto question = h->ui.shown.first();
        QCOMPARE(QStringList({question.text, question.title}), QStringList({"This BOM is already listed.\r\nGo to Edit BOM Section", "Partwise"}));
        QVERIFY(question.buttons == UserInterface::Buttons::YesNo && question.icon == UserInterface::Icon::None);
        QVERIFY(fields(w) == QStringList({boardNo, "Another amplifier", "NEW1", "1"}) && !w->bomStarted() && w->frameWidget()->isVisible() == !yes);
        QCOMPARE(h->ui.texts().mid(1), yes ? QStringList() : QStringList{"New BOM was not added"});
        if (!yes)
            return;
        // The editor shows the BOM typed, inside the workspace with its
        // buttons in view; the hidden window is not in the Window menu.
        auto *editor = qobject_cast<BoardBomWindow *>(h->main.activeChild());
        QVERIFY(editor && editor->hasBom() && Drive::find<QLineEdit>(editor, "txtPartNo")->hasFocus() && editor->loadedBom() == boardNo);
        const QRect room = h->main.mdiArea()->viewport()->rect();
        QPushButton *close = Drive::find<QPushButton>(editor, "cmdClose");
        QVERIFY(room.contains(editor->frameWidget()->geometry()) && close->isVisible());
        QVERIFY(room.contains(QRect(close->mapTo(h->main.mdiArea()->viewport(), QPoint(0, 0)), close->size())));
        QMenu *menu = h->main.menu("mnuWindow");
        emit menu->aboutToShow();
        for (const QAction *a : menu->actions())
            QVERIFY2(!a->text().contains("Add New BOM"), qPrintable(a->text()));
        // Another New BOM window hands over to the same editor.
        auto *other = h->open<AddNewBomWindow>(CommandId::NewBOM);
        h->ui.answers << UserInterface::Answer::Yes;
        enter(other, Entry{"KIT", "k", "p", "1"});
        QVERIFY(other != w && h->main.activeChild() == editor && h->main.mdiArea()->subWindowList().size() == 3 && editor->loadedBom() == "KIT");
    }

    // Once this window has written a row, Submit asks no more, also for a BOM
    // that exists. The duplicate test is exact: letter case and blanks make
    // another component, or another BOM.
    void components_data()
    {
        QTest::addColumn<QStringList>("row"); // BOM number, component, refused or not
        QTest::newRow("same component") << QStringList{"NEW", "R1", "refused"};
        QTest::newRow("component in small letters") << QStringList{"NEW", "r1"};
        QTest::newRow("component with a trailing blank") << QStringList{"NEW", "R1 "};
        QTest::newRow("existing BOM, its component") << QStringList{"AMP", "R100", "refused"};
        QTest::newRow("existing BOM, component in other case") << QStringList{"AMP", "r100"};
        QTest::newRow("existing BOM, new component") << QStringList{"AMP", "R1"};
        QTest::newRow("existing BOM typed in other case") << QStringList{"amp", "R100"};
        QTest::newRow("component of the row without a number") << QStringList{"NEW", "ORPHAN"};
    }
    void components()
    {
        QFETCH(QStringList, row);
        const QString boardNo = row[0], partNo = row[1];
        const bool refused = row.size() > 2;
        AddNewBomWindow *w = start();
        enter(w, Entry{"NEW", "New board", "R1", "1"});
        enter(w, Entry{boardNo, "Second name", partNo, "3.5"}, false);
        const QString typed = boardNo + "|Second name|" + partNo + "|3.5";
        QCOMPARE(h->ui.texts() << QString::number(stored().count(typed)), refused ? QStringList({"This part is already listed.", "0"}) : QStringList{"1"});
        QVERIFY(!refused || (h->ui.shown.first().icon == UserInterface::Icon::Critical && fields(w) == QStringList({boardNo, "Second name", partNo, "3.5"})));
        if (refused)
            return;
        // The read-only grid lists the BOM as the database finds it, under its
        // captions, in the window's lower half; the new row is current. Each
        // row keeps the description typed for its own Submit.
        const QStringList shown = gridRows(w);
        QCOMPARE(shown, stored("where BoardPN = '" + boardNo + "'"));
        QVERIFY(shown.last() == typed && (boardNo != "NEW" || shown.first() == "NEW|New board|R1|1"));
        const GridView *grid = Drive::find<GridView>(w, "grdDataGrid");
        QCOMPARE(grid->gridModel()->headings(), QStringList({"Main Part No", "Description", "Part Used", "Qty"}));
        QVERIFY(grid->currentIndex().row() == shown.size() - 1 && grid->columnWidth(1) == int(grid->width() * 0.4) && !(grid->model()->flags(grid->model()->index(0, 2)) & Qt::ItemIsEditable));
        w->frameWidget()->resize(w->frameWidget()->width(), w->frameWidget()->height() + 101);
        QCOMPARE(grid->height(), w->height() / 2);
    }

    // More rows than a 16-bit count holds: the duplicate test still finds the
    // table's last row.
    void largeTable()
    {
        AddNewBomWindow *w = start("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
                                   "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) SELECT 'BIG' || (i / 10), 'Big', 'P' || i, 1 FROM n;");
        QVERIFY(w);
        enter(w, Entry{"NEW", "New", "P1", "1"});
        enter(w, Entry{"BIG4000", "New", "P40000", "1"}, false);
        QCOMPARE(h->ui.texts() << QString::number(stored().size()), QStringList({"This part is already listed.", "40001"}));
    }
};

QTEST_MAIN(TestNewBom)
#include "tst_newbom.moc"
