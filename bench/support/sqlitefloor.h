#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The engine's own floor for a piece of write work: the same statements run
// through the bare SQLite C API on the same file, with the program's settings
// (write-ahead log, full synchronous commits), timed the same way.
namespace Floor {

// Median ms of `runs` write transactions; in each, one UPDATE of the stock per
// part (adding `delta`; with `alternate`, taking it away in every other run,
// as a kit pulled and put back), then COMMIT. With `readFirst` each UPDATE is preceded
// by a SELECT of the part's stock and reorder point, as a kit pull does.
// With `ledger` each UPDATE is followed by the stock ledger's row for it, as
// the program writes one per change.
double writesMs(const QString &path, const QList<QStringList> &runs, int delta, bool readFirst,
                bool ledger = false, bool alternate = false);

} // namespace Floor
