// Runs one kit pull on a database file and can be made to die half-way, for
// the tests of what a pull leaves behind when its process ends.
//   kitpull_child <database> <kit> <kits> <die after N lines, -1 never> [pause ms per line]
// Exit status: 0 pulled, 3 the pull failed, 4 the database did not open.
#include "bom/ops/kitpull.h"
#include "data/database.h"

#include <QCoreApplication>
#include <QThread>
#include <csignal>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 5)
        return 2;
    const int dieAfter = args.at(4).toInt();
    const int pauseMs = args.size() > 5 ? args.at(5).toInt() : 0;
    Database db(QStringLiteral("child"));
    if (!db.open(args.at(1)))
        return 4;
    std::printf("ready\n");
    std::fflush(stdout);
    const KitPull::Outcome outcome =
        KitPull::pull(db, args.at(2), qint16(args.at(3).toInt()), [&](int done) {
            if (done == dieAfter)
                std::raise(SIGKILL);
            if (pauseMs > 0)
                QThread::msleep(quint32(pauseMs));
        });
    db.close();
    return outcome.ok() ? 0 : 3;
}
