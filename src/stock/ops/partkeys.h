#pragma once

#include "data/dberror.h"

#include <QString>
#include <QStringList>
#include <QVariant>

class Database;

namespace StockOps {

// The catalogue as the look-up windows walk it: one key column, rows in the
// order of that column's index (as the database compares, A-Z and a-z alike),
// parts with the same key in part number order. Every read is an index seek
// or a page of the index, so nothing grows with the catalogue. Rows whose key
// is null are not listed and never match; a description look-up still counts
// them as the first rows of the catalogue.
enum class KeyColumn { PartNo, Description };

// One part as a look-up shows it.
struct KeyedRow
{
    bool found = false;
    bool keyIsNull = false;
    QString key;
    QString partNo;
    QVariantList values; // in the order of columns()
    static const QStringList &columns();
    QVariant value(QLatin1String column) const;
};

class PartKeys
{
public:
    PartKeys(Database &db, KeyColumn column);

    bool isEmpty(bool *empty);
    // Rows of the catalogue and how many of them have a key: a walk over an
    // index, so a window counts only when its list is needed.
    bool count(qsizetype *rows, qsizetype *keyed);
    // The keys at positions first.. (at most n) of the listed order.
    bool keysAt(qsizetype first, int n, QStringList *keys);
    // The first keyed row whose key is at or after `text`.
    bool firstAtLeast(const QString &text, KeyedRow *row);
    // The first keyed row at (`inclusive`) or after the row `at`; a row
    // deleted since it was read still has its place.
    bool rowFrom(const KeyedRow &at, bool inclusive, KeyedRow *row);
    // The catalogue's first row, one with a null key included.
    bool firstRow(KeyedRow *row);

    DbError error() const { return m_error; }

private:
    bool readRow(const QString &sql, const QVariantList &values, KeyedRow *row);
    bool firstOfKey(const QString &key, KeyedRow *row);
    bool nextKey(const QString &text, bool inclusive, KeyedRow *row);

    Database &m_db;
    QString m_column;
    DbError m_error;
};

} // namespace StockOps
