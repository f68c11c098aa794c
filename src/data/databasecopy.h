#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

// Rows of another kind of database (an Access file) read for a copy. Values
// come already in the program's terms: whole numbers as qlonglong, Yes/No as
// 0 or 1, money and fractions as double, dates as ISO text, text as QString,
// anything else (pictures, binary) as QByteArray.
class CopySource
{
public:
    virtual ~CopySource() = default;
    virtual QString describe() const = 0;
    virtual QStringList tables() = 0;
    // Starts reading a table: its column names, in the order of the values.
    virtual bool openTable(const QString &table, QStringList *columns, QString *error) = 0;
    // The next row; false at the end, or on a failure with *error set.
    virtual bool nextRow(QVariantList *values, QString *error) = 0;
};

// Copies the program's tables, every row, from one database to another, also
// from one engine to the other (a file to a server and back). The target gets
// the tables from the schema when it has none (a file that is not there is
// made), must hold no rows unless replacing is asked for, and is written in
// one transaction: a copy that fails leaves the target as it was. A new file
// is written under a temporary name beside it and takes its name only once
// complete and checked, so a copy cut short leaves no file; a file target is
// taken out of its write-ahead log and checked before success is reported.
class DatabaseCopy
{
public:
    // Told after each table: its name and the rows copied.
    std::function<void(const QString &table, qint64 rows)> progress;
    // Told a line per column left out or value that does not fit.
    std::function<void(const QString &line)> notice;
    // Delete the rows the target holds before copying.
    bool replace = false;
    // Read and check everything, write nothing.
    bool checkOnly = false;
    // For a source of another kind: a source table copied into a table of the
    // program (by default each table of the program takes the source table
    // of its name, in any letter case) ...
    QHash<QString, QString> tableMap; // source table -> program table
    // ... and source columns copied into columns of another name (an empty
    // name leaves the column out without a notice).
    QHash<QString, QString> columnMap; // source column -> program column

    // False with the reason in error().
    bool run(const QString &from, const QString &to);
    bool run(CopySource &source, const QString &to);
    QString error() const { return m_error; }
    // Lines told through notice() in the last run.
    int noticeCount() const { return m_notices; }

    // The temporary name a new file is written under.
    static QString partialName(const QString &to);

private:
    bool write(const QString &to, const QString &sourceDescription,
               const std::function<bool(class Database &target, struct DbError *failure,
                                        QString *refusal, QString *failedTable)> &fill,
               const std::function<QString(class Database &target, const QString &failedTable)> &explain);
    void tell(const QString &line);

    QString m_error;
    int m_notices = 0;
    QList<QPair<QString, qint64>> m_counts;
};
