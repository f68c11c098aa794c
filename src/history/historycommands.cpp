#include "history/historycommands.h"

#include "history/ops/stockledger.h"
#include "history/stockhistorywindow.h"
#include "ui/appcontext.h"
#include "ui/childwindow.h"
#include "ui/commandhost.h"
#include "ui/userinterface.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

namespace HistoryCommands {

QString partNoShownIn(QWidget *window)
{
    if (!window)
        return QString();
    if (auto *box = window->findChild<QLineEdit *>(QStringLiteral("txtPartNo")))
        return box->text();
    if (auto *combo = window->findChild<QComboBox *>(QStringLiteral("cmbPartNo")))
        return combo->currentText();
    return QString();
}

void undoNewest(CommandHost &host)
{
    AppContext &app = host.app();
    UserInterface &ui = app.ui();
    QWidget *parent = host.hostWidget();
    Database &db = app.database();
    StockLedger::Change change;
    DbError error;
    if (!StockLedger::newestUndoable(db, StockLedger::identity().workstation, &change, &error)) {
        ui.inform(parent, errorMessageText(error));
        return;
    }
    if (!change.valid()) {
        QApplication::beep();
        return;
    }
    if (ui.message(parent, StockLedger::question(change), UserInterface::programTitle(),
                   UserInterface::Icon::Question, UserInterface::Buttons::YesNo)
        != UserInterface::Answer::Yes)
        return;
    BusyPointer busy(parent);
    const StockLedger::UndoOutcome outcome = StockLedger::undo(db, change.groupId);
    busy.release();
    if (!outcome.ok())
        ui.inform(parent, StockLedger::messageFor(outcome));
}

void registerCommands(CommandHost &host)
{
    host.registerHandler(CommandId::StockHistory, [&host] {
        host.showChild(new StockHistoryWindow(host.app(), partNoShownIn(host.activeChild())));
    });
    // A document window that is active takes Undo itself, before this.
    host.registerHandler(CommandId::EditUndo, [&host] { undoNewest(host); });
}

} // namespace HistoryCommands
