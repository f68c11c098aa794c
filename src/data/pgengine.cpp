#include "data/pgengine.h"

#include "data/dberror.h"
#include "data/dialect.h"
#include "data/schema.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

#include <libpq-fe.h>

namespace {

QString decoded(const QString &text)
{
    return QUrl::fromPercentEncoding(text.toUtf8());
}

// The program's tables and columns, by their lower-case spelling: every
// name the server schema quotes. The server keeps them in mixed case, so they
// are quoted; "User" must be quoted anyway.
const QHash<QString, QString> &schemaNames()
{
    static const QHash<QString, QString> names = [] {
        Schema::script(); // registers the schemas' resources
        return Dialect::namesOf(PgEngine().schemaScript());
    }();
    return names;
}

} // namespace

bool PgEngine::isAddress(const QString &address)
{
    return address.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
           || address.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

bool PgEngine::parse(const QString &address, Address *out, QString *why)
{
    static const QRegularExpression form(
        QStringLiteral(R"(^postgres(?:ql)?://([^/?#]*)(?:/([^?#]*))?(?:\?([^#]*))?$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = form.match(address.trimmed());
    auto refuse = [&](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (!m.hasMatch())
        return refuse(QStringLiteral("It is not a PostgreSQL address of the form "
                                     "postgresql://user@host:port/database."));
    Address a;
    QString hostPort = m.captured(1);
    const qsizetype at = hostPort.lastIndexOf(QLatin1Char('@'));
    if (at >= 0) {
        const QString userInfo = hostPort.left(at);
        hostPort = hostPort.mid(at + 1);
        const qsizetype colon = userInfo.indexOf(QLatin1Char(':'));
        a.user = decoded(colon >= 0 ? userInfo.left(colon) : userInfo);
        if (colon >= 0)
            a.password = decoded(userInfo.mid(colon + 1));
    }
    QString portText;
    if (hostPort.startsWith(QLatin1Char('['))) {
        const qsizetype close = hostPort.indexOf(QLatin1Char(']'));
        if (close < 0)
            return refuse(QStringLiteral("The host's address lacks its closing \"]\"."));
        a.host = hostPort.mid(1, close - 1);
        const QString rest = hostPort.mid(close + 1);
        if (rest.startsWith(QLatin1Char(':')))
            portText = rest.mid(1);
        else if (!rest.isEmpty())
            return refuse(QStringLiteral("Unexpected text after the host's address."));
    } else {
        const qsizetype colon = hostPort.lastIndexOf(QLatin1Char(':'));
        a.host = decoded(colon >= 0 ? hostPort.left(colon) : hostPort);
        if (colon >= 0)
            portText = hostPort.mid(colon + 1);
    }
    auto setPort = [&](const QString &text) {
        bool ok = false;
        const int port = text.toInt(&ok);
        if (!ok || port < 1 || port > 65535)
            return refuse(QStringLiteral("The port \"%1\" is not a number from 1 to 65535.").arg(text));
        a.port = port;
        return true;
    };
    if (!portText.isEmpty() && !setPort(portText))
        return false;
    a.database = decoded(m.captured(2));
    const QStringList pairs = m.captured(3).split(QLatin1Char('&'), Qt::SkipEmptyParts);
    for (const QString &pair : pairs) {
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        const QString key = decoded(eq >= 0 ? pair.left(eq) : pair).trimmed();
        const QString value = eq >= 0 ? decoded(pair.mid(eq + 1)) : QString();
        static const QRegularExpression plainKey(QStringLiteral("^[a-z_]+$"));
        if (!plainKey.match(key).hasMatch())
            return refuse(QStringLiteral("\"%1\" is not a connection setting.").arg(key));
        if (key == QLatin1String("host")) {
            a.host = value;
        } else if (key == QLatin1String("port")) {
            if (!setPort(value))
                return false;
        } else if (key == QLatin1String("user")) {
            a.user = value;
        } else if (key == QLatin1String("dbname")) {
            a.database = value;
        } else if (key == QLatin1String("password")) {
            a.password = value;
        } else {
            // The driver hands these on separated by blanks.
            static const QRegularExpression unsafe(QStringLiteral(R"([\s;'"\\])"));
            if (unsafe.match(value).hasMatch())
                return refuse(QStringLiteral("The setting %1 cannot hold blanks or quotes.").arg(key));
            a.options << key + QLatin1Char('=') + value;
        }
    }
    *out = a;
    return true;
}

bool PgEngine::connect(const QString &connectionName, const QString &address, DbError *error) const
{
    Address a;
    QString why;
    if (!parse(address, &a, &why)) {
        *error = DbError::engine(-1, why);
        return false;
    }
    if (!QSqlDatabase::isDriverAvailable(driverName())) {
        *error = DbError::engine(-1, QStringLiteral("Qt's PostgreSQL driver is not installed "
                                                    "(package libqt6sql6-psql)."));
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driverName(), connectionName);
        db.setHostName(a.host);
        if (a.port > 0)
            db.setPort(a.port);
        db.setUserName(a.user);
        db.setPassword(a.password);
        db.setDatabaseName(a.database);
        QStringList options = a.options;
        // An address that answers nothing would otherwise wait for minutes.
        if (!options.filter(QRegularExpression(QStringLiteral("^connect_timeout="))).size())
            options << QStringLiteral("connect_timeout=%1").arg(DefaultConnectTimeoutS);
        db.setConnectOptions(options.join(QLatin1Char(';')));
        if (!db.open())
            *error = errorFrom(db.lastError());
        else if (!configure(db, error))
            db.close();
    }
    if (error->isError()) {
        QSqlDatabase::removeDatabase(connectionName);
        return false;
    }
    return true;
}

QString PgEngine::describe(const QString &address) const
{
    Address a;
    if (!parse(address, &a, nullptr))
        return address;
    QString where;
    if (a.host.isEmpty())
        where = QStringLiteral("the local server");
    else if (a.host.startsWith(QLatin1Char('/')))
        where = QStringLiteral("the local server (socket folder %1)").arg(a.host);
    else
        where = QStringLiteral("host %1").arg(a.host);
    if (a.port > 0)
        where += QStringLiteral(", port %1").arg(a.port);
    QString text = QStringLiteral("PostgreSQL database \"%1\" on %2")
                       .arg(a.database.isEmpty() ? a.user : a.database, where);
    if (!a.user.isEmpty())
        text += QStringLiteral(", user %1").arg(a.user);
    return text;
}

QString PgEngine::shortName(const QString &address) const
{
    Address a;
    if (!parse(address, &a, nullptr))
        return address;
    const QString host = a.host.isEmpty() || a.host.startsWith(QLatin1Char('/'))
                             ? QStringLiteral("localhost") : a.host;
    return (a.database.isEmpty() ? a.user : a.database) + QStringLiteral(" on ") + host;
}

bool PgEngine::configure(QSqlDatabase &db, DbError *error) const
{
    // Notices (an implicit index, a rollback outside a transaction) are not
    // the user's business.
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SET client_min_messages TO warning"))) {
        if (error)
            *error = errorFrom(q.lastError());
        return false;
    }
    return true;
}

QString PgEngine::schemaScript() const
{
    QFile f(QStringLiteral(":/schema-postgresql.sql"));
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(f.readAll());
}

QStringList PgEngine::tables(QSqlDatabase &db) const
{
    // The driver's own list leaves out every table whose name begins with "Inv".
    QStringList names;
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SELECT table_name FROM information_schema.tables "
                              "WHERE table_schema = current_schema() AND table_type = 'BASE TABLE'"))) {
        while (q.next())
            names << q.value(0).toString();
    }
    return names;
}

