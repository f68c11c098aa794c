#include "data/sqlengine.h"

#include "data/dberror.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

std::unique_ptr<SqlEngine> SqlEngine::sqlite()
{
    return std::make_unique<SqliteEngine>();
}

QString SqliteEngine::connectOptions() const
{
    return QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs);
}

bool SqliteEngine::configure(QSqlDatabase &db, DbError *error) const
{
    // One PRAGMA per exec(): the driver runs only the first statement of a text.
    // WAL with full synchronous commits: a change the user was told about
    // survives a crash or power cut, and readers do not block the writer.
    const QStringList pragmas = {
        QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs),
        QStringLiteral("PRAGMA journal_mode = WAL"),
        QStringLiteral("PRAGMA synchronous = FULL"),
    };
    for (const QString &pragma : pragmas) {
        QSqlQuery q(db);
        const bool ok = q.exec(pragma);
        q.finish();
        if (!ok) {
            if (error)
                *error = DbError::engine(q.lastError().nativeErrorCode().toInt(),
                                         q.lastError().text());
            return false;
        }
    }
    QSqlQuery check(db);
    if (check.exec(QStringLiteral("PRAGMA journal_mode")) && check.next()
        && check.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        if (error)
            *error = DbError::engine(-1, QStringLiteral("The database could not be switched to "
                                                        "write-ahead logging (journal mode %1).")
                                             .arg(check.value(0).toString()));
        return false;
    }
    return true;
}

QString SqliteEngine::translate(const QString &sql) const
{
    // "Delete Inventory.PartNo From Inventory WHERE ..." and
    // "Delete Users.* From Users WHERE ..." remove whole rows; SQLite spells
    // that "DELETE FROM Inventory WHERE ...".
    static const QRegularExpression deleteForm(
        QStringLiteral(R"(^\s*delete\s+(?:[A-Za-z_][A-Za-z0-9_]*\.)?(?:\*|[A-Za-z_][A-Za-z0-9_]*|\[[^\]]*\])\s+from\s+)"),
        QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = deleteForm.match(sql);
    if (m.hasMatch())
        return QStringLiteral("DELETE FROM ") + sql.mid(m.capturedEnd());
    return sql;
}

QString SqliteEngine::rowKeyExpression(const QString &table) const
{
    return table + QStringLiteral(".rowid");
}
