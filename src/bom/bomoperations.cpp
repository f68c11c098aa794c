#include "bom/bomoperations.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/recordset.h"

#include <QSqlError>
#include <QSqlQuery>
#include <cmath>

namespace BomOps {

namespace {

Outcome withStatus(Status status, const DbError &error = DbError())
{
    Outcome outcome;
    outcome.status = status;
    outcome.error = error;
    return outcome;
}

} // namespace

bool bomListed(Database &db, const QString &boardPn, bool *listed, DbError *error)
{
    Recordset rs;
    if (!rs.open(db, QStringLiteral("select * from BoardBOM Where BoardPN = ?;"), {boardPn})) {
        if (error)
            *error = rs.error();
        return false;
    }
    *listed = rs.recordCount() > 0;
    return true;
}

bool componentListed(Database &db, const QString &boardPn, const QString &partNo, bool *listed,
                     DbError *error)
{
    if (!db.isOpen()) {
        if (error)
            *error = DbError::runtime(ErrorNumber::ObjectClosed);
        return false;
    }
    // The database compares without regard to letter case, so its answer is
    // a superset, found through the BOM number's index; the exact test is ours.
    QSqlQuery q(db.handle());
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("select BoardPN,PartNo from BoardBOM Where BoardPN = ? And PartNo = ?"))) {
        if (error)
            *error = DbError::fromSql(q.lastError());
        return false;
    }
    q.addBindValue(boardPn);
    q.addBindValue(partNo);
    if (!q.exec()) {
        if (error)
            *error = DbError::fromSql(q.lastError());
        return false;
    }
    *listed = false;
    while (!*listed && q.next()) {
        const QVariant board = q.value(0);
        const QVariant part = q.value(1);
        *listed = !board.isNull() && !part.isNull() && board.toString() == boardPn
                  && part.toString() == partNo;
    }
    if (q.lastError().isValid()) {
        if (error)
            *error = DbError::fromSql(q.lastError());
        return false;
    }
    return true;
}

Outcome addComponent(Database &db, const Row &row, bool refuseListedBom)
{
    DbError error;
    if (refuseListedBom) {
        bool listed = false;
        if (!bomListed(db, row.boardPn, &listed, &error))
            return withStatus(Status::Failed, error);
        if (listed)
            return withStatus(Status::BomListed);
    }
    bool listed = false;
    if (!componentListed(db, row.boardPn, row.partNo, &listed, &error))
        return withStatus(Status::Failed, error);
    if (listed)
        return withStatus(Status::ComponentListed);

    const double quantity = NumberRules::readNumber(row.quantity);
    if (!std::isfinite(quantity))
        return withStatus(Status::Failed, DbError::runtime(ErrorNumber::Overflow));
    if (!db.execute(QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) "
                                   "VALUES (?, ?, ?, ?)"),
                    {row.boardPn, row.description, row.partNo, quantity}))
        return withStatus(Status::Failed, db.error());
    return withStatus(Status::Done);
}

bool openBom(Database &db, Recordset &rs, const QString &boardPn)
{
    return rs.open(db,
                   QStringLiteral("select BoardPN,Description,PartNo,QtyUsed from BoardBOM Where "
                                  "BoardPN = ? "),
                   {boardPn});
}

bool numberOrphanRows(Database &db, const QString &boardPn, const QVariant &description,
                      qint64 *rows)
{
    return db.execute(QStringLiteral("UPDATE BoardBOM SET BoardPN = ?,Description = ? WHERE "
                                     "BoardPN is null;"),
                      {boardPn, description}, rows);
}

} // namespace BomOps
