#include "ui/gridsort.h"

#include "data/caserules.h"
#include "data/numberrules.h"

#include <algorithm>
#include <cstring>

namespace GridSort {

void setText(Key &key, QStringView text)
{
    const bool number = key.isNumber && !key.empty; // kept: set by setNumber
    key.text = text.data();
    key.length = qint32(text.size());
    key.wide = true;
    if (number)
        return;
    key.empty = text.isEmpty();
    if (!key.empty)
        key.isNumber = NumberRules::isPlainNumber(text, &key.number);
}

void setLatin1(Key &key, const char *text, qsizetype length)
{
    const bool number = key.isNumber && !key.empty;
    key.text = text;
    key.length = qint32(length);
    key.wide = false;
    if (number)
        return;
    key.empty = length == 0;
    // A plain number starts, blanks aside, with a sign, a digit or a point.
    qsizetype i = 0;
    while (i < length && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    const bool maybe = i < length && ((text[i] >= '0' && text[i] <= '9') || text[i] == '+'
                                      || text[i] == '-' || text[i] == '.');
    if (maybe)
        key.isNumber = NumberRules::isPlainNumber(QString::fromLatin1(text, length), &key.number);
}

void setNumber(Key &key, double value)
{
    key.empty = false;
    key.isNumber = true;
    key.number = value;
}

namespace {

char16_t unitAt(const Key &k, qsizetype i)
{
    return k.wide ? static_cast<const char16_t *>(k.text)[i]
                  : char16_t(static_cast<const uchar *>(k.text)[i]);
}

// The texts from unit `from` on (the prefixes settled the units before it).
int compareTexts(const Key &x, const Key &y, qsizetype from)
{
    if (x.wide && y.wide)
        return CaseRules::compare(QStringView(static_cast<const char16_t *>(x.text), x.length),
                                  QStringView(static_cast<const char16_t *>(y.text), y.length), from);
    const qsizetype n = qMin(x.length, y.length);
    qsizetype i = from;
    if (!x.wide && !y.wide) {
        // Latin-1 both: past the stretch where the bytes are the same, eight
        // at a time (texts of one catalogue share many words).
        const auto *a = static_cast<const uchar *>(x.text);
        const auto *b = static_cast<const uchar *>(y.text);
        for (quint64 u, v; i + 8 <= n; i += 8) {
            std::memcpy(&u, a + i, 8);
            std::memcpy(&v, b + i, 8);
            if (u != v)
                break;
        }
        for (; i < n; ++i) {
            if (a[i] == b[i])
                continue;
            const char16_t p = CaseRules::orderUnit(a[i]);
            const char16_t q = CaseRules::orderUnit(b[i]);
            if (p != q)
                return p < q ? -1 : 1;
        }
        return x.length == y.length ? 0 : (x.length < y.length ? -1 : 1);
    }
    for (; i < n; ++i) {
        const char16_t a = CaseRules::orderUnit(unitAt(x, i));
        const char16_t b = CaseRules::orderUnit(unitAt(y, i));
        if (a != b)
            return a < b ? -1 : 1;
    }
    return x.length == y.length ? 0 : (x.length < y.length ? -1 : 1);
}

int compare(const Key &x, const Key &y, qsizetype prefixUnits)
{
    if (x.empty || y.empty)
        return x.empty == y.empty ? 0 : (x.empty ? -1 : 1);
    if (x.isNumber && y.isNumber)
        return x.number < y.number ? -1 : (y.number < x.number ? 1 : 0);
    for (int w = 0; w < Key::PrefixWords; ++w)
        if (x.prefix[w] != y.prefix[w])
            return x.prefix[w] < y.prefix[w] ? -1 : 1;
    return compareTexts(x, y, prefixUnits);
}

} // namespace

QVector<qsizetype> order(std::vector<Key> run, bool descending)
{
    const qsizetype n = qsizetype(run.size());
    // Texts of Latin-1 letters only (the usual catalogue) take a byte a
    // unit in the prefixes, so that these settle twice as many units.
    bool narrow = true;
    for (const Key &k : run)
        if (k.wide && k.text)
            for (qsizetype i = 0; i < k.length && narrow; ++i)
                narrow = static_cast<const char16_t *>(k.text)[i] <= 0xFF;
    const int bits = narrow ? 8 : 16;
    const qsizetype perWord = 64 / bits;
    const qsizetype prefixUnits = perWord * Key::PrefixWords;
    for (Key &k : run) {
        for (qsizetype i = 0; i < prefixUnits; ++i)
            k.prefix[i / perWord] = (k.prefix[i / perWord] << bits)
                                    | (i < k.length ? CaseRules::orderUnit(unitAt(k, i)) : 0);
    }
    // Strictly before: equal rows keep their order either way.
    auto before = [descending, prefixUnits](const Key &a, const Key &b) {
        const int c = compare(a, b, prefixUnits);
        return descending ? c > 0 : c < 0;
    };
    // A merge sort with bounds of its own: the mixed rule need not be a
    // strict weak order, which std::sort assumes. The keys themselves move,
    // so that comparing reads memory in order.
    Key *a = run.data();
    constexpr qsizetype Block = 32;
    for (qsizetype lo = 0; lo < n; lo += Block) {
        const qsizetype hi = qMin(lo + Block, n);
        for (qsizetype i = lo + 1; i < hi; ++i) {
            Key moving = a[i];
            qsizetype j = i;
            for (; j > lo && before(moving, a[j - 1]); --j)
                a[j] = a[j - 1];
            a[j] = moving;
        }
    }
    std::vector<Key> spare(run.size());
    Key *from = run.data();
    Key *to = spare.data();
    for (qsizetype width = Block; width < n; width *= 2) {
        for (qsizetype lo = 0; lo < n; lo += 2 * width) {
            const qsizetype mid = qMin(lo + width, n);
            const qsizetype hi = qMin(lo + 2 * width, n);
            if (mid >= hi || !before(from[mid], from[mid - 1])) { // already in order
                std::copy(from + lo, from + hi, to + lo);
                continue;
            }
            qsizetype i = lo, j = mid, o = lo;
            while (i < mid && j < hi)
                to[o++] = before(from[j], from[i]) ? from[j++] : from[i++];
            while (i < mid)
                to[o++] = from[i++];
            while (j < hi)
                to[o++] = from[j++];
        }
        std::swap(from, to);
    }
    QVector<qsizetype> rows(n);
    for (qsizetype i = 0; i < n; ++i)
        rows[i] = from[i].row;
    return rows;
}

} // namespace GridSort
