// partwise-mkdb OUT SCHEMA.sql DATA.sql: builds a new database file.
// Refuses to touch an existing file; a failed build leaves no file behind.
#include "data/schema.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: partwise-mkdb OUT.mdb SCHEMA.sql DATA.sql\n");
        return 2;
    }
    // The schema compiled into the program is the one used; the argument only
    // ties the build's dependency to the file.
    QFile data(args.at(2));
    if (!data.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(2)));
        return 1;
    }
    const QString tmp = args.at(0) + QStringLiteral(".building");
    QFile::remove(tmp);
    QString error;
    if (!Schema::createFile(tmp, QString::fromUtf8(data.readAll()), &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    if (!QFile::rename(tmp, args.at(0))) {
        std::fprintf(stderr, "cannot move %s into place\n", qPrintable(tmp));
        QFile::remove(tmp);
        return 1;
    }
    return 0;
}
