// New BOM Submit and BOM editor load through the real windows, on a database
// with 100,000 BoardBOM rows and full synchronous commits.
#include "app/mainwindow.h"
#include "benchsupport.h"
#include "bom/addnewbomwindow.h"
#include "bom/boardbomwindow.h"
#include "ui/gridview.h"
#include "ui/appcontext.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

namespace {

constexpr int BomRows = 100000;
constexpr int LoadedBomRows = 500;

bool setUp(AppContext &app, QString *error)
{
    const QString folder = QDir::current().absoluteFilePath(QStringLiteral("bom-bench"));
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(QStringLiteral("Inventory.mdb"));
    if (!Bench::makeDatabase(path, Bench::DefaultParts, BomRows - LoadedBomRows, error))
        return false;
    app.setProgramFolder(folder);
    app.setDatabasePath(path);
    app.setSettingsFile(QDir(folder).filePath(QStringLiteral("bench-settings.ini")));
    if (!app.OpenInventoryDatabase()) {
        *error = app.database().errorString();
        return false;
    }
    Database &db = app.database();
    bool ok = db.beginWrite();
    for (int i = 0; ok && i < LoadedBomRows; ++i)
        ok = db.execute(QStringLiteral("INSERT INTO BoardBOM (BoardPN, Description, PartNo, QtyUsed) "
                                       "VALUES (?, ?, ?, ?)"),
                        {QStringLiteral("BENCH-500"), QStringLiteral("Large board"), Bench::partNumber(i), 1});
    ok = ok && db.commit();
    if (!ok)
        *error = db.errorString();
    return ok;
}

template <class W> W *open(MainWindow &main, CommandId id)
{
    main.run(id);
    QCoreApplication::processEvents();
    return qobject_cast<W *>(main.activeChild());
}

} // namespace

int main(int argc, char **argv)
{
    Bench::headless();
    QApplication application(argc, argv);

    Bench::QuietUi ui;
    AppContext app(&ui);
    QString error;
    if (!setUp(app, &error)) {
        std::fprintf(stderr, "cannot set up the database: %s\n", qPrintable(error));
        return 1;
    }
    MainWindow main(app);
    main.resize(1000, 760);
    main.show();

    // New BOM: one component per Submit, the list of the BOM read again each time.
    auto *newBom = open<AddNewBomWindow>(main, CommandId::NewBOM);
    if (!newBom) {
        std::fprintf(stderr, "the New BOM window did not open\n");
        return 1;
    }
    const int warmUp = 10, runs = 200;
    QList<double> submits;
    newBom->findChild<QLineEdit *>(QStringLiteral("txtBoardNo"))->setText(QStringLiteral("NEW-BENCH"));
    newBom->findChild<QLineEdit *>(QStringLiteral("txtDescription"))->setText(QStringLiteral("Benchmark board"));
    for (int i = 0; i < warmUp + runs; ++i) {
        newBom->findChild<QLineEdit *>(QStringLiteral("txtPartNo"))->setText(Bench::partNumber(i * 7));
        newBom->findChild<QLineEdit *>(QStringLiteral("txtQuantity"))->setText(QStringLiteral("2"));
        QElapsedTimer t;
        t.start();
        newBom->findChild<QPushButton *>(QStringLiteral("cmdAdd"))->click();
        QCoreApplication::processEvents(); // the repaint the user waits for
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (ui.messages || !newBom->findChild<QLineEdit *>(QStringLiteral("txtPartNo"))->text().isEmpty()) {
            std::fprintf(stderr, "a Submit failed: %s\n", qPrintable(ui.last));
            return 1;
        }
        if (i >= warmUp)
            submits << ms;
    }
    Bench::report("newbom_submit_ms", Bench::percentile(submits, 50), "ms", BomRows);
    Bench::report("newbom_submit_p99_ms", Bench::percentile(submits, 99), "ms", BomRows);

    // The editor: a 500-row BOM loaded into the grid.
    auto *editor = open<BoardBomWindow>(main, CommandId::EditBOM);
    if (!editor) {
        std::fprintf(stderr, "the BOM editor did not open\n");
        return 1;
    }
    QList<double> loads;
    for (int i = 0; i < 5 + 50; ++i) {
        editor->findChild<QLineEdit *>(QStringLiteral("txtPartNo"))->setText(QStringLiteral("BENCH-500"));
        QElapsedTimer t;
        t.start();
        editor->findChild<QPushButton *>(QStringLiteral("cmdGo"))->click();
        QCoreApplication::processEvents();
        const double ms = double(t.nsecsElapsed()) / 1e6;
        const GridView *grid = editor->findChild<GridView *>(QStringLiteral("grdDataGrid"));
        if (ui.messages || !grid->model() || grid->model()->rowCount() != LoadedBomRows) {
            std::fprintf(stderr, "a load failed: %s\n", qPrintable(ui.last));
            return 1;
        }
        if (i >= 5)
            loads << ms;
    }
    Bench::report("bomedit_load_ms", Bench::percentile(loads, 50), "ms", LoadedBomRows);
    Bench::report("bomedit_load_p99_ms", Bench::percentile(loads, 99), "ms", LoadedBomRows);
    main.close();
    return 0;
}
