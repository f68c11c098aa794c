#pragma once

class CommandHost;

namespace StockCommands {
// The Inventory commands and the toolbar's Add and Subtract.
void registerCommands(CommandHost &host);
}
