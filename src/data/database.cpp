#include "data/database.h"

#include "data/dialect.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QUuid>

#include <limits>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

Database::Database(const QString &connectionName)
    : m_name(connectionName), m_engine(SqlEngine::sqlite())
{
}

Database::Database(const QString &connectionName, std::unique_ptr<SqlEngine> engine)
    : m_name(connectionName), m_engine(std::move(engine)), m_engineGiven(true)
{
}

Database::~Database()
{
    close();
}

QString Database::whyNotADatabase(const QString &path)
{
    return SqliteEngine::whyNotADatabase(path);
}

bool Database::isSameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists()) {
        if (fa.canonicalFilePath() == fb.canonicalFilePath())
            return true;
#ifdef Q_OS_UNIX
        // Hard links: one file under two names.
        struct stat sa {}, sb {};
        return ::stat(QFile::encodeName(a).constData(), &sa) == 0
               && ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev
               && sa.st_ino == sb.st_ino;
#else
        return false;
#endif
    }
    // A file that is not there yet: where it would be, its folder resolved.
    auto place = [](const QFileInfo &f) {
        const QString folder = f.absoluteDir().canonicalPath();
        return (folder.isEmpty() ? f.absolutePath() : folder) + QLatin1Char('/') + f.fileName();
    };
    return place(fa) == place(fb);
}

QString Database::roleOfFile(const QString &databasePath, const QString &file) const
{
    if (isSameFile(databasePath, file))
        return QStringLiteral("database");
    for (const SqlEngine::Companion &companion : m_engine->companionFiles())
        if (isSameFile(databasePath + companion.suffix, file))
            return companion.role;
    return QString();
}

bool Database::open(const QString &address)
{
    close();
    m_path = address;
    m_error = DbError();
    if (!m_engineGiven)
        m_engine = SqlEngine::forAddress(address);
    if (!m_engine->connect(m_name, address, &m_error))
        return false;
    afterConnect();
    return true;
}

void Database::afterConnect()
{
    m_lost = false;
    m_writeIds = false;
    m_backend = 0;
    if (!m_engine->keepsWriteIds())
        return;
    // The table of recent write ids: made where an older database lacks it,
    // its rows older than a day dropped.
    QSqlQuery q(handle());
    if (q.exec(QStringLiteral("SELECT pg_backend_pid()")) && q.next())
        m_backend = q.value(0).toInt();
    q.finish();
    // Only in a database with the program's tables: another is left as it is.
    if (!q.exec(QStringLiteral("SELECT to_regclass('\"RecentWrites\"') IS NOT NULL, "
                               "to_regclass('\"Inventory\"') IS NOT NULL"))
        || !q.next())
        return;
    const bool made = q.value(0).toBool(), program = q.value(1).toBool();
    q.finish();
    m_writeIds = (made || (program && q.exec(m_engine->translate(QStringLiteral(
                                  "CREATE TABLE IF NOT EXISTS RecentWrites (WriteId text PRIMARY KEY, "
                                  "WrittenAt timestamptz NOT NULL DEFAULT now())")))))
                 && q.exec(m_engine->translate(QStringLiteral(
                     "DELETE FROM RecentWrites WHERE WrittenAt < now() - interval '1 day'")));
}

bool Database::openAtStartUp(const QString &address)
{
    close();
    m_path = address;
    m_error = DbError();
    if (!m_engineGiven)
        m_engine = SqlEngine::forAddress(address);
    if (!m_engine->checkLeftoverLog(address, &m_error))
        return false;
    // Text in a number column (written by another tool, or before the
    // columns were checked) is refused here, with the rows named, rather
    // than met later as a wrong sum or a failed change. The file is read
    // before it is opened for use, so nothing in it changes.
    const QStringList broken = m_engine->rowsBreakingTypes(address, 20);
    if (broken.isEmpty())
        return open(address);
    m_error = DbError::runtime(
        ErrorNumber::TypeMismatch,
        QStringLiteral("%1 holds values of the wrong type, so Partwise does not open it. The file was "
                       "left unchanged; correct these rows with an SQLite tool and start again:\n%2")
            .arg(QDir::toNativeSeparators(address), broken.join(QLatin1Char('\n'))));
    return false;
}

void Database::forgetStatements()
{
    m_prepared.clear();
    m_engine->forgetStatements();
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        m_engine->connectionClosing(db);
    }
}

