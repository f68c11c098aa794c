#include "data/sqlengine.h"

#include "data/database.h"
#include "data/dberror.h"
#include "data/dialect.h"
#include "data/pgengine.h"
#include "data/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlDriver>
#include <QSqlQuery>

#include <sqlite3.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// The engine's own connection under the driver's, or null.
sqlite3 *sqliteHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.isValid() && db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.data());
}

// A statement that writes several rows inside a longer transaction (the
// ledger's rows, written 32 to a statement) keeps the pages it changes in a
// statement journal, so that a row that fails undoes that statement alone.
// The library keeps that journal in a temporary file once it passes 64 KiB:
// one write per page, which cost a 10,000-line import more than its own
// changes did. It stays in memory up to 4 MiB. The journal is never needed
// after a crash (the log undoes the whole transaction then), so memory loses
// nothing. This is a setting of the whole library: it is made here, before
// the process opens its first connection.
[[maybe_unused]] const int statementJournalSetting = sqlite3_config(SQLITE_CONFIG_STMTJRNL_SPILL, 4 << 20);

} // namespace

std::unique_ptr<SqlEngine> SqlEngine::sqlite()
{
    return std::make_unique<SqliteEngine>();
}

std::unique_ptr<SqlEngine> SqlEngine::forAddress(const QString &address)
{
    if (PgEngine::isAddress(address))
        return std::make_unique<PgEngine>();
    return sqlite();
}

bool SqlEngine::createEmpty(const QString &address, QString *error) const
{
    if (error)
        *error = QStringLiteral("%1 cannot be made by Partwise; make it with the server's own tools.")
                     .arg(describe(address));
    return false;
}

DbError SqlEngine::classify(const DbError &error) const
{
    return error;
}

DbError SqlEngine::errorFrom(const QSqlError &error) const
{
    return DbError::fromSql(error);
}

QString SqliteEngine::whyNotADatabase(const QString &path)
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

bool SqliteEngine::connect(const QString &connectionName, const QString &path,
                           DbError *error) const
{
    const QString why = whyNotADatabase(path);
    if (!why.isEmpty()) {
        *error = DbError::engine(-1, why);
        return false;
    }
    if (!QFileInfo(path).isWritable()) {
        *error = DbError::engine(-1, QStringLiteral("The file is read-only."));
        return false;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(driverName(), connectionName);
        db.setDatabaseName(path);
        db.setConnectOptions(connectOptions());
        if (!db.open()) {
            *error = errorFrom(db.lastError());
        } else {
            // A file with an SQLite header may still be damaged; reading the
            // schema proves it is readable before anything writes to it.
            QSqlQuery probe(db);
            const bool readable = probe.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"));
            if (!readable)
                *error = errorFrom(probe.lastError());
            probe.finish(); // an unfinished read would hold a transaction open
            if (readable)
                configure(db, error);
            if (!error->isError())
                checkpointBeside(db, path);
            if (error->isError())
                db.close();
        }
    }
    if (error->isError()) {
        QSqlDatabase::removeDatabase(connectionName);
        return false;
    }
    return true;
}

QString SqliteEngine::resolved(const QString &address, const QString &folder) const
{
    return QDir(folder).absoluteFilePath(address);
}

bool SqliteEngine::isMissing(const QString &address) const
{
    return !QFileInfo::exists(address);
}

bool SqliteEngine::createEmpty(const QString &address, QString *error) const
{
    return Schema::createFile(address, QString(), error);
}

void SqliteEngine::dropCreated(const QString &address) const
{
    for (const char *suffix : {"", "-wal", "-shm"})
        QFile::remove(address + QLatin1String(suffix));
}

QString SqliteEngine::describe(const QString &address) const
{
    return QDir::toNativeSeparators(address);
}

QString SqliteEngine::shortName(const QString &address) const
{
    return QFileInfo(address).fileName();
}

QString SqliteEngine::schemaScript() const
{
    return Schema::script();
}

