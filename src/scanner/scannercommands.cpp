#include "scanner/scannercommands.h"

#include "scanner/commwindow.h"
#include "ui/commandhost.h"

namespace ScannerCommands {

void registerCommands(CommandHost &host)
{
    host.registerWindow(CommandId::Import, [](AppContext &app) { return new CommWindow(app); });
}

} // namespace ScannerCommands
