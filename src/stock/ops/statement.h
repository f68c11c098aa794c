#pragma once

#include "data/database.h"

#include <QSqlQuery>
#include <QVariantList>
#include <functional>

// A statement the operations prepare once and run many times on one
// connection: translated for the engine, values bound, rows read forward
// only. Failures are values (error()).
class Statement
{
public:
    Statement(Database &db, const QString &sql);
    bool isValid() const { return m_prepared; }
    // Runs it with these values; the rows, if any, are then read with next().
    bool exec(const QVariantList &values = {});
    bool next() { return m_query.next(); }
    QVariant value(int column) const { return m_query.value(column); }
    qint64 rowsAffected() const { return m_query.numRowsAffected(); }
    void finish() { m_query.finish(); }
    DbError error() const { return m_error; }

private:
    Database &m_db;
    QSqlQuery m_query;
    bool m_prepared = false;
    DbError m_error;
};

// Runs `attempt` in a write transaction: inside the caller's when one is
// open (the caller then commits, or runs the whole again after a conflict),
// otherwise in one of its own through runWrite, which runs it again when it
// met another workstation's write.
bool writeWithin(Database &db, const std::function<bool(DbError *error)> &attempt, DbError *error);
