#include "stock/ops/partkeys.h"

#include "data/database.h"

namespace StockOps {

namespace {
const QString Columns = QStringLiteral("PartNo, Description, MinReq, CurrentInv, UnitCost, Bin");
} // namespace

const QStringList &KeyedRow::columns()
{
    static const QStringList names = Columns.split(QStringLiteral(", "));
    return names;
}

QVariant KeyedRow::value(QLatin1String column) const
{
    const qsizetype i = columns().indexOf(column);
    return i >= 0 ? values.value(i) : QVariant();
}

PartKeys::PartKeys(Database &db, KeyColumn column)
    : m_db(db),
      m_column(column == KeyColumn::PartNo ? QStringLiteral("PartNo") : QStringLiteral("Description"))
{
}

bool PartKeys::isEmpty(bool *empty)
{
    const QList<QVariantList> rows = m_db.rows(QStringLiteral("SELECT PartNo FROM Inventory LIMIT 1"));
    if (m_db.error())
        return m_error = m_db.error(), false;
    *empty = rows.isEmpty();
    return true;
}

bool PartKeys::count(qsizetype *rows, qsizetype *keyed)
{
    // The rows as the engine counts a whole table (the file database from the
    // pages of an index, without reading a row), less the null keys' range.
    const QVariant all = m_db.scalar(QStringLiteral("SELECT count(*) FROM Inventory"));
    if (!all.isValid())
        return m_error = m_db.error(), false;
    *rows = all.toLongLong();
    *keyed = *rows;
    if (m_column == QLatin1String("PartNo"))
        return true;
    const QVariant nulls =
        m_db.scalar(QStringLiteral("SELECT count(*) FROM Inventory WHERE Description IS NULL"));
    if (!nulls.isValid())
        return m_error = m_db.error(), false;
    *keyed -= nulls.toLongLong();
    return true;
}

bool PartKeys::keysAt(qsizetype first, int n, QStringList *keys)
{
    const QList<QVariantList> rows = m_db.rows(
        QStringLiteral("SELECT %1 FROM Inventory WHERE %1 IS NOT NULL ORDER BY %1 LIMIT ? OFFSET ?")
            .arg(m_column),
        {n, qint64(first)});
    if (m_db.error())
        return m_error = m_db.error(), false;
    keys->clear();
    keys->reserve(rows.size());
    for (const QVariantList &row : rows)
        keys->append(row.value(0).toString());
    return true;
}

bool PartKeys::readRow(const QString &sql, const QVariantList &values, KeyedRow *row)
{
    const QList<QVariantList> rows = m_db.rows(sql, values);
    if (m_db.error())
        return m_error = m_db.error(), false;
    *row = KeyedRow();
    if (rows.isEmpty())
        return true;
    row->found = true;
    row->values = rows.first();
    const QVariant key = row->values.value(m_column == QLatin1String("PartNo") ? 0 : 1);
    row->keyIsNull = key.isNull();
    row->key = key.toString();
    row->partNo = row->values.value(0).toString();
    return true;
}

// Of the parts with this key (in any letter case), the first by part number.
bool PartKeys::firstOfKey(const QString &key, KeyedRow *row)
{
    return readRow(QStringLiteral("SELECT %1 FROM Inventory WHERE %2 = ? ORDER BY PartNo LIMIT 1")
                       .arg(Columns, m_column),
                   {key}, row);
}

// The first key at (or after) the text, by the index alone; then its first part.
// An empty text: the first key of all.
bool PartKeys::nextKey(const QString &text, bool inclusive, KeyedRow *row)
{
    const QVariant key =
        text.isEmpty()
            ? m_db.scalar(QStringLiteral("SELECT %1 FROM Inventory WHERE %1 IS NOT NULL ORDER BY %1 LIMIT 1")
                              .arg(m_column))
            : m_db.scalar(QStringLiteral("SELECT %1 FROM Inventory WHERE %1 %2 ? ORDER BY %1 LIMIT 1")
                              .arg(m_column, inclusive ? QStringLiteral(">=") : QStringLiteral(">")),
                          {text});
    if (m_db.error())
        return m_error = m_db.error(), false;
    if (!key.isValid()) {
        *row = KeyedRow();
        return true;
    }
    return firstOfKey(key.toString(), row);
}

bool PartKeys::firstAtLeast(const QString &text, KeyedRow *row)
{
    return nextKey(text, true, row);
}

bool PartKeys::rowFrom(const KeyedRow &at, bool inclusive, KeyedRow *row)
{
    if (at.keyIsNull) // before every keyed row
        return nextKey(QString(), true, row);
    // The rest of its own key's parts, then the next key.
    if (!readRow(QStringLiteral("SELECT %1 FROM Inventory WHERE %2 = ? AND PartNo %3 ? ORDER BY PartNo LIMIT 1")
                     .arg(Columns, m_column, inclusive ? QStringLiteral(">=") : QStringLiteral(">")),
                 {at.key, at.partNo}, row))
        return false;
    return row->found || nextKey(at.key, false, row);
}

bool PartKeys::firstRow(KeyedRow *row)
{
    if (m_column != QLatin1String("PartNo")) {
        if (!readRow(QStringLiteral("SELECT %1 FROM Inventory WHERE Description IS NULL ORDER BY PartNo LIMIT 1")
                         .arg(Columns),
                     {}, row))
            return false;
        if (row->found)
            return true;
    }
    return nextKey(QString(), true, row);
}

} // namespace StockOps
