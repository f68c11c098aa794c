#include "sqlitefloor.h"

#include "data/sqlengine.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <sqlite3.h>

namespace Floor {

double writesMs(const QString &path, const QList<QStringList> &runs, int delta, bool readFirst,
                bool ledger, bool alternate)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return -1;
    sqlite3_busy_timeout(db, 5000);
    // The program's settings (SqliteEngine::configure); as in the program,
    // the log is moved into the database outside the commits (untimed here).
    for (const char *pragma : {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = FULL", "PRAGMA mmap_size = 0",
                               "PRAGMA cache_size = -65536", "PRAGMA wal_autocheckpoint = 0"})
        sqlite3_exec(db, pragma, nullptr, nullptr, nullptr);
    int logPages = 0; // in the log after the last commit
    sqlite3_wal_hook(db, [](void *pages, sqlite3 *, const char *, int n) {
        *static_cast<int *>(pages) = n;
        return SQLITE_OK;
    }, &logPages);
    sqlite3_stmt *read = nullptr, *update = nullptr, *entry = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO StockLedger (ChangedAt, Workstation, LoginName, PartNo, Change, StockAfter, "
                       "Source, GroupId, KitNo, Kits, Line, Note, UndoOf, Saved) "
                       "VALUES (?, 'BENCH', 'bench', ?, ?, NULL, 'kit pull', ?, NULL, NULL, NULL, NULL, NULL, NULL)",
                       -1, &entry, nullptr);
    qint64 group = 0;
    sqlite3_prepare_v2(db, "SELECT CurrentInv, ReorderPoint FROM Inventory WHERE PartNo = ?", -1, &read, nullptr);
    sqlite3_prepare_v2(db, "UPDATE Inventory SET CurrentInv = CurrentInv + ? WHERE PartNo = ?", -1, &update, nullptr);
    QList<double> samples;
    for (const QStringList &parts : runs) {
        QElapsedTimer t;
        t.start();
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        for (const QString &partNo : parts) {
            const QByteArray key = partNo.toUtf8();
            if (readFirst) {
                sqlite3_bind_text(read, 1, key.constData(), int(key.size()), SQLITE_STATIC);
                while (sqlite3_step(read) == SQLITE_ROW)
                    sqlite3_column_int64(read, 0);
                sqlite3_reset(read);
            }
            const int change = alternate && group % 2 ? -delta : delta;
            sqlite3_bind_int(update, 1, change);
            sqlite3_bind_text(update, 2, key.constData(), int(key.size()), SQLITE_STATIC);
            if (sqlite3_step(update) != SQLITE_DONE)
                std::fprintf(stderr, "floor: %s\n", sqlite3_errmsg(db));
            sqlite3_reset(update);
            if (ledger) {
                const QByteArray stamp = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8();
                const QByteArray id = QByteArray::number(QDateTime::currentMSecsSinceEpoch(), 16) + '-'
                                      + QByteArray::number(group);
                sqlite3_bind_text(entry, 1, stamp.constData(), int(stamp.size()), SQLITE_TRANSIENT);
                sqlite3_bind_text(entry, 2, key.constData(), int(key.size()), SQLITE_STATIC);
                sqlite3_bind_int(entry, 3, change);
                sqlite3_bind_text(entry, 4, id.constData(), int(id.size()), SQLITE_TRANSIENT);
                if (sqlite3_step(entry) != SQLITE_DONE)
                    std::fprintf(stderr, "floor: %s\n", sqlite3_errmsg(db));
                sqlite3_reset(entry);
            }
        }
        ++group;
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        samples << double(t.nsecsElapsed()) / 1e6;
        if (logPages >= SqliteEngine::CheckpointPages)
            sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    }
    sqlite3_finalize(read);
    sqlite3_finalize(update);
    sqlite3_finalize(entry);
    sqlite3_close(db);
    std::sort(samples.begin(), samples.end());
    return samples.isEmpty() ? -1 : samples.at(samples.size() / 2);
}

} // namespace Floor
