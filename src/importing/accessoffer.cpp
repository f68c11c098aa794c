#include "importing/accessoffer.h"

#include "data/databasecopy.h"
#include "data/sqlengine.h"
#include "importing/jet/accessfile.h"
#include "ui/appcontext.h"
#include "ui/userinterface.h"

#include <QDir>
#include <QFileInfo>

namespace AccessOffer {

QString copyPath(const QString &accessPath)
{
    const QFileInfo info(accessPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-Partwise.mdb"));
}

bool offerCopy(AppContext &app, QWidget *parent)
{
    const QString path = app.databaseAddress();
    if (SqlEngine::forAddress(path)->driverName() != QLatin1String("QSQLITE") || !AccessFile::isAccessFile(path))
        return false;
    const QString target = copyPath(path);
    const QString command = QStringLiteral("partwise-dbcopy \"%1\" \"%2\"")
                                .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(target));
    UserInterface &ui = app.ui();
    auto useCopy = [&] {
        app.setDatabaseAddress(target);
        return true;
    };
    if (QFileInfo::exists(target)) {
        if (ui.message(parent,
                       QStringLiteral("%1 is a Microsoft Access database, which Partwise does not open "
                                      "itself.\n\nA Partwise copy of it is already there:\n%2\n\nOpen that copy?")
                           .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(target)),
                       UserInterface::programTitle(), UserInterface::Icon::Question,
                       UserInterface::Buttons::YesNo) != UserInterface::Answer::Yes)
            return false;
        return useCopy();
    }
    // A file that only looks like one (a damaged or cut-off file) gets the
    // usual message of a database that does not open.
    AccessFile access;
    QString why;
    if (AccessFile::isSupported() && !access.open(path, &why))
        return false;
    if (!AccessFile::isSupported()) {
        ui.inform(parent, QStringLiteral("%1 is a Microsoft Access database, which Partwise does not open "
                                         "itself, and this installation cannot read Access files.")
                              .arg(QDir::toNativeSeparators(path)),
                  UserInterface::Icon::Warning);
        return false;
    }
    if (ui.message(parent,
                   QStringLiteral("%1 is a Microsoft Access database, which Partwise does not open itself.\n\n"
                                  "Partwise can copy its parts, bills of materials, users and preferred vendors "
                                  "into a new Partwise database beside it:\n%2\n"
                                  "The Access file stays as it is.\n\nCopy it now?\n\n"
                                  "(The same copy can be made at a command prompt with\n%3)")
                       .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(target), command),
                   UserInterface::programTitle(), UserInterface::Icon::Question,
                   UserInterface::Buttons::YesNo) != UserInterface::Answer::Yes)
        return false;

    DatabaseCopy copy;
    QStringList report, notices;
    copy.progress = [&](const QString &table, qint64 rows) {
        report << QStringLiteral("%1: %2 rows").arg(table).arg(rows);
    };
    copy.notice = [&](const QString &line) { notices << line; };
    if (!copy.run(access, target)) {
        why = copy.error();
        QStringList shown = notices.mid(0, 12);
        if (notices.size() > shown.size())
            shown << QStringLiteral("... and %1 more.").arg(notices.size() - shown.size());
        ui.inform(parent,
                  QStringLiteral("The copy was not made:\n%1%2\n\nThe command partwise-dbcopy, run at a command "
                                 "prompt, can copy tables of other names (--table, --column); "
                                 "partwise-dbcopy --help tells how.")
                      .arg(why, shown.isEmpty() ? QString() : QLatin1Char('\n') + shown.join(QLatin1Char('\n'))),
                  UserInterface::Icon::Warning);
        return false;
    }
    QStringList shown = notices.mid(0, 12);
    if (notices.size() > shown.size())
        shown << QStringLiteral("... and %1 more.").arg(notices.size() - shown.size());
    ui.inform(parent,
              QStringLiteral("Copied into %1:\n%2%3")
                  .arg(QDir::toNativeSeparators(target), report.join(QLatin1Char('\n')),
                       shown.isEmpty() ? QString()
                                       : QStringLiteral("\n\nNot copied:\n") + shown.join(QLatin1Char('\n'))),
              UserInterface::Icon::Information);
    return useCopy();
}

} // namespace AccessOffer
