// A backup of a large file database while the program runs: the whole copy
// (page copy in steps, flushed to the disk, renamed), as File > Back Up
// Database... makes it.
#include "backup/ops/backupops.h"
#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int parts = 1000000;
    const QString folder = QDir::current().filePath(QStringLiteral("backup-bench"));
    QDir().mkpath(folder);
    const QString db = folder + QStringLiteral("/Inventory.mdb"), target = folder + QStringLiteral("/copy.mdb");
    QString error;
    if (!Bench::makeDatabase(db, parts, Bench::DefaultBomRows, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    QFile::remove(target);
    qint64 pages = 0;
    QElapsedTimer t;
    t.start();
    const BackupOps::Outcome outcome = BackupOps::backup(db, target, [&](qint64 done, qint64) {
        pages = done;
        return true;
    });
    const double ms = t.nsecsElapsed() / 1e6;
    if (!outcome.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(outcome.text));
        return 1;
    }
    std::printf("# %lld pages, %.1f MB\n", static_cast<long long>(pages), QFile(target).size() / 1048576.0);
    Bench::report("backup_1m_ms", ms, "ms", parts);
    QFile::remove(target);
    return 0;
}
