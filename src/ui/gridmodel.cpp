#include "ui/gridmodel.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/recordset.h"

#include <QColor>
#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <cstring>
#include <limits>
#include <vector>
#include <memory>

namespace {

qint64 asInt(quint64 bits)
{
    qint64 v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

double asDouble(quint64 bits)
{
    double v;
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

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

bool isDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// A cell's text reads as a number when it is a plain decimal number: sign,
// digits with at most one decimal point, an exponent; blanks around it.
bool readsAsNumber(const char16_t *s, qsizetype n, double *out)
{
    qsizetype b = 0;
    qsizetype e = n;
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    qsizetype i = b;
    if (i < e && (s[i] == u'+' || s[i] == u'-'))
        ++i;
    int digits = 0;
    while (i < e && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < e && s[i] == u'.') {
        ++i;
        while (i < e && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < e && (s[i] == u'e' || s[i] == u'E')) {
        ++i;
        if (i < e && (s[i] == u'+' || s[i] == u'-'))
            ++i;
        int expDigits = 0;
        while (i < e && isDigit(s[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != e)
        return false;
    bool ok = false;
    const double v = QLocale::c().toDouble(QStringView(s + b, e - b), &ok);
    if (!ok) // out of range
        return false;
    *out = v;
    return true;
}

// The database's letter-case rule: A-Z fold to a-z, nothing else; order by
// code point, as the database's byte order of UTF-8 gives it.
char16_t foldedUnit(char16_t c)
{
    if (c >= u'A' && c <= u'Z')
        return char16_t(c + (u'a' - u'A'));
    // Surrogates after the rest of the basic plane: code point order.
    if (c >= 0xD800)
        return char16_t(c >= 0xE000 ? c - 0x800 : c + 0x2000);
    return c;
}

// `from`: the units before it are known to be equal once folded.
int compareText(const char16_t *a, qsizetype na, const char16_t *b, qsizetype nb,
                qsizetype from = 0)
{
    const qsizetype n = qMin(na, nb);
    for (qsizetype i = qMin(from, n); i < n; ++i) {
        if (a[i] == b[i])
            continue;
        const char16_t fa = foldedUnit(a[i]);
        const char16_t fb = foldedUnit(b[i]);
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

QString booleanText(const QVariant &v)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (ok)
        return NumberRules::plainText(QVariant(d != 0.0));
    return NumberRules::plainText(QVariant(v.toBool()));
}

} // namespace

// What the sort compares for one cell.
struct GridModel::SortKey
{
    const char16_t *text = nullptr;
    qsizetype length = 0;
    double number = 0;
    // The first eight folded units, which settle most text comparisons.
    quint64 prefix = 0;
    quint64 prefix2 = 0;
    qsizetype row = 0;
    bool empty = true;
    bool isNumber = false;
};

// Receives a query's rows straight from the engine into the grid's storage.
class GridModel::Reader : public SqlEngine::RowSink
{
public:
    explicit Reader(GridModel &model) : m(model) {}

    void columns(const QStringList &names) override
    {
        m.m_headings = names;
        m.m_columns = int(names.size());
    }
    void value(QVariant &&v) override { add(v); }
    void endRow() override { ++m.m_rows; }

    void add(const QVariant &v)
    {
        Cell c;
        if (v.isNull()) {
            c.type = Cell::Null;
        } else {
            switch (v.typeId()) {
            case QMetaType::LongLong:
            case QMetaType::Int:
            case QMetaType::Short:
            case QMetaType::UInt:
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
                c = m.textCell(v.typeId() == QMetaType::QString ? v.toString()
                                                                : NumberRules::plainText(v));
            }
        }
        m.appendCell(c);
    }

private:
    GridModel &m;
};

const GridModel::Cell &GridModel::cellAt(qsizetype row, int column) const
{
    const qsizetype i = row * m_columns + column;
    return m_cellBlocks[size_t(i >> CellBlockBits)][i & ((qsizetype(1) << CellBlockBits) - 1)];
}

const char16_t *GridModel::textOf(const Cell &cell) const
{
    if (cell.length == 0)
        return u"";
    return m_textBlocks[size_t(cell.bits >> 32)].get() + (cell.bits & 0xFFFFFFFFu);
}

void GridModel::appendCell(const Cell &cell)
{
    const qsizetype inBlock = m_cellCount & ((qsizetype(1) << CellBlockBits) - 1);
    if (inBlock == 0)
        m_cellBlocks.emplace_back(new Cell[size_t(1) << CellBlockBits]);
    m_cellBlocks.back()[inBlock] = cell;
    ++m_cellCount;
}

GridModel::Cell GridModel::textCell(const QString &text)
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

void GridModel::clearStore()
{
    std::vector<std::unique_ptr<Cell[]>>().swap(m_cellBlocks);
    m_cellCount = 0;
    std::vector<std::unique_ptr<char16_t[]>>().swap(m_textBlocks);
    m_textUsed = 0;
}

QColor GridModel::whiteRow()
{
    return QColor(255, 255, 255);
}

QColor GridModel::greyRow()
{
    return QColor(192, 192, 192);
}

GridModel::GridModel(QObject *parent) : QAbstractTableModel(parent) {}

GridModel::~GridModel() = default;

bool GridModel::loadQuery(Database &db, const QString &sql, const QVariantList &values)
{
    beginResetModel();
    if (m_set)
        disconnect(m_set, nullptr, this, nullptr);
    m_set = nullptr;
    clearStore();
    m_rows = 0;
    m_columns = 0;
    m_headings.clear();
    m_captions.clear();
    m_order.clear();
    m_sortColumn = -1;
    m_error = DbError();

    auto failed = [&](const DbError &e) {
        clearStore();
        m_rows = 0;
        m_error = e;
        endResetModel();
        return false;
    };
    if (!db.isOpen())
        return failed(DbError::runtime(ErrorNumber::ObjectClosed));

    const QString text = db.engine().translate(sql);
    Reader reader(*this);
    DbError error;
    bool supported = false;
    QSqlDatabase handle = db.handle();
    if (!db.engine().readAll(handle, text, values, reader, &error, &supported)) {
        if (supported)
            return failed(error);
        // An engine without its own reader: through the driver.
        QSqlQuery q(handle);
        q.setForwardOnly(true);
        if (!q.prepare(text))
            return failed(DbError::fromSql(q.lastError()));
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        if (!q.exec())
            return failed(DbError::fromSql(q.lastError()));
        const QSqlRecord rec = q.record();
        QStringList names;
        for (int i = 0; i < rec.count(); ++i)
            names << rec.fieldName(i);
        reader.columns(names);
        while (q.next()) {
            for (int i = 0; i < rec.count(); ++i)
                reader.add(q.value(i));
            reader.endRow();
        }
        if (q.lastError().isValid())
            return failed(DbError::fromSql(q.lastError()));
    }
    endResetModel();
    return true;
}

void GridModel::bind(Recordset *set)
{
    beginResetModel();
    if (m_set)
        disconnect(m_set, nullptr, this, nullptr);
    clearStore();
    m_rows = 0;
    m_set = set;
    m_captions.clear();
    m_error = DbError();
    if (set) {
        connect(set, &Recordset::contentChanged, this, &GridModel::onContentChanged);
        connect(set, &Recordset::moved, this, &GridModel::onMoved);
        connect(set, &QObject::destroyed, this, [this] { bind(nullptr); });
        m_headings = set->fieldNames();
        m_columns = int(m_headings.size());
    } else {
        m_headings.clear();
        m_columns = 0;
    }
    m_boundRows = sourceRowCount();
    buildOrder();
    endResetModel();
}

qsizetype GridModel::sourceRowCount() const
{
    if (!m_set)
        return m_rows;
    if (!m_set->isOpen() || m_set->kind() == Recordset::Kind::ForwardOnly)
        return 0;
    return qMax<qsizetype>(0, m_set->recordCount()) + (m_set->isAdding() ? 1 : 0);
}

void GridModel::refresh()
{
    if (!m_set)
        return;
    beginResetModel();
    m_headings = m_set->fieldNames();
    m_columns = int(m_headings.size());
    m_boundRows = sourceRowCount();
    buildOrder();
    endResetModel();
    emit currentRowChanged(currentRow());
}

void GridModel::onContentChanged()
{
    if (sourceRowCount() != m_boundRows || m_set->fieldNames() != m_headings) {
        refresh();
        return;
    }
    if (m_boundRows > 0 && m_columns > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, m_columns - 1));
}

void GridModel::onMoved()
{
    if (!m_moving)
        emit currentRowChanged(currentRow());
}

int GridModel::currentRow() const
{
    if (!m_set || !m_set->isOpen())
        return -1;
    qsizetype source = -1;
    if (m_set->isAdding())
        source = m_set->recordCount();
    else if (m_set->absolutePosition() >= 1)
        source = m_set->absolutePosition() - 1;
    if (source < 0)
        return -1;
    if (m_order.isEmpty())
        return source < m_boundRows ? int(source) : -1;
    return int(m_order.indexOf(source));
}

bool GridModel::setCurrentRow(int row)
{
    if (!m_set || row < 0 || row >= rowCount())
        return false;
    const qsizetype source = sourceRow(row);
    // Going to another row writes the row being added, as leaving any
    // edited row does.
    if (source >= m_set->recordCount()
        || (!m_set->isAdding() && m_set->absolutePosition() == source + 1))
        return true;
    m_moving = true;
    const bool ok = m_set->moveTo(source + 1);
    m_moving = false;
    if (!ok) {
        m_error = m_set->error();
        emit writeFailed(m_error);
        emit currentRowChanged(currentRow());
    }
    return ok;
}

void GridModel::setBooleanColumn(int column, bool boolean)
{
    if (boolean)
        m_booleanColumns.insert(column);
    else
        m_booleanColumns.remove(column);
    if (rowCount() > 0 && column >= 0 && column < m_columns)
        emit dataChanged(index(0, column), index(rowCount() - 1, column));
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    const qsizetype rows = m_set ? m_boundRows : m_rows;
    // The views count rows in int; a catalogue never comes near it.
    return int(qMin<qsizetype>(rows, std::numeric_limits<int>::max()));
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant GridModel::sourceValue(qsizetype row, int column) const
{
    if (column < 0 || column >= m_columns)
        return QVariant();
    if (m_set)
        return m_set->valueAt(row, column);
    if (row < 0 || row >= m_rows)
        return QVariant();
    const Cell &c = cellAt(row, column);
    switch (c.type) {
    case Cell::Null:
        return QVariant();
    case Cell::Int:
        return QVariant(qlonglong(asInt(c.bits)));
    case Cell::Double:
        return QVariant(asDouble(c.bits));
    case Cell::Bool:
        return QVariant(c.bits != 0);
    case Cell::Text:
        return QVariant(QString(reinterpret_cast<const QChar *>(textOf(c)), qsizetype(c.length)));
    }
    return QVariant();
}

QString GridModel::cellText(const QVariant &value, int column) const
{
    if (value.isNull())
        return QString();
    if (m_booleanColumns.contains(column))
        return booleanText(value);
    return NumberRules::plainText(value);
}

QVariant GridModel::value(int row, int column) const
{
    if (row < 0 || row >= rowCount())
        return QVariant();
    return sourceValue(sourceRow(row), column);
}

QString GridModel::text(int row, int column) const
{
    return cellText(value(row, column), column);
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= m_columns)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return text(index.row(), index.column());
    case Qt::BackgroundRole:
        // By position: the first data row white, the second grey, ...
        return index.row() % 2 == 0 ? whiteRow() : greyRow();
    default:
        return QVariant();
    }
}

QStringList GridModel::headings() const
{
    QStringList shown = m_headings;
    for (auto it = m_captions.constBegin(); it != m_captions.constEnd(); ++it)
        if (it.key() < shown.size())
            shown[it.key()] = it.value();
    return shown;
}

void GridModel::setCaption(int column, const QString &caption)
{
    m_captions.insert(column, caption);
    emit headerDataChanged(Qt::Horizontal, column, column);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0
        && section < m_headings.size())
        return m_captions.value(section, m_headings.at(section));
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_set && m_set->isUpdatable())
        f |= Qt::ItemIsEditable;
    return f;
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!m_set || role != Qt::EditRole || !index.isValid() || index.row() >= rowCount())
        return false;
    const qsizetype source = sourceRow(index.row());
    const bool adding = m_set->isAdding() && source == m_set->recordCount();
    if (!adding && !setCurrentRow(index.row()))
        return false;
    // An emptied cell is stored as null, as a bound grid does.
    QVariant stored = value;
    if (stored.typeId() == QMetaType::QString && stored.toString().isEmpty())
        stored = QVariant();
    const QString field = m_set->fieldNames().value(index.column());
    bool ok = m_set->setValue(field, stored);
    if (ok && m_writeEachEdit && !adding) {
        ok = m_set->update();
        if (!ok) {
            // Show what is stored, not the edit that was refused.
            const DbError refused = m_set->error();
            m_set->cancelUpdate();
            m_error = refused;
            emit writeFailed(m_error);
            return false;
        }
    }
    if (!ok) {
        m_error = m_set->error();
        emit writeFailed(m_error);
        return false;
    }
    emit dataChanged(index, index);
    return true;
}

void GridModel::buildOrder()
{
    m_order.clear();
    if (m_sortColumn >= 0 && m_sortColumn < m_columns)
        applySort(false);
    else
        m_sortColumn = -1;
}

void GridModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_columns || rowCount() == 0)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    applySort(true);
}

