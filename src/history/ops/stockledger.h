#pragma once

#include "data/sqlengine.h"

#include "data/dberror.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class Database;

// The stock ledger: one row for every change of a part's stock, written in
// the transaction that makes the change, so that the change and its row are
// both stored or both absent. A change made of several rows (a kit pull, a
// scanner import) shares one group id; undoing takes back a whole group and
// writes rows of its own. Free of windows.
namespace StockLedger {

enum class Source { Stock, NewPart, DeletedPart, KitPull, Import, Undo };

// The source as stored and shown: "Stock window", "New part", ...
QString sourceText(Source source);
bool sourceFromText(const QString &text, Source *source);

inline const QString &tableName()
{
    static const QString name = QStringLiteral("StockLedger");
    return name;
}
// The columns in table order, as a copy of the table reads and writes them.
QStringList columns();
// The statements that make the table and its indexes, if absent, on the
// engine of `db`.
QStringList createStatements(const Database &db);
// Makes the table when the database has none; an older database gets it with
// no rows and nothing else changes.
bool ensureTable(Database &db, DbError *error = nullptr);

// Who makes the changes of this program: the host name and the operating
// system's login name. Tests may stand in for another workstation.
struct Identity
{
    QString workstation;
    QString login;
};
Identity identity();
void setIdentity(const Identity &identity);

struct Entry
{
    QString partNo;
    qint64 change = 0;
    QVariant stockAfter; // null when there is no stock after (none known)
    Source source = Source::Stock;
    QString groupId;     // empty: a group of its own
    QString kitNo;       // kit pull
    int kits = 0;        // kit pull
    int line = 0;        // scanner import: the line of the transfer
    QString note;        // stock window
    QString undoOf;      // undo: the group taken back
    QString saved;       // deleted part: what brings it back
    bool partNoAsStored = false; // partNo is spelled as the catalogue holds it
};

// The longest note a stock adjustment takes.
inline constexpr int NoteLimit = 255;

QString newGroupId();

// A row for a stock window's change.
Entry adjusted(const QString &partNo, qint64 before, qint64 after, const QString &note = QString());
// A row for a new part's opening stock.
Entry opened(const QString &partNo, qint64 quantity);
// A row of a kit pull, or of a scanner import.
Entry kitLine(const QString &groupId, const QString &kitNo, int kits, const QString &partNo,
              qint64 before, qint64 after);
Entry importLine(const QString &groupId, int line, const QString &partNo, qint64 before,
                 qint64 after);

// While suspended, record() writes nothing: what the ledger costs a change is
// measured against the same change without it.
void setSuspended(bool suspended);

// Writes one row inside the caller's open write transaction, stamped with the
// time (UTC) and this program's identity, the part number as the catalogue
// holds it when the part is there. False with the reason in *error
// (the caller then rolls back).
bool record(Database &db, const Entry &entry, DbError *error = nullptr);

// The rows of one change of many parts (a kit pull, an import), written a
// few dozen at a time inside the caller's open write transaction, with one
// time stamp and identity. Each entry's part number is as the catalogue
// holds it. flush() writes what is still held: the caller calls it before
// the commit.
class Batch
{
public:
    explicit Batch(Database &db);
    bool add(const Entry &entry, DbError *error = nullptr);
    bool flush(DbError *error = nullptr);

private:
    static constexpr int RowsPerStatement = 32;
    Database &m_db;
    QString m_stamp;
    Identity m_who;
    QVariantList m_values;
    int m_rows = 0;
    bool m_ready = false;
};

// Before a part is deleted, in the same transaction: writes the row that
// records it, holding the part's row and its vendor rows, so that undo can
// bring them back. Writes nothing when there is no such part.
bool recordDeletion(Database &db, const QString &partNo, DbError *error = nullptr);

// Reading. The grid's statement: newest first, one part (bound as the one
// value) or, with `onePart` false, every part.
QString historyQuery(bool onePart);
// The grid's rows: one part's (an empty number: every part's), newest first.
bool readHistory(Database &db, const QString &partNo, SqlEngine::RowSink &sink, DbError *error);

struct Point
{
    QDateTime time; // UTC
    qint64 stockAfter = 0;
    Source source = Source::Stock;
    qint64 change = 0;
    QString groupId;
};

struct Chart
{
    QList<Point> points; // oldest first
    QVariant reorderPoint; // null when the part has none (or is gone)
};

// One part's stock over time, for its chart.
bool chartOf(Database &db, const QString &partNo, Chart *chart, DbError *error = nullptr);

// Undo.
struct Change
{
    QString groupId;
    Source source = Source::Stock;
    QString partNo;  // the part, or the kit number of a kit pull
    QString change;  // as the question shows it: "+5", "2 kits", "3 lines"
    QDateTime time;  // UTC
    int rows = 0;
    bool valid() const { return !groupId.isEmpty(); }
};

// This workstation's newest change not yet undone (an undo itself is not
// offered); an invalid Change when there is none.
bool newestUndoable(Database &db, const QString &workstation, Change *change,
                    DbError *error = nullptr);

// "Undo <source> of <part> (<change>) made at <time>?", time in local time.
QString question(const Change &change);

struct UndoOutcome
{
    enum class Status {
        Done,
        AlreadyUndone, // another workstation (or this one) took it back first
        LaterChange,   // a later change touched one of its parts
        PartExists,    // a deleted part's number is in use again
        Failed,        // see error
    };
    Status status = Status::Failed;
    QString partNo;     // the part concerned
    QString later;      // the later change, as the message names it
    DbError error;
    bool ok() const { return status == Status::Done; }
};

// Takes back the whole group in one transaction of its own and writes the
// undo's rows. Refused, changing nothing, when a later change from any
// workstation touched one of the same parts.
UndoOutcome undo(Database &db, const QString &groupId);

// The message for a refused undo; empty for a done one.
QString messageFor(const UndoOutcome &outcome);

} // namespace StockLedger
