#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The statement forms the program writes (names in square brackets, DELETE
// naming a column before FROM, names in any letter case) and what each
// engine makes of them. Every rewrite of statement text lives here.
namespace Dialect {

// "Delete Inventory.PartNo From Inventory WHERE ..." and "Delete Users.* From
// Users WHERE ..." remove whole rows: "DELETE FROM Inventory WHERE ...".
QString standardDelete(const QString &sql);

// The statement for a server that folds unquoted names to small letters:
// the schema's names (`names`, by their small-letter spelling) are quoted in
// their own spelling, [bracketed names] become quoted ones, and every alias
// (AS Name) is quoted with its letter case in every use, also bare ones after
// its definition. Text in single quotes is left as it stands.
QString quoteNames(const QString &sql, const QHash<QString, QString> &names);

// The tables and columns of the server schema (every quoted name in its
// script), by their small-letter spelling.
QHash<QString, QString> namesOf(const QString &schemaScript);

// A SELECT as it must run inside a write transaction so that the rows read
// stay as read until the commit: with FOR UPDATE, except where its rows are
// not rows of a table (totals, groups, joins, distinct sets, unions).
QString lockingRead(const QString &sql);

// A plain "SELECT <columns> FROM <table> [WHERE/ORDER BY ...]" over one
// table, whose rows can be written back; joins, groups, totals, distinct sets
// and sub-selects among the columns cannot.
struct SingleTable
{
    QString columns;
    QString table;
    QString rest;
};
bool singleTable(const QString &sql, SingleTable *out);
// True when the statement has a WHERE clause outside quotes.
bool hasWhere(const QString &rest);

// True when the statement only reads (SELECT, WITH ... SELECT, VALUES).
bool isReadOnly(const QString &sql);

} // namespace Dialect
