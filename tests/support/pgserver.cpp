#include "pgserver.h"

#include "data/database.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>
#include <QUrl>
#include <QUuid>

#include <algorithm>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace {

PgServer *sharedServer = nullptr;

void stopShared()
{
    delete sharedServer;
    sharedServer = nullptr;
}

} // namespace

QString PgServer::binFolder()
{
    const QDir lib(QStringLiteral("/usr/lib/postgresql"));
    QStringList versions = lib.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::sort(versions.begin(), versions.end(),
              [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
    for (const QString &v : versions) {
        const QString bin = lib.filePath(v + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")) && QFile::exists(bin + QStringLiteral("/postgres")))
            return bin;
    }
    return QString();
}

PgServer &PgServer::shared()
{
    if (!sharedServer) {
        sharedServer = new PgServer;
        qAddPostRoutine(stopShared);
        sharedServer->start();
    }
    return *sharedServer;
}

PgServer::PgServer(bool durable) : m_durable(durable) {}

PgServer::~PgServer()
{
    stop();
}

QStringList PgServer::asServerUser(const QString &program, const QStringList &arguments) const
{
    QStringList command{QStringLiteral("setpriv")};
    if (m_dropPrivileges)
        command << QStringLiteral("--reuid=nobody") << QStringLiteral("--regid=nogroup")
                << QStringLiteral("--clear-groups");
    // The server goes when this process goes, however it ends.
    command << QStringLiteral("--pdeathsig") << QStringLiteral("INT") << QStringLiteral("--")
            << program << arguments;
    return command;
}

bool PgServer::runTool(const QString &tool, const QStringList &arguments, QString *output)
{
    const QStringList command = asServerUser(binFolder() + QLatin1Char('/') + tool, arguments);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_dir->path());
    p.start(command.first(), command.mid(1));
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit
                    && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll()) + p.errorString();
    return ok;
}

bool PgServer::start()
{
    if (binFolder().isEmpty()) {
        m_error = QStringLiteral("The PostgreSQL server programs are not installed.");
        return false;
    }
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/partwise-pg-XXXXXX"));
    if (!m_dir->isValid()) {
        m_error = QStringLiteral("No temporary folder for the server.");
        return false;
    }
    // The server refuses to run as root.
    m_dropPrivileges = geteuid() == 0;
    if (m_dropPrivileges) {
        const passwd *nobody = getpwnam("nobody");
        if (!nobody || chown(QFile::encodeName(m_dir->path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
            m_error = QStringLiteral("The server's folder cannot be given to the user nobody.");
            return false;
        }
    }
    const QString data = m_dir->path() + QStringLiteral("/data");
    QString output;
    if (!runTool(QStringLiteral("initdb"),
                 {QStringLiteral("-D"), data, QStringLiteral("-U"), superuser(), QStringLiteral("--auth=trust"),
                  QStringLiteral("--encoding=UTF8"), QStringLiteral("--locale=C.UTF-8"), QStringLiteral("-N")},
                 &output)) {
        m_error = QStringLiteral("initdb failed: ") + output;
        return false;
    }
    // A role that must give a password, for the tests of refused logins.
    QFile hba(data + QStringLiteral("/pg_hba.conf"));
    if (!hba.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || hba.write("local all locked scram-sha-256\nlocal all all trust\n") < 0) {
        m_error = QStringLiteral("pg_hba.conf cannot be written.");
        return false;
    }
    hba.close();
    return launch();
}

bool PgServer::launch()
{
    const QString data = m_dir->path() + QStringLiteral("/data");
    QStringList arguments{QStringLiteral("-D"), data, QStringLiteral("-k"), m_dir->path(),
                          QStringLiteral("-c"), QStringLiteral("listen_addresses="),
                          QStringLiteral("-c"), QStringLiteral("max_connections=60")};
    if (!m_durable)
        arguments << QStringLiteral("-c") << QStringLiteral("fsync=off") << QStringLiteral("-c")
                  << QStringLiteral("synchronous_commit=off") << QStringLiteral("-c")
                  << QStringLiteral("full_page_writes=off");
    const QStringList command = asServerUser(binFolder() + QStringLiteral("/postgres"), arguments);
    m_postgres.setProcessChannelMode(QProcess::MergedChannels);
    m_postgres.setStandardOutputFile(m_dir->path() + QStringLiteral("/server.log"), QIODevice::Append);
    m_postgres.start(command.first(), command.mid(1));
    if (!m_postgres.waitForStarted(10000)) {
        m_error = QStringLiteral("The server did not start: ") + m_postgres.errorString();
        return false;
    }
    const QDeadlineTimer deadline(60000);
    QString why;
    while (!deadline.hasExpired()) {
        m_running = true;
        if (run({QStringLiteral("SELECT 1")}, &why))
            return true;
        m_running = false;
        if (m_postgres.state() == QProcess::NotRunning)
            break;
        QThread::msleep(100);
    }
    QFile log(m_dir->path() + QStringLiteral("/server.log"));
    log.open(QIODevice::ReadOnly);
    m_error = QStringLiteral("The server did not come up: ") + why + QLatin1Char('\n')
              + QString::fromLocal8Bit(log.readAll());
    stop();
    return false;
}

void PgServer::halt(bool immediate)
{
    if (m_postgres.state() != QProcess::NotRunning) {
        // Immediate: the server stops at once, as on a crash or power cut.
        ::kill(pid_t(m_postgres.processId()), immediate ? SIGQUIT : SIGINT);
        if (!m_postgres.waitForFinished(20000)) {
            m_postgres.kill();
            m_postgres.waitForFinished(5000);
        }
    }
    m_running = false;
}

bool PgServer::resume()
{
    return m_dir && launch();
}

void PgServer::stop()
{
    if (m_postgres.state() != QProcess::NotRunning) {
        // Fast shutdown: clients are cut off, nothing waits for them.
        ::kill(pid_t(m_postgres.processId()), SIGINT);
        if (!m_postgres.waitForFinished(20000)) {
            m_postgres.kill();
            m_postgres.waitForFinished(5000);
        }
    }
    m_running = false;
    m_dir.reset();
}

QString PgServer::address(const QString &database, const QString &user) const
{
    return QStringLiteral("postgresql://%1@/%2?host=%3")
        .arg(user, database, QString::fromLatin1(QUrl::toPercentEncoding(socketFolder())));
}

bool PgServer::run(const QStringList &statements, QString *error, const QString &database)
{
    if (!m_running) {
        if (error)
            *error = m_error.isEmpty() ? QStringLiteral("The server is not running.") : m_error;
        return false;
    }
    const QString name = QStringLiteral("pgserver-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(socketFolder());
        db.setUserName(superuser());
        db.setDatabaseName(database.isEmpty() ? QStringLiteral("postgres") : database);
        if (!db.open()) {
            ok = false;
            if (error)
                *error = db.lastError().text();
        }
        for (const QString &statement : statements) {
            if (!ok)
                break;
            QSqlQuery q(db);
            if (!q.exec(statement)) {
                ok = false;
                if (error)
                    *error = q.lastError().text() + QStringLiteral(" in: ") + statement;
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

QString PgServer::createDatabase(bool withTables, Letters letters, QString *error)
{
    const QString ctype = letters == Letters::AsciiOnly ? QStringLiteral("C") : QStringLiteral("C.UTF-8");
    QString &templ = m_templates[int(letters)];
    if (withTables && templ.isEmpty()) {
        // The tables are made once; each test's database is a copy.
        const QString name = QStringLiteral("template_%1").arg(int(letters));
        if (!run({QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' "
                                 "LC_COLLATE '%2' LC_CTYPE '%2'").arg(name, ctype)},
                 error))
            return QString();
        Database db(QStringLiteral("pgserver-schema"));
        if (!db.open(address(name)) || !db.createTables()) {
            if (error)
                *error = db.errorString();
            return QString();
        }
        db.close();
        templ = name;
    }
    const QString name = QStringLiteral("test_%1").arg(++m_databases);
    const QString from = withTables ? templ : QStringLiteral("template0");
    if (!run({QStringLiteral("CREATE DATABASE %1 TEMPLATE %2 ENCODING 'UTF8' LC_COLLATE '%3' LC_CTYPE '%3'")
                  .arg(name, from, ctype)},
             error))
        return QString();
    return address(name);
}
