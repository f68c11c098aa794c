#include "bom/bomcommands.h"

#include "bom/allbomwindow.h"
#include "ui/commandhost.h"

namespace BomCommands {

void registerCommands(CommandHost &host)
{
    host.registerWindow(CommandId::AllBOM, [](AppContext &app) { return new AllBomWindow(app); });
}

} // namespace BomCommands
