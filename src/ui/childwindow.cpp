#include "ui/childwindow.h"

#include "ui/appcontext.h"
#include "ui/twips.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>

ChildWindow::ChildWindow(AppContext &app, QWidget *parent) : QWidget(parent), m_app(app)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

QLineEdit *ChildWindow::focusedTextField() const
{
    QWidget *focus = focusWidget();
    if (!focus || !isAncestorOf(focus))
        return nullptr;
    if (auto *field = qobject_cast<QLineEdit *>(focus))
        return field;
    if (auto *box = qobject_cast<QComboBox *>(focus))
        return box->lineEdit();
    return nullptr;
}

bool ChildWindow::supports(StandardAction action) const
{
    switch (action) {
    case StandardAction::Cut:
    case StandardAction::Copy:
    case StandardAction::Paste:
        return focusedTextField() != nullptr;
    default:
        return false;
    }
}

void ChildWindow::perform(StandardAction action)
{
    QLineEdit *field = focusedTextField();
    if (!field)
        return;
    switch (action) {
    case StandardAction::Cut: field->cut(); break;
    case StandardAction::Copy: field->copy(); break;
    case StandardAction::Paste: field->paste(); break;
    default: break;
    }
}

bool ChildWindow::event(QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        auto *button = qobject_cast<QPushButton *>(focusWidget());
        if (enter && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && button
            && isAncestorOf(button) && button->isEnabled() && button->isVisible()) {
            event->accept();
            button->click(); // may close this window
            return true;
        }
    }
    return QWidget::event(event);
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

void ChildWindow::resizeFrame(const QSize &size)
{
    QMdiSubWindow *sub = subWindow();
    if (!sub) {
        resize(size);
        return;
    }
    // The frame's own margins: what it adds around the window at its hint.
    sub->adjustSize();
    sub->resize(size + (sub->size() - this->size()));
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
