#pragma once

class CommandHost;

namespace BomCommands {
// The Bill Of Materials commands.
void registerCommands(CommandHost &host);
}
