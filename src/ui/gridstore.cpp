#include "ui/gridstore.h"

#include "data/numberrules.h"

#include <cstring>

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

} // namespace

void GridStore::clear()
{
    std::vector<std::unique_ptr<Cell[]>>().swap(m_cellBlocks);
    m_cellCount = 0;
    std::vector<std::unique_ptr<char16_t[]>>().swap(m_textBlocks);
    m_textUsed = 0;
    m_rows = 0;
    m_columns = 0;
    m_names.clear();
    m_kinds.clear();
}

void GridStore::columns(const QStringList &names)
{
    m_names = names;
    m_columns = int(names.size());
    m_kinds.assign(size_t(m_columns), 0);
}

void GridStore::value(QVariant &&v)
{
    Cell c;
    if (!v.isNull()) {
        switch (v.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::Short:
        case QMetaType::UInt:
        case QMetaType::ULongLong: // the server's driver gives a positive bigint so
            c.type = Cell::Int;
            c.bits = toBits(qint64(v.toLongLong()));
            break;
        case QMetaType::Double:
        case QMetaType::Float:
            c.type = Cell::Double;
            c.bits = toBits(v.toDouble());
            break;
        case QMetaType::Bool:
            c.type = Cell::Bool;
            c.bits = v.toBool() ? 1 : 0;
            break;
        default:
            c = textCell(v.typeId() == QMetaType::QString ? v.toString() : NumberRules::plainText(v));
        }
    }
    if (m_columns > 0 && c.type != Cell::Null) {
        const size_t column = size_t(m_cellCount % m_columns);
        m_kinds[column] |= (c.type == Cell::Int || c.type == Cell::Double) ? 1 : 2;
    }
    append(c);
}

bool GridStore::isNumberColumn(int column) const
{
    return column >= 0 && size_t(column) < m_kinds.size() && m_kinds[size_t(column)] == 1;
}

const GridStore::Cell &GridStore::cellAt(qsizetype row, int column) const
{
    const qsizetype i = row * m_columns + column;
    return m_cellBlocks[size_t(i >> CellBlockBits)][i & ((qsizetype(1) << CellBlockBits) - 1)];
}

const char16_t *GridStore::textOf(const Cell &cell) const
{
    if (cell.length == 0)
        return u"";
    return m_textBlocks[size_t(cell.bits >> 32)].get() + (cell.bits & 0xFFFFFFFFu);
}

void GridStore::append(const Cell &cell)
{
    const qsizetype inBlock = m_cellCount & ((qsizetype(1) << CellBlockBits) - 1);
    if (inBlock == 0)
        m_cellBlocks.emplace_back(new Cell[size_t(1) << CellBlockBits]);
    m_cellBlocks.back()[inBlock] = cell;
    ++m_cellCount;
}

GridStore::Cell GridStore::textCell(const QString &text)
{
    Cell c;
    c.type = Cell::Text;
    const qsizetype n = qMin<qsizetype>(text.size(), 0xFFFFFFFF);
    c.length = quint32(n);
    if (n == 0)
        return c;
    if (m_textBlocks.empty() || m_textUsed + n > TextBlockUnits) {
        // A text longer than a block gets a block of its own size.
        m_textBlocks.emplace_back(new char16_t[size_t(qMax(n, TextBlockUnits))]);
        m_textUsed = 0;
    }
    c.bits = (quint64(m_textBlocks.size() - 1) << 32) | quint64(m_textUsed);
    std::memcpy(m_textBlocks.back().get() + m_textUsed, text.constData(), size_t(n) * 2);
    m_textUsed += n;
    if (n > TextBlockUnits) // full: the next text starts a new block
        m_textUsed = TextBlockUnits;
    return c;
}

bool GridStore::isNull(qsizetype row, int column) const
{
    return cellAt(row, column).type == Cell::Null;
}

QStringView GridStore::textAt(qsizetype row, int column, bool *isText) const
{
    const Cell &c = cellAt(row, column);
    *isText = c.type == Cell::Text;
    if (!*isText)
        return {};
    return QStringView(textOf(c), qsizetype(c.length));
}

QVariant GridStore::value(qsizetype row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return QVariant();
    const Cell &c = cellAt(row, column);
    switch (c.type) {
    case Cell::Null:
        return QVariant();
    case Cell::Int:
        return QVariant(qlonglong(fromBits<qint64>(c.bits)));
    case Cell::Double:
        return QVariant(fromBits<double>(c.bits));
    case Cell::Bool:
        return QVariant(c.bits != 0);
    case Cell::Text:
        return QVariant(QString(reinterpret_cast<const QChar *>(textOf(c)), qsizetype(c.length)));
    }
    return QVariant();
}
