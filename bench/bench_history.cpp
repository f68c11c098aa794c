// The stock ledger's cost: a stock adjustment Submit through the real window
// with a ledger of 1,000,000 rows against the same Submit writing no ledger
// row, one part's history (grid and chart) in that ledger, and the undo of a
// 500-component kit pull.
#include "app/mainwindow.h"
#include "benchsupport.h"
#include "ui/listgridmodel.h"
#include "bom/ops/kitpull.h"
#include "data/database.h"
#include "data/writetransaction.h"
#include "history/ops/stockledger.h"
#include "history/stockhistorywindow.h"
#include "stock/adddeleteinvwindow.h"
#include "ui/appcontext.h"
#include "ui/gridmodel.h"
#include "ui/userinterface.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <cstdio>

namespace {

constexpr int LedgerRows = 1000000;

// Ten rows a part, spread over the past year, as other workstations wrote them.
bool fillLedger(Database &db, int parts)
{
    WriteTransaction tx(db);
    if (!tx.isOpen()) {
        std::fprintf(stderr, "no transaction: %s\n", qPrintable(db.errorString()));
        return false;
    }
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-365);
    const QString insert = QStringLiteral(
        "INSERT INTO \"StockLedger\" (\"ChangedAt\", \"Workstation\", \"LoginName\", \"PartNo\", "
        "\"Change\", \"StockAfter\", \"Source\", \"GroupId\", \"KitNo\", \"Kits\") "
        "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (int i = 0; i < LedgerRows; ++i) {
        const bool kit = i % 4 == 0;
        const QVariantList values{
            start.addSecs(qint64(i) * 31).toString(Qt::ISODateWithMs), QStringLiteral("STORES-2"),
            QStringLiteral("bob"), Bench::partNumber(i % parts), qint64(kit ? -2 : 5), qint64(100 + i % 50),
            StockLedger::sourceText(kit ? StockLedger::Source::KitPull : StockLedger::Source::Stock),
            QStringLiteral("g%1").arg(kit ? i / 400 : i),
            kit ? QVariant(QStringLiteral("KIT-%1").arg(i / 400)) : QVariant(),
            kit ? QVariant(qint64(1)) : QVariant()};
        if (!db.execute(insert, values)) {
            std::fprintf(stderr, "row %d: %s\n", i, qPrintable(db.errorString()));
            return false;
        }
    }
    return tx.commit();
}

} // namespace

int main(int argc, char **argv)
{
    Bench::headless();
    QApplication application(argc, argv);

    const int parts = Bench::DefaultParts;
    Bench::QuietUi ui;
    AppContext app(&ui);
    QString error;
    if (!Bench::setUpProgramFolder(app, QStringLiteral("history-bench"), parts, &error)) {
        std::fprintf(stderr, "cannot set up the database: %s\n", qPrintable(error));
        return 1;
    }
    MainWindow main(app);
    main.resize(1000, 760);
    main.show();
    Database &db = app.database();
    if (!StockLedger::ensureTable(db)) {
        std::fprintf(stderr, "cannot make the ledger: %s\n", qPrintable(db.errorString()));
        return 1;
    }
    main.run(CommandId::AddQuantity);
    auto *window = qobject_cast<AddDeleteInvWindow *>(main.activeChild());
    if (!window) {
        std::fprintf(stderr, "the stock adjustment window did not open\n");
        return 1;
    }
    QCoreApplication::processEvents();

    QList<double> samples;
    StockLedger::setSuspended(true);
    if (!Bench::submitSamples(window, parts, &samples)) {
        std::fprintf(stderr, "a Submit failed\n");
        return 1;
    }
    StockLedger::setSuspended(false);
    const double without = Bench::percentile(samples, 99);

    if (!fillLedger(db, parts)) {
        std::fprintf(stderr, "cannot fill the ledger: %s\n", qPrintable(db.errorString()));
        return 1;
    }
    if (!Bench::submitSamples(window, parts, &samples)) {
        std::fprintf(stderr, "a Submit failed\n");
        return 1;
    }
    Bench::report("stock_submit_p99_noledger_ms", without, "ms", parts);
    Bench::report("stock_submit_p99_ms", Bench::percentile(samples, 99), "ms", LedgerRows);

    // One part's history: the window, its grid and chart, painted.
    QList<double> opens;
    QRandomGenerator rng(7);
    for (int i = 0; i < 25; ++i) {
        QElapsedTimer t;
        t.start();
        auto *history = new StockHistoryWindow(app, Bench::partNumber(int(rng.bounded(parts))));
        main.showChild(history);
        QCoreApplication::processEvents();
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (history->model()->rowCount() < 10) {
            std::fprintf(stderr, "the history holds %d rows\n", history->model()->rowCount());
            return 1;
        }
        if (i >= 5)
            opens << ms;
        history->parentWidget()->close();
        QCoreApplication::processEvents();
    }
    Bench::report("history_1m_open_ms", Bench::percentile(opens, 50), "ms", LedgerRows);
    Bench::report("history_1m_open_max_ms", Bench::percentile(opens, 100), "ms", LedgerRows);

    // A kit of 500 components, pulled and undone.
    {
        WriteTransaction tx(db);
        for (int i = 0; i < 500; ++i)
            db.execute(QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) "
                                      "VALUES ('BENCHKIT', 'Bench kit', ?, 1)"),
                       {Bench::partNumber(i * 97 % parts)});
        tx.commit();
    }
    QList<double> undos;
    for (int i = 0; i < 7; ++i) {
        if (!KitPull::pull(db, QStringLiteral("BENCHKIT"), 1).ok()) {
            std::fprintf(stderr, "the kit pull failed\n");
            return 1;
        }
        StockLedger::Change change;
        StockLedger::newestUndoable(db, StockLedger::identity().workstation, &change);
        QElapsedTimer t;
        t.start();
        const StockLedger::UndoOutcome outcome = StockLedger::undo(db, change.groupId);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (!outcome.ok() || change.rows != 500) {
            std::fprintf(stderr, "the undo failed: %s\n", qPrintable(StockLedger::messageFor(outcome)));
            return 1;
        }
        if (i >= 2)
            undos << ms;
    }
    Bench::report("undo_kitpull_500_ms", Bench::percentile(undos, 50), "ms", 500);
    main.close();
    return 0;
}
