#include "bom/bomrowsmodel.h"

#include "ui/gridsort.h"

BomRowsModel::BomRowsModel(Database &db, QObject *parent) : GridModel(parent), m_db(db)
{
    setHeadings({QStringLiteral("BoardPN"), QStringLiteral("Description"), QStringLiteral("PartNo"),
                 QStringLiteral("QtyUsed")});
}

QVariant &BomRowsModel::field(BomOps::Line &line, int column)
{
    switch (column) {
    case BoardPnColumn:
        return line.boardPn;
    case DescriptionColumn:
        return line.description;
    case PartNoColumn:
        return line.partNo;
    default:
        return line.qtyUsed;
    }
}

const QVariant &BomRowsModel::field(const BomOps::Line &line, int column)
{
    return field(const_cast<BomOps::Line &>(line), column);
}

void BomRowsModel::setLines(const QVector<BomOps::Line> &lines)
{
    beginResetModel();
    const QHash<int, QString> captions = m_captions;
    m_rows.clear();
    m_rows.reserve(lines.size());
    for (const BomOps::Line &line : lines)
        m_rows.append(Entry{line, line, false});
    m_current = m_rows.isEmpty() ? -1 : 0;
    m_captions = captions;
    m_error = DbError();
    endResetModel();
    emit currentRowChanged(m_current);
}

int BomRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant BomRowsModel::value(int row, int column) const
{
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= columnCount())
        return QVariant();
    return field(m_rows.at(row).shown, column);
}

Qt::ItemFlags BomRowsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = GridModel::flags(index);
    if (index.isValid())
        f |= Qt::ItemIsEditable;
    return f;
}

bool BomRowsModel::fail(const DbError &error)
{
    m_error = error;
    emit writeFailed(error);
    return false;
}

bool BomRowsModel::checkCell(int column, const QVariant &typed, QVariant *stored)
{
    // An emptied cell is stored as null, as a bound grid does.
    if (typed.isNull() || (typed.typeId() == QMetaType::QString && typed.toString().isEmpty())) {
        *stored = QVariant();
        return true;
    }
    if (column == QtyUsedColumn) {
        DbError error;
        if (!BomOps::quantityValue(typed, stored, &error))
            return fail(error);
        return true;
    }
    *stored = typed;
    return true;
}

bool BomRowsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= m_rows.size())
        return false;
    if (index.row() != m_current && !setCurrentRow(index.row()))
        return false;
    QVariant stored;
    if (!checkCell(index.column(), value, &stored))
        return false;
    Entry &e = m_rows[index.row()];
    field(e.shown, index.column()) = stored;
    e.changed = true;
    emit dataChanged(index, index);
    return true;
}

bool BomRowsModel::setCells(const QModelIndex &from, const QVector<QStringList> &cells)
{
    if (!from.isValid())
        return false;
    // Every cell checked first: the block is taken whole or not at all.
    QVector<QVector<QVariant>> values;
    for (int r = 0; r < cells.size(); ++r) {
        values.append(QVector<QVariant>());
        for (int c = 0; c < cells.at(r).size(); ++c) {
            const int row = from.row() + r;
            const int column = from.column() + c;
            if (row >= m_rows.size() || column >= columnCount())
                return fail(DbError::runtime(ErrorNumber::NotAllowed,
                                             QStringLiteral("The pasted cells do not fit from the current cell.")));
            QVariant stored;
            if (!checkCell(column, cells.at(r).at(c), &stored))
                return false;
            values.last().append(stored);
        }
    }
    for (int r = 0; r < values.size(); ++r) {
        const int row = from.row() + r;
        if (row != m_current && !setCurrentRow(row))
            return false;
        Entry &e = m_rows[row];
        for (int c = 0; c < values.at(r).size(); ++c)
            field(e.shown, from.column() + c) = values.at(r).at(c);
        e.changed = true;
        emit dataChanged(index(row, from.column()), index(row, from.column() + int(values.at(r).size()) - 1));
    }
    return true;
}

