#include "history/ops/stockledger.h"

#include "data/caserules.h"
#include "data/database.h"
#include "data/recordset.h"
#include "data/writetransaction.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QSet>
#include <QSysInfo>
#include <QUuid>

#include <limits>

#ifdef Q_OS_UNIX
#include <pwd.h>
#include <unistd.h>
#endif

namespace StockLedger {

namespace {

struct SourceName
{
    Source source;
    const char *text;
};

constexpr SourceName SourceNames[] = {
    {Source::Stock, "Stock window"},   {Source::NewPart, "New part"},
    {Source::DeletedPart, "Deleted part"}, {Source::KitPull, "Kit pull"},
    {Source::Import, "Scanner import"}, {Source::Undo, "Undo"},
};

const QStringList &inventoryColumns()
{
    static const QStringList names = {
        QStringLiteral("PartNo"),  QStringLiteral("Description"),  QStringLiteral("CurrentInv"),
        QStringLiteral("UnitCost"), QStringLiteral("ReorderPoint"), QStringLiteral("MinReq"),
        QStringLiteral("Bin")};
    return names;
}

bool isPostgres(const Database &db)
{
    return db.engine().driverName() == QLatin1String("QPSQL");
}

QMutex identityLock;
Identity &currentIdentity()
{
    static Identity id = [] {
        Identity made;
        made.workstation = QSysInfo::machineHostName();
#ifdef Q_OS_UNIX
        if (const passwd *pw = getpwuid(geteuid()))
            made.login = QString::fromLocal8Bit(pw->pw_name);
#endif
        if (made.login.isEmpty())
            made.login = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
        return made;
    }();
    return id;
}

// Connections (by name and address) on which the table was seen.
QMutex seenLock;
QSet<QString> &tableSeen()
{
    static QSet<QString> seen;
    return seen;
}

QString seenKey(const Database &db)
{
    return db.connectionName() + QLatin1Char('\n') + db.path();
}

bool fail(DbError *error, const DbError &reason)
{
    if (error)
        *error = reason;
    return false;
}

// The engine's reason as the user reads it, without the statement that a
// script's failure adds.
DbError withoutStatement(DbError error)
{
    const qsizetype at = error.description.lastIndexOf(QStringLiteral(" [CREATE "));
    if (at >= 0)
        error.description.truncate(at);
    return error;
}

// The table must be there before a row goes in. Made inside the caller's
// transaction when missing; remembered only once seen, so that a rolled-back
// making is made again.
bool tableReady(Database &db, DbError *error)
{
    {
        QMutexLocker lock(&seenLock);
        if (tableSeen().contains(seenKey(db)))
            return true;
    }
    if (db.tables().contains(tableName(), Qt::CaseInsensitive)) {
        QMutexLocker lock(&seenLock);
        tableSeen().insert(seenKey(db));
        return true;
    }
    // Statements of structure run unprepared (the server prepares no DDL).
    if (!db.runScript(createStatements(db).join(QStringLiteral(";\n"))))
        return fail(error, withoutStatement(db.error()));
    return true;
}

QVariant orNull(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

QVariant orNull(int number)
{
    return number == 0 ? QVariant() : QVariant(qint64(number));
}

QString signedNumber(qint64 n)
{
    return n > 0 ? QStringLiteral("+") + QString::number(n) : QString::number(n);
}

QDateTime parseTime(const QString &text)
{
    QDateTime t = QDateTime::fromString(text, Qt::ISODateWithMs);
    t.setTimeSpec(Qt::UTC);
    return t;
}

} // namespace

QString sourceText(Source source)
{
    for (const SourceName &s : SourceNames)
        if (s.source == source)
            return QString::fromLatin1(s.text);
    return QString();
}

bool sourceFromText(const QString &text, Source *source)
{
    for (const SourceName &s : SourceNames)
        if (text == QLatin1String(s.text)) {
            *source = s.source;
            return true;
        }
    return false;
}

QStringList columns()
{
    return {QStringLiteral("EntryId"),  QStringLiteral("ChangedAt"), QStringLiteral("Workstation"),
            QStringLiteral("LoginName"), QStringLiteral("PartNo"),   QStringLiteral("Change"),
            QStringLiteral("StockAfter"), QStringLiteral("Source"),  QStringLiteral("GroupId"),
            QStringLiteral("KitNo"),    QStringLiteral("Kits"),      QStringLiteral("Line"),
            QStringLiteral("Note"),     QStringLiteral("UndoOf"),    QStringLiteral("UndoneBy"),
            QStringLiteral("Saved")};
}

QStringList createStatements(const Database &db)
{
    // The same on both engines. A database from before the ledger also lacks
    // the index of the stock valuation, which came with it.
    static const QStringList indexes = {
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"StockLedgerPart\" ON \"StockLedger\" "
                       "(\"PartNo\", \"ChangedAt\")"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"StockLedgerGroup\" ON \"StockLedger\" "
                       "(\"GroupId\", \"PartNo\")"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"StockLedgerWorkstation\" ON \"StockLedger\" "
                       "(\"Workstation\", \"EntryId\")"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"InventoryValue\" ON \"Inventory\" (\"CurrentInv\", \"UnitCost\")"),
    };
    if (isPostgres(db)) {
        return QStringList{QStringLiteral(
                   "CREATE TABLE IF NOT EXISTS \"StockLedger\" ("
                   "\"EntryId\" bigserial PRIMARY KEY, "
                   "\"ChangedAt\" text NOT NULL, \"Workstation\" citext NOT NULL, "
                   "\"LoginName\" text NOT NULL, \"PartNo\" citext NOT NULL, \"Change\" bigint NOT NULL, "
                   "\"StockAfter\" bigint, \"Source\" text NOT NULL, \"GroupId\" text NOT NULL, "
                   "\"KitNo\" citext, \"Kits\" bigint, \"Line\" bigint, \"Note\" text, "
                   "\"UndoOf\" text, \"UndoneBy\" text, \"Saved\" text)")}
               + indexes;
    }
    return QStringList{QStringLiteral(
               "CREATE TABLE IF NOT EXISTS \"StockLedger\" ("
               "\"EntryId\" INTEGER PRIMARY KEY AUTOINCREMENT, "
               "\"ChangedAt\" TEXT NOT NULL, \"Workstation\" TEXT NOT NULL COLLATE NOCASE, "
               "\"LoginName\" TEXT NOT NULL, \"PartNo\" TEXT NOT NULL COLLATE NOCASE, "
               "\"Change\" INTEGER NOT NULL CHECK (typeof(\"Change\") = 'integer'), "
               "\"StockAfter\" INTEGER, \"Source\" TEXT NOT NULL, \"GroupId\" TEXT NOT NULL, "
               "\"KitNo\" TEXT COLLATE NOCASE, \"Kits\" INTEGER, \"Line\" INTEGER, \"Note\" TEXT, "
               "\"UndoOf\" TEXT, \"UndoneBy\" TEXT, \"Saved\" TEXT)")}
           + indexes;
}

bool ensureTable(Database &db, DbError *error)
{
    if (db.tables().contains(tableName(), Qt::CaseInsensitive))
        return true;
    DbError failure;
    const bool made = runWrite(db, [&](DbError *why) {
        if (db.runScript(createStatements(db).join(QStringLiteral(";\n"))))
            return true;
        *why = withoutStatement(db.error());
        return false;
    }, &failure);
    if (!made)
        return fail(error, failure);
    return true;
}

Identity identity()
{
    QMutexLocker lock(&identityLock);
    return currentIdentity();
}

void setIdentity(const Identity &id)
{
    QMutexLocker lock(&identityLock);
    currentIdentity() = id;
}

QString newGroupId()
{
    // The time first: new ids go to the end of the index, as new rows do,
    // instead of to a page anywhere in it.
    const QString random = QUuid::createUuid().toString(QUuid::Id128);
    return QStringLiteral("%1-%2")
        .arg(QDateTime::currentMSecsSinceEpoch(), 12, 16, QLatin1Char('0'))
        .arg(random.left(20));
}

Entry adjusted(const QString &partNo, qint64 before, qint64 after, const QString &note)
{
    Entry e;
    e.partNo = partNo;
    e.change = after - before;
    e.stockAfter = after;
    e.source = Source::Stock;
    e.note = note;
    return e;
}

Entry opened(const QString &partNo, qint64 quantity)
{
    Entry e;
    e.partNo = partNo;
    e.change = quantity;
    e.stockAfter = quantity;
    e.source = Source::NewPart;
    return e;
}

Entry kitLine(const QString &groupId, const QString &kitNo, int kits, const QString &partNo,
              qint64 before, qint64 after)
{
    Entry e;
    e.partNo = partNo;
    e.change = after - before;
    e.stockAfter = after;
    e.source = Source::KitPull;
    e.groupId = groupId;
    e.kitNo = kitNo;
    e.kits = kits;
    return e;
}

Entry importLine(const QString &groupId, int line, const QString &partNo, qint64 before, qint64 after)
{
    Entry e;
    e.partNo = partNo;
    e.change = after - before;
    e.stockAfter = after;
    e.source = Source::Import;
    e.groupId = groupId;
    e.line = line;
    return e;
}

namespace {
bool suspendedRecording = false;
}

void setSuspended(bool suspended)
{
    suspendedRecording = suspended;
}

namespace {

const QString &ledgerColumns()
{
    static const QString text = QStringLiteral(
        "INSERT INTO \"StockLedger\" (\"ChangedAt\", \"Workstation\", \"LoginName\", \"PartNo\", "
        "\"Change\", \"StockAfter\", \"Source\", \"GroupId\", \"KitNo\", \"Kits\", \"Line\", "
        "\"Note\", \"UndoOf\", \"Saved\") VALUES ");
    return text;
}

constexpr int ValuesPerRow = 14;

// The INSERT of `rows` rows, its text made once per size.
const QString &insertOf(int rows)
{
    static QMutex lock;
    static QHash<int, QString> made;
    QMutexLocker locker(&lock);
    auto it = made.find(rows);
    if (it == made.end()) {
        const QString one = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        QStringList all;
        for (int i = 0; i < rows; ++i)
            all << one;
        it = made.insert(rows, ledgerColumns() + all.join(QStringLiteral(", ")));
    }
    return *it;
}

void appendValues(QVariantList &values, const Entry &entry, const QString &stamp, const Identity &who)
{
    const QVariant kits = entry.source == Source::KitPull || entry.kits != 0
                              ? QVariant(qint64(entry.kits)) : QVariant();
    values << stamp << who.workstation << who.login << entry.partNo << entry.change
           << (entry.stockAfter.isNull() ? QVariant() : QVariant(entry.stockAfter.toLongLong()))
           << sourceText(entry.source) << (entry.groupId.isEmpty() ? newGroupId() : entry.groupId)
           << orNull(entry.kitNo) << kits << orNull(entry.line) << orNull(entry.note)
           << orNull(entry.undoOf) << orNull(entry.saved);
}

QString timeStamp()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

} // namespace

bool record(Database &db, const Entry &entry, DbError *error)
{
    if (suspendedRecording)
        return true;
    if (!tableReady(db, error))
        return false;
    QVariantList values;
    values.reserve(ValuesPerRow + 1);
    appendValues(values, entry, timeStamp(), identity());
    bool written = false;
    if (entry.partNoAsStored) {
        written = db.execute(insertOf(1), values);
    } else {
        // The part number as the catalogue holds it, when the part is there.
        values.insert(4, entry.partNo);
        static const QString insert = ledgerColumns() + QStringLiteral(
            "(?, ?, ?, COALESCE((SELECT PartNo FROM Inventory WHERE PartNo = ?), ?), ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        written = db.execute(insert, values);
    }
    return written || fail(error, db.error());
}

Batch::Batch(Database &db) : m_db(db), m_stamp(timeStamp()), m_who(identity())
{
    m_values.reserve(RowsPerStatement * ValuesPerRow);
}

bool Batch::add(const Entry &entry, DbError *error)
{
    if (suspendedRecording)
        return true;
    if (!m_ready) {
        if (!tableReady(m_db, error))
            return false;
        m_ready = true;
    }
    appendValues(m_values, entry, m_stamp, m_who);
    return ++m_rows < RowsPerStatement || flush(error);
}

bool Batch::flush(DbError *error)
{
    if (m_rows == 0)
        return true;
    const bool written = m_db.execute(insertOf(m_rows), m_values);
    m_values.clear();
    m_rows = 0;
    return written || fail(error, m_db.error());
}

bool recordDeletion(Database &db, const QString &partNo, DbError *error)
{
    Recordset part;
    if (!part.open(db, QStringLiteral("select ") + inventoryColumns().join(QLatin1Char(','))
                           + QStringLiteral(" from Inventory where PartNo = ?"),
                   {partNo}))
        return fail(error, part.error());
    if (part.isEof())
        return true;
    QJsonObject saved;
    QJsonObject row;
    for (const QString &column : inventoryColumns())
        row.insert(column, QJsonValue::fromVariant(part.value(column)));
    saved.insert(QStringLiteral("Inventory"), row);
    const QString stored = part.value(QStringLiteral("PartNo")).toString();
    const QVariant stock = part.value(QStringLiteral("CurrentInv"));
    part.close();

    Recordset vendors;
    if (!vendors.open(db, QStringLiteral("select Item, Vendor, Description from PreferredVendor "
                                         "where Item = ?"),
                      {partNo}))
        return fail(error, vendors.error());
    QJsonArray vendorRows;
    for (; !vendors.isEof(); vendors.moveNext()) {
        QJsonObject v;
        for (const QString &column :
             {QStringLiteral("Item"), QStringLiteral("Vendor"), QStringLiteral("Description")})
            v.insert(column, QJsonValue::fromVariant(vendors.value(column)));
        vendorRows.append(v);
    }
    saved.insert(QStringLiteral("PreferredVendor"), vendorRows);

    Entry e;
    e.partNo = stored;
    bool numeric = false;
    const qint64 onHand = stock.toLongLong(&numeric);
    e.change = numeric ? -onHand : 0;
    e.stockAfter = 0;
    e.source = Source::DeletedPart;
    e.saved = QString::fromUtf8(QJsonDocument(saved).toJson(QJsonDocument::Compact));
    return record(db, e, error);
}

QString historyQuery(bool onePart)
{
    const QString select = QStringLiteral(
        "SELECT \"ChangedAt\" AS [Time (UTC)], \"PartNo\" AS [Part No], \"Change\", "
        "\"StockAfter\" AS [Stock After], \"Source\", \"KitNo\" AS [Kit No], \"Kits\", "
        "\"Line\", \"Note\", \"Workstation\", \"LoginName\" AS [Login], "
        "CASE WHEN \"UndoneBy\" IS NULL THEN '' ELSE 'Yes' END AS [Undone] "
        "FROM \"StockLedger\" ");
    if (onePart)
        return select + QStringLiteral("WHERE \"PartNo\" = ? ORDER BY \"ChangedAt\" DESC, \"EntryId\" DESC");
    return select + QStringLiteral("ORDER BY \"EntryId\" DESC");
}

bool chartOf(Database &db, const QString &partNo, Chart *chart, DbError *error)
{
    *chart = Chart();
    Recordset rs;
    if (!rs.open(db, QStringLiteral("SELECT \"ChangedAt\", \"StockAfter\", \"Source\", \"Change\", \"GroupId\" "
                                    "FROM \"StockLedger\" WHERE \"PartNo\" = ? "
                                    "ORDER BY \"ChangedAt\", \"EntryId\""),
                 {partNo}))
        return fail(error, rs.error());
    const qsizetype n = rs.recordCount();
    chart->points.reserve(n);
    for (qsizetype row = 0; row < n; ++row) {
        Point p;
        p.time = parseTime(rs.valueAt(row, 0).toString());
        p.stockAfter = rs.valueAt(row, 1).toLongLong();
        sourceFromText(rs.valueAt(row, 2).toString(), &p.source);
        p.change = rs.valueAt(row, 3).toLongLong();
        p.groupId = rs.valueAt(row, 4).toString();
        chart->points.append(p);
    }
    rs.close();
    Recordset reorder;
    if (!reorder.open(db, QStringLiteral("select ReorderPoint from Inventory where PartNo = ?"), {partNo}))
        return fail(error, reorder.error());
    if (!reorder.isEof())
        chart->reorderPoint = reorder.value(0);
    return true;
}

namespace {

bool describeGroup(Database &db, const QString &groupId, Change *change, DbError *error)
{
    Recordset rs;
    if (!rs.open(db, QStringLiteral("SELECT \"PartNo\", \"Change\", \"Source\", \"KitNo\", \"Kits\", "
                                    "\"ChangedAt\" FROM \"StockLedger\" WHERE \"GroupId\" = ? "
                                    "ORDER BY \"EntryId\""),
                 {groupId}))
        return fail(error, rs.error());
    const qsizetype n = rs.recordCount();
    if (n == 0)
        return true;
    change->groupId = groupId;
    change->rows = int(n);
    sourceFromText(rs.valueAt(0, 2).toString(), &change->source);
    change->time = parseTime(rs.valueAt(0, 5).toString());
    switch (change->source) {
    case Source::KitPull: {
        change->partNo = rs.valueAt(0, 3).toString();
        const qint64 kits = rs.valueAt(0, 4).toLongLong();
        change->change = QString::number(kits) + (kits == 1 ? QStringLiteral(" kit") : QStringLiteral(" kits"));
        break;
    }
    case Source::Import:
        if (n == 1) {
            change->partNo = rs.valueAt(0, 0).toString();
            change->change = signedNumber(rs.valueAt(0, 1).toLongLong());
        } else {
            QSet<QString> parts;
            for (qsizetype row = 0; row < n; ++row)
                parts.insert(CaseRules::folded(rs.valueAt(row, 0).toString()));
            change->partNo = QString::number(parts.size())
                             + (parts.size() == 1 ? QStringLiteral(" part") : QStringLiteral(" parts"));
            change->change = QString::number(n) + QStringLiteral(" lines");
        }
        break;
    default:
        change->partNo = rs.valueAt(0, 0).toString();
        change->change = signedNumber(rs.valueAt(0, 1).toLongLong());
        break;
    }
    return true;
}

} // namespace

bool newestUndoable(Database &db, const QString &workstation, Change *change, DbError *error)
{
    *change = Change();
    if (!db.tables().contains(tableName(), Qt::CaseInsensitive))
        return true;
    Recordset rs;
    if (!rs.open(db, QStringLiteral("SELECT \"GroupId\" FROM \"StockLedger\" WHERE \"Workstation\" = ? "
                                    "AND \"UndoneBy\" IS NULL AND \"Source\" <> ? "
                                    "ORDER BY \"EntryId\" DESC LIMIT 1"),
                 {workstation, sourceText(Source::Undo)}))
        return fail(error, rs.error());
    if (rs.isEof())
        return true;
    const QString group = rs.value(0).toString();
    rs.close();
    return describeGroup(db, group, change, error);
}

QString question(const Change &change)
{
    return QStringLiteral("Undo %1 of %2 (%3) made at %4?")
        .arg(sourceText(change.source).toLower(), change.partNo, change.change,
             change.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

namespace {

struct GroupRow
{
    qint64 id = 0;
    QString partNo;
    qint64 change = 0;
    Source source = Source::Stock;
    QString kitNo;
    QVariant kits;
    QVariant line;
    QString saved;
};

QVariant jsonToValue(const QJsonValue &v, bool whole)
{
    if (v.isNull() || v.isUndefined())
        return QVariant();
    if (v.isDouble())
        return whole ? QVariant(qint64(v.toDouble())) : QVariant(v.toDouble());
    return v.toVariant();
}

// Brings a deleted part back with its vendor rows. PartExists when the number
// is in use again.
UndoOutcome::Status restorePart(Database &db, const GroupRow &row, qint64 *stock, DbError *error)
{
    const QJsonObject saved = QJsonDocument::fromJson(row.saved.toUtf8()).object();
    const QJsonObject part = saved.value(QStringLiteral("Inventory")).toObject();
    Recordset there;
    if (!there.open(db, QStringLiteral("select PartNo from Inventory where PartNo = ?"), {row.partNo})) {
        *error = there.error();
        return UndoOutcome::Status::Failed;
    }
    if (!there.isEof())
        return UndoOutcome::Status::PartExists;
    there.close();
    QVariantList values;
    QStringList marks;
    for (const QString &column : inventoryColumns()) {
        const bool whole = column != QLatin1String("UnitCost") && column != QLatin1String("PartNo")
                           && column != QLatin1String("Description");
        values << jsonToValue(part.value(column), whole);
        marks << QStringLiteral("?");
    }
    if (!db.execute(QStringLiteral("INSERT INTO Inventory (") + inventoryColumns().join(QStringLiteral(", "))
                        + QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", "))
                        + QStringLiteral(")"),
                    values)) {
        *error = db.error();
        return UndoOutcome::Status::Failed;
    }
    // The vendor rows it had, in place of any written for the number since.
    if (!db.execute(QStringLiteral("DELETE FROM PreferredVendor WHERE Item = ?"), {row.partNo})) {
        *error = db.error();
        return UndoOutcome::Status::Failed;
    }
    const QJsonArray vendors = saved.value(QStringLiteral("PreferredVendor")).toArray();
    for (const QJsonValue &v : vendors) {
        const QJsonObject o = v.toObject();
        if (!db.execute(QStringLiteral("INSERT INTO PreferredVendor (Item, Vendor, Description) "
                                       "VALUES (?, ?, ?)"),
                        {jsonToValue(o.value(QStringLiteral("Item")), false),
                         jsonToValue(o.value(QStringLiteral("Vendor")), false),
                         jsonToValue(o.value(QStringLiteral("Description")), false)})) {
            *error = db.error();
            return UndoOutcome::Status::Failed;
        }
    }
    *stock = jsonToValue(part.value(QStringLiteral("CurrentInv")), true).toLongLong();
    return UndoOutcome::Status::Done;
}

// Takes `change` back off a part's stock, the stock read with a lock.
bool reverseStock(Database &db, const QString &partNo, qint64 change, qint64 *before, qint64 *after,
                  DbError *error)
{
    Recordset rs;
    if (!rs.open(db, QStringLiteral("select CurrentInv from Inventory where PartNo = ?"), {partNo})) {
        *error = rs.error();
        return false;
    }
    if (rs.isEof()) {
        *error = DbError::runtime(ErrorNumber::NoCurrentRecord,
                                  QStringLiteral("Part %1 is no longer in the inventory.").arg(partNo));
        return false;
    }
    const QVariant stored = rs.value(0);
    rs.close();
    if (stored.isNull()) {
        *error = DbError::runtime(ErrorNumber::InvalidUseOfNull);
        return false;
    }
    *before = stored.toLongLong();
    *after = *before - change;
    if (*after < std::numeric_limits<qint16>::min() || *after > std::numeric_limits<qint16>::max()) {
        *error = DbError::runtime(ErrorNumber::Overflow);
        return false;
    }
    if (!db.execute(QStringLiteral("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?;"),
                    {*after, partNo})) {
        *error = db.error();
        return false;
    }
    return true;
}

// Takes a group's changes back off the stock of its parts at once: each part
// by the sum of its rows. Refuses a part that is gone, or whose stock would
// leave the 16-bit range or is empty.
bool reverseGroup(Database &db, const QString &groupId, UndoOutcome *outcome, DbError *error)
{
    qint64 updated = 0;
    if (!db.execute(QStringLiteral(
                        "UPDATE Inventory SET CurrentInv = CurrentInv - (SELECT SUM(\"Change\") FROM "
                        "\"StockLedger\" WHERE \"GroupId\" = ? AND \"PartNo\" = Inventory.PartNo) "
                        "WHERE PartNo IN (SELECT \"PartNo\" FROM \"StockLedger\" WHERE \"GroupId\" = ?)"),
                    {groupId, groupId}, &updated)) {
        *error = db.error();
        return false;
    }
    Recordset check;
    if (!check.open(db, QStringLiteral("SELECT count(DISTINCT \"PartNo\") AS parts FROM \"StockLedger\" "
                                       "WHERE \"GroupId\" = ?"),
                    {groupId})) {
        *error = check.error();
        return false;
    }
    if (check.value(0).toLongLong() > updated) {
        *error = DbError::runtime(ErrorNumber::NoCurrentRecord,
                                  QStringLiteral("A part of the change is no longer in the inventory."));
        return false;
    }
    check.close();
    Recordset bad;
    if (!bad.open(db, QStringLiteral("SELECT PartNo, CurrentInv FROM Inventory WHERE PartNo IN "
                                     "(SELECT \"PartNo\" FROM \"StockLedger\" WHERE \"GroupId\" = ?) "
                                     "AND (CurrentInv IS NULL OR CurrentInv < -32768 OR CurrentInv > 32767) "
                                     "LIMIT 1"),
                  {groupId})) {
        *error = bad.error();
        return false;
    }
    if (!bad.isEof()) {
        outcome->partNo = bad.value(0).toString();
        *error = DbError::runtime(bad.value(1).isNull() ? ErrorNumber::InvalidUseOfNull : ErrorNumber::Overflow);
        return false;
    }
    return true;
}

// The undo's rows: one a part, its change the sum taken back, its stock as
// it now stands.
bool recordGroupUndo(Database &db, const QString &groupId, const QString &undoGroup, DbError *error)
{
    const Identity who = identity();
    if (!db.execute(QStringLiteral(
                        "INSERT INTO \"StockLedger\" (\"ChangedAt\", \"Workstation\", \"LoginName\", "
                        "\"PartNo\", \"Change\", \"StockAfter\", \"Source\", \"GroupId\", \"KitNo\", "
                        "\"Kits\", \"UndoOf\") "
                        "SELECT ?, ?, ?, i.PartNo, 0 - g.total, i.CurrentInv, ?, ?, g.kit, g.kits, ? "
                        "FROM Inventory i JOIN (SELECT \"PartNo\" AS part, SUM(\"Change\") AS total, "
                        "MAX(\"KitNo\") AS kit, MAX(\"Kits\") AS kits FROM \"StockLedger\" "
                        "WHERE \"GroupId\" = ? GROUP BY \"PartNo\") g ON i.PartNo = g.part "
                        "ORDER BY i.PartNo"),
                    {QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs), who.workstation, who.login,
                     sourceText(Source::Undo), undoGroup, groupId, groupId})) {
        *error = db.error();
        return false;
    }
    return true;
}

} // namespace

UndoOutcome undo(Database &db, const QString &groupId)
{
    UndoOutcome outcome;
    DbError failure;
    const bool written = runWrite(db, [&](DbError *error) {
        outcome = UndoOutcome();
        const QString undoGroup = newGroupId();
        // The marker: of two workstations undoing at once, the second waits
        // for the first and then finds nothing left to mark.
        qint64 marked = 0;
        if (!db.execute(QStringLiteral("UPDATE \"StockLedger\" SET \"UndoneBy\" = ? "
                                       "WHERE \"GroupId\" = ? AND \"UndoneBy\" IS NULL"),
                        {undoGroup, groupId}, &marked)) {
            *error = db.error();
            return false;
        }
        if (marked == 0) {
            outcome.status = UndoOutcome::Status::AlreadyUndone;
            return false;
        }
        Recordset rs;
        if (!rs.open(db, QStringLiteral("SELECT \"EntryId\", \"PartNo\", \"Change\", \"Source\", \"KitNo\", "
                                        "\"Kits\", \"Line\", \"Saved\" FROM \"StockLedger\" "
                                        "WHERE \"GroupId\" = ? ORDER BY \"EntryId\" DESC"),
                     {groupId})) {
            *error = rs.error();
            return false;
        }
        QList<GroupRow> rows;
        for (qsizetype r = 0; r < rs.recordCount(); ++r) {
            GroupRow g;
            g.id = rs.valueAt(r, 0).toLongLong();
            g.partNo = rs.valueAt(r, 1).toString();
            g.change = rs.valueAt(r, 2).toLongLong();
            sourceFromText(rs.valueAt(r, 3).toString(), &g.source);
            g.kitNo = rs.valueAt(r, 4).toString();
            g.kits = rs.valueAt(r, 5);
            g.line = rs.valueAt(r, 6);
            g.saved = rs.valueAt(r, 7).toString();
            rows.append(g);
        }
        rs.close();
        qint64 lastId = 0;
        for (const GroupRow &g : rows)
            lastId = qMax(lastId, g.id);

        // Changes of stock only (a stock window's, a kit pull, an import):
        // taken back part by part in a few statements, however many rows.
        bool stockOnly = true;
        for (const GroupRow &g : rows)
            stockOnly = stockOnly && g.source != Source::DeletedPart && g.source != Source::NewPart;
        if (stockOnly && !reverseGroup(db, groupId, &outcome, error))
            return false;

        // A new or deleted part: row by row, newest first.
        QList<Entry> undone;
        undone.reserve(rows.size());
        for (const GroupRow &g : rows) {
            if (stockOnly)
                break;
            Entry e;
            e.partNo = g.partNo;
            e.source = Source::Undo;
            e.groupId = undoGroup;
            e.undoOf = groupId;
            e.kitNo = g.kitNo;
            e.kits = g.kits.isNull() ? 0 : int(g.kits.toLongLong());
            e.line = g.line.isNull() ? 0 : int(g.line.toLongLong());
            if (g.source == Source::DeletedPart) {
                qint64 stock = 0;
                const UndoOutcome::Status restored = restorePart(db, g, &stock, error);
                if (restored != UndoOutcome::Status::Done) {
                    outcome.status = restored;
                    outcome.partNo = g.partNo;
                    return false;
                }
                e.change = stock;
                e.stockAfter = stock;
            } else if (g.source == Source::NewPart) {
                // The part it added goes again, with its vendor rows.
                if (!db.execute(QStringLiteral("DELETE FROM Inventory WHERE PartNo = ?"), {g.partNo})
                    || !db.execute(QStringLiteral("DELETE FROM PreferredVendor WHERE Item = ?"), {g.partNo})) {
                    *error = db.error();
                    return false;
                }
                e.change = -g.change;
                e.stockAfter = 0;
            } else {
                qint64 before = 0, after = 0;
                if (!reverseStock(db, g.partNo, g.change, &before, &after, error)) {
                    outcome.partNo = g.partNo;
                    return false;
                }
                e.change = after - before;
                e.stockAfter = after;
            }
            undone.append(e);
        }

        // Checked with the parts' rows locked: a change another workstation
        // made meanwhile is committed, with its ledger row, by now. Later
        // changes that were undone, and undos, cancel out and do not count.
        Recordset later;
        if (!later.open(db, QStringLiteral(
                                "SELECT \"Source\", \"Change\", \"ChangedAt\", \"Workstation\", \"KitNo\", "
                                "\"PartNo\" FROM \"StockLedger\" WHERE \"EntryId\" > ? AND \"UndoneBy\" IS NULL "
                                "AND \"Source\" <> ? AND \"PartNo\" IN "
                                "(SELECT \"PartNo\" FROM \"StockLedger\" WHERE \"GroupId\" = ?) "
                                "ORDER BY \"EntryId\" LIMIT 1"),
                        {lastId, sourceText(Source::Undo), groupId})) {
            *error = later.error();
            return false;
        }
        if (!later.isEof()) {
            Source source = Source::Stock;
            sourceFromText(later.value(0).toString(), &source);
            QString what = sourceText(source).toLower();
            if (source == Source::KitPull)
                what += QStringLiteral(" of ") + later.value(4).toString();
            outcome.status = UndoOutcome::Status::LaterChange;
            outcome.partNo = later.value(5).toString();
            outcome.later = QStringLiteral("%1 (%2) made at %3 on %4")
                                .arg(what, signedNumber(later.value(1).toLongLong()),
                                     parseTime(later.value(2).toString())
                                         .toLocalTime()
                                         .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                     later.value(3).toString());
            return false;
        }
        later.close();
        for (const Entry &e : undone)
            if (!record(db, e, error))
                return false;
        if (stockOnly && !recordGroupUndo(db, groupId, undoGroup, error))
            return false;
        outcome.status = UndoOutcome::Status::Done;
        return true;
    }, &failure);
    if (!written) {
        if (outcome.status == UndoOutcome::Status::Done || outcome.status == UndoOutcome::Status::Failed) {
            outcome.status = UndoOutcome::Status::Failed;
            outcome.error = failure;
        } else {
            outcome.error = DbError();
        }
    }
    return outcome;
}

QString messageFor(const UndoOutcome &outcome)
{
    using S = UndoOutcome::Status;
    const QString unchanged = QStringLiteral("\r\nNothing was changed.");
    switch (outcome.status) {
    case S::Done:
        return QString();
    case S::AlreadyUndone:
        return QStringLiteral("That change has already been undone.") + unchanged;
    case S::LaterChange:
        return QStringLiteral("Part %1 was changed later: %2.").arg(outcome.partNo, outcome.later) + unchanged;
    case S::PartExists:
        return QStringLiteral("Part No. %1 is in the inventory again.").arg(outcome.partNo) + unchanged;
    case S::Failed:
        break;
    }
    if (!outcome.partNo.isEmpty())
        return QStringLiteral("Part %1 could not be restored:\r\n").arg(outcome.partNo)
               + errorMessageText(outcome.error) + unchanged;
    return errorMessageText(outcome.error) + unchanged;
}

bool readHistory(Database &db, const QString &partNo, SqlEngine::RowSink &sink, DbError *error)
{
    const bool onePart = !partNo.isEmpty();
    if (db.read(historyQuery(onePart), onePart ? QVariantList{partNo} : QVariantList{}, sink))
        return true;
    if (error)
        *error = db.error();
    return false;
}

} // namespace StockLedger
