#include "bom/addnewbomwindow.h"

#include "bom/ops/bomoperations.h"
#include "data/numberrules.h"
#include "ui/appcontext.h"
#include "ui/entryfields.h"
#include "ui/listgridmodel.h"
#include "ui/gridview.h"
#include "ui/userinterface.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Column
{
    const char *caption;
    double share; // of the grid's width
};
const Column Columns[] = {{"Main Part No", 0.2}, {"Description", 0.4}, {"Part Used", 0.2}, {"Qty", 0.1}};

} // namespace

AddNewBomWindow::AddNewBomWindow(AppContext &app, QWidget *parent) : ChildWindow(app, parent)
{
    setObjectName(QStringLiteral("frmAddNewBOM"));
    setWindowTitle(QStringLiteral("Add New BOM"));

    auto label = [this](const char *name, const char *caption) {
        auto *l = new QLabel(QString::fromLatin1(caption), this);
        l->setObjectName(QString::fromLatin1(name));
        return l;
    };
    auto field = [this](const char *name, const char *tip) {
        auto *f = new QLineEdit(this);
        f->setObjectName(QString::fromLatin1(name));
        f->setToolTip(QString::fromLatin1(tip));
        return f;
    };
    lblBoardNo = label("lblBoardNo", "BOM No:");
    txtBoardNo = field("txtBoardNo", "Enter main part number");
    lblBoard = label("lblBoard", "Description:");
    txtDescription = field("txtDescription", "Enter description of main part");
    lblPartNo = label("lblPartNo", "Sub Part No:");
    txtPartNo = field("txtPartNo", "Enter component used");
    lblQuantity = label("lblQuantity", "Quantity Used:");
    txtQuantity = field("txtQuantity", "Enter quantity of component used");
    cmdAdd = new QPushButton(QStringLiteral("Submit"), this);
    cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    cmdClose = new QPushButton(QStringLiteral("Exit"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    grdDataGrid = new GridView(this);
    grdDataGrid->setObjectName(QStringLiteral("grdDataGrid"));
    grdDataGrid->hide();
    m_model = new ListGridModel(this);

    lblBoardNo->setBuddy(txtBoardNo);
    lblBoard->setBuddy(txtDescription);
    lblPartNo->setBuddy(txtPartNo);
    lblQuantity->setBuddy(txtQuantity);
    txtDescription->setMinimumWidth(300);

    auto *fields = new QGridLayout;
    fields->setContentsMargins(12, 12, 12, 6);
    fields->setHorizontalSpacing(10);
    const QList<QPair<QLabel *, QLineEdit *>> rows = {{lblBoardNo, txtBoardNo},
                                                      {lblBoard, txtDescription},
                                                      {lblPartNo, txtPartNo},
                                                      {lblQuantity, txtQuantity}};
    for (int i = 0; i < rows.size(); ++i) {
        fields->addWidget(rows[i].first, i, 0);
        fields->addWidget(rows[i].second, i, 1);
    }
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdAdd);
    buttons->addWidget(cmdClose);
    buttons->addStretch();
    fields->addLayout(buttons, 0, 2, 4, 1);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(fields);
    outer->addStretch();
    outer->addWidget(grdDataGrid);

    setTabOrder(txtBoardNo, txtDescription);
    setTabOrder(txtDescription, txtPartNo);
    setTabOrder(txtPartNo, txtQuantity);
    setTabOrder(txtQuantity, cmdAdd);
    setTabOrder(cmdAdd, cmdClose);
    setFocusProxy(txtBoardNo);

    m_fields = new EntryFields(this);
    m_fields->onEnterFocus(txtBoardNo, txtDescription);
    m_fields->onEnterFocus(txtDescription, txtPartNo);
    m_fields->onEnterFocus(txtPartNo, txtQuantity);
    m_fields->onEnter(txtQuantity, [this] { submit(); });

    connect(cmdAdd, &QPushButton::clicked, this, &AddNewBomWindow::submit);
    connect(cmdClose, &QPushButton::clicked, this, [this] { frameWidget()->close(); });
}

void AddNewBomWindow::load()
{
    // Room for the list of rows under the fields once it shows.
    resizeFrame(QSize(qMax(sizeHint().width(), 560), sizeHint().height() * 5 / 2));
    placeAsChild();
    txtBoardNo->setFocus(Qt::OtherFocusReason);
}

void AddNewBomWindow::resizeEvent(QResizeEvent *event)
{
    ChildWindow::resizeEvent(event);
    fitGrid();
}

void AddNewBomWindow::fitGrid()
{
    // The list takes the lower half of the window.
    grdDataGrid->setFixedHeight(qMax(0, height() / 2));
}

bool AddNewBomWindow::refuse(const QString &text, QLineEdit *field)
{
    m_app.ui().inform(this, text);
    field->setFocus(Qt::OtherFocusReason);
    return false;
}

void AddNewBomWindow::submit()
{
    const BomOps::Row row{txtBoardNo->text(), txtDescription->text(), txtPartNo->text(),
                          txtQuantity->text()};
    if (row.boardPn.isEmpty())
        return void(refuse(QStringLiteral("Enter a Part Name/Number"), txtBoardNo));
    if (row.description.isEmpty())
        return void(refuse(QStringLiteral("Enter a Description"), txtDescription));
    if (row.partNo.isEmpty())
        return void(refuse(QStringLiteral("Enter a Part Number"), txtPartNo));
    if (row.quantity.isEmpty())
        return void(refuse(QStringLiteral("Enter a Quantity"), txtQuantity));
    if (!NumberRules::isNumeric(row.quantity))
        return void(refuse(QStringLiteral("Quantity must be a number"), txtQuantity));

    UserInterface &ui = m_app.ui();
    BusyPointer busy(this);
    Database &db = m_app.database();
    auto report = [&](const DbError &error) {
        busy.release();
        ui.inform(this, errorMessageText(error));
    };

    const BomOps::Outcome outcome = BomOps::addComponent(db, row, !m_started);
    switch (outcome.status) {
    case BomOps::Status::Done:
        break;
    case BomOps::Status::BomListed: {
        busy.release();
        const auto answer = ui.message(this,
                                       QStringLiteral("This BOM is already listed.\r\nGo to Edit BOM Section"),
                                       UserInterface::programTitle(), UserInterface::Icon::None,
                                       UserInterface::Buttons::YesNo);
        if (answer == UserInterface::Answer::Yes) {
            // Stays loaded with its fields, out of sight.
            frameWidget()->hide();
            if (m_openEditor)
                m_openEditor(row.boardPn);
        } else {
            ui.inform(this, QStringLiteral("New BOM was not added"));
        }
        return;
    }
    case BomOps::Status::ComponentListed:
        busy.release();
        ui.inform(this, QStringLiteral("This part is already listed."), UserInterface::Icon::Critical);
        return;
    case BomOps::Status::Failed:
        return report(outcome.error);
    }
    m_started = true;

    txtPartNo->clear();
    txtQuantity->clear();
    txtPartNo->setFocus(Qt::OtherFocusReason);
    if (!showRows(row.boardPn))
        return report(m_model->error());
    busy.release();
}

bool AddNewBomWindow::showRows(const QString &boardPn)
{
    Database &db = m_app.database();
    if (!m_model->load([&](SqlEngine::RowSink &sink, DbError *error) {
            return BomOps::readBomRows(db, boardPn, sink, error);
        }))
        return false;
    grdDataGrid->setGridModel(m_model);
    // Shown and laid out first: a hidden grid does not have its width yet.
    grdDataGrid->show();
    if (layout())
        layout()->activate();
    const int width = grdDataGrid->width();
    for (int i = 0; i < 4; ++i) {
        grdDataGrid->setColumnWidth(i, int(width * Columns[i].share));
        m_model->setCaption(i, QString::fromLatin1(Columns[i].caption));
    }
    // The row just written is the current one.
    grdDataGrid->setCurrentIndex(m_model->index(m_model->rowCount() - 1, 0));
    return true;
}
