#pragma once

#include "data/dberror.h"

#include <QString>
#include <QVariant>

class Database;

// The stock rules, free of windows. Each operation runs inside a write
// transaction the caller owns (WriteTransaction), so that a kit pull or a
// scanner import can apply many changes at once, and returns an outcome;
// none shows anything or commits.
namespace StockOps {

enum class Status {
    Done,
    PartMissing,   // no part with that number
    AlreadyListed, // adding a part whose number is there in any letter case
    Failed,        // see error
};

struct Outcome
{
    Status status = Status::Failed;
    DbError error; // with Status::Failed
    bool ok() const { return status == Status::Done; }
};

struct StockChange : Outcome
{
    qint16 newStock = 0;   // as stored
    QVariant reorderPoint; // as stored, may be null
    // The stored stock is below the reorder point (a null never is).
    bool belowReorderPoint() const;
};

// Adds `delta` to the stored stock of a part (a negative delta takes away).
// The stock is a 16-bit whole number: the stored value and the result are
// held as such, the result rounded half to even; a result outside
// -32768..32767 is error 6 and nothing is written. The stock and reorder
// point are read back inside the transaction.
StockChange adjustStock(Database &db, const QString &partNo, double delta);

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
// database compares it).
bool partExists(Database &db, const QString &partNo, bool *exists, DbError *error);

// Adds a part and, when it names a vendor, its preferred vendor row; a vendor
// row left from an earlier part of that number goes.
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
// Reads only, so it needs no transaction. An empty catalogue fails with error
// 3021 (no current record); a part with an empty stock or cost with error 94
// (invalid use of null), and with text that is no number with error 13.
Valuation valueStock(Database &db);

} // namespace StockOps
