#pragma once

#include <QString>

// The database structure, kept in db/schema.sql and compiled into the program.
namespace Schema {

QString script();
// Table names the program needs; a file without them is not an inventory.
QStringList requiredTables();
// Creates a new database file from the schema, then runs `dataScript` on it.
// Refuses an existing file. Used by the build tool, tests and benchmarks.
bool createFile(const QString &path, const QString &dataScript, QString *error);

} // namespace Schema
