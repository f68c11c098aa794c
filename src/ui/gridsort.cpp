#include "ui/gridsort.h"

#include "data/caserules.h"
#include "data/numberrules.h"

#include <algorithm>

namespace GridSort {

void setText(Key &key, QStringView text)
{
    const bool number = key.isNumber && !key.empty; // kept: set by setNumber
    key.text = reinterpret_cast<const char16_t *>(text.data());
    key.length = text.size();
    if (number)
        return;
    key.empty = text.isEmpty();
    if (!key.empty)
        key.isNumber = NumberRules::isPlainNumber(text, &key.number);
}

void setNumber(Key &key, double value)
{
    key.empty = false;
    key.isNumber = true;
    key.number = value;
}

namespace {

int compare(const Key &x, const Key &y)
{
    if (x.empty || y.empty)
        return x.empty == y.empty ? 0 : (x.empty ? -1 : 1);
    if (x.isNumber && y.isNumber)
        return x.number < y.number ? -1 : (y.number < x.number ? 1 : 0);
    if (x.prefix != y.prefix)
        return x.prefix < y.prefix ? -1 : 1;
    if (x.prefix2 != y.prefix2)
        return x.prefix2 < y.prefix2 ? -1 : 1;
    return CaseRules::compare(QStringView(x.text, x.length), QStringView(y.text, y.length), 8);
}

} // namespace

QVector<qsizetype> order(std::vector<Key> run, bool descending)
{
    const qsizetype n = qsizetype(run.size());
    for (Key &k : run) {
        quint64 prefix[2] = {0, 0};
        for (qsizetype i = 0; i < 8; ++i)
            prefix[i / 4] = (prefix[i / 4] << 16)
                            | (i < k.length ? CaseRules::orderUnit(k.text[i]) : 0);
        k.prefix = prefix[0];
        k.prefix2 = prefix[1];
    }
    // Strictly before: equal rows keep their order either way.
    auto before = [descending](const Key &a, const Key &b) {
        const int c = compare(a, b);
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
