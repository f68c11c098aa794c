// The New BOM window, driven inside a main window with real keys and scripted
// answers; stored rows are read through a second connection.
#include "bom/addnewbomwindow.h"
#include "bom/boardbomwindow.h"
#include "bom/bomoperations.h"
#include "ui/entryfields.h"
#include "ui/gridview.h"
#include "bomfixture.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace BomFixture;

namespace {

const QString Overflow = QStringLiteral("Error No 6\r\nOverflow has occured.");

struct Entry
{
    QString boardNo, description, partNo, quantity;
};

// Walks the Enter chain from the BOM number to the quantity, where Enter submits.
void enter(AddNewBomWindow *w, const Entry &e)
{
    const QList<QPair<QLineEdit *, QString>> chain = {{w->txtBoardNo, e.boardNo},
                                                      {w->txtDescription, e.description},
                                                      {w->txtPartNo, e.partNo},
                                                      {w->txtQuantity, e.quantity}};
    for (const auto &[field, text] : chain) {
        QVERIFY2(field->hasFocus(), qPrintable(field->objectName()));
        QCOMPARE(field->palette().color(QPalette::Base), EntryFields::highlightColor());
        typeAndEnter(field, text);
    }
}

// Submits one more component of the BOM already typed.
void component(AddNewBomWindow *w, const QString &partNo, const QString &quantity)
{
    typeAndEnter(w->txtPartNo, partNo);
    typeAndEnter(w->txtQuantity, quantity);
}

QStringList fields(const AddNewBomWindow *w)
{
    return {w->txtBoardNo->text(), w->txtDescription->text(), w->txtPartNo->text(), w->txtQuantity->text()};
}

// The rows the grid lists, as "BoardPN|Description|PartNo|QtyUsed".
QStringList gridRows(const GridView *grid)
{
    QStringList rows;
    const QAbstractItemModel *m = grid->model();
    for (int r = 0; m && r < m->rowCount(); ++r) {
        QStringList values;
        for (int c = 0; c < m->columnCount(); ++c)
            values << m->index(r, c).data().toString();
        rows << values.join('|');
    }
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Entry)

class TestNewBom : public QObject
{
    Q_OBJECT

    std::unique_ptr<Harness> h;

    AddNewBomWindow *start(const QString &rows = Boms)
    {
        h = std::make_unique<Harness>(rows);
        return h->open<AddNewBomWindow>(CommandId::NewBOM);
    }
    QStringList stored() { return storedRows(h->env.app.databasePath()); }

private slots:
    void cleanup() { h.reset(); }

