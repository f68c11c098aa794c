#pragma once

#include "data/dberror.h"

#include <QString>
#include <QVariant>

class Database;
class Recordset;

// The stock rules, free of windows. The use cases (a stock Submit, adding or
// deleting a part) run in a write transaction of their own through runWrite,
// so one that met another workstation's write runs again; called while the
// caller's write transaction is open (a kit pull, a scanner import) they run
// inside it and leave the commit to the caller. Each returns an outcome and
// shows nothing.
namespace StockOps {

enum class Status {
    Done,
    PartMissing,   // no part with that number
    OutOfRange,    // a stock or amount outside a 16-bit whole number (error 6)
    AlreadyListed, // adding a part whose number is there in any letter case
    NoDescription, // adding a new part with an empty description
    Failed,        // see error (the engine's text, or the runtime's number)
};

struct Outcome
{
    Status status = Status::Failed;
    DbError error; // with Failed and OutOfRange
    bool ok() const { return status == Status::Done; }
};

struct StockChange : Outcome
{
    qint16 newStock = 0;   // as stored
    qint64 previousStock = 0; // as it was before
    QVariant reorderPoint; // as stored, may be null
    // The stored stock is below the reorder point (a null never is).
    bool belowReorderPoint() const;
};

// Adds `delta` to the stored stock of a part (a negative delta takes away).
// The stock is a 16-bit whole number: the stored value and the result are
// held as such, the result rounded half to even; a result outside
// -32768..32767 is OutOfRange and nothing is written. One UPDATE when the
// stored stock is a whole number in range and the delta whole.
StockChange adjustStock(Database &db, const QString &partNo, double delta);

enum class Direction { Add, Subtract };

// A stock Submit: `quantity` (as read from the typed text) rounded half to
// even to a 16-bit whole number, added or subtracted. A missing part is
// reported before a quantity out of range. The change goes in the stock
// ledger with the note.
StockChange submitAdjustment(Database &db, const QString &partNo, double quantity, Direction direction,
                             const QString &note = QString());

// The message for a change whose outcome is not known (a server that took
// the commit and could not be reached again, ErrorNumber::OutcomeUnknown):
// the error, then the change named (`change`, as "Add 5 to the stock of
// R1"), so that the user checks before repeating it.
QString unknownOutcomeMessage(const DbError &error, const QString &change);

struct NewPart
{
    QString partNo;
    qint16 quantity = 0;
    QString description;
    double unitCost = 0;
    qint16 minReq = 0;
    QString vendor; // empty: no preferred vendor row
};

// True when a part with that number is in the catalogue (letter case as the
// database compares it). Reads only.
bool partExists(Database &db, const QString &partNo, bool *exists, DbError *error);

// Adds a part and, when it names a vendor, its preferred vendor row; a vendor
// row left from an earlier part of that number goes. AlreadyListed when the
// number is there (checked first), NoDescription when the description is
// empty.
Outcome addPart(Database &db, const NewPart &part);

// Deletes a part; PartMissing when there was none (also when someone else
// deleted it a moment ago).
Outcome deletePart(Database &db, const QString &partNo);

struct Valuation : Outcome
{
    double total = 0;
    qsizetype parts = 0;
};

// The value of the stock: stock on hand times unit cost summed over every
// part, a part with negative stock or a negative cost (or both) counting 0.
// One aggregate query, reads only, so it needs no transaction. An empty
// catalogue fails with error 3021 (no current record); a part with an empty
// stock or cost with error 94 (invalid use of null). (Text that is no number
// cannot be stored there: the schema refuses it.)
Valuation valueStock(Database &db);

// A part's preferred vendor: Done with the first row's Vendor (null when the
// row names none), PartMissing when the part has no vendor row.
struct VendorLookup : Outcome
{
    QVariant vendor;
};
VendorLookup preferredVendor(Database &db, const QString &item);

} // namespace StockOps
