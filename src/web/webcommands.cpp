#include "web/webcommands.h"

#include "ui/commandhost.h"
#include "web/browserwindow.h"

namespace WebCommands {

void registerCommands(CommandHost &host)
{
    host.registerWindow(CommandId::ViewWebBrowser, [](AppContext &app) {
        auto *window = new BrowserWindow(app);
        window->setStartingAddress(BrowserWindow::homePage(app).toString());
        return window;
    });
}

} // namespace WebCommands
