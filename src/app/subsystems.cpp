#include "app/subsystems.h"

#include "backup/backupcommands.h"
#include "bom/bomcommands.h"
#include "bom/kitcommands.h"
#include "docs/documentcommands.h"
#include "reports/reportcommands.h"
#include "scanner/scannercommands.h"
#include "stock/stockcommands.h"
#include "users/usercommands.h"
#ifdef PARTWISE_HAS_WEBENGINE
#include "web/webcommands.h"
#endif

void registerSubsystems(CommandHost &host)
{
    BomCommands::registerCommands(host);
    DocumentCommands::registerCommands(host);
    ScannerCommands::registerCommands(host);
    StockCommands::registerCommands(host);
    KitCommands::registerCommands(host);
    ReportCommands::registerCommands(host);
    UserCommands::registerCommands(host);
    BackupCommands::registerCommands(host);
#ifdef PARTWISE_HAS_WEBENGINE
    WebCommands::registerCommands(host);
#endif
}
