#pragma once

#include "data/dberror.h"

#include <QString>
#include <QVariant>
#include <functional>

class Database;

// Pulling kits: every component of a kit's bill of materials, times the
// number of kits, leaves the stock. All or nothing: the whole pull runs in
// one write transaction (its own through runWrite, run again after a conflict
// with another workstation, or the caller's when one is open), and a
// component that cannot be pulled leaves every stock as it was.
namespace KitPull {

struct Outcome
{
    enum class Status {
        Done,
        KitNotFound,      // no BOM rows carry the kit number
        ComponentMissing, // a component has no row in the catalogue
        NoQuantity,       // a BOM row with no quantity used
        NoStock,          // a component with no stock on hand recorded
        Failed,           // see error (with the component when one was at fault)
    };
    Status status = Status::Failed;
    QString component; // the component at fault, if any
    DbError error;
    int lines = 0;     // BOM lines pulled
    int flagged = 0;   // components whose reorder flag the pull set or kept
    bool ok() const { return status == Status::Done; }
};

// Called after each BOM line is applied, inside the transaction, with the
// number of lines done so far.
using Progress = std::function<void(int linesDone)>;

// `stock` less `taken`, as the pull stores it: whole numbers stay whole
// (64-bit), anything else is worked in floating point and rounded half to
// even. Only a result beyond what the column holds fails (error 6). The
// list shown before a pull works its figures out with the same rule.
bool lowerStock(const QVariant &stock, double taken, QVariant *result, DbError *error);

// Takes `kits` times each line's quantity used off the component's stock,
// each line on its own, in the type of the stock read (a whole number of 64
// bits, with no 16-bit limit: only the number of kits is one), the stored
// result rounded half to even, and sets the
// reorder flag of a component whose stored stock is then below 1. Commits
// only when every line went through.
Outcome pull(Database &db, const QString &kitNo, qint16 kits, const Progress &progress = {});

// True in *has when some BOM row carries the kit number (letter case as the
// database compares it). Reads only; false with the reason in *error.
bool hasBom(Database &db, const QString &kitNo, bool *has, DbError *error = nullptr);

// The message the user sees for a failed pull; empty for a successful one.
QString messageFor(const QString &kitNo, const Outcome &outcome);

} // namespace KitPull
