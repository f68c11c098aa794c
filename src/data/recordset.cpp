#include "data/recordset.h"

#include "data/caserules.h"
#include "data/database.h"
#include "data/writetransaction.h"

#include "data/dialect.h"

#include <QMutex>

namespace {

QString quoted(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

// How a statement is run as a result set: worked out once per statement
// text and kind, then kept.
struct Plan
{
    QString text;    // the statement as run, the row key first when updatable
    QString table;   // set when rows can be written back
    QString columns; // the statement's column list, to read a new row back
    bool wholeTable = false; // no WHERE: the table's row count sizes the read
};

Plan makePlan(const SqlEngine &engine, const QString &sql, Recordset::Kind kind)
{
    Plan plan;
    Dialect::SingleTable single;
    if (kind == Recordset::Kind::ForwardOnly || !Dialect::singleTable(sql, &single)) {
        plan.text = sql;
        return plan;
    }
    plan.table = single.table;
    plan.columns = single.columns;
    plan.wholeTable = !Dialect::hasWhere(single.rest);
    plan.text = QStringLiteral("SELECT ") + engine.rowKeyExpression(single.table)
                + QStringLiteral(", ") + single.columns + QStringLiteral(" FROM ") + single.table
                + single.rest;
    return plan;
}

Plan planFor(const SqlEngine &engine, const QString &sql, Recordset::Kind kind)
{
    static QMutex lock;
    static QHash<QString, Plan> plans;
    const QString key = engine.driverName() + QLatin1Char(char('0' + int(kind))) + sql;
    QMutexLocker locked(&lock);
    auto it = plans.constFind(key);
    if (it != plans.constEnd())
        return *it;
    if (plans.size() > 1000)
        plans.clear();
    return *plans.insert(key, makePlan(engine, sql, kind));
}

} // namespace

Recordset::Recordset(QObject *parent) : QObject(parent) {}

Recordset::~Recordset() = default;

bool Recordset::fail(const DbError &e) const
{
    m_error = e;
    return false;
}

bool Recordset::ensureOpen() const
{
    if (!m_open)
        return fail(DbError::runtime(ErrorNumber::ObjectClosed));
    return true;
}

bool Recordset::open(Database &db, const QString &sql, const QVariantList &values, Kind kind)
{
    if (m_open)
        close();
    m_error = DbError();
    if (!db.isOpen() && !db.isConnectionLost())
        return fail(DbError::runtime(ErrorNumber::ObjectClosed));
    m_db = &db;
    m_sql = sql;
    m_values = values;
    m_kind = kind;
    const Plan plan = planFor(db.engine(), sql, kind);
    m_table = plan.table;
    m_columnsText = plan.columns;
    return read(plan.text, plan.wholeTable);
}

bool Recordset::read(const QString &text, bool wholeTable)
{
    Database &db = *m_db;
    m_data.clear();
    m_keys.clear();
    m_pending.clear();
    m_newRow.clear();
    m_adding = false;
    m_onDeleted = false;
    m_rows = 0;
    m_current = -1;
    m_fields.clear();
    m_fieldIndex.clear();
    m_source.clear();

    const int skip = m_table.isEmpty() ? 0 : 1;
    // The engine's own key column is left out of the set.
    const QString hidden = db.engine().hiddenColumn();
    struct Sink : SqlEngine::RowSink
    {
        Recordset *rs;
        int skip;
        QString hidden;
        QVector<bool> keep;
        int column = 0;
        qsizetype expected = 0;
        void columns(const QStringList &names) override
        {
            rs->m_width = int(names.size());
            keep = QVector<bool>(names.size(), false);
            for (int i = skip; i < names.size(); ++i) {
                if (!hidden.isEmpty() && names.at(i).compare(hidden, Qt::CaseInsensitive) == 0)
                    continue;
                rs->m_fieldIndex.insert(CaseRules::folded(names.at(i)), int(rs->m_fields.size()));
                rs->m_fields << names.at(i);
                rs->m_source << i;
                keep[i] = true;
            }
            rs->m_cols = int(rs->m_fields.size());
            rs->m_data.reserve(qMax<qsizetype>(64, expected * rs->m_cols));
            rs->m_keys.reserve(expected);
        }
        void value(QVariant &&v) override
        {
            const int c = column++;
            if (c < skip)
                rs->m_keys.append(v.toLongLong());
            else if (keep.at(c))
                rs->m_data.append(std::move(v));
        }
        void endRow() override
        {
            column = 0;
            ++rs->m_rows;
        }
    } sink;
    sink.rs = this;
    sink.skip = skip;
    sink.hidden = hidden;
    // A whole table: its row count is cheap to ask and spares growing (and
    // copying) the values while they are read.
    if (wholeTable)
        sink.expected = db.scalar(QStringLiteral("SELECT count(*) FROM ") + m_table).toLongLong();
    const Database::Read mode = m_kind == Kind::ForwardOnly ? Database::Read::Plain
                                                            : Database::Read::Locking;
    if (!db.read(text, m_values, sink, mode)) {
        m_data.clear();
        m_keys.clear();
        m_rows = 0;
        return fail(db.error());
    }
    m_data.squeeze();
    m_keys.squeeze();
    m_open = true;
    m_current = 0; // the first row, or both ends at once for an empty set
    emit contentChanged();
    emit moved();
    return true;
}

bool Recordset::close()
{
    if (!m_open)
        return fail(DbError::runtime(ErrorNumber::ObjectClosed));
    m_open = false;
    m_data.clear();
    m_data.squeeze();
    m_keys.clear();
    m_keys.squeeze();
    m_pending.clear();
    m_newRow.clear();
    m_adding = false;
    m_rows = 0;
    m_current = -1;
    m_error = DbError();
    emit contentChanged();
    return true;
}

qsizetype Recordset::recordCount() const
{
    if (!m_open)
        return -1;
    return m_kind == Kind::ForwardOnly ? -1 : m_rows;
}

bool Recordset::isEof() const
{
    if (!m_open)
        return true;
    return !m_onDeleted && (m_current >= m_rows || m_rows == 0);
}

bool Recordset::isBof() const
{
    if (!m_open)
        return true;
    if (m_kind == Kind::ForwardOnly)
        return false;
    return !m_onDeleted && (m_current < 0 || m_rows == 0);
}

bool Recordset::hasCurrent() const
{
    return m_open && !m_onDeleted && !isEof() && !isBof();
}

qsizetype Recordset::absolutePosition() const
{
    if (isBof())
        return PositionBof;
    if (isEof())
        return PositionEof;
    return m_current + 1;
}

bool Recordset::setCurrent(qsizetype row)
{
    if (!flushPending())
        return false;
    m_onDeleted = false;
    m_current = row;
    m_error = DbError();
    emit moved();
    return true;
}

bool Recordset::moveFirst()
{
    if (!ensureOpen())
        return false;
    if (m_kind == Kind::ForwardOnly)
        return fail(DbError::runtime(ErrorNumber::NotAllowed));
    if (m_rows == 0)
        return fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
    return setCurrent(0);
}

bool Recordset::moveLast()
{
    if (!ensureOpen())
        return false;
    if (m_kind == Kind::ForwardOnly)
        return fail(DbError::runtime(ErrorNumber::NotAllowed));
    if (m_rows == 0)
        return fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
    return setCurrent(m_rows - 1);
}

bool Recordset::moveNext()
{
    if (!ensureOpen())
        return false;
    if (m_onDeleted) // the row after the deleted one is already in place
        return setCurrent(m_current);
    if (isEof())
        return fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
    return setCurrent(m_current + 1);
}

bool Recordset::movePrevious()
{
    if (!ensureOpen())
        return false;
    if (m_kind == Kind::ForwardOnly)
        return fail(DbError::runtime(ErrorNumber::NotAllowed));
    if (isBof())
        return fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
    return setCurrent(qMin(m_current, m_rows) - 1);
}

bool Recordset::moveTo(qsizetype position)
{
    if (!ensureOpen())
        return false;
    if (m_kind == Kind::ForwardOnly)
        return fail(DbError::runtime(ErrorNumber::NotAllowed));
    if (position < 1 || position > m_rows)
        return fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
    return setCurrent(position - 1);
}

int Recordset::fieldIndex(const QString &name) const
{
    return m_fieldIndex.value(CaseRules::folded(name), -1);
}

QVariant Recordset::value(int column) const
{
    if (!ensureOpen())
        return QVariant();
    if (column < 0 || column >= m_cols) {
        fail(DbError::runtime(ErrorNumber::ItemNotFound));
        return QVariant();
    }
    if (m_adding) {
        m_error = DbError();
        return m_newRow.value(column);
    }
    if (!hasCurrent()) {
        fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
        return QVariant();
    }
    m_error = DbError();
    const auto pending = m_pending.constFind(m_current);
    if (pending != m_pending.constEnd() && pending->contains(column))
        return pending->value(column);
    return m_data.at(m_current * m_cols + column);
}

QVariant Recordset::valueAt(qsizetype row, int column) const
{
    if (!m_open || column < 0 || column >= m_cols)
        return QVariant();
    if (m_adding && row == m_rows)
        return m_newRow.value(column);
    if (row < 0 || row >= m_rows)
        return QVariant();
    const auto pending = m_pending.constFind(row);
    if (pending != m_pending.constEnd() && pending->contains(column))
        return pending->value(column);
    return m_data.at(row * m_cols + column);
}

QVariant Recordset::value(const QString &name) const
{
    const int column = fieldIndex(name);
    if (column < 0 && m_open) {
        fail(DbError::runtime(ErrorNumber::ItemNotFound));
        return QVariant();
    }
    return value(column);
}

bool Recordset::setValue(const QString &name, const QVariant &value)
{
    if (!ensureOpen())
        return false;
    if (!isUpdatable())
        return fail(DbError::runtime(ErrorNumber::NotUpdatable));
    const int column = fieldIndex(name);
    if (column < 0)
        return fail(DbError::runtime(ErrorNumber::ItemNotFound));
    m_error = DbError();
    if (m_adding) {
        m_newRow.insert(column, value);
        emit contentChanged();
        return true;
    }
    if (!hasCurrent())
        return fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
    m_pending[m_current].insert(column, value);
    emit contentChanged();
    return true;
}

bool Recordset::addNew()
{
    if (!ensureOpen())
        return false;
    if (!isUpdatable())
        return fail(DbError::runtime(ErrorNumber::NotUpdatable));
    if (!flushPending())
        return false;
    m_adding = true;
    m_newRow.clear();
    m_error = DbError();
    emit contentChanged();
    return true;
}

bool Recordset::insertRow(const QHash<int, QVariant> &changes)
{
    QStringList names;
    QStringList marks;
    QVariantList values;
    for (auto it = changes.constBegin(); it != changes.constEnd(); ++it) {
        names << quoted(m_fields.at(it.key()));
        marks << QStringLiteral("?");
        values << it.value();
    }
    const SqlEngine &engine = m_db->engine();
    const QString sql = names.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_table)
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
              .arg(m_table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    qint64 key = -1;
    if (!m_db->insert(sql, values, &key))
        return fail(m_db->error());

    // Read the stored row back so that defaults show as the database gives them.
    const QList<QVariantList> back = m_db->rows(
        QStringLiteral("SELECT ") + m_columnsText + QStringLiteral(" FROM ") + m_table
            + QStringLiteral(" WHERE ") + engine.rowKeyExpression(m_table) + QStringLiteral(" = ?"),
        {key});
    QVector<QVariant> row(m_cols);
    // The read-back has no key column in front: its columns sit one to the left.
    if (back.size() == 1 && back.first().size() == m_width - 1) {
        for (int i = 0; i < m_cols; ++i)
            row[i] = back.first().at(m_source.at(i) - 1);
    } else {
        for (auto it = changes.constBegin(); it != changes.constEnd(); ++it)
            row[it.key()] = it.value();
    }
    m_data += row;
    m_keys.append(key);
    ++m_rows;
    m_current = m_rows - 1;
    return true;
}

bool Recordset::writeRow(qsizetype row, const QHash<int, QVariant> &changes)
{
    if (changes.isEmpty())
        return true;
    QStringList sets;
    QVariantList values;
    for (auto it = changes.constBegin(); it != changes.constEnd(); ++it) {
        sets << quoted(m_fields.at(it.key())) + QStringLiteral(" = ?");
        values << it.value();
    }
    const SqlEngine &engine = m_db->engine();
    values << m_keys.at(row);
    qint64 written = 0;
    if (!m_db->execute(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                           .arg(m_table, sets.join(QLatin1Char(',')), engine.rowKeyExpression(m_table)),
                       values, &written))
        return fail(m_db->error());
    // Someone else deleted the row since it was read: nothing was written.
    if (written == 0)
        return fail(DbError::runtime(ErrorNumber::RowNotFound));
    for (auto it = changes.constBegin(); it != changes.constEnd(); ++it)
        m_data[row * m_cols + it.key()] = it.value();
    return true;
}

bool Recordset::update()
{
    if (!ensureOpen())
        return false;
    m_error = DbError();
    if (m_adding) {
        if (!insertRow(m_newRow))
            return false;
        m_adding = false;
        m_newRow.clear();
        emit contentChanged();
        emit moved();
        return true;
    }
    if (!hasCurrent())
        return m_pending.isEmpty() ? true : fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
    const auto changes = m_pending.value(m_current);
    if (!writeRow(m_current, changes))
        return false;
    m_pending.remove(m_current);
    return true;
}

bool Recordset::flushPending()
{
    if (m_batch)
        return true;
    if (m_adding || m_pending.contains(m_current))
        return update();
    return true;
}

bool Recordset::updateBatch()
{
    if (!ensureOpen())
        return false;
    m_error = DbError();
    // All or nothing, in the database and in the set: a failure puts back
    // what the set held, pending edits included, so nothing shows that was
    // rolled back and nothing the user entered is dropped. A write that met
    // another workstation's is run again from what the set held.
    const auto data = m_data;
    const auto keys = m_keys;
    const qsizetype rows = m_rows;
    const qsizetype current = m_current;
    auto restore = [&] {
        m_data = data;
        m_keys = keys;
        m_rows = rows;
        m_current = current;
    };
    DbError error;
    const bool written = runWrite(*m_db, [&](DbError *failure) {
        restore();
        if (m_adding && !insertRow(m_newRow)) {
            *failure = m_error;
            return false;
        }
        for (auto it = m_pending.constBegin(); it != m_pending.constEnd(); ++it) {
            if (!writeRow(it.key(), it.value())) {
                *failure = m_error;
                return false;
            }
        }
        return true;
    }, &error);
    if (!written) {
        restore();
        emit contentChanged();
        return fail(error);
    }
    m_adding = false;
    m_newRow.clear();
    m_pending.clear();
    emit contentChanged();
    return true;
}

bool Recordset::cancelUpdate()
{
    if (!ensureOpen())
        return false;
    m_adding = false;
    m_newRow.clear();
    if (m_batch)
        m_pending.clear();
    else
        m_pending.remove(m_current);
    m_error = DbError();
    emit contentChanged();
    return true;
}

bool Recordset::deleteCurrent()
{
    if (!ensureOpen())
        return false;
    if (!isUpdatable())
        return fail(DbError::runtime(ErrorNumber::NotUpdatable));
    if (m_adding)
        return cancelUpdate();
    if (!hasCurrent())
        return fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
    const SqlEngine &engine = m_db->engine();
    qint64 deleted = 0;
    if (!m_db->execute(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                           .arg(m_table, engine.rowKeyExpression(m_table)),
                       {m_keys.at(m_current)}, &deleted))
        return fail(m_db->error());
    if (deleted == 0)
        return fail(DbError::runtime(ErrorNumber::RowNotFound));
    m_data.remove(m_current * m_cols, m_cols);
    m_keys.remove(m_current);
    // Pending edits of later rows move up by one.
    QHash<qsizetype, QHash<int, QVariant>> shifted;
    for (auto it = m_pending.constBegin(); it != m_pending.constEnd(); ++it) {
        if (it.key() < m_current)
            shifted.insert(it.key(), it.value());
        else if (it.key() > m_current)
            shifted.insert(it.key() - 1, it.value());
    }
    m_pending = shifted;
    --m_rows;
    // Like a server cursor, the deleted row stays current until the next move.
    m_onDeleted = true;
    m_error = DbError();
    emit contentChanged();
    return true;
}

bool Recordset::requery()
{
    if (!m_db)
        return fail(DbError::runtime(ErrorNumber::ObjectClosed));
    Database &db = *m_db;
    const QString sql = m_sql;
    const QVariantList values = m_values;
    return open(db, sql, values, m_kind);
}

bool Recordset::findForward(const QString &column, Match match, const QString &text)
{
    if (!ensureOpen())
        return false;
    if (m_kind == Kind::ForwardOnly)
        return fail(DbError::runtime(ErrorNumber::NotAllowed));
    const int col = fieldIndex(column);
    if (col < 0)
        return fail(DbError::runtime(ErrorNumber::ItemNotFound));
    if (!flushPending())
        return false;
    qsizetype row = m_onDeleted ? m_current : qMax<qsizetype>(m_current, 0);
    for (; row < m_rows; ++row) {
        const QVariant &v = m_data.at(row * m_cols + col);
        if (v.isNull())
            continue;
        const QString s = v.toString();
        const bool hit = match == Match::Equal ? CaseRules::equal(s, text)
                                               : CaseRules::startsWith(s, text);
        if (hit)
            break;
    }
    m_onDeleted = false;
    m_current = row;
    m_error = DbError();
    emit moved();
    return true;
}
