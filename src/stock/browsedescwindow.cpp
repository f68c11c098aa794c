#include "stock/browsedescwindow.h"

#include "ui/appcontext.h"
#include "ui/userinterface.h"
#include "stock/browsekeylist.h"
#include "stock/browsesupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

BrowseDescWindow::BrowseDescWindow(AppContext &app, QWidget *parent)
    : BrowseWindow(app,
                   {StockOps::KeyColumn::Description,
                    QStringLiteral("Choose a Description"),
                    QStringLiteral("Description Not Found!"), true},
                   7500, 4905, parent)
{
    setObjectName(QStringLiteral("frmBrowseDesc"));

    // The box is made first: first in the tab order.
    lblDesc = Browse::label(this, "lblDesc", QStringLiteral("Description:"), 120, 480, 1455);
    cmbDesc = new BrowseKeyBox(this);
    cmbDesc->setObjectName(QStringLiteral("cmbDesc"));
    Browse::setUpCombo(cmbDesc);
    cmbDesc->setToolTip(QStringLiteral("Enter description or choose from list"));
    Browse::place(cmbDesc, 1695, 480, 5400, 315);

    lblPartNo = Browse::label(this, "lblPartNo", QStringLiteral("Part Number:"), 120, 1080, 1455);
    txtPartNo = Browse::field(this, "txtPartNo", 1695, 1080, 2415);

    lblMinReq = Browse::label(this, "lblMinReq", QStringLiteral("Min. Required:"), 120, 1680,
                              1455);
    txtMinReq = Browse::field(this, "txtMinReq", 1695, 1680, 1215);
    lblCurrentInv = Browse::label(this, "lblCurrentInv", QStringLiteral("Current Inventory:"),
                                  3000, 1680, 1935);
    txtCurrentInv = Browse::field(this, "txtCurrentInv", 5040, 1680, 1380);

    lblUnitCost = Browse::label(this, "lblUnitCost", QStringLiteral("Unit Cost:"), 120, 2400,
                                1455);
    txtUnitCost = Browse::field(this, "txtUnitCost", 1695, 2400, 1215);
    lblBin = Browse::label(this, "lblBin", QStringLiteral("Bin:"), 4440, 2400, 495);
    txtBin = Browse::field(this, "txtBin", 5040, 2400, 1380);

    cmdNext = Browse::button(this, "cmdNext", QStringLiteral("Next"), 1695, 3240);
    cmdExit = Browse::button(this, "cmdExit", QStringLiteral("Exit"), 5880, 3240);

    setUp(cmbDesc, cmdNext, cmdExit,
          {{"MinReq", txtMinReq},
           {"CurrentInv", txtCurrentInv},
           {"PartNo", txtPartNo},
           {"UnitCost", txtUnitCost}},
          txtBin,
          {lblPartNo, lblMinReq, lblCurrentInv, lblUnitCost, lblBin, txtPartNo, txtMinReq,
           txtCurrentInv, txtUnitCost, txtBin});
}

// Moves to the first row before it reads the box. A description not found
// thus shows the first row; a step that fails again is reported and ends the
// pick, so that a criterion the set cannot take is not retried without end.
void BrowseDescWindow::pick()
{
    BusyPointer busy(this);
    bool retried = false;
    const auto step = [&](const auto &run) {
        if (run())
            return true;
        if (!retried) {
            retried = true;
            if (moveToFirstRow() && run())
                return true;
        }
        busy.release();
        showError();
        return false;
    };
    if (!step([this] { return moveToFirstRow(); }))
        return;
    const QString text = keyText();
    if (text.isEmpty()) {
        busy.release();
        m_app.ui().inform(this, keyed().chooseMessage);
        return;
    }
    if (!step([&] { return findForward(Match::Equal, text); }))
        return;
    if (!step([this] { return fill(); }))
        return;
    showDetails();
}
