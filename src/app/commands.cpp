#include "app/commands.h"

const QList<Menu> &menuTable()
{
    static const QList<Menu> menus = {
        {"mnuFile", "&File"},
        {"mnuEdit", "&Edit"},
        {"mnuView", "&View"},
        {"mnuBOM", "&Bill Of Materials"},
        {"mnuInventory", "&Inventory"},
        {"mnuKits", "&Kits"},
        {"mnuReports", "&Reports"},
        {"mnuWindow", "&Window"},
        {"mnuHelp", "&Help"},
    };
    return menus;
}

const QList<Command> &commandTable()
{
    using C = CommandId;
    static const QList<Command> commands = {
        {C::FileNew, "mnuFile", "mnuFileNew", "&New", "Ctrl+N", false, false},
        {C::FileOpen, "mnuFile", "mnuFileOpen", "&Open...", "Ctrl+O", false, false},
        {C::FileSave, "mnuFile", "mnuFileSave", "&Save", "", false, false},
        {C::FileSaveAs, "mnuFile", "mnuFileSaveAs", "Save &As...", "", false, false},
        {C::FilePrint, "mnuFile", "mnuFilePrint", "&Print...", "", false, false},
        {C::BackupDatabase, "mnuFile", "mnuBackupDatabase", "Back Up Database...", "", true, false},
        {C::Users, "mnuFile", "mnuUsers", "Add/Delete Users", "", false, false},
        {C::Import, "mnuFile", "mnuImport", "Import From Scanner", "", false, false},
        {C::FileExit, "mnuFile", "mnuFileExit", "E&xit", "", true, false},

        {C::EditUndo, "mnuEdit", "mnuEditUndo", "&Undo", "", false, false},
        {C::EditCut, "mnuEdit", "mnuEditCut", "Cu&t", "Ctrl+X", true, false},
        {C::EditCopy, "mnuEdit", "mnuEditCopy", "&Copy", "Ctrl+C", false, false},
        {C::EditPaste, "mnuEdit", "mnuEditPaste", "&Paste", "Ctrl+V", false, false},
        {C::EditPasteSpecial, "mnuEdit", "mnuEditPasteSpecial", "Paste &Special...", "", false, false},

        {C::ViewToolbar, "mnuView", "mnuViewToolbar", "&Toolbar", "", false, true},
        {C::ViewStatusBar, "mnuView", "mnuViewStatusBar", "Status &Bar", "", false, true},
        {C::ViewWebBrowser, "mnuView", "mnuViewWebBrowser", "&Web Browser", "", true, false},

        {C::NewBOM, "mnuBOM", "mnuNewBOM", "New BOM", "", false, false},
        {C::EditBOM, "mnuBOM", "mnuEditBOM", "Edit BOM", "", false, false},
        {C::AllBOM, "mnuBOM", "mnuAllBom", "Show All BOMs", "", false, false},

        {C::AddQuantity, "mnuInventory", "mnuAddDelete", "Add Quantity To Inv", "", false, false},
        {C::DeleteQuantity, "mnuInventory", "mnuDeleteInv", "Delete Quantity From Inv", "", false, false},
        {C::AddPart, "mnuInventory", "mnuAddPart", "Add New Part No", "Ctrl+A", true, false},
        {C::DeletePart, "mnuInventory", "mnuDeletePart", "Delete Old Part No", "Ctrl+D", false, false},
        {C::BrowsePart, "mnuInventory", "mnuBrowsePart", "Browse By Part No", "Ctrl+B", true, false},
        {C::BrowseDesc, "mnuInventory", "mnuBrowseDesc", "Browse By Description", "", false, false},
        {C::ShowAll, "mnuInventory", "mnuShowAll", "Show All Inventory", "", true, false},
        {C::Value, "mnuInventory", "mnuValue", "Show Current Value", "", true, false},

        {C::KitPartList, "mnuKits", "mnuKitPartList", "Kit Parts List", "", false, false},
        {C::KitPullList, "mnuKits", "mnuKitPullList", "Kit Pull List", "", false, false},
        {C::KitShort, "mnuKits", "mnuKitShort", "Kit Shortage List", "", false, false},
        {C::KitUpdateInv, "mnuKits", "mnuKitUpdateInv", "Update Inv Pulled", "", true, false},

        {C::BinList, "mnuReports", "mnuBin", "BIN List", "", false, false},

        {C::WindowNewWindow, "mnuWindow", "mnuWindowNewWindow", "&New Window", "", false, false},
        {C::WindowCascade, "mnuWindow", "mnuWindowCascade", "&Cascade", "", true, false},
        {C::WindowTileHorizontal, "mnuWindow", "mnuWindowTileHorizontal", "Tile &Horizontal", "", false, false},
        {C::WindowTileVertical, "mnuWindow", "mnuWindowTileVertical", "Tile &Vertical", "", false, false},

        {C::HelpContents, "mnuHelp", "mnuHelpContents", "&Contents", "", false, false},
        {C::HelpSearch, "mnuHelp", "mnuHelpSearchForHelpOn", "&Search For Help On...", "", false, false},
        {C::HelpAbout, "mnuHelp", "mnuHelpAbout", "&About ", "", true, false},
    };
    return commands;
}

const QList<ToolButton> &toolbarTable()
{
    using C = CommandId;
    static const QList<ToolButton> buttons = {
        {"New", "New", C::FileNew},
        {"Open", "Open", C::FileOpen},
        {"Save", "Save", C::FileSave},
        {"", "", C::FileNew},
        {"Print", "Print", C::FilePrint},
        {"", "", C::FileNew},
        {"Cut", "Cut", C::EditCut},
        {"Copy", "Copy", C::EditCopy},
        {"Paste", "Paste", C::EditPaste},
        {"", "", C::FileNew},
        {"", "", C::FileNew},
        {"Add", "Add To Inventory", C::AddQuantity},
        {"Subtract", "Subtract From Inventory", C::DeleteQuantity},
    };
    return buttons;
}

const Command *findCommand(CommandId id)
{
    for (const Command &c : commandTable())
        if (c.id == id)
            return &c;
    return nullptr;
}
