// partwise-gendb FILE [PARTS] [BOM_ROWS]: a database of generated parts, the
// data the benchmarks run on. Replaces FILE.
#include "benchsupport.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.size() > 3) {
        std::fprintf(stderr, "usage: partwise-gendb FILE [PARTS] [BOM_ROWS]\n");
        return 2;
    }
    bool ok = true;
    const int parts = args.size() > 1 ? args.at(1).toInt(&ok) : Bench::DefaultParts;
    const int bomRows = ok && args.size() > 2 ? args.at(2).toInt(&ok) : Bench::DefaultBomRows;
    if (!ok || parts < 0 || bomRows < 0) {
        std::fprintf(stderr, "PARTS and BOM_ROWS are whole numbers\n");
        return 2;
    }
    QString error;
    if (!Bench::makeDatabase(args.first(), parts, bomRows, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s: %d parts, %d BOM rows\n", qPrintable(args.first()), parts, bomRows);
    return 0;
}
