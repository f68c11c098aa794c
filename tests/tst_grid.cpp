// The grid shared by the listing windows and the bound editors: its sort
// rule, shading by position, heading clicks, Copy, and the bound mode that
// writes edits back through a result set.
#include "data/database.h"
#include "data/recordset.h"
#include "ui/gridmodel.h"
#include "ui/gridview.h"
#include "testenvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

namespace {

// Texts of one column from top to bottom; null shows as "<null>".
QStringList column(const GridModel &m, int c)
{
    QStringList out;
    for (int r = 0; r < m.rowCount(); ++r)
        out << (m.value(r, c).isNull() ? QStringLiteral("<null>") : m.text(r, c));
    return out;
}

// One BoardBOM row per text, in the given order (rowid order).
bool addBomNumbers(TestEnvironment &env, const QStringList &texts)
{
    for (const QString &t : texts) {
        const QVariant number = t == QLatin1String("<null>") ? QVariant() : QVariant(t);
        if (!env.exec(QStringLiteral("INSERT INTO BoardBOM (BoardPN) VALUES (?)"), {number}))
            return false;
    }
    return true;
}

// What the database file holds, read through a connection of its own.
QStringList stored(TestEnvironment &env, const QString &sql)
{
    Database other(QStringLiteral("second"));
    QStringList out;
    if (!other.open(env.app.databasePath()))
        return {QStringLiteral("cannot open: ") + other.errorString()};
    {
        QSqlQuery q(other.handle());
        if (!q.exec(sql))
            return {QStringLiteral("failed: ") + sql};
        while (q.next())
            out << q.value(0).toString();
    }
    other.close();
    return out;
}

QPoint headingPoint(GridView &v, int column)
{
    QHeaderView *h = v.horizontalHeader();
    return QPoint(h->sectionViewportPosition(column) + h->sectionSize(column) / 2,
                  h->height() / 2);
}

bool load(GridModel &m, TestEnvironment &env, const char *sql)
{
    return env.isValid() && m.loadQuery(env.app.database(), QString::fromUtf8(sql));
}

bool openKeyset(Recordset &set, TestEnvironment &env, const char *sql, const QVariantList &args = {})
{
    return env.isValid()
        && set.open(env.app.database(), QString::fromUtf8(sql), args, Recordset::Kind::Keyset);
}

bool showView(GridView &v, GridModel &m)
{
    v.setGridModel(&m);
    v.resize(400, 300);
    v.show();
    return QTest::qWaitForWindowExposed(&v);
}

} // namespace

class TestGrid : public QObject
{
    Q_OBJECT
private slots:
    void sortRule_data();
    void sortRule();
    void sortOfNumberColumns();
    void headingClicks_data();
    void headingClicks();
    void dragHeading_data();
    void dragHeading();
    void copy_data();
    void copy();
    void largeGrid();
    void boundGridWritesBack();
    void boundGridFollowsTheSet();
    void boundGridRefusedWrite();
    void editableCopyCutPaste();
};

void TestGrid::sortRule_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QStringList>("expected");
    using L = QStringList;
    QTest::newRow("numbers as numbers") << L({"10", "9", "100", "-2", "1.5"}) << false
                                        << L({"-2", "1.5", "9", "10", "100"});
    // Without regard to case, as the database folds: A-Z only, to lower case,
    // so "_" sorts before letters and an accented letter after every plain one.
    QTest::newRow("A-Z folded only") << L({"\xc3\xa9t\xc3\xa9", "Zed", "_x", "Echo", "a"}) << false
                                     << L({"_x", "a", "Echo", "Zed", "\xc3\xa9t\xc3\xa9"});
    QTest::newRow("number text is not a number") << L({"1,000", "2", "1.000.0", "10"}) << false
                                                 << L({"1,000", "1.000.0", "2", "10"});
    QTest::newRow("mixed: numbers among text compare as text")
        << L({"x", "10", "9", "A1"}) << false << L({"9", "10", "A1", "x"});
    QTest::newRow("empty cells first ascending") << L({"b", "<null>", "a", "", "1"}) << false
                                                 << L({"<null>", "", "1", "a", "b"});
    QTest::newRow("empty cells last descending") << L({"b", "<null>", "a", "", "1"}) << true
                                                 << L({"b", "a", "1", "<null>", ""});
}

