#include "bom/boardbomwindow.h"

#include "bom/bomrowsmodel.h"
#include "bom/ops/bomoperations.h"
#include "ui/appcontext.h"
#include "ui/entryfields.h"
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
const int PartNoColumn = BomRowsModel::PartNoColumn;

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
    // Typing in a row is written when the user leaves the row or clicks
    // Update, and Cancel can still drop it.
    m_model = new BomRowsModel(app.database(), this);
    for (int i = 0; i < 4; ++i)
        m_model->setCaption(i, QString::fromLatin1(Columns[i].caption));
    connect(m_model, &GridModel::writeFailed, this, &BoardBomWindow::showError);
    connect(m_model, &GridModel::currentRowChanged, this, &BoardBomWindow::showPosition);

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
    // Inside the workspace, buttons in view, however many windows are open.
    QWidget *frame = frameWidget();
    if (QWidget *room = frame->parentWidget(); room && room != frame) {
        QRect r = frame->geometry();
        const QRect area = room->rect();
        r.setHeight(qMin(r.height(), area.height()));
        r.setWidth(qMin(r.width(), area.width()));
        if (r.bottom() > area.bottom())
            r.moveBottom(area.bottom());
        if (r.right() > area.right())
            r.moveRight(area.right());
        r.moveTopLeft(QPoint(qMax(0, r.left()), qMax(0, r.top())));
        frame->setGeometry(r);
    }
    txtPartNo->setFocus(Qt::OtherFocusReason);
}

void BoardBomWindow::showBom(const QString &boardPn)
{
    txtPartNo->setText(boardPn);
    submit();
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
    if (m_loaded)
        lblStatus->setText(QStringLiteral("Part: ") + QString::number(m_model->currentRow() + 1));
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
    if (m_loaded && m_model->hasChanges() && !m_model->save())
        return; // told by the model

    const BomOps::LoadOutcome bom = BomOps::loadBom(m_app.database(), boardPn);
    if (bom.status != BomOps::Status::Done)
        return report(bom.error);
    if (bom.lines.isEmpty()) {
        // The BOM shown before stays the one the buttons act on.
        busy.release();
        ui.inform(this, QStringLiteral("BOM was not found!"));
        txtPartNo->setFocus(Qt::OtherFocusReason);
        txtPartNo->selectAll();
        return;
    }
    const QVariant description = bom.lines.first().description;
    m_loaded = true;
    m_loadedBom = boardPn;
    m_loadedDescription = description;
    m_model->setLines(bom.lines);
    grdDataGrid->setGridModel(m_model);

    for (int i = 0; i < 4; ++i)
        grdDataGrid->setColumnHidden(i, !Columns[i].shown);
    grdDataGrid->show();
    picButtons->show();
    picStatBox->show();
    busy.release();
    lblDescription->show();
    txtDescription->setText(description.toString()); // a null description shows empty
    txtDescription->show();
    picStatBox->hide();
    fitGrid();
    // The first row is current, in its first shown column.
    grdDataGrid->setCurrentIndex(m_model->index(0, PartNoColumn));
    showPosition();
}

void BoardBomWindow::add()
{
    if (!m_loaded)
        return;
    grdDataGrid->commitEdits();
    // The new row belongs to this window's BOM from the start.
    if (!m_model->addRow(m_loadedBom, m_loadedDescription))
        return;
    grdDataGrid->setFocus(Qt::OtherFocusReason);
    grdDataGrid->setCurrentIndex(m_model->index(m_model->rowCount() - 1, PartNoColumn));
}

void BoardBomWindow::edit()
{
    lblStatus->setText(QStringLiteral("Edit record"));
    m_editing = true;
    setBrowseButtons(false);
    toHarmlessControl();
}

void BoardBomWindow::toHarmlessControl()
{
    // The clicked button has gone: the focus goes where Enter changes nothing,
    // the grid, on the current row.
    if (m_loaded && grdDataGrid->isVisible())
        grdDataGrid->setFocus(Qt::OtherFocusReason);
    else
        cmdEdit->setFocus(Qt::OtherFocusReason);
}

void BoardBomWindow::update()
{
    if (!m_loaded)
        return;
    grdDataGrid->commitEdits();
    if (!m_model->save())
        return; // told by the model
    m_editing = false;
    setBrowseButtons(true);
    toHarmlessControl();
}

void BoardBomWindow::cancel()
{
    setBrowseButtons(true);
    m_editing = false;
    toHarmlessControl();
    if (!m_loaded)
        return;
    grdDataGrid->discardEdits();
    m_model->cancelCurrent();
    if (m_model->rowCount() > 0)
        m_model->setCurrentRow(0);
}

void BoardBomWindow::deleteRow()
{
    if (!m_loaded)
        return;
    grdDataGrid->discardEdits();
    m_model->deleteCurrent(); // a refusal is told by the model
}

void BoardBomWindow::refresh()
{
    if (!m_loaded)
        return;
    grdDataGrid->discardEdits();
    const BomOps::LoadOutcome bom = BomOps::loadBom(m_app.database(), m_loadedBom);
    if (bom.status != BomOps::Status::Done)
        return showError(bom.error);
    m_model->setLines(bom.lines);
}

void BoardBomWindow::moveFirst()
{
    if (m_loaded && m_model->rowCount() > 0)
        m_model->setCurrentRow(0);
}

void BoardBomWindow::moveLast()
{
    if (m_loaded && m_model->rowCount() > 0)
        m_model->setCurrentRow(m_model->rowCount() - 1);
}

void BoardBomWindow::moveNext()
{
    if (!m_loaded || m_model->rowCount() == 0)
        return;
    const int row = m_model->currentRow() + 1;
    if (row < m_model->rowCount())
        m_model->setCurrentRow(row);
    else if (m_model->setCurrentRow(m_model->rowCount() - 1))
        beep();
}

void BoardBomWindow::movePrevious()
{
    if (!m_loaded || m_model->rowCount() == 0)
        return;
    const int row = m_model->currentRow() - 1;
    if (row >= 0)
        m_model->setCurrentRow(row);
    else if (m_model->setCurrentRow(0))
        beep();
}

void BoardBomWindow::setBrowseButtons(bool browsing)
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

bool BoardBomWindow::inCell() const
{
    return grdDataGrid->isEditingCell();
}

bool BoardBomWindow::handleKey(QKeyEvent *key)
{
    if (inCell()) {
        // The keys of a cell being typed in stay in it: Escape abandons the
        // cell's text (the cell editor's own handling), Home and End move in
        // the text, and the row keys do nothing there.
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            return true;
        default:
            return false;
        }
    }
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
        disconnect(m_model, &GridModel::writeFailed, this, &BoardBomWindow::showError);
        if (m_model->hasChanges() && !m_model->save())
            report(m_model->error());
        // Rows an earlier run left without a BOM number join the BOM shown.
        const BomOps::Outcome numbered =
            BomOps::numberOrphanRows(m_app.database(), m_loadedBom, m_loadedDescription);
        if (!numbered.ok())
            report(numbered.error);
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