bool SqliteEngine::isConflict(const DbError &error) const
{
    // SQLITE_BUSY and SQLITE_LOCKED, with or without an extended code.
    const int primary = error.number & 0xff;
    return error.source == DbError::Source::Engine && (primary == 5 || primary == 6);
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
        // Pages are copied in by read(), never through a memory map: a file
        // that shrinks under a map (a backup copied over it) kills the
        // program, where a read gives an error it can report.
        QStringLiteral("PRAGMA mmap_size = 0"),
        // Room for the pages of a large catalogue (up to 64 MB, taken as
        // pages are read): a set read in index order (the parts by
        // description) comes from memory rather than from read() per row, and
        // a change of many parts in one transaction (a scanner import, a kit
        // pull) does not spill its pages into the log mid-way.
        QStringLiteral("PRAGMA cache_size = -65536"),
    };
    for (const QString &pragma : pragmas) {
        QSqlQuery q(db);
        const bool ok = q.exec(pragma);
        q.finish();
        if (!ok) {
            if (error)
                *error = DbError::fromSql(q.lastError());
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
    // A name in double quotes is a name: one the table lacks is an error, not
    // a text, as on the server (by default the engine takes it as a text).
    if (sqlite3 *h = sqliteHandle(db)) {
        sqlite3_db_config(h, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(h, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    }
    return true;
}

QString SqliteEngine::translate(const QString &sql) const
{
    return Dialect::standardDelete(sql);
}

QList<SqlEngine::Companion> SqliteEngine::companionFiles() const
{
    return {{QStringLiteral("-wal"), QStringLiteral("write-ahead log")},
            {QStringLiteral("-shm"), QStringLiteral("shared-memory index")},
            {QStringLiteral("-journal"), QStringLiteral("rollback journal")}};
}

bool SqliteEngine::checkLeftoverLog(const QString &path, DbError *error) const
{
    const QString log = path + QStringLiteral("-wal"), index = path + QStringLiteral("-shm");
    if (QFileInfo(log).size() == 0)
        return true;
    const bool hadIndex = QFileInfo::exists(index);
    QStringList found;
    int code = SQLITE_CORRUPT;
    sqlite3 *h = nullptr;
    // Read-only, and never folding the log into the file on close: a
    // damaged database is left exactly as it was found.
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_db_config(h, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        sqlite3_busy_timeout(h, BusyTimeoutMs);
        sqlite3_stmt *st = nullptr;
        rc = sqlite3_prepare_v2(h, "PRAGMA integrity_check(3)", -1, &st, nullptr);
        if (rc == SQLITE_OK) {
            while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
                const QString row = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)));
                for (const QString &line : row.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                    if (!line.startsWith(QLatin1String("***")))
                        found << line;
            }
            if (rc == SQLITE_DONE)
                rc = SQLITE_OK;
        }
        sqlite3_finalize(st);
    }
    if (rc != SQLITE_OK) {
        code = rc;
        found = QStringList(h ? QString::fromUtf8(sqlite3_errmsg(h)) : QString::fromUtf8(sqlite3_errstr(rc)));
    }
    sqlite3_close(h);
    if (!hadIndex)
        QFile::remove(index); // made by this check alone
    if (found == QStringList(QStringLiteral("ok")))
        return true;
    if (error)
        *error = DbError::engine(
            code, QStringLiteral("The database file %1 is damaged once the changes in %2 beside it are "
                                 "applied: %3. Nothing was changed. If a backup was copied over the "
                                 "file, remove %2 and %4 and start again.")
                      .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(log),
                           found.join(QStringLiteral("; ")), QDir::toNativeSeparators(index)));
    return false;
}

QString SqliteEngine::rowKeyExpression(const QString &table) const
{
    return table + QStringLiteral(".rowid");
}

// Prepared statements of one connection, by their text.
struct SqliteEngine::Statements
{
    sqlite3 *owner = nullptr;
    QHash<QString, sqlite3_stmt *> byText;
    void clear()
    {
        for (sqlite3_stmt *st : std::as_const(byText))
            sqlite3_finalize(st);
        byText.clear();
        owner = nullptr;
    }
    ~Statements() { clear(); }
};

