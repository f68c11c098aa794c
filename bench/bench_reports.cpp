// The BIN List run and laid out for its preview (the query, every page),
// on the default catalogue and on a million parts.
#include "benchsupport.h"
#include "reports/engine/reportparser.h"
#include "reports/engine/reportrunner.h"
#include "data/database.h"
#include "ui/appcontext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

namespace {

// The median time of `runs` runs after one to warm up; false when the report fails.
bool timeBinList(AppContext &app, int runs, double *ms, double *cpuMs, int *pages)
{
    const QString binTemplate = QCoreApplication::applicationDirPath() + QStringLiteral("/../Bin.rpt");
    QList<double> wall, cpu;
    for (int run = 0; run <= runs; ++run) {
        QElapsedTimer t;
        const double cpuStart = Bench::cpuMs();
        t.start();
        ReportDefinition definition;
        ReportDocument document;
        ReportError e = ReportParser::parseFile(binTemplate, &definition);
        if (!e)
            e = ReportRunner::run(app.database(), definition, {}, app.now(), &document);
        const double elapsed = double(t.nsecsElapsed()) / 1e6;
        if (e) {
            std::fprintf(stderr, "the BIN List failed: %d %s\n", e.number, qPrintable(e.description));
            return false;
        }
        *pages = document.pageCount();
        if (run > 0) {
            wall << elapsed;
            cpu << Bench::cpuMs() - cpuStart;
        }
    }
    *ms = Bench::percentile(wall, 50);
    *cpuMs = Bench::percentile(cpu, 50);
    // The query alone, as the report runs it, rows counted only.
    struct Count : SqlEngine::RowSink
    {
        qsizetype rows = 0;
        void columns(const QStringList &) override {}
        void value(QVariant &&) override {}
        void endRow() override { ++rows; }
    };
    ReportDefinition definition;
    ReportParser::parseFile(binTemplate, &definition);
    QList<double> query;
    for (int run = 0; run < runs; ++run) {
        Count count;
        const double cpuStart = Bench::cpuMs();
        app.database().read(definition.sql, {}, count);
        query << Bench::cpuMs() - cpuStart;
    }
    std::printf("(BIN List query alone: %.0f ms of processor time)\n", Bench::percentile(query, 50));
    return true;
}

bool measure(const QString &folder, int parts, int runs, const char *name, const char *cpuName)
{
    Bench::QuietUi ui;
    AppContext app(&ui);
    QString error;
    if (!Bench::setUpProgramFolder(app, folder, parts, &error)) {
        std::fprintf(stderr, "cannot set up the database: %s\n", qPrintable(error));
        return false;
    }
    double ms = 0, cpu = 0;
    int pages = 0;
    if (!timeBinList(app, runs, &ms, &cpu, &pages))
        return false;
    Bench::report(name, ms, "ms", parts);
    Bench::report(cpuName, cpu, "ms", parts);
    std::printf("(BIN List: %d pages)\n", pages);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Bench::headless();
    QApplication application(argc, argv);
    if (!measure(QStringLiteral("reports-bench"), Bench::DefaultParts, 5, "report_bin_ms",
                 "report_bin_cpu_ms"))
        return 1;
    // "100k": the default catalogue only.
    if (argc > 1 && QByteArray(argv[1]) == "100k")
        return 0;
    if (!measure(QStringLiteral("reports-bench-1m"), 1000000, 3, "report_bin_1m_ms",
                 "report_bin_1m_cpu_ms"))
        return 1;
    return 0;
}
