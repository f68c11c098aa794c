#include "importing/jet/accessfile.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QVarLengthArray>
#include <cmath>
#include <vector>

#ifdef PARTWISE_HAS_LIBMDB
extern "C" {
#include <mdbtools.h>
}
#endif

namespace {

// The longest text (a Memo) read whole; longer ones are refused.
constexpr int BindSize = 1 << 20;

} // namespace

#ifdef PARTWISE_HAS_LIBMDB
struct AccessFile::Handle
{
    MdbHandle *mdb = nullptr;
    MdbTableDef *table = nullptr;
    std::vector<QByteArray> buffers;
    std::vector<int> lengths;
    qint64 row = 0;

    void closeTable()
    {
        if (table)
            mdb_free_tabledef(table);
        table = nullptr;
        buffers.clear();
        lengths.clear();
    }
    ~Handle()
    {
        closeTable();
        if (mdb)
            mdb_close(mdb);
    }
};
#else
struct AccessFile::Handle
{
};
#endif

AccessFile::AccessFile() : m(std::make_unique<Handle>()) {}
AccessFile::~AccessFile() = default;

bool AccessFile::isAccessFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray area = file.read(32).mid(4, 15);
    return area == "Standard Jet DB" || area == "Standard ACE DB";
}

bool AccessFile::isSupported()
{
#ifdef PARTWISE_HAS_LIBMDB
    return true;
#else
    return false;
#endif
}

QString AccessFile::isoDate(double value)
{
    // Before 1899-12-30 the whole days count back while the fraction still
    // counts forward from midnight.
    const double days = std::trunc(value);
    const qint64 seconds = qRound64(std::fabs(value - days) * 86400.0);
    const QDateTime at(QDate(1899, 12, 30).addDays(qint64(days)), QTime(0, 0));
    return at.addSecs(seconds).toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

#ifdef PARTWISE_HAS_LIBMDB

bool AccessFile::open(const QString &path, QString *error)
{
    m_path = path;
    if (!isAccessFile(path)) {
        *error = QStringLiteral("%1 is not a Microsoft Access database.").arg(path);
        return false;
    }
    m->mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!m->mdb || !mdb_read_catalog(m->mdb, MDB_TABLE)) {
        *error = QStringLiteral("%1 cannot be read as an Access database.").arg(path);
        return false;
    }
    mdb_set_bind_size(m->mdb, BindSize);
    mdb_set_boolean_fmt_numbers(m->mdb);
    return true;
}

QStringList AccessFile::tables()
{
    QStringList names;
    if (!m->mdb)
        return names;
    for (unsigned int i = 0; i < m->mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(m->mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            names << QString::fromUtf8(entry->object_name);
    }
    return names;
}

bool AccessFile::openTable(const QString &table, QStringList *columns, QString *error)
{
    m->closeTable();
    m->row = 0;
    MdbCatalogEntry *found = nullptr;
    for (unsigned int i = 0; i < m->mdb->num_catalog && !found; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(m->mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && QString::fromUtf8(entry->object_name) == table)
            found = entry;
    }
    if (!found || !(m->table = mdb_read_table(found)) || !mdb_read_columns(m->table)) {
        *error = QStringLiteral("the table cannot be read");
        m->closeTable();
        return false;
    }
    mdb_rewind_table(m->table);
    columns->clear();
    m->buffers.assign(m->table->num_cols, QByteArray());
    m->lengths.assign(m->table->num_cols, 0);
    for (unsigned int i = 0; i < m->table->num_cols; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(m->table->columns, i));
        *columns << QString::fromUtf8(col->name);
        m->buffers[i].resize(BindSize + 1);
        mdb_bind_column(m->table, int(i + 1), m->buffers[i].data(), &m->lengths[i]);
    }
    return true;
}

bool AccessFile::nextRow(QVariantList *values, QString *error)
{
    values->clear();
    if (!m->table || !mdb_fetch_row(m->table))
        return false;
    ++m->row;
    for (unsigned int i = 0; i < m->table->num_cols; ++i) {
        auto *col = static_cast<MdbColumn *>(g_ptr_array_index(m->table->columns, i));
        const int length = m->lengths[i];
        const char *text = m->buffers[i].constData();
        if (col->col_type == MDB_BOOL) {
            values->append(qlonglong(text[0] == '1' ? 1 : 0));
            continue;
        }
        if (length <= 0) {
            values->append(QVariant());
            continue;
        }
        if (length >= BindSize) {
            *error = QStringLiteral("row %1, column %2 holds more than %3 bytes")
                         .arg(m->row).arg(QString::fromUtf8(col->name)).arg(BindSize);
            return false;
        }
        switch (col->col_type) {
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
            values->append(QByteArray(text, length).toLongLong());
            break;
        case MDB_MONEY:
        case MDB_NUMERIC:
            // Written with every decimal it has ("18.0000"): read as the
            // nearest double, as dividing the stored units would give.
            values->append(QByteArray(text, length).toDouble());
            break;
        case MDB_FLOAT:
            values->append(double(mdb_get_single(m->mdb->pg_buf, col->cur_value_start)));
            break;
        case MDB_DOUBLE:
            values->append(mdb_get_double(m->mdb->pg_buf, col->cur_value_start));
            break;
        case MDB_DATETIME:
            values->append(isoDate(mdb_get_double(m->mdb->pg_buf, col->cur_value_start)));
            break;
        case MDB_TEXT:
        case MDB_MEMO:
        case MDB_REPID:
            values->append(QString::fromUtf8(text, length));
            break;
        default:
            values->append(QByteArray(text, length));
        }
    }
    return true;
}

#else

bool AccessFile::open(const QString &path, QString *error)
{
    m_path = path;
    *error = QStringLiteral("This build of Partwise cannot read Access databases (it was built "
                            "without libmdb).");
    return false;
}
QStringList AccessFile::tables() { return {}; }
bool AccessFile::openTable(const QString &, QStringList *, QString *error)
{
    *error = QStringLiteral("no Access reader");
    return false;
}
bool AccessFile::nextRow(QVariantList *, QString *) { return false; }

#endif
