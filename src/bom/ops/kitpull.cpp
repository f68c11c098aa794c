#include "bom/ops/kitpull.h"

#include "data/database.h"
#include "data/sqlengine.h"
#include "history/ops/stockledger.h"
#include "stock/ops/statement.h"

#include <QHash>
#include <QStringList>
#include <cmath>

namespace KitPull {

namespace {

Outcome fail(Outcome::Status status, const QString &component = QString(), const DbError &error = {})
{
    Outcome outcome;
    outcome.status = status;
    outcome.component = component;
    outcome.error = error;
    return outcome;
}

using Rows = SqlEngine::RowList;

// A component's stock as the pull goes: the value read, lowered line by line.
struct Stock
{
    QVariant value;
    bool flag = false; // a line left it below 1
    QVariant before;   // as read, for the stock ledger
};


// One attempt, inside a write transaction: read every line with its
// component's stock at once, work the pull out line by line, then write each
// component once.
Outcome pullIn(Database &db, const QString &kitNo, qint16 kits, const Progress &progress)
{
    // On a server the components' rows are locked first, so the stock read
    // is the stock written over (the file database is locked whole already).
    const QString lock = QStringLiteral(
        "SELECT PartNo FROM Inventory WHERE PartNo IN (SELECT PartNo FROM BoardBOM WHERE BoardPN = ?)");
    if (db.engine().lockingRead(lock) != lock) {
        Rows locked;
        if (!db.read(lock, {kitNo}, locked, Database::Read::Locking))
            return fail(Outcome::Status::Failed, QString(), db.error());
    }
    Rows lines;
    if (!db.read(QStringLiteral("SELECT BoardBOM.PartNo, BoardBOM.QtyUsed, Inventory.PartNo, "
                                "Inventory.CurrentInv FROM BoardBOM LEFT JOIN Inventory "
                                "ON Inventory.PartNo = BoardBOM.PartNo WHERE BoardBOM.BoardPN = ? "
                                "ORDER BY ")
                     + db.engine().rowKeyExpression(QStringLiteral("BoardBOM")),
                 {kitNo}, lines))
        return fail(Outcome::Status::Failed, QString(), db.error());

    Outcome done;
    done.status = Outcome::Status::Done;
    QHash<QString, Stock> stocks;
    stocks.reserve(lines.rows.size());
    QStringList order; // the components in the order first met
    for (const QVariantList &line : std::as_const(lines.rows)) {
        const QString partNo = line.value(0).toString();
        const QVariant qtyUsed = line.value(1);
        const QVariant stored = line.value(2);
        if (qtyUsed.isNull())
            return fail(Outcome::Status::NoQuantity, partNo);
        bool numeric = false;
        const double perKit = qtyUsed.toDouble(&numeric);
        if (!numeric)
            return fail(Outcome::Status::Failed, partNo, DbError::runtime(ErrorNumber::TypeMismatch));
        if (stored.isNull())
            return fail(Outcome::Status::ComponentMissing, partNo);
        const QString key = stored.toString();
        auto it = stocks.find(key);
        if (it == stocks.end()) {
            it = stocks.insert(key, Stock{line.value(3), false, line.value(3)});
            order << key;
        }
        if (it->value.isNull())
            return fail(Outcome::Status::NoStock, partNo);
        DbError error;
        if (!lowerStock(it->value, perKit * double(kits), &it->value, &error))
            return fail(Outcome::Status::Failed, partNo, error);
        // The flag follows the stock as stored, after rounding; it is only
        // ever raised here.
        if (it->value.toLongLong() < 1) {
            it->flag = true;
            ++done.flagged;
        }
        ++done.lines;
        if (progress)
            progress(done.lines);
    }
    if (done.lines == 0)
        return fail(Outcome::Status::KitNotFound);

    const QString ledgerGroup = StockLedger::newGroupId();
    StockLedger::Batch ledger(db);
    for (const QString &key : std::as_const(order)) {
        const Stock &stock = stocks.value(key);
        const bool written =
            stock.flag ? db.execute(QStringLiteral("UPDATE Inventory SET CurrentInv = ?, Bin = ? WHERE PartNo = ?"),
                                    {stock.value, 1, key})
                       : db.execute(QStringLiteral("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?"),
                                    {stock.value, key});
        if (!written)
            return fail(Outcome::Status::Failed, key, db.error());
        StockLedger::Entry entry = StockLedger::kitLine(ledgerGroup, kitNo, kits, key, stock.before.toLongLong(),
                                                        stock.value.toLongLong());
        entry.partNoAsStored = true;
        DbError ledgerError;
        if (!ledger.add(entry, &ledgerError))
            return fail(Outcome::Status::Failed, key, ledgerError);
    }
    DbError ledgerError;
    if (!ledger.flush(&ledgerError))
        return fail(Outcome::Status::Failed, QString(), ledgerError);
    return done;
}

} // namespace

// `stock` less `taken`, in the type of the stock read: whole numbers stay
// whole (64-bit), anything else is worked in floating point and stored
// rounded half to even. Only a result beyond what the column holds fails.
bool lowerStock(const QVariant &stock, double taken, QVariant *result, DbError *error)
{
    constexpr double Limit = 9.2e18; // inside a 64-bit whole number
    const bool wholeStock = stock.typeId() == QMetaType::LongLong || stock.typeId() == QMetaType::Int
                            || stock.typeId() == QMetaType::ULongLong || stock.typeId() == QMetaType::UInt;
    if (wholeStock && taken == std::nearbyint(taken) && std::abs(taken) < Limit) {
        qint64 out = 0;
        if (__builtin_sub_overflow(stock.toLongLong(), qint64(taken), &out)) {
            *error = DbError::runtime(ErrorNumber::Overflow);
            return false;
        }
        *result = out;
        return true;
    }
    bool numeric = false;
    const double current = stock.toDouble(&numeric);
    if (!numeric) {
        *error = DbError::runtime(ErrorNumber::TypeMismatch);
        return false;
    }
    const double rounded = std::nearbyint(current - taken);
    if (!std::isfinite(rounded) || std::abs(rounded) >= Limit) {
        *error = DbError::runtime(ErrorNumber::Overflow);
        return false;
    }
    *result = qint64(rounded);
    return true;
}

Outcome pull(Database &db, const QString &kitNo, qint16 kits, const Progress &progress)
{
    Outcome outcome;
    DbError error;
    const bool written = writeWithin(db, [&](DbError *failure) {
        outcome = pullIn(db, kitNo, kits, progress);
        *failure = outcome.status == Outcome::Status::Failed ? outcome.error : DbError();
        return outcome.ok();
    }, &error);
    if (!written && error && outcome.ok())
        return fail(Outcome::Status::Failed, QString(), error); // the commit failed
    return outcome;
}

bool hasBom(Database &db, const QString &kitNo, bool *has, DbError *error)
{
    const QVariant found = db.scalar(QStringLiteral("SELECT 1 FROM BoardBOM WHERE BoardPN = ? LIMIT 1"), {kitNo});
    if (db.error()) {
        if (error)
            *error = db.error();
        return false;
    }
    *has = found.isValid();
    return true;
}

QString messageFor(const QString &kitNo, const Outcome &outcome)
{
    using S = Outcome::Status;
    const QString unchanged = QStringLiteral("\r\nNo stock was changed.");
    const QString component = QStringLiteral("Component ") + outcome.component
                              + QStringLiteral(" of kit ") + kitNo;
    switch (outcome.status) {
    case S::Done:
        return QString();
    case S::KitNotFound:
        return kitNo + QStringLiteral(" was not found");
    case S::ComponentMissing:
        return component + QStringLiteral(" was not found in the inventory.") + unchanged;
    case S::NoQuantity:
        return component + QStringLiteral(" has no quantity used.") + unchanged;
    case S::NoStock:
        return component + QStringLiteral(" has no stock on hand recorded.") + unchanged;
    case S::Failed:
        break;
    }
    if (outcome.component.isEmpty())
        return errorMessageText(outcome.error) + unchanged;
    return component + QStringLiteral(" could not be pulled:\r\n") + errorMessageText(outcome.error)
           + unchanged;
}

} // namespace KitPull
