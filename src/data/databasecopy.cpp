#include "data/databasecopy.h"

#include "data/database.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "data/writetransaction.h"

#include "data/caserules.h"
#include "data/sqlengine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSet>
#include <QSqlQuery>
#include <QUuid>
#include <cmath>

namespace {

// The column of each table that holds one row per value, letter case aside.
QString keyColumn(const QString &table)
{
    if (table == QLatin1String("Inventory"))
        return QStringLiteral("PartNo");
    if (table == QLatin1String("Users"))
        return QStringLiteral("User");
    return QString();
}

// Tables the copy takes along when the source has them: the stock ledger.
// Their key counts anew in the target, in the source's order.
const QString LedgerTable = QStringLiteral("StockLedger");
const QString LedgerKey = QStringLiteral("EntryId");

// Makes the ledger in a target that has the other tables but not it, from
// the engine's own schema.
bool ensureLedger(Database &db)
{
    if (db.tables().contains(LedgerTable, Qt::CaseInsensitive))
        return true;
    QStringList statements;
    for (const QString &statement : splitSqlScript(db.engine().schemaScript()))
        if (statement.contains(QLatin1Char('"') + LedgerTable + QLatin1Char('"')))
            statements << statement;
    return db.runScript(statements.join(QStringLiteral(";\n")));
}

QString quotedText(const QString &text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

struct Target
{
    Database &db;
    bool replace;
    QString *error;

    // Inside the transaction: tables there and empty.
    bool prepare()
    {
        const QStringList present = db.tables();
        QStringList missing;
        for (const QString &table : Schema::requiredTables())
            if (!present.contains(table, Qt::CaseInsensitive))
                missing << table;
        if (missing.size() == Schema::requiredTables().size()) {
            if (!db.createTables())
                return fail(QStringLiteral("The tables cannot be made: ") + db.errorString());
            return true;
        }
        if (!missing.isEmpty())
            return fail(QStringLiteral("The target has some of the tables but not %1.")
                            .arg(missing.join(QStringLiteral(", "))));
        QStringList holding;
        for (const QString &table : Schema::requiredTables()) {
            Recordset rs;
            if (!rs.open(db, QStringLiteral("select count(*) as N from ") + table))
                return fail(rs.errorString());
            if (rs.value(QStringLiteral("N")).toLongLong() > 0)
                holding << table;
        }
        if (holding.isEmpty())
            return true;
        if (!replace)
            return fail(QStringLiteral("The target already holds rows (%1). Give --replace to "
                                       "replace them.").arg(holding.join(QStringLiteral(", "))));
        for (const QString &table : holding)
            if (!db.execute(QStringLiteral("DELETE FROM ") + table))
                return fail(db.errorString());
        if (present.contains(LedgerTable, Qt::CaseInsensitive)
            && !db.execute(QStringLiteral("DELETE FROM \"%1\"").arg(LedgerTable)))
            return fail(db.errorString());
        return true;
    }

    bool fail(const QString &text)
    {
        *error = text;
        return false;
    }
};

QString insertStatement(const QString &table, const QStringList &columns)
{
    QStringList names;
    QStringList marks;
    for (const QString &c : columns) {
        names << QLatin1Char('[') + c + QLatin1Char(']');
        marks << QStringLiteral("?");
    }
    return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
        .arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
}

// What a column of the program's tables holds, for values from another kind
// of database.
enum class Kind { Text, Whole, Real, Flag };

struct TargetColumn
{
    QString name;
    Kind kind;
    bool required;
};

QList<TargetColumn> targetColumns(const QString &table)
{
    if (table == QLatin1String("Inventory"))
        return {{QStringLiteral("PartNo"), Kind::Text, true},
                {QStringLiteral("Description"), Kind::Text, false},
                {QStringLiteral("CurrentInv"), Kind::Whole, false},
                {QStringLiteral("UnitCost"), Kind::Real, false},
                {QStringLiteral("ReorderPoint"), Kind::Whole, false},
                {QStringLiteral("MinReq"), Kind::Whole, false},
                {QStringLiteral("Bin"), Kind::Flag, false}};
    if (table == QLatin1String("BoardBOM"))
        return {{QStringLiteral("BoardPN"), Kind::Text, false},
                {QStringLiteral("Description"), Kind::Text, false},
                {QStringLiteral("PartNo"), Kind::Text, false},
                {QStringLiteral("QtyUsed"), Kind::Real, false}};
    if (table == QLatin1String("Users"))
        return {{QStringLiteral("User"), Kind::Text, true}, {QStringLiteral("Password"), Kind::Text, false}};
    return {{QStringLiteral("Item"), Kind::Text, false},
            {QStringLiteral("Vendor"), Kind::Text, false},
            {QStringLiteral("Description"), Kind::Text, false}};
}

QString shown(const QVariant &value)
{
    QString text = value.typeId() == QMetaType::Double
                       ? QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest)
                       : value.toString();
    if (text.size() > 40)
        text = text.left(40) + QStringLiteral("...");
    return quotedText(text);
}

// Two to the 53rd: every whole number up to it is exact as a double.
constexpr double ExactWhole = 9007199254740992.0;

// The value as the column takes it, or false with why it does not fit.
bool converted(const QVariant &value, const TargetColumn &column, QVariant *out, QString *why)
{
    if (value.isNull()) {
        *out = QVariant();
        if (column.required)
            *why = QStringLiteral("is empty, and every row needs one");
        return !column.required;
    }
    const int type = value.typeId();
    if (type == QMetaType::QByteArray) {
        *why = QStringLiteral("is binary data");
        return false;
    }
    switch (column.kind) {
    case Kind::Text:
        if (type == QMetaType::Double)
            *out = QString::number(value.toDouble(), 'f', QLocale::FloatingPointShortest);
        else
            *out = value.toString();
        if (column.required && out->toString().isEmpty()) {
            *why = QStringLiteral("is empty, and every row needs one");
            return false;
        }
        return true;
    case Kind::Whole:
    case Kind::Flag:
        if (type == QMetaType::LongLong || type == QMetaType::Int) {
            *out = value.toLongLong();
        } else if (type == QMetaType::Double) {
            const double d = value.toDouble();
            if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > ExactWhole) {
                *why = shown(value) + QStringLiteral(" is not a whole number");
                return false;
            }
            *out = static_cast<qlonglong>(d);
        } else {
            *why = shown(value) + QStringLiteral(" is not a number");
            return false;
        }
        if (column.kind == Kind::Flag && out->toLongLong() != 0 && out->toLongLong() != 1) {
            *why = shown(value) + QStringLiteral(" is not Yes or No");
            return false;
        }
        return true;
    case Kind::Real:
        if (type == QMetaType::LongLong || type == QMetaType::Int) {
            const qlonglong n = value.toLongLong();
            if (std::fabs(double(n)) > ExactWhole) {
                *why = shown(value) + QStringLiteral(" is too large to keep exactly");
                return false;
            }
            *out = double(n);
        } else if (type == QMetaType::Double) {
            *out = value.toDouble();
        } else {
            *why = shown(value) + QStringLiteral(" is not a number");
            return false;
        }
        return true;
    }
    return false;
}

