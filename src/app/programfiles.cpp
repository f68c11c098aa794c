#include "app/programfiles.h"

#include "data/schema.h"
#include "ui/appcontext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace ProgramFiles {

QString databaseFileName()
{
    return QStringLiteral("Inventory.mdb");
}

QString helpFile()
{
    return QStringLiteral("help/index.html");
}

QString sampleFileName()
{
    return QStringLiteral("Sample.mdb");
}

QString installedDataFolder(const QString &programDir)
{
    const QDir dir(programDir);
    if (dir.dirName() != QLatin1String("bin"))
        return QString();
    const QString share = QDir::cleanPath(dir.filePath(QStringLiteral("../share/partwise")));
    return QFileInfo::exists(QDir(share).filePath(QStringLiteral("Bin.rpt"))) ? share : QString();
}

namespace {

// Copies through a temporary name, so that a broken copy never stands as
// the database.
bool copyFile(const QString &from, const QString &to, QString *error)
{
    const QString partial = to + QStringLiteral(".part");
    QFile::remove(partial);
    QFile source(from);
    if (!source.copy(partial)) {
        *error = source.errorString();
        return false;
    }
    QFile::setPermissions(partial, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    if (!QFile::rename(partial, to)) {
        QFile::remove(partial);
        *error = QStringLiteral("It could not be renamed into place.");
        return false;
    }
    return true;
}

} // namespace

Placement place(AppContext &app, const QString &programDir, const QString &userDataDir)
{
    Placement p;
    const QString share = installedDataFolder(programDir);
    app.setProgramFolder(share.isEmpty() ? programDir : share);
    const QString beside = QDir(programDir).filePath(databaseFileName());
    if (share.isEmpty() && QFileInfo(programDir).isWritable()) {
        app.setDataFolder(programDir);
        app.setDatabasePath(beside);
        p.path = beside;
        return p;
    }
    app.setDataFolder(userDataDir);
    p.path = QDir(userDataDir).filePath(databaseFileName());
    app.setDatabasePath(p.path);
    if (app.databaseAddress() != p.path || QFileInfo::exists(p.path))
        return p; // another database is set, or this one is there already
    if (!QDir().mkpath(userDataDir)) {
        p.error = QStringLiteral("The folder %1 could not be made.").arg(QDir::toNativeSeparators(userDataDir));
        return p;
    }
    const QString sample = share.isEmpty() ? beside : QDir(share).filePath(sampleFileName());
    QString error;
    if (QFileInfo::exists(sample)) {
        if (copyFile(sample, p.path, &error)) {
            p.made = QStringLiteral("sample");
            p.source = sample;
        }
    } else if (Schema::createFile(p.path, QString(), &error)) {
        p.made = QStringLiteral("schema");
    }
    if (p.made.isEmpty())
        p.error = error;
    return p;
}

QString madeText(const Placement &placement)
{
    const QString where = QDir::toNativeSeparators(placement.path);
    if (placement.made != QLatin1String("sample"))
        return QStringLiteral("Partwise keeps your inventory in\n%1\n\nIt was made empty at this first start.")
            .arg(where);
    if (QFileInfo(placement.source).fileName() == sampleFileName())
        return QStringLiteral("Partwise keeps your inventory in\n%1\n\nIt was made from the sample "
                              "database at this first start. Its parts, BOMs and the user admin are "
                              "there to try; delete them when you move your own stock in.")
            .arg(where);
    // A database beside a program in a folder it may not write in: the copy
    // is the user's own from now on, and the message says so.
    return QStringLiteral("Partwise cannot write in its own folder, so it keeps your inventory in\n%1\n\n"
                          "It was made at this first start as a copy of\n%2\nChanges go to the copy only.")
        .arg(where, QDir::toNativeSeparators(placement.source));
}

} // namespace ProgramFiles
