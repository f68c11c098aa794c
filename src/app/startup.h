#pragma once

class AppContext;
class MainWindow;

#include <QString>

class QCommandLineOption;
class QCommandLineParser;

namespace Startup {

// Splash for a second, then the main window, loaded (settings, database) and
// shown. When the database will not open the user is told the path and the
// reason and null is returned; the caller then ends with a non-zero status.
MainWindow *run(AppContext &app, int splashMs = 1000);

// The option --database ADDRESS, and taking it over into the context.
QCommandLineOption databaseOption();
void useDatabaseOption(const QCommandLineParser &parser, AppContext &app);

// The message shown when the database does not open.
QString databaseFailureText(const AppContext &app);

} // namespace Startup
