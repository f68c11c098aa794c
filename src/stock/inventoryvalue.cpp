#include "stock/inventoryvalue.h"

#include "docs/documentcommands.h"
#include "docs/documentwindow.h"
#include "stock/ops/stockoperations.h"
#include "ui/appcontext.h"
#include "ui/childwindow.h"
#include "ui/commandhost.h"
#include "ui/userinterface.h"

#include <QDate>

namespace InventoryValue {

QString valueText(const QDate &today, double total, const QLocale &locale)
{
    return QStringLiteral("\nCurrent Inventory Value for ")
           + locale.toString(today, QLocale::ShortFormat) + QStringLiteral("\n")
           + QStringLiteral("\nTotal Current Inventory: ") + locale.toCurrencyString(total);
}

void ShowInventoryValue(CommandHost &host)
{
    AppContext &app = host.app();
    QWidget *parent = host.hostWidget();
    BusyPointer busy(parent);
    const StockOps::Valuation value = StockOps::valueStock(app.database());
    busy.release();
    if (!value.ok()) {
        if (value.error.is(ErrorNumber::NoCurrentRecord))
            app.ui().inform(parent, QStringLiteral("No Inventory In Database"));
        else
            app.ui().inform(parent, errorMessageText(value.error));
        return;
    }
    DocumentCommands *docs = DocumentCommands::of(parent);
    if (!docs)
        return;
    DocumentWindow *window = docs->valueWindow();
    window->setCaption(DocumentWindow::valueCaption());
    window->setFontPointSize(15);
    window->setProgramText(valueText(app.now().date(), value.total));
}

} // namespace InventoryValue
