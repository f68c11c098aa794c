#pragma once

#include "app/commands.h"

class AppContext;
class ChildWindow;
class MainWindow;

// The windows each command opens, and the commands that other parts of the
// program carry out for the main window. A command with neither is shown
// disabled.
namespace WindowFactory {

// A new instance of the command's window, or null when it has none.
ChildWindow *create(CommandId id, AppContext &app);
bool opensWindow(CommandId id);
// Gives the main window the handlers of commands that open no window of
// their own (documents, valuation, kit pull, reports).
void installHandlers(MainWindow &main);

} // namespace WindowFactory