// Moves the write-ahead log into the database on a thread of its own, over a
// connection of its own, when a commit asks: the commit goes on at once
// instead of writing and flushing the database file first. Stopped (and its
// connection closed) before the program's connection closes, so that the
// last one to close still folds the log in and removes it.
class SqliteEngine::Checkpointer
{
public:
    explicit Checkpointer(const QString &path) : m_path(QFile::encodeName(path)) {}
    ~Checkpointer()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        if (m_thread.joinable())
            m_thread.join();
    }
    // Wakes the thread unless a pass is already asked for or running;
    // `pages` are in the log as it is asked.
    void request(int pages)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_due || m_running)
                return;
            m_due = true;
            m_passFrom = pages;
            if (!m_thread.joinable())
                m_thread = std::thread([this] { loop(); });
        }
        m_wake.notify_one();
    }
    // Called by SQLite after each commit with the pages in the log.
    //
    // The log starts over from its beginning (overwriting its own pages,
    // which costs a commit less than growing the file) only when a write
    // begins after every page in it was moved. While commits follow each
    // other closely, the thread's pass always ends after the next commit
    // has begun, and the log would grow to CheckpointLimit. So once the
    // thread has moved the bulk, a commit that finds only a few pages
    // written since (TailPages) moves them itself, and the next commit
    // starts the log over; after larger commits the thread makes another
    // pass.
    static int afterCommit(void *self, sqlite3 *db, const char *schema, int pages)
    {
        auto *checkpointer = static_cast<Checkpointer *>(self);
        if (pages < CheckpointPages) {
            checkpointer->m_finished = false; // a pass of an earlier, shorter log
            return SQLITE_OK;
        }
        const bool passed = checkpointer->m_finished.exchange(false);
        if (pages >= CheckpointLimit || (passed && pages - checkpointer->m_passFrom <= TailPages))
            sqlite3_wal_checkpoint_v2(db, schema, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        else
            checkpointer->request(pages);
        return SQLITE_OK;
    }

private:
    sqlite3 *open() const
    {
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(m_path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
            sqlite3_busy_timeout(db, 100);
            // A connection takes up the log only when it first reads; until
            // then a checkpoint finds no log and does nothing.
            if (sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK)
                return db;
        }
        sqlite3_close(db);
        return nullptr;
    }

    void loop()
    {
        sqlite3 *db = nullptr;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_wake.wait(lock, [this] { return m_due || m_stop; });
                if (m_stop)
                    break;
                m_due = false;
                m_running = true;
            }
            if (!db)
                db = open(); // if it cannot, the commits move the log themselves
            if (db)
                sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_running = false;
            }
            m_finished = true;
        }
        sqlite3_close(db);
    }

    QByteArray m_path;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    bool m_due = false;
    bool m_running = false;
    bool m_stop = false;
    std::atomic<bool> m_finished{false};
    std::atomic<int> m_passFrom{0};
};

void SqliteEngine::checkpointBeside(QSqlDatabase &db, const QString &path) const
{
    sqlite3 *h = sqliteHandle(db);
    if (!h)
        return;
    m_checkpointer = std::make_shared<Checkpointer>(path);
    // In place of the engine's own checkpoint at the end of a commit.
    sqlite3_wal_hook(h, &Checkpointer::afterCommit, m_checkpointer.get());
}

void SqliteEngine::connectionClosing(QSqlDatabase &db) const
{
    if (sqlite3 *h = sqliteHandle(db))
        sqlite3_wal_hook(h, nullptr, nullptr);
    m_checkpointer.reset();
}

SqliteEngine::~SqliteEngine() = default;

void SqliteEngine::forgetStatements() const
{
    if (m_statements)
        m_statements->clear();
}

DbError SqliteEngine::classify(const DbError &error) const
{
    // The columns' type checks are named <Table><Column>Type.
    static const QRegularExpression typeCheck(QStringLiteral(R"(CHECK constraint failed: \w+Type\b)"));
    if (error.source == DbError::Source::Engine && (error.number & 0xff) == SQLITE_CONSTRAINT
        && typeCheck.match(error.description).hasMatch())
        return DbError::runtime(ErrorNumber::TypeMismatch);
    return error;
}

