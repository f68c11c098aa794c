#include "stock/ops/stockoperations.h"
#include "history/ops/stockledger.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/recordset.h"
#include "data/sqlengine.h"
#include "data/writetransaction.h"
#include "stock/ops/statement.h"

#include <QSqlDatabase>
#include <cmath>

namespace StockOps {

namespace {

template <class T> T failed(const DbError &error)
{
    T outcome;
    outcome.status = Status::Failed;
    outcome.error = error;
    return outcome;
}

template <class T> T withStatus(Status status)
{
    T outcome;
    outcome.status = status;
    return outcome;
}

} // namespace

bool StockChange::belowReorderPoint() const
{
    return ok() && reorderPoint.isValid() && !reorderPoint.isNull()
           && double(newStock) < reorderPoint.toDouble();
}

namespace {

// A conversion failure as an outcome: an overflow is OutOfRange.
template <class T> T conversionFailed(const DbError &error)
{
    T outcome = failed<T>(error);
    if (error.is(ErrorNumber::Overflow))
        outcome.status = Status::OutOfRange;
    return outcome;
}

using Rows = SqlEngine::RowList;

// Inside the caller's transaction. *stored is the part number as the
// catalogue spells it.
StockChange applyDelta(Database &db, const QString &partNo, double delta, QString *stored = nullptr)
{
    // The common case in one UPDATE: a whole stock in range and a whole
    // delta need no rounding, so the engine adds and range-checks them.
    DbError error;
    bool written = false;
    qint64 before = 0;
    if (std::isfinite(delta) && delta == std::nearbyint(delta) && std::abs(delta) <= 65535) {
        const qint64 whole = qint64(delta);
        qint64 changed = 0;
        if (!db.execute(QStringLiteral(
                            "UPDATE Inventory SET CurrentInv = CurrentInv + ? WHERE PartNo = ? "
                            "AND CurrentInv = ROUND(CurrentInv) AND CurrentInv BETWEEN -32768 AND 32767 "
                            "AND CurrentInv + ? BETWEEN -32768 AND 32767"),
                        {whole, partNo, whole}, &changed))
            return failed<StockChange>(db.error());
        written = changed > 0;
        before = -whole; // the stock read back, less the change, below
    }
    if (!written) {
        // Otherwise (or to tell why the engine wrote nothing): read, round, write.
        Rows read;
        if (!db.read(QStringLiteral("SELECT CurrentInv FROM Inventory WHERE PartNo = ?"), {partNo}, read,
                     Database::Read::Locking))
            return failed<StockChange>(db.error());
        if (read.rows.isEmpty())
            return withStatus<StockChange>(Status::PartMissing);
        qint16 current = 0, newStock = 0;
        if (!NumberRules::toInt16(read.rows.first().value(0), &current, &error))
            return conversionFailed<StockChange>(error);
        if (!NumberRules::toInt16(double(current) + delta, &newStock, &error))
            return conversionFailed<StockChange>(error);
        before = current;
        if (!db.execute(QStringLiteral("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?"),
                        {int(newStock), partNo}))
            return failed<StockChange>(db.error());
    }
    // Read back in the same transaction: what the caller reports is what the
    // commit will store, whatever a trigger made of it.
    Rows back;
    if (!db.read(QStringLiteral("SELECT CurrentInv, ReorderPoint, PartNo FROM Inventory WHERE PartNo = ?"),
                 {partNo}, back))
        return failed<StockChange>(db.error());
    if (back.rows.isEmpty())
        return withStatus<StockChange>(Status::PartMissing);
    const QVariantList &row = back.rows.first();
    StockChange change;
    if (!NumberRules::toInt16(row.value(0), &change.newStock, &error))
        return conversionFailed<StockChange>(error);
    change.reorderPoint = row.value(1);
    change.previousStock = written ? change.newStock + before : before;
    if (stored)
        *stored = row.value(2).toString();
    change.status = Status::Done;
    return change;
}

// Runs a use case inside the caller's transaction or one of its own; the
// outcome is the last attempt's.
template <class T, class F> T within(Database &db, F run)
{
    T outcome;
    DbError error;
    const bool written = writeWithin(db, [&](DbError *failure) {
        outcome = run();
        *failure = outcome.status == Status::Failed ? outcome.error : DbError();
        return outcome.ok();
    }, &error);
    if (!written && error && outcome.status == Status::Done)
        return failed<T>(error); // the commit failed
    if (!written && error)
        outcome.error = error;
    return outcome;
}

} // namespace

StockChange adjustStock(Database &db, const QString &partNo, double delta)
{
    return within<StockChange>(db, [&] { return applyDelta(db, partNo, delta); });
}

StockChange submitAdjustment(Database &db, const QString &partNo, double quantity, Direction direction,
                             const QString &note)
{
    return within<StockChange>(db, [&] {
        qint16 amount = 0;
        DbError error;
        if (!NumberRules::toInt16(quantity, &amount, &error)) {
            // The part is looked for first: a missing one is what the user hears.
            bool exists = false;
            DbError readError;
            if (!partExists(db, partNo, &exists, &readError))
                return failed<StockChange>(readError);
            return exists ? conversionFailed<StockChange>(error) : withStatus<StockChange>(Status::PartMissing);
        }
        QString stored;
        StockChange change = applyDelta(db, partNo, direction == Direction::Add ? double(amount) : -double(amount),
                                        &stored);
        StockLedger::Entry entry = StockLedger::adjusted(stored, change.previousStock, change.newStock, note);
        entry.partNoAsStored = true;
        if (change.ok() && !StockLedger::record(db, entry, &error))
            return failed<StockChange>(error);
        return change;
    });
}

QString unknownOutcomeMessage(const DbError &error, const QString &change)
{
    return errorMessageText(error) + QStringLiteral("\r\nThe change was: ") + change
           + QStringLiteral(".\r\nCheck whether it was stored before you repeat it.");
}

bool partExists(Database &db, const QString &partNo, bool *exists, DbError *error)
{
    Rows found;
    if (!db.read(QStringLiteral("SELECT PartNo FROM Inventory WHERE PartNo = ?"), {partNo}, found)) {
        if (error)
            *error = db.error();
        return false;
    }
    *exists = !found.rows.isEmpty();
    return true;
}

Outcome addPart(Database &db, const NewPart &part)
{
    return within<Outcome>(db, [&] {
        bool exists = false;
        DbError error;
        if (!partExists(db, part.partNo, &exists, &error))
            return failed<Outcome>(error);
        if (exists)
            return withStatus<Outcome>(Status::AlreadyListed);
        if (part.description.isEmpty())
            return withStatus<Outcome>(Status::NoDescription);
        if (!db.execute(QStringLiteral("INSERT INTO Inventory (PartNo, CurrentInv, Description, UnitCost, "
                                       "MinReq) VALUES (?, ?, ?, ?, ?)"),
                        {part.partNo, int(part.quantity), part.description, part.unitCost, int(part.minReq)})) {
            // Another workstation added the number since the look-up.
            if (db.error().state == QLatin1String("23505"))
                return withStatus<Outcome>(Status::AlreadyListed);
            return failed<Outcome>(db.error());
        }
        // A vendor row left behind by a deleted part of the same number would
        // be shown for the new one: the new part's own vendor, or none,
        // replaces it.
        if (!db.execute(QStringLiteral("DELETE FROM PreferredVendor WHERE Item = ?"), {part.partNo}))
            return failed<Outcome>(db.error());
        if (!part.vendor.isEmpty()
            && !db.execute(QStringLiteral("INSERT INTO PreferredVendor (Item, Vendor, Description) VALUES (?, ?, ?)"),
                           {part.partNo, part.vendor, part.description}))
            return failed<Outcome>(db.error());
        if (!StockLedger::record(db, StockLedger::opened(part.partNo, part.quantity), &error))
            return failed<Outcome>(error);
        return withStatus<Outcome>(Status::Done);
    });
}

Outcome deletePart(Database &db, const QString &partNo)
{
    return within<Outcome>(db, [&] {
        // The ledger keeps what an undo needs to bring the part back.
        DbError error;
        if (!StockLedger::recordDeletion(db, partNo, &error))
            return failed<Outcome>(error);
        qint64 removed = 0;
        if (!db.execute(QStringLiteral("DELETE FROM Inventory WHERE PartNo = ?"), {partNo}, &removed))
            return failed<Outcome>(db.error());
        return withStatus<Outcome>(removed == 0 ? Status::PartMissing : Status::Done);
    });
}

VendorLookup preferredVendor(Database &db, const QString &item)
{
    VendorLookup lookup;
    Statement read(db, QStringLiteral("SELECT Vendor FROM PreferredVendor WHERE Item = ?"));
    if (!read.exec({item})) {
        lookup.error = read.error();
        return lookup;
    }
    lookup.status = read.next() ? Status::Done : Status::PartMissing;
    if (lookup.ok())
        lookup.vendor = read.value(0);
    read.finish();
    return lookup;
}

Valuation valueStock(Database &db)
{
    // One aggregate: the engine sums where the rows are, reading the index
    // of the two columns only. Negative stock or a negative cost adds
    // nothing, also both at once (whose product alone would count as a
    // positive value); a part with an empty stock or cost makes the total
    // unusable.
    const QList<QVariantList> rows = db.rows(QStringLiteral(
        "SELECT COUNT(*), COUNT(UnitCost), COUNT(CurrentInv), "
        "SUM(CASE WHEN CurrentInv > 0 AND UnitCost > 0 THEN UnitCost * CurrentInv END) FROM Inventory"));
    if (db.error())
        return failed<Valuation>(db.error());
    const QVariantList counts = rows.value(0);
    Valuation result;
    result.parts = counts.value(0).toLongLong();
    if (result.parts == 0)
        return failed<Valuation>(DbError::runtime(ErrorNumber::NoCurrentRecord));
    if (qMin(counts.value(1).toLongLong(), counts.value(2).toLongLong()) < result.parts) // an empty factor
        return failed<Valuation>(DbError::runtime(ErrorNumber::InvalidUseOfNull));
    result.total = counts.value(3).toDouble();
    result.status = Status::Done;
    return result;
}

} // namespace StockOps
