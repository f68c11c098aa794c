#pragma once

#include <QStringList>
#include <optional>

class AppContext;
class QTextStream;

// What the program does from its command line before any window opens.
namespace CommandLine {

// True when the arguments ask for work without windows; checked before the
// application object exists, so that it can start without a display.
bool wantsNoWindow(int argc, char **argv);

// What the arguments ask for, read before the program opens a display.
struct Request
{
    std::optional<int> exitStatus; // set: answered (help, version, an error); exit with it
    QString database;              // --database, or empty
    QStringList documents;         // documents to open, as absolute paths
};
// Reads the arguments: --help and --version print on `out` and give 0; an
// unknown option or a wrong use prints the reason and the usage on `err`
// and gives 2. Needs only a QCoreApplication.
Request read(const QStringList &arguments, QTextStream &out, QTextStream &err);

// Handles the arguments: `--report TEMPLATE --pdf FILE [--param NAME=VALUE]...`
// writes a report to PDF and gives the exit status (0 done; 1 the report,
// database or file failed; 2 the arguments are wrong), with any error on
// `err`. No value: no such request, start as usual. A relative template path
// is looked up in the current folder, then the program's own folder, then
// the folder of its files (share/partwise when installed).
std::optional<int> handle(AppContext &app, const QStringList &arguments, QTextStream &out, QTextStream &err);

// Where a template named on the command line is found; the first place
// looked in when it is found nowhere.
QString findTemplate(const AppContext &app, const QString &name);

} // namespace CommandLine
