#pragma once

#include "data/dberror.h"
#include "data/recordset.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QVariantList>
#include <QVector>
#include <memory>
#include <vector>

class Database;

// The rows of a grid. Either read-only over a query, all of whose rows it
// reads at once into compact storage (so that sorting, counting and
// scrolling see every row), or bound to a result set that a window owns and
// moves through: it then shows that set's rows, follows its current row and
// writes cell edits back through it.
//
// Rows are shown in the order of the last sort(); the data rows alternate
// white and grey by position, so the shading follows the rows after a sort.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static QColor whiteRow();
    static QColor greyRow();

    explicit GridModel(QObject *parent = nullptr);
    ~GridModel() override;

    // Reads every row of the query. False leaves the grid empty and the
    // reason in error().
    bool loadQuery(Database &db, const QString &sql, const QVariantList &values = {});
    // Shows the rows of a result set the caller owns and keeps open; edits
    // go back through it. Null unbinds.
    void bind(Recordset *set);
    Recordset *recordset() const { return m_set; }
    bool isEditable() const { return m_set != nullptr; }
    // Bound grid: whether a cell edit is written at once (the default), or
    // only when the result set writes the row (its update() or a move off the
    // row).
    void setWriteEachEdit(bool atOnce) { m_writeEachEdit = atOnce; }

    DbError error() const { return m_error; }

    // The column's values are Booleans, shown as "True" and "False".
    void setBooleanColumn(int column, bool boolean = true);

    // The raw value and the shown text of a cell, by shown row and column.
    QVariant value(int row, int column) const;
    QString text(int row, int column) const;
    // The headings shown: the column names, or the captions set for them.
    QStringList headings() const;
    // Shows a caption over a column in place of its name (a bound grid still
    // writes the column by its name). Kept until the next loadQuery() or bind().
    void setCaption(int column, const QString &caption);

    // Orders all rows by the column: numbers as numbers when both cells read
    // as numbers, text otherwise (letters A-Z without regard to case, as the
    // database compares); empty cells first in ascending order. Stable, so
    // rows that compare equal keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // Bound grid: the shown row of the set's current row (-1 when none), and
    // moving the set to a shown row.
    int currentRow() const;
    bool setCurrentRow(int row);

    // Re-reads the bound set's rows (after an add, delete or requery the
    // model notices by itself).
    void refresh();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    // The bound set moved to another row; -1 when it has no current row.
    void currentRowChanged(int row);
    // A write through the bound set failed; the reason is in error().
    void writeFailed(const DbError &error);

private:
    // One stored value in 16 bytes: a number in place, or text as a stretch
    // of the shared pool (a QVariant per cell would double the memory of a
    // large catalogue).
    struct Cell
    {
        enum Type : quint8 { Null, Int, Double, Bool, Text };
        quint64 bits = 0; // the number, or the text's pool block (high half) and offset
        quint32 length = 0;
        Type type = Null;
    };
    class Reader;
    struct SortKey;

    qsizetype sourceRow(int row) const { return m_order.isEmpty() ? row : m_order.at(row); }
    qsizetype sourceRowCount() const;
    QVariant sourceValue(qsizetype row, int column) const;
    QString cellText(const QVariant &value, int column) const;
    void buildOrder();
    void applySort(bool notify);
    void onContentChanged();
    void onMoved();

    // Read-only storage: row-major cells and the text they point into, both
    // in blocks, which grow without moving what was read.
    static constexpr int CellBlockBits = 14;
    static constexpr qsizetype TextBlockUnits = qsizetype(1) << 20;
    const Cell &cellAt(qsizetype row, int column) const;
    const char16_t *textOf(const Cell &cell) const;
    void appendCell(const Cell &cell);
    Cell textCell(const QString &text);
    void clearStore();
    std::vector<std::unique_ptr<Cell[]>> m_cellBlocks;
    qsizetype m_cellCount = 0;
    std::vector<std::unique_ptr<char16_t[]>> m_textBlocks;
    qsizetype m_textUsed = 0; // in the last text block
    qsizetype m_rows = 0;
    int m_columns = 0;
    QStringList m_headings;
    QHash<int, QString> m_captions;

    QPointer<Recordset> m_set;
    qsizetype m_boundRows = 0;
    bool m_writeEachEdit = true;
    bool m_moving = false;

    QSet<int> m_booleanColumns;
    // Shown row -> stored row; empty while rows are in stored order.
    QVector<qsizetype> m_order;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    DbError m_error;
};
