#include "app/subsystems.h"

#include "bom/kitcommands.h"
#include "docs/documentcommands.h"
#include "reports/reportcommands.h"
#include "scanner/scannercommands.h"
#include "stock/stockcommands.h"

void registerSubsystems(CommandHost &host)
{
    DocumentCommands::registerCommands(host);
    ScannerCommands::registerCommands(host);
    StockCommands::registerCommands(host);
    KitCommands::registerCommands(host);
    ReportCommands::registerCommands(host);
}
