#pragma once

class CommandHost;

namespace ImportCommands {
// File > Import Parts...
void registerCommands(CommandHost &host);
}