bool BomRowsModel::write(int row)
{
    Entry &e = m_rows[row];
    if (!e.changed)
        return true;
    BomOps::Line line = e.shown;
    const BomOps::Outcome outcome = BomOps::saveLine(m_db, e.stored, &line);
    if (!outcome.ok())
        return fail(outcome.error);
    e.stored = line;
    e.shown = line;
    e.changed = false;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    return true;
}

void BomRowsModel::moveTo(int row)
{
    if (row == m_current)
        return;
    m_current = row;
    emit currentRowChanged(row);
}

bool BomRowsModel::setCurrentRow(int row)
{
    if (row < 0 || row >= m_rows.size())
        return false;
    if (row == m_current)
        return true;
    if (m_current >= 0 && !write(m_current)) {
        emit currentRowChanged(m_current); // the view goes back to the row kept
        return false;
    }
    moveTo(row);
    return true;
}

bool BomRowsModel::addRow(const QVariant &boardPn, const QVariant &description)
{
    if (m_current >= 0 && !write(m_current))
        return false;
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    Entry e;
    e.shown.boardPn = boardPn;
    e.shown.description = description;
    e.changed = true; // stored when left, empty or not
    m_rows.append(e);
    endInsertRows();
    moveTo(row);
    return true;
}

bool BomRowsModel::save()
{
    for (int row = 0; row < m_rows.size(); ++row)
        if (!write(row))
            return false;
    return true;
}

bool BomRowsModel::hasChanges() const
{
    for (const Entry &e : m_rows)
        if (e.changed)
            return true;
    return false;
}

void BomRowsModel::cancelCurrent()
{
    if (m_current < 0)
        return;
    Entry &e = m_rows[m_current];
    if (e.stored.key.isNull()) {
        const int row = m_current;
        beginRemoveRows({}, row, row);
        m_rows.removeAt(row);
        endRemoveRows();
        m_current = m_rows.isEmpty() ? -1 : qMin(row, int(m_rows.size()) - 1);
        emit currentRowChanged(m_current);
        return;
    }
    e.shown = e.stored;
    e.changed = false;
    emit dataChanged(index(m_current, 0), index(m_current, columnCount() - 1));
}

bool BomRowsModel::deleteCurrent()
{
    if (m_current < 0)
        return fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
    const int row = m_current;
    const BomOps::Outcome outcome = BomOps::deleteLine(m_db, m_rows.at(row).stored);
    if (!outcome.ok())
        return fail(outcome.error);
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
    // The next row, or the last when there is none.
    m_current = m_rows.isEmpty() ? -1 : qMin(row, int(m_rows.size()) - 1);
    emit currentRowChanged(m_current);
    return true;
}

void BomRowsModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount() || m_rows.isEmpty())
        return;
    std::vector<GridSort::Key> keys(size_t(m_rows.size()));
    QVector<QString> texts(m_rows.size()); // sized once: the keys point into it
    for (int i = 0; i < m_rows.size(); ++i) {
        GridSort::Key &k = keys[size_t(i)];
        k.row = i;
        const QVariant v = field(m_rows.at(i).shown, column);
        if (v.isNull())
            continue;
        if (v.typeId() != QMetaType::QString)
            GridSort::setNumber(k, v.toDouble());
        texts[i] = cellText(v, column);
        GridSort::setText(k, texts.at(i));
    }
    const QVector<qsizetype> sorted = GridSort::order(std::move(keys), order == Qt::DescendingOrder);
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    QVector<int> newRow(m_rows.size());
    QVector<Entry> rows;
    rows.reserve(m_rows.size());
    for (qsizetype i = 0; i < sorted.size(); ++i) {
        newRow[sorted.at(i)] = int(i);
        rows.append(m_rows.at(sorted.at(i)));
    }
    m_rows = rows;
    const QModelIndexList persistent = persistentIndexList();
    QModelIndexList moved;
    for (const QModelIndex &i : persistent)
        moved << index(newRow.at(i.row()), i.column());
    changePersistentIndexList(persistent, moved);
    if (m_current >= 0)
        m_current = newRow.at(m_current);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit currentRowChanged(m_current);
}
