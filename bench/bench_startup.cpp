// Time from process start to the main window shown with the database open,
// splash second included, on a large catalogue.
#include "ui/appcontext.h"
#include "app/mainwindow.h"
#include "app/startup.h"
#include "ui/userinterface.h"
#include "benchsupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <cstdio>

namespace {

// The child: a program start exactly as main() does it, on the given folder.
int runChild(int argc, char **argv, const QString &folder)
{
    QApplication application(argc, argv);
    AppContext app;
    app.setProgramFolder(folder);
    app.setDatabasePath(QDir(folder).filePath(QStringLiteral("Inventory.mdb")));
    app.setSettingsFile(QDir(folder).filePath(QStringLiteral("bench-settings.ini")));
    MainWindow *w = Startup::run(app);
    if (!w)
        return 1;
    QCoreApplication::processEvents();
    std::printf("SHOWN\n");
    std::fflush(stdout);
    w->close();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    Bench::headless();
    if (argc == 3 && QByteArray(argv[1]) == "--child")
        return runChild(1, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication app(argc, argv);
    const QString folder = QDir::current().absoluteFilePath(QStringLiteral("startup-bench"));
    QDir().mkpath(folder);
    QString error;
    const int parts = Bench::DefaultParts;
    if (!Bench::makeDatabase(QDir(folder).filePath(QStringLiteral("Inventory.mdb")), parts,
                             Bench::DefaultBomRows, &error)) {
        std::fprintf(stderr, "cannot make the database: %s\n", qPrintable(error));
        return 1;
    }
    QList<double> runs;
    for (int i = 0; i < 5; ++i) {
        QProcess child;
        child.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer t;
        t.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), folder});
        bool shown = false;
        while (!shown && child.waitForReadyRead(10000))
            shown = child.readAll().contains("SHOWN");
        const double ms = double(t.nsecsElapsed()) / 1e6;
        child.waitForFinished(10000);
        if (!shown) {
            std::fprintf(stderr, "the program did not start\n");
            return 1;
        }
        runs << ms;
    }
    Bench::report("startup_ms", Bench::percentile(runs, 50), "ms", parts);
    return 0;
}
