#include "ui/childwindow.h"

#include "ui/appcontext.h"
#include "ui/twips.h"

#include <QLayout>
#include <QMdiArea>
#include <QMdiSubWindow>

ChildWindow::ChildWindow(AppContext &app, QWidget *parent) : QWidget(parent), m_app(app)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

bool ChildWindow::supports(StandardAction action) const
{
    Q_UNUSED(action);
    return false;
}

void ChildWindow::perform(StandardAction action)
{
    Q_UNUSED(action);
}

bool ChildWindow::maybeClose()
{
    if (!m_mayClose)
        m_mayClose = canClose();
    return m_mayClose;
}

QMdiSubWindow *ChildWindow::subWindow() const
{
    return qobject_cast<QMdiSubWindow *>(parentWidget());
}

QMdiArea *ChildWindow::mdiArea() const
{
    QMdiSubWindow *sub = subWindow();
    return sub ? sub->mdiArea() : nullptr;
}

QWidget *ChildWindow::frameWidget()
{
    if (QMdiSubWindow *sub = subWindow())
        return sub;
    return this;
}

void ChildWindow::fitFrameToContents()
{
    // Hidden rows take no room; the sub-window must see the new size hint.
    if (layout()) {
        layout()->invalidate();
        layout()->activate(); // also recomputes the nested layouts
    }
    updateGeometry();
    if (QMdiSubWindow *sub = subWindow()) {
        if (sub->layout())
            sub->layout()->invalidate();
        sub->adjustSize();
    } else {
        adjustSize();
    }
}

int ChildWindow::loadedForms() const
{
    const QMdiArea *area = mdiArea();
    return 1 + (area ? int(area->subWindowList().size()) : 1);
}

void ChildWindow::placeAsChild()
{
    QWidget *frame = frameWidget();
    const int forms = loadedForms();
    if (forms == 2)
        frame->move(0, 0);
    else
        frame->move(frame->x(), Twips::toPixels(100.0 * forms, frame));
}

BusyPointer::BusyPointer(QWidget *window) : m_window(window)
{
    set();
}

BusyPointer::~BusyPointer()
{
    release();
}

void BusyPointer::set()
{
    if (m_window && !m_busy) {
        m_window->setCursor(Qt::WaitCursor);
        m_busy = true;
    }
}

void BusyPointer::release()
{
    if (m_window && m_busy)
        m_window->unsetCursor();
    m_busy = false;
}
