#include "data/database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

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
    return m_engine->connect(m_name, address, &m_error);
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
    return open(address);
}

void Database::close()
{
    m_inWrite = false;
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

bool Database::execute(const QString &sql, const QVariantList &values, qint64 *rowsAffected)
{
    m_error = DbError();
    if (!isOpen()) {
        m_error = DbError::runtime(ErrorNumber::ObjectClosed);
        return false;
    }
    QSqlQuery q(handle());
    if (!q.prepare(m_engine->translate(sql))) {
        m_error = m_engine->errorFrom(q.lastError());
        return false;
    }
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, m_engine->bindable(bindableValue(values.at(i))));
    if (!q.exec()) {
        m_error = m_engine->errorFrom(q.lastError());
        return false;
    }
    if (rowsAffected)
        *rowsAffected = q.numRowsAffected();
    return true;
}

bool Database::control(const QString &statement)
{
    // Not prepared: a server cannot prepare transaction control.
    m_error = DbError();
    if (!isOpen()) {
        m_error = DbError::runtime(ErrorNumber::ObjectClosed);
        return false;
    }
    QSqlQuery q(handle());
    if (!q.exec(statement)) {
        m_error = m_engine->errorFrom(q.lastError());
        return false;
    }
    return true;
}

bool Database::beginWrite()
{
    m_inWrite = control(m_engine->beginWriteStatement());
    return m_inWrite;
}

bool Database::commit()
{
    m_inWrite = false;
    return control(QStringLiteral("COMMIT"));
}

bool Database::rollback()
{
    m_inWrite = false;
    return control(QStringLiteral("ROLLBACK"));
}

bool Database::runScript(const QString &script)
{
    return runStatements(script, true);
}

bool Database::runStatements(const QString &script, bool translate)
{
    m_error = DbError();
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
