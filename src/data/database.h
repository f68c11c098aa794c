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
    // The first open of a run: also checks a database file that has a log of
    // changes left beside it (after a crash, or a backup copied over it
    // while the log stayed), and refuses one that the log would damage,
    // changing nothing.
    bool openAtStartUp(const QString &address);
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

    // What `file` is to the database at `databasePath`: "database" for the
    // file itself, the role of an engine file beside it ("write-ahead log"),
    // or an empty text when it is neither. Links and other spellings of the same
    // path count as the same file.
    QString roleOfFile(const QString &databasePath, const QString &file) const;
    // True when both paths name one file, which need not exist yet.
    static bool isSameFile(const QString &a, const QString &b);

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

// A value as it is bound to a statement: whole numbers of every width as
// 64-bit whole numbers, single precision as double, so that the driver
// stores each as a number and not as its text; anything else as it is.
QVariant bindableValue(const QVariant &value);

// Splits a script into statements at ";" outside quotes and comments.
QStringList splitSqlScript(const QString &script);
