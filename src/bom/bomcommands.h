#pragma once

class CommandHost;

namespace BomCommands {
// New BOM and Edit BOM.
void registerCommands(CommandHost &host);
}
