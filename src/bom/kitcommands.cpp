#include "bom/kitcommands.h"

#include "bom/kitpreviewdialog.h"
#include "bom/ops/kitpull.h"
#include "data/numberrules.h"
#include "ui/appcontext.h"
#include "ui/childwindow.h"
#include "ui/commandhost.h"
#include "ui/userinterface.h"

namespace KitCommands {

void updateInvPulled(AppContext &app, QWidget *host)
{
    UserInterface &ui = app.ui();
    const QString kitNo =
        ui.input(host, QStringLiteral("Enter the Kit Part Number"), QStringLiteral("Part Number"))
            .value_or(QString());
    if (kitNo.isEmpty())
        return;
    const QString kitsText =
        ui.input(host, QStringLiteral("Enter Qty of Kits Pulled"), QStringLiteral("Kits Pulled"))
            .value_or(QString());
    qint16 kits = 0;
    DbError error;
    if (!NumberRules::textToInt16(kitsText, &kits, &error)) {
        ui.inform(host, error.is(ErrorNumber::TypeMismatch) ? QStringLiteral("Number of Kits was invalid")
                                                            : errorMessageText(error));
        return;
    }
    if (KitPreview::wanted(app))
        return KitPreview::pull(app, host, kitNo, kits); // a list first, then exactly what it showed

    BusyPointer busy(host);
    const KitPull::Outcome outcome = KitPull::pull(app.database(), kitNo, kits);
    busy.release();
    if (!outcome.ok())
        ui.inform(host, KitPull::messageFor(kitNo, outcome));
}

void registerCommands(CommandHost &host)
{
    host.registerHandler(CommandId::KitUpdateInv,
                         [&host] { updateInvPulled(host.app(), host.hostWidget()); });
}

} // namespace KitCommands
