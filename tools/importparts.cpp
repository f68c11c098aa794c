// partwise-import-parts FILE [--update] [--database ADDRESS]: adds the parts
// of a spreadsheet saved as CSV or tab-separated text to the inventory, as
// File > Import Parts... does, and prints what it did.
#include "importing/ops/partsimport.h"
#include "data/sqlengine.h"
#include "ui/appcontext.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("partwise-import-parts"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Adds the parts of a spreadsheet, saved as CSV or tab-separated text, to the inventory. "
        "The first row may name the columns (part number, description, stock, unit cost, reorder "
        "point, minimum, vendor); without it the columns are taken in that order. Rows that "
        "cannot be taken are listed with their line; the others are written in one transaction."));
    parser.addHelpOption();
    const QCommandLineOption update(QStringLiteral("update"),
                                    QStringLiteral("Also change the parts already in the inventory."));
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("The database: a file, or a PostgreSQL server as "
                                                     "postgresql://user@host:port/dbname."),
                                      QStringLiteral("address"));
    parser.addOptions({update, database});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The spreadsheet file."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1) {
        std::fprintf(stderr, "usage: partwise-import-parts FILE [--update] [--database ADDRESS]\n");
        return 2;
    }
    const Sheet sheet = Sheet::read(parser.positionalArguments().constFirst());
    if (!sheet.error.isEmpty()) {
        std::fprintf(stderr, "partwise-import-parts: %s\n", qPrintable(sheet.error));
        return 1;
    }
    AppContext context;
    if (parser.isSet(database))
        context.setDatabaseAddress(SqlEngine::forAddress(parser.value(database))
                                       ->resolved(parser.value(database), QDir::currentPath()));
    if (!context.OpenInventoryDatabase()) {
        std::fprintf(stderr, "partwise-import-parts: %s cannot be opened: %s\n",
                     qPrintable(context.database().describe()), qPrintable(context.database().errorString()));
        return 1;
    }
    bool headings = false;
    const QList<PartField> columns = PartsImport::guessFields(sheet, &headings);
    const PartsImport::Outcome outcome =
        PartsImport::run(context.database(), sheet, columns, headings, parser.isSet(update));
    const bool done = outcome.status == PartsImport::Outcome::Status::Done;
    std::fprintf(done ? stdout : stderr, "%s%s\n", done ? "" : "partwise-import-parts: ",
                 qPrintable(outcome.summary()));
    if (!done)
        return 1;
    return outcome.refused.isEmpty() ? 0 : 3;
}
