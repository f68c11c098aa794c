#pragma once

class CommandHost;

namespace BackupCommands {
// File > Back Up Database..., and the daily copy made in the background at
// the first start of each day.
void registerCommands(CommandHost &host);
}
