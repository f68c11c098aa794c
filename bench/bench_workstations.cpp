// Several workstations adding stock at the same moment: 4 processes, each
// making 500 stock adds spread over the same 10 parts, first on the file
// database and then on a private PostgreSQL server. Every add that reported
// success must be in the stock (lost changes 0), and the adds per second show
// what the engines take.
#include "benchsupport.h"
#include "data/database.h"
#include "data/recordset.h"
#include "data/writetransaction.h"
#include "pgserver.h"
#include "stock/ops/stockoperations.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>

namespace {

constexpr int Processes = 4;
constexpr int AddsEach = 500;
constexpr int Parts = 10;

QString partNo(int i)
{
    return QStringLiteral("WS%1").arg(i, 2, 10, QLatin1Char('0'));
}

// A child: its adds, then the number that succeeded on stdout.
int child(const QString &address, int index)
{
    Database db(QStringLiteral("workstation"));
    if (!db.open(address)) {
        std::fprintf(stderr, "%s\n", qPrintable(db.errorString()));
        return 1;
    }
    int done = 0;
    for (int i = 0; i < AddsEach; ++i) {
        const QString part = partNo((i + index * 3) % Parts);
        DbError error;
        const bool ok = runWrite(db, [&](DbError *failure) {
            const StockOps::StockChange change = StockOps::adjustStock(db, part, 1);
            *failure = change.error;
            return change.ok();
        }, &error);
        if (ok)
            ++done;
        else
            std::fprintf(stderr, "add failed: %s\n", qPrintable(error.description));
    }
    std::printf("%d\n", done);
    return 0;
}

qint64 totalStock(const QString &address)
{
    Database db(QStringLiteral("total"));
    Recordset rs;
    if (!db.open(address) || !rs.open(db, QStringLiteral("select sum(CurrentInv) as Total from Inventory")))
        return -1;
    return rs.value(QStringLiteral("Total")).toLongLong();
}

// Runs the workstations on a database holding the parts; lost changes and adds per second.
bool run(const QString &address, const char *lostName, const char *rateName)
{
    const qint64 before = totalStock(address);
    QList<QProcess *> children;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Processes; ++i) {
        auto *p = new QProcess;
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--workstation"), address, QString::number(i)});
        children << p;
    }
    qint64 reported = 0;
    bool ok = true;
    for (QProcess *p : children) {
        ok = p->waitForFinished(600000) && p->exitCode() == 0 && ok;
        reported += p->readAllStandardOutput().trimmed().toLongLong();
        delete p;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    const qint64 after = totalStock(address);
    if (!ok || before < 0 || after < 0) {
        std::fprintf(stderr, "a workstation failed\n");
        return false;
    }
    Bench::report(lostName, double(reported - (after - before)), "changes", Processes * AddsEach);
    Bench::report(rateName, reported / seconds, "adds/s", Processes * AddsEach);
    return true;
}

bool addParts(const QString &address)
{
    Database db(QStringLiteral("parts"));
    if (!db.open(address))
        return false;
    for (int i = 0; i < Parts; ++i)
        if (!db.execute(QStringLiteral("INSERT INTO Inventory (PartNo, Description, CurrentInv) VALUES (?, ?, 0)"),
                        {partNo(i), QStringLiteral("Bench part")}))
            return false;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args.at(1) == QLatin1String("--workstation"))
        return child(args.at(2), args.at(3).toInt());

    const QString file = QDir::current().absoluteFilePath(QStringLiteral("bench_workstations.mdb"));
    QString error;
    if (!Bench::makeDatabase(file, 0, 0, &error) || !addParts(file)) {
        std::fprintf(stderr, "file database: %s\n", qPrintable(error));
        return 1;
    }
    if (!run(file, "ws_lost_changes_sqlite", "ws_adds_per_s_sqlite"))
        return 1;

    if (PgServer::binFolder().isEmpty()) {
        std::fprintf(stderr, "no PostgreSQL server programs: the server figures are left out\n");
        return 1;
    }
    PgServer server(true);
    if (!server.start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.error()));
        return 1;
    }
    const QString address = server.createDatabase(true, PgServer::Letters::AsciiOnly, &error);
    if (address.isEmpty() || !addParts(address)) {
        std::fprintf(stderr, "server database: %s\n", qPrintable(error));
        return 1;
    }
    const bool ok = run(address, "ws_lost_changes_pg", "ws_adds_per_s_pg");
    server.stop();
    return ok ? 0 : 1;
}