void TestGrid::sortRule()
{
    QFETCH(QStringList, cells);
    QFETCH(bool, descending);
    QFETCH(QStringList, expected);
    TestEnvironment env;
    QVERIFY(env.isValid() && addBomNumbers(env, cells));
    GridModel m;
    QVERIFY(load(m, env, "SELECT BoardPN FROM BoardBOM ORDER BY rowid"));
    QCOMPARE(column(m, 0), cells);
    m.sort(0, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    QCOMPARE(column(m, 0), expected);
}

void TestGrid::sortOfNumberColumns()
{
    // Stored numbers sort as numbers and show in plain decimal; a Boolean
    // column shows and sorts as its text; every sort is stable.
    TestEnvironment env(QStringLiteral(
        "INSERT INTO Inventory (PartNo, UnitCost, CurrentInv, Bin) VALUES ('A', 10, -3, 1),"
        "('B', 0.0005, 200, 0), ('C', 2.5, NULL, NULL), ('D', 123456789012, 7, 1);"));
    GridModel m;
    QVERIFY(load(m, env, "SELECT PartNo, UnitCost, CurrentInv, Bin FROM Inventory"));
    m.setBooleanColumn(3);
    m.sort(1);
    QCOMPARE(column(m, 1), QStringList({"0.0005", "2.5", "10", "123456789012"}));
    m.sort(2, Qt::DescendingOrder);
    QCOMPARE(column(m, 2), QStringList({"200", "7", "-3", "<null>"}));
    m.sort(3);
    QCOMPARE(column(m, 3), QStringList({"<null>", "False", "True", "True"}));
    // Stable: D came before A in the previous sort.
    QCOMPARE(column(m, 0), QStringList({"C", "B", "D", "A"}));
}

void TestGrid::headingClicks_data()
{
    QTest::addColumn<QList<int>>("clicks"); // heading columns; -1: a data cell
    QTest::addColumn<QStringList>("firstColumn");
    QTest::addColumn<int>("sortType");
    QTest::newRow("second click descending")
        << QList<int>{0, 0} << QStringList{"C", "B", "A"} << 2;
    QTest::newRow("another heading starts ascending")
        << QList<int>{0, 0, 1} << QStringList{"C", "A", "B"} << 1;
    QTest::newRow("back to the first heading: ascending")
        << QList<int>{0, 0, 1, 0} << QStringList{"A", "B", "C"} << 1;
    QTest::newRow("data cell does not sort")
        << QList<int>{-1} << QStringList{"B", "C", "A"} << 0;
}

void TestGrid::headingClicks()
{
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, firstColumn);
    QFETCH(int, sortType);
    TestEnvironment env(QStringLiteral(
        "INSERT INTO BoardBOM (BoardPN, Description) VALUES ('B', 'z'), ('C', 'x'), ('A', 'y');"));
    GridModel m;
    QVERIFY(load(m, env, "SELECT BoardPN AS BOM, Description FROM BoardBOM ORDER BY rowid"));
    GridView v;
    QVERIFY(showView(v, m));
    for (int c : clicks) {
        if (c < 0)
            QTest::mouseClick(v.viewport(), Qt::LeftButton, {},
                              v.visualRect(m.index(1, 0)).center());
        else
            QTest::mouseClick(v.horizontalHeader()->viewport(), Qt::LeftButton, {},
                              headingPoint(v, c));
    }
    QCOMPARE(column(m, 0), firstColumn);
    QCOMPARE(v.sortType(), sortType);
}

void TestGrid::dragHeading_data()
{
    QTest::addColumn<int>("distance"); // pixels to the left of where the press was
    QTest::addColumn<QList<int>>("visualOrder");
    QTest::addColumn<int>("sortType");
    // A drag onto the first heading moves the column; a press and release
    // that hardly moved is a click, which sorts and moves nothing.
    QTest::newRow("dragged onto the first heading") << -1 << QList<int>{1, 0} << 0;
    QTest::newRow("barely moved") << 1 << QList<int>{0, 1} << 1;
}

