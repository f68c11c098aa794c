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

Database::Database(const QString &connectionName, std::unique_ptr<SqlEngine> engine)
    : m_name(connectionName), m_engine(std::move(engine))
{
}

Database::~Database()
{
    close();
}

QString Database::whyNotADatabase(const QString &path)
{
    QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("The file does not exist.");
    if (info.isDir())
        return QStringLiteral("It is a folder, not a file.");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The file cannot be read: %1.").arg(file.errorString());
    const QByteArray head = file.read(100);
    if (head.isEmpty())
        return QStringLiteral("The file is empty.");
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return QString();
    const QByteArray jetArea = head.mid(4, 15);
    if (jetArea == "Standard Jet DB" || jetArea == "Standard ACE DB")
        return QStringLiteral("It is a Microsoft Access (Jet) database. Partwise keeps its "
                              "data in an SQLite database; convert the file to SQLite first.");
    return QStringLiteral("It is not an SQLite database.");
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

bool Database::open(const QString &path)
{
    close();
    m_path = path;
    m_error = DbError();
    const QString why = whyNotADatabase(path);
    if (!why.isEmpty()) {
        m_error = DbError::engine(-1, why);
        return false;
    }
    if (!QFileInfo(path).isWritable()) {
        m_error = DbError::engine(-1, QStringLiteral("The file is read-only."));
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(m_engine->driverName(), m_name);
        db.setDatabaseName(path);
        db.setConnectOptions(m_engine->connectOptions());
        if (!db.open()) {
            m_error = DbError::fromSql(db.lastError());
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            return false;
        }
        DbError configError;
        // A file with an SQLite header may still be damaged; reading the
        // schema proves it is readable before anything writes to it.
        QSqlQuery probe(db);
        const bool readable = probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
        if (!readable)
            m_error = DbError::fromSql(probe.lastError());
        probe.finish(); // an unfinished read would hold a transaction open
        if (readable && !m_engine->configure(db, &configError)) {
            m_error = configError;
        }
    }
    if (m_error) {
        close();
        return false;
    }
    return true;
}

bool Database::openAtStartUp(const QString &path)
{
    close();
    m_path = path;
    m_error = DbError();
    if (whyNotADatabase(path).isEmpty() && !m_engine->checkLeftoverLog(path, &m_error))
        return false;
    return open(path);
}

void Database::close()
{
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

bool Database::execute(const QString &sql, const QVariantList &values, qint64 *rowsAffected)
{
    m_error = DbError();
    if (!isOpen()) {
        m_error = DbError::runtime(ErrorNumber::ObjectClosed);
        return false;
    }
    QSqlQuery q(handle());
    if (!q.prepare(m_engine->translate(sql))) {
        m_error = DbError::fromSql(q.lastError());
        return false;
    }
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, bindableValue(values.at(i)));
    if (!q.exec()) {
        m_error = DbError::fromSql(q.lastError());
        return false;
    }
    if (rowsAffected)
        *rowsAffected = q.numRowsAffected();
    return true;
}

bool Database::beginWrite()
{
    return execute(m_engine->beginWriteStatement());
}

bool Database::commit()
{
    return execute(QStringLiteral("COMMIT"));
}

bool Database::rollback()
{
    return execute(QStringLiteral("ROLLBACK"));
}

bool Database::runScript(const QString &script)
{
    m_error = DbError();
    QSqlQuery q(handle());
    for (const QString &statement : splitSqlScript(script)) {
        if (!q.exec(statement)) {
            m_error = DbError::fromSql(q.lastError());
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
