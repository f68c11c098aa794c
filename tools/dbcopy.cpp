// partwise-dbcopy [--replace] FROM TO: copies a whole Partwise database, a
// file or a PostgreSQL server (postgresql://user@host:port/dbname), to
// another, in one transaction on the target.
#include "data/databasecopy.h"
#include "data/sqlengine.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("partwise-dbcopy"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Copies a Partwise database, every table and row, to another one: a file or a "
        "PostgreSQL server given as postgresql://user@host:port/dbname. The target gets the "
        "tables when it has none; a file that is not there is made."));
    parser.addHelpOption();
    const QCommandLineOption replace(QStringLiteral("replace"),
                                     QStringLiteral("Delete the rows the target holds first."));
    parser.addOption(replace);
    parser.addPositionalArgument(QStringLiteral("FROM"), QStringLiteral("The database to copy."));
    parser.addPositionalArgument(QStringLiteral("TO"), QStringLiteral("The database to copy into."));
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: partwise-dbcopy [--replace] FROM TO\n");
        return 2;
    }
    auto resolved = [](const QString &address) {
        return SqlEngine::forAddress(address)->resolved(address, QDir::currentPath());
    };
    DatabaseCopy copy;
    copy.replace = parser.isSet(replace);
    copy.progress = [](const QString &table, qint64 rows) {
        std::printf("%s: %lld rows\n", qPrintable(table), static_cast<long long>(rows));
        std::fflush(stdout);
    };
    if (!copy.run(resolved(args.at(0)), resolved(args.at(1)))) {
        std::fprintf(stderr, "partwise-dbcopy: %s\n", qPrintable(copy.error()));
        return 1;
    }
    return 0;
}
