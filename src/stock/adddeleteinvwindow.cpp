#include "stock/adddeleteinvwindow.h"

#include "ui/appcontext.h"
#include "ui/entryfields.h"
#include "data/numberrules.h"
#include "ui/userinterface.h"
#include "data/recordset.h"
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
    cmdUpdate = new QPushButton(QStringLiteral("Submit"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    StatBarAdd = new PanelBar(1, this);
    StatBarAdd->setObjectName(QStringLiteral("StatBarAdd"));

    lblPartNo->setBuddy(txtPartNo);
    lblQty->setBuddy(txtQuantity);
    // Wide enough that each half of the status bar holds its message.
    txtPartNo->setMinimumWidth(260);

    auto *fields = new QGridLayout;
    fields->addWidget(lblPartNo, 0, 0);
    fields->addWidget(txtPartNo, 0, 1);
    fields->addWidget(lblQty, 1, 0);
    fields->addWidget(txtQuantity, 1, 1);
    EntryLayout::assemble(this, fields, cmdUpdate, cmdExit, StatBarAdd);

    setTabOrder(txtPartNo, txtQuantity);
    setTabOrder(txtQuantity, cmdUpdate);
    setTabOrder(cmdUpdate, cmdExit);
    setFocusProxy(txtPartNo);

    m_fields = new EntryFields(this);
    m_fields->onEnterFocus(txtPartNo, txtQuantity);
    m_fields->onEnter(txtQuantity, [this] { submit(); });

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

    const QString partNo = txtPartNo->text();
    BusyPointer busy(this);
    Database &db = m_app.database();
    Recordset rs;
    bool writing = false;
    // The trap: a closed object is no error and the next step runs; anything
    // else is reported and ends Submit.
    auto trap = [&](const DbError &error) {
        if (error.is(ErrorNumber::ObjectClosed))
            return true;
        if (writing)
            db.rollback();
        writing = false;
        busy.release();
        ui.inform(this, errorMessageText(error));
        return false;
    };

    // Look-up and update in one write transaction, so that no other program
    // writes the stock between our read and our write.
    if (db.beginWrite())
        writing = true;
    else if (!trap(db.error()))
        return;

    if (!rs.open(db, QStringLiteral("select CurrentInv from Inventory where PartNo =  ? ;"), {partNo})
        && !trap(rs.error()))
        return;
    if (rs.isEof()) {
        if (writing)
            db.rollback();
        busy.release();
        ui.inform(this, QStringLiteral("Part Number Does Not Exist"));
        txtPartNo->setFocus(Qt::OtherFocusReason);
        txtPartNo->setSelection(0, int(txtPartNo->text().size()));
        if (rs.isOpen())
            rs.close();
        return;
    }

    DbError error;
    qint16 amount = 0;
    if (!NumberRules::toInt16(NumberRules::readNumber(quantityText), &amount, &error)
        && !trap(error)) {
        return;
    }
    const QVariant stored = rs.value(QStringLiteral("CurrentInv"));
    if (rs.error() && !trap(rs.error()))
        return;
    qint16 current = 0;
    if (!NumberRules::toInt16(stored, &current, &error) && !trap(error))
        return;
    const int sum = m_addMode ? int(current) + int(amount) : int(current) - int(amount);
    qint16 newStock = 0;
    if (!NumberRules::toInt16(double(sum), &newStock, &error) && !trap(error))
        return;

    if (!rs.close() && !trap(rs.error()))
        return;
    if (!db.execute(QStringLiteral("UPDATE Inventory SET CurrentInv = ? WHERE PartNo = ?;"),
                    {int(newStock), partNo})
        && !trap(db.error()))
        return;
    if (writing) {
        writing = false;
        if (!db.commit()) {
            const DbError commitError = db.error();
            db.rollback();
            if (!trap(commitError))
                return;
        }
    }

    if (!rs.open(db, QStringLiteral("select CurrentInv,ReorderPoint from Inventory where PartNo =  ? ;"),
                 {partNo})
        && !trap(rs.error()))
        return;
    const QVariant stock = rs.value(QStringLiteral("CurrentInv"));
    if (rs.error() && !trap(rs.error()))
        return;
    const QVariant reorderPoint = rs.value(QStringLiteral("ReorderPoint"));
    if (rs.error() && !trap(rs.error()))
        return;
    // A null on either side never reaches the reorder point.
    if (!stock.isNull() && !reorderPoint.isNull() && stock.isValid() && reorderPoint.isValid()
        && stock.toDouble() < reorderPoint.toDouble()) {
        busy.release();
        ui.inform(this, QStringLiteral("Reorder Point Reached\r\n") + partNo
                            + QStringLiteral(" added to Reorder Report"));
    }
    if (!rs.close() && !trap(rs.error()))
        return;

    txtPartNo->clear();
    txtQuantity->clear();
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
