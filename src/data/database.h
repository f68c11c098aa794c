#pragma once

#include "data/dberror.h"
#include "data/sqlengine.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <memory>

// One connection to the inventory database. Statements take their values as
// bound parameters; nothing the user typed is ever part of the SQL text.
// Reports failures as values (error()); never shows a message.
class Database
{
public:
    explicit Database(const QString &connectionName = QStringLiteral("partwise"));
    // With an engine of the caller's: open() then uses it whatever the address.
    Database(const QString &connectionName, std::unique_ptr<SqlEngine> engine);
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing database: a file's path, or a PostgreSQL address
    // (postgresql://user@host:port/dbname), which picks the engine. Never
    // creates, empties or overwrites one: a missing, unreadable or foreign
    // file, or a server that cannot be reached, is refused with its reason.
    bool open(const QString &address);
    void close();
    bool isOpen() const;

    // A statement that returns no rows (UPDATE, DELETE, INSERT).
    bool execute(const QString &sql, const QVariantList &values = {},
                 qint64 *rowsAffected = nullptr);

    // A write transaction that takes the write lock at once.
    bool beginWrite();
    bool commit();
    bool rollback();
    bool inWriteTransaction() const { return m_inWrite; }

    QSqlDatabase handle() const;
    // The names of the tables in the database.
    QStringList tables() const;
    const SqlEngine &engine() const { return *m_engine; }
    // The address it was opened with (a file's path for the file database).
    QString path() const { return m_path; }
    // The address as the user reads it, and a short form for the status bar.
    QString describe() const { return m_engine->describe(m_path); }
    QString shortName() const { return m_engine->shortName(m_path); }
    QString connectionName() const { return m_name; }

    DbError error() const { return m_error; }
    QString errorString() const { return m_error.description; }

    // Reads the first bytes of a file and says why it is not a usable
    // database, or returns an empty text.
    static QString whyNotADatabase(const QString &path);

    // Runs a script of statements separated by ";" (used to build databases).
    bool runScript(const QString &script);
    // Creates the program's tables in an empty database.
    bool createTables();

    void setError(const DbError &error) { m_error = error; }

private:
    bool runStatements(const QString &script, bool translate);
    bool control(const QString &statement);

    QString m_name;
    QString m_path;
    std::unique_ptr<SqlEngine> m_engine;
    DbError m_error;
    bool m_inWrite = false;
    bool m_engineGiven = false;
};

// Splits a script into statements at ";" outside quotes and comments.
QStringList splitSqlScript(const QString &script);
