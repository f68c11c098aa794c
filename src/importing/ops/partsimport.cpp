#include "importing/ops/partsimport.h"
#include "history/ops/stockledger.h"

#include "data/caserules.h"
#include "data/database.h"
#include "data/recordset.h"
#include "data/writetransaction.h"

#include <QFile>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QStringDecoder>
#include <cmath>

namespace {

// The separator the first lines use most, quoted text aside.
QChar guessSeparator(QStringView text)
{
    int counts[3] = {0, 0, 0};
    const QChar seps[3] = {u'\t', u';', u','};
    bool quoted = false;
    int lines = 0;
    for (QChar c : text) {
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && c == u'\n' && ++lines == 20)
            break;
        else if (!quoted)
            for (int i = 0; i < 3; ++i)
                counts[i] += c == seps[i];
    }
    int best = 2;
    for (int i = 0; i < 3; ++i)
        if (counts[i] > counts[best])
            best = i;
    return seps[best];
}

QString decoded(const QByteArray &bytes, QString *encoding)
{
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        *encoding = QStringLiteral("UTF-8");
        return QString::fromUtf8(bytes.mid(3));
    }
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE
                                                              : QStringConverter::Utf16BE);
        *encoding = QStringLiteral("UTF-16");
        return decoder(bytes.mid(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(bytes);
    if (!utf8.hasError()) {
        *encoding = QStringLiteral("UTF-8");
        return text;
    }
    // Not UTF-8: the user's code page, or the one Windows uses in the West.
    QStringDecoder system(QStringConverter::System);
    const QString local = system(bytes);
    if (!system.hasError()) { // a locale whose code page is not UTF-8
        *encoding = QStringLiteral("the user's code page");
        return local;
    }
    QStringDecoder windows("windows-1252");
    if (windows.isValid()) {
        *encoding = QStringLiteral("windows-1252");
        return windows(bytes);
    }
    *encoding = QStringLiteral("ISO-8859-1");
    return QString::fromLatin1(bytes);
}

// A number as a spreadsheet writes it: with a point or, where there is no
// point, a decimal comma; blanks around it are allowed.
bool readNumber(const QString &cell, double *value)
{
    const QString t = cell.trimmed();
    bool ok = false;
    *value = QLocale::c().toDouble(t, &ok);
    if (!ok)
        *value = QLocale().toDouble(t, &ok);
    if (!ok && t.count(u',') == 1 && !t.contains(u'.'))
        *value = QLocale::c().toDouble(QString(t).replace(u',', u'.'), &ok);
    return ok && std::isfinite(*value);
}

struct Row
{
    int line;
    QString partNo;
    QString key; // as the database compares it
    QString description;
    QString vendor;
    bool hasDescription = false, hasVendor = false;
    // Columns of Inventory to write, with their values.
    QStringList columns;
    QVariantList values;
};

// New rows gathered into statements of many rows each: far fewer round trips
// and statements to prepare than one INSERT a row.
class BatchInsert
{
public:
    BatchInsert(Database &db, const QString &table) : m_db(db), m_table(table) {}
    bool add(const QStringList &columns, const QVariantList &values)
    {
        if (columns != m_columns) {
            if (!flush())
                return false;
            m_columns = columns;
        }
        m_values += values;
        return ++m_rows < RowsPerStatement || flush();
    }
    bool flush()
    {
        if (m_rows == 0)
            return true;
        const QString one = QLatin1Char('(') + QStringList(m_columns.size(), QStringLiteral("?")).join(QLatin1Char(','))
                            + QLatin1Char(')');
        const bool ok = m_db.execute(QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
                                         .arg(m_table, m_columns.join(QLatin1Char(',')),
                                              QStringList(m_rows, one).join(QLatin1Char(','))),
                                     m_values);
        m_values.clear();
        m_rows = 0;
        return ok;
    }

private:
    static constexpr int RowsPerStatement = 48;
    Database &m_db;
    QString m_table;
    QStringList m_columns;
    QVariantList m_values;
    int m_rows = 0;
};

const QStringList NumberColumns{QStringLiteral("CurrentInv"), QStringLiteral("UnitCost"),
                                QStringLiteral("ReorderPoint"), QStringLiteral("MinReq")};

} // namespace

