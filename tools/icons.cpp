// partwise-icons FOLDER: writes the program's icon, drawn by the program's own
// artwork, as FOLDER/hicolor/<size>x<size>/apps/partwise.png for the sizes a
// desktop asks for.
#include "app/artwork.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: partwise-icons FOLDER\n");
        return 2;
    }
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/hicolor/%2x%2/apps").arg(args.first()).arg(size);
        const QString file = folder + QStringLiteral("/partwise.png");
        if (!QDir().mkpath(folder) || !Artwork::logo(size).save(file, "PNG")) {
            std::fprintf(stderr, "partwise-icons: %s could not be written.\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