bool SqliteEngine::run(QSqlDatabase &db, const QString &sql, const QVariantList &values,
                       RowSink *sink, DbError *error, bool *supported, qint64 *changes) const
{
    sqlite3 *h = sqliteHandle(db);
    *supported = h != nullptr;
    if (!h)
        return false;

    auto fail = [&](int code) {
        if (error)
            *error = DbError::engine(code, QString::fromUtf8(sqlite3_errmsg(h)));
        return false;
    };
    if (!m_statements)
        m_statements = std::make_shared<Statements>();
    if (m_statements->owner != h) {
        m_statements->clear();
        m_statements->owner = h;
    }
    sqlite3_stmt *st = m_statements->byText.value(sql);
    bool kept = st != nullptr;
    if (st && sqlite3_stmt_busy(st)) { // run again from inside its own rows
        st = nullptr;
        kept = false;
    }
    if (!st) {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v3(h, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT, &st,
                               nullptr)
            != SQLITE_OK)
            return fail(sqlite3_errcode(h));
        if (!st) { // an empty statement
            if (sink)
                sink->columns({});
            return true;
        }
        if (!m_statements->byText.contains(sql)) {
            if (m_statements->byText.size() >= 256)
                m_statements->clear(), m_statements->owner = h;
            m_statements->byText.insert(sql, st);
            kept = true;
        }
    }
    // Reset on every way out, so that no read stays open; finalized unless kept.
    struct Done
    {
        sqlite3_stmt *st;
        bool kept;
        ~Done()
        {
            if (kept) {
                sqlite3_reset(st);
                sqlite3_clear_bindings(st);
            } else {
                sqlite3_finalize(st);
            }
        }
    } done{st, kept};
    if (sqlite3_bind_parameter_count(st) != values.size()) {
        if (error)
            *error = DbError::engine(SQLITE_RANGE, QStringLiteral("Parameter count mismatch"));
        return false;
    }
    QList<QByteArray> keep; // text given to SQLite without a copy lives until the end
    for (int i = 0; i < values.size(); ++i) {
        const QVariant v = bindableValue(values.at(i));
        int rc = SQLITE_OK;
        if (v.isNull()) {
            rc = sqlite3_bind_null(st, i + 1);
        } else {
            switch (v.metaType().id()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::Short:
            case QMetaType::UShort:
                rc = sqlite3_bind_int64(st, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(st, i + 1, v.toDouble());
                break;
            case QMetaType::QByteArray:
                keep << v.toByteArray();
                rc = sqlite3_bind_blob(st, i + 1, keep.last().constData(), int(keep.last().size()),
                                       SQLITE_STATIC);
                break;
            default:
                keep << v.toString().toUtf8();
                rc = sqlite3_bind_text(st, i + 1, keep.last().constData(), int(keep.last().size()),
                                       SQLITE_STATIC);
            }
        }
        if (rc != SQLITE_OK)
            return fail(rc);
    }
    const int n = sqlite3_column_count(st);
    if (sink) {
        QStringList names;
        for (int i = 0; i < n; ++i)
            names << QString::fromUtf8(sqlite3_column_name(st, i));
        sink->columns(names);
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (!sink)
            continue;
        for (int i = 0; i < n; ++i) {
            switch (sqlite3_column_type(st, i)) {
            case SQLITE_INTEGER:
                sink->value(QVariant(qlonglong(sqlite3_column_int64(st, i))));
                break;
            case SQLITE_FLOAT:
                sink->value(QVariant(sqlite3_column_double(st, i)));
                break;
            case SQLITE_NULL:
                sink->value(QVariant());
                break;
            case SQLITE_BLOB:
                sink->value(QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(st, i)),
                                                sqlite3_column_bytes(st, i))));
                break;
            default:
                sink->value(QVariant(QString::fromUtf8(
                    reinterpret_cast<const char *>(sqlite3_column_text(st, i)),
                    sqlite3_column_bytes(st, i))));
            }
        }
        sink->endRow();
    }
    if (rc != SQLITE_DONE)
        return fail(rc);
    if (changes)
        *changes = sqlite3_changes64(h);
    return true;
}

QStringList SqliteEngine::rowsBreakingTypes(const QString &address, int limit) const
{
    struct Column
    {
        const char *name;
        bool whole;
    };
    struct Table
    {
        const char *name;
        const char *key;
        QList<Column> columns;
    };
    static const QList<Table> tables = {
        {"Inventory", "PartNo", {{"CurrentInv", true}, {"UnitCost", false}, {"ReorderPoint", true},
                                 {"MinReq", true}, {"Bin", true}}},
        {"BoardBOM", "BoardPN", {{"QtyUsed", false}}},
    };
    QStringList found;
    sqlite3 *h = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(address).constData(), &h, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(h);
        return found; // opening it for use reports why
    }
    sqlite3_busy_timeout(h, BusyTimeoutMs);
    auto typeTest = [](const Column &c) {
        return QStringLiteral("typeof(%1) NOT IN (%2'integer', 'null')")
            .arg(QLatin1String(c.name), c.whole ? QString() : QStringLiteral("'real', "));
    };
    for (const Table &t : tables) {
        QStringList names{QLatin1String(t.key)}, tests;
        for (const Column &c : t.columns) {
            names << QLatin1String(c.name);
            tests << typeTest(c);
        }
        // The program's own names only; no value is part of the text.
        const QByteArray sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 LIMIT %4")
                                   .arg(names.join(QStringLiteral(", ")), QLatin1String(t.name),
                                        tests.join(QStringLiteral(" OR ")), QString::number(limit))
                                   .toUtf8();
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(h, sql.constData(), -1, &st, nullptr) != SQLITE_OK) {
            sqlite3_finalize(st);
            continue; // no such table: not a Partwise database, said elsewhere
        }
        auto text = [&](int i) {
            return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, i)));
        };
        while (found.size() < limit && sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < t.columns.size(); ++i) {
                const int type = sqlite3_column_type(st, i + 1);
                const Column &c = t.columns.at(i);
                if (type == SQLITE_NULL || type == SQLITE_INTEGER || (!c.whole && type == SQLITE_FLOAT))
                    continue;
                found << QStringLiteral("%1 %2 \"%3\": %4 \"%5\" is not %6")
                             .arg(QLatin1String(t.name), QLatin1String(t.key), text(0),
                                  QLatin1String(c.name), text(i + 1),
                                  c.whole ? QStringLiteral("a whole number") : QStringLiteral("a number"));
            }
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(h);
    return found.mid(0, limit);
}
