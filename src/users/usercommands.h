#pragma once

class CommandHost;

namespace UserCommands {
// File > Add/Delete Users.
void registerCommands(CommandHost &host);
}