QString programTable(const QString &name)
{
    for (const QString &table : Schema::requiredTables())
        if (table.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    return QString();
}

} // namespace

QString DatabaseCopy::partialName(const QString &to)
{
    return to + QStringLiteral(".partial");
}

void DatabaseCopy::tell(const QString &line)
{
    ++m_notices;
    if (notice)
        notice(line);
}

bool DatabaseCopy::write(const QString &to, const QString &sourceDescription,
                         const std::function<bool(Database &, DbError *, QString *, QString *)> &fill,
                         const std::function<QString(Database &, const QString &)> &explain)
{
    const QString id = QUuid::createUuid().toString(QUuid::Id128);
    // A file that is not there yet is made under a temporary name, removed
    // again if the copy fails, and renamed once the copy is whole.
    const auto targetEngine = SqlEngine::forAddress(to);
    const bool isFile = targetEngine->driverName() == QLatin1String("QSQLITE");
    QString address = to;
    bool made = false;
    if (targetEngine->isMissing(to)) {
        if (isFile) {
            address = partialName(to);
            targetEngine->dropCreated(address); // left by a copy cut short
        }
        QString why;
        if (!targetEngine->createEmpty(address, &why)) {
            m_error = QStringLiteral("%1 cannot be made: %2").arg(to, why);
            return false;
        }
        made = true;
    }
    Database target(QStringLiteral("copy-to-") + id);
    auto failed = [&](const QString &text) {
        m_error = text;
        target.close();
        if (made)
            targetEngine->dropCreated(address);
        return false;
    };
    if (!target.open(address))
        return failed(QStringLiteral("%1 cannot be opened: %2").arg(target.describe(), target.errorString()));
    if (sourceDescription == target.describe())
        return failed(QStringLiteral("The source and the target are the same database."));

    QString failedTable;
    DbError error;
    QString refusal;
    bool checked = false;
    const bool written = runWrite(target, [&](DbError *failure) {
        m_counts.clear();
        failedTable.clear();
        Target t{target, replace, &refusal};
        if (!t.prepare())
            return false;
        if (!fill(target, failure, &refusal, &failedTable))
            return false;
        checked = checkOnly;
        return !checkOnly;
    }, &error);
    if (checkOnly && checked) {
        target.close();
        if (made)
            targetEngine->dropCreated(address);
        if (progress)
            for (const auto &c : std::as_const(m_counts))
                progress(c.first, c.second);
        return true;
    }
    if (!written && !refusal.isEmpty())
        return failed(refusal);
    if (!written) {
        QString text = QStringLiteral("The copy failed%1: %2")
                           .arg(failedTable.isEmpty() ? QString() : QStringLiteral(" in table ") + failedTable,
                                error.description);
        const QString better = explain ? explain(target, failedTable) : QString();
        return failed(better.isEmpty() ? text : better);
    }
    if (isFile) {
        // The rows go from the write-ahead log into the file itself, and the
        // file is read back whole: a disk that fills up now is a failure,
        // not a file that is damaged without its log.
        QSqlQuery q(target.handle());
        if (!q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) || !q.next())
            return failed(QStringLiteral("The copy could not be written into %1 (is the disk full?): %2")
                              .arg(QDir::toNativeSeparators(to), q.lastError().text()));
        if (q.value(0).toInt() != 0) {
            if (made)
                return failed(QStringLiteral("The copy could not be written into %1: the file is busy.")
                                  .arg(QDir::toNativeSeparators(to)));
            tell(QStringLiteral("%1 is open in another program: the copy stays in its write-ahead log "
                                "(%1-wal) until that program closes it.").arg(QDir::toNativeSeparators(to)));
        }
        q.finish();
        if (!q.exec(QStringLiteral("PRAGMA integrity_check")) || !q.next()
            || q.value(0).toString() != QLatin1String("ok"))
            return failed(QStringLiteral("The copy in %1 does not read back whole: %2")
                              .arg(QDir::toNativeSeparators(to),
                                   q.isActive() ? q.value(0).toString() : q.lastError().text()));
        q.finish();
    }
    target.close();
    if (made && isFile) {
        for (const char *suffix : {"-wal", "-shm"})
            QFile::remove(address + QLatin1String(suffix));
        if (!QFile::rename(address, to)) {
            targetEngine->dropCreated(address);
            m_error = QStringLiteral("The copy could not be given the name %1 (is there a file of that "
                                     "name now?).").arg(QDir::toNativeSeparators(to));
            return false;
        }
    }
    if (progress)
        for (const auto &c : std::as_const(m_counts))
            progress(c.first, c.second);
    return true;
}

