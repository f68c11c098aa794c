#include "users/usercommands.h"

#include "ui/commandhost.h"
#include "users/userswindow.h"

namespace UserCommands {

void registerCommands(CommandHost &host)
{
    host.registerWindow(CommandId::Users, [](AppContext &app) { return new UsersWindow(app); });
}

} // namespace UserCommands
