#include "stock/ops/stockoperations.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/recordset.h"
#include "data/sqlengine.h"

#include <QSqlDatabase>

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

StockChange adjustStock(Database &db, const QString &partNo, double delta)
{
    Recordset rs;
    if (!rs.open(db, QStringLiteral("select CurrentInv from Inventory where PartNo =  ? ;"), {partNo}))
        return failed<StockChange>(rs.error());
    if (rs.isEof())
        return withStatus<StockChange>(Status::PartMissing);
    const QVariant stored = rs.value(QStringLiteral("CurrentInv"));
    if (rs.error())
        return failed<StockChange>(rs.error());
    rs.close();

    DbError error;
    qint16 current = 0;
    if (!NumberRules::toInt16(stored, &current, &error))
        return failed<StockChange>(error);
    qint16 newStock = 0;
    if (!NumberRules::toInt16(double(current) + delta, &newStock, &error))
        return failed<StockChange>(error);

    if (!db.execute(QStringLiteral("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?;"),
                    {int(newStock), partNo}))
        return failed<StockChange>(db.error());

    // Read back in the same transaction: what the caller reports is what the
    // commit will store.
    if (!rs.open(db, QStringLiteral("select CurrentInv,ReorderPoint from Inventory where PartNo =  ? ;"),
                 {partNo}))
        return failed<StockChange>(rs.error());
    StockChange change;
    const QVariant stock = rs.value(QStringLiteral("CurrentInv"));
    change.reorderPoint = rs.value(QStringLiteral("ReorderPoint"));
    if (rs.error())
        return failed<StockChange>(rs.error());
    if (!NumberRules::toInt16(stock, &change.newStock, &error))
        return failed<StockChange>(error);
    change.status = Status::Done;
    return change;
}

bool partExists(Database &db, const QString &partNo, bool *exists, DbError *error)
{
    Recordset rs;
    if (!rs.open(db, QStringLiteral("select PartNo from Inventory where PartNo =  ? ;"), {partNo})) {
        if (error)
            *error = rs.error();
        return false;
    }
    *exists = !rs.isEof();
    return true;
}

Outcome addPart(Database &db, const NewPart &part)
{
    Recordset rs;
    if (!rs.open(db, QStringLiteral("select * from Inventory where PartNo =  ? ;"), {part.partNo}))
        return failed<Outcome>(rs.error());
    if (rs.recordCount() > 0)
        return withStatus<Outcome>(Status::AlreadyListed);
    const bool added = rs.addNew() && rs.setValue(QStringLiteral("PartNo"), part.partNo)
                       && rs.setValue(QStringLiteral("CurrentInv"), int(part.quantity))
                       && rs.setValue(QStringLiteral("Description"), part.description)
                       && rs.setValue(QStringLiteral("UnitCost"), part.unitCost)
                       && rs.setValue(QStringLiteral("MinReq"), int(part.minReq)) && rs.update();
    if (!added)
        return failed<Outcome>(rs.error());
    rs.close();

    // A vendor row left behind by a deleted part of the same number would be
    // shown for the new one: the new part's own vendor, or none, replaces it.
    if (!db.execute(QStringLiteral("DELETE FROM PreferredVendor WHERE Item = ?;"), {part.partNo}))
        return failed<Outcome>(db.error());
    if (!part.vendor.isEmpty()) {
        Recordset vendors;
        const bool vendorAdded =
            vendors.open(db, QStringLiteral("select * from PreferredVendor;")) && vendors.addNew()
            && vendors.setValue(QStringLiteral("Item"), part.partNo)
            && vendors.setValue(QStringLiteral("Vendor"), part.vendor)
            && vendors.setValue(QStringLiteral("Description"), part.description) && vendors.update();
        if (!vendorAdded)
            return failed<Outcome>(vendors.error());
    }
    return withStatus<Outcome>(Status::Done);
}

Outcome deletePart(Database &db, const QString &partNo)
{
    qint64 deleted = 0;
    if (!db.execute(QStringLiteral("Delete Inventory.PartNo From Inventory WHERE PartNo = ?;"), {partNo},
                    &deleted))
        return failed<Outcome>(db.error());
    return withStatus<Outcome>(deleted == 0 ? Status::PartMissing : Status::Done);
}

namespace {

// Sums the products row by row as the engine hands the values over: a
// million parts need no result set in memory.
class ValueSink : public SqlEngine::RowSink
{
public:
    Valuation result;
    DbError error;

    void columns(const QStringList &) override {}
    void value(QVariant &&v) override
    {
        if (m_column++ == 0)
            m_stock = std::move(v);
        else
            m_cost = std::move(v);
    }
    void endRow() override
    {
        m_column = 0;
        ++result.parts;
        if (error)
            return;
        double stock = 0;
        double cost = 0;
        if (!number(m_stock, &stock) || !number(m_cost, &cost))
            return;
        // Negative stock or a negative cost adds nothing, also both at once
        // (whose product alone would count as a positive value).
        if (stock > 0 && cost > 0)
            result.total += stock * cost;
    }

private:
    bool number(const QVariant &v, double *out)
    {
        if (v.isNull()) {
            error = DbError::runtime(ErrorNumber::InvalidUseOfNull);
            return false;
        }
        bool ok = false;
        *out = v.toDouble(&ok);
        if (!ok)
            error = DbError::runtime(ErrorNumber::TypeMismatch);
        return ok;
    }

    int m_column = 0;
    QVariant m_stock;
    QVariant m_cost;
};

} // namespace

Valuation valueStock(Database &db)
{
    if (!db.isOpen())
        return failed<Valuation>(DbError::runtime(ErrorNumber::ObjectClosed));
    const QString sql = db.engine().translate(
        QStringLiteral("SELECT Inventory.CurrentInv, Inventory.UnitCost from Inventory ;"));
    ValueSink sink;
    DbError error;
    bool supported = false;
    QSqlDatabase handle = db.handle();
    if (!db.engine().readAll(handle, sql, {}, sink, &error, &supported)) {
        if (supported)
            return failed<Valuation>(error);
        // An engine without its own reader: through a result set.
        Recordset rs;
        if (!rs.open(db, sql))
            return failed<Valuation>(rs.error());
        for (qsizetype row = 0; row < rs.recordCount(); ++row) {
            sink.value(rs.valueAt(row, 0));
            sink.value(rs.valueAt(row, 1));
            sink.endRow();
        }
    }
    if (sink.error)
        return failed<Valuation>(sink.error);
    if (sink.result.parts == 0)
        return failed<Valuation>(DbError::runtime(ErrorNumber::NoCurrentRecord));
    sink.result.status = Status::Done;
    return sink.result;
}

} // namespace StockOps
