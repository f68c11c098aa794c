#include "importing/importcommands.h"

#include "importing/importpartswindow.h"
#include "ui/commandhost.h"

namespace ImportCommands {

void registerCommands(CommandHost &host)
{
    host.registerWindow(CommandId::ImportParts, [](AppContext &app) { return new ImportPartsWindow(app); });
}

} // namespace ImportCommands
