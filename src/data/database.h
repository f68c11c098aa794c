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
    // The first open of a run: also checks a database that has a log of
    // changes left beside it (after a crash, or a backup copied over it
    // while the log stayed), and refuses one that the log would damage,
    // changing nothing.
    bool openAtStartUp(const QString &path);
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

    // What `file` is to the database at `databasePath`: "database" for the
    // file itself, the role of an engine file beside it ("write-ahead log"),
    // or an empty text when it is neither. Links and other spellings of the same
    // path count as the same file.
    QString roleOfFile(const QString &databasePath, const QString &file) const;
    // True when both paths name one file, which need not exist yet.
    static bool isSameFile(const QString &a, const QString &b);

    // Runs a script of statements separated by ";" (used to build databases).
    bool runScript(const QString &script);

    void setError(const DbError &error) { m_error = error; }

private:
    QString m_name;
    QString m_path;
    std::unique_ptr<SqlEngine> m_engine;
    DbError m_error;
};

// A value as it is bound to a statement: whole numbers of every width as
// 64-bit whole numbers, single precision as double, so that the driver
// stores each as a number and not as its text; anything else as it is.
QVariant bindableValue(const QVariant &value);

// Splits a script into statements at ";" outside quotes and comments.
QStringList splitSqlScript(const QString &script);
