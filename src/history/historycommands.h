#pragma once

class CommandHost;
class QString;
class QWidget;

// Inventory > Stock History, and Edit > Undo of the newest stock change made
// at this workstation when no document takes the command.
namespace HistoryCommands {

void registerCommands(CommandHost &host);

// The part number shown in a stock or browse window, or empty.
QString partNoShownIn(QWidget *window);

// Asks, then undoes this workstation's newest change not yet undone; a beep
// when there is none.
void undoNewest(CommandHost &host);

} // namespace HistoryCommands
