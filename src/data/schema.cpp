#include "data/schema.h"

#include "data/database.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

// The library is static: its resources must be registered by hand.
static void initPartwiseResources()
{
    Q_INIT_RESOURCE(partwise);
}

namespace Schema {

QString script()
{
    static const bool registered = (initPartwiseResources(), true);
    Q_UNUSED(registered);
    QFile f(QStringLiteral(":/schema.sql"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

QStringList requiredTables()
{
    return {QStringLiteral("Inventory"), QStringLiteral("BoardBOM"), QStringLiteral("Users"),
            QStringLiteral("PreferredVendor")};
}

bool createFile(const QString &path, const QString &dataScript, QString *error)
{
    if (QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("%1 exists already").arg(path);
        return false;
    }
    const QString name = QStringLiteral("schema-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            if (error)
                *error = db.lastError().text();
            ok = false;
        } else {
            QSqlQuery q(db);
            q.exec(QStringLiteral("BEGIN"));
            const QStringList statements = splitSqlScript(script()) + splitSqlScript(dataScript);
            for (const QString &statement : statements) {
                if (!q.exec(statement)) {
                    if (error)
                        *error = q.lastError().text() + QStringLiteral(" in: ") + statement.left(300);
                    ok = false;
                    break;
                }
            }
            q.exec(ok ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!ok)
        QFile::remove(path);
    return ok;
}

} // namespace Schema
