// Moving in: 100,000 spreadsheet rows imported as new parts into an empty
// database (read, checked and written in one transaction), and the whole of
// nwind.mdb read through the Access reader with its products copied into a
// new database file (checkpointed and checked). The second figure is left
// out when the Access fixtures are not there.
#include "benchsupport.h"
#include "data/database.h"
#include "data/databasecopy.h"
#include "data/schema.h"
#include "importing/jet/accessfile.h"
#include "importing/ops/partsimport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

namespace {

double median(QList<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples.at(samples.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QDir here(QDir::currentPath());
    const int rows = 100000;
    const int runs = 3;

    QByteArray csv("Part No,Description,Stock,Unit Cost,Reorder Point,Vendor\n");
    csv.reserve(rows * 60);
    for (int i = 0; i < rows; ++i)
        csv += Bench::partNumber(i).toLatin1() + ",\"Part " + QByteArray::number(i) + ", 10 \xC2\xB5" "F\","
               + QByteArray::number(i % 500) + ',' + QByteArray::number((i % 997) / 8.0) + ','
               + QByteArray::number(i % 20) + (i % 3 ? ",Acme\n" : ",\n");
    const QString csvPath = here.filePath(QStringLiteral("movein-bench.csv"));
    QFile out(csvPath);
    if (!out.open(QIODevice::WriteOnly) || out.write(csv) != csv.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(csvPath));
        return 1;
    }
    out.close();

    QList<double> importMs, importCpuMs;
    for (int run = 0; run < runs; ++run) {
        const QString dbPath = here.filePath(QStringLiteral("movein-bench.mdb"));
        for (const char *suffix : {"", "-wal", "-shm"})
            QFile::remove(dbPath + QLatin1String(suffix));
        QString error;
        if (!Schema::createFile(dbPath, QString(), &error)) {
            std::fprintf(stderr, "cannot make the database: %s\n", qPrintable(error));
            return 1;
        }
        Database db(QStringLiteral("bench"));
        if (!db.open(dbPath)) {
            std::fprintf(stderr, "cannot open the database: %s\n", qPrintable(db.errorString()));
            return 1;
        }
        QElapsedTimer t;
        t.start();
        const double cpu = Bench::cpuMs();
        const Sheet sheet = Sheet::read(csvPath);
        bool headings = false;
        const auto fields = PartsImport::guessFields(sheet, &headings);
        const auto outcome = PartsImport::run(db, sheet, fields, headings, false);
        importMs << double(t.nsecsElapsed()) / 1e6;
        importCpuMs << Bench::cpuMs() - cpu;
        if (outcome.added != rows) {
            std::fprintf(stderr, "import: %s\n", qPrintable(outcome.summary().left(300)));
            return 1;
        }
    }
    Bench::report("import_parts_100k_ms", median(importMs), "ms", rows);
    // The processor time of the same runs, which a busy machine does not inflate.
    Bench::report("import_parts_100k_cpu_ms", median(importCpuMs), "ms", rows);

    const QString nwind = QStringLiteral(PARTWISE_JET_FIXTURES "/nwind.mdb");
    if (!AccessFile::isSupported() || !QFile::exists(nwind))
        return 0;
    QList<double> copyMs;
    qint64 values = 0;
    for (int run = 0; run < runs; ++run) {
        const QString to = here.filePath(QStringLiteral("movein-nwind.mdb"));
        QFile::remove(to);
        QElapsedTimer t;
        t.start();
        AccessFile access;
        QString error;
        if (!access.open(nwind, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        values = 0;
        for (const QString &table : access.tables()) {
            QStringList columns;
            QVariantList row;
            if (!access.openTable(table, &columns, &error))
                continue; // a table the reader cannot open is not timed
            while (access.nextRow(&row, &error))
                values += row.size();
        }
        DatabaseCopy copy;
        copy.tableMap.insert(QStringLiteral("Products"), QStringLiteral("Inventory"));
        copy.columnMap = {{QStringLiteral("ProductName"), QStringLiteral("PartNo")},
                          {QStringLiteral("QuantityPerUnit"), QStringLiteral("Description")},
                          {QStringLiteral("UnitPrice"), QStringLiteral("UnitCost")},
                          {QStringLiteral("UnitsInStock"), QStringLiteral("CurrentInv")},
                          {QStringLiteral("ReorderLevel"), QStringLiteral("ReorderPoint")}};
        if (!copy.run(access, to)) {
            std::fprintf(stderr, "copy: %s\n", qPrintable(copy.error()));
            return 1;
        }
        copyMs << double(t.nsecsElapsed()) / 1e6;
    }
    Bench::report("dbcopy_jet_nwind_ms", median(copyMs), "ms", values);
    return 0;
}
