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

// Handles the arguments: `--report TEMPLATE --pdf FILE [--param NAME=VALUE]...`
// writes a report to PDF and gives the exit status (0 done; 1 the report,
// database or file failed; 2 the arguments are wrong), with any error on
// `err`. No value: no such request, start as usual. A bare template name is
// looked up in the program folder, a path with a folder as given.
std::optional<int> handle(AppContext &app, const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace CommandLine
