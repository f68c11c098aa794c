#pragma once

#include "data/sqlengine.h"
#include "ui/gridmodel.h"
#include "ui/gridstore.h"

#include <QVariantList>
#include <QVector>
#include <functional>

class QTimer;

// The rows of a read-only listing in compact storage. Read whole at once,
// or page by page: the first page at once, the rest in the background
// between the user's events (or at once when the view scrolls to the end),
// so that a large catalogue shows its first screen without waiting for the
// rest. Whatever needs every row (a sort, Copy of the whole grid) reads the
// rest first. Rows are shown in the order of the last sort().
class ListGridModel : public GridModel
{
    Q_OBJECT
public:
    // Feeds every row to the sink; false with the reason when it fails.
    using Read = std::function<bool(SqlEngine::RowSink &sink, DbError *error)>;
    // Where a page starts: after the row `after` (the last row read, empty
    // before the first page), which is row number `offset`; at most `limit`
    // rows.
    struct Page
    {
        QVariantList after;
        qsizetype offset = 0;
        int limit = 0;
    };
    using PageRead = std::function<bool(const Page &page, SqlEngine::RowSink &sink, DbError *error)>;

    explicit ListGridModel(QObject *parent = nullptr);

    // Replaces the rows by what `read` gives. False leaves the grid empty and
    // the reason in error().
    bool load(const Read &read);
    // Replaces the rows by the first page of `read`; the next pages follow.
    // False (the first page failed) leaves the grid empty.
    bool loadPages(const PageRead &read, int firstPage = 200, int pageSize = 5000);
    bool isComplete() const { return !m_pages; }
    // Reads every page not read yet; false when one fails (see readFailed()).
    bool readAll() override;

    QVariant value(int row, int column) const override;
    bool isNumberColumn(int column) const override;

    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

signals:
    // A later page could not be read: the rows read so far stay.
    void readFailed(const DbError &error);
    // The last page is in.
    void completed();

private:
    qsizetype storedRow(int row) const { return m_order.isEmpty() ? row : m_order.at(row); }
    bool readPage(int limit);
    void scheduleNextPage();
    void showReadRows();

    GridStore m_store;
    qsizetype m_shown = 0; // rows the views have been told of
    QVector<qsizetype> m_order; // shown row -> stored row; empty in stored order
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    PageRead m_pages; // empty once every page is in
    int m_pageSize = 0;
    QTimer *m_nextPage = nullptr;
};
