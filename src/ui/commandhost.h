#pragma once

#include <QString>
#include <functional>

class AppContext;
class ChildWindow;
class QMdiSubWindow;
class QWidget;

// Every command of the main window, in menu order.
enum class CommandId {
    FileNew, FileOpen, FileSave, FileSaveAs, FilePrint, BackupDatabase, Users, Import, FileExit,
    EditUndo, EditCut, EditCopy, EditPaste, EditPasteSpecial,
    ViewToolbar, ViewStatusBar, ViewWebBrowser,
    NewBOM, EditBOM, AllBOM,
    AddQuantity, DeleteQuantity, AddPart, DeletePart, BrowsePart, BrowseDesc, ShowAll, Value,
    KitPartList, KitPullList, KitShort, KitUpdateInv,
    BinList,
    WindowNewWindow, WindowCascade, WindowTileHorizontal, WindowTileVertical,
    HelpContents, HelpSearch, HelpAbout,
};

// The File and Edit commands that go to the active child window first.
enum class StandardAction { New, Save, SaveAs, Print, Undo, Cut, Copy, Paste, PasteSpecial };

// What the main window offers the subsystems: a place to register the
// commands they serve, and what their handlers need of the shell. A command
// is enabled exactly when something is registered for it.
class CommandHost
{
public:
    using WindowFactory = std::function<ChildWindow *(AppContext &)>;

    virtual ~CommandHost() = default;

    // The command opens a new instance of a window each time it runs.
    virtual void registerWindow(CommandId id, WindowFactory factory) = 0;
    // The command runs a handler.
    virtual void registerHandler(CommandId id, std::function<void()> handler) = 0;

    virtual AppContext &app() const = 0;
    // The parent for dialogs and message boxes of commands without a window.
    virtual QWidget *hostWidget() = 0;
    virtual QWidget *activeChild() const = 0;
    // Puts a child window into a sub-window, loads and shows it.
    virtual QMdiSubWindow *showChild(ChildWindow *window) = 0;
};
