#include "testenvironment.h"

#include "data/schema.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTest>

TestEnvironment::TestEnvironment(const QString &rows, Data data) : app(&ui)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    app.setProgramFolder(m_dir.path());
    app.setSettingsFile(QDir(m_dir.path()).filePath(QStringLiteral("settings.ini")));
    app.setClock([] { return QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)); });
    const QString script = (data == Data::Sample ? sampleData() : QString()) + QLatin1Char('\n') + rows;
    QString error;
    if (!Schema::createFile(app.databasePath(), script, &error)) {
        m_error = error;
        return;
    }
    if (!app.OpenInventoryDatabase())
        m_error = app.database().errorString();
}

TestEnvironment::~TestEnvironment()
{
    app.database().close();
}

QString TestEnvironment::sampleData()
{
    QFile f(QStringLiteral(PARTWISE_SOURCE_DIR "/db/sample.sql"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

namespace {

QVariant firstValue(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery q(db);
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec() || !q.next())
        return QVariant();
    return q.value(0);
}

} // namespace

QVariant TestEnvironment::scalar(const QString &sql, const QVariantList &values)
{
    const QString name = QStringLiteral("observer");
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(app.databasePath());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (db.open())
            value = firstValue(db, sql, values);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

QVariant TestEnvironment::ownScalar(const QString &sql, const QVariantList &values)
{
    return firstValue(app.database().handle(), sql, values);
}

bool TestEnvironment::exec(const QString &sql, const QVariantList &values)
{
    return app.database().execute(sql, values);
}

bool TestEnvironment::execElsewhere(const QString &sql, const QVariantList &values)
{
    Database other(QStringLiteral("elsewhere"));
    const bool ok = other.open(app.databasePath()) && other.execute(sql, values);
    if (!ok)
        qWarning("elsewhere: %s", qPrintable(other.errorString()));
    return ok;
}
