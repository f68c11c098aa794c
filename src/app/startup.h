#pragma once

class AppContext;
class MainWindow;

#include "app/programfiles.h"

#include <QString>
#include <QStringList>

class QCommandLineOption;
class QCommandLineParser;

namespace Startup {

// Splash for a second, then the main window, loaded (settings, database) and
// shown. When the database will not open the user is told the path and the
// reason and null is returned; the caller then ends with a non-zero status.
MainWindow *run(AppContext &app, int splashMs = 1000);
// The same, where start-up placed the database: a file it could not make is
// reported as the reason; one it made is named in a message once the main
// window shows.
MainWindow *run(AppContext &app, const ProgramFiles::Placement &placement, int splashMs = 1000);

// Opens each file in a document window of its own; a file that does not
// open is reported by its window, which then closes.
void openDocuments(MainWindow &main, const QStringList &files);

// The option --database ADDRESS, and taking it over into the context.
QCommandLineOption databaseOption();
void useDatabaseOption(const QCommandLineParser &parser, AppContext &app);

// The message shown when the database does not open.
QString databaseFailureText(const AppContext &app);

} // namespace Startup