    // One Submit in a fresh window over an empty BoardBOM table. Checks run in
    // the order of the fields; only the first failure is told, and a refused
    // Submit writes nothing and keeps every field.
    void submit_data()
    {
        QTest::addColumn<Entry>("entry");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("row"); // as stored; empty when refused
        QTest::newRow("plain") << Entry{"B1", "Board", "R1", "2"} << "" << "" << "B1|Board|R1|2";
        QTest::newRow("leading blank in quantity") << Entry{"B1", "Board", "R1", " 2"} << "" << "" << "B1|Board|R1|2";
        QTest::newRow("fraction") << Entry{"B1", "Board", "R1", "0.25"} << "" << "" << "B1|Board|R1|0.25";
        QTest::newRow("thousands read up to the comma") << Entry{"B1", "Board", "R1", "1,500"} << "" << "" << "B1|Board|R1|1";
        QTest::newRow("exponent") << Entry{"B1", "Board", "R1", "1e3"} << "" << "" << "B1|Board|R1|1000";
        QTest::newRow("negative") << Entry{"B1", "Board", "R1", "-3"} << "" << "" << "B1|Board|R1|-3";
        QTest::newRow("quotes and statement text")
            << Entry{"O'B; DROP TABLE BoardBOM;--", "It's \"big\"", "5' CABLE", "1"} << "" << ""
            << "O'B; DROP TABLE BoardBOM;--|It's \"big\"|5' CABLE|1";
        QTest::newRow("blanks are a BOM number") << Entry{"  ", " ", " ", "1"} << "" << "" << "  | | |1";
        QTest::newRow("non-Latin") << Entry{QString::fromUtf8("Плата-Ω"), QString::fromUtf8("電源"), QString::fromUtf8("µC"), "1"}
                                   << "" << "" << QString::fromUtf8("Плата-Ω|電源|µC|1");
        QTest::newRow("nothing typed") << Entry{"", "", "", ""} << "Enter a Part Name/Number" << "txtBoardNo" << "";
        QTest::newRow("no BOM number") << Entry{"", "Board", "R1", "x"} << "Enter a Part Name/Number" << "txtBoardNo" << "";
        QTest::newRow("no description") << Entry{"B1", "", "", "x"} << "Enter a Description" << "txtDescription" << "";
        QTest::newRow("no component") << Entry{"B1", "Board", "", "x"} << "Enter a Part Number" << "txtPartNo" << "";
        QTest::newRow("no quantity") << Entry{"B1", "Board", "R1", ""} << "Enter a Quantity" << "txtQuantity" << "";
        QTest::newRow("letters after digits") << Entry{"B1", "Board", "R1", "2x"} << "Quantity must be a number" << "txtQuantity" << "";
        QTest::newRow("blank quantity") << Entry{"B1", "Board", "R1", "   "} << "Quantity must be a number" << "txtQuantity" << "";
        QTest::newRow("beyond any number") << Entry{"B1", "Board", "R1", "1e400"} << Overflow << "txtQuantity" << "";
    }
    void submit()
    {
        QFETCH(Entry, entry);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QString, row);
        AddNewBomWindow *w = start(QString());
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), "Add New BOM");
        QVERIFY(!w->grdDataGrid->isVisible());
        enter(w, entry);
        QCOMPARE(h->ui.texts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(stored(), row.isEmpty() ? QStringList() : QStringList{row});
        QCOMPARE(w->bomStarted(), !row.isEmpty());
        if (row.isEmpty()) {
            QCOMPARE(fields(w), QStringList({entry.boardNo, entry.description, entry.partNo, entry.quantity}));
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
            QVERIFY(!w->grdDataGrid->isVisible());
            return;
        }
        QCOMPARE(fields(w), QStringList({entry.boardNo, entry.description, "", ""}));
        QVERIFY(w->txtPartNo->hasFocus());
        QVERIFY(w->grdDataGrid->isVisible());
        QCOMPARE(gridRows(w->grdDataGrid), QStringList{row});
    }

    // The BOM number typed into a fresh window has rows already (compared as
    // the database compares): Yes hands over to the editor, No refuses.
    void alreadyListed_data()
    {
        QTest::addColumn<QString>("boardNo");
        QTest::addColumn<bool>("yes");
        QTest::newRow("yes") << "AMP" << true;
        QTest::newRow("yes, other letter case") << "amp" << true;
        QTest::newRow("no") << "AMP" << false;
        QTest::newRow("no, other letter case") << "Amp" << false;
    }
    void alreadyListed()
    {
        QFETCH(QString, boardNo);
        QFETCH(bool, yes);
        AddNewBomWindow *w = start();
        QVERIFY(w);
        const QStringList before = stored();
        h->ui.answers << (yes ? UserInterface::Answer::Yes : UserInterface::Answer::No);
        enter(w, Entry{boardNo, "Another amplifier", "NEW1", "1"});
        QCOMPARE(stored(), before);
        QCOMPARE(h->ui.shown.first().text, "This BOM is already listed.\r\nGo to Edit BOM Section");
        QCOMPARE(h->ui.shown.first().buttons, UserInterface::Buttons::YesNo);
        QCOMPARE(h->ui.shown.first().icon, UserInterface::Icon::None);
        QCOMPARE(h->ui.shown.first().title, "Partwise");
        QVERIFY(!w->bomStarted());
        QCOMPARE(fields(w), QStringList({boardNo, "Another amplifier", "NEW1", "1"}));
        if (!yes) {
            QCOMPARE(h->ui.texts().mid(1), QStringList{"New BOM was not added"});
            QVERIFY(w->isVisible());
            return;
        }
        QCOMPARE(h->ui.shown.size(), 1);
        QVERIFY(!w->frameWidget()->isVisible());
        QVERIFY(h->main.mdiArea()->subWindowList().contains(w->subWindow())); // hidden, still loaded
        auto *editor = qobject_cast<BoardBomWindow *>(h->main.activeChild());
        QVERIFY(editor);
        QVERIFY(!editor->hasBom());
        QVERIFY(editor->txtPartNo->hasFocus());

        // A second New BOM window hands over to the same editor, still open.
        auto *other = h->open<AddNewBomWindow>(CommandId::NewBOM);
        QVERIFY(other && other != w);
        h->ui.answers << UserInterface::Answer::Yes;
        enter(other, Entry{"KIT", "k", "p", "1"});
        QCOMPARE(h->main.activeChild(), editor);
        QCOMPARE(h->main.mdiArea()->subWindowList().size(), 3);
    }

    // Once this window has written a row, Submit asks no more: the rows found
    // are its own, or the user moved on to a BOM that exists. Only the exact
    // duplicate test applies: letter case and blanks make another component.
    void components_data()
    {
        QTest::addColumn<QString>("boardNo");
        QTest::addColumn<QString>("partNo");
        QTest::addColumn<bool>("refused");
        QTest::newRow("same component") << "NEW" << "R1" << true;
        QTest::newRow("component in small letters") << "NEW" << "r1" << false;
        QTest::newRow("component with a trailing blank") << "NEW" << "R1 " << false;
        QTest::newRow("component with a leading blank") << "NEW" << " R1" << false;
        QTest::newRow("another component") << "NEW" << "R2" << false;
        QTest::newRow("BOM number in small letters") << "new" << "R1" << false;
        QTest::newRow("existing BOM, its component") << "AMP" << "R100" << true;
        QTest::newRow("existing BOM, component in other case") << "AMP" << "r100" << false;
        QTest::newRow("existing BOM, new component") << "AMP" << "R1" << false;
        QTest::newRow("existing BOM typed in other case") << "amp" << "R100" << false;
        QTest::newRow("number of the row without one") << "NEW" << "ORPHAN" << false;
    }
    void components()
    {
        QFETCH(QString, boardNo);
        QFETCH(QString, partNo);
        QFETCH(bool, refused);
        AddNewBomWindow *w = start();
        QVERIFY(w);
        enter(w, Entry{"NEW", "New board", "R1", "1"});
        QVERIFY(w->bomStarted());
        typeAndEnter(w->txtBoardNo, boardNo);
        typeAndEnter(w->txtDescription, "New board");
        component(w, partNo, "3");
        const QString row = boardNo + "|New board|" + partNo + "|3";
        if (refused) {
            QCOMPARE(h->ui.texts(), QStringList{"This part is already listed."});
            QCOMPARE(h->ui.shown.first().icon, UserInterface::Icon::Critical);
            QVERIFY(!stored().contains(row));
            QCOMPARE(fields(w), QStringList({boardNo, "New board", partNo, "3"}));
            return;
        }
        QCOMPARE(h->ui.texts(), QStringList());
        QCOMPARE(stored().count(row), 1);
        // The grid lists the BOM as the database finds it; the new row is current.
        const QStringList shown = gridRows(w->grdDataGrid);
        QCOMPARE(shown.size(), stored("where BoardPN = '" + boardNo + "'").size());
        QCOMPARE(w->grdDataGrid->currentIndex().row(), shown.size() - 1);
        QCOMPARE(shown.last(), row);
    }
    QStringList stored(const QString &where) { return storedRows(h->env.app.databasePath(), where); }

    // Each row keeps the description that was typed at its own Submit; the
    // grid lists the BOM under the column captions, in the lower half.
    void rowsOfOneBom()
    {
        AddNewBomWindow *w = start(QString());
        QVERIFY(w);
        enter(w, Entry{"B7", "First name", "R1", "1"});
        typeAndEnter(w->txtDescription, "Second name");
        component(w, "R2", "2.5");
        component(w, "R1", "9");
        QCOMPARE(h->ui.texts(), QStringList{"This part is already listed."});
        QCOMPARE(stored(), QStringList({"B7|First name|R1|1", "B7|Second name|R2|2.5"}));
        QCOMPARE(gridRows(w->grdDataGrid), stored());
        QCOMPARE(w->grdDataGrid->currentIndex().row(), 1);
        const QAbstractItemModel *m = w->grdDataGrid->model();
        QStringList captions;
        for (int c = 0; c < m->columnCount(); ++c)
            captions << m->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, QStringList({"Main Part No", "Description", "Part Used", "Qty"}));
        const int width = w->grdDataGrid->width();
        QCOMPARE(w->grdDataGrid->columnWidth(1), int(width * 0.4));
        QCOMPARE(w->grdDataGrid->columnWidth(3), int(width * 0.1));
        w->frameWidget()->resize(w->frameWidget()->width(), w->frameWidget()->height() + 101);
        QCOMPARE(w->grdDataGrid->height(), w->height() / 2);
        // The list is read-only: the window's own Submits are what writes.
        QVERIFY(!(m->flags(m->index(0, 2)) & Qt::ItemIsEditable));
    }

    // More rows than a 16-bit count holds: Submit still works, and finds a
    // duplicate at the very end of the table.
    void largeTable()
    {
        const QString many = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
                             "INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) "
                             "SELECT 'BIG' || (i / 10), 'Big', 'P' || i, 1 FROM n;";
        AddNewBomWindow *w = start(many);
        QVERIFY(w);
        enter(w, Entry{"LAST", "Last board", "P1", "1"});
        typeAndEnter(w->txtBoardNo, "BIG4000");
        component(w, "P40000", "1");
        QCOMPARE(h->ui.texts(), QStringList{"This part is already listed."});
        component(w, "P40001", "1");
        QCOMPARE(h->ui.texts().size(), 1);
        QCOMPARE(stored().size(), 40002);
    }

    // A write that fails is told and leaves the fields for another try; the
    // window has not started its BOM.
    void failedWrite()
    {
        AddNewBomWindow *w = start(QString());
        QVERIFY(w);
        QVERIFY(h->env.exec("CREATE TRIGGER refuse BEFORE INSERT ON BoardBOM BEGIN SELECT RAISE(ABORT, 'row refused'); END"));
        enter(w, Entry{"B1", "Board", "R1", "1"});
        QCOMPARE(h->ui.texts(), QStringList{"Error No 1811\r\nrow refused has occured."});
        QCOMPARE(fields(w), QStringList({"B1", "Board", "R1", "1"}));
        QVERIFY(!w->bomStarted());
        QVERIFY(h->env.exec("DROP TRIGGER refuse"));
        QTest::mouseClick(w->cmdAdd, Qt::LeftButton);
        QCOMPARE(stored(), QStringList{"B1|Board|R1|1"});
    }
};

QTEST_MAIN(TestNewBom)
#include "tst_newbom.moc"
