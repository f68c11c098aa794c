#include "ui/gridwindow.h"

#include "data/database.h"
#include "ui/appcontext.h"
#include "ui/listgridmodel.h"
#include "ui/gridview.h"
#include "ui/twips.h"
#include "ui/userinterface.h"

#include <QPushButton>
#include <memory>

GridWindow::GridWindow(AppContext &app, QWidget *parent) : ChildWindow(app, parent)
{
    m_model = new ListGridModel(this);
    MSHFlexGrid1 = new GridView(this);
    MSHFlexGrid1->setObjectName(QStringLiteral("MSHFlexGrid1"));
    MSHFlexGrid1->setGridModel(m_model);
    cmdClose = new QPushButton(QStringLiteral("&Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->resize(Twips::toPixels(1215, this), Twips::toPixels(375, this));
    // Closing the sub-window closes this window with it.
    connect(cmdClose, &QPushButton::clicked, this, [this] { frameWidget()->close(); });
    connect(m_model, &ListGridModel::readFailed, this, [this] { reportReadFailure(); });
}

bool GridWindow::supports(StandardAction action) const
{
    return MSHFlexGrid1->supports(action);
}

void GridWindow::perform(StandardAction action)
{
    MSHFlexGrid1->perform(action);
}

QSize GridWindow::sizeHint() const
{
    return m_designSize.isValid() ? m_designSize : ChildWindow::sizeHint();
}

void GridWindow::setClientSize(double widthTwips, double heightTwips)
{
    m_designSize = QSize(Twips::toPixels(widthTwips, this), Twips::toPixels(heightTwips, this));
    resize(m_designSize);
}

bool GridWindow::loadRows(const std::function<bool(SqlEngine::RowSink &, DbError *)> &read)
{
    BusyPointer busy(this);
    MSHFlexGrid1->setUpdatesEnabled(false);
    const bool ok = m_model->load(read);
    MSHFlexGrid1->setUpdatesEnabled(true);
    busy.release();
    if (!ok)
        reportReadFailure();
    return ok;
}

bool GridWindow::loadPages(const PageRead &read)
{
    BusyPointer busy(this);
    // The window's own connection, where one opens; else the shared one.
    static int opened = 0;
    auto own = std::make_shared<Database>(QStringLiteral("partwise-list-%1").arg(++opened));
    Database *db = &m_app.database();
    if (db->isOpen() && own->open(db->path()))
        db = own.get();
    const bool ok = m_model->loadPages(
        [read, own, db](const ListGridModel::Page &page, SqlEngine::RowSink &sink, DbError *error) {
            return read(*db, page.after, page.offset, page.limit, sink, error);
        });
    busy.release();
    if (!ok)
        reportReadFailure();
    return ok;
}

void GridWindow::reportReadFailure()
{
    m_app.ui().inform(this, QStringLiteral("The list could not be read.\r\n")
                                + errorMessageText(m_model->error()),
                      UserInterface::Icon::Critical);
}

void GridWindow::resizeEvent(QResizeEvent *event)
{
    ChildWindow::resizeEvent(event);
    layOut();
}

void GridWindow::layOut()
{
    const int margin = Twips::toPixels(Margin, this);
    const int w = width();
    const int h = height();
    const int buttonTop = h - (cmdClose->height() + margin);
    cmdClose->move(w - (cmdClose->width() + margin), buttonTop);
    const int gridWidth = w - 2 * margin;
    const int gridHeight = buttonTop - 2 * margin;
    if (gridWidth >= 0 && gridHeight >= 0)
        MSHFlexGrid1->setGeometry(margin, margin, gridWidth, gridHeight);
}
