#include "stock/browseinvwindow.h"

#include "ui/appcontext.h"
#include "ui/twips.h"
#include "ui/userinterface.h"
#include "stock/browsesupport.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
constexpr double ClientWidth = 7515, ClientHeight = 5340; // twips
const QString KeyColumn = QStringLiteral("PartNo");
// Widths in twips that the window's outer width is made of.
constexpr double DescLabelWidth = 1455;
constexpr double DescFieldWidth = 4725;
} // namespace

BrowseInvWindow::BrowseInvWindow(AppContext &app, QWidget *parent) : ChildWindow(app, parent)
{
    setObjectName(QStringLiteral("frmBrowseInv"));
    setWindowTitle(QStringLiteral("Browse Inventory"));
    Browse::styleWindow(this, ClientWidth, ClientHeight);

    // The box is made first: first in the tab order.
    lblPartNo = Browse::label(this, "lblPartNo", QStringLiteral("Part Number:"), 120, 480,
                              DescLabelWidth);
    cmbPartNo = new QComboBox(this);
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

    m_details = {lblMinReq, lblCurrentInv, lblDesc, lblUnitCost, lblBin,
                 txtMinReq, txtCurrentInv, txtDesc, txtUnitCost, txtBin};
    for (QWidget *w : std::as_const(m_details))
        w->hide();
    hideVendor();

    connect(cmbPartNo, &QComboBox::activated, this, &BrowseInvWindow::pick);
    new Browse::ComboKeys(
        cmbPartNo, [this] { enterKey(); },
        [this](int key) {
            Browse::typeAhead(cmbPartNo, m_set, KeyColumn, key, this, m_app.ui());
        });
    connect(cmdNext, &QPushButton::clicked, this, &BrowseInvWindow::next);
    connect(cmdVendor, &QPushButton::clicked, this, &BrowseInvWindow::showVendor);
    // Closing the sub-window closes this window with it.
    connect(cmdExit, &QPushButton::clicked, this, [this] { frameWidget()->close(); });
}

QSize BrowseInvWindow::sizeHint() const
{
    return QSize(Twips::toPixels(ClientWidth, this), Twips::toPixels(ClientHeight, this));
}

void BrowseInvWindow::load()
{
    cmbPartNo->setFocus();
    BusyPointer busy(this);
    const bool ok = readList();
    busy.release();
    if (ok) {
        QWidget *frame = frameWidget();
        frame->resize(Twips::toPixels(2 * DescLabelWidth + DescFieldWidth, frame),
                      frame->height());
        frame->move(frame->x(), 0);
    } else if (m_set.error().is(ErrorNumber::NoCurrentRecord)) {
        Browse::setList(cmbPartNo, {QStringLiteral("No Inventory Found")});
    } else {
        showError();
        placeAsChild();
    }
}

// Reads the catalogue and lists every part number, in the set's order. The
// count is whatever the set holds: no 16-bit limit.
bool BrowseInvWindow::readList()
{
    if (!m_set.open(m_app.database(), QStringLiteral("select * from Inventory order by PartNo;")))
        return false;
    if (!m_set.moveLast() || !m_set.moveFirst())
        return false;
    const qsizetype count = m_set.recordCount();
    QStringList list;
    list.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const QVariant v = m_set.value(0);
        if (m_set.error())
            return false;
        list.append(v.toString());
        if (!m_set.moveNext())
            return false;
    }
    Browse::setList(cmbPartNo, list);
    return m_set.moveFirst();
}

bool BrowseInvWindow::fill()
{
    return Browse::fillFromRow(m_set,
                               {{"MinReq", txtMinReq},
                                {"CurrentInv", txtCurrentInv},
                                {"Description", txtDesc},
                                {"UnitCost", txtUnitCost}},
                               txtBin);
}

void BrowseInvWindow::showDetails()
{
    for (QWidget *w : std::as_const(m_details))
        w->show();
}

void BrowseInvWindow::hideVendor()
{
    txtVendor->hide();
    lblVendor->hide();
}

void BrowseInvWindow::showError()
{
    m_app.ui().inform(this, errorMessageText(m_set.error()));
}

void BrowseInvWindow::pick()
{
    const QString text = cmbPartNo->currentText();
    if (text.isEmpty()) {
        m_app.ui().inform(this, QStringLiteral("Select a Part Number"));
        return;
    }
    BusyPointer busy(this);
    if (!m_set.moveFirst() || !m_set.findForward(KeyColumn, Recordset::Match::Equal, text)
        || !fill()) {
        busy.release();
        showError();
        return;
    }
    showDetails();
    busy.release();
    hideVendor();
}

void BrowseInvWindow::enterKey()
{
    const QString text = cmbPartNo->currentText();
    if (text.isEmpty()) {
        m_app.ui().inform(this, QStringLiteral("Select a Part Number"));
        return;
    }
    BusyPointer busy(this);
    if (!m_set.findForward(KeyColumn, Recordset::Match::Equal, text)) {
        busy.release();
        showError();
        return;
    }
    if (m_set.isEof()) {
        busy.release();
        m_app.ui().inform(this, QStringLiteral("Part Number Not Found!"),
                          UserInterface::Icon::Critical);
        for (QLineEdit *f : {txtMinReq, txtCurrentInv, txtDesc, txtUnitCost, txtBin})
            f->clear();
        return;
    }
    if (!fill()) {
        busy.release();
        showError();
        return;
    }
    showDetails();
    busy.release();
    hideVendor();
}

void BrowseInvWindow::next()
{
    const QString text = cmbPartNo->currentText();
    if (text.isEmpty()) {
        m_app.ui().inform(this, QStringLiteral("Select a Part Number"));
        return;
    }
    if (!m_set.findForward(KeyColumn, Recordset::Match::Equal, text) || !m_set.moveNext())
        return nextFailed();
    const QVariant partNo = m_set.value(KeyColumn);
    if (m_set.error())
        return nextFailed();
    cmbPartNo->setEditText(partNo.toString());
    if (!fill())
        return nextFailed();
    hideVendor();
}

// Past the last part, or the part in the box not found from the current row on.
void BrowseInvWindow::nextFailed()
{
    if (m_set.error().is(ErrorNumber::NoCurrentRecord))
        m_app.ui().inform(this, QStringLiteral("No more records found."));
    else
        showError();
}

void BrowseInvWindow::showVendor()
{
    const QString item = cmbPartNo->currentText();
    Recordset vendor;
    if (!vendor.open(m_app.database(),
                     QStringLiteral("select Vendor from PreferredVendor Where Item = ? ;"), {item})) {
        // The window's own set and row are untouched; report and go on.
        m_app.ui().inform(this, errorMessageText(vendor.error()));
        return;
    }
    QString text;
    if (vendor.isEof()) {
        text = QStringLiteral("Item not in Vendor list.");
    } else {
        const QVariant v = vendor.value(QStringLiteral("Vendor"));
        if (vendor.error()) {
            m_app.ui().inform(this, errorMessageText(vendor.error()));
            return;
        }
        text = v.isNull() ? QStringLiteral("No vendor listed.") : v.toString();
    }
    txtVendor->setText(text);
    txtVendor->show();
    lblVendor->show();
    vendor.close();
}

void BrowseInvWindow::closeEvent(QCloseEvent *event)
{
    // A set that never opened has nothing to close.
    if (m_set.isOpen() && !m_set.close())
        showError();
    ChildWindow::closeEvent(event);
}
