#include "app/windowfactory.h"

#include "app/appcontext.h"
#include "app/childwindow.h"
#include "app/mainwindow.h"
#include "stock/adddeleteinvwindow.h"
#include "stock/adddeletepartwindow.h"
#include "stock/browsedescwindow.h"
#include "stock/browseinvwindow.h"

namespace WindowFactory {

ChildWindow *create(CommandId id, AppContext &app)
{
    switch (id) {
    case CommandId::AddQuantity:
    case CommandId::DeleteQuantity:
        return new AddDeleteInvWindow(app);
    case CommandId::AddPart:
    case CommandId::DeletePart:
        return new AddDeletePartWindow(app);
    case CommandId::BrowsePart:
        return new BrowseInvWindow(app);
    case CommandId::BrowseDesc:
        return new BrowseDescWindow(app);
    default:
        Q_UNUSED(app);
        return nullptr;
    }
}

bool opensWindow(CommandId id)
{
    switch (id) {
    case CommandId::AddQuantity:
    case CommandId::DeleteQuantity:
    case CommandId::AddPart:
    case CommandId::DeletePart:
    case CommandId::BrowsePart:
    case CommandId::BrowseDesc:
        return true;
    default:
        return false;
    }
}

void installHandlers(MainWindow &main)
{
    Q_UNUSED(main);
}

} // namespace WindowFactory
