#include "bom/ops/kitplan.h"
#include "bom/ops/kitpull.h"

#include "data/database.h"
#include "data/numberrules.h"
#include "data/sqlengine.h"
#include "data/writetransaction.h"
#include "stock/ops/statement.h"

#include <QHash>
#include <cmath>

namespace KitPlan {

namespace {

KitPull::Outcome fail(KitPull::Outcome::Status status, const QString &component = QString(),
                      const DbError &error = {})
{
    KitPull::Outcome outcome;
    outcome.status = status;
    outcome.component = component;
    outcome.error = error;
    return outcome;
}

QString figure(const QVariant &value)
{
    return value.isNull() ? QStringLiteral("null") : NumberRules::plainText(value);
}

bool sameLine(const Line &a, const Line &b)
{
    return figure(a.stock) == figure(b.stock) && a.needed == b.needed && figure(a.after) == figure(b.after);
}

} // namespace

KitPull::Outcome read(Database &db, const QString &kitNo, qint16 kits, Plan *plan)
{
    using S = KitPull::Outcome::Status;
    *plan = Plan();
    plan->kitNo = kitNo;
    plan->kits = kits;
    Statement lines(db, QStringLiteral("SELECT BoardBOM.PartNo, BoardBOM.QtyUsed, Inventory.PartNo, "
                                       "Inventory.CurrentInv, Inventory.Description, Inventory.ReorderPoint "
                                       "FROM BoardBOM LEFT JOIN Inventory ON Inventory.PartNo = BoardBOM.PartNo "
                                       "WHERE BoardBOM.BoardPN = ? ORDER BY ")
                            + db.engine().rowKeyExpression(QStringLiteral("BoardBOM")));
    if (!lines.exec({kitNo}))
        return fail(S::Failed, QString(), lines.error());

    KitPull::Outcome done;
    done.status = S::Done;
    QHash<QString, qsizetype> index; // component -> its line in the plan
    while (lines.next()) {
        const QString partNo = lines.value(0).toString();
        const QVariant qtyUsed = lines.value(1);
        const QVariant stored = lines.value(2);
        if (qtyUsed.isNull())
            return fail(S::NoQuantity, partNo);
        bool numeric = false;
        const double perKit = qtyUsed.toDouble(&numeric);
        if (!numeric)
            return fail(S::Failed, partNo, DbError::runtime(ErrorNumber::TypeMismatch));
        if (stored.isNull())
            return fail(S::ComponentMissing, partNo);
        const QString key = stored.toString();
        auto it = index.find(key);
        if (it == index.end()) {
            Line line;
            line.partNo = key;
            line.stock = lines.value(3);
            line.after = line.stock;
            line.description = lines.value(4).toString();
            line.reorderPoint = lines.value(5);
            it = index.insert(key, plan->lines.size());
            plan->lines << line;
        }
        Line &line = plan->lines[*it];
        if (line.after.isNull())
            return fail(S::NoStock, partNo);
        DbError error;
        if (!KitPull::lowerStock(line.after, perKit * double(kits), &line.after, &error))
            return fail(S::Failed, partNo, error);
        line.needed += perKit * double(kits);
        if (line.after.toLongLong() < 1)
            ++done.flagged;
        ++done.lines;
    }
    lines.finish();
    if (done.lines == 0)
        return fail(S::KitNotFound);
    return done;
}

Outcome pull(Database &db, const Plan &plan)
{
    Outcome outcome;
    DbError error;
    const bool written = runWrite(db, [&](DbError *failure) {
        outcome = Outcome();
        // On a server the components' rows are locked first, so the stock
        // compared is the stock the pull writes over (the file database is
        // locked whole already).
        const QString lock = QStringLiteral(
            "SELECT PartNo FROM Inventory WHERE PartNo IN (SELECT PartNo FROM BoardBOM WHERE BoardPN = ?)");
        if (db.engine().lockingRead(lock) != lock) {
            Statement locked(db, db.engine().lockingRead(lock));
            if (!locked.exec({plan.kitNo})) {
                *failure = locked.error();
                outcome.pull = fail(KitPull::Outcome::Status::Failed, QString(), *failure);
                return false;
            }
            locked.finish();
        }
        Plan now;
        const KitPull::Outcome reread = read(db, plan.kitNo, plan.kits, &now);
        if (!reread.ok()) {
            outcome.pull = reread;
            *failure = reread.status == KitPull::Outcome::Status::Failed ? reread.error : DbError();
            return false;
        }
        QHash<QString, const Line *> shown;
        for (const Line &line : plan.lines)
            shown.insert(line.partNo, &line);
        for (const Line &line : std::as_const(now.lines)) {
            const Line *was = shown.take(line.partNo);
            if (!was || !sameLine(*was, line))
                outcome.changed << line.partNo;
        }
        for (const Line &line : plan.lines) // components no longer on the kit
            if (shown.contains(line.partNo))
                outcome.changed << line.partNo;
        if (!outcome.changed.isEmpty()) {
            outcome.now = now;
            outcome.pull.status = KitPull::Outcome::Status::Done;
            return false; // nothing written: not a fault, the user decides again
        }
        outcome.pull = KitPull::pull(db, plan.kitNo, plan.kits);
        *failure = outcome.pull.status == KitPull::Outcome::Status::Failed ? outcome.pull.error : DbError();
        return outcome.pull.ok();
    }, &error);
    if (!written && error && outcome.pull.ok() && outcome.changed.isEmpty())
        outcome.pull = fail(KitPull::Outcome::Status::Failed, QString(), error); // the commit failed
    return outcome;
}

QString changedMessage(const QStringList &changed)
{
    return QStringLiteral("Another workstation changed ") + changed.join(QStringLiteral(", "))
           + QStringLiteral(" after the list was shown.\r\nNo stock was changed. The list now shows the new figures.");
}

} // namespace KitPlan
