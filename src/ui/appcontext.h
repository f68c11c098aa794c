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

    // The folder that holds the program, its database and its manual.
    QString programFolder() const { return m_programFolder; }
    void setProgramFolder(const QString &folder) { m_programFolder = folder; }
    // The database file beside the program, used when nothing else is set.
    QString databasePath() const;
    // The database to open: the address given on the command line, else the
    // setting Database (group Settings), else the file beside the program. An
    // address is a file's path (relative to the program folder) or a
    // PostgreSQL address postgresql://user@host:port/dbname.
    QString databaseAddress() const;
    void setDatabaseAddress(const QString &address) { m_databaseAddress = address; }

    QDateTime now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    // The device that stands for the scanner's serial port: the setting
    // ScannerPort in the Settings group, /dev/ttyS0 when there is none. A name
    // set here (tests) wins over the setting.
    QString serialPortName() const;
    void setSerialPortName(const QString &name) { m_serialPort = name; }

    // The help file, relative to the program folder; empty means no help.
    QString helpFile() const { return m_helpFile; }
    void setHelpFile(const QString &file) { m_helpFile = file; }

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
    QString m_serialPort; // empty: the setting decides
    QString m_helpFile;
    QString m_settingsFile;
    QString m_databaseAddress;
    Database m_database;
};
