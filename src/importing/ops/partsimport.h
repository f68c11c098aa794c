#pragma once

#include "data/dberror.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class Database;

// A spreadsheet saved as text (CSV or tab-separated), as LibreOffice Calc or
// Excel write it: UTF-8 with or without a byte order mark, or the user's code
// page; fields separated by commas, semicolons or tabs, whichever the file
// uses; quoted fields may hold separators, quotes ("") and line breaks.
struct Sheet
{
    struct Record
    {
        int line = 0; // where the record starts in the file, from 1
        QStringList cells;
    };
    QList<Record> records;
    QChar separator;
    QString encoding;
    QString error; // the file could not be read

    static Sheet read(const QString &path);
    static Sheet parse(const QByteArray &bytes);
};

// What a column of the sheet holds.
enum class PartField { None, PartNo, Description, Stock, UnitCost, ReorderPoint, MinReq, Vendor };

namespace PartsImport {

// The fields in the order the user picks from, and their names.
QList<PartField> fields();
QString fieldName(PartField field);

// The fields of the sheet's columns, guessed from the first record when it is
// a row of headings (*headings is then true), else in the order of fields().
QList<PartField> guessFields(const Sheet &sheet, bool *headings);

struct Refusal
{
    int line;
    QString reason;
};

struct Outcome
{
    enum class Status { Done, Refused, Failed };
    Status status = Status::Done;
    int added = 0;
    int updated = 0;
    QList<Refusal> refused; // rows left out, the others are written
    DbError error;          // Refused: why nothing could start; Failed: the database's reason
    // "3 parts added, 1 updated, 2 refused:" and a line per refusal.
    QString summary() const;
};

// Adds the sheet's new parts and, with `update`, changes the parts already in
// the inventory, all in one write transaction: rows that cannot be taken (a
// part number twice in the file, a number that is not a number, a new part
// without a description) are refused with their line and reason and the rest
// are written; a database failure writes nothing. Empty cells leave a
// part's value as it is (a new part's stock starts at 0). A vendor makes or
// changes the part's preferred vendor.
Outcome run(Database &db, const Sheet &sheet, const QList<PartField> &columns, bool headings, bool update);

} // namespace PartsImport
