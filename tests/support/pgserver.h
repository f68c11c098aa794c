#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A private PostgreSQL server for the tests of one process: a new cluster in
// a temporary folder, reached through a Unix socket only (no network port),
// run as the unprivileged user "nobody" when the tests run as root. It is
// started on first use and stopped and removed when the process ends; should
// the process die, the server is told to stop as well.
class PgServer
{
public:
    // Which letters the server takes as one in upper and lower case: A-Z
    // only, as the file database does, or all that Unicode pairs.
    enum class Letters { AsciiOnly, Unicode };

    // A server of one's own; `durable` keeps the server's crash safety
    // (fsync, synchronous commits), which the tests' shared server drops for speed.
    explicit PgServer(bool durable = false);
    ~PgServer();
    bool start();

    // The folder of the server programs, or empty when they are not installed.
    static QString binFolder();
    // The server of this process, started on first call; check isRunning().
    static PgServer &shared();

    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }
    QString socketFolder() const { return m_dir ? m_dir->path() : QString(); }
    static QString superuser() { return QStringLiteral("partwise"); }

    // The address of a database on this server.
    QString address(const QString &database, const QString &user = superuser()) const;
    // A new database, with the program's tables or empty; its address, or an
    // empty text with *error.
    QString createDatabase(bool withTables, Letters letters, QString *error);
    // Runs statements as the superuser in a database ("postgres" when empty).
    bool run(const QStringList &statements, QString *error, const QString &database = QString());

    void stop();
    // Stops the server and keeps its databases; resume() starts it again.
    void halt(bool immediate = false);
    bool resume();
    // The server's main process, 0 when it is not running.
    qint64 processId() const { return m_postgres.processId(); }

private:
    bool launch();
    // Runs a server program as the server's user.
    bool runTool(const QString &tool, const QStringList &arguments, QString *output);
    QStringList asServerUser(const QString &program, const QStringList &arguments) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    QProcess m_postgres;
    bool m_running = false, m_dropPrivileges = false, m_durable = false;
    int m_databases = 0;
    QString m_error, m_templates[2]; // templates: per Letters, a database with the tables to copy
};
