#include "bom/bomcommands.h"

#include "bom/addnewbomwindow.h"
#include "bom/allbomwindow.h"
#include "bom/boardbomwindow.h"
#include "ui/commandhost.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <memory>

namespace BomCommands {

void registerCommands(CommandHost &host)
{
    // The editor a New BOM window hands over to: one for all of them, shown
    // again when it is still open.
    auto shared = std::make_shared<QPointer<BoardBomWindow>>();
    auto showSharedEditor = [&host, shared](const QString &boardPn) {
        BoardBomWindow *editor = *shared;
        if (editor) {
            if (QMdiSubWindow *sub = editor->subWindow()) {
                sub->show();
                if (QMdiArea *area = sub->mdiArea())
                    area->setActiveSubWindow(sub);
            }
        } else {
            editor = new BoardBomWindow(host.app());
            *shared = editor;
            host.showChild(editor);
        }
        editor->showBom(boardPn);
    };
    host.registerWindow(CommandId::NewBOM, [showSharedEditor](AppContext &app) {
        auto *window = new AddNewBomWindow(app);
        window->setEditorOpener(showSharedEditor);
        return window;
    });
    host.registerWindow(CommandId::EditBOM, [](AppContext &app) { return new BoardBomWindow(app); });
    host.registerWindow(CommandId::AllBOM, [](AppContext &app) { return new AllBomWindow(app); });
}

} // namespace BomCommands
