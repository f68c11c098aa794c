#include "history/stockhistorywindow.h"

#include "history/ops/stockledger.h"
#include "history/stockchart.h"
#include "ui/appcontext.h"
#include "ui/entryfields.h"
#include "ui/gridmodel.h"
#include "ui/gridview.h"
#include "ui/twips.h"
#include "ui/userinterface.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

StockHistoryWindow::StockHistoryWindow(AppContext &app, const QString &partNo, QWidget *parent)
    : GridWindow(app, parent)
{
    setObjectName(QStringLiteral("frmStockHistory"));
    setWindowTitle(QStringLiteral("Stock History"));
    lblPartNo = new QLabel(QStringLiteral("Part Number:"), this);
    lblPartNo->setObjectName(QStringLiteral("lblPartNo"));
    txtPartNo = new QLineEdit(partNo, this);
    txtPartNo->setObjectName(QStringLiteral("txtPartNo"));
    txtPartNo->setToolTip(QStringLiteral("The part whose history to show; empty shows all parts"));
    lblPartNo->setBuddy(txtPartNo);
    cmdShow = new QPushButton(QStringLiteral("Show"), this);
    cmdShow->setObjectName(QStringLiteral("cmdShow"));
    chtStock = new StockChart(this);
    chtStock->setObjectName(QStringLiteral("chtStock"));
    chtStock->hide();

    setTabOrder(txtPartNo, cmdShow);
    setTabOrder(cmdShow, grid());
    setTabOrder(grid(), closeButton());
    auto *fields = new EntryFields(this);
    fields->onEnter(txtPartNo, [this] { showHistory(); });
    connect(cmdShow, &QPushButton::clicked, this, [this] { showHistory(); });
    setClientSize(10200, 7200);
}

void StockHistoryWindow::load()
{
    showHistory();
    placeAsChild();
    txtPartNo->setFocus(Qt::OtherFocusReason);
    txtPartNo->selectAll();
}

bool StockHistoryWindow::showHistory()
{
    Database &db = m_app.database();
    const QString partNo = txtPartNo->text();
    const bool onePart = !partNo.isEmpty();
    DbError error;
    auto failed = [&] {
        chtStock->hide();
        m_app.ui().inform(this, QStringLiteral("The history could not be read.\r\n") + errorMessageText(error),
                          UserInterface::Icon::Critical);
        return false;
    };
    if (!StockLedger::ensureTable(db, &error))
        return failed();
    // The grid window tells of a read that fails.
    if (!loadRows([&](SqlEngine::RowSink &sink, DbError *failure) {
            return StockLedger::readHistory(db, partNo, sink, failure);
        })) {
        chtStock->hide();
        return false;
    }
    StockLedger::Chart data;
    if (onePart) {
        BusyPointer busy(this);
        const bool read = StockLedger::chartOf(db, partNo, &data, &error);
        busy.release();
        if (!read)
            return failed();
    }
    if (onePart && !data.points.isEmpty()) {
        chtStock->show(partNo, data);
        chtStock->setVisible(true);
    } else {
        chtStock->clear();
        chtStock->hide();
    }
    placeControls();
    return true;
}

void StockHistoryWindow::resizeEvent(QResizeEvent *event)
{
    GridWindow::resizeEvent(event);
    placeControls();
}

void StockHistoryWindow::placeControls()
{
    // The part number box on top, the chart below it (one part only), the
    // grid under them down to the Close button.
    const int margin = Twips::toPixels(Margin, this);
    const int rowHeight = qMax(txtPartNo->sizeHint().height(), cmdShow->sizeHint().height());
    const int labelWidth = lblPartNo->sizeHint().width();
    lblPartNo->setGeometry(margin, margin, labelWidth, rowHeight);
    const int boxLeft = margin + labelWidth + margin;
    const int boxWidth = Twips::toPixels(2400, this);
    txtPartNo->setGeometry(boxLeft, margin, boxWidth, rowHeight);
    cmdShow->setGeometry(boxLeft + boxWidth + margin, margin, cmdShow->sizeHint().width(), rowHeight);

    int top = margin + rowHeight + margin;
    const int bottom = closeButton()->y() - margin;
    const int width = qMax(0, this->width() - 2 * margin);
    if (!chtStock->isHidden()) { // also before the window is shown
        const int chartHeight = qMax(0, (bottom - top) / 2);
        chtStock->setGeometry(margin, top, width, chartHeight);
        top += chartHeight + margin;
    }
    grid()->setGeometry(margin, top, width, qMax(0, bottom - top));
}
