#pragma once

#include "ui/userinterface.h"

#include <QString>
#include <functional>
#include <optional>

class AppContext;
class QWidget;

namespace Bench {

// Answers every message with OK (a question with No) and counts them: a
// message during a benchmark means the run went wrong.
class QuietUi : public UserInterface
{
public:
    int messages = 0;
    QString last;
    Answer message(QWidget *, const QString &text, const QString &, Icon, Buttons buttons) override
    {
        ++messages;
        last = text;
        return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
    std::optional<QString> input(QWidget *, const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    QString openFileName(QWidget *, const QString &, const QString &) override { return QString(); }
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return QString();
    }
    bool choosePrinter(QWidget *, QPrinter &, PrintRequest &) override { return false; }
};

// A program folder `name` in the current folder with a generated database of
// `parts` parts; `app` is pointed at it and its connection opened.
bool setUpProgramFolder(AppContext &app, const QString &name, int parts, QString *error);

// Writes a database of `parts` parts and `bomRows` BOM rows (and a preferred
// vendor for most parts) at `path`, replacing any file there.
bool makeDatabase(const QString &path, int parts, int bomRows, QString *error);
// Windows without a display, unless the environment names a platform;
// before the application object is made.
void headless();

// Default sizes for the benchmarks.
constexpr int DefaultParts = 100000;
constexpr int DefaultBomRows = 20000;
// A part number of the generated data, in sort order.
QString partNumber(int i);

// Prints "BENCH <name> <value> <unit> n=<size>".
void report(const char *name, double value, const char *unit, qint64 n);
// Resident memory of this process, in MB.
double residentMb();
// Processor time of this process so far, in ms: the work itself, apart from
// waiting for the disk or for a processor on a busy machine.
double cpuMs();
// Times `runs` calls of `change` (after `warmUp` untimed ones), each for a
// random part of the generated data; `prepare`, if given, runs for the same
// part before the clock starts. False as soon as a `change` returns false.
bool partSamples(int parts, quint32 seed, QList<double> *samples, int warmUp, int runs,
                 const std::function<bool(const QString &)> &change,
                 const std::function<void(const QString &)> &prepare = {});
// Times `runs` Submits (after `warmUp` untimed ones) of 1 to a random part
// in an open stock adjustment window, each with the repaint the user waits
// for. False when a Submit left the part number in place (it failed).
bool submitSamples(QWidget *stockWindow, int parts, QList<double> *samples, int warmUp = 20, int runs = 500);
// Percentile of a set of samples (0..100).
double percentile(QList<double> samples, double pct);

} // namespace Bench