Sheet Sheet::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Sheet sheet;
        sheet.error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return sheet;
    }
    return parse(file.readAll());
}

Sheet Sheet::parse(const QByteArray &bytes)
{
    Sheet sheet;
    const QString text = decoded(bytes, &sheet.encoding);
    sheet.separator = guessSeparator(text);
    Record record;
    QString cell;
    bool quoted = false, wasQuoted = false;
    int line = 1;
    record.line = 1;
    auto endCell = [&] {
        record.cells << cell;
        cell.clear();
        wasQuoted = false;
    };
    auto endRecord = [&](int nextLine) {
        endCell();
        bool blank = true;
        for (const QString &c : std::as_const(record.cells))
            blank = blank && c.isEmpty();
        if (!blank)
            sheet.records << record;
        record = Record();
        record.line = nextLine;
    };
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < n && text.at(i + 1) == u'"') {
                    cell += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == u'\n')
                    ++line;
                if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                    continue; // a line break in a cell is kept as LF
                cell += c;
            }
        } else if (c == u'"' && cell.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == sheet.separator) {
            endCell();
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < n && text.at(i + 1) == u'\n')
                ++i;
            ++line;
            endRecord(line);
        } else {
            cell += c;
        }
    }
    if (!cell.isEmpty() || !record.cells.isEmpty() || wasQuoted)
        endRecord(line);
    return sheet;
}

