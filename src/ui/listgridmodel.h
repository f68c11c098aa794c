#pragma once

#include "data/sqlengine.h"
#include "ui/gridmodel.h"
#include "ui/gridstore.h"

#include <QVector>
#include <functional>

// The rows of a read-only listing: every row of a read at once, in compact
// storage, so that sorting, counting and scrolling see every row. Rows are
// shown in the order of the last sort().
class ListGridModel : public GridModel
{
    Q_OBJECT
public:
    // Feeds every row to the sink; false with the reason when it fails.
    using Read = std::function<bool(SqlEngine::RowSink &sink, DbError *error)>;

    explicit ListGridModel(QObject *parent = nullptr);

    // Replaces the rows by what `read` gives. False leaves the grid empty and
    // the reason in error().
    bool load(const Read &read);

    QVariant value(int row, int column) const override;
    bool isNumberColumn(int column) const override;

    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;

private:
    qsizetype storedRow(int row) const { return m_order.isEmpty() ? row : m_order.at(row); }

    GridStore m_store;
    QVector<qsizetype> m_order; // shown row -> stored row; empty in stored order
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
