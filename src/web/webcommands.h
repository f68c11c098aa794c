#pragma once

class CommandHost;

namespace WebCommands {
// View > Web Browser.
void registerCommands(CommandHost &host);
}
