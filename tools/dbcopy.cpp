// partwise-dbcopy [--replace] [--check] [--table SRC=DEST] [--column SRC=DEST]
// FROM TO: copies a whole Partwise database, a file or a PostgreSQL server
// (postgresql://user@host:port/dbname), to another, in one transaction on the
// target. FROM may also be a Microsoft Access file (.mdb, .accdb).
#include "data/databasecopy.h"
#include "data/sqlengine.h"
#include "importing/jet/accessfile.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

namespace {

// "SOURCE=DEST" pairs; false with the bad one in *bad.
bool pairs(const QStringList &values, bool destRequired, QHash<QString, QString> *into, QString *bad)
{
    for (const QString &v : values) {
        const int eq = v.indexOf(QLatin1Char('='));
        if (eq <= 0 || (destRequired && eq == v.size() - 1)) {
            *bad = v;
            return false;
        }
        into->insert(v.left(eq), v.mid(eq + 1));
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("partwise-dbcopy"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Copies a Partwise database, every table and row, to another one: a file or a "
        "PostgreSQL server given as postgresql://user@host:port/dbname. The target gets the "
        "tables when it has none; a file that is not there is made.\n"
        "FROM may be a Microsoft Access database (.mdb or .accdb): its tables Inventory, "
        "BoardBOM, Users and PreferredVendor are copied, their columns matched by name in any "
        "letter case. Columns it does not know, and values that do not fit, are listed one a "
        "line; a value that does not fit stops the copy before anything is written."));
    parser.addHelpOption();
    const QCommandLineOption replace(QStringLiteral("replace"),
                                     QStringLiteral("Delete the rows the target holds first."));
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Read and check everything, write nothing."));
    const QCommandLineOption table(QStringLiteral("table"),
                                   QStringLiteral("Copy the Access table SOURCE into the table DEST "
                                                  "(Inventory, BoardBOM, Users or PreferredVendor)."),
                                   QStringLiteral("SOURCE=DEST"));
    const QCommandLineOption column(QStringLiteral("column"),
                                    QStringLiteral("Copy the Access column SOURCE into the column DEST; "
                                                   "SOURCE= leaves it out."),
                                    QStringLiteral("SOURCE=DEST"));
    parser.addOptions({replace, check, table, column});
    parser.addPositionalArgument(QStringLiteral("FROM"), QStringLiteral("The database to copy."));
    parser.addPositionalArgument(QStringLiteral("TO"), QStringLiteral("The database to copy into."));
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: partwise-dbcopy [--replace] [--check] [--table SOURCE=DEST] "
                             "[--column SOURCE=DEST] FROM TO\n");
        return 2;
    }
    auto resolved = [](const QString &address) {
        return SqlEngine::forAddress(address)->resolved(address, QDir::currentPath());
    };
    DatabaseCopy copy;
    copy.replace = parser.isSet(replace);
    copy.checkOnly = parser.isSet(check);
    QString bad;
    if (!pairs(parser.values(table), true, &copy.tableMap, &bad)
        || !pairs(parser.values(column), false, &copy.columnMap, &bad)) {
        std::fprintf(stderr, "partwise-dbcopy: \"%s\" is not of the form SOURCE=DEST.\n", qPrintable(bad));
        return 2;
    }
    const char *verb = copy.checkOnly ? "would copy" : "";
    copy.progress = [verb](const QString &name, qint64 rows) {
        std::printf("%s: %s%s%lld rows\n", qPrintable(name), verb, *verb ? " " : "",
                    static_cast<long long>(rows));
        std::fflush(stdout);
    };
    copy.notice = [](const QString &line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
    };
    const QString from = resolved(args.at(0)), to = resolved(args.at(1));
    bool done = false;
    if (AccessFile::isAccessFile(from)) {
        AccessFile access;
        QString why;
        if (!access.open(from, &why)) {
            std::fprintf(stderr, "partwise-dbcopy: %s\n", qPrintable(why));
            return 1;
        }
        done = copy.run(access, to);
    } else {
        if (!copy.tableMap.isEmpty() || !copy.columnMap.isEmpty()) {
            std::fprintf(stderr, "partwise-dbcopy: --table and --column are for Access databases.\n");
            return 2;
        }
        done = copy.run(from, to);
    }
    if (!done) {
        std::fprintf(stderr, "partwise-dbcopy: %s\n", qPrintable(copy.error()));
        return 1;
    }
    if (copy.checkOnly)
        std::printf("Checked: nothing was written.\n");
    return 0;
}
