#include "ui/listgridmodel.h"

#include "ui/gridsort.h"

#include <limits>

ListGridModel::ListGridModel(QObject *parent) : GridModel(parent) {}

bool ListGridModel::load(const Read &read)
{
    beginResetModel();
    m_store.clear();
    m_order.clear();
    m_sortColumn = -1;
    m_error = DbError();
    const bool ok = read(m_store, &m_error);
    if (!ok)
        m_store.clear();
    setHeadings(m_store.names());
    endResetModel();
    return ok;
}

int ListGridModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    // The views count rows in int; a catalogue never comes near it.
    return int(qMin<qsizetype>(m_store.rows(), std::numeric_limits<int>::max()));
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
    m_sortColumn = column;
    m_sortOrder = order;
    const qsizetype n = m_store.rows();

    // One key per row, in the rows' current shown order, so that the stable
    // sort keeps the previous order among equal cells. Texts of cells that
    // are not text live in `texts` until the sort ends (a QString's
    // characters stay put while the list that holds it grows).
    std::vector<GridSort::Key> keys(static_cast<size_t>(n));
    QVector<QString> texts;
    const bool boolean = isBooleanColumn(column);
    bool anyText = false;
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype r = storedRow(int(i));
        GridSort::Key &k = keys[size_t(i)];
        k.row = r;
        if (m_store.isNull(r, column))
            continue;
        bool isText = false;
        const QStringView text = m_store.textAt(r, column, &isText);
        if (isText) {
            GridSort::setText(k, text);
            anyText = true;
            continue;
        }
        const QVariant v = m_store.value(r, column);
        if (!boolean && v.typeId() != QMetaType::Bool) {
            GridSort::setNumber(k, v.toDouble());
            continue;
        }
        texts.append(cellText(v, column));
        GridSort::setText(k, texts.last());
        anyText = true;
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
