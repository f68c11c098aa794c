#include "stock/stockcommands.h"

#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "stock/browsedescwindow.h"
#include "stock/browseinvwindow.h"
#include "stock/fullinventorywindow.h"
#include "stock/inventoryvalue.h"
#include "ui/commandhost.h"

namespace StockCommands {

void registerCommands(CommandHost &host)
{
    using C = CommandId;
    host.registerWindow(C::AddQuantity,
                        [](AppContext &app) { return new AddDeleteInvWindow(app, true); });
    host.registerWindow(C::DeleteQuantity,
                        [](AppContext &app) { return new AddDeleteInvWindow(app, false); });
    host.registerWindow(C::AddPart,
                        [](AppContext &app) { return new AddDeletePartWindow(app, true); });
    host.registerWindow(C::DeletePart,
                        [](AppContext &app) { return new AddDeletePartWindow(app, false); });
    host.registerWindow(C::BrowsePart, [](AppContext &app) { return new BrowseInvWindow(app); });
    host.registerWindow(C::BrowseDesc, [](AppContext &app) { return new BrowseDescWindow(app); });
    host.registerWindow(C::ShowAll, [](AppContext &app) { return new FullInventoryWindow(app); });
    host.registerHandler(C::Value, [&host] { InventoryValue::ShowInventoryValue(host); });
}

} // namespace StockCommands