bool DatabaseCopy::run(const QString &from, const QString &to)
{
    m_error.clear();
    m_notices = 0;
    // One file under another spelling (./, a symbolic link) is still one database.
    const QString sourceFile = QFileInfo(from).canonicalFilePath();
    if (!sourceFile.isEmpty() && sourceFile == QFileInfo(to).canonicalFilePath()) {
        m_error = QStringLiteral("The source and the target are the same database.");
        return false;
    }
    const QString id = QUuid::createUuid().toString(QUuid::Id128);
    Database source(QStringLiteral("copy-from-") + id);
    if (!source.open(from)) {
        m_error = QStringLiteral("%1 cannot be opened: %2").arg(source.describe(), source.errorString());
        return false;
    }
    const QStringList sourceTables = source.tables();
    for (const QString &table : Schema::requiredTables()) {
        if (!sourceTables.contains(table, Qt::CaseInsensitive)) {
            m_error = QStringLiteral("%1 is not a Partwise database: it has no table %2.")
                          .arg(source.describe(), table);
            return false;
        }
    }
    auto fill = [&](Database &target, DbError *failure, QString *refusal, QString *failedTable) {
        for (const QString &table : Schema::requiredTables()) {
            Recordset rows;
            if (!rows.open(source, QStringLiteral("select * from %1 order by %2")
                                       .arg(table, source.engine().rowKeyExpression(table)),
                           {}, Recordset::Kind::ForwardOnly)) {
                *refusal = QStringLiteral("%1 cannot be read: %2").arg(table, rows.errorString());
                return false;
            }
            const QStringList columns = rows.fieldNames();
            const QString insert = insertStatement(table, columns);
            qint64 n = 0;
            while (!rows.isEof()) {
                QVariantList values;
                for (int i = 0; i < columns.size(); ++i)
                    values << rows.value(i);
                if (!target.execute(insert, values)) {
                    *failure = target.error();
                    *failedTable = table;
                    return false;
                }
                ++n;
                if (!rows.moveNext()) {
                    *refusal = QStringLiteral("%1 cannot be read: %2").arg(table, rows.errorString());
                    return false;
                }
            }
            m_counts << qMakePair(table, n);
        }
        if (!sourceTables.contains(LedgerTable, Qt::CaseInsensitive))
            return true;
        if (!ensureLedger(target)) {
            *failure = target.error();
            *failedTable = LedgerTable;
            return false;
        }
        Recordset ledger;
        if (!ledger.open(source, QStringLiteral("select * from \"%1\" order by \"%2\"").arg(LedgerTable, LedgerKey),
                         {}, Recordset::Kind::ForwardOnly)) {
            *refusal = QStringLiteral("%1 cannot be read: %2").arg(LedgerTable, ledger.errorString());
            return false;
        }
        QStringList columns = ledger.fieldNames();
        const qsizetype keyAt = columns.indexOf(LedgerKey);
        columns.removeAll(LedgerKey);
        QStringList names, marks;
        for (const QString &c : std::as_const(columns)) {
            names << QLatin1Char('"') + c + QLatin1Char('"');
            marks << QStringLiteral("?");
        }
        const QString insert = QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                                   .arg(LedgerTable, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        qint64 n = 0;
        while (!ledger.isEof()) {
            QVariantList values;
            for (int i = 0; i < columns.size() + (keyAt < 0 ? 0 : 1); ++i)
                if (i != keyAt)
                    values << ledger.value(i);
            if (!target.execute(insert, values)) {
                *failure = target.error();
                *failedTable = LedgerTable;
                return false;
            }
            ++n;
            if (!ledger.moveNext()) {
                *refusal = QStringLiteral("%1 cannot be read: %2").arg(LedgerTable, ledger.errorString());
                return false;
            }
        }
        m_counts << qMakePair(LedgerTable, n);
        return true;
    };
    // Part numbers that the target takes for one, named instead of the bare
    // constraint: the engines may differ in which letters they fold.
    auto explain = [&](Database &target, const QString &failedTable) {
        const QString key = keyColumn(failedTable);
        if (key.isEmpty())
            return QString();
        QStringList pairs;
        QString refusal;
        runWrite(target, [&](DbError *) {
            Target t{target, true, &refusal};
            if (!t.prepare())
                return false;
            Recordset rows;
            if (!rows.open(source, QStringLiteral("select %1 from %2 order by %3")
                                       .arg(key, failedTable, source.engine().rowKeyExpression(failedTable)),
                           {}, Recordset::Kind::ForwardOnly))
                return false;
            const QString lookUp = QStringLiteral("select %1 from %2 where %1 = ?").arg(key, failedTable);
            while (!rows.isEof()) {
                const QVariant value = rows.value(0);
                Recordset stored;
                if (!stored.open(target, lookUp, {value}))
                    return false;
                if (!stored.isEof())
                    pairs << quotedText(stored.value(0).toString()) + QStringLiteral(" and ")
                                 + quotedText(value.toString());
                else if (!target.execute(insertStatement(failedTable, {key}), {value}))
                    return false;
                if (!rows.moveNext())
                    return false;
            }
            return false; // looked at only, never kept
        });
        if (pairs.isEmpty())
            return QString();
        return QStringLiteral("The target takes these %1 values for one (it folds letter case "
                              "differently): %2. Make them differ, then copy again.")
            .arg(key, pairs.join(QStringLiteral("; ")));
    };
    return write(to, source.describe(), fill, explain);
}

bool DatabaseCopy::run(CopySource &source, const QString &to)
{
    m_error.clear();
    m_notices = 0;
    const QStringList sourceTables = source.tables();
    auto sourceTable = [&](const QString &name) {
        for (const QString &t : sourceTables)
            if (t.compare(name, Qt::CaseInsensitive) == 0)
                return t;
        return QString();
    };
    // Which source table each table of the program takes.
    QList<QPair<QString, QString>> plan; // program table, source table
    for (const QString &table : Schema::requiredTables()) {
        QString from;
        for (auto it = tableMap.cbegin(); it != tableMap.cend(); ++it)
            if (it.value().compare(table, Qt::CaseInsensitive) == 0)
                from = it.key();
        if (from.isEmpty() && !tableMap.contains(table))
            from = table;
        const QString found = from.isEmpty() ? QString() : sourceTable(from);
        if (!from.isEmpty() && found.isEmpty() && from != table) {
            m_error = QStringLiteral("%1 has no table %2. Its tables: %3.")
                          .arg(source.describe(), from, sourceTables.join(QStringLiteral(", ")));
            return false;
        }
        if (!found.isEmpty())
            plan << qMakePair(table, found);
    }
    for (auto it = tableMap.cbegin(); it != tableMap.cend(); ++it) {
        if (programTable(it.value()).isEmpty()) {
            m_error = QStringLiteral("%1 is not a table of Partwise; its tables are %2.")
                          .arg(it.value(), Schema::requiredTables().join(QStringLiteral(", ")));
            return false;
        }
    }
    if (plan.isEmpty()) {
        m_error = QStringLiteral("%1 has none of the tables of Partwise (%2). Its tables: %3.\n"
                                 "To copy one of them into the parts table, name it and its columns, "
                                 "for example: --table Products=Inventory --column ProductName=PartNo")
                      .arg(source.describe(), Schema::requiredTables().join(QStringLiteral(", ")),
                           sourceTables.join(QStringLiteral(", ")));
        return false;
    }

    QString readFailure;
    auto fill = [&](Database &target, DbError *failure, QString *refusal, QString *failedTable) {
        int unfit = 0;
        const bool folds = target.engine().driverName() == QLatin1String("QSQLITE");
        for (const auto &step : std::as_const(plan)) {
            const QString &table = step.first, &from = step.second;
            const QList<TargetColumn> wanted = targetColumns(table);
            QStringList columns;
            QString why;
            if (!source.openTable(from, &columns, &why)) {
                *refusal = QStringLiteral("%1 cannot be read: %2").arg(from, why);
                return false;
            }
            // Source column index -> program column.
            QList<QPair<int, TargetColumn>> used;
            for (int i = 0; i < columns.size(); ++i) {
                QString dest = columns.at(i);
                bool mapped = false;
                for (auto it = columnMap.cbegin(); it != columnMap.cend(); ++it)
                    if (it.key().compare(dest, Qt::CaseInsensitive) == 0) {
                        dest = it.value();
                        mapped = true;
                    }
                if (mapped && dest.isEmpty())
                    continue;
                bool known = false;
                for (const TargetColumn &c : wanted)
                    if (c.name.compare(dest, Qt::CaseInsensitive) == 0) {
                        bool twice = false;
                        for (const auto &u : std::as_const(used))
                            twice = twice || u.second.name == c.name;
                        if (twice) {
                            tell(QStringLiteral("%1, column %2: left out, %3.%4 is already filled from "
                                                "another column.").arg(from, columns.at(i), table, c.name));
                        } else {
                            used << qMakePair(i, c);
                        }
                        known = true;
                    }
                if (!known)
                    tell(QStringLiteral("%1, column %2: left out, %3 has no column %4.")
                             .arg(from, columns.at(i), table, dest));
            }
            for (const TargetColumn &c : wanted) {
                bool have = false;
                for (const auto &u : std::as_const(used))
                    have = have || u.second.name == c.name;
                if (c.required && !have) {
                    *refusal = QStringLiteral("%1 has no column for %2.%3; name one with --column SOURCE=%3.")
                                   .arg(from, table, c.name);
                    return false;
                }
            }
            QStringList names;
            for (const auto &u : std::as_const(used))
                names << u.second.name;
            const QString insert = insertStatement(table, names);
            const QString key = keyColumn(table);
            QHash<QString, qint64> keys;
            qint64 row = 0, n = 0;
            QVariantList values, out;
            while (source.nextRow(&values, &readFailure)) {
                ++row;
                out.clear();
                bool fits = true;
                for (const auto &u : std::as_const(used)) {
                    QVariant v;
                    QString reason;
                    if (!converted(values.value(u.first), u.second, &v, &reason)) {
                        tell(QStringLiteral("%1 row %2, column %3: %4 (for %5.%6).")
                                 .arg(from, QString::number(row), columns.at(u.first), reason, table,
                                      u.second.name));
                        fits = false;
                        ++unfit;
                    }
                    if (fits && u.second.name == key) {
                        const QString k = folds ? CaseRules::folded(v.toString()) : v.toString().toCaseFolded();
                        const qint64 earlier = keys.value(k, 0);
                        if (earlier) {
                            tell(QStringLiteral("%1 row %2, column %3: %4 is already in row %5 (letter case "
                                                "aside).").arg(from, QString::number(row), columns.at(u.first),
                                                               shown(v), QString::number(earlier)));
                            fits = false;
                            ++unfit;
                        } else {
                            keys.insert(k, row);
                        }
                    }
                    out << v;
                }
                if (!fits || unfit)
                    continue;
                if (!target.execute(insert, out)) {
                    *failure = target.error();
                    *failedTable = table;
                    return false;
                }
                ++n;
            }
            if (!readFailure.isEmpty()) {
                *refusal = QStringLiteral("%1 cannot be read after row %2: %3").arg(from, QString::number(row),
                                                                                   readFailure);
                return false;
            }
            m_counts << qMakePair(table + QStringLiteral(" (from ") + from + QLatin1Char(')'), row);
        }
        if (unfit) {
            *refusal = QStringLiteral("%1 value(s) do not fit; nothing was copied.").arg(unfit);
            return false;
        }
        return true;
    };
    return write(to, source.describe(), fill, nullptr);
}
