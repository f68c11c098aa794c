// Runs a scanner import on a database in a process of its own, for a test
// that kills it half-way: scanner_import_child <database> <transfer file>
// <line>. With a line above 0 it stops after that line, inside the import's
// transaction, prints what its own connection sees and waits to be killed.
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
    const auto seen = [&](const char *partNo) {
        QSqlQuery q(db.handle());
        q.prepare(db.engine().translate(QStringLiteral("select CurrentInv from Inventory where PartNo = ?")));
        q.addBindValue(QString::fromLatin1(partNo));
        return q.exec() && q.next() ? q.value(0).toString().toUtf8() : QByteArray("?");
    };
    const ScanImport::Result result = ScanImport::apply(db, transfer.readAll(), [&](int lines) {
        if (lines != args.at(3).toInt())
            return;
        std::printf("paused K0=%s K99=%s\n", seen("K0").constData(), seen("K99").constData());
        std::fflush(stdout);
        for (;;)
            QThread::sleep(1);
    });
    return result.committed ? 0 : 1;
}
