#include "stock/adddeleteinvwindow.h"

#include "ui/appcontext.h"
#include "ui/entryfields.h"
#include "data/numberrules.h"
#include "ui/userinterface.h"
#include "stock/ops/stockoperations.h"
#include "history/ops/stockledger.h"
#include "ui/entrylayout.h"
#include "ui/panelbar.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>

AddDeleteInvWindow::AddDeleteInvWindow(AppContext &app, bool addMode, QWidget *parent)
    : ChildWindow(app, parent), m_addMode(addMode)
{
    setObjectName(QStringLiteral("frmAddDeleteInv"));

    lblPartNo = new QLabel(QStringLiteral("Part Number:"), this);
    lblPartNo->setObjectName(QStringLiteral("lblPartNo"));
    txtPartNo = new QLineEdit(this);
    txtPartNo->setObjectName(QStringLiteral("txtPartNo"));
    txtPartNo->setToolTip(QStringLiteral("Enter the part number to adjust"));
    lblQty = new QLabel(QStringLiteral("Quantity:"), this);
    lblQty->setObjectName(QStringLiteral("lblQty"));
    txtQuantity = new QLineEdit(this);
    txtQuantity->setObjectName(QStringLiteral("txtQuantity"));
    txtQuantity->setToolTip(QStringLiteral("Enter the amount to adjust"));
    lblNote = new QLabel(QStringLiteral("Note:"), this);
    lblNote->setObjectName(QStringLiteral("lblNote"));
    txtNote = new QLineEdit(this);
    txtNote->setObjectName(QStringLiteral("txtNote"));
    txtNote->setToolTip(QStringLiteral("Why the stock changes (kept in the stock history)"));
    cmdUpdate = new QPushButton(QStringLiteral("Submit"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    StatBarAdd = new PanelBar(1, this);
    StatBarAdd->setObjectName(QStringLiteral("StatBarAdd"));

    lblPartNo->setBuddy(txtPartNo);
    lblQty->setBuddy(txtQuantity);
    lblNote->setBuddy(txtNote);
    // Wide enough that each half of the status bar holds its message.
    txtPartNo->setMinimumWidth(260);

    auto *fields = new QGridLayout;
    fields->addWidget(lblPartNo, 0, 0);
    fields->addWidget(txtPartNo, 0, 1);
    fields->addWidget(lblQty, 1, 0);
    fields->addWidget(txtQuantity, 1, 1);
    fields->addWidget(lblNote, 2, 0);
    fields->addWidget(txtNote, 2, 1);
    EntryLayout::assemble(this, fields, cmdUpdate, cmdExit, StatBarAdd);

    setTabOrder(txtPartNo, txtQuantity);
    setTabOrder(txtQuantity, txtNote);
    setTabOrder(txtNote, cmdUpdate);
    setTabOrder(cmdUpdate, cmdExit);
    setFocusProxy(txtPartNo);

    m_fields = new EntryFields(this);
    m_fields->onEnterFocus(txtPartNo, txtQuantity);
    m_fields->onEnter(txtQuantity, [this] { submit(); });
    m_fields->onEnter(txtNote, [this] { submit(); });

    connect(cmdUpdate, &QPushButton::clicked, this, &AddDeleteInvWindow::submit);
    // Closing the sub-window closes this window with it.
    connect(cmdExit, &QPushButton::clicked, this, [this] { frameWidget()->close(); });
}

void AddDeleteInvWindow::load()
{
    setWindowTitle(m_addMode ? QStringLiteral("Add To Inventory")
                             : QStringLiteral("Subract from Inventory"));
    StatBarAdd->panel(1)->hide();
    fitFrameToContents();
    placeAsChild();
    txtPartNo->setFocus(Qt::OtherFocusReason);
}

void AddDeleteInvWindow::submit()
{
    UserInterface &ui = m_app.ui();
    const QString quantityText = txtQuantity->text();
    if (!NumberRules::isNumeric(quantityText)) {
        unsetCursor();
        ui.inform(this, QStringLiteral("Quantity must be a number"));
        txtQuantity->setFocus(Qt::OtherFocusReason);
        txtQuantity->deselect();
        return;
    }

    const QString note = txtNote->text();
    if (note.toUcs4().size() > StockLedger::NoteLimit) {
        ui.inform(this, QStringLiteral("The note may hold at most %1 characters.").arg(StockLedger::NoteLimit));
        txtNote->setFocus(Qt::OtherFocusReason);
        return;
    }

    const QString partNo = txtPartNo->text();
    BusyPointer busy(this);
    // Look-up, update and read-back are one operation in one write
    // transaction; one that met another workstation's write runs again.
    const StockOps::StockChange change = StockOps::submitAdjustment(
        m_app.database(), partNo, NumberRules::readNumber(quantityText),
        m_addMode ? StockOps::Direction::Add : StockOps::Direction::Subtract, note);
    // The trap takes a closed object for no error and goes on: with the
    // connection closed, the look-up finds no part.
    const bool missing = change.status == StockOps::Status::PartMissing
                         || (!change.ok() && change.error.is(ErrorNumber::ObjectClosed));
    if (missing) {
        busy.release();
        ui.inform(this, QStringLiteral("Part Number Does Not Exist"));
        txtPartNo->setFocus(Qt::OtherFocusReason);
        txtPartNo->setSelection(0, int(txtPartNo->text().size()));
        return;
    }
    if (!change.ok()) {
        busy.release();
        if (change.error.is(ErrorNumber::OutcomeUnknown))
            ui.inform(this, StockOps::unknownOutcomeMessage(
                                change.error, QStringLiteral("%1 %2 %3 the stock of %4")
                                                  .arg(m_addMode ? QStringLiteral("Add") : QStringLiteral("Subtract"),
                                                       quantityText.trimmed(),
                                                       m_addMode ? QStringLiteral("to") : QStringLiteral("from"),
                                                       partNo)));
        else
            ui.inform(this, errorMessageText(change.error));
        return;
    }
    const qint16 newStock = change.newStock;
    if (change.belowReorderPoint()) {
        busy.release();
        ui.inform(this, QStringLiteral("Reorder Point Reached\r\n") + partNo
                            + QStringLiteral(" added to Reorder Report"));
    }

    txtPartNo->clear();
    txtQuantity->clear();
    txtNote->clear();
    txtPartNo->setFocus(Qt::OtherFocusReason);
    showResult(partNo, newStock);
    busy.release();
}

void AddDeleteInvWindow::showResult(const QString &partNo, int newStock)
{
    StatBarAdd->setCount(2);
    StatBarAdd->setPanelShare(0.5);
    StatBarAdd->panel(1)->setText(partNo + QStringLiteral(" Inventory Updated"));
    StatBarAdd->panel(1)->show();
    StatBarAdd->panel(2)->setText(QStringLiteral("Current Inventory ") + QString::number(newStock));
}
