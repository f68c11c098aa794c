#include "stock/ops/statement.h"

#include "data/writetransaction.h"

#include <QSqlError>

Statement::Statement(Database &db, const QString &sql) : m_db(db), m_query(db.handle())
{
    if (!db.isOpen()) {
        m_error = DbError::runtime(ErrorNumber::ObjectClosed);
        return;
    }
    m_query.setForwardOnly(true);
    m_prepared = m_query.prepare(db.engine().translate(sql));
    if (!m_prepared)
        m_error = db.engine().errorFrom(m_query.lastError());
}

bool Statement::exec(const QVariantList &values)
{
    if (!m_prepared)
        return false;
    if (!m_db.isOpen()) {
        m_error = DbError::runtime(ErrorNumber::ObjectClosed);
        return false;
    }
    m_query.finish();
    for (int i = 0; i < values.size(); ++i)
        m_query.bindValue(i, m_db.engine().bindable(bindableValue(values.at(i))));
    if (!m_query.exec()) {
        m_error = m_db.engine().errorFrom(m_query.lastError());
        return false;
    }
    m_error = DbError();
    return true;
}

bool writeWithin(Database &db, const std::function<bool(DbError *error)> &attempt, DbError *error)
{
    if (!db.inWriteTransaction())
        return runWrite(db, attempt, error);
    DbError local;
    const bool done = attempt(&local);
    if (error)
        *error = local;
    return done;
}
