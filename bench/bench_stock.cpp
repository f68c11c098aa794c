// One stock adjustment Submit on a large catalogue with full synchronous
// commits. stock_submit_*: the write a Submit makes (the stock operation the
// window calls: update, read-back, ledger row, commit), beside the engine's
// own floor for one UPDATE and COMMIT. stock_submit_window_*: the same from
// the click on Submit to the repaint the user waits for.
#include "ui/appcontext.h"
#include "app/mainwindow.h"
#include "ui/userinterface.h"
#include "benchsupport.h"
#include "sqlitefloor.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/ops/stockoperations.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <cstdio>

int main(int argc, char **argv)
{
    Bench::headless();
    QApplication application(argc, argv);

    const int parts = Bench::DefaultParts;
    Bench::QuietUi ui;
    AppContext app(&ui);
    QString error;
    if (!Bench::setUpProgramFolder(app, QStringLiteral("stock-bench"), parts, &error)) {
        std::fprintf(stderr, "cannot set up the database: %s\n", qPrintable(error));
        return 1;
    }
    MainWindow main(app);
    main.resize(1000, 760);
    main.show();
    main.run(CommandId::AddQuantity);
    auto *window = qobject_cast<AddDeleteInvWindow *>(main.activeChild());
    if (!window) {
        std::fprintf(stderr, "the stock adjustment window did not open\n");
        return 1;
    }
    QCoreApplication::processEvents();

    const int runs = 500;
    QList<double> samples;
    if (!Bench::submitSamples(window, parts, &samples, 20, runs)) {
        std::fprintf(stderr, "a Submit failed\n");
        return 1;
    }
    const double windowP50 = Bench::percentile(samples, 50), windowP99 = Bench::percentile(samples, 99);

    // The write itself, on parts the window did not touch.
    const auto write = [&](const QString &partNo) {
        return StockOps::submitAdjustment(app.database(), partNo, 1, StockOps::Direction::Add, QString()).ok();
    };
    if (!Bench::partSamples(parts, 44, &samples, 20, runs, write)) {
        std::fprintf(stderr, "a stock change failed\n");
        return 1;
    }
    Bench::report("stock_submit_p50_ms", Bench::percentile(samples, 50), "ms", parts);
    Bench::report("stock_submit_p99_ms", Bench::percentile(samples, 99), "ms", parts);
    Bench::report("stock_submit_window_p50_ms", windowP50, "ms", parts);
    Bench::report("stock_submit_window_p99_ms", windowP99, "ms", parts);
    // The engine's own: one UPDATE and COMMIT of a part's stock.
    QRandomGenerator rng(43);
    QList<QStringList> floorRuns;
    for (int i = 0; i < runs; ++i)
        floorRuns << QStringList(Bench::partNumber(int(rng.bounded(parts))));
    Bench::report("sqlite_commit_floor_ms", Floor::writesMs(app.databasePath(), floorRuns, 1, false), "ms", parts);
    // The same with the ledger's row of each change, as a Submit writes.
    Bench::report("sqlite_commit_ledger_floor_ms", Floor::writesMs(app.databasePath(), floorRuns, 1, false, true),
                  "ms", parts);
    main.close();
    return 0;
}
