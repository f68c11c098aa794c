#pragma once

#include "data/dberror.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class Database;

// Taking a scanner's transfer into stock, free of windows. A transfer is
// text, one record per line: the part number (everything before the first
// comma, blanks included), a comma, and the quantity to add to the part's
// stock. Lines end with CR or CR LF.
namespace ScanImport {

// Why a line was left out.
enum class Problem {
    NoComma,         // nothing to split into part number and quantity
    NotANumber,      // the quantity is no plain number
    PartMissing,     // no part with that number
    NoStock,         // the part's stock is null
    StockNotANumber, // the stored stock is no number
    OutOfRange,      // the stock, or the new stock, lies outside -32768..32767
    Cut,             // the last line, whose line end never came
};

// How an import ended.
enum class Status {
    Done,   // every line that could be applied is stored
    Failed, // the database refused the import: nothing is stored
};

struct Line
{
    int number = 0;    // 1-based, empty lines counted
    QString text;      // without its line end
    bool ended = true; // false for a last line without its line end
};

struct Skipped
{
    int lineNumber = 0;
    QString text;
    QString partNo; // empty for a line without a comma
    Problem problem = Problem::NoComma;
};

struct Result
{
    Status status = Status::Failed;
    // True when the changes were committed (Status::Done); false leaves the
    // stock as it was and error says why, in the engine's words.
    bool committed = false;
    DbError error;
    int linesApplied = 0;
    QList<Skipped> skipped; // in file order
};

// One character per received byte (the single-byte reading of the line).
QString decode(const QByteArray &received);

// The lines of a transfer. A last line without a line end counts, marked
// as not ended; nothing after the last line end is no line.
QList<Line> splitLines(const QString &text);

// Splits a line at its first comma. False when it has none.
bool splitRecord(const QString &line, QString *partNo, QString *quantity);

// Called after each line with the number of lines done so far.
using Progress = std::function<void(int linesDone)>;

// Adds every well-formed line's quantity to its part's stock, all in one
// write transaction: either every line that could be applied is stored, or
// nothing (a database failure, or the program ending half-way). Lines with a
// problem are skipped and listed, a last line without its line end as cut
// (the collection ended inside it). Empty lines are skipped silently. The
// two statements are prepared once and run for every line.
Result apply(Database &db, const QByteArray &received, const Progress &progress = {});

// Replaces a file with the received bytes as they came, atomically: the file
// is either the old one or the new one, never half written. The reason for
// a failure is in words ("No space left on device", "There is a folder of
// that name"), never an unknown error.
bool writeTransferFile(const QString &path, const QByteArray &received, QString *error);

} // namespace ScanImport
