#include "ui/appcontext.h"

#include "ui/userinterface.h"
#include "data/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

AppContext::AppContext(UserInterface *ui)
    : m_programFolder(QCoreApplication::applicationDirPath()),
      m_database(QStringLiteral("gcnn"))
{
    setUserInterface(ui);
}

AppContext::~AppContext() = default;

void AppContext::setUserInterface(UserInterface *ui)
{
    if (ui) {
        m_ui = ui;
        m_ownUi.reset();
    } else {
        m_ownUi = std::make_unique<DialogUserInterface>();
        m_ui = m_ownUi.get();
    }
}

QString AppContext::databaseAddress() const
{
    QString address = m_databaseAddress.trimmed();
    if (address.isEmpty()) {
        const auto s = settings();
        address = s->value(QStringLiteral("Settings/Database")).toString().trimmed();
    }
    if (address.isEmpty())
        return databasePath();
    return SqlEngine::forAddress(address)->resolved(address, dataFolder());
}

std::unique_ptr<QSettings> AppContext::settings() const
{
    if (!m_settingsFile.isEmpty())
        return std::make_unique<QSettings>(m_settingsFile, QSettings::IniFormat);
    return std::make_unique<QSettings>(QStringLiteral("Partwise"), QStringLiteral("Partwise"));
}

QString AppContext::databaseFileRole(const QString &path) const
{
    const QString role = m_database.roleOfFile(databaseAddress(), path);
    if (role.isEmpty())
        return QString();
    if (role == QLatin1String("database"))
        return QStringLiteral("the inventory database");
    return QStringLiteral("the inventory database's ") + role;
}

bool AppContext::OpenInventoryDatabase()
{
    if (databaseAddress().isEmpty()) {
        // The shell (or a tool) says where the database is; nothing here guesses.
        m_database.setError(DbError::engine(-1, QStringLiteral("No database is set: the program did not say where "
                                                               "its database file is.")));
        return false;
    }
    if (!m_database.openAtStartUp(databaseAddress()))
        return false;
    const QStringList tables = m_database.tables();
    for (const QString &table : Schema::requiredTables()) {
        if (!tables.contains(table, Qt::CaseInsensitive)) {
            m_database.close();
            m_database.setError(DbError::engine(
                -1, QStringLiteral("It is not a Partwise database: it has no table %1.").arg(table)));
            return false;
        }
    }
    return true;
}
