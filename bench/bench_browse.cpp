// The two look-up windows on a large catalogue, through the real windows in
// the main window: opening (catalogue counted, list set up, window shown), one
// type-ahead key (press and release) anywhere in the list, one Next, and the
// memory one open window holds. Also the whole table read into a result set
// alone, for comparison with what the windows once did. Then the same on a
// million parts, with the memory a second open window adds.
#include "ui/appcontext.h"
#include "app/mainwindow.h"
#include "ui/userinterface.h"
#include "benchsupport.h"
#include "data/recordset.h"
#include "stock/browsedescwindow.h"
#include "stock/browseinvwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <cstdio>
#include <malloc.h>

namespace {

double elapsedMs(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
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

// One key as the user types it: press and release on the box, which has the
// focus. Returns the time both took.
double typeKey(QComboBox *box, QChar c)
{
    const int key = c.toUpper().unicode();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QElapsedTimer t;
    t.start();
    QApplication::sendEvent(box, &press);
    QApplication::sendEvent(box, &release);
    return elapsedMs(t);
}

// Types each prefix into an emptied box, key by key, `rounds` times over. The
// figure is the slowest key, each key taken at its median over the rounds so
// that a moment when the machine is busy elsewhere does not count as the
// window's time.
double worstTypeAhead(QComboBox *box, const QStringList &prefixes, int rounds = 5)
{
    QList<QList<double>> perKey;
    for (int round = 0; round < rounds; ++round) {
        int k = 0;
        for (const QString &prefix : prefixes) {
            box->setEditText(QString());
            for (QChar c : prefix) {
                if (perKey.size() <= k)
                    perKey.append(QList<double>());
                perKey[k++].append(typeKey(box, c));
            }
        }
    }
    double worst = 0;
    for (const QList<double> &samples : std::as_const(perKey))
        worst = qMax(worst, Bench::percentile(samples, 50));
    return worst;
}

struct Figures
{
    double openMs = 0, typeAheadMs = 0, nextMs = 0, memoryMb = 0, secondMemoryMb = 0;
    double listMemoryMb = 0, listMs = 0; // the list dropped down the first time
    double readMs = 0; // the window's statement read into a result set, alone
};

// How much of an opening is the result set itself: median of three reads.
double readOnlyMs(Database &db, const QString &sql)
{
    QList<double> samples;
    for (int i = 0; i < 3; ++i) {
        Recordset set;
        QElapsedTimer t;
        t.start();
        set.open(db, sql);
        samples << elapsedMs(t);
    }
    return Bench::percentile(samples, 50);
}

template <class W> W *openWindow(MainWindow &main, CommandId id, double *ms)
{
    QElapsedTimer t;
    t.start();
    main.run(id);
    QCoreApplication::processEvents();
    *ms = elapsedMs(t);
    return qobject_cast<W *>(main.activeChild());
}

template <class W>
bool measure(MainWindow &main, CommandId id, QComboBox *(*box)(W *), Bench::QuietUi &ui, Figures *out)
{
    // Memory and a first (cold) opening, then the median of three more.
    const double before = settledMb();
    double ms = 0;
    W *w = openWindow<W>(main, id, &ms);
    if (!w)
        return false;
    out->memoryMb = settledMb() - before;
    QList<double> opens{ms};
    for (int i = 0; i < 3; ++i) {
        w->frameWidget()->close();
        settledMb(); // the closed window is gone before the clock starts
        W *again = openWindow<W>(main, id, &ms);
        if (!again)
            return false;
        w = again;
        opens << ms;
    }
    out->openMs = Bench::percentile(opens, 50);

    QComboBox *combo = box(w);
    combo->setFocus();
    // The list is counted when it is first dropped down: what that adds.
    const double beforeList = settledMb();
    QElapsedTimer listClock;
    listClock.start();
    combo->showPopup();
    QCoreApplication::processEvents();
    out->listMs = elapsedMs(listClock);
    combo->hidePopup();
    out->listMemoryMb = settledMb() - beforeList;
    const int n = combo->count();
    const QString nearEnd = combo->itemText(n - 2);
    const QString middle = combo->itemText(n / 2);
    const QString nearStart = combo->itemText(n / 100);
    if (n >= 1000000) {
        // A second window beside the first: what it adds.
        const double beforeSecond = settledMb();
        double secondMs = 0;
        W *second = openWindow<W>(main, id, &secondMs);
        if (!second)
            return false;
        out->secondMemoryMb = settledMb() - beforeSecond;
        second->frameWidget()->close();
        settledMb();
        main.mdiArea()->setActiveSubWindow(qobject_cast<QMdiSubWindow *>(w->frameWidget()));
        combo->setFocus();
        // A hundred keys: ten prefixes of ten from all over the list, first
        // forward, then backward (each a prefix before the current row, found
        // on the key after the one that went back to the first row).
        QStringList prefixes;
        for (int i = 0; i < 10; ++i) {
            const int at = i < 5 ? (n - 1) / 5 * i + 3 : (n - 1) / 5 * (9 - i) + n / 11;
            prefixes << combo->itemText(at).left(10);
        }
        out->typeAheadMs = worstTypeAhead(combo, prefixes);
    } else {
        // From the first row on: near the start, the middle, near the end.
        // Then a prefix before the current row (not found, back to the first
        // row) and the one near the end again, now searched from the first
        // row; then a prefix that nothing begins with.
        out->typeAheadMs = worstTypeAhead(
            combo, {nearStart.left(12), middle.left(12), nearEnd.left(14), nearStart.left(6),
                    nearEnd.left(14), QStringLiteral("zz")});
    }

    // Next from a part in the middle, twenty times.
    combo->setEditText(middle);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(combo, &enter);
    auto *next = w->template findChild<QPushButton *>(QStringLiteral("cmdNext"));
    double worstNext = 0;
    for (int i = 0; i < 20; ++i) {
        QElapsedTimer t;
        t.start();
        next->click();
        worstNext = qMax(worstNext, elapsedMs(t));
    }
    out->nextMs = worstNext;
    w->frameWidget()->close();
    settledMb();
    if (ui.messages) {
        std::fprintf(stderr, "unexpected message: %s\n", qPrintable(ui.last));
        return false;
    }
    return true;
}

// Both windows on a catalogue of `parts` parts in its own program folder.
bool run(const QString &folder, int parts, Figures *inv, Figures *desc)
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
    if (parts < 1000000) {
        inv->readMs = readOnlyMs(app.database(), QStringLiteral("select * from Inventory order by PartNo;"));
        desc->readMs = readOnlyMs(app.database(), QStringLiteral("select * from Inventory order by Description ;"));
    }
    const bool ok =
        measure<BrowseInvWindow>(main, CommandId::BrowsePart,
                                 [](BrowseInvWindow *w) { return w->findChild<QComboBox *>("cmbPartNo"); }, ui, inv)
        && measure<BrowseDescWindow>(main, CommandId::BrowseDesc,
                                     [](BrowseDescWindow *w) { return w->findChild<QComboBox *>("cmbDesc"); }, ui, desc);
    main.hide();
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    Bench::headless();
    QApplication application(argc, argv);

    const int parts = Bench::DefaultParts;
    Figures inv, desc;
    if (!run(QStringLiteral("browse-bench"), parts, &inv, &desc)) {
        std::fprintf(stderr, "a browse window did not work\n");
        return 1;
    }
    for (const auto &[window, f] : {std::pair{"browse", &inv}, {"desc", &desc}}) {
        auto name = [window = window](const char *figure) { return QByteArray(window) + figure; };
        Bench::report(name("_open_ms").constData(), f->openMs, "ms", parts);
        Bench::report(name("_open_resultset_ms").constData(), f->readMs, "ms", parts);
        Bench::report(name("_typeahead_ms").constData(), f->typeAheadMs, "ms", parts);
        Bench::report(name("_next_ms").constData(), f->nextMs, "ms", parts);
        Bench::report(name("_memory_mb").constData(), f->memoryMb, "MB", parts);
    }

    const int million = 1000000;
    Figures invLarge, descLarge;
    if (!run(QStringLiteral("browse-bench-1m"), million, &invLarge, &descLarge)) {
        std::fprintf(stderr, "a browse window did not work on a million parts\n");
        return 1;
    }
    for (const auto &[window, f] : {std::pair{"browse", &invLarge}, {"desc", &descLarge}}) {
        auto name = [window = window](const char *figure) { return QByteArray(window) + "_1m" + figure; };
        Bench::report(name("_open_ms").constData(), f->openMs, "ms", million);
        Bench::report(name("_typeahead_ms").constData(), f->typeAheadMs, "ms", million);
        Bench::report(name("_next_ms").constData(), f->nextMs, "ms", million);
        Bench::report(name("_memory_mb").constData(), f->memoryMb, "MB", million);
        Bench::report(name("_second_memory_mb").constData(), f->secondMemoryMb, "MB", million);
        Bench::report(name("_list_memory_mb").constData(), f->listMemoryMb, "MB", million);
        Bench::report(name("_list_ms").constData(), f->listMs, "ms", million);
    }
    return 0;
}
