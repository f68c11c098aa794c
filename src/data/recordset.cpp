#include "data/recordset.h"

#include "data/caserules.h"
#include "data/database.h"
#include "data/writetransaction.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <functional>

namespace {

// The driver types a null by its column (a null text); the engine's own
// reader gives a plain null. Both paths give the same.
QVariant plainNull(QVariant &&v)
{
    return v.isNull() ? QVariant() : std::move(v);
}

QString quoted(const QString &name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

// A plain "SELECT <columns> FROM <table> [WHERE/ORDER BY ...]" over one table
// can write its rows back; joins, groups and distinct sets cannot.
struct SingleTable
{
    QString columns;
    QString table;
    QString rest;
};

bool parseSingleTable(const QString &sql, SingleTable *out)
{
    static const QRegularExpression re(
        QStringLiteral(R"(^\s*select\s+(.+?)\s+from\s+([A-Za-z_][A-Za-z0-9_]*)\b(.*)$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression notPlain(
        QStringLiteral(R"(^\s*,|\bjoin\b|\bgroup\s+by\b|\bunion\b)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression distinct(QStringLiteral(R"(^\s*distinct\b)"),
                                             QRegularExpression::CaseInsensitiveOption);
    // A sub-select among the columns: the first "from" is not the statement's.
    static const QRegularExpression subSelect(QStringLiteral(R"(\bselect\b)"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(sql);
    if (!m.hasMatch())
        return false;
    // A set of totals has no rows of the table to write back.
    static const QRegularExpression aggregate(QStringLiteral(R"(\b(count|sum|min|max|avg)\s*\()"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (notPlain.match(m.captured(3)).hasMatch() || distinct.match(m.captured(1)).hasMatch()
        || aggregate.match(m.captured(1)).hasMatch()
        || subSelect.match(m.captured(1)).hasMatch())
        return false;
    out->columns = m.captured(1);
    out->table = m.captured(2);
    out->rest = m.captured(3);
    return true;
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
    if (!db.isOpen())
        return fail(DbError::runtime(ErrorNumber::ObjectClosed));
    m_db = &db;
    m_sql = sql;
    m_values = values;
    m_kind = kind;
    m_table.clear();
    m_data.clear();
    m_keys.clear();
    m_pending.clear();
    m_newRow.clear();
    m_adding = false;
    m_onDeleted = false;
    m_rows = 0;
    m_current = -1;
    m_streamEnd = false;

    const SqlEngine &engine = db.engine();
    // The statement is taken apart in the windows' own dialect, then the
    // engine's translation applies to the whole.
    SingleTable single;
    const bool writable = kind != Kind::ForwardOnly && parseSingleTable(sql, &single);
    QString text = sql;
    if (writable) {
        text = QStringLiteral("SELECT ") + engine.rowKeyExpression(single.table)
               + QStringLiteral(", ") + single.columns + QStringLiteral(" FROM ") + single.table
               + single.rest;
    }
    text = engine.translate(text);
    if (db.inWriteTransaction() && kind != Kind::ForwardOnly)
        text = engine.lockingRead(text);

    const int skip = writable ? 1 : 0;
    if (writable)
    {
        m_table = single.table;
        m_columnsText = single.columns;
    }
    m_fields.clear();
    m_fieldIndex.clear();
    m_source.clear();
    // The engine's own key column is left out of the set.
    const QString hidden = engine.hiddenColumn();
    QVector<bool> keep;
    auto setColumns = [&](const QStringList &names) {
        m_width = int(names.size());
        keep = QVector<bool>(names.size(), false);
        for (int i = skip; i < names.size(); ++i) {
            if (!hidden.isEmpty() && names.at(i).compare(hidden, Qt::CaseInsensitive) == 0)
                continue;
            m_fieldIndex.insert(CaseRules::folded(names.at(i)), int(m_fields.size()));
            m_fields << names.at(i);
            m_source << i;
            keep[i] = true;
        }
        m_cols = int(m_fields.size());
    };

    if (kind != Kind::ForwardOnly) {
        // The engine's own reader where it has one: much faster on large sets.
        struct Sink : SqlEngine::RowSink
        {
            Recordset *rs;
            int skip;
            int column = 0;
            std::function<void(const QStringList &)> setColumns;
            const QVector<bool> *keep = nullptr;
            qsizetype expected = 0;
            void columns(const QStringList &names) override
            {
                setColumns(names);
                rs->m_data.reserve(qMax<qsizetype>(1024, expected * rs->m_cols));
                rs->m_keys.reserve(expected);
            }
            void value(QVariant &&v) override
            {
                const int c = column++;
                if (c < skip)
                    rs->m_keys.append(v.toLongLong());
                else if (keep->at(c))
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
        sink.setColumns = setColumns;
        sink.keep = &keep;
        // A whole table: its row count is cheap to ask and spares growing
        // (and copying) the values while they are read.
        static const QRegularExpression where(QStringLiteral(R"(\bwhere\b)"),
                                              QRegularExpression::CaseInsensitiveOption);
        if (writable && !where.match(single.rest).hasMatch()) {
            QSqlQuery count(db.handle());
            if (count.exec(engine.translate(QStringLiteral("SELECT count(*) FROM ") + single.table))
                && count.next())
                sink.expected = count.value(0).toLongLong();
        }
        DbError error;
        bool supported = false;
        QSqlDatabase handle = db.handle();
        if (engine.readAll(handle, text, values, sink, &error, &supported)) {
            m_data.squeeze();
            m_keys.squeeze();
            m_open = true;
            m_current = 0;
            emit contentChanged();
            emit moved();
            return true;
        }
        if (supported) {
            m_data.clear();
            m_keys.clear();
            m_rows = 0;
            return fail(error);
        }
        m_fields.clear();
        m_fieldIndex.clear();
        m_source.clear();
    }

    auto q = std::make_unique<QSqlQuery>(db.handle());
    q->setForwardOnly(true);
    if (!q->prepare(text))
        return fail(engine.errorFrom(q->lastError()));
    for (int i = 0; i < values.size(); ++i)
        q->bindValue(i, engine.bindable(bindableValue(values.at(i))));
    if (!q->exec())
        return fail(engine.errorFrom(q->lastError()));

    const QSqlRecord rec = q->record();
    QStringList names;
    for (int i = 0; i < rec.count(); ++i)
        names << rec.fieldName(i);
    setColumns(names);

    if (kind == Kind::ForwardOnly) {
        m_stream = std::move(q);
        m_open = true;
        m_current = 0;
        fetchForward();
        return !m_error;
    }

    m_data.reserve(1024);
    while (q->next()) {
        if (writable)
            m_keys.append(q->value(0).toLongLong());
        for (const int i : std::as_const(m_source))
            m_data.append(plainNull(q->value(i)));
        ++m_rows;
    }
    if (q->lastError().isValid())
        return fail(engine.errorFrom(q->lastError()));
    m_data.squeeze();
    m_keys.squeeze();
    m_open = true;
    m_current = 0; // the first row, or both ends at once for an empty set
    emit contentChanged();
    emit moved();
    return true;
}

bool Recordset::fetchForward()
{
    if (m_stream && m_stream->next()) {
        m_streamRow.resize(m_cols);
        for (int i = 0; i < m_cols; ++i)
            m_streamRow[i] = plainNull(m_stream->value(m_source.at(i)));
        m_rows = m_current + 1;
        return true;
    }
    if (m_stream && m_stream->lastError().isValid())
        fail(m_db->engine().errorFrom(m_stream->lastError()));
    m_streamEnd = true;
    m_streamRow.clear();
    m_rows = m_current;
    return false;
}

bool Recordset::close()
{
    if (!m_open)
        return fail(DbError::runtime(ErrorNumber::ObjectClosed));
    m_open = false;
    m_stream.reset();
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
    if (m_kind == Kind::ForwardOnly)
        return m_streamEnd;
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
    if (m_kind == Kind::ForwardOnly) {
        if (m_streamEnd)
            return fail(DbError::runtime(ErrorNumber::NoCurrentRecord));
        ++m_current;
        m_error = DbError();
        fetchForward();
        emit moved();
        return !m_error;
    }
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
    if (m_kind == Kind::ForwardOnly)
        return m_streamRow.at(column);
    const auto pending = m_pending.constFind(m_current);
    if (pending != m_pending.constEnd() && pending->contains(column))
        return pending->value(column);
    return m_data.at(m_current * m_cols + column);
}

QVariant Recordset::valueAt(qsizetype row, int column) const
{
    if (!m_open || m_kind == Kind::ForwardOnly || column < 0 || column >= m_cols)
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
    const QString keyClause = engine.insertKeyClause();
    const QString sql = (names.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(m_table)
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
              .arg(m_table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(','))))
        + keyClause;
    QSqlQuery q(m_db->handle());
    if (!q.prepare(engine.translate(sql)))
        return fail(engine.errorFrom(q.lastError()));
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, engine.bindable(bindableValue(values.at(i))));
    if (!q.exec())
        return fail(engine.errorFrom(q.lastError()));
    const qint64 key = keyClause.isEmpty() ? q.lastInsertId().toLongLong()
                                           : (q.next() ? q.value(0).toLongLong() : -1);

    // Read the stored row back so that defaults show as the database gives them.
    QSqlQuery back(m_db->handle());
    back.prepare(engine.translate(QStringLiteral("SELECT ") + m_columnsText + QStringLiteral(" FROM ")
                                  + m_table + QStringLiteral(" WHERE ")
                                  + engine.rowKeyExpression(m_table) + QStringLiteral(" = ?")));
    back.bindValue(0, key);
    QVector<QVariant> row(m_cols);
    // The read-back has no key column in front: its columns sit one to the left.
    if (back.exec() && back.next() && back.record().count() == m_width - 1) {
        for (int i = 0; i < m_cols; ++i)
            row[i] = back.value(m_source.at(i) - 1);
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
    QSqlQuery q(m_db->handle());
    if (!q.prepare(engine.translate(QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                                        .arg(m_table, sets.join(QLatin1Char(',')),
                                             engine.rowKeyExpression(m_table)))))
        return fail(engine.errorFrom(q.lastError()));
    int i = 0;
    for (; i < values.size(); ++i)
        q.bindValue(i, engine.bindable(bindableValue(values.at(i))));
    q.bindValue(i, m_keys.at(row));
    if (!q.exec())
        return fail(engine.errorFrom(q.lastError()));
    // Someone else deleted the row since it was read: nothing was written.
    if (q.numRowsAffected() == 0)
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
    QSqlQuery q(m_db->handle());
    q.prepare(engine.translate(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                                   .arg(m_table, engine.rowKeyExpression(m_table))));
    q.bindValue(0, m_keys.at(m_current));
    if (!q.exec())
        return fail(engine.errorFrom(q.lastError()));
    if (q.numRowsAffected() == 0)
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
