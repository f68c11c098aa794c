#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariant>
#include <memory>
#include <utility>

struct DbError;
class QSqlError;

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
    // Keeps every row as a list of values.
    struct RowList : RowSink
    {
        QList<QVariantList> rows;
        void columns(const QStringList &) override {}
        void value(QVariant &&value) override { m_row.append(std::move(value)); }
        void endRow() override { rows.append(std::exchange(m_row, {})); }

    private:
        QVariantList m_row;
    };

    virtual ~SqlEngine() = default;

    // The engine for a database address: a PostgreSQL address
    // (postgresql://user@host:port/dbname) or else a database file's path.
    static std::unique_ptr<SqlEngine> forAddress(const QString &address);

    virtual QString driverName() const = 0;
    // Opens the named connection on an address and prepares it for use. On
    // failure the connection is removed again and *error says why.
    virtual bool connect(const QString &connectionName, const QString &address,
                         DbError *error) const = 0;
    // The address made complete: a relative file path taken from `folder`.
    virtual QString resolved(const QString &address, const QString &folder) const
    {
        Q_UNUSED(folder);
        return address;
    }
    // A database this engine can make afresh (a file) that is not there yet;
    // making it gives the program's empty tables; dropping it removes what
    // making it left.
    virtual bool isMissing(const QString &address) const { Q_UNUSED(address); return false; }
    virtual bool createEmpty(const QString &address, QString *error) const;
    virtual void dropCreated(const QString &address) const { Q_UNUSED(address); }
    // The address as the user reads it (status bar, messages); never a password.
    virtual QString describe(const QString &address) const = 0;
    // A short name for the status bar.
    virtual QString shortName(const QString &address) const = 0;
    // Run right after the connection opens; reports what failed.
    virtual bool configure(QSqlDatabase &db, DbError *error) const = 0;
    // The names of the database's tables.
    virtual QStringList tables(QSqlDatabase &db) const { return db.tables(); }
    // The statements that create the program's tables in an empty database.
    virtual QString schemaScript() const = 0;
    // The engine's code and text from a driver error.
    virtual DbError errorFrom(const QSqlError &error) const;
    // A write that failed only because another connection wrote at the same
    // time (serialization failure, deadlock, lock wait given up); run again,
    // it can succeed.
    virtual bool isConflict(const DbError &error) const = 0;
    // A column every table has for the engine's own use; result sets leave it
    // out. Empty when there is none.
    virtual QString hiddenColumn() const { return QString(); }
    // Appended to an INSERT so that it returns the new row's key as its one
    // row; empty when the driver's last insert id gives it.
    virtual QString insertKeyClause() const { return QString(); }
    // A value as the engine takes it as a bound parameter.
    virtual QVariant bindable(const QVariant &value) const { return value; }
    // Rewrites statement forms of the windows' dialect that this engine does not
    // accept as they stand, so that they give the same result.
    virtual QString translate(const QString &sql) const = 0;
    // A read inside a write transaction, as the engine must run it so that
    // what it read stays as read until the commit (the rows are locked).
    virtual QString lockingRead(const QString &sql) const { return sql; }
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
    // Runs a statement straight through the engine, bypassing the driver's
    // per-value overhead, its rows (if any) to `sink` (may be null), the rows
    // it changed to *changes. Statements are prepared once and kept until
    // forgetStatements(). False with *supported false when the engine has no
    // such path (the caller then uses QSqlQuery).
    virtual bool run(QSqlDatabase &db, const QString &sql, const QVariantList &values,
                     RowSink *sink, DbError *error, bool *supported, qint64 *changes) const
    {
        Q_UNUSED(db); Q_UNUSED(sql); Q_UNUSED(values); Q_UNUSED(sink); Q_UNUSED(error);
        Q_UNUSED(changes);
        *supported = false;
        return false;
    }
    // Going: Database::read() reads rows, this included.
    bool readAll(QSqlDatabase &db, const QString &sql, const QVariantList &values, RowSink &sink,
                 DbError *error, bool *supported) const
    {
        return run(db, sql, values, &sink, error, supported, nullptr);
    }
    // Drops the statements run() keeps (before the connection closes).
    virtual void forgetStatements() const {}
    // Before the connection `db` closes: stops what the engine runs beside it.
    virtual void connectionClosing(QSqlDatabase &db) const { Q_UNUSED(db); }
    // True when the error means the connection is gone (server stopped,
    // process ended, network cut): the statement's outcome is the server's.
    virtual bool isConnectionLost(QSqlDatabase &db, const DbError &error) const
    {
        Q_UNUSED(db); Q_UNUSED(error);
        return false;
    }
    // The error as the windows take it: a value of the wrong type for its
    // column is the runtime's type mismatch (13).
    virtual DbError classify(const DbError &error) const;
    // Statements around work that must not change the database.
    virtual QStringList readOnlyBegin() const = 0;
    virtual QStringList readOnlyEnd() const = 0;
    // Rows of the database at `address` that break the type checks of its
    // columns (text in a number column), one line each, at most `limit`,
    // read without changing the file; empty when there are none.
    virtual QStringList rowsBreakingTypes(const QString &address, int limit) const
    {
        Q_UNUSED(address); Q_UNUSED(limit);
        return {};
    }
    // Transaction control (BEGIN, COMMIT, ROLLBACK) can be prepared and kept.
    virtual bool preparesControl() const { return false; }
    // Writes record an id in a table of recent writes (Database::settleWrite).
    virtual bool keepsWriteIds() const { return false; }

    static std::unique_ptr<SqlEngine> sqlite();

};

