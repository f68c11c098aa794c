#include "ui/gridstore.h"

#include "data/numberrules.h"

#include <cstring>
#include <limits>

namespace {

template <typename T>
T fromBits(quint64 bits)
{
    T v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

template <typename T>
quint64 toBits(T v)
{
    static_assert(sizeof(T) == sizeof(quint64));
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

bool isLatin1(const QString &text)
{
    for (QChar c : text)
        if (c.unicode() > 0xFF)
            return false;
    return true;
}

} // namespace

void GridStore::clear()
{
    std::vector<std::unique_ptr<uchar[]>>().swap(m_textBlocks);
    m_textUsed = 0;
    std::vector<Column>().swap(m_columns);
    m_rows = 0;
    m_next = 0;
    m_names.clear();
}

void GridStore::columns(const QStringList &names)
{
    if (!m_columns.empty() || !m_names.isEmpty())
        return;
    m_names = names;
    m_columns.resize(size_t(names.size()));
}

void GridStore::append(Column &c, Kind kind, quint64 payload, bool fitsNarrow)
{
    if (!c.isWide && !fitsNarrow) {
        // The first value that needs more: the column goes to eight bytes.
        for (qsizetype i = 0; i < c.narrow.size; ++i) {
            const quint32 v = c.narrow.at(i);
            c.wide.push(Kind(c.kinds.at(i)) == Kind::Int ? quint64(qint64(qint32(v))) : quint64(v));
        }
        std::vector<std::unique_ptr<quint32[]>>().swap(c.narrow.blocks);
        c.narrow.size = 0;
        c.isWide = true;
    }
    c.kinds.push(quint8(kind));
    if (c.isWide)
        c.wide.push(payload);
    else
        c.narrow.push(quint32(payload));
}

void GridStore::value(QVariant &&v)
{
    if (m_columns.empty())
        return;
    Column &c = m_columns[size_t(m_next)];
    m_next = (m_next + 1) % int(m_columns.size());
    if (v.isNull()) {
        append(c, Kind::Null, 0, true);
        return;
    }
    switch (v.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::UInt:
    case QMetaType::ULongLong: { // the server's driver gives a positive bigint so
        const qint64 n = v.toLongLong();
        c.seen |= 1;
        if (n >= std::numeric_limits<qint32>::min() && n <= std::numeric_limits<qint32>::max())
            append(c, Kind::Int, c.isWide ? quint64(n) : quint32(qint32(n)), true);
        else
            append(c, Kind::Int, quint64(n), false);
        return;
    }
    case QMetaType::Double:
    case QMetaType::Float:
        c.seen |= 1;
        append(c, Kind::Double, toBits(v.toDouble()), false);
        return;
    case QMetaType::Bool:
        c.seen |= 2;
        append(c, Kind::Bool, v.toBool() ? 1 : 0, true);
        return;
    default: {
        c.seen |= 2;
        Kind kind = Kind::Latin1;
        const quint64 at = storeText(v.typeId() == QMetaType::QString ? v.toString()
                                                                      : NumberRules::plainText(v),
                                     &kind);
        append(c, kind, at, at <= 0xFFFFFFFFu);
    }
    }
}

void GridStore::endRow()
{
    ++m_rows;
    m_next = 0;
}

quint64 GridStore::storeText(const QString &text, Kind *kind)
{
    const bool latin1 = isLatin1(text);
    *kind = latin1 ? Kind::Latin1 : Kind::Utf16;
    const qsizetype units = text.size();
    // The length in front (seven bits a byte), UTF-16 units on an even place.
    const qsizetype need = 10 + 1 + units * (latin1 ? 1 : 2);
    if (m_textBlocks.empty() || m_textUsed + need > TextBlockBytes) {
        // A text longer than a block gets a block of its own size.
        m_textBlocks.emplace_back(new uchar[size_t(qMax(need, TextBlockBytes))]);
        m_textUsed = 0;
    }
    const quint64 at = (quint64(m_textBlocks.size() - 1) << 20) | quint64(m_textUsed);
    uchar *p = m_textBlocks.back().get() + m_textUsed;
    quint64 n = quint64(units);
    do {
        *p++ = uchar((n & 0x7F) | (n > 0x7F ? 0x80 : 0));
        n >>= 7;
    } while (n);
    if (latin1) {
        for (QChar c : text)
            *p++ = uchar(c.unicode());
    } else {
        if ((p - m_textBlocks.back().get()) & 1)
            ++p;
        std::memcpy(p, text.constData(), size_t(units) * 2);
        p += units * 2;
    }
    m_textUsed = p - m_textBlocks.back().get();
    if (need > TextBlockBytes) // full: the next text starts a new block
        m_textUsed = TextBlockBytes;
    return at;
}

const uchar *GridStore::textAt(quint64 payload, qsizetype *length) const
{
    const uchar *p = m_textBlocks[size_t(payload >> 20)].get() + (payload & 0xFFFFF);
    quint64 n = 0;
    int shift = 0;
    uchar b;
    do {
        b = *p++;
        n |= quint64(b & 0x7F) << shift;
        shift += 7;
    } while (b & 0x80);
    *length = qsizetype(n);
    return p;
}

GridStore::Kind GridStore::kind(qsizetype row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= columns())
        return Kind::Null;
    return Kind(m_columns[size_t(column)].kinds.at(row));
}

double GridStore::number(qsizetype row, int column) const
{
    const Column &c = m_columns[size_t(column)];
    const quint64 p = c.payload(row);
    switch (Kind(c.kinds.at(row))) {
    case Kind::Int:
        return c.isWide ? double(qint64(p)) : double(qint32(quint32(p)));
    case Kind::Double:
        return fromBits<double>(p);
    case Kind::Bool:
        return p ? 1 : 0;
    default:
        return 0;
    }
}

GridStore::Text GridStore::text(qsizetype row, int column) const
{
    Text t;
    const Column &c = m_columns[size_t(column)];
    const Kind k = Kind(c.kinds.at(row));
    if (k != Kind::Latin1 && k != Kind::Utf16)
        return t;
    const uchar *p = textAt(c.payload(row), &t.length);
    t.wide = k == Kind::Utf16;
    if (t.wide && (quintptr(p) & 1))
        ++p;
    t.data = p;
    return t;
}

bool GridStore::isNumberColumn(int column) const
{
    return column >= 0 && column < columns() && m_columns[size_t(column)].seen == 1;
}

QVariant GridStore::value(qsizetype row, int column) const
{
    switch (kind(row, column)) {
    case Kind::Null:
        return QVariant();
    case Kind::Int: {
        const Column &c = m_columns[size_t(column)];
        const quint64 p = c.payload(row);
        return QVariant(qlonglong(c.isWide ? qint64(p) : qint64(qint32(quint32(p)))));
    }
    case Kind::Double:
        return QVariant(number(row, column));
    case Kind::Bool:
        return QVariant(number(row, column) != 0);
    case Kind::Latin1: {
        const Text t = text(row, column);
        return QVariant(QString::fromLatin1(static_cast<const char *>(t.data), t.length));
    }
    case Kind::Utf16: {
        const Text t = text(row, column);
        return QVariant(QString(static_cast<const QChar *>(t.data), t.length));
    }
    }
    return QVariant();
}