DbError PgEngine::errorFrom(const QSqlError &error) const
{
    QString text = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    const QString state = error.nativeErrorCode();
    // The driver appends the code in brackets; the server starts with the level.
    if (!state.isEmpty() && text.trimmed().endsWith(QLatin1Char('(') + state + QLatin1Char(')')))
        text = text.trimmed().chopped(state.size() + 2);
    static const QRegularExpression level(QStringLiteral(R"(^\s*(ERROR|FATAL|PANIC):\s+)"));
    static const QRegularExpression lineBreaks(QStringLiteral(R"(\s*\n\s*)"));
    text.remove(level);
    // Where in a server function it arose is not the user's business.
    const qsizetype context = text.indexOf(QLatin1String("\nCONTEXT:"));
    if (context >= 0)
        text.truncate(context);
    text = text.replace(lineBreaks, QStringLiteral(" ")).trimmed();
    bool numeric = false;
    const int number = state.toInt(&numeric);
    DbError e = DbError::engine(numeric ? number : -1,
                                state.isEmpty() ? text : text + QStringLiteral(" (SQLSTATE %1)").arg(state));
    e.state = state;
    return e;
}

bool PgEngine::isConflict(const DbError &error) const
{
    // serialization_failure, deadlock_detected; and unique_violation: the
    // look-up before an insert found nothing because another workstation's
    // row was not yet committed, and run again it finds that row.
    return error.state == QLatin1String("40001") || error.state == QLatin1String("40P01")
           || error.state == QLatin1String("23505");
}

QString PgEngine::lockingRead(const QString &sql) const
{
    return Dialect::lockingRead(sql);
}

QString PgEngine::translate(const QString &sql) const
{
    return Dialect::quoteNames(sql, schemaNames());
}

QHash<QString, QString> PgEngine::names()
{
    return schemaNames();
}

QString PgEngine::beginWriteStatement() const
{
    // Read committed with locking reads: a read of a row another transaction
    // has locked waits for its commit and then reads the committed value.
    return QStringLiteral("BEGIN ISOLATION LEVEL READ COMMITTED");
}

QString PgEngine::rowKeyExpression(const QString &table) const
{
    return table + QStringLiteral(".RowKey");
}

QVariant PgEngine::bindable(const QVariant &value) const
{
    // The Yes/No column is a whole number, as in the file database.
    if (value.metaType().id() == QMetaType::Bool)
        return QVariant(value.toBool() ? 1 : 0);
    return value;
}

bool PgEngine::isConnectionLost(QSqlDatabase &db, const DbError &error) const
{
    // The client library knows whether its connection still stands.
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (handle.isValid() && QByteArray(handle.typeName()).startsWith("PGconn")) {
        PGconn *conn = *static_cast<PGconn *const *>(handle.data());
        if (!conn || PQstatus(conn) == CONNECTION_BAD)
            return true;
    }
    // Class 08 (connection exception), 57P01-57P03 (the server shut down
    // or ended this process); without a code, the client library's own words.
    return error.state.startsWith(QLatin1String("08")) || error.state == QLatin1String("57P01")
           || error.state == QLatin1String("57P02") || error.state == QLatin1String("57P03")
           || (error.state.isEmpty()
               && (error.description.contains(QLatin1String("server closed the connection unexpectedly"))
                   || error.description.contains(QLatin1String("no connection to the server"))
                   || error.description.contains(QLatin1String("could not send data to server"))
                   || error.description.contains(QLatin1String("could not receive data from server"))));
}

DbError PgEngine::classify(const DbError &error) const
{
    // invalid_text_representation: "abc" for a number column.
    if (error.state == QLatin1String("22P02"))
        return DbError::runtime(ErrorNumber::TypeMismatch);
    return error;
}