class SqliteEngine : public SqlEngine
{
public:
    static constexpr int BusyTimeoutMs = 5000;
    // Pages of the write-ahead log at which they are moved into the database
    // by a thread of the connection's own, beside the commits. A commit moves
    // them itself only when they are the few (up to TailPages) written after
    // the thread's pass began, or when the log has grown to CheckpointLimit.
    static constexpr int CheckpointPages = 1000;
    static constexpr int CheckpointLimit = 8000;
    static constexpr int TailPages = 256;

    QString driverName() const override { return QStringLiteral("QSQLITE"); }
    QString connectOptions() const;
    bool connect(const QString &connectionName, const QString &address,
                 DbError *error) const override;
    QString resolved(const QString &address, const QString &folder) const override;
    bool isMissing(const QString &address) const override;
    bool createEmpty(const QString &address, QString *error) const override;
    void dropCreated(const QString &address) const override;
    QString describe(const QString &address) const override;
    QString shortName(const QString &address) const override;
    bool configure(QSqlDatabase &db, DbError *error) const override;
    QString schemaScript() const override;
    bool isConflict(const DbError &error) const override;
    QString translate(const QString &sql) const override;
    QString beginWriteStatement() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString rowKeyExpression(const QString &table) const override;
    QList<Companion> companionFiles() const override;
    bool checkLeftoverLog(const QString &path, DbError *error) const override;
    bool run(QSqlDatabase &db, const QString &sql, const QVariantList &values, RowSink *sink,
             DbError *error, bool *supported, qint64 *changes) const override;
    void forgetStatements() const override;
    void connectionClosing(QSqlDatabase &db) const override;
    QStringList rowsBreakingTypes(const QString &address, int limit) const override;
    DbError classify(const DbError &error) const override;
    QStringList readOnlyBegin() const override { return {QStringLiteral("PRAGMA query_only = 1")}; }
    QStringList readOnlyEnd() const override { return {QStringLiteral("PRAGMA query_only = 0")}; }
    QString insertKeyClause() const override { return QStringLiteral(" RETURNING rowid"); }
    bool preparesControl() const override { return true; }

    ~SqliteEngine() override;

    // Reads the first bytes of a file and says why it is not a usable
    // database, or returns an empty text.
    static QString whyNotADatabase(const QString &path);

private:
    struct Statements;
    mutable std::shared_ptr<Statements> m_statements;
    class Checkpointer;
    mutable std::shared_ptr<Checkpointer> m_checkpointer;
    void checkpointBeside(QSqlDatabase &db, const QString &path) const;
};
