#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

// Copies of the inventory database taken while the program runs.
//
// A file database is copied page by page through SQLite's online backup on a
// connection of its own, inside one read transaction: the copy is the
// database as it stood when the backup began, whatever other workstations
// write meanwhile (they are not held up). A server database is dumped with
// pg_dump (custom format, for pg_restore). Either way the copy is written
// under a temporary name in the target's folder, flushed to the disk and then
// renamed: a backup that fails, is cancelled or dies leaves nothing under the
// chosen name (a file that was there stays as it was).
namespace BackupOps {

enum class Status {
    Done,
    Cancelled,
    Failed,
    NoDumpProgram, // the server's dump program is not on the path
    OverDatabase,  // the target is the database or a file the engine keeps beside it
};

struct Outcome
{
    Status status = Status::Done;
    QString text; // what to tell the user when it is not Done
    bool ok() const { return status == Status::Done; }
};

// Told how far the copy is, between steps, on the thread that runs it: done
// and total in pages (a dump: bytes written and 0). Returning false cancels.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Pages copied per step of a file backup: 4 MB of 4 KB pages.
constexpr int DefaultPagesPerStep = 1024;

// Backs up the database at `address` (a file's path or a PostgreSQL
// address) to the file `target`.
Outcome backup(const QString &address, const QString &target, const Progress &progress = {},
               int pagesPerStep = DefaultPagesPerStep);

// What `target` is to the database file `databasePath` ("the inventory
// database", "the inventory database's write-ahead log"), or an empty text
// when a backup may be written there.
QString protectedRole(const QString &databasePath, const QString &target);

// The server's dump program found on the path, or an empty text.
QString dumpProgram();
// The text shown when it is not there.
QString noDumpProgramText();

// Rolling daily copies of a database file, in a folder "backups" beside it,
// named after it and the day so that they sort by date
// (backups/Inventory-2026-12-07.mdb).
namespace Daily {
constexpr int DefaultCopies = 7;
// The number of copies to keep from the setting DailyBackups: a whole number,
// 0 for none; absent or anything else gives the default.
int copiesFromSetting(const QVariant &value);
QString folder(const QString &databasePath);
QString fileName(const QString &databasePath, const QDate &day);
// The daily copies present in the folder, oldest first.
QStringList existing(const QString &databasePath);
// Makes the copy for `today` unless it is there, then removes the oldest
// copies beyond `keep`, and temporary files of copies cut off an hour ago or
// more. Does nothing when `keep` is 0. `progress` may cancel.
Outcome run(const QString &databasePath, const QDate &today, int keep,
            const Progress &progress = {});
} // namespace Daily

} // namespace BackupOps
