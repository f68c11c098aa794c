#pragma once

#include "bom/ops/bomoperations.h"
#include "ui/gridmodel.h"

#include <QVector>

class Database;

// The rows of the BOM the editor shows, as read, with the changes typed into
// them. A changed row is written when the user leaves it, or by save(); each
// write is an operation of its own, which refuses a row that another
// workstation changed since it was read. Columns: BoardPN, Description,
// PartNo, QtyUsed.
class BomRowsModel : public GridModel
{
    Q_OBJECT
public:
    enum Column { BoardPnColumn, DescriptionColumn, PartNoColumn, QtyUsedColumn };

    explicit BomRowsModel(Database &db, QObject *parent = nullptr);

    // Shows these rows; the first is current.
    void setLines(const QVector<BomOps::Line> &lines);
    bool isEditable() const override { return true; }
    bool isNumberColumn(int column) const override { return column == QtyUsedColumn; }

    QVariant value(int row, int column) const override;
    int currentRow() const override { return m_current; }
    // Leaving a changed row writes it first; false (staying) when refused.
    bool setCurrentRow(int row) override;

    // A new row at the end, with the BOM's number and description, current.
    // The row being left is written first.
    bool addRow(const QVariant &boardPn, const QVariant &description);
    // Writes every changed row; false at the first refused, with the reason
    // in error().
    bool save();
    // Drops what was typed into the current row (a row not yet stored goes).
    void cancelCurrent();
    // Deletes the current row from the database and the grid.
    bool deleteCurrent();
    bool hasChanges() const;
    // Sets several cells from the current one as typing each would, or none:
    // false, with the reason in error(), when one is refused.
    bool setCells(const QModelIndex &from, const QVector<QStringList> &cells) override;

    // Orders the rows by a column with the grids' rule; the current row goes
    // with its row.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

private:
    struct Entry
    {
        BomOps::Line stored; // as the database holds it, as far as this window knows
        BomOps::Line shown;  // with what was typed
        bool changed = false;
    };
    static QVariant &field(BomOps::Line &line, int column);
    static const QVariant &field(const BomOps::Line &line, int column);
    bool checkCell(int column, const QVariant &typed, QVariant *stored);
    bool write(int row);
    bool fail(const DbError &error);
    void moveTo(int row);

    Database &m_db;
    QVector<Entry> m_rows;
    int m_current = -1;
};
