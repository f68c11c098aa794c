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

QVariant TestEnvironment::scalar(const QString &sql, const QVariantList &values)
{
    QSqlQuery q(app.database().handle());
    q.prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (!q.exec() || !q.next())
        return QVariant();
    return q.value(0);
}

bool TestEnvironment::exec(const QString &sql, const QVariantList &values)
{
    return app.database().execute(sql, values);
}
