// The catalogue grid and the stock valuation on large catalogues, through the
// main window's commands: opening the grid (the first screen read and shown;
// the rest follows in the background, `_all_rows_ms`), a heading click that
// sorts every row, the valuation written into its window, and the
// memory an open grid holds (the resident growth; `_heap_mb` leaves out the
// database file's pages that the engine maps into memory). Each time is also given as the processor time
// the program used (`_cpu_ms`), which a machine busy with other work does not
// inflate.
#include "app/mainwindow.h"
#include "benchsupport.h"
#include "stock/fullinventorywindow.h"
#include "ui/appcontext.h"
#include "ui/listgridmodel.h"
#include "ui/gridview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <cstdio>
#include <ctime>
#include <malloc.h>

namespace {

// Wall-clock and processor time of one step.
class Clock
{
public:
    Clock()
    {
        m_wall.start();
        m_cpu = Bench::cpuMs();
    }
    double wallMs() const { return m_wall.nsecsElapsed() / 1e6; }
    double usedCpuMs() const { return Bench::cpuMs() - m_cpu; }

private:
    QElapsedTimer m_wall;
    double m_cpu;
};

struct Time
{
    double wall = 0, cpu = 0;
};

Time median(const QList<Time> &samples)
{
    QList<double> wall, cpu;
    for (const Time &t : samples) {
        wall << t.wall;
        cpu << t.cpu;
    }
    return {Bench::percentile(wall, 50), Bench::percentile(cpu, 50)};
}

// Memory freed by the allocator goes back to the system, so that a growth
// measured next starts from what is really in use.
double settledMb()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    malloc_trim(0);
    return Bench::residentMb();
}

// Memory of this process that is not a mapped file (the database file, read
// through a memory map, counts in the resident figure but is no one's heap).
double anonymousMb()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("RssAnon:"))
            return line.mid(8).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

FullInventoryWindow *openGrid(MainWindow &main, Time *time)
{
    const Clock clock;
    main.run(CommandId::ShowAll);
    QCoreApplication::processEvents(); // shown and painted
    *time = {clock.wallMs(), clock.usedCpuMs()};
    return qobject_cast<FullInventoryWindow *>(main.activeChild());
}

void closeAll(MainWindow &main)
{
    main.mdiArea()->closeAllSubWindows();
    settledMb();
}

struct Figures
{
    Time open, sort, value, complete;
    double memoryMb = 0, anonymousMb = 0;
    int rows = 0;
};

bool measure(MainWindow &main, Bench::QuietUi &ui, int sortClicks, int rounds, Figures *out)
{
    const double before = settledMb();
    const double anonymousBefore = anonymousMb();
    Time time;
    FullInventoryWindow *w = openGrid(main, &time);
    if (!w || w->model()->rowCount() == 0)
        return false;
    // The rest of the rows come in the background: the memory is that of
    // the whole catalogue read.
    {
        const Clock clock;
        while (!w->model()->isComplete())
            QCoreApplication::processEvents();
        out->complete = {time.wall + clock.wallMs(), time.cpu + clock.usedCpuMs()};
        out->rows = w->model()->rowCount();
    }
    out->memoryMb = settledMb() - before;
    out->anonymousMb = anonymousMb() - anonymousBefore;
    QList<Time> opens{time};
    for (int i = 1; i < rounds; ++i) {
        closeAll(main);
        w = openGrid(main, &time);
        if (!w)
            return false;
        opens << time;
    }
    out->open = median(opens);

    if (sortClicks > 0) {
        // Every heading, each clicked three times (ascending, descending,
        // ascending); the figure is the slowest heading at its median.
        for (int column = 0; column < w->model()->columnCount(); ++column) {
            QList<Time> clicks;
            for (int i = 0; i < sortClicks; ++i) {
                const Clock clock;
                w->findChild<GridView *>(QStringLiteral("MSHFlexGrid1"))->headingClicked(column);
                QCoreApplication::processEvents();
                clicks << Time{clock.wallMs(), clock.usedCpuMs()};
            }
            const Time t = median(clicks);
            std::printf("(sort by column %d: %.0f ms, %.0f ms of processor time)\n", column, t.wall, t.cpu);
            out->sort.wall = qMax(out->sort.wall, t.wall);
            out->sort.cpu = qMax(out->sort.cpu, t.cpu);
        }
    }
    closeAll(main);

    QList<Time> values;
    for (int i = 0; i < rounds; ++i) {
        const Clock clock;
        main.run(CommandId::Value);
        QCoreApplication::processEvents();
        values << Time{clock.wallMs(), clock.usedCpuMs()};
    }
    out->value = median(values);
    closeAll(main);
    if (ui.messages) {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(ui.last));
        return false;
    }
    return true;
}

bool run(const QString &folder, int parts, int sortClicks, int rounds, Figures *out)
{
    Bench::QuietUi ui;
    AppContext app(&ui);
    QString error;
    if (!Bench::setUpProgramFolder(app, folder, parts, &error)) {
        std::fprintf(stderr, "cannot set up the database: %s\n", qPrintable(error));
        return false;
    }
    MainWindow main(app);
    main.resize(1000, 760);
    main.show();
    QCoreApplication::processEvents();
    const bool ok = measure(main, ui, sortClicks, rounds, out);
    main.hide();
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    Bench::headless();
    QApplication application(argc, argv);

    const int parts = Bench::DefaultParts;
    Figures small;
    // "1m": the million-part figures only.
    const bool onlyLarge = argc > 1 && QByteArray(argv[1]) == "1m";
    if (!onlyLarge && !run(QStringLiteral("grids-bench"), parts, 3, 5, &small)) {
        std::fprintf(stderr, "the grid or the valuation did not work\n");
        return 1;
    }
    if (!onlyLarge) {
    Bench::report("grid_open_ms", small.open.wall, "ms", parts);
    Bench::report("grid_sort_ms", small.sort.wall, "ms", parts);
    Bench::report("valuation_ms", small.value.wall, "ms", parts);
    Bench::report("grid_memory_mb", small.memoryMb, "MB", parts);
    Bench::report("grid_open_cpu_ms", small.open.cpu, "ms", parts);
    Bench::report("grid_sort_cpu_ms", small.sort.cpu, "ms", parts);
    Bench::report("valuation_cpu_ms", small.value.cpu, "ms", parts);
    }

    const int million = 1000000;
    Figures large;
    if (!run(QStringLiteral("grids-bench-1m"), million, 3, 3, &large)) {
        std::fprintf(stderr, "the grid or the valuation did not work on a million parts\n");
        return 1;
    }
    Bench::report("valuation_1m_ms", large.value.wall, "ms", million);
    Bench::report("grid_1m_memory_mb", large.memoryMb, "MB", million);
    Bench::report("valuation_1m_cpu_ms", large.value.cpu, "ms", million);
    Bench::report("grid_1m_memory_heap_mb", large.anonymousMb, "MB", million);
    Bench::report("grid_1m_open_ms", large.open.wall, "ms", million);
    Bench::report("grid_1m_sort_ms", large.sort.wall, "ms", million);
    Bench::report("grid_1m_open_cpu_ms", large.open.cpu, "ms", million);
    Bench::report("grid_1m_sort_cpu_ms", large.sort.cpu, "ms", million);
    // Every row read, in the background after the first screen.
    Bench::report("grid_1m_all_rows_ms", large.complete.wall, "ms", large.rows);
    return 0;
}
