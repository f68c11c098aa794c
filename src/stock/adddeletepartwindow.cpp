#include "stock/adddeletepartwindow.h"

#include "ui/appcontext.h"
#include "ui/entryfields.h"
#include "data/numberrules.h"
#include "ui/userinterface.h"
#include "stock/ops/stockoperations.h"
#include "ui/entrylayout.h"
#include "ui/panelbar.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <cmath>

namespace {

QLabel *makeLabel(QWidget *parent, const char *name, const char *caption)
{
    auto *label = new QLabel(QString::fromLatin1(caption), parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

QLineEdit *makeField(QWidget *parent, const char *name, const char *tooltip)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setToolTip(QString::fromLatin1(tooltip));
    return field;
}

} // namespace

AddDeletePartWindow::AddDeletePartWindow(AppContext &app, bool addMode, QWidget *parent)
    : ChildWindow(app, parent), m_addMode(addMode)
{
    setObjectName(QStringLiteral("frmAddDeletePart"));

    lblPartNo = makeLabel(this, "lblPartNo", "Part Number:");
    txtPartNo = makeField(this, "txtPartNo", "Enter part number");
    lblQuantity = makeLabel(this, "lblQuantity", "Quantity On Hand:");
    txtQuantity = makeField(this, "txtQuantity", "Enter initial amount");
    lblDescription = makeLabel(this, "lblDescription", "Description:");
    txtDescription = makeField(this, "txtDescription", "Enter part description");
    lblCost = makeLabel(this, "lblCost", "Unit Cost:");
    txtCost = makeField(this, "txtCost", "Enter the cost per part");
    lblReorder = makeLabel(this, "lblReorder", "Reorder Point:");
    txtReorder = makeField(this, "txtReorder", "Enter the number to reorder at");
    lblVendor = makeLabel(this, "lblVendor", "Preferred Vendor:");
    txtVendor = makeField(this, "txtVendor", "Enter the vendor purchased from");
    cmdUpdate = new QPushButton(QStringLiteral("Submit"), this);
    cmdUpdate->setObjectName(QStringLiteral("cmdUpdate"));
    cmdExit = new QPushButton(QStringLiteral("Exit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    statbarInfo = new PanelBar(1, this);
    statbarInfo->setObjectName(QStringLiteral("statbarInfo"));
    // Its room is kept while hidden, so that showing it moves nothing.
    QSizePolicy barPolicy = statbarInfo->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    statbarInfo->setSizePolicy(barPolicy);
    statbarInfo->hide();

    // Wide enough that each half of the status bar holds its message.
    txtPartNo->setMinimumWidth(260);
    auto *fields = new QGridLayout;
    const QList<QPair<QLabel *, QLineEdit *>> rows = {
        {lblPartNo, txtPartNo},     {lblQuantity, txtQuantity}, {lblDescription, txtDescription},
        {lblCost, txtCost},         {lblReorder, txtReorder},   {lblVendor, txtVendor},
    };
    QWidget *previous = nullptr;
    for (int row = 0; row < rows.size(); ++row) {
        rows[row].first->setBuddy(rows[row].second);
        fields->addWidget(rows[row].first, row, 0);
        fields->addWidget(rows[row].second, row, 1);
        if (previous)
            setTabOrder(previous, rows[row].second);
        previous = rows[row].second;
    }
    setTabOrder(previous, cmdUpdate);
    setTabOrder(cmdUpdate, cmdExit);
    EntryLayout::assemble(this, fields, cmdUpdate, cmdExit, statbarInfo);
    setFocusProxy(txtPartNo);

    m_fields = new EntryFields(this);
    m_fields->onEnter(txtPartNo, [this] {
        if (m_addMode)
            txtQuantity->setFocus(Qt::OtherFocusReason);
        else
            submit();
    });
    m_fields->onEnterFocus(txtQuantity, txtDescription);
    m_fields->onEnterFocus(txtDescription, txtCost);
    m_fields->onEnterFocus(txtCost, txtReorder);
    m_fields->onEnter(txtReorder, [this] {
        if (txtVendor->isVisibleTo(this))
            txtVendor->setFocus(Qt::OtherFocusReason);
        else
            submit();
    });
    m_fields->onEnter(txtVendor, [this] { submit(); });

    connect(cmdUpdate, &QPushButton::clicked, this, &AddDeletePartWindow::submit);
    // Closing the sub-window closes this window with it.
    connect(cmdExit, &QPushButton::clicked, this, [this] { frameWidget()->close(); });
}

void AddDeletePartWindow::load()
{
    if (m_addMode) {
        setWindowTitle(QStringLiteral("Add New Part To Inventory"));
    } else {
        setWindowTitle(QStringLiteral("Delete Part From Inventory"));
        for (QWidget *w : {static_cast<QWidget *>(lblQuantity), static_cast<QWidget *>(txtQuantity),
                           static_cast<QWidget *>(lblDescription), static_cast<QWidget *>(txtDescription),
                           static_cast<QWidget *>(lblCost), static_cast<QWidget *>(txtCost),
                           static_cast<QWidget *>(lblReorder), static_cast<QWidget *>(txtReorder),
                           static_cast<QWidget *>(lblVendor), static_cast<QWidget *>(txtVendor)})
            w->hide();
    }
    fitFrameToContents();
    placeAsChild();
    txtPartNo->setFocus(Qt::OtherFocusReason);
}

void AddDeletePartWindow::submit()
{
    if (m_addMode)
        addPart();
    else
        deletePart();
}

bool AddDeletePartWindow::requireNumber(QLineEdit *field, const QString &message)
{
    if (NumberRules::isNumeric(field->text()))
        return true;
    unsetCursor();
    m_app.ui().inform(this, message);
    field->setFocus(Qt::OtherFocusReason);
    return false;
}

void AddDeletePartWindow::reportError(const DbError &error, const QString &change)
{
    unsetCursor();
    m_app.ui().inform(this, error.is(ErrorNumber::OutcomeUnknown) && !change.isEmpty()
                                ? StockOps::unknownOutcomeMessage(error, change)
                                : errorMessageText(error));
}

void AddDeletePartWindow::partNotFound()
{
    unsetCursor();
    m_app.ui().inform(this, QStringLiteral("Part Number Does Not Exist"));
    txtPartNo->setFocus(Qt::OtherFocusReason);
    txtPartNo->setSelection(0, int(txtPartNo->text().size()));
}

void AddDeletePartWindow::addPart()
{
    UserInterface &ui = m_app.ui();
    const QString partNo = txtPartNo->text();
    // A part needs a number to be found by: refuse a blank one first, in the
    // order of the fields.
    if (partNo.trimmed().isEmpty()) {
        ui.inform(this, QStringLiteral("Enter a Part Number"));
        txtPartNo->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!requireNumber(txtQuantity, QStringLiteral("Quantity must be a number")))
        return;
    DbError error;
    qint16 quantity = 0;
    if (!NumberRules::toInt16(NumberRules::readNumber(txtQuantity->text()), &quantity, &error)) {
        reportError(error);
        return;
    }
    const QString description = txtDescription->text();
    if (!requireNumber(txtCost, QStringLiteral("Cost must be a number")))
        return;
    const double cost = NumberRules::readNumber(txtCost->text());
    if (!std::isfinite(cost)) {
        reportError(DbError::runtime(ErrorNumber::Overflow));
        return;
    }
    if (!requireNumber(txtReorder, QStringLiteral("Reorder Point must be a number")))
        return;
    qint16 reorder = 0;
    if (!NumberRules::toInt16(NumberRules::readNumber(txtReorder->text()), &reorder, &error)) {
        reportError(error);
        return;
    }
    const QString vendor = txtVendor->text();

    BusyPointer busy(this);
    // The duplicate check, the part and its vendor are one operation in one
    // write transaction: a part added at another workstation a moment ago
    // counts as listed.
    const StockOps::Outcome added =
        StockOps::addPart(m_app.database(), {partNo, quantity, description, cost, reorder, vendor});
    switch (added.status) {
    case StockOps::Status::Done:
        break;
    case StockOps::Status::AlreadyListed:
        busy.release();
        ui.message(this, QStringLiteral("Part No. ") + partNo + QStringLiteral(" already in inventory."),
                   UserInterface::programTitle(), UserInterface::Icon::Critical);
        txtPartNo->setFocus(Qt::OtherFocusReason);
        txtPartNo->selectAll();
        return;
    case StockOps::Status::NoDescription:
        busy.release();
        ui.inform(this, QStringLiteral("You must enter a Description"));
        return;
    default:
        busy.release();
        reportError(added.error, QStringLiteral("Add part %1 with a stock of %2").arg(partNo).arg(quantity));
        return;
    }

    for (QLineEdit *field : {txtPartNo, txtQuantity, txtDescription, txtCost, txtReorder, txtVendor})
        field->clear();
    txtPartNo->setFocus(Qt::OtherFocusReason);
    statbarInfo->setCount(2);
    statbarInfo->setPanelShare(0.5);
    statbarInfo->panel(1)->setText(partNo + QStringLiteral(" Added to Inventory"));
    statbarInfo->panel(1)->show();
    statbarInfo->panel(2)->setText(QStringLiteral("Current Inventory ") + QString::number(quantity));
    statbarInfo->show();
    busy.release();
}

void AddDeletePartWindow::deletePart()
{
    UserInterface &ui = m_app.ui();
    const QString partNo = txtPartNo->text();
    Database &db = m_app.database();
    BusyPointer busy(this);
    {
        // Only a part that is there is offered for deleting.
        bool exists = false;
        DbError error;
        if (!StockOps::partExists(db, partNo, &exists, &error)) {
            busy.release();
            reportError(error);
            return;
        }
        if (!exists) {
            busy.release();
            partNotFound();
            return;
        }
    }
    busy.release();
    const auto answer = ui.message(this, QStringLiteral("Delete Part No ") + partNo
                                             + QStringLiteral("\r\nAre you sure?"),
                                   UserInterface::programTitle(), UserInterface::Icon::None,
                                   UserInterface::Buttons::YesNo);
    if (answer != UserInterface::Answer::Yes)
        return;

    busy.set();
    const StockOps::Outcome deleted = StockOps::deletePart(db, partNo);
    if (deleted.status == StockOps::Status::PartMissing) {
        // Deleted elsewhere meanwhile.
        busy.release();
        partNotFound();
        return;
    }
    if (!deleted.ok()) {
        busy.release();
        reportError(deleted.error, QStringLiteral("Delete part %1").arg(partNo));
        return;
    }
    statbarInfo->setCount(1);
    statbarInfo->setPanelShare(0.5);
    statbarInfo->panel(1)->setText(partNo + QStringLiteral(" Deleted From Inventory"));
    statbarInfo->panel(1)->show();
    statbarInfo->show();
    for (QLineEdit *field : {txtPartNo, txtQuantity, txtDescription, txtCost, txtReorder})
        field->clear();
    txtPartNo->setFocus(Qt::OtherFocusReason);
    busy.release();
}
