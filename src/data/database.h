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
    explicit Database(const QString &connectionName = QStringLiteral("partwise"),
                      std::unique_ptr<SqlEngine> engine = SqlEngine::sqlite());
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing database file. Never creates, empties or overwrites
    // one: a missing, unreadable or foreign file is refused with its reason.
    bool open(const QString &path);
    void close();
    bool isOpen() const;

    // A statement that returns no rows (UPDATE, DELETE, INSERT).
    bool execute(const QString &sql, const QVariantList &values = {},
                 qint64 *rowsAffected = nullptr);

    // A write transaction that takes the write lock at once.
    bool beginWrite();
    bool commit();
    bool rollback();

    QSqlDatabase handle() const;
    const SqlEngine &engine() const { return *m_engine; }
    QString path() const { return m_path; }
    QString connectionName() const { return m_name; }

    DbError error() const { return m_error; }
    QString errorString() const { return m_error.description; }

    // Reads the first bytes of a file and says why it is not a usable
    // database, or returns an empty text.
    static QString whyNotADatabase(const QString &path);

    // Runs a script of statements separated by ";" (used to build databases).
    bool runScript(const QString &script);

    void setError(const DbError &error) { m_error = error; }

private:
    QString m_name;
    QString m_path;
    std::unique_ptr<SqlEngine> m_engine;
    DbError m_error;
};

// Splits a script into statements at ";" outside quotes and comments.
QStringList splitSqlScript(const QString &script);
