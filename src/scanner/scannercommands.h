#pragma once

class CommandHost;

// The scanner download: File > Import From Scanner.
namespace ScannerCommands {
void registerCommands(CommandHost &host);
}
