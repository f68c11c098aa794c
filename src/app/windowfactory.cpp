#include "app/windowfactory.h"

#include "app/appcontext.h"
#include "app/childwindow.h"
#include "app/mainwindow.h"

namespace WindowFactory {

ChildWindow *create(CommandId id, AppContext &app)
{
    switch (id) {
    default:
        Q_UNUSED(app);
        return nullptr;
    }
}

bool opensWindow(CommandId id)
{
    switch (id) {
    default:
        return false;
    }
}

void installHandlers(MainWindow &main)
{
    Q_UNUSED(main);
}

} // namespace WindowFactory
