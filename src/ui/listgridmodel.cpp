#include "ui/listgridmodel.h"

#include "ui/gridsort.h"

#include <QTimer>
#include <limits>

ListGridModel::ListGridModel(QObject *parent) : GridModel(parent)
{
    m_nextPage = new QTimer(this);
    m_nextPage->setSingleShot(true);
    m_nextPage->setInterval(0);
    connect(m_nextPage, &QTimer::timeout, this, [this] {
        if (!m_pages)
            return;
        if (readPage(m_pageSize))
            scheduleNextPage();
        else
            emit readFailed(m_error);
    });
}

bool ListGridModel::load(const Read &read)
{
    m_nextPage->stop();
    m_pages = nullptr;
    beginResetModel();
    m_store.clear();
    m_order.clear();
    m_sortColumn = -1;
    m_error = DbError();
    const bool ok = read(m_store, &m_error);
    if (!ok)
        m_store.clear();
    m_shown = m_store.rows();
    setHeadings(m_store.names());
    endResetModel();
    return ok;
}

bool ListGridModel::loadPages(const PageRead &read, int firstPage, int pageSize)
{
    m_nextPage->stop();
    beginResetModel();
    m_store.clear();
    m_order.clear();
    m_sortColumn = -1;
    m_error = DbError();
    m_shown = 0;
    m_pages = read;
    m_pageSize = qMax(1, pageSize);
    Page page;
    page.limit = qMax(1, firstPage);
    bool ok = read(page, m_store, &m_error);
    if (!ok) {
        m_store.clear();
        m_pages = nullptr;
    } else if (m_store.rows() < page.limit) {
        m_pages = nullptr;
    }
    m_shown = m_store.rows();
    setHeadings(m_store.names());
    endResetModel();
    if (ok)
        scheduleNextPage();
    return ok;
}

bool ListGridModel::readPage(int limit)
{
    Page page;
    page.offset = m_store.rows();
    page.limit = limit;
    for (int c = 0; c < m_store.columns(); ++c)
        page.after << m_store.value(page.offset - 1, c);
    DbError error;
    const bool ok = m_pages(page, m_store, &error);
    if (!ok) {
        m_error = error;
        m_pages = nullptr; // the rows read so far stay; no more pages
    } else if (m_store.rows() - page.offset < limit) {
        m_pages = nullptr;
    }
    showReadRows();
    if (!m_pages)
        emit completed();
    return ok;
}

void ListGridModel::showReadRows()
{
    const qsizetype total = qMin<qsizetype>(m_store.rows(), std::numeric_limits<int>::max());
    if (total <= m_shown)
        return;
    beginInsertRows({}, int(m_shown), int(total - 1));
    m_shown = total;
    endInsertRows();
}

void ListGridModel::scheduleNextPage()
{
    if (m_pages)
        m_nextPage->start();
}

bool ListGridModel::readAll()
{
    m_nextPage->stop();
    while (m_pages)
        if (!readPage(std::numeric_limits<int>::max())) {
            emit readFailed(m_error);
            return false;
        }
    return true;
}

bool ListGridModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_pages;
}

void ListGridModel::fetchMore(const QModelIndex &parent)
{
    // The view scrolled to the last row read: the next page now.
    if (parent.isValid() || !m_pages)
        return;
    m_nextPage->stop();
    if (readPage(m_pageSize))
        scheduleNextPage();
    else
        emit readFailed(m_error);
}

int ListGridModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    // The views count rows in int; a catalogue never comes near it.
    return int(m_shown);
}

QVariant ListGridModel::value(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return QVariant();
    return m_store.value(storedRow(row), column);
}

bool ListGridModel::isNumberColumn(int column) const
{
    return m_store.isNumberColumn(column);
}

void ListGridModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount() || rowCount() == 0)
        return;
    // Every row takes part, also those not read yet.
    readAll();
    m_sortColumn = column;
    m_sortOrder = order;
    const qsizetype n = m_shown;

    // One key per row, in the rows' current shown order, so that the stable
    // sort keeps the previous order among equal cells. Texts of cells that
    // are not text live in `texts` until the sort ends (a QString's
    // characters stay put while the list that holds it grows).
    std::vector<GridSort::Key> keys(static_cast<size_t>(n));
    QVector<QString> texts;
    const bool boolean = isBooleanColumn(column);
    static const QString trueText = QStringLiteral("True");
    static const QString falseText = QStringLiteral("False");
    bool anyText = false;
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype r = storedRow(int(i));
        GridSort::Key &k = keys[size_t(i)];
        k.row = r;
        switch (m_store.kind(r, column)) {
        case GridStore::Kind::Null:
            continue;
        case GridStore::Kind::Latin1:
        case GridStore::Kind::Utf16: {
            const GridStore::Text t = m_store.text(r, column);
            if (t.wide)
                GridSort::setText(k, QStringView(static_cast<const char16_t *>(t.data), t.length));
            else
                GridSort::setLatin1(k, static_cast<const char *>(t.data), t.length);
            anyText = true;
            continue;
        }
        case GridStore::Kind::Bool:
            GridSort::setText(k, m_store.number(r, column) != 0 ? trueText : falseText);
            anyText = true;
            continue;
        default:
            break;
        }
        if (boolean) { // a number shown as True or False
            GridSort::setText(k, m_store.number(r, column) != 0 ? trueText : falseText);
            anyText = true;
            continue;
        }
        GridSort::setNumber(k, m_store.number(r, column));
    }
    // A number compared with text compares as text: numbers need their text.
    if (anyText) {
        for (GridSort::Key &k : keys) {
            if (k.isNumber && !k.text && !k.empty) {
                texts.append(cellText(m_store.value(k.row, column), column));
                GridSort::setText(k, texts.last());
            }
        }
    }
    QVector<qsizetype> ordered = GridSort::order(std::move(keys), order == Qt::DescendingOrder);

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    const QVector<qsizetype> oldOrder = m_order;
    m_order = std::move(ordered);
    if (!persistent.isEmpty()) {
        // Stored row -> new shown row, to move the selection with its rows.
        QVector<int> shownAt(m_order.size());
        for (qsizetype i = 0; i < m_order.size(); ++i)
            shownAt[m_order.at(i)] = int(i);
        QModelIndexList moved;
        moved.reserve(persistent.size());
        for (const QModelIndex &i : persistent) {
            const qsizetype stored = oldOrder.isEmpty() ? i.row() : oldOrder.at(i.row());
            moved << index(shownAt.at(stored), i.column());
        }
        changePersistentIndexList(persistent, moved);
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
