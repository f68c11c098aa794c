#pragma once

#include "data/dberror.h"
#include "data/sqlengine.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>

class QSqlQuery;

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

    // The one way to read rows: runs a statement of the program's dialect
    // (translated for the engine, prepared once per connection and kept for
    // reuse) with its values bound, and hands every row to `sink`, the column
    // names first. `Locking` inside a write transaction locks the rows read
    // until the commit, where the engine needs that (the server). A lost
    // connection is opened again on the next call (a read that found it lost
    // outside a write transaction is run once more at once).
    enum class Read { Plain, Locking };
    bool read(const QString &sql, const QVariantList &values, SqlEngine::RowSink &sink,
              Read mode = Read::Plain);
    // All rows as lists of values, or the first column of the first row
    // (invalid when there is none); failures are in error().
    QList<QVariantList> rows(const QString &sql, const QVariantList &values = {},
                             Read mode = Read::Plain);
    QVariant scalar(const QString &sql, const QVariantList &values = {}, Read mode = Read::Plain);
    // The one way to write: a statement that returns no rows (UPDATE,
    // DELETE, INSERT), prepared once and kept like read()'s.
    bool execute(const QString &sql, const QVariantList &values = {},
                 qint64 *rowsAffected = nullptr);
    // An INSERT; *key is the new row's hidden key (rowid, RowKey).
    bool insert(const QString &sql, const QVariantList &values, qint64 *key);

    // Runs `work` so that nothing it runs can change the database (report
    // queries): SQLite's query_only, a READ ONLY transaction on the server.
    bool readOnly(const std::function<bool()> &work);

    // What happened to the connection, for the status bar.
    enum class ConnectionEvent { Lost, Reconnected, ReconnectFailed };
    using ConnectionListener = std::function<void(ConnectionEvent event, const QString &text)>;
    void setConnectionListener(ConnectionListener listener) { m_listener = std::move(listener); }
    // True after a statement found the connection gone; the next call opens it again.
    bool isConnectionLost() const { return m_lost; }
    // Opens the connection again at once; false with the server's reason.
    bool reconnect();

    // Writes that carry an id (runWrite on the server): the id recorded in the
    // transaction, and after a commit that got no answer, whether it was stored.
    bool keepsWriteIds() const { return m_writeIds; }
    bool recordWrite(const QString &id);
    enum class Settled { Done, NotDone, Unknown };
    Settled settleWrite(const QString &id);

    // A write transaction that takes the write lock at once.
    bool beginWrite();
    bool commit();
    bool rollback();
    bool inWriteTransaction() const { return m_inWrite; }

    // Going: run statements through read() and execute() instead.
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
    // Rows that break the type checks of the columns (text in a number
    // column), one line each, at most `limit`; empty when there are none.
    QStringList rowsBreakingTypes(int limit = 20);

    void setError(const DbError &error) { m_error = error; }

private:
    bool runStatements(const QString &script, bool translate);
    bool control(const QString &statement);
    bool ready();
    void failed(const DbError &error);
    bool run(const QString &text, const QVariantList &values, SqlEngine::RowSink *sink,
             qint64 *rowsAffected);
    const QString &translated(const QString &sql, Read mode);
    void forgetStatements();
    void notify(ConnectionEvent event, const QString &text);
    void afterConnect();

    QString m_name;
    QString m_path;
    std::unique_ptr<SqlEngine> m_engine;
    DbError m_error;
    bool m_inWrite = false;
    bool m_engineGiven = false;
    bool m_lost = false;
    bool m_writeIds = false;
    int m_backend = 0; // the server's process for this connection
    int m_writes = 0;
    ConnectionListener m_listener;

    QHash<QString, QString> m_translated[2];               // per Read mode
    QHash<QString, std::shared_ptr<QSqlQuery>> m_prepared; // by translated text
};

// A value as it is bound to a statement: whole numbers of every width as
// 64-bit whole numbers, single precision as double, so that the driver
// stores each as a number and not as its text; anything else as it is.
QVariant bindableValue(const QVariant &value);

// Splits a script into statements at ";" outside quotes and comments.
QStringList splitSqlScript(const QString &script);
