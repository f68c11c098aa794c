#include "bom/ops/bomoperations.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/writetransaction.h"

#include <QLocale>
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

// Reads every row of a statement into the sink.
bool read(Database &db, const QString &sql, const QVariantList &values, SqlEngine::RowSink &sink,
          DbError *error, Database::Read mode = Database::Read::Plain)
{
    if (db.read(sql, values, sink, mode))
        return true;
    if (error)
        *error = db.error();
    return false;
}

using Rows = SqlEngine::RowList;

// Two stored values are the same: both null, the same number, or the same
// text exactly.
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    const auto isNumber = [](const QVariant &v) {
        switch (v.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::ULongLong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Short:
            return true;
        default:
            return false;
        }
    };
    if (isNumber(a) && isNumber(b))
        return a.toDouble() == b.toDouble();
    return NumberRules::plainText(a) == NumberRules::plainText(b);
}

QString keyOf(const Database &db)
{
    return db.engine().rowKeyExpression(QStringLiteral("BoardBOM"));
}

// Inside a write transaction: does the row still hold what was read?
bool stillAsRead(Database &db, const Line &original, bool *same, DbError *error)
{
    Rows found;
    if (!read(db, QStringLiteral("select BoardPN,Description,PartNo,QtyUsed from BoardBOM Where ") + keyOf(db)
                      + QStringLiteral(" = ?"),
              {original.key}, found, error, Database::Read::Locking))
        return false;
    *same = found.rows.size() == 1;
    if (*same) {
        const QVariantList &r = found.rows.first();
        *same = sameValue(r.value(0), original.boardPn) && sameValue(r.value(1), original.description)
                && sameValue(r.value(2), original.partNo) && sameValue(r.value(3), original.qtyUsed);
    }
    return true;
}

} // namespace

bool Line::operator==(const Line &other) const
{
    return sameValue(key, other.key) && sameValue(boardPn, other.boardPn)
           && sameValue(description, other.description) && sameValue(partNo, other.partNo)
           && sameValue(qtyUsed, other.qtyUsed);
}

bool quantityValue(const QVariant &typed, QVariant *stored, DbError *error)
{
    if (typed.isNull() || (typed.typeId() == QMetaType::QString && typed.toString().isEmpty())) {
        *stored = QVariant();
        return true;
    }
    if (typed.typeId() != QMetaType::QString) {
        bool ok = false;
        const double v = typed.toDouble(&ok);
        if (ok && std::isfinite(v)) {
            *stored = v;
            return true;
        }
    } else {
        const QString text = typed.toString().trimmed();
        double v = 0;
        bool ok = NumberRules::isPlainNumber(text, &v);
        if (!ok)
            v = QLocale().toDouble(text, &ok);
        if (ok && std::isfinite(v)) {
            *stored = v;
            return true;
        }
    }
    if (error)
        *error = DbError::runtime(ErrorNumber::TypeMismatch);
    return false;
}

Outcome addComponent(Database &db, const Row &row, bool refuseListedBom)
{
    const double quantity = NumberRules::readNumber(row.quantity);
    if (!std::isfinite(quantity))
        return withStatus(Status::Failed, DbError::runtime(ErrorNumber::Overflow));
    Status status = Status::Done;
    DbError error;
    // The tests and the write in one transaction: no other window or
    // workstation adds the same component in between.
    const bool written = runWrite(db, [&](DbError *e) {
        status = Status::Done;
        if (refuseListedBom) {
            Rows listed;
            if (!read(db, QStringLiteral("select BoardPN from BoardBOM Where BoardPN = ? LIMIT 1"),
                      {row.boardPn}, listed, e))
                return false;
            if (!listed.rows.isEmpty()) {
                status = Status::BomListed;
                return false;
            }
        }
        // The database compares without regard to letter case, so its answer
        // is a superset, found through the BOM number's index; the exact
        // test is ours.
        Rows same;
        if (!read(db, QStringLiteral("select BoardPN,PartNo from BoardBOM Where BoardPN = ? And PartNo = ?"),
                  {row.boardPn, row.partNo}, same, e))
            return false;
        for (const QVariantList &r : std::as_const(same.rows)) {
            if (!r.value(0).isNull() && !r.value(1).isNull() && r.value(0).toString() == row.boardPn
                && r.value(1).toString() == row.partNo) {
                status = Status::ComponentListed;
                return false;
            }
        }
        if (!db.execute(QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) "
                                       "VALUES (?, ?, ?, ?)"),
                        {row.boardPn, row.description, row.partNo, quantity})) {
            *e = db.error();
            return false;
        }
        return true;
    }, &error);
    if (written)
        return withStatus(Status::Done);
    if (status != Status::Done)
        return withStatus(status);
    return withStatus(Status::Failed, error);
}

bool readBomRows(Database &db, const QString &boardPn, SqlEngine::RowSink &sink, DbError *error)
{
    return read(db, QStringLiteral("select BoardPN,Description,PartNo,QtyUsed from BoardBOM Where BoardPN = ? ;"),
                {boardPn}, sink, error);
}

namespace {

// A BOM whose rows carry two descriptions is listed once for each; a line
// without a description comes first on either engine.
const char BomListSql[] = "SELECT BoardBOM.BoardPN AS BOM, BoardBOM.Description From BoardBOM "
                          "GROUP BY BoardBOM.BoardPN, BoardBOM.Description "
                          "Order by BoardBOM.Description IS NOT NULL, BoardBOM.Description, "
                          "BoardBOM.BoardPN IS NOT NULL, BoardBOM.BoardPN";
const char InventoryListColumns[] = "select PartNo as [Part No],Description,CurrentInv as [Current Inv],"
                                    "UnitCost as [Unit Cost],ReorderPoint as [Reorder Point],Bin as "
                                    "[Time to Order] from Inventory ";

} // namespace

