#pragma once

#include "data/dberror.h"

#include <QString>
#include <QVariant>

class Database;
class Recordset;

// The bill-of-materials rules, free of windows. A BOM is the set of BoardBOM
// rows that carry one BoardPN; nothing here shows anything or commits.
namespace BomOps {

enum class Status {
    Done,
    BomListed,       // the BOM number has rows already (as the database compares)
    ComponentListed, // the component is on the BOM already (exact comparison)
    Failed,          // see error
};

struct Outcome
{
    Status status = Status::Failed;
    DbError error; // with Status::Failed
    bool ok() const { return status == Status::Done; }
};

// One component row, as typed.
struct Row
{
    QString boardPn;
    QString description;
    QString partNo;
    QString quantity; // the quantity text; its leading number is stored
};

// Adds one component to a BOM inside the caller's write transaction. With
// `refuseListedBom`, a BOM number that has rows already is refused first.
// The component is refused when a row of that BOM names it already, BOM
// number and component compared exactly (letter case and blanks count). A
// quantity too large for a number is error 6. Looks at the BOM's rows only,
// through the BOM number's index, however large the table.
Outcome addComponent(Database &db, const Row &row, bool refuseListedBom);

// True when at least one row carries the BOM number (as the database
// compares it).
bool bomListed(Database &db, const QString &boardPn, bool *listed, DbError *error);

// True when a row of the BOM names the component, both compared exactly.
bool componentListed(Database &db, const QString &boardPn, const QString &partNo, bool *listed,
                     DbError *error);

// The rows of a BOM as the editor shows them: BoardPN, Description, PartNo,
// QtyUsed; the set can write its rows back.
bool openBom(Database &db, Recordset &rs, const QString &boardPn);

// Gives the rows that carry no BOM number (left so by an earlier run) the
// number and description of a loaded BOM. `rows` receives how many.
bool numberOrphanRows(Database &db, const QString &boardPn, const QVariant &description,
                      qint64 *rows = nullptr);

} // namespace BomOps
