#pragma once

#include "data/database.h"

#include <QDateTime>
#include <QString>
#include <functional>
#include <memory>

class QSettings;
class UserInterface;

// What the whole program shares: the database connection and the seams a test sets (program folder, clock, serial port,
// settings file, dialogs).
class AppContext
{
public:
    explicit AppContext(UserInterface *ui = nullptr);
    ~AppContext();

    UserInterface &ui() const { return *m_ui; }
    void setUserInterface(UserInterface *ui);

    // The folder of the program's own files: report templates, manual, web
    // start page. The shell sets it: beside the program, or the shared data
    // folder of an installed copy.
    QString programFolder() const { return m_programFolder; }
    void setProgramFolder(const QString &folder) { m_programFolder = folder; }
    // The folder the program writes in: its database and work files. The
    // program folder unless the shell chose another.
    QString dataFolder() const { return m_dataFolder.isEmpty() ? m_programFolder : m_dataFolder; }
    void setDataFolder(const QString &folder) { m_dataFolder = folder; }
    // The database file used when nothing else is set; the shell decides
    // where it lives.
    QString databasePath() const { return m_databasePath; }
    void setDatabasePath(const QString &path) { m_databasePath = path; }
    // The database to open: the address given on the command line, else the
    // setting Database (group Settings), else databasePath(). An address is a
    // file's path (relative to the data folder) or a PostgreSQL address
    // postgresql://user@host:port/dbname.
    QString databaseAddress() const;
    void setDatabaseAddress(const QString &address) { m_databaseAddress = address; }

    QDateTime now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // Settings: the per-user store, or an INI file a test chose.
    std::unique_ptr<QSettings> settings() const;
    void setSettingsFile(const QString &iniPath) { m_settingsFile = iniPath; }

    // The shared connection.
    Database &database() { return m_database; }
    const Database &database() const { return m_database; }
    // Opens the shared connection on databaseAddress().
    bool OpenInventoryDatabase();
    // What `path` is when it is the inventory database or one of the files
    // the engine keeps beside it ("the inventory database's write-ahead
    // log"); empty when it is neither. No document is read from or written
    // to such a file.
    QString databaseFileRole(const QString &path) const;

private:
    UserInterface *m_ui = nullptr;
    std::unique_ptr<UserInterface> m_ownUi;
    QString m_programFolder;
    std::function<QDateTime()> m_clock;
    QString m_dataFolder;
    QString m_databasePath;
    QString m_settingsFile;
    QString m_databaseAddress;
    Database m_database;
};
