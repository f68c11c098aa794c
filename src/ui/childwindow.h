#pragma once

#include "ui/commandhost.h"

#include <QPointer>
#include <QWidget>

class AppContext;
class QMdiArea;
class QLineEdit;
class QMdiSubWindow;

// Base of the windows that open inside the main window. The main window puts
// each into a sub-window, calls load() and shows it.
class ChildWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ChildWindow(AppContext &app, QWidget *parent = nullptr);

    // Runs once the window sits in its sub-window, before it is first shown.
    virtual void load() {}

    // The File and Edit commands this window answers while it is active; the
    // main window sends them here first. A window that answers none leaves
    // them to the commands' own handlers.
    // By default a window answers Cut, Copy and Paste for its focused text
    // field (a line edit, or an editable combo box).
    virtual bool supports(StandardAction action) const;
    virtual void perform(StandardAction action);

    // The smallest size tiling gives the window: the size it had when it was
    // first shown, as its fields are laid out for it. Windows whose content
    // follows their size allow less.
    virtual QSize leastTiledSize() const { return m_designedSize; }
    // Called by the main window once the window is shown.
    void rememberDesignedSize() { m_designedSize = size(); }

    // Asked of every child before the main window closes any: true when this
    // window may close now. A yes is remembered, so that the close which
    // follows does not ask again, until forgetCloseAnswer().
    bool maybeClose();
    void forgetCloseAnswer() { m_mayClose = false; }

    AppContext &app() const { return m_app; }
    QMdiSubWindow *subWindow() const;
    QMdiArea *mdiArea() const;
    // The main window and every child window, hidden ones included.
    int loadedForms() const;
    // With only the main window and this one loaded: the top-left corner of
    // the client area; otherwise the top edge at 100 twips per loaded form.
    void placeAsChild();
    // The widget to move and size: the sub-window, or this window on its own.
    QWidget *frameWidget();
    // Sizes the frame to the layout after rows were shown or hidden.
    void fitFrameToContents();
    // Gives the window its designed size, the frame around it included.
    void resizeFrame(const QSize &size);

protected:
    // Whether the window may close now; a window with unsaved work asks the
    // user here.
    virtual bool canClose() { return true; }
    // Enter on a focused push button presses it, as Space does. Text fields
    // keep their own Enter (their chains take the key before it gets here).
    bool event(QEvent *event) override;

    AppContext &m_app;

private:
    QLineEdit *focusedTextField() const;

    bool m_mayClose = false;
    QSize m_designedSize;
};

// Shows the hourglass over one window while it works on the database, and the
// normal pointer again when it goes out of scope or on release().
class BusyPointer
{
public:
    explicit BusyPointer(QWidget *window);
    ~BusyPointer();
    void release();
    void set();
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    QPointer<QWidget> m_window;
    bool m_busy = false;
};
