#include "bom/ops/kitpull.h"

#include "data/database.h"
#include "data/recordset.h"
#include "data/writetransaction.h"
#include "stock/ops/stockoperations.h"

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

} // namespace

Outcome pull(Database &db, const QString &kitNo, qint16 kits, const Progress &progress)
{
    WriteTransaction transaction(db);
    if (!transaction.isOpen())
        return fail(Outcome::Status::Failed, QString(), db.error());

    Recordset bom;
    if (!bom.open(db,
                  QStringLiteral("SELECT BoardBOM.BoardPN, BoardBOM.PartNo, BoardBOM.QtyUsed "
                                 "FROM BoardBOM "
                                 "WHERE (((BoardBOM.BoardPN) = ?));"),
                  {kitNo}))
        return fail(Outcome::Status::Failed, QString(), bom.error());
    if (bom.isEof())
        return fail(Outcome::Status::KitNotFound);

    Outcome done;
    done.status = Outcome::Status::Done;
    for (; !bom.isEof(); bom.moveNext()) {
        const QString partNo = bom.value(QStringLiteral("PartNo")).toString();
        const QVariant qtyUsed = bom.value(QStringLiteral("QtyUsed"));
        if (bom.error())
            return fail(Outcome::Status::Failed, partNo, bom.error());
        if (qtyUsed.isNull())
            return fail(Outcome::Status::NoQuantity, partNo);
        bool numeric = false;
        const double perKit = qtyUsed.toDouble(&numeric);
        if (!numeric)
            return fail(Outcome::Status::Failed, partNo, DbError::runtime(ErrorNumber::TypeMismatch));

        const StockOps::StockChange change = StockOps::adjustStock(db, partNo, -(perKit * double(kits)));
        if (change.status == StockOps::Status::PartMissing)
            return fail(Outcome::Status::ComponentMissing, partNo);
        if (!change.ok()) {
            if (change.error.is(ErrorNumber::InvalidUseOfNull))
                return fail(Outcome::Status::NoStock, partNo);
            return fail(Outcome::Status::Failed, partNo, change.error);
        }
        // The flag follows the stock as stored, after rounding; it is only
        // ever raised here.
        if (change.newStock < 1) {
            if (!db.execute(QStringLiteral("UPDATE Inventory SET Bin = ? WHERE PartNo = ?;"), {1, partNo}))
                return fail(Outcome::Status::Failed, partNo, db.error());
            ++done.flagged;
        }
        ++done.lines;
        if (progress)
            progress(done.lines);
    }
    if (bom.error())
        return fail(Outcome::Status::Failed, QString(), bom.error());
    bom.close();
    if (!transaction.commit())
        return fail(Outcome::Status::Failed, QString(), db.error());
    return done;
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
