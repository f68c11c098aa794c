// A kit pull of a 500-component BOM, and the BIN List run and laid out for
// its preview, on a large catalogue with full synchronous commits.
#include "benchsupport.h"
#include "sqlitefloor.h"
#include "bom/ops/kitpull.h"
#include "reports/engine/reportparser.h"
#include "reports/engine/reportrunner.h"
#include "ui/appcontext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <cstdio>
#include <ctime>

int main(int argc, char **argv)
{
    Bench::headless();
    QApplication application(argc, argv);

    const int parts = Bench::DefaultParts;
    Bench::QuietUi ui;
    AppContext app(&ui);
    QString error;
    if (!Bench::setUpProgramFolder(app, QStringLiteral("kits-bench"), parts, &error)) {
        std::fprintf(stderr, "cannot set up the database: %s\n", qPrintable(error));
        return 1;
    }
    Database &db = app.database();

    // A kit of 500 different components anywhere in the catalogue.
    const int components = 500;
    QRandomGenerator rng(500);
    QStringList kit;
    db.beginWrite();
    for (int i = 0; i < components; ++i) {
        kit << Bench::partNumber(int(rng.bounded(parts)));
        if (!db.execute(QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) "
                                       "VALUES (?, ?, ?, ?)"),
                        {QStringLiteral("BENCH-KIT"), QStringLiteral("Bench kit"),
                         kit.last(), 1 + int(rng.bounded(3))})) {
            std::fprintf(stderr, "cannot add the kit: %s\n", qPrintable(db.errorString()));
            return 1;
        }
    }
    db.commit();

    QList<double> samples, cpuSamples;
    for (int run = 0; run < 25; ++run) {
        QElapsedTimer t;
        const double cpuStart = Bench::cpuMs();
        t.start();
        // Pull one kit and put it back, in turn, so stock stays where it was.
        const KitPull::Outcome outcome = KitPull::pull(db, QStringLiteral("BENCH-KIT"), run % 2 ? -1 : 1);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        const double cpu = Bench::cpuMs() - cpuStart;
        if (!outcome.ok() || outcome.lines != components) {
            std::fprintf(stderr, "a pull failed: %s\n", qPrintable(KitPull::messageFor("BENCH-KIT", outcome)));
            return 1;
        }
        if (run >= 5) {
            samples << ms;
            cpuSamples << cpu;
        }
    }
    Bench::report("kitpull_500_ms", Bench::percentile(samples, 50), "ms", parts);
    Bench::report("kitpull_500_cpu_ms", Bench::percentile(cpuSamples, 50), "ms", parts);
    // The engine's own: the same reads and writes of the 500 components,
    // each stock taken down and put back in turn as above (a change of zero
    // would leave the valuation's index alone, which no pull does), the
    // ledger's row for each included; and the same without the ledger.
    Bench::report("kitpull_500_floor_ms",
                  Floor::writesMs(app.databasePath(), QList<QStringList>(20, kit), -1, true, true, true), "ms",
                  parts);
    Bench::report("kitpull_500_floor_noledger_ms",
                  Floor::writesMs(app.databasePath(), QList<QStringList>(20, kit), -1, true, false, true), "ms",
                  parts);

    const QString binTemplate = QCoreApplication::applicationDirPath() + QStringLiteral("/../Bin.rpt");
    QList<double> reportSamples, reportCpu;
    int pages = 0;
    for (int run = 0; run < 4; ++run) {
        QElapsedTimer t;
        const double cpuStart = Bench::cpuMs();
        t.start();
        ReportDefinition definition;
        ReportDocument document;
        ReportError e = ReportParser::parseFile(binTemplate, &definition);
        if (!e)
            e = ReportRunner::run(db, definition, {}, app.now(), &document);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (e) {
            std::fprintf(stderr, "the BIN List failed: %d %s\n", e.number, qPrintable(e.description));
            return 1;
        }
        pages = document.pageCount();
        if (run >= 1) {
            reportSamples << ms;
            reportCpu << Bench::cpuMs() - cpuStart;
        }
    }
    Bench::report("report_bin_ms", Bench::percentile(reportSamples, 50), "ms", parts);
    Bench::report("report_bin_cpu_ms", Bench::percentile(reportCpu, 50), "ms", parts);
    std::printf("(BIN List: %d pages)\n", pages);
    return 0;
}
