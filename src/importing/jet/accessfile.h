#pragma once

#include "data/databasecopy.h"

#include <memory>

// A Microsoft Access database (Jet 3, Jet 4 or ACE: .mdb and .accdb), read
// through libmdb, as the source of a copy. Values arrive in the program's
// terms: Yes/No as 0/1, Currency, Single and Double as double, Date/Time as
// ISO text (yyyy-MM-ddTHH:mm:ss), text converted from the file's code page.
class AccessFile : public CopySource
{
public:
    AccessFile();
    ~AccessFile() override;

    // True when the file starts as an Access database does.
    static bool isAccessFile(const QString &path);
    // False when the program was built without the Access reader.
    static bool isSupported();

    bool open(const QString &path, QString *error);
    QString describe() const override { return m_path; }
    // The user's tables (system tables left out), in the file's order.
    QStringList tables() override;
    bool openTable(const QString &table, QStringList *columns, QString *error) override;
    bool nextRow(QVariantList *values, QString *error) override;

    // The ISO text for an Access date value (days since 30 December 1899, the
    // fraction giving the time of day).
    static QString isoDate(double value);

private:
    struct Handle;
    std::unique_ptr<Handle> m;
    QString m_path;
};
