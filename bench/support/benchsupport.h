#pragma once

#include <QString>

namespace Bench {

// Writes a database of `parts` parts and `bomRows` BOM rows (and a preferred
// vendor for most parts) at `path`, replacing any file there.
bool makeDatabase(const QString &path, int parts, int bomRows, QString *error);
// Default sizes for the benchmarks.
constexpr int DefaultParts = 100000;
constexpr int DefaultBomRows = 20000;
// A part number of the generated data, in sort order.
QString partNumber(int i);

// Prints "BENCH <name> <value> <unit> n=<size>".
void report(const char *name, double value, const char *unit, qint64 n);
// Resident memory of this process, in MB.
double residentMb();
// Percentile of a set of samples (0..100).
double percentile(QList<double> samples, double pct);

} // namespace Bench
