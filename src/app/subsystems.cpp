#include "app/subsystems.h"

#include "docs/documentcommands.h"
#include "scanner/scannercommands.h"
#include "stock/stockcommands.h"

void registerSubsystems(CommandHost &host)
{
    DocumentCommands::registerCommands(host);
    ScannerCommands::registerCommands(host);
    StockCommands::registerCommands(host);
}
