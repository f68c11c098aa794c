#pragma once

#include <QStringView>
#include <QVector>
#include <vector>

// The order of a grid's rows when the user sorts by a column: both cells
// numbers compare as numbers (a cell of text that reads as a plain number
// counts as one), otherwise as text, letters A-Z without regard to case as
// the database compares; empty cells first in ascending order. Stable: rows
// that compare equal keep their order, either way.
namespace GridSort {

// What the sort compares for one cell. The text it points to must stay put
// until the sort ends.
struct Key
{
    const void *text = nullptr; // UTF-16 units, or Latin-1 bytes when not `wide`
    double number = 0;
    static constexpr int PrefixWords = 4;
    // The first units in sort order, which settle most comparisons: 32
    // Latin-1 letters a byte each, or 16 units of two bytes.
    quint64 prefix[PrefixWords] = {};
    qsizetype row = 0; // the row it stands for
    qint32 length = 0;
    bool empty = true;
    bool isNumber = false;
    bool wide = true;
};

// A cell's text (a number when it reads as one).
void setText(Key &key, QStringView text);
// The same for a text held as Latin-1 bytes.
void setLatin1(Key &key, const char *text, qsizetype length);
// A cell that holds a number; its text is needed too (setText) when the
// column holds text as well, since a number compares with text as text.
void setNumber(Key &key, double value);

// The keys, given in the rows' current shown order, sorted: their rows in
// the new order.
QVector<qsizetype> order(std::vector<Key> keys, bool descending);

} // namespace GridSort
