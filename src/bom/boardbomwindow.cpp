#include "bom/boardbomwindow.h"

#include "bom/bomoperations.h"
#include "data/recordset.h"
#include "ui/appcontext.h"
#include "ui/entryfields.h"
#include "ui/gridmodel.h"
#include "ui/gridview.h"
#include "ui/userinterface.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct Column
{
    const char *caption;
    double share; // of the grid's width
    bool shown;
};
const Column Columns[] = {{"BOM PN", 0.15, false},
                          {"Desc.", 0.1, false},
                          {"Part Number Used", 0.4, true},
                          {"Quantity", 0.4, true}};
const int PartNoColumn = 2;

} // namespace

BoardBomWindow::BoardBomWindow(AppContext &app, QWidget *parent) : ChildWindow(app, parent)
{
    setObjectName(QStringLiteral("frmBoardBOM"));
    setWindowTitle(QStringLiteral("Edit Bill Of Materials"));

    auto button = [](QWidget *parent, const char *name, const char *caption) {
        auto *b = new QPushButton(QString::fromLatin1(caption), parent);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    lblPartNo = new QLabel(QStringLiteral("BOM No.:"), this);
    lblPartNo->setObjectName(QStringLiteral("lblPartNo"));
    txtPartNo = new QLineEdit(this);
    txtPartNo->setObjectName(QStringLiteral("txtPartNo"));
    txtPartNo->setToolTip(QStringLiteral("Enter main component part number"));
    lblPartNo->setBuddy(txtPartNo);
    cmdGo = button(this, "cmdGo", "Submit");
    cmdExit = button(this, "cmdExit", "Exit");
    lblDescription = new QLabel(QStringLiteral("Description:"), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    txtDescription = new QLineEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    txtDescription->setEnabled(false);
    grdDataGrid = new GridView(this);
    grdDataGrid->setObjectName(QStringLiteral("grdDataGrid"));
    m_model = new GridModel(this);
    // Typing in a row is written when the user leaves the row or clicks
    // Update, and Cancel can still drop it.
    m_model->setWriteEachEdit(false);
    connect(m_model, &GridModel::writeFailed, this, &BoardBomWindow::showError);

    picButtons = new QWidget(this);
    picButtons->setObjectName(QStringLiteral("picButtons"));
    cmdAdd = button(picButtons, "cmdAdd", "&Add");
    cmdEdit = button(picButtons, "cmdEdit", "&Edit");
    cmdUpdate = button(picButtons, "cmdUpdate", "&Update");
    cmdCancel = button(picButtons, "cmdCancel", "&Cancel");
    cmdDelete = button(picButtons, "cmdDelete", "&Delete");
    cmdRefresh = button(picButtons, "cmdRefresh", "&Refresh");
    cmdClose = button(picButtons, "cmdClose", "&Close");
    auto *strip = new QHBoxLayout(picButtons);
    strip->setContentsMargins(6, 4, 6, 4);
    for (QPushButton *b : {cmdAdd, cmdEdit, cmdUpdate, cmdCancel, cmdDelete, cmdRefresh, cmdClose})
        strip->addWidget(b);
    strip->addStretch();

    picStatBox = new QWidget(this);
    picStatBox->setObjectName(QStringLiteral("picStatBox"));
    auto navButton = [this](const char *name, QStyle::StandardPixmap icon) {
        auto *b = new QToolButton(picStatBox);
        b->setObjectName(QString::fromLatin1(name));
        b->setIcon(style()->standardIcon(icon));
        b->setFocusPolicy(Qt::NoFocus);
        return b;
    };
    cmdFirst = navButton("cmdFirst", QStyle::SP_MediaSkipBackward);
    cmdPrevious = navButton("cmdPrevious", QStyle::SP_MediaSeekBackward);
    lblStatus = new QLabel(picStatBox);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setFrameShape(QFrame::StyledPanel);
    cmdNext = navButton("cmdNext", QStyle::SP_MediaSeekForward);
    cmdLast = navButton("cmdLast", QStyle::SP_MediaSkipForward);
    auto *nav = new QHBoxLayout(picStatBox);
    nav->setContentsMargins(6, 0, 6, 4);
    nav->setSpacing(0);
    nav->addWidget(cmdFirst);
    nav->addWidget(cmdPrevious);
    nav->addWidget(lblStatus, 1);
    nav->addWidget(cmdNext);
    nav->addWidget(cmdLast);

    auto *top = new QGridLayout;
    top->setContentsMargins(12, 12, 12, 6);
    top->setHorizontalSpacing(10);
    top->addWidget(lblPartNo, 0, 0);
    top->addWidget(txtPartNo, 0, 1);
    top->addWidget(cmdGo, 0, 2);
    top->addWidget(cmdExit, 0, 3);
    top->addWidget(lblDescription, 1, 0);
    top->addWidget(txtDescription, 1, 1, 1, 3);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(top);
    outer->addWidget(grdDataGrid, 1);
    outer->addStretch(0);
    outer->addWidget(picButtons);
    outer->addWidget(picStatBox);

    for (QWidget *w : {static_cast<QWidget *>(lblDescription), static_cast<QWidget *>(txtDescription),
                       static_cast<QWidget *>(grdDataGrid), picButtons, picStatBox,
                       static_cast<QWidget *>(cmdUpdate), static_cast<QWidget *>(cmdCancel),
                       static_cast<QWidget *>(cmdRefresh)})
        w->hide();

    setTabOrder(txtPartNo, cmdGo);
    setTabOrder(cmdGo, cmdExit);
    setFocusProxy(txtPartNo);
    m_fields = new EntryFields(this);
    m_fields->onEnter(txtPartNo, [this] { submit(); });

    auto closeWindow = [this] { frameWidget()->close(); };
    connect(cmdGo, &QPushButton::clicked, this, &BoardBomWindow::submit);
    connect(cmdExit, &QPushButton::clicked, this, closeWindow);
    connect(cmdClose, &QPushButton::clicked, this, closeWindow);
    connect(cmdAdd, &QPushButton::clicked, this, &BoardBomWindow::add);
    connect(cmdEdit, &QPushButton::clicked, this, &BoardBomWindow::edit);
    connect(cmdUpdate, &QPushButton::clicked, this, &BoardBomWindow::update);
    connect(cmdCancel, &QPushButton::clicked, this, &BoardBomWindow::cancel);
    connect(cmdDelete, &QPushButton::clicked, this, &BoardBomWindow::deleteRow);
    connect(cmdRefresh, &QPushButton::clicked, this, &BoardBomWindow::refresh);
    connect(cmdFirst, &QToolButton::clicked, this, &BoardBomWindow::moveFirst);
    connect(cmdPrevious, &QToolButton::clicked, this, &BoardBomWindow::movePrevious);
    connect(cmdNext, &QToolButton::clicked, this, &BoardBomWindow::moveNext);
    connect(cmdLast, &QToolButton::clicked, this, &BoardBomWindow::moveLast);

    // The window's keys come before the focused control's.
    qApp->installEventFilter(this);
}

BoardBomWindow::~BoardBomWindow() = default;

void BoardBomWindow::load()
{
    resizeFrame(QSize(qMax(sizeHint().width(), 520), 460));
    placeAsChild();
    txtPartNo->setFocus(Qt::OtherFocusReason);
}

void BoardBomWindow::resizeEvent(QResizeEvent *event)
{
    ChildWindow::resizeEvent(event);
    fitGrid();
}

void BoardBomWindow::fitGrid()
{
    if (!m_loaded)
        return;
    const int width = grdDataGrid->viewport()->width();
    for (int i = 0; i < 4; ++i)
        grdDataGrid->setColumnWidth(i, int(width * Columns[i].share));
}

void BoardBomWindow::showError(const DbError &error)
{
    unsetCursor();
    m_app.ui().inform(this, error.description);
}

void BoardBomWindow::beep()
{
    QApplication::beep();
    emit beeped();
}

void BoardBomWindow::showPosition()
{
    if (m_rs)
        lblStatus->setText(QStringLiteral("Part: ") + QString::number(m_rs->absolutePosition()));
}

void BoardBomWindow::submit()
{
    UserInterface &ui = m_app.ui();
    BusyPointer busy(this);
    const QString boardPn = txtPartNo->text();
    if (boardPn.isEmpty()) {
        busy.release();
        ui.inform(this, QStringLiteral("Enter a Part Number"));
        txtPartNo->setFocus(Qt::OtherFocusReason);
        return;
    }
    auto report = [&](const DbError &error) {
        busy.release();
        ui.inform(this, errorMessageText(error));
    };
    // What was typed into the BOM shown so far is written before another one
    // takes its place.
    grdDataGrid->commitEdits();
    if (m_rs && m_rs->hasPendingChanges() && !m_rs->updateBatch())
        return report(m_rs->error());

    auto *rs = new Recordset(this);
    if (!BomOps::openBom(m_app.database(), *rs, boardPn)) {
        const DbError error = rs->error();
        delete rs;
        return report(error);
    }
    if (rs->recordCount() == 0) {
        // The BOM shown before stays the one the buttons act on.
        delete rs;
        busy.release();
        ui.inform(this, QStringLiteral("BOM was not found!"));
        txtPartNo->setFocus(Qt::OtherFocusReason);
        txtPartNo->selectAll();
        return;
    }
    const QVariant description = rs->value(QStringLiteral("Description"));
    attach(rs);
    m_loaded = true;
    m_loadedBom = boardPn;
    m_loadedDescription = description;

    for (int i = 0; i < 4; ++i) {
        m_model->setCaption(i, QString::fromLatin1(Columns[i].caption));
        grdDataGrid->setColumnHidden(i, !Columns[i].shown);
    }
    grdDataGrid->show();
    picButtons->show();
    picStatBox->show();
    busy.release();
    lblDescription->show();
    txtDescription->setText(description.toString()); // a null description shows empty
    txtDescription->show();
    picStatBox->hide();
    fitGrid();
    showPosition();
}

void BoardBomWindow::attach(Recordset *rs)
{
    Recordset *old = m_rs;
    m_rs = rs;
    connect(m_rs, &Recordset::moved, this, &BoardBomWindow::showPosition);
    m_model->bind(m_rs);
    grdDataGrid->setGridModel(m_model);
    delete old;
}

void BoardBomWindow::add()
{
    if (!m_rs)
        return;
    grdDataGrid->commitEdits();
    // An empty BOM has no last row to go to; the new row is simply its first.
    if (m_rs->recordCount() > 0 && !m_rs->moveLast())
        return showError(m_rs->error());
    if (!m_rs->addNew())
        return showError(m_rs->error());
    // The new row belongs to this window's BOM from the start.
    m_rs->setValue(QStringLiteral("BoardPN"), m_loadedBom);
    m_rs->setValue(QStringLiteral("Description"), m_loadedDescription);
    grdDataGrid->setFocus(Qt::OtherFocusReason);
    grdDataGrid->setCurrentIndex(m_model->index(m_model->rowCount() - 1, PartNoColumn));
}

void BoardBomWindow::edit()
{
    lblStatus->setText(QStringLiteral("Edit record"));
    m_editing = true;
    SetBrowseButtons(false);
}

void BoardBomWindow::update()
{
    if (!m_rs)
        return;
    grdDataGrid->commitEdits();
    if (!m_rs->updateBatch())
        return showError(m_rs->error());
    m_editing = false;
    SetBrowseButtons(true);
}

void BoardBomWindow::cancel()
{
    SetBrowseButtons(true);
    m_editing = false;
    if (!m_rs)
        return;
    grdDataGrid->discardEdits();
    m_rs->cancelUpdate(); // errors are of no concern here
    m_rs->moveFirst();
}

void BoardBomWindow::deleteRow()
{
    if (!m_rs)
        return;
    grdDataGrid->commitEdits();
    if (!m_rs->deleteCurrent())
        return showError(m_rs->error());
    // Deleting the last row of a BOM leaves it empty, with no row to go to.
    if (m_rs->recordCount() == 0)
        return showPosition();
    if (!m_rs->moveNext())
        return showError(m_rs->error());
    if (m_rs->isEof() && !m_rs->moveLast())
        return showError(m_rs->error());
}

void BoardBomWindow::refresh()
{
    if (!m_rs)
        return;
    grdDataGrid->commitEdits();
    if (!m_rs->requery())
        showError(m_rs->error());
}

void BoardBomWindow::moveFirst()
{
    if (m_rs && !m_rs->moveFirst())
        showError(m_rs->error());
}

void BoardBomWindow::moveLast()
{
    if (m_rs && !m_rs->moveLast())
        showError(m_rs->error());
}

bool BoardBomWindow::writeNewRow()
{
    // Steps count from the row being added, which is written first.
    if (m_rs->isAdding() && !m_rs->update()) {
        showError(m_rs->error());
        return false;
    }
    return true;
}

void BoardBomWindow::moveNext()
{
    if (!m_rs || !writeNewRow())
        return;
    if (!m_rs->isEof() && !m_rs->moveNext())
        return showError(m_rs->error());
    if (m_rs->isEof() && m_rs->recordCount() > 0) {
        beep();
        if (!m_rs->moveLast())
            showError(m_rs->error());
    }
}

void BoardBomWindow::movePrevious()
{
    if (!m_rs || !writeNewRow())
        return;
    if (!m_rs->isBof() && !m_rs->movePrevious())
        return showError(m_rs->error());
    if (m_rs->isBof() && m_rs->recordCount() > 0) {
        beep();
        if (!m_rs->moveFirst())
            showError(m_rs->error());
    }
}

void BoardBomWindow::SetBrowseButtons(bool browsing)
{
    for (QPushButton *b : {cmdAdd, cmdEdit, cmdDelete, cmdClose, cmdRefresh})
        b->setVisible(browsing);
    cmdUpdate->setVisible(!browsing);
    cmdCancel->setVisible(!browsing);
    for (QToolButton *b : {cmdFirst, cmdPrevious, cmdNext, cmdLast})
        b->setEnabled(browsing);
}

bool BoardBomWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    // Once per key: at the widget it was sent to, not again as it travels up.
    if (widget != QApplication::focusWidget() || !isAncestorOf(widget))
        return false;
    return handleKey(static_cast<QKeyEvent *>(event));
}

bool BoardBomWindow::handleKey(QKeyEvent *key)
{
    if (m_editing)
        return false;
    const bool ctrl = key->modifiers() == Qt::ControlModifier;
    std::function<void()> action;
    switch (key->key()) {
    case Qt::Key_Escape:
        frameWidget()->close();
        return true;
    case Qt::Key_End:
        action = [this] { moveLast(); };
        break;
    case Qt::Key_Home:
        action = [this] { moveFirst(); };
        break;
    case Qt::Key_Up:
    case Qt::Key_PageUp:
        action = ctrl ? std::function<void()>([this] { moveFirst(); }) : [this] { movePrevious(); };
        break;
    case Qt::Key_Down:
    case Qt::Key_PageDown:
        action = ctrl ? std::function<void()>([this] { moveLast(); }) : [this] { moveNext(); };
        break;
    default:
        return false;
    }
    grdDataGrid->commitEdits(); // what is typed in a cell goes with its row
    action();
    // In the grid the key has moved the row already; the grid must not move
    // it once more. A text field still gets its own use of the key.
    return grdDataGrid->isAncestorOf(QApplication::focusWidget())
           || QApplication::focusWidget() == grdDataGrid;
}

void BoardBomWindow::closeEvent(QCloseEvent *event)
{
    if (m_closed)
        return ChildWindow::closeEvent(event);
    m_closed = true;
    UserInterface &ui = m_app.ui();
    auto report = [&](const DbError &error) {
        if (!error.is(ErrorNumber::ObjectNotSet) && !error.is(ErrorNumber::ObjectClosed))
            ui.inform(this, errorMessageText(error));
    };
    if (m_loaded) {
        grdDataGrid->commitEdits();
        if (m_rs->hasPendingChanges() && !m_rs->updateBatch())
            report(m_rs->error());
        // Rows an earlier run left without a BOM number join the BOM shown.
        Database &db = m_app.database();
        if (!BomOps::numberOrphanRows(db, m_loadedBom, m_loadedDescription))
            report(db.error());
    }
    unsetCursor();
    ChildWindow::closeEvent(event);
}

bool BoardBomWindow::supports(StandardAction action) const
{
    return m_loaded
           && (action == StandardAction::Cut || action == StandardAction::Copy
               || action == StandardAction::Paste);
}

void BoardBomWindow::perform(StandardAction action)
{
    // A text field with the focus (the number, or a cell being typed in) takes
    // the command; otherwise it acts on the grid's current cell.
    if (auto *field = qobject_cast<QLineEdit *>(QApplication::focusWidget()); field && isAncestorOf(field)) {
        if (action == StandardAction::Cut)
            field->cut();
        else if (action == StandardAction::Copy)
            field->copy();
        else if (action == StandardAction::Paste)
            field->paste();
        return;
    }
    if (action == StandardAction::Cut)
        grdDataGrid->cut();
    else if (action == StandardAction::Copy)
        grdDataGrid->copy();
    else if (action == StandardAction::Paste)
        grdDataGrid->paste();
}
