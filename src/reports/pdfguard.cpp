#include "reports/pdfguard.h"

#include "ui/appcontext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return QDir::cleanPath(fa.absoluteFilePath()) == QDir::cleanPath(fb.absoluteFilePath());
}

// The database files in use: the one beside the program and the one opened,
// with the write-ahead log, shared memory and rollback journal of each.
QString databaseRole(const AppContext &app, const QString &path)
{
    if (const QString role = app.databaseFileRole(path); !role.isEmpty())
        return role;
    QStringList files{app.databasePath()};
    const QString address = app.databaseAddress();
    if (!address.contains(QLatin1String("://")))
        files << address;
    const struct
    {
        const char *suffix;
        const char *role;
    } companions[] = {{"", "the inventory database"},
                      {"-wal", "the inventory database's write-ahead log"},
                      {"-shm", "the inventory database's shared memory file"},
                      {"-journal", "the inventory database's rollback journal"}};
    for (const QString &file : files)
        for (const auto &c : companions)
            if (sameFile(file + QLatin1String(c.suffix), path))
                return QLatin1String(c.role);
    return QString();
}

bool isPdf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) && f.read(5) == "%PDF-";
}

} // namespace

PdfGuard::Check PdfGuard::check(const AppContext &app, const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (const QString role = databaseRole(app, path); !role.isEmpty())
        return {Verdict::Refuse, QStringLiteral("%1 is %2.").arg(shown, role)};
    const QFileInfo info(path);
    if (info.isDir())
        return {Verdict::Refuse, QStringLiteral("%1 is a folder.").arg(shown)};
    if (info.exists() && !isPdf(path))
        return {Verdict::Confirm, QStringLiteral("%1 already exists and is not a PDF file.").arg(shown)};
    return {};
}