void Database::close()
{
    m_inWrite = false;
    m_lost = false;
    forgetStatements();
    if (!QSqlDatabase::contains(m_name))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
}

bool Database::isOpen() const
{
    return QSqlDatabase::contains(m_name) && QSqlDatabase::database(m_name, false).isOpen();
}

QSqlDatabase Database::handle() const
{
    return QSqlDatabase::database(m_name, false);
}

QStringList Database::tables() const
{
    QSqlDatabase db = handle();
    return isOpen() ? m_engine->tables(db) : QStringList();
}

void Database::notify(ConnectionEvent event, const QString &text)
{
    if (m_listener)
        m_listener(event, text);
}

void Database::failed(const DbError &error)
{
    m_error = m_engine->classify(error);
    if (m_lost || !QSqlDatabase::contains(m_name))
        return;
    QSqlDatabase db = handle();
    if (m_engine->isConnectionLost(db, error)) {
        m_lost = true;
        m_inWrite = false;
        notify(ConnectionEvent::Lost,
               QStringLiteral("The connection to %1 was lost: %2").arg(describe(), error.description));
    }
}

bool Database::reconnect()
{
    forgetStatements();
    {
        QSqlDatabase db = QSqlDatabase::database(m_name, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_name);
    m_inWrite = false;
    DbError error;
    if (!m_engine->connect(m_name, m_path, &error)) {
        m_lost = true;
        m_error = error;
        notify(ConnectionEvent::ReconnectFailed,
               QStringLiteral("%1 cannot be reached: %2").arg(describe(), error.description));
        return false;
    }
    afterConnect();
    notify(ConnectionEvent::Reconnected, QStringLiteral("Connected again to %1.").arg(describe()));
    return true;
}

bool Database::ready()
{
    m_error = DbError();
    if (m_lost)
        return reconnect();
    if (!isOpen()) {
        m_error = DbError::runtime(ErrorNumber::ObjectClosed);
        return false;
    }
    return true;
}

const QString &Database::translated(const QString &sql, Read mode)
{
    const bool locking = mode == Read::Locking && m_inWrite;
    QHash<QString, QString> &cache = m_translated[locking ? 1 : 0];
    auto it = cache.find(sql);
    if (it == cache.end()) {
        if (cache.size() > 1000)
            cache.clear();
        QString text = m_engine->translate(sql);
        if (locking)
            text = m_engine->lockingRead(text);
        it = cache.insert(sql, text);
    }
    return *it;
}

bool Database::run(const QString &text, const QVariantList &values, SqlEngine::RowSink *sink,
                   qint64 *rowsAffected)
{
    DbError error;
    bool supported = false;
    QSqlDatabase db = handle();
    if (m_engine->run(db, text, values, sink, &error, &supported, rowsAffected))
        return true;
    if (supported) {
        failed(error);
        return false;
    }
    // Through the driver: one prepared query per statement text, kept.
    std::shared_ptr<QSqlQuery> q = m_prepared.value(text);
    if (!q || q->isActive()) { // an active one is being read by a caller further up
        const bool keep = !q;
        q = std::make_shared<QSqlQuery>(db);
        q->setForwardOnly(true);
        if (!q->prepare(text)) {
            failed(m_engine->errorFrom(q->lastError()));
            return false;
        }
        if (keep) {
            if (m_prepared.size() >= 256)
                m_prepared.clear();
            m_prepared.insert(text, q);
        }
    }
    for (int i = 0; i < values.size(); ++i)
        q->bindValue(i, m_engine->bindable(bindableValue(values.at(i))));
    if (!q->exec()) {
        const DbError e = m_engine->errorFrom(q->lastError());
        q->finish(); // still prepared: kept for the next run
        failed(e);
        return false;
    }
    if (rowsAffected)
        *rowsAffected = q->numRowsAffected();
    if (sink && q->isSelect()) {
        const QSqlRecord rec = q->record();
        QStringList names;
        QList<int> types; // a driver may give a number as its text: read as the column's type
        for (int i = 0; i < rec.count(); ++i) {
            names << rec.fieldName(i);
            types << rec.field(i).metaType().id();
        }
        sink->columns(names);
        const int n = rec.count();
        while (q->next()) {
            for (int i = 0; i < n; ++i) {
                QVariant v = q->value(i);
                // The driver types a null by its column; a plain null as the engine's reader gives.
                if (v.isNull()) {
                    sink->value(QVariant());
                    continue;
                }
                if (v.typeId() == QMetaType::QString) {
                    switch (types.at(i)) {
                    case QMetaType::Int:
                    case QMetaType::LongLong:
                        v = v.toLongLong();
                        break;
                    case QMetaType::Double: {
                        // The server's exact numbers (a sum of whole numbers)
                        // as the file database gives them: whole stays whole.
                        bool whole = false;
                        const QString text = v.toString();
                        const qlonglong n = text.toLongLong(&whole);
                        v = whole ? QVariant(n) : QVariant(text.toDouble());
                        break;
                    }
                    default:
                        break;
                    }
                }
                sink->value(std::move(v));
            }
            sink->endRow();
        }
        if (q->lastError().isValid()) {
            const DbError e = m_engine->errorFrom(q->lastError());
            q->finish();
            failed(e);
            return false;
        }
    } else if (sink) {
        sink->columns({});
    }
    q->finish();
    return true;
}

bool Database::read(const QString &sql, const QVariantList &values, SqlEngine::RowSink &sink,
                    Read mode)
{
    if (!ready())
        return false;
    if (run(translated(sql, mode), values, &sink, nullptr))
        return true;
    // A read outside a write transaction that found the connection gone runs
    // once more on a new one.
    if (m_lost && !m_inWrite && reconnect())
        return run(translated(sql, mode), values, &sink, nullptr);
    return false;
}

namespace {
struct ListSink : SqlEngine::RowSink
{
    QList<QVariantList> rows;
    QVariantList row;
    int width = 0;
    bool firstOnly = false;
    void columns(const QStringList &names) override
    {
        rows.clear();
        width = int(names.size());
    }
    void value(QVariant &&v) override
    {
        if (!firstOnly || rows.isEmpty())
            row.append(std::move(v));
    }
    void endRow() override
    {
        if (!firstOnly || rows.isEmpty())
            rows.append(std::move(row));
        row = QVariantList();
    }
};
} // namespace

QList<QVariantList> Database::rows(const QString &sql, const QVariantList &values, Read mode)
{
    ListSink sink;
    read(sql, values, sink, mode);
    return sink.rows;
}

QVariant Database::scalar(const QString &sql, const QVariantList &values, Read mode)
{
    ListSink sink;
    sink.firstOnly = true;
    if (!read(sql, values, sink, mode) || sink.rows.isEmpty() || sink.rows.first().isEmpty())
        return QVariant();
    return sink.rows.first().first();
}

bool Database::execute(const QString &sql, const QVariantList &values, qint64 *rowsAffected)
{
    if (!ready())
        return false;
    qint64 changes = 0;
    if (!run(translated(sql, Read::Plain), values, nullptr, &changes))
        return false;
    if (rowsAffected)
        *rowsAffected = changes;
    return true;
}

bool Database::insert(const QString &sql, const QVariantList &values, qint64 *key)
{
    ListSink sink;
    sink.firstOnly = true;
    if (!read(sql + m_engine->insertKeyClause(), values, sink))
        return false;
    if (key)
        *key = sink.rows.isEmpty() || sink.rows.first().isEmpty()
                   ? -1 : sink.rows.first().first().toLongLong();
    return true;
}

bool Database::readOnly(const std::function<bool()> &work)
{
    if (!ready())
        return false;
    if (m_inWrite) {
        m_error = DbError::runtime(ErrorNumber::NotAllowed,
                                   QStringLiteral("A read-only run cannot start inside a write."));
        return false;
    }
    for (const QString &statement : m_engine->readOnlyBegin())
        if (!control(statement))
            return false;
    const bool ok = work();
    const DbError error = m_error;
    for (const QString &statement : m_engine->readOnlyEnd())
        control(statement);
    if (!ok)
        m_error = error;
    return ok;
}

bool Database::recordWrite(const QString &id)
{
    if (!m_writeIds)
        return true;
    if (++m_writes % 1000 == 0)
        execute(QStringLiteral("DELETE FROM RecentWrites WHERE WrittenAt < now() - interval '1 day'"));
    return execute(QStringLiteral("INSERT INTO RecentWrites (WriteId) VALUES (?)"), {id});
}

Database::Settled Database::settleWrite(const QString &id)
{
    if (!m_writeIds)
        return Settled::Unknown;
    const int backend = m_backend;
    if (!reconnect())
        return Settled::Unknown;
    // The process that ran the commit may still be at it (waiting for a
    // standby, say): it is ended first, so that what the table says holds.
    if (backend > 0 && m_backend != backend) {
        QSqlQuery q(handle());
        q.prepare(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE pid = ?"));
        q.addBindValue(backend);
        q.exec();
        for (int i = 0; i < 100; ++i) {
            QSqlQuery gone(handle());
            gone.prepare(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = ?"));
            gone.addBindValue(backend);
            if (!gone.exec() || !gone.next() || gone.value(0).toInt() == 0)
                break;
            QThread::msleep(50);
        }
    }
    const QVariant found = scalar(QStringLiteral("SELECT count(*) FROM RecentWrites WHERE WriteId = ?"),
                                  {id});
    if (!found.isValid())
        return Settled::Unknown;
    return found.toInt() > 0 ? Settled::Done : Settled::NotDone;
}

bool Database::control(const QString &statement)
{
    // Prepared once and kept where the engine can; a server cannot prepare
    // transaction control, so there it runs as text.
    if (m_engine->preparesControl())
        return run(statement, {}, nullptr, nullptr);
    QSqlQuery q(handle());
    if (!q.exec(statement)) {
        failed(m_engine->errorFrom(q.lastError()));
        return false;
    }
    return true;
}

bool Database::beginWrite()
{
    m_inWrite = false;
    if (!ready())
        return false;
    m_inWrite = control(m_engine->beginWriteStatement());
    return m_inWrite;
}

bool Database::commit()
{
    m_error = DbError();
    m_inWrite = false;
    if (m_lost) { // the server ended the transaction with the connection
        m_error = DbError::engine(-1, QStringLiteral("The connection to the server was lost."));
        return false;
    }
    if (!isOpen()) {
        m_error = DbError::runtime(ErrorNumber::ObjectClosed);
        return false;
    }
    return control(QStringLiteral("COMMIT"));
}

bool Database::rollback()
{
    m_inWrite = false;
    if (m_lost || !isOpen()) // nothing left to roll back
        return true;
    m_error = DbError();
    return control(QStringLiteral("ROLLBACK"));
}

bool Database::runScript(const QString &script)
{
    return runStatements(script, true);
}

bool Database::runStatements(const QString &script, bool translate)
{
    if (!ready())
        return false;
    QSqlQuery q(handle());
    for (const QString &statement : splitSqlScript(script)) {
        if (!q.exec(translate ? m_engine->translate(statement) : statement)) {
            m_error = m_engine->errorFrom(q.lastError());
            m_error.description += QStringLiteral(" [") + statement.left(200) + QLatin1Char(']');
            return false;
        }
    }
    return true;
}

QVariant bindableValue(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
    case QMetaType::Long:
    case QMetaType::ULong:
        return QVariant(value.toLongLong());
    case QMetaType::ULongLong: {
        const qulonglong v = value.toULongLong();
        return v <= qulonglong(std::numeric_limits<qlonglong>::max()) ? QVariant(qlonglong(v))
                                                                      : QVariant(double(v));
    }
    case QMetaType::Float:
        return QVariant(double(value.toFloat()));
    default:
        return value;
    }
}

bool Database::createTables()
{
    // The schema is written in the engine's own dialect.
    return runStatements(m_engine->schemaScript(), false);
}

QStringList splitSqlScript(const QString &script)
{
    QStringList out;
    QString current;
    QChar quote;
    const int n = script.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = script.at(i);
        if (!quote.isNull()) {
            current += c;
            if (c == quote) {
                if (i + 1 < n && script.at(i + 1) == quote) {
                    current += script.at(++i);
                } else {
                    quote = QChar();
                }
            }
            continue;
        }
        if (c == QLatin1Char('-') && i + 1 < n && script.at(i + 1) == QLatin1Char('-')) {
            while (i < n && script.at(i) != QLatin1Char('\n'))
                ++i;
            current += QLatin1Char('\n');
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') ) {
            quote = c;
            current += c;
            continue;
        }
        if (c == QLatin1Char(';')) {
            if (!current.trimmed().isEmpty())
                out << current.trimmed();
            current.clear();
            continue;
        }
        current += c;
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

QStringList Database::rowsBreakingTypes(int limit)
{
    return m_engine->rowsBreakingTypes(m_path, limit);
}
