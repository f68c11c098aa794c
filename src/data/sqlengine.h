#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <memory>

struct DbError;

// Everything particular to one database engine lives behind this interface:
// driver and connection options, per-connection settings, the statement forms
// the windows use that the engine spells differently, write transactions and
// the hidden key by which a result set writes a row back.
class SqlEngine
{
public:
    // Receives the rows of a statement read in one go.
    class RowSink
    {
    public:
        virtual ~RowSink() = default;
        virtual void columns(const QStringList &names) = 0;
        // One value of the current row, in column order.
        virtual void value(QVariant &&value) = 0;
        virtual void endRow() = 0;
    };

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
    // Files the engine keeps beside a database file, by the suffix added to
    // its name, with what each holds.
    struct Companion
    {
        QString suffix;
        QString role;
    };
    virtual QList<Companion> companionFiles() const { return {}; }
    // Before a database is first opened: when changes left in a log beside
    // it would be applied to it, checks that the result is sound, changing
    // nothing. False, with what was found in *error, when it is not.
    virtual bool checkLeftoverLog(const QString &path, DbError *error) const
    {
        Q_UNUSED(path); Q_UNUSED(error);
        return true;
    }
    // Expression for a stable row key of a plain table, usable in SELECT and WHERE.
    virtual QString rowKeyExpression(const QString &table) const = 0;
    // Reads every row of a query straight from the engine, bypassing the
    // driver's per-value overhead. False with *supported false when the
    // engine has no such path (the caller then uses QSqlQuery).
    virtual bool readAll(QSqlDatabase &db, const QString &sql, const QVariantList &values,
                         RowSink &sink, DbError *error, bool *supported) const
    {
        Q_UNUSED(db); Q_UNUSED(sql); Q_UNUSED(values); Q_UNUSED(sink); Q_UNUSED(error);
        *supported = false;
        return false;
    }

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
    QList<Companion> companionFiles() const override;
    bool checkLeftoverLog(const QString &path, DbError *error) const override;
    bool readAll(QSqlDatabase &db, const QString &sql, const QVariantList &values, RowSink &sink,
                 DbError *error, bool *supported) const override;
};
