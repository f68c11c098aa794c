#include "data/databasecopy.h"

#include "data/database.h"
#include "data/recordset.h"
#include "data/schema.h"
#include "data/writetransaction.h"

#include <QUuid>

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

} // namespace

bool DatabaseCopy::run(const QString &from, const QString &to)
{
    m_error.clear();
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

    // A file that is not there yet is made, and removed again if the copy fails.
    Database target(QStringLiteral("copy-to-") + id);
    const auto targetEngine = SqlEngine::forAddress(to);
    bool made = false;
    if (targetEngine->isMissing(to)) {
        QString why;
        if (!targetEngine->createEmpty(to, &why)) {
            m_error = QStringLiteral("%1 cannot be made: %2").arg(to, why);
            return false;
        }
        made = true;
    }
    auto failed = [&](const QString &text) {
        m_error = text;
        target.close();
        if (made)
            targetEngine->dropCreated(to);
        return false;
    };
    if (!target.open(to))
        return failed(QStringLiteral("%1 cannot be opened: %2").arg(target.describe(), target.errorString()));
    if (source.describe() == target.describe())
        return failed(QStringLiteral("The source and the target are the same database."));

    struct Counted
    {
        QString table;
        qint64 rows;
    };
    QList<Counted> counts;
    QString failedTable;
    DbError error;
    QString refusal;
    const bool written = runWrite(target, [&](DbError *failure) {
        counts.clear();
        Target t{target, replace, &refusal};
        if (!t.prepare())
            return false;
        for (const QString &table : Schema::requiredTables()) {
            Recordset rows;
            if (!rows.open(source, QStringLiteral("select * from %1 order by %2")
                                       .arg(table, source.engine().rowKeyExpression(table)),
                           {}, Recordset::Kind::ForwardOnly)) {
                refusal = QStringLiteral("%1 cannot be read: %2").arg(table, rows.errorString());
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
                    failedTable = table;
                    return false;
                }
                ++n;
                if (!rows.moveNext()) {
                    refusal = QStringLiteral("%1 cannot be read: %2").arg(table, rows.errorString());
                    return false;
                }
            }
            counts << Counted{table, n};
        }
        return true;
    }, &error);
    if (!written && !refusal.isEmpty())
        return failed(refusal);
    if (!written) {
        QString text = QStringLiteral("The copy failed%1: %2")
                           .arg(failedTable.isEmpty() ? QString() : QStringLiteral(" in table ") + failedTable,
                                error.description);
        // Part numbers that the target takes for one, named instead of the
        // bare constraint: the engines may differ in which letters they fold.
        const QString key = keyColumn(failedTable);
        if (!key.isEmpty()) {
            QStringList pairs;
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
            if (!pairs.isEmpty())
                text = QStringLiteral("The target takes these %1 values for one (it folds letter case "
                                      "differently): %2. Make them differ, then copy again.")
                           .arg(key, pairs.join(QStringLiteral("; ")));
        }
        return failed(text);
    }
    if (progress)
        for (const Counted &c : counts)
            progress(c.table, c.rows);
    return true;
}
