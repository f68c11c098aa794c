// partwise-gendb FILE [PARTS] [BOM_ROWS]: a database of generated parts, the
// data the benchmarks run on. Replaces FILE. Anything else on the command line
// (an option, a count that is not a whole number, a fourth argument) prints
// the usage and writes nothing.
#include "benchsupport.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

const char *const Usage =
    "usage: partwise-gendb FILE [PARTS] [BOM_ROWS]\n"
    "Writes a database of PARTS generated parts (default %d) and BOM_ROWS bill of\n"
    "materials rows (default %d) at FILE, replacing it.\n";

int usage(FILE *to, int code)
{
    std::fprintf(to, Usage, Bench::DefaultParts, Bench::DefaultBomRows);
    return code;
}

// A count given on the command line: a whole number, not negative.
bool count(const QString &text, int *value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value >= 0 && !text.startsWith(QLatin1Char('+'));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    for (const QString &arg : args) {
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            return usage(stdout, 0);
        if (arg.startsWith(QLatin1Char('-'))) {
            std::fprintf(stderr, "partwise-gendb: unknown option %s\n", qPrintable(arg));
            return usage(stderr, 2);
        }
    }
    if (args.isEmpty() || args.size() > 3 || args.first().isEmpty())
        return usage(stderr, 2);
    int parts = Bench::DefaultParts, bomRows = Bench::DefaultBomRows;
    if ((args.size() > 1 && !count(args.at(1), &parts)) || (args.size() > 2 && !count(args.at(2), &bomRows))) {
        std::fprintf(stderr, "partwise-gendb: PARTS and BOM_ROWS are whole numbers\n");
        return usage(stderr, 2);
    }
    QString error;
    if (!Bench::makeDatabase(args.first(), parts, bomRows, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%s: %d parts, %d BOM rows\n", qPrintable(args.first()), parts, bomRows);
    return 0;
}
