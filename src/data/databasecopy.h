#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// Copies the program's tables, every row, from one database to another, also
// from one engine to the other (a file to a server and back). The target gets
// the tables from the schema when it has none (a file that is not there is
// made), must hold no rows unless replacing is asked for, and is written in
// one transaction: a copy that fails leaves the target as it was.
class DatabaseCopy
{
public:
    // Told after each table: its name and the rows copied.
    std::function<void(const QString &table, qint64 rows)> progress;
    // Delete the rows the target holds before copying.
    bool replace = false;

    // False with the reason in error().
    bool run(const QString &from, const QString &to);
    QString error() const { return m_error; }

private:
    QString m_error;
};
