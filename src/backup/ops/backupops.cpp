#include "backup/ops/backupops.h"

#include "data/database.h"
#include "data/pgengine.h"
#include "data/sqlengine.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace BackupOps {

namespace {

Outcome failed(const QString &text) { return {Status::Failed, text}; }
Outcome cancelled() { return {Status::Cancelled, QStringLiteral("The backup was cancelled.")}; }

// A name beside `target` that nothing uses, for the copy while it is written.
QString partialName(const QString &target)
{
    for (;;) {
        const QString name = target + QStringLiteral(".partial-")
                             + QString::number(QRandomGenerator::global()->generate(), 16);
        if (!QFileInfo::exists(name))
            return name;
    }
}

// Removes a partial copy and whatever SQLite kept beside it.
void removePartial(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

bool syncPath(const QString &path, int flags)
{
    const int fd = ::open(QFile::encodeName(path).constData(), flags);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

// Flushes the finished copy to the disk and puts it under the target's name
// in one step, replacing a file that was there; then makes the rename itself
// durable.
Outcome publish(const QString &partial, const QString &target)
{
    if (!syncPath(partial, O_RDONLY)) {
        removePartial(partial);
        return failed(QStringLiteral("The copy could not be written to the disk."));
    }
    if (::rename(QFile::encodeName(partial).constData(), QFile::encodeName(target).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        removePartial(partial);
        return failed(QStringLiteral("The copy could not be named %1: %2.")
                          .arg(QDir::toNativeSeparators(target), why));
    }
    syncPath(QFileInfo(target).absolutePath(), O_RDONLY | O_DIRECTORY);
    return {};
}

QString sqliteText(sqlite3 *db, int rc)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

Outcome backupFile(const QString &source, const QString &target, const Progress &progress,
                   int pagesPerStep)
{
    if (!QFileInfo(source).isFile())
        return failed(QStringLiteral("The database %1 is not there.").arg(QDir::toNativeSeparators(source)));
    sqlite3 *src = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(source).constData(), &src, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = sqliteText(src, rc);
        sqlite3_close(src);
        return failed(QStringLiteral("The database could not be opened: %1").arg(why));
    }
    sqlite3_busy_timeout(src, SqliteEngine::BusyTimeoutMs);
    // One read transaction for the whole copy: the pages copied are those of
    // the moment it began, and writes elsewhere neither wait for the copy
    // nor make it start again.
    rc = sqlite3_exec(src, "BEGIN", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(src, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = sqliteText(src, rc);
        sqlite3_close(src);
        return failed(QStringLiteral("The database could not be read: %1").arg(why));
    }

    const QString partial = partialName(target);
    sqlite3 *dst = nullptr;
    rc = sqlite3_open_v2(QFile::encodeName(partial).constData(), &dst,
                         SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    // The copy needs no journal of its own: until it is renamed it is nobody's
    // database, and a failure removes it.
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(dst, "PRAGMA journal_mode = OFF", nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(dst, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    sqlite3_backup *copy = rc == SQLITE_OK ? sqlite3_backup_init(dst, "main", src, "main") : nullptr;
    if (!copy) {
        const QString why = sqliteText(dst, rc);
        sqlite3_close(dst);
        sqlite3_exec(src, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(src);
        removePartial(partial);
        return failed(QStringLiteral("The copy could not be started in %1: %2")
                          .arg(QDir::toNativeSeparators(QFileInfo(target).absolutePath()), why));
    }
    bool stopped = false;
    for (;;) {
        rc = sqlite3_backup_step(copy, qMax(1, pagesPerStep));
        if (rc == SQLITE_DONE)
            break;
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            QThread::msleep(5);
        } else if (rc != SQLITE_OK) {
            break;
        }
        const qint64 total = sqlite3_backup_pagecount(copy);
        if (progress && !progress(total - sqlite3_backup_remaining(copy), total)) {
            stopped = true;
            break;
        }
    }
    const qint64 total = sqlite3_backup_pagecount(copy);
    sqlite3_backup_finish(copy);
    const QString why = rc == SQLITE_DONE ? QString() : sqliteText(dst, rc);
    sqlite3_exec(src, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(src);
    const int closed = sqlite3_close(dst);
    if (stopped) {
        removePartial(partial);
        return cancelled();
    }
    if (rc != SQLITE_DONE || closed != SQLITE_OK) {
        removePartial(partial);
        return failed(QStringLiteral("The copy failed: %1").arg(why.isEmpty() ? sqliteText(nullptr, closed) : why));
    }
    // Nothing but the copy itself goes under the target's name.
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(partial + QLatin1String(suffix));
    if (progress)
        progress(total, total);
    return publish(partial, target);
}

// A libpq connection text value in quotes.
QString quotedValue(const QString &value)
{
    QString v = value;
    v.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

Outcome backupServer(const QString &address, const QString &target, const Progress &progress)
{
    PgEngine::Address a;
    QString why;
    if (!PgEngine::parse(address, &a, &why))
        return failed(why);
    const QString program = dumpProgram();
    if (program.isEmpty())
        return {Status::NoDumpProgram, noDumpProgramText()};
    QStringList conn;
    if (!a.host.isEmpty())
        conn << QStringLiteral("host=") + quotedValue(a.host);
    if (a.port > 0)
        conn << QStringLiteral("port=%1").arg(a.port);
    if (!a.user.isEmpty())
        conn << QStringLiteral("user=") + quotedValue(a.user);
    conn << QStringLiteral("dbname=") + quotedValue(a.database);
    for (const QString &option : std::as_const(a.options))
        conn << option;
    QProcess dump;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The password goes by the environment, never on the command line.
    if (!a.password.isEmpty())
        env.insert(QStringLiteral("PGPASSWORD"), a.password);
    if (!env.contains(QStringLiteral("PGCONNECT_TIMEOUT")))
        env.insert(QStringLiteral("PGCONNECT_TIMEOUT"), QString::number(PgEngine::DefaultConnectTimeoutS));
    dump.setProcessEnvironment(env);
    dump.setProcessChannelMode(QProcess::SeparateChannels);
    dump.setStandardOutputFile(QProcess::nullDevice());
    const QString partial = partialName(target);
    dump.start(program, {QStringLiteral("--format=custom"), QStringLiteral("--no-password"),
                         QStringLiteral("--file=") + partial,
                         QStringLiteral("--dbname=") + conn.join(QLatin1Char(' '))});
    if (!dump.waitForStarted(10000)) {
        removePartial(partial);
        return failed(QStringLiteral("%1 could not be started: %2").arg(program, dump.errorString()));
    }
    while (!dump.waitForFinished(100)) {
        if (dump.state() == QProcess::NotRunning)
            break;
        if (progress && !progress(QFileInfo(partial).size(), 0)) {
            dump.kill();
            dump.waitForFinished(10000);
            removePartial(partial);
            return cancelled();
        }
    }
    if (dump.exitStatus() != QProcess::NormalExit || dump.exitCode() != 0) {
        const QString err = QString::fromLocal8Bit(dump.readAllStandardError()).trimmed();
        removePartial(partial);
        return failed(QStringLiteral("pg_dump failed: %1")
                          .arg(err.isEmpty() ? QStringLiteral("exit status %1").arg(dump.exitCode()) : err));
    }
    if (progress) {
        const qint64 size = QFileInfo(partial).size();
        progress(size, size);
    }
    return publish(partial, target);
}

} // namespace

QString protectedRole(const QString &databasePath, const QString &target)
{
    if (Database::isSameFile(databasePath, target))
        return QStringLiteral("the inventory database");
    for (const SqlEngine::Companion &c : SqlEngine::sqlite()->companionFiles())
        if (Database::isSameFile(databasePath + c.suffix, target))
            return QStringLiteral("the inventory database's ") + c.role;
    return QString();
}

QString dumpProgram()
{
    return QStandardPaths::findExecutable(QStringLiteral("pg_dump"));
}

QString noDumpProgramText()
{
    return QStringLiteral("The server's database cannot be backed up: the program pg_dump was not "
                          "found on the path.\nInstall the PostgreSQL client programs (on Debian the "
                          "package postgresql-client) and try again.");
}

Outcome backup(const QString &address, const QString &target, const Progress &progress, int pagesPerStep)
{
    if (target.trimmed().isEmpty())
        return failed(QStringLiteral("No file was chosen for the backup."));
    if (PgEngine::isAddress(address))
        return backupServer(address, target, progress);
    const QString role = protectedRole(address, target);
    if (!role.isEmpty())
        return {Status::OverDatabase,
                QStringLiteral("A backup cannot be written over %1. Choose another file.").arg(role)};
    return backupFile(address, target, progress, pagesPerStep);
}

namespace Daily {

int copiesFromSetting(const QVariant &value)
{
    bool ok = false;
    const int n = value.toString().trimmed().toInt(&ok);
    return ok && n >= 0 ? n : DefaultCopies;
}

QString folder(const QString &databasePath)
{
    return QFileInfo(databasePath).absoluteDir().filePath(QStringLiteral("backups"));
}

QString fileName(const QString &databasePath, const QDate &day)
{
    const QFileInfo db(databasePath);
    const QString suffix = db.suffix().isEmpty() ? QString() : QLatin1Char('.') + db.suffix();
    return QDir(folder(databasePath))
        .filePath(db.completeBaseName() + QLatin1Char('-') + day.toString(QStringLiteral("yyyy-MM-dd")) + suffix);
}

QStringList existing(const QString &databasePath)
{
    const QFileInfo db(databasePath);
    const QString suffix = db.suffix().isEmpty() ? QString() : QLatin1Char('.') + db.suffix();
    const QRegularExpression dated(QLatin1Char('^') + QRegularExpression::escape(db.completeBaseName())
                                   + QStringLiteral(R"(-\d{4}-\d{2}-\d{2})")
                                   + QRegularExpression::escape(suffix) + QLatin1Char('$'));
    QStringList names;
    const QDir dir(folder(databasePath));
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name))
        if (dated.match(name).hasMatch())
            names << dir.filePath(name);
    return names; // the date in the name sorts them
}

Outcome run(const QString &databasePath, const QDate &today, int keep, const Progress &progress)
{
    if (keep <= 0)
        return {};
    if (!QDir().mkpath(folder(databasePath)))
        return failed(QStringLiteral("The folder %1 could not be made.")
                          .arg(QDir::toNativeSeparators(folder(databasePath))));
    // A copy cut off by a crash or a power cut leaves its temporary file; one
    // untouched for an hour is no copy under way.
    const QDir dir(folder(databasePath));
    const QString prefix = QFileInfo(databasePath).completeBaseName() + QLatin1Char('-');
    for (const QFileInfo &f : dir.entryInfoList({prefix + QStringLiteral("*.partial-*")}, QDir::Files))
        if (f.lastModified().secsTo(QDateTime::currentDateTime()) > 3600)
            QFile::remove(f.absoluteFilePath());
    const QString name = fileName(databasePath, today);
    if (!QFileInfo::exists(name)) {
        const Outcome made = backup(databasePath, name, progress);
        if (!made.ok())
            return made;
    }
    QStringList copies = existing(databasePath);
    while (copies.size() > keep)
        QFile::remove(copies.takeFirst());
    return {};
}

} // namespace Daily

} // namespace BackupOps
