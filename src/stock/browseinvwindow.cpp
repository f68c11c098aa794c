#include "stock/browseinvwindow.h"

#include "ui/appcontext.h"
#include "ui/twips.h"
#include "ui/userinterface.h"
#include "stock/browsekeylist.h"
#include "stock/browsesupport.h"
#include "stock/ops/stockoperations.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// Widths in twips that the window's outer width is made of.
constexpr double DescLabelWidth = 1455;
constexpr double DescFieldWidth = 4725;
} // namespace

BrowseInvWindow::BrowseInvWindow(AppContext &app, QWidget *parent)
    : BrowseWindow(app,
                   {StockOps::KeyColumn::PartNo,
                    QStringLiteral("Select a Part Number"),
                    QStringLiteral("Part Number Not Found!"), false},
                   7515, 5340, parent)
{
    setObjectName(QStringLiteral("frmBrowseInv"));

    // The box is made first: first in the tab order.
    lblPartNo = Browse::label(this, "lblPartNo", QStringLiteral("Part Number:"), 120, 480,
                              DescLabelWidth);
    cmbPartNo = new BrowseKeyBox(this);
    cmbPartNo->setObjectName(QStringLiteral("cmbPartNo"));
    Browse::setUpCombo(cmbPartNo);
    cmbPartNo->setToolTip(QStringLiteral("Enter Part Number or choose from list"));
    Browse::place(cmbPartNo, 1695, 480, 2415, 315);

    lblMinReq = Browse::label(this, "lblMinReq", QStringLiteral("Min. Required:"), 120, 1200,
                              DescLabelWidth);
    txtMinReq = Browse::field(this, "txtMinReq", 1695, 1200, 1215);
    lblCurrentInv = Browse::label(this, "lblCurrentInv", QStringLiteral("Current Inventory:"),
                                  3000, 1200, 1935);
    txtCurrentInv = Browse::field(this, "txtCurrentInv", 5040, 1200, 1380);

    lblDesc = Browse::label(this, "lblDesc", QStringLiteral("Description:"), 120, 1800,
                            DescLabelWidth);
    txtDesc = Browse::field(this, "txtDesc", 1695, 1800, DescFieldWidth);

    lblUnitCost = Browse::label(this, "lblUnitCost", QStringLiteral("Unit Cost:"), 120, 2400,
                                DescLabelWidth);
    txtUnitCost = Browse::field(this, "txtUnitCost", 1695, 2400, 1215);
    lblBin = Browse::label(this, "lblBin", QStringLiteral("Bin:"), 4440, 2400, 495);
    txtBin = Browse::field(this, "txtBin", 5040, 2400, 1380);

    lblVendor = Browse::label(this, "lblVendor", QStringLiteral("Preferred Vendor:"), 1695, 3240,
                              1935);
    txtVendor = Browse::field(this, "txtVendor", 1695, 3480, DescFieldWidth);
    txtVendor->setText(QStringLiteral("Text1"));

    cmdNext = Browse::button(this, "cmdNext", QStringLiteral("Next"), 1695, 4080, 1335);
    cmdVendor = Browse::button(this, "cmdVendor", QStringLiteral("Show Vendor"), 3390, 4080, 1335);
    cmdExit = Browse::button(this, "cmdExit", QStringLiteral("Exit"), 5085, 4080, 1335);

    setUp(cmbPartNo, cmdNext, cmdExit,
          {{"MinReq", txtMinReq},
           {"CurrentInv", txtCurrentInv},
           {"Description", txtDesc},
           {"UnitCost", txtUnitCost}},
          txtBin,
          {lblMinReq, lblCurrentInv, lblDesc, lblUnitCost, lblBin, txtMinReq, txtCurrentInv,
           txtDesc, txtUnitCost, txtBin});
    afterLookUp();
    connect(cmdVendor, &QPushButton::clicked, this, &BrowseInvWindow::showVendor);
}

void BrowseInvWindow::placeAfterOpen(bool opened)
{
    if (!opened) {
        placeAsChild();
        return;
    }
    QWidget *frame = frameWidget();
    frame->resize(Twips::toPixels(2 * DescLabelWidth + DescFieldWidth, frame), frame->height());
    frame->move(frame->x(), 0);
}

void BrowseInvWindow::afterLookUp()
{
    txtVendor->hide();
    lblVendor->hide();
}

void BrowseInvWindow::showVendor()
{
    const QString item = keyText();
    const StockOps::VendorLookup vendor = StockOps::preferredVendor(m_app.database(), item);
    if (vendor.status == StockOps::Status::Failed) {
        // The window's own set and row are untouched; report and go on.
        m_app.ui().inform(this, errorMessageText(vendor.error));
        return;
    }
    QString text;
    if (!vendor.ok())
        text = QStringLiteral("Item not in Vendor list.");
    else
        text = vendor.vendor.isNull() ? QStringLiteral("No vendor listed.") : vendor.vendor.toString();
    txtVendor->setText(text);
    txtVendor->show();
    lblVendor->show();
}
