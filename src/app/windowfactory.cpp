#include "app/windowfactory.h"

#include "app/appcontext.h"
#include "app/childwindow.h"
#include "app/mainwindow.h"
#include "docs/documentcommands.h"
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
    using C = CommandId;
    auto *docs = new DocumentCommands(main); // owned by the main window
    main.setHandler(C::FileNew, [docs] { docs->NewDocumentWindow(); });
    main.setHandler(C::WindowNewWindow, [docs] { docs->NewDocumentWindow(); });
    main.setHandler(C::FileOpen, [docs] { docs->open(); });
    main.setHandler(C::FileSave, [docs] { docs->save(); });
    main.setHandler(C::FileSaveAs, [docs] { docs->saveAs(); });
    main.setHandler(C::FilePrint, [docs] { docs->print(); });
    main.setHandler(C::EditUndo, [docs] { docs->undo(); });
    main.setHandler(C::EditCut, [docs] { docs->cut(); });
    main.setHandler(C::EditCopy, [docs] { docs->copy(); });
    main.setHandler(C::EditPaste, [docs] { docs->paste(); });
    main.setHandler(C::EditPasteSpecial, [docs] { docs->pasteSpecial(); });
}

} // namespace WindowFactory