void GridModel::applySort(bool notify)
{
    // A row being added stays last, where the user types it.
    const bool adding = m_set && m_set->isAdding() && m_boundRows > 0;
    const qsizetype n = m_set ? m_boundRows - (adding ? 1 : 0) : m_rows;
    const int column = m_sortColumn;

    // One key per stored row. The texts they point to live in the pool or in
    // `texts` until the sort ends (a QString's characters stay put while
    // the list that holds it grows).
    QVector<SortKey> keys(n);
    QVector<QString> texts;
    auto keepText = [&texts](SortKey &k, const QString &text) {
        texts.append(text);
        k.text = reinterpret_cast<const char16_t *>(texts.last().constData());
        k.length = text.size();
    };
    const bool boolean = m_booleanColumns.contains(column);
    bool anyText = false;
    for (qsizetype r = 0; r < n; ++r) {
        SortKey &k = keys[r];
        QVariant v;
        if (!m_set) {
            const Cell &c = cellAt(r, column);
            if (c.type == Cell::Null)
                continue;
            if (c.type == Cell::Text) {
                k.text = textOf(c);
                k.length = c.length;
            } else {
                v = sourceValue(r, column);
            }
        } else {
            v = m_set->valueAt(r, column);
            if (v.isNull())
                continue;
        }
        if (!k.text) {
            const int type = v.typeId();
            if (!boolean && (type == QMetaType::LongLong || type == QMetaType::Int
                             || type == QMetaType::Double || type == QMetaType::Float
                             || type == QMetaType::UInt || type == QMetaType::Short)) {
                k.empty = false;
                k.isNumber = true;
                k.number = v.toDouble();
                continue;
            }
            keepText(k, cellText(v, column));
        }
        anyText = true;
        k.empty = k.length == 0;
        if (!k.empty)
            k.isNumber = readsAsNumber(k.text, k.length, &k.number);
    }
    // A number compared with text compares as text: numbers need their text.
    if (anyText) {
        for (qsizetype r = 0; r < n; ++r) {
            SortKey &k = keys[r];
            if (k.isNumber && !k.text)
                keepText(k, cellText(m_set ? m_set->valueAt(r, column) : sourceValue(r, column),
                                     column));
        }
    }

    for (SortKey &k : keys) {
        quint64 prefix[2] = {0, 0};
        for (qsizetype i = 0; i < 8; ++i)
            prefix[i / 4] = (prefix[i / 4] << 16) | (i < k.length ? foldedUnit(k.text[i]) : 0);
        k.prefix = prefix[0];
        k.prefix2 = prefix[1];
    }

    auto compare = [](const SortKey &x, const SortKey &y) {
        if (x.empty || y.empty)
            return x.empty == y.empty ? 0 : (x.empty ? -1 : 1);
        if (x.isNumber && y.isNumber)
            return x.number < y.number ? -1 : (y.number < x.number ? 1 : 0);
        if (x.prefix != y.prefix)
            return x.prefix < y.prefix ? -1 : 1;
        if (x.prefix2 != y.prefix2)
            return x.prefix2 < y.prefix2 ? -1 : 1;
        return compareText(x.text, x.length, y.text, y.length, 8);
    };
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    // Strictly before: equal rows keep their order either way.
    auto before = [&](const SortKey &a, const SortKey &b) {
        const int c = compare(a, b);
        return descending ? c > 0 : c < 0;
    };

    // The keys in the rows' current shown order, so that a stable sort keeps
    // the previous order among equal cells. A merge sort with bounds of its
    // own: the mixed rule need not be a strict weak order, which std::sort
    // assumes. The keys themselves move, so that comparing reads memory in
    // order.
    std::vector<SortKey> run(static_cast<size_t>(n));
    for (qsizetype i = 0; i < n; ++i) {
        const qsizetype stored = notify ? sourceRow(int(i)) : i;
        run[size_t(i)] = keys.at(stored);
        run[size_t(i)].row = stored;
    }
    keys = {};
    SortKey *a = run.data();
    constexpr qsizetype Block = 32;
    for (qsizetype lo = 0; lo < n; lo += Block) {
        const qsizetype hi = qMin(lo + Block, n);
        for (qsizetype i = lo + 1; i < hi; ++i) {
            SortKey moving = a[i];
            qsizetype j = i;
            for (; j > lo && before(moving, a[j - 1]); --j)
                a[j] = a[j - 1];
            a[j] = moving;
        }
    }
    std::vector<SortKey> spare(static_cast<size_t>(n));
    SortKey *from = run.data();
    SortKey *to = spare.data();
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
    QVector<qsizetype> order(n);
    for (qsizetype i = 0; i < n; ++i)
        order[i] = from[i].row;
    run = {};
    spare = {};
    if (adding)
        order.append(n);

    if (!notify) {
        m_order = std::move(order);
        return;
    }
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList persistent = persistentIndexList();
    QVector<qsizetype> oldOrder = m_order;
    m_order = std::move(order);
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
