#include "stock/browsedescwindow.h"

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
constexpr double ClientWidth = 7500, ClientHeight = 4905; // twips
const QString KeyColumn = QStringLiteral("Description");
} // namespace

BrowseDescWindow::BrowseDescWindow(AppContext &app, QWidget *parent) : ChildWindow(app, parent)
{
    setObjectName(QStringLiteral("frmBrowseDesc"));
    setWindowTitle(QStringLiteral("Browse Inventory"));
    Browse::styleWindow(this, ClientWidth, ClientHeight);

    // The box is made first: first in the tab order.
    lblDesc = Browse::label(this, "lblDesc", QStringLiteral("Description:"), 120, 480, 1455);
    cmbDesc = new QComboBox(this);
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

    m_details = {lblPartNo, lblMinReq, lblCurrentInv, lblUnitCost, lblBin,
                 txtPartNo, txtMinReq, txtCurrentInv, txtUnitCost, txtBin};
    for (QWidget *w : std::as_const(m_details))
        w->hide();

    connect(cmbDesc, &QComboBox::activated, this, &BrowseDescWindow::pick);
    new Browse::ComboKeys(
        cmbDesc, [this] { enterKey(); },
        [this](int key) { Browse::typeAhead(cmbDesc, m_set, KeyColumn, key, this, m_app.ui()); });
    connect(cmdNext, &QPushButton::clicked, this, &BrowseDescWindow::next);
    // Closing the sub-window closes this window with it.
    connect(cmdExit, &QPushButton::clicked, this, [this] { frameWidget()->close(); });
}

QSize BrowseDescWindow::sizeHint() const
{
    return QSize(Twips::toPixels(ClientWidth, this), Twips::toPixels(ClientHeight, this));
}

void BrowseDescWindow::load()
{
    cmbDesc->setFocus();
    BusyPointer busy(this);
    const bool ok = readList();
    busy.release();
    if (ok)
        placeAsChild();
    else if (m_set.error().is(ErrorNumber::NoCurrentRecord))
        Browse::setList(cmbDesc, {QStringLiteral("No Inventory Found")});
    else
        showError();
}

// Reads the catalogue and lists every description that is not null, in the
// set's order. The count is whatever the set holds: no 16-bit limit.
bool BrowseDescWindow::readList()
{
    if (!m_set.open(m_app.database(),
                    QStringLiteral("select * from Inventory order by Description ;")))
        return false;
    if (!m_set.moveLast() || !m_set.moveFirst())
        return false;
    const qsizetype count = m_set.recordCount();
    const int column = m_set.fieldIndex(KeyColumn);
    QStringList list;
    list.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
        const QVariant v = m_set.value(column);
        if (m_set.error())
            return false;
        if (!v.isNull())
            list.append(v.toString());
        if (!m_set.moveNext())
            return false;
    }
    Browse::setList(cmbDesc, list);
    return m_set.moveFirst();
}

bool BrowseDescWindow::fill()
{
    return Browse::fillFromRow(m_set,
                               {{"MinReq", txtMinReq},
                                {"CurrentInv", txtCurrentInv},
                                {"PartNo", txtPartNo},
                                {"UnitCost", txtUnitCost}},
                               txtBin);
}

void BrowseDescWindow::showDetails()
{
    for (QWidget *w : std::as_const(m_details))
        w->show();
    lblDesc->show();
}

void BrowseDescWindow::showError()
{
    m_app.ui().inform(this, errorMessageText(m_set.error()));
}

void BrowseDescWindow::pick()
{
    BusyPointer busy(this);
    bool retried = false;
    // A step that fails goes back to the first row and runs once more (a
    // description not found thus shows the first row); a second failure is
    // reported and ends the pick.
    const auto step = [&](const auto &run) {
        if (run())
            return true;
        if (!retried) {
            retried = true;
            if (m_set.moveFirst() && run())
                return true;
        }
        busy.release();
        showError();
        return false;
    };
    if (!step([this] { return m_set.moveFirst(); }))
        return;
    const QString text = cmbDesc->currentText();
    if (text.isEmpty()) {
        busy.release();
        m_app.ui().inform(this, QStringLiteral("Choose a Description"));
        return;
    }
    if (!step([&] { return m_set.findForward(KeyColumn, Recordset::Match::Equal, text); }))
        return;
    if (!step([this] { return fill(); }))
        return;
    showDetails();
}

void BrowseDescWindow::enterKey()
{
    BusyPointer busy(this);
    const QString text = cmbDesc->currentText();
    if (text.isEmpty()) {
        busy.release();
        m_app.ui().inform(this, QStringLiteral("Choose a Description"));
        return;
    }
    if (!m_set.findForward(KeyColumn, Recordset::Match::Equal, text)) {
        busy.release();
        showError();
        return;
    }
    if (m_set.isEof()) {
        busy.release();
        m_app.ui().inform(this, QStringLiteral("Description Not Found!"),
                          UserInterface::Icon::Critical);
        for (QLineEdit *f : {txtMinReq, txtCurrentInv, txtPartNo, txtUnitCost, txtBin})
            f->clear();
        return;
    }
    if (!fill()) {
        busy.release();
        showError();
        return;
    }
    showDetails();
}

void BrowseDescWindow::next()
{
    const QString text = cmbDesc->currentText();
    BusyPointer busy(this);
    if (text.isEmpty()) {
        busy.release();
        m_app.ui().inform(this, QStringLiteral("Choose a Description"));
        return;
    }
    if (!m_set.findForward(KeyColumn, Recordset::Match::Equal, text) || !m_set.moveNext()) {
        busy.release();
        return nextFailed();
    }
    const QVariant description = m_set.value(KeyColumn);
    if (m_set.error()) {
        busy.release();
        return nextFailed();
    }
    cmbDesc->setEditText(description.toString());
    if (!fill()) {
        busy.release();
        return nextFailed();
    }
}

// Past the last description, or the one in the box not found from the
// current row on.
void BrowseDescWindow::nextFailed()
{
    if (m_set.error().is(ErrorNumber::NoCurrentRecord))
        m_app.ui().inform(this, QStringLiteral("No more records found."));
    else
        showError();
}

void BrowseDescWindow::closeEvent(QCloseEvent *event)
{
    // A set that never opened has nothing to close; closing cannot fail otherwise.
    if (m_set.isOpen())
        m_set.close();
    ChildWindow::closeEvent(event);
}
