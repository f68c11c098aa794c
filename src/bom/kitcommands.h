#pragma once

class AppContext;
class CommandHost;
class QWidget;

namespace KitCommands {
// Kits > Update Inv Pulled.
void registerCommands(CommandHost &host);

// The Kits > Update Inv Pulled command: asks for the kit number and the
// number of kits, pulls, and reports only a failure.
void updateInvPulled(AppContext &app, QWidget *host);
}
