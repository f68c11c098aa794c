#pragma once

#include "data/dberror.h"
#include "data/sqlengine.h"

#include <QString>
#include <QVariant>
#include <QVector>

class Database;

// The bill-of-materials rules, free of windows. A BOM is the set of BoardBOM
// rows that carry one BoardPN. Each change runs in a write transaction of its
// own (run again when it meets another workstation's write) and returns an
// outcome; nothing here shows anything.
namespace BomOps {

enum class Status {
    Done,
    BomListed,       // the BOM number has rows already (as the database compares)
    ComponentListed, // the component is on the BOM already (exact comparison)
    RowChanged,      // the row was changed or deleted elsewhere since it was read (error 3197)
    Failed,          // see error
};

struct Outcome
{
    Status status = Status::Failed;
    DbError error; // with Status::Failed and Status::RowChanged
    bool ok() const { return status == Status::Done; }
};

// One component row, as typed in New BOM.
struct Row
{
    QString boardPn;
    QString description;
    QString partNo;
    QString quantity; // the quantity text; its leading number is stored
};

// Adds one component to a BOM and commits it. With `refuseListedBom`, a BOM
// number that has rows already is refused first. The component is refused
// when a row of that BOM names it already, BOM number and component compared
// exactly (letter case and blanks count). A quantity too large for a number
// is error 6. Looks at the BOM's rows only, through the BOM number's index,
// however large the table.
Outcome addComponent(Database &db, const Row &row, bool refuseListedBom);

// The rows of one BOM for New BOM's list: BoardPN, Description, PartNo,
// QtyUsed.
bool readBomRows(Database &db, const QString &boardPn, SqlEngine::RowSink &sink, DbError *error);
// Every BOM once per number and description, by description: BOM, Description.
bool readBomList(Database &db, SqlEngine::RowSink &sink, DbError *error);
// The whole catalogue by part number, under the listing's headings.
bool readInventoryList(Database &db, SqlEngine::RowSink &sink, DbError *error);
// The same a page at a time: at most `limit` rows after the part number
// `after` (from the first part when null), through the part number's index.
bool readInventoryPage(Database &db, const QVariant &after, qint64 limit, SqlEngine::RowSink &sink,
                       DbError *error);
// The BOM list a page at a time: at most `limit` lines from line `offset`
// (the first is 0).
bool readBomListPage(Database &db, qint64 offset, qint64 limit, SqlEngine::RowSink &sink,
                     DbError *error);

// One BoardBOM row as the editor holds it. `key` is null for a row not yet
// stored.
struct Line
{
    QVariant key;
    QVariant boardPn;
    QVariant description;
    QVariant partNo;
    QVariant qtyUsed;
    bool operator==(const Line &other) const;
};

struct LoadOutcome
{
    Status status = Status::Failed;
    DbError error;
    QVector<Line> lines; // in stored order
};

// The rows of a BOM, found as the database compares its number.
LoadOutcome loadBom(Database &db, const QString &boardPn);

// Stores a line. One without a key is added and gets its key. One with a
// key is written only while its row still holds `original`'s values, as
// read at load or last written: a row changed or deleted elsewhere since is
// refused with RowChanged (error 3197) and left as the other writer left it.
// A quantity that is no number is error 13.
Outcome saveLine(Database &db, const Line &original, Line *line);
// Deletes the row of a line, under the same condition.
Outcome deleteLine(Database &db, const Line &original);

// Gives the rows that carry no BOM number (left so by an earlier run) the
// number and description of a loaded BOM. `rows` receives how many.
Outcome numberOrphanRows(Database &db, const QString &boardPn, const QVariant &description,
                         qint64 *rows = nullptr);

// A quantity as the QtyUsed column takes it: null for an empty text, a
// number for a number's text (blanks around it allowed), else error 13.
bool quantityValue(const QVariant &typed, QVariant *stored, DbError *error = nullptr);

} // namespace BomOps
