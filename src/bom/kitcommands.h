#pragma once

class CommandHost;

namespace KitCommands {
// Kits > Update Inv Pulled.
void registerCommands(CommandHost &host);
}
