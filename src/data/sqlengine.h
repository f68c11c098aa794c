#pragma once

#include <QSqlDatabase>
#include <QString>
#include <memory>

struct DbError;

// Everything particular to one database engine lives behind this interface:
// driver and connection options, per-connection settings, the statement forms
// the windows use that the engine spells differently, write transactions and
// the hidden key by which a result set writes a row back.
class SqlEngine
{
public:
    virtual ~SqlEngine() = default;

    virtual QString driverName() const = 0;
    virtual QString connectOptions() const = 0;
    // Run right after the connection opens; reports what failed.
    virtual bool configure(QSqlDatabase &db, DbError *error) const = 0;
    // Rewrites statement forms of the windows' dialect that this engine does not
    // accept as they stand, so that they give the same result.
    virtual QString translate(const QString &sql) const = 0;
    // The statement that starts a transaction which must not fail half-way.
    virtual QString beginWriteStatement() const = 0;
    // Expression for a stable row key of a plain table, usable in SELECT and WHERE.
    virtual QString rowKeyExpression(const QString &table) const = 0;

    static std::unique_ptr<SqlEngine> sqlite();
};

class SqliteEngine : public SqlEngine
{
public:
    static constexpr int BusyTimeoutMs = 5000;

    QString driverName() const override { return QStringLiteral("QSQLITE"); }
    QString connectOptions() const override;
    bool configure(QSqlDatabase &db, DbError *error) const override;
    QString translate(const QString &sql) const override;
    QString beginWriteStatement() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString rowKeyExpression(const QString &table) const override;
};
