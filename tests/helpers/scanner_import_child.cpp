// Runs a scanner import on a database in a process of its own, for a test
// that kills it half-way: scanner_import_child <database> <transfer file>
// <line>. With a line above 0 it stops after that line, inside the import's
// transaction, prints the stock its own connection sees and waits to be killed.
#include "data/database.h"
#include "scanner/ops/scanimport.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlQuery>
#include <QThread>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    Database db(QStringLiteral("child"));
    QFile transfer(args.value(2));
    if (args.size() != 4 || !db.open(args.at(1)) || !transfer.open(QIODevice::ReadOnly))
        return 2;
    const ScanImport::Result result = ScanImport::apply(db, transfer.readAll(), [&](int lines) {
        QSqlQuery q(db.handle());
        if (lines != args.at(3).toInt() || !q.exec(db.engine().translate(QStringLiteral("SELECT SUM(CurrentInv) FROM Inventory"))) || !q.next())
            return;
        std::printf("paused %s\n", qPrintable(q.value(0).toString()));
        std::fflush(stdout);
        for (;;)
            QThread::sleep(1);
    });
    return result.committed ? 0 : 1;
}
