#include "bom/kitcommands.h"

#include "bom/kitpull.h"
#include "ui/commandhost.h"

namespace KitCommands {

void registerCommands(CommandHost &host)
{
    host.registerHandler(CommandId::KitUpdateInv,
                         [&host] { KitPull::updateInvPulled(host.app(), host.hostWidget()); });
}

} // namespace KitCommands