namespace PartsImport {

QList<PartField> fields()
{
    return {PartField::PartNo, PartField::Description, PartField::Stock, PartField::UnitCost,
            PartField::ReorderPoint, PartField::MinReq, PartField::Vendor};
}

QString fieldName(PartField field)
{
    switch (field) {
    case PartField::None: return QStringLiteral("(not imported)");
    case PartField::PartNo: return QStringLiteral("Part number");
    case PartField::Description: return QStringLiteral("Description");
    case PartField::Stock: return QStringLiteral("Stock");
    case PartField::UnitCost: return QStringLiteral("Unit cost");
    case PartField::ReorderPoint: return QStringLiteral("Reorder point");
    case PartField::MinReq: return QStringLiteral("Minimum");
    case PartField::Vendor: return QStringLiteral("Vendor");
    }
    return QString();
}

QList<PartField> guessFields(const Sheet &sheet, bool *headings)
{
    *headings = false;
    QList<PartField> out;
    if (sheet.records.isEmpty())
        return out;
    static const QList<QPair<PartField, QRegularExpression>> names = {
        {PartField::PartNo, QRegularExpression(QStringLiteral("^(part ?(no|num|number|#)?|p/?n|item|sku|partno)$"))},
        {PartField::Description, QRegularExpression(QStringLiteral("^(desc|description|name|product ?name)$"))},
        {PartField::Stock, QRegularExpression(QStringLiteral("^(stock|qty|quantity|on ?hand|current ?inv|in ?stock|units ?in ?stock|quantity on hand)$"))},
        {PartField::UnitCost, QRegularExpression(QStringLiteral("^(unit ?cost|cost|price|unit ?price)$"))},
        {PartField::ReorderPoint, QRegularExpression(QStringLiteral("^(reorder ?point|reorder ?level|reorder)$"))},
        {PartField::MinReq, QRegularExpression(QStringLiteral("^(min|minimum|min ?req|min\\. ?required|minimum ?required)$"))},
        {PartField::Vendor, QRegularExpression(QStringLiteral("^(vendor|preferred ?vendor|supplier)$"))},
    };
    const QStringList &first = sheet.records.first().cells;
    for (const QString &cell : first) {
        const QString name = cell.trimmed().toLower().remove(u'_').remove(u':');
        PartField found = PartField::None;
        for (const auto &n : names)
            if (n.second.match(name).hasMatch() && !out.contains(n.first))
                found = n.first;
        *headings = *headings || found != PartField::None;
        out << found;
    }
    if (*headings)
        return out;
    out.clear();
    const QList<PartField> order = fields();
    for (int i = 0; i < first.size(); ++i)
        out << (i < order.size() ? order.at(i) : PartField::None);
    return out;
}

QString Outcome::summary() const
{
    if (status == Status::Refused)
        return error.description;
    if (status == Status::Failed)
        return QStringLiteral("Nothing was imported: %1").arg(error.description);
    QString text = QStringLiteral("%1 part(s) added, %2 updated, %3 refused.")
                       .arg(added).arg(updated).arg(refused.size());
    for (const Refusal &r : refused)
        text += QStringLiteral("\nLine %1: %2").arg(r.line).arg(r.reason);
    return text;
}

Outcome run(Database &db, const Sheet &sheet, const QList<PartField> &columns, bool headings, bool update)
{
    Outcome outcome;
    const int partColumn = columns.indexOf(PartField::PartNo);
    if (!sheet.error.isEmpty() || partColumn < 0) {
        outcome.status = Outcome::Status::Refused;
        outcome.error = DbError::engine(-1, sheet.error.isEmpty()
                                                ? QStringLiteral("No column is marked as the part number.")
                                                : sheet.error);
        return outcome;
    }

    // Every row checked first, so that a refusal never depends on the database.
    QList<Row> rows;
    QHash<QString, int> lines; // folded part number -> its first line
    const bool fileFolds = db.engine().driverName() == QLatin1String("QSQLITE");
    auto fold = [fileFolds](const QString &s) { return fileFolds ? CaseRules::folded(s) : s.toCaseFolded(); };
    for (int r = headings ? 1 : 0; r < sheet.records.size(); ++r) {
        const Sheet::Record &record = sheet.records.at(r);
        Row row;
        row.line = record.line;
        row.partNo = record.cells.value(partColumn);
        QString why;
        if (row.partNo.trimmed().isEmpty())
            why = QStringLiteral("no part number");
        for (int c = 0; c < columns.size() && why.isEmpty(); ++c) {
            const QString cell = record.cells.value(c);
            const PartField field = columns.at(c);
            if (field == PartField::Description && !cell.isEmpty()) {
                row.description = cell;
                row.hasDescription = true;
            } else if (field == PartField::Vendor && !cell.isEmpty()) {
                row.vendor = cell;
                row.hasVendor = true;
            } else if (field >= PartField::Stock && field <= PartField::MinReq && !cell.trimmed().isEmpty()) {
                double v = 0;
                const bool whole = field != PartField::UnitCost;
                if (!readNumber(cell, &v))
                    why = QStringLiteral("%1 \"%2\" is not a number").arg(fieldName(field), cell);
                else if (whole && (v != std::floor(v) || std::fabs(v) > 2147483647.0))
                    why = QStringLiteral("%1 \"%2\" is not a whole number").arg(fieldName(field), cell);
                row.columns << NumberColumns.at(int(field) - int(PartField::Stock));
                row.values << (whole ? QVariant(qlonglong(v)) : QVariant(v));
            }
        }
        const QString key = fold(row.partNo);
        if (why.isEmpty() && lines.contains(key))
            why = QStringLiteral("part number \"%1\" is also on line %2").arg(row.partNo).arg(lines.value(key));
        if (!why.isEmpty()) {
            outcome.refused << Refusal{row.line, why};
            continue;
        }
        lines.insert(key, row.line);
        row.key = key;
        rows << row;
    }

    QList<Refusal> refused;
    int added = 0, updated = 0;
    const bool written = runWrite(db, [&](DbError *failure) {
        refused.clear();
        added = updated = 0;
        // Part numbers already there, as the database compares them.
        QHash<QString, QString> existing;
        {
            Recordset rs;
            if (!rs.open(db, QStringLiteral("select PartNo from Inventory"), {}, Recordset::Kind::ForwardOnly)) {
                *failure = rs.error();
                return false;
            }
            for (; !rs.isEof(); rs.moveNext()) {
                const QString p = rs.value(0).toString();
                existing.insert(fold(p), p);
            }
        }
        auto fail = [&] {
            *failure = db.error();
            return false;
        };
        static const QStringList VendorColumns{QStringLiteral("Item"), QStringLiteral("Vendor"),
                                               QStringLiteral("Description")};
        BatchInsert parts(db, QStringLiteral("Inventory")), vendors(db, QStringLiteral("PreferredVendor"));
        for (const Row &row : std::as_const(rows)) {
            const auto found = existing.constFind(row.key);
            if (found == existing.cend()) {
                if (!row.hasDescription) {
                    refused << Refusal{row.line, QStringLiteral("new part \"%1\" has no description").arg(row.partNo)};
                    continue;
                }
                QStringList names{QStringLiteral("PartNo"), QStringLiteral("Description")};
                QVariantList values{row.partNo, row.description};
                names += row.columns;
                values += row.values;
                if (!row.columns.contains(QStringLiteral("CurrentInv"))) {
                    names << QStringLiteral("CurrentInv");
                    values << qlonglong(0);
                }
                if (!parts.add(names, values))
                    return fail();
                // The opening stock goes in the stock ledger, as a part added by hand.
                const qint64 opening = values.at(names.indexOf(QStringLiteral("CurrentInv"))).toLongLong();
                if (!StockLedger::record(db, StockLedger::opened(row.partNo, opening), failure))
                    return false;
                if (row.hasVendor && !vendors.add(VendorColumns, {row.partNo, row.vendor, row.description}))
                    return fail();
                ++added;
                continue;
            }
            if (!update) {
                refused << Refusal{row.line, QStringLiteral("part \"%1\" is already in inventory").arg(*found)};
                continue;
            }
            QStringList sets;
            QVariantList values;
            if (row.hasDescription) {
                sets << QStringLiteral("Description = ?");
                values << row.description;
            }
            for (int i = 0; i < row.columns.size(); ++i) {
                sets << row.columns.at(i) + QStringLiteral(" = ?");
                values << row.values.at(i);
            }
            const qsizetype stockAt = row.columns.indexOf(QStringLiteral("CurrentInv"));
            QVariant before;
            if (stockAt >= 0) {
                before = db.scalar(QStringLiteral("SELECT CurrentInv FROM Inventory WHERE PartNo = ?"), {*found});
                if (db.error())
                    return fail();
            }
            if (!sets.isEmpty()) {
                values << *found;
                if (!db.execute(QStringLiteral("UPDATE Inventory SET %1 WHERE PartNo = ?")
                                    .arg(sets.join(QStringLiteral(", "))), values))
                    return fail();
            }
            if (stockAt >= 0) {
                const qint64 was = before.toLongLong(), now = row.values.at(stockAt).toLongLong();
                if (was != now
                    && !StockLedger::record(db, StockLedger::adjusted(*found, was, now,
                                                                      QStringLiteral("Import Parts, line %1").arg(row.line)),
                                            failure))
                    return false;
            }
            if (row.hasVendor) {
                qint64 changed = 0;
                if (!db.execute(QStringLiteral("UPDATE PreferredVendor SET Vendor = ? WHERE Item = ?"),
                                {row.vendor, *found}, &changed))
                    return fail();
                if (changed == 0) {
                    Recordset rs;
                    if (!rs.open(db, QStringLiteral("select Description from Inventory where PartNo = ?"), {*found})) {
                        *failure = rs.error();
                        return false;
                    }
                    if (!db.execute(QStringLiteral("INSERT INTO PreferredVendor (Item, Vendor, Description) "
                                                   "VALUES (?, ?, ?)"),
                                    {*found, row.vendor, rs.value(0)}))
                        return fail();
                }
            }
            ++updated;
        }
        if (!parts.flush() || !vendors.flush())
            return fail();
        return true;
    }, &outcome.error);
    if (!written) {
        outcome.status = Outcome::Status::Failed;
        return outcome;
    }
    outcome.added = added;
    outcome.updated = updated;
    outcome.refused += refused;
    std::sort(outcome.refused.begin(), outcome.refused.end(),
              [](const Refusal &a, const Refusal &b) { return a.line < b.line; });
    return outcome;
}

} // namespace PartsImport
