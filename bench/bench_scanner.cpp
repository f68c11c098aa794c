// A scanner import after the collection period: the transfer kept in
// import.txt and 10,000 scanned lines added to the stock of a large
// catalogue, in one write transaction with a full synchronous commit.
// Besides the elapsed time it reports the processor time of the same runs,
// which a busy machine does not inflate.
#include "benchsupport.h"
#include "sqlitefloor.h"
#include "scanner/ops/scanimport.h"
#include "ui/appcontext.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);

    const int parts = Bench::DefaultParts;
    const int lines = 10000;
    Bench::QuietUi ui;
    AppContext app(&ui);
    QString error;
    if (!Bench::setUpProgramFolder(app, QStringLiteral("scanner-bench"), parts, &error)) {
        std::fprintf(stderr, "cannot set up the database: %s\n", qPrintable(error));
        return 1;
    }

    // Parts scattered over the catalogue, some more than once, with whole
    // and fractional counts, as a stock take brings them.
    QRandomGenerator rng(7);
    QByteArray received;
    QStringList scanned;
    for (int i = 0; i < lines; ++i)
        received += (scanned << Bench::partNumber(int(rng.bounded(parts)))).last().toLatin1() + ','
                    + (i % 4 == 3 ? QByteArray("2.5") : QByteArray::number(1 + rng.bounded(20)))
                    + "\r\n";

    const QString transferPath = QDir(app.programFolder()).filePath(QStringLiteral("import.txt"));
    const int runs = 7;
    QList<double> elapsed, processor;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer t;
        t.start();
        const double cpuBefore = Bench::cpuMs();
        if (!ScanImport::writeTransferFile(transferPath, received, &error)) {
            std::fprintf(stderr, "cannot write the transfer: %s\n", qPrintable(error));
            return 1;
        }
        const ScanImport::Result result = ScanImport::apply(app.database(), received);
        elapsed << double(t.nsecsElapsed()) / 1e6;
        processor << Bench::cpuMs() - cpuBefore;
        if (!result.committed || result.linesApplied != lines) {
            std::fprintf(stderr, "the import failed: %s (%d lines applied)\n",
                         qPrintable(result.error.description), result.linesApplied);
            return 1;
        }
    }
    Bench::report("import_10k_ms", Bench::percentile(elapsed, 50), "ms", parts);
    Bench::report("import_10k_cpu_ms", Bench::percentile(processor, 50), "ms", parts);
    // The engine's own: the same 10,000 stock updates in one transaction, the
    // ledger's row for each included; and the same without the ledger.
    Bench::report("import_10k_floor_ms",
                  Floor::writesMs(app.databasePath(), QList<QStringList>(runs, scanned), 1, false, true), "ms",
                  parts);
    Bench::report("import_10k_floor_noledger_ms",
                  Floor::writesMs(app.databasePath(), QList<QStringList>(runs, scanned), 1, false), "ms", parts);
    return 0;
}
