#include "testenvironment.h"

#include "app/programfiles.h"
#include "data/schema.h"
#include "pgserver.h"

#include <QtSql>

TestEnvironment::Engine TestEnvironment::defaultEngine()
{
    return qgetenv("PARTWISE_TEST_ENGINE") == "postgresql" ? Engine::Server : Engine::File;
}

QString TestEnvironment::unavailable(Engine engine)
{
    return engine == Engine::Server && PgServer::binFolder().isEmpty()
        ? QStringLiteral("the PostgreSQL server programs are not installed") : QString();
}

TestEnvironment::TestEnvironment(const QString &rows, Data data, Engine engine)
    : app(&ui), m_engine(engine)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    app.setProgramFolder(m_dir.path());
    app.setDatabasePath(QDir(m_dir.path()).filePath(ProgramFiles::databaseFileName()));
    app.setSettingsFile(QDir(m_dir.path()).filePath(QStringLiteral("settings.ini")));
    app.setClock([] { return QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)); });
    const QString script = (data == Data::Sample ? sampleData() : QString()) + QLatin1Char('\n') + rows;
    PgServer *server = engine == Engine::Server ? &PgServer::shared() : nullptr;
    const QString address = server && server->isRunning() ? server->createDatabase(true, PgServer::Letters::AsciiOnly, &m_error) : QString();
    if (server && !server->isRunning())
        m_error = server->error();
    else if (server && !address.isEmpty())
        app.setDatabaseAddress(address);
    if (server ? address.isEmpty() : !Schema::createFile(app.databasePath(), script, &m_error))
        return;
    if (!app.OpenInventoryDatabase() || (server && !app.database().runScript(script)))
        m_error = app.database().errorString();
}

TestEnvironment::~TestEnvironment()
{
    app.database().close();
}

QString TestEnvironment::sampleData()
{
    QFile f(QStringLiteral(PARTWISE_SOURCE_DIR "/db/sample.sql"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The first row's values, or an empty list.
static QVariantList firstRow(const Database &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery q(db.handle());
    q.prepare(db.engine().translate(sql));
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, db.engine().bindable(values.at(i)));
    QVariantList out;
    if (q.exec() && q.next())
        for (int i = 0; i < q.record().count(); ++i)
            out << q.value(i);
    return out;
}

// Through a connection of its own: only what was committed is seen.
QVariant TestEnvironment::scalar(const QString &sql, const QVariantList &values)
{
    Database observer(QStringLiteral("observer"));
    return observer.open(app.databaseAddress()) ? firstRow(observer, sql, values).value(0) : QVariant();
}

QVariant TestEnvironment::ownScalar(const QString &sql, const QVariantList &values)
{
    return firstRow(app.database(), sql, values).value(0);
}

bool TestEnvironment::exec(const QString &sql, const QVariantList &values)
{
    return app.database().execute(sql, values);
}

bool TestEnvironment::execElsewhere(const QString &sql, const QVariantList &values)
{
    Database other(QStringLiteral("elsewhere"));
    return (other.open(app.databaseAddress()) && other.execute(sql, values))
        || (qWarning("elsewhere: %s", qPrintable(other.errorString())), false);
}

QVariantList TestEnvironment::row(const QString &sql, const QVariantList &values)
{
    return firstRow(app.database(), sql, values);
}

// A trigger that refuses every new row of the table.
bool TestEnvironment::refuseInserts(const QString &table)
{
    QSqlQuery q(app.database().handle());
    return m_engine == Engine::File
        ? q.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, 'row refused'); END").arg(table))
        : q.exec(QStringLiteral("CREATE OR REPLACE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION 'row refused'; END$$"))
              && q.exec(QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON \"%1\" FOR EACH ROW EXECUTE FUNCTION refuse()").arg(table));
}

bool TestEnvironment::refuseCommitAfterUpdate(const QString &table)
{
    QSqlQuery q(app.database().handle());
    if (m_engine == Engine::File)
        return q.exec(QStringLiteral("PRAGMA foreign_keys = ON")) && q.exec(QStringLiteral("CREATE TABLE Guard (Id INTEGER PRIMARY KEY)"))
            && q.exec(QStringLiteral("CREATE TABLE Guarded (Ref INTEGER REFERENCES Guard (Id) DEFERRABLE INITIALLY DEFERRED)"))
            && q.exec(QStringLiteral("CREATE TRIGGER late AFTER UPDATE ON %1 BEGIN INSERT INTO Guarded VALUES (1); END").arg(table));
    return q.exec(QStringLiteral("CREATE FUNCTION late() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION 'refused at commit'; END$$"))
        && q.exec(QStringLiteral("CREATE CONSTRAINT TRIGGER late AFTER UPDATE ON \"%1\" DEFERRABLE INITIALLY DEFERRED "
                                 "FOR EACH ROW EXECUTE FUNCTION late()").arg(table));
}

bool TestEnvironment::allowInserts(const QString &table)
{
    return QSqlQuery(app.database().handle()).exec(m_engine == Engine::File ? QStringLiteral("DROP TRIGGER refuse")
                                                                           : QStringLiteral("DROP TRIGGER refuse ON \"%1\"").arg(table));
}

QString TestEnvironment::refusedMessage() const
{
    return m_engine == Engine::File ? QStringLiteral("Error No 1811\r\nrow refused has occured.")
                                    : QStringLiteral("Error No -1\r\nrow refused (SQLSTATE P0001) has occured.");
}