void TestGrid::dragHeading()
{
    QFETCH(int, distance);
    QFETCH(QList<int>, visualOrder);
    QFETCH(int, sortType);
    TestEnvironment env(QStringLiteral(
        "INSERT INTO BoardBOM (BoardPN, Description) VALUES ('B', 'z'), ('A', 'y');"));
    GridModel m;
    QVERIFY(load(m, env, "SELECT BoardPN AS BOM, Description FROM BoardBOM"));
    GridView v;
    QVERIFY(showView(v, m));
    QWidget *heading = v.horizontalHeader()->viewport();
    const QPoint from = headingPoint(v, 1);
    const QPoint to = distance < 0 ? headingPoint(v, 0) - QPoint(10, 0)
                                   : from - QPoint(distance, 0);
    QTest::mousePress(heading, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(heading, from + (to - from) * step / 4);
    QTest::mouseRelease(heading, Qt::LeftButton, {}, to);
    QList<int> order;
    for (int visual = 0; visual < 2; ++visual)
        order << v.horizontalHeader()->logicalIndex(visual);
    QCOMPARE(order, visualOrder);
    QCOMPARE(v.sortType(), sortType);
}

void TestGrid::copy_data()
{
    QTest::addColumn<QList<int>>("selectRows");
    QTest::addColumn<bool>("hideBom");
    QTest::addColumn<QString>("expected");
    // Sorted by Qty descending, Description moved in front of BOM.
    QTest::newRow("all rows when none selected")
        << QList<int>{} << false
        << QStringLiteral("Description\tBOM\tQty\n"
                          "\"Tab\"\"here\"\tB\t12.5\n"
                          "\"two\tcells\"\tA\t3\n"
                          "\tC\t0.0005\n");
    QTest::newRow("a hidden column is left out")
        << QList<int>{1} << true
        << QStringLiteral("Description\tQty\n"
                          "\"two\tcells\"\t3\n");
}

void TestGrid::copy()
{
    QFETCH(QList<int>, selectRows);
    QFETCH(bool, hideBom);
    QFETCH(QString, expected);
    TestEnvironment env(QStringLiteral(
        "INSERT INTO BoardBOM (BoardPN, Description, QtyUsed) VALUES ('A', 'two' || char(9) || "
        "'cells', 3), ('B', 'Tab\"here', 12.5), ('C', NULL, 0.0005);"));
    GridModel m;
    QVERIFY(load(m, env, "SELECT BoardPN AS BOM, Description, QtyUsed AS Qty "
                         "FROM BoardBOM ORDER BY rowid"));
    GridView v;
    v.setGridModel(&m);
    v.headingClicked(2);
    v.headingClicked(2);
    v.horizontalHeader()->moveSection(1, 0);
    v.setColumnHidden(0, hideBom);
    for (int r : selectRows)
        v.selectionModel()->select(m.index(r, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QVERIFY(v.supports(StandardAction::Copy));
    QVERIFY(!v.supports(StandardAction::Paste));
    v.perform(StandardAction::Copy);
    QCOMPARE(QApplication::clipboard()->text(), expected);
}

void TestGrid::largeGrid()
{
    // Beyond what a 16-bit row counter could reach, every row is read,
    // sorted and shaded by position.
    TestEnvironment env;
    QVERIFY(env.isValid() && env.exec(QStringLiteral(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 70000) "
        "INSERT INTO Inventory (PartNo, CurrentInv) SELECT printf('P%06d', i), i % 1000 FROM n")));
    GridModel m;
    QVERIFY(load(m, env, "SELECT PartNo, CurrentInv FROM Inventory ORDER BY PartNo"));
    QCOMPARE(m.rowCount(), 70000);
    m.sort(0, Qt::DescendingOrder);
    QCOMPARE(m.text(0, 0), QStringLiteral("P070000"));
    QCOMPARE(m.text(69999, 0), QStringLiteral("P000001"));
    QCOMPARE(m.data(m.index(40001, 0), Qt::BackgroundRole).value<QColor>(), GridModel::greyRow());
    QCOMPARE(m.data(m.index(69998, 0), Qt::BackgroundRole).value<QColor>(),
             GridModel::whiteRow());
    m.sort(1);
    QCOMPARE(m.text(69999, 1), QStringLiteral("999"));
    // Stable: among equal stocks the previous order (descending part numbers) holds.
    QCOMPARE(m.text(0, 0), QStringLiteral("P070000"));
}

void TestGrid::boundGridWritesBack()
{
    TestEnvironment env(QStringLiteral(
        "INSERT INTO BoardBOM (BoardPN, PartNo, QtyUsed) VALUES ('K1', 'R1', 2), ('K1', 'C1', 1);"));
    Recordset set;
    QVERIFY(openKeyset(set, env, "SELECT PartNo, QtyUsed FROM BoardBOM WHERE BoardPN = ? "
                                 "ORDER BY rowid", {QStringLiteral("K1")}));
    GridModel m;
    m.bind(&set);
    QVERIFY(m.flags(m.index(0, 1)) & Qt::ItemIsEditable);

    // Sorted, the shown row 0 is the stored row C1.
    m.sort(0);
    QVERIFY(m.setData(m.index(0, 1), QStringLiteral("0.25")));
    QVERIFY(m.setData(m.index(1, 0), QString()));
    QCOMPARE(set.value(QStringLiteral("PartNo")), QVariant()); // R1's row is current
    QCOMPARE(stored(env, QStringLiteral("SELECT ifnull(PartNo, '<null>') || ' ' || QtyUsed "
                                        "FROM BoardBOM ORDER BY rowid")),
             QStringList({"<null> 2.0", "C1 0.25"}));

    // Adding: the new row shows last while it is typed, then stays.
    QVERIFY(set.addNew());
    QCOMPARE(m.currentRow(), 2);
    QVERIFY(m.setData(m.index(2, 0), QStringLiteral("L1")));
    QVERIFY(set.update());
    QCOMPARE(m.rowCount(), 3);
    QVERIFY(column(m, 0).contains(QStringLiteral("L1")));

    // Deleting the current row, then a requery, shrink the grid.
    QVERIFY(set.moveFirst());
    QVERIFY(set.deleteCurrent());
    QCOMPARE(m.rowCount(), 2);
    // The added row has no BOM number, so the requery leaves one row.
    QVERIFY(set.requery());
    QCOMPARE(m.rowCount(), 1);
}

void TestGrid::boundGridFollowsTheSet()
{
    TestEnvironment env;
    Recordset set;
    QVERIFY(env.isValid() && addBomNumbers(env, {"A", "B", "C"}));
    QVERIFY(openKeyset(set, env, "SELECT BoardPN FROM BoardBOM ORDER BY rowid"));
    GridModel m;
    m.bind(&set);
    GridView v;
    QVERIFY(showView(v, m));
    QVERIFY(set.moveLast());
    QCOMPARE(v.currentIndex().row(), 2);
    // A click on a row moves the set there.
    QTest::mouseClick(v.viewport(), Qt::LeftButton, {}, v.visualRect(m.index(1, 0)).center());
    QCOMPARE(set.absolutePosition(), qsizetype(2));
    QCOMPARE(set.value(0).toString(), QStringLiteral("B"));
    // A heading sorts the bound grid too; the current row goes with it.
    v.headingClicked(0);
    v.headingClicked(0);
    QCOMPARE(column(m, 0), QStringList({"C", "B", "A"}));
    QVERIFY(set.moveFirst());
    QCOMPARE(v.currentIndex().row(), 2);
}

void TestGrid::boundGridRefusedWrite()
{
    TestEnvironment env(QStringLiteral("INSERT INTO Users (User, Password) VALUES ('ann', 'x'),"
                                       "('bob', 'y');"));
    Recordset set;
    QVERIFY(openKeyset(set, env, "SELECT User FROM Users ORDER BY User"));
    GridModel m;
    m.bind(&set);
    QSignalSpy failed(&m, &GridModel::writeFailed);
    // A second "ann" breaks the unique rule: refused, reported, and the
    // grid shows what is stored.
    QVERIFY(!m.setData(m.index(1, 0), QStringLiteral("ANN")));
    QCOMPARE(failed.size(), 1);
    QVERIFY(m.error().isError());
    QCOMPARE(m.text(1, 0), QStringLiteral("bob"));
    QCOMPARE(stored(env, QStringLiteral("SELECT User FROM Users ORDER BY User")),
             QStringList({"ann", "bob"}));
}

void TestGrid::editableCopyCutPaste()
{
    TestEnvironment env(QStringLiteral(
        "INSERT INTO BoardBOM (BoardPN, PartNo, QtyUsed) VALUES ('K', 'R1', 0.5), ('K', 'C1', 4);"));
    Recordset set;
    QVERIFY(openKeyset(set, env, "SELECT PartNo, QtyUsed FROM BoardBOM ORDER BY rowid"));
    GridModel m;
    m.bind(&set);
    GridView v;
    v.setGridModel(&m);
    QVERIFY(v.supports(StandardAction::Cut) && v.supports(StandardAction::Paste));

    v.selectionModel()->select(QItemSelection(m.index(0, 0), m.index(1, 1)),
                               QItemSelectionModel::ClearAndSelect);
    v.perform(StandardAction::Copy);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("R1\t0.5\nC1\t4\n"));

    v.selectionModel()->clearSelection();
    v.setCurrentIndex(m.index(1, 0));
    v.perform(StandardAction::Cut);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("C1"));
    QVERIFY(m.value(1, 0).isNull());
    QApplication::clipboard()->setText(QStringLiteral("D2\tignored\n"));
    v.perform(StandardAction::Paste);
    QCOMPARE(stored(env, QStringLiteral("SELECT PartNo FROM BoardBOM ORDER BY rowid")),
             QStringList({"R1", "D2"}));
}

QTEST_MAIN(TestGrid)
#include "tst_grid.moc"
