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
        Statement locked(db, db.engine().lockingRead(lock));
        if (!locked.exec({kitNo}))
            return fail(Outcome::Status::Failed, QString(), locked.error());
        locked.finish();
    }
    Statement lines(db, QStringLiteral("SELECT BoardBOM.PartNo, BoardBOM.QtyUsed, Inventory.PartNo, "
                                       "Inventory.CurrentInv FROM BoardBOM LEFT JOIN Inventory "
                                       "ON Inventory.PartNo = BoardBOM.PartNo WHERE BoardBOM.BoardPN = ? "
                                       "ORDER BY ")
                            + db.engine().rowKeyExpression(QStringLiteral("BoardBOM")));
    if (!lines.exec({kitNo}))
        return fail(Outcome::Status::Failed, QString(), lines.error());

    Outcome done;
    done.status = Outcome::Status::Done;
    QHash<QString, Stock> stocks;
    QStringList order; // the components in the order first met
    while (lines.next()) {
        const QString partNo = lines.value(0).toString();
        const QVariant qtyUsed = lines.value(1);
        const QVariant stored = lines.value(2);
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
            it = stocks.insert(key, Stock{lines.value(3), false, lines.value(3)});
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
    lines.finish();
    if (done.lines == 0)
        return fail(Outcome::Status::KitNotFound);

    const QString ledgerGroup = StockLedger::newGroupId();
    Statement setStock(db, QStringLiteral("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?"));
    Statement setStockAndFlag(db, QStringLiteral("UPDATE Inventory SET CurrentInv = ?, Bin = ? WHERE PartNo = ?"));
    for (const QString &key : std::as_const(order)) {
        const Stock &stock = stocks.value(key);
        const bool written = stock.flag ? setStockAndFlag.exec({stock.value, 1, key})
                                        : setStock.exec({stock.value, key});
        if (!written)
            return fail(Outcome::Status::Failed, key,
                        stock.flag ? setStockAndFlag.error() : setStock.error());
        DbError ledgerError;
        if (!StockLedger::record(db, StockLedger::kitLine(ledgerGroup, kitNo, kits, key,
                                                          stock.before.toLongLong(), stock.value.toLongLong()),
                                 &ledgerError))
            return fail(Outcome::Status::Failed, key, ledgerError);
    }
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
    Statement read(db, QStringLiteral("SELECT PartNo FROM BoardBOM WHERE BoardPN = ?"));
    if (!read.exec({kitNo})) {
        if (error)
            *error = read.error();
        return false;
    }
    *has = read.next();
    read.finish();
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