bool readBomList(Database &db, SqlEngine::RowSink &sink, DbError *error)
{
    return read(db, QLatin1String(BomListSql), {}, sink, error);
}

bool readBomListPage(Database &db, qint64 offset, qint64 limit, SqlEngine::RowSink &sink,
                     DbError *error)
{
    return read(db, QLatin1String(BomListSql) + QLatin1String(" LIMIT ? OFFSET ?"), {limit, offset},
                sink, error);
}

bool readInventoryList(Database &db, SqlEngine::RowSink &sink, DbError *error)
{
    return read(db, QLatin1String(InventoryListColumns) + QLatin1String("Order by PartNo"), {}, sink,
                error);
}

bool readInventoryPage(Database &db, const QVariant &after, qint64 limit, SqlEngine::RowSink &sink,
                       DbError *error)
{
    // Part numbers are unique as the index compares them, so the next page
    // starts right after the last part read.
    if (after.isNull())
        return read(db, QLatin1String(InventoryListColumns) + QLatin1String("Order by PartNo LIMIT ?"),
                    {limit}, sink, error);
    return read(db, QLatin1String(InventoryListColumns)
                        + QLatin1String("WHERE PartNo > ? Order by PartNo LIMIT ?"),
                {after, limit}, sink, error);
}

LoadOutcome loadBom(Database &db, const QString &boardPn)
{
    LoadOutcome outcome;
    Rows rows;
    if (!read(db, QStringLiteral("select ") + keyOf(db)
                      + QStringLiteral(",BoardPN,Description,PartNo,QtyUsed from BoardBOM Where "
                                       "BoardPN = ? Order by ")
                      + keyOf(db),
              {boardPn}, rows, &outcome.error))
        return outcome;
    outcome.lines.reserve(rows.rows.size());
    for (const QVariantList &r : std::as_const(rows.rows))
        outcome.lines.append(Line{r.value(0), r.value(1), r.value(2), r.value(3), r.value(4)});
    outcome.status = Status::Done;
    return outcome;
}

Outcome saveLine(Database &db, const Line &original, Line *line)
{
    QVariant quantity;
    DbError error;
    if (!quantityValue(line->qtyUsed, &quantity, &error))
        return withStatus(Status::Failed, error);
    Status status = Status::Done;
    QVariant key = line->key;
    const bool adding = line->key.isNull();
    const QVariantList values = {line->boardPn, line->description, line->partNo, quantity};
    const bool written = runWrite(db, [&](DbError *e) {
        status = Status::Done;
        if (adding) {
            qint64 made = -1;
            if (!db.insert(QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) "
                                          "VALUES (?, ?, ?, ?)"),
                           values, &made)) {
                *e = db.error();
                return false;
            }
            key = made;
            return true;
        }
        bool same = false;
        if (!stillAsRead(db, original, &same, e))
            return false;
        if (!same) {
            status = Status::RowChanged;
            return false;
        }
        if (!db.execute(QStringLiteral("UPDATE BoardBOM SET BoardPN = ?,Description = ?,PartNo = ?,QtyUsed = ? "
                                       "WHERE ")
                            + keyOf(db) + QStringLiteral(" = ?"),
                        values + QVariantList{original.key})) {
            *e = db.error();
            return false;
        }
        return true;
    }, &error);
    if (status == Status::RowChanged)
        return withStatus(status, DbError::runtime(ErrorNumber::RowNotFound));
    if (!written)
        return withStatus(Status::Failed, error);
    line->key = key;
    line->qtyUsed = quantity;
    return withStatus(Status::Done);
}

Outcome deleteLine(Database &db, const Line &original)
{
    if (original.key.isNull())
        return withStatus(Status::Done);
    Status status = Status::Done;
    DbError error;
    const bool written = runWrite(db, [&](DbError *e) {
        status = Status::Done;
        bool same = false;
        if (!stillAsRead(db, original, &same, e))
            return false;
        if (!same) {
            status = Status::RowChanged;
            return false;
        }
        if (!db.execute(QStringLiteral("DELETE FROM BoardBOM WHERE ") + keyOf(db) + QStringLiteral(" = ?"),
                        {original.key})) {
            *e = db.error();
            return false;
        }
        return true;
    }, &error);
    if (status == Status::RowChanged)
        return withStatus(status, DbError::runtime(ErrorNumber::RowNotFound));
    return written ? withStatus(Status::Done) : withStatus(Status::Failed, error);
}

Outcome numberOrphanRows(Database &db, const QString &boardPn, const QVariant &description,
                         qint64 *rows)
{
    if (!db.isOpen())
        return withStatus(Status::Failed, DbError::runtime(ErrorNumber::ObjectClosed));
    DbError error;
    const bool written = runWrite(db, [&](DbError *e) {
        if (db.execute(QStringLiteral("UPDATE BoardBOM SET BoardPN = ?,Description = ? WHERE BoardPN is null;"),
                       {boardPn, description}, rows))
            return true;
        *e = db.error();
        return false;
    }, &error);
    return written ? withStatus(Status::Done) : withStatus(Status::Failed, error);
}

} // namespace BomOps
