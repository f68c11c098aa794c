#include "pgserver.h"

#include "data/database.h"

#include <QtCore>
#include <QtSql>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

static PgServer *sharedServer = nullptr;

QString PgServer::binFolder()
{
    QStringList versions = QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(versions.begin(), versions.end(), [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
    for (const QString &v : versions)
        if (const QString bin = "/usr/lib/postgresql/" + v + "/bin"; QFile::exists(bin + "/initdb") && QFile::exists(bin + "/postgres"))
            return bin;
    return QString();
}

PgServer &PgServer::shared()
{
    if (!sharedServer)
        sharedServer = new PgServer, qAddPostRoutine([] { delete sharedServer; sharedServer = nullptr; }), sharedServer->start();
    return *sharedServer;
}

PgServer::PgServer(bool durable) : m_durable(durable) {}

PgServer::~PgServer() { stop(); }

// The server refuses to run as root; it goes when this process goes, however it ends.
QStringList PgServer::asServerUser(const QString &program, const QStringList &arguments) const
{
    return QStringList{"setpriv"} + (m_dropPrivileges ? QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups"} : QStringList())
           + QStringList{"--pdeathsig", "INT", "--", binFolder() + '/' + program} + arguments;
}

bool PgServer::runTool(const QString &tool, const QStringList &arguments, QString *output)
{
    const QStringList command = asServerUser(tool, arguments);
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_dir->path());
    p.start(command.first(), command.mid(1));
    const bool ok = p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return *output = QString::fromLocal8Bit(p.readAll()) + p.errorString(), ok;
}

bool PgServer::start()
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/partwise-pg-XXXXXX");
    m_dropPrivileges = geteuid() == 0;
    const passwd *nobody = m_dropPrivileges ? getpwnam("nobody") : nullptr;
    const QString data = m_dir->path() + "/data";
    QString output;
    if (binFolder().isEmpty())
        m_error = "The PostgreSQL server programs are not installed.";
    else if (!m_dir->isValid() || (m_dropPrivileges && (!nobody || chown(QFile::encodeName(m_dir->path()).constData(), nobody->pw_uid, nobody->pw_gid))))
        m_error = "No temporary folder for the server that the user nobody may have.";
    else if (!runTool("initdb", {"-D", data, "-U", superuser(), "--auth=trust", "--encoding=UTF8", "--locale=C.UTF-8", "-N"}, &output))
        m_error = "initdb failed: " + output;
    else if (QFile hba(data + "/pg_hba.conf"); !hba.open(QIODevice::WriteOnly | QIODevice::Truncate)
             || hba.write("local all locked scram-sha-256\nlocal all all trust\n") < 0 || !hba.flush()) // a role that must give a password
        m_error = "pg_hba.conf cannot be written.";
    else
        return launch();
    return false;
}

bool PgServer::launch()
{
    QStringList arguments{"-D", m_dir->path() + "/data", "-k", m_dir->path(), "-c", "listen_addresses=", "-c", "max_connections=60"};
    if (!m_durable)
        arguments << "-c" << "fsync=off" << "-c" << "synchronous_commit=off" << "-c" << "full_page_writes=off";
    const QStringList command = asServerUser("postgres", arguments);
    m_postgres.setProcessChannelMode(QProcess::MergedChannels);
    m_postgres.setStandardOutputFile(m_dir->path() + "/server.log", QIODevice::Append);
    m_postgres.start(command.first(), command.mid(1));
    const bool started = m_postgres.waitForStarted(10000);
    QString why = started ? QString() : m_postgres.errorString();
    for (const QDeadlineTimer deadline(60000); started && !deadline.hasExpired(); QThread::msleep(100)) {
        if (m_running = true; run({"SELECT 1"}, &why))
            return true;
        if (m_running = false; m_postgres.state() == QProcess::NotRunning)
            break;
    }
    QFile log(m_dir->path() + "/server.log");
    log.open(QIODevice::ReadOnly);
    m_error = "The server did not come up: " + why + '\n' + QString::fromLocal8Bit(log.readAll());
    return stop(), false;
}

// Fast shutdown cuts clients off; immediate stops at once, as on a crash or power cut.
void PgServer::halt(bool immediate)
{
    if (m_postgres.state() != QProcess::NotRunning) {
        ::kill(pid_t(m_postgres.processId()), immediate ? SIGQUIT : SIGINT);
        if (!m_postgres.waitForFinished(20000))
            m_postgres.kill(), m_postgres.waitForFinished(5000);
    }
    m_running = false;
}

bool PgServer::resume() { return m_dir && launch(); }

void PgServer::stop() { halt(), m_dir.reset(); }

QString PgServer::address(const QString &database, const QString &user) const
{
    return QString("postgresql://%1@/%2?host=%3").arg(user, database, QString::fromLatin1(QUrl::toPercentEncoding(socketFolder())));
}

bool PgServer::run(const QStringList &statements, QString *error, const QString &database)
{
    QString why = m_running ? QString() : m_error.isEmpty() ? "The server is not running." : m_error;
    const QString name = "pgserver-" + QUuid::createUuid().toString(QUuid::Id128);
    if (m_running) {
        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", name);
        db.setHostName(socketFolder()), db.setUserName(superuser()), db.setDatabaseName(database.isEmpty() ? "postgres" : database);
        if (!db.open())
            why = db.lastError().text();
        for (qsizetype i = 0; why.isEmpty() && i < statements.size(); ++i)
            if (QSqlQuery q(db); !q.exec(statements[i]))
                why = q.lastError().text() + " in: " + statements[i];
        db.close(), db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    return (error && !why.isEmpty() ? *error = why : why).isEmpty();
}

// The tables are made once per kind of letters; each test's database is a copy.
QString PgServer::createDatabase(bool withTables, Letters letters, QString *error)
{
    const QString ctype = letters == Letters::AsciiOnly ? "C" : "C.UTF-8";
    const QString create = "CREATE DATABASE %1 TEMPLATE %2 ENCODING 'UTF8' LC_COLLATE '%3' LC_CTYPE '%3'";
    QString &templ = m_templates[int(letters)];
    if (const QString name = QString("template_%1").arg(int(letters)); withTables && templ.isEmpty()) {
        if (!run({create.arg(name, "template0", ctype)}, error))
            return QString();
        Database db("pgserver-schema");
        if (!db.open(address(name)) || !db.createTables())
            return error ? *error = db.errorString(), QString() : QString();
        templ = name;
    }
    const QString name = QString("test_%1").arg(++m_databases);
    return run({create.arg(name, withTables ? templ : "template0", ctype)}, error) ? address(name) : QString();
}
