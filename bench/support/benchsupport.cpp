#include "benchsupport.h"

#include "ui/appcontext.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QDir>

#include <QFile>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <ctime>
#include <QVariant>
#include <cstdio>

namespace Bench {

QString partNumber(int i)
{
    static const char *const families[] = {"CAP", "CON", "DIO", "HW", "IC", "LED", "RES", "TRN"};
    return QStringLiteral("%1-%2").arg(QLatin1String(families[i % 8])).arg(i, 6, 10, QLatin1Char('0'));
}

bool makeDatabase(const QString &path, int parts, int bomRows, QString *error)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    if (!Schema::createFile(path, QString(), error))
        return false;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("benchgen"));
        db.setDatabaseName(path);
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        QRandomGenerator rng(1234);
        static const char *const words[] = {"Resistor", "Capacitor", "Diode", "Header", "Screw",
                                            "Regulator", "Op-amp", "LED", "Connector", "Standoff",
                                            "ceramic", "film", "carbon", "SMD", "through-hole",
                                            "10k", "4u7", "M3", "red", "0805"};
        q.prepare(QStringLiteral("INSERT INTO Inventory (PartNo, Description, CurrentInv, UnitCost, "
                                 "ReorderPoint, MinReq, Bin) VALUES (?,?,?,?,?,?,?)"));
        for (int i = 0; i < parts && ok; ++i) {
            QString d;
            for (int w = 0; w < 4; ++w)
                d += QLatin1String(words[rng.bounded(20)]) + QLatin1Char(' ');
            d += QString::number(i);
            q.bindValue(0, partNumber(i));
            q.bindValue(1, d);
            q.bindValue(2, rng.bounded(5000));
            q.bindValue(3, rng.bounded(10000) / 100.0);
            q.bindValue(4, rng.bounded(100));
            q.bindValue(5, rng.bounded(100));
            q.bindValue(6, rng.bounded(10) == 0 ? 1 : 0);
            ok = q.exec();
        }
        q.prepare(QStringLiteral("INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES (?,?,?)"));
        for (int i = 0; i < parts && ok; i += 1) {
            if (i % 5 == 4)
                continue;
            q.bindValue(0, partNumber(i));
            q.bindValue(1, QStringLiteral("Vendor %1").arg(i % 17));
            q.bindValue(2, QStringLiteral("Part %1").arg(i));
            ok = q.exec();
        }
        q.prepare(QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) VALUES (?,?,?,?)"));
        for (int i = 0; i < bomRows && ok; ++i) {
            const int board = i / 20;
            q.bindValue(0, QStringLiteral("BOARD-%1").arg(board, 5, 10, QLatin1Char('0')));
            q.bindValue(1, QStringLiteral("Board %1").arg(board));
            q.bindValue(2, partNumber(int(rng.bounded(qMax(1, parts)))));
            q.bindValue(3, 1 + rng.bounded(10));
            ok = q.exec();
        }
        if (!ok && error)
            *error = q.lastError().text();
        q.exec(ok ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("benchgen"));
    return ok;
}

bool setUpProgramFolder(AppContext &app, const QString &name, int parts, QString *error)
{
    const QString folder = QDir::current().absoluteFilePath(name);
    QDir().mkpath(folder);
    if (!makeDatabase(QDir(folder).filePath(QStringLiteral("Inventory.mdb")), parts, DefaultBomRows,
                      error))
        return false;
    app.setProgramFolder(folder);
    app.setDatabasePath(QDir(folder).filePath(QStringLiteral("Inventory.mdb")));
    app.setSettingsFile(QDir(folder).filePath(QStringLiteral("bench-settings.ini")));
    if (!app.OpenInventoryDatabase()) {
        if (error)
            *error = app.database().errorString();
        return false;
    }
    return true;
}

void headless()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

void report(const char *name, double value, const char *unit, qint64 n)
{
    std::printf("BENCH %s %.3f %s n=%lld\n", name, value, unit, static_cast<long long>(n));
    std::fflush(stdout);
}

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double residentMb()
{
    QFile f(QStringLiteral("/proc/self/statm"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = f.readAll().split(' ');
    if (fields.size() < 2)
        return 0;
    return fields.at(1).toDouble() * 4096.0 / (1024.0 * 1024.0);
}

double percentile(QList<double> samples, double pct)
{
    if (samples.isEmpty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const qsizetype idx = qBound<qsizetype>(0, qsizetype(pct / 100.0 * (samples.size() - 1) + 0.5),
                                            samples.size() - 1);
    return samples.at(idx);
}

bool partSamples(int parts, quint32 seed, QList<double> *samples, int warmUp, int runs,
                 const std::function<bool(const QString &)> &change,
                 const std::function<void(const QString &)> &prepare)
{
    QRandomGenerator rng(seed);
    samples->clear();
    for (int i = 0; i < warmUp + runs; ++i) {
        const QString partNo = partNumber(int(rng.bounded(parts)));
        if (prepare)
            prepare(partNo);
        QElapsedTimer t;
        t.start();
        const bool done = change(partNo);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (!done)
            return false;
        if (i >= warmUp)
            *samples << ms;
    }
    return true;
}

bool submitSamples(QWidget *stockWindow, int parts, QList<double> *samples, int warmUp, int runs)
{
    auto *partNo = stockWindow->findChild<QLineEdit *>(QStringLiteral("txtPartNo"));
    auto *quantity = stockWindow->findChild<QLineEdit *>(QStringLiteral("txtQuantity"));
    auto *submit = stockWindow->findChild<QPushButton *>(QStringLiteral("cmdUpdate"));
    if (!partNo || !quantity || !submit)
        return false;
    const auto click = [&](const QString &) {
        submit->click();
        QCoreApplication::processEvents(); // the repaint the user waits for
        return partNo->text().isEmpty(); // a failed Submit leaves the part number
    };
    const auto type = [&](const QString &part) {
        partNo->setText(part);
        quantity->setText(QStringLiteral("1"));
    };
    return partSamples(parts, 42, samples, warmUp, runs, click, type);
}

} // namespace Bench
