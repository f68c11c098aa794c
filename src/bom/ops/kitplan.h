#pragma once

#include "bom/ops/kitpull.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// A kit pull worked out before it writes: each component with its stock, the
// quantity the kits need and the stock the pull leaves, by the pull's own
// rules. The user looks at the plan, then pulls exactly that plan or nothing.
namespace KitPlan {

struct Line
{
    QString partNo;      // as the catalogue spells it
    QString description;
    QVariant stock;      // on hand when read
    double needed = 0;   // quantity used per kit over all its BOM lines, times the number of kits
    QVariant after;      // the stock the pull writes
    QVariant reorderPoint;
    bool belowZero() const { return after.toLongLong() < 0; }
    bool belowReorderPoint() const
    {
        return !reorderPoint.isNull() && after.toDouble() < reorderPoint.toDouble();
    }
};

struct Plan
{
    QString kitNo;
    qint16 kits = 0;
    QList<Line> lines; // one per component, in the order the pull writes them
};

// Reads the kit's lines with their components and works the pull out,
// writing nothing. Fails as the pull would (same statuses, same message
// through KitPull::messageFor).
KitPull::Outcome read(Database &db, const QString &kitNo, qint16 kits, Plan *plan);

struct Outcome
{
    KitPull::Outcome pull;  // the pull's outcome, or why the plan could not be read again
    QStringList changed;    // not empty: nothing was written; these components differ from the plan
    Plan now;               // the plan as the database stands, when `changed` is not empty
    bool ok() const { return changed.isEmpty() && pull.ok(); }
};

// Pulls exactly `plan`: inside one write transaction, with the components'
// rows locked, reads the plan again; when any component's stock, quantity
// needed or stock after differs (another workstation changed it in between),
// writes nothing and names those components. Otherwise runs the pull in the
// same transaction.
Outcome pull(Database &db, const Plan &plan);

// The message for a pull that found parts changed by someone else.
QString changedMessage(const QStringList &changed);

} // namespace KitPlan
