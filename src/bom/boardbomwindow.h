#pragma once

#include "data/dberror.h"
#include "ui/childwindow.h"

#include <QVariant>

class EntryFields;
class GridModel;
class GridView;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class BomRowsModel;

// Loads one bill of materials by its number and lets the user change its
// component rows in a grid: edit a component or quantity in place, add rows,
// delete rows, step through them with the keys.
class BoardBomWindow : public ChildWindow
{
    Q_OBJECT
public:
    explicit BoardBomWindow(AppContext &app, QWidget *parent = nullptr);
    ~BoardBomWindow() override;

    void load() override;
    bool supports(StandardAction action) const override;
    void perform(StandardAction action) override;

    // Types the BOM number and loads it, as the user does.
    void showBom(const QString &boardPn);
    // The buttons' operations.
    void submit(); // loads the BOM whose number is typed
    void add();
    void edit();
    void update();
    void cancel();
    void deleteRow();
    void refresh();
    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();
    // Shows the browse buttons (true) or Update and Cancel (false).
    void setBrowseButtons(bool browsing);

    bool isEditing() const { return m_editing; }
    // The number of the BOM last loaded; empty before the first load.
    QString loadedBom() const { return m_loadedBom; }
    bool hasBom() const { return m_loaded; }

signals:
    // Next past the last row or Previous before the first.
    void beeped();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    bool handleKey(QKeyEvent *key);
    bool inCell() const;
    void fitGrid();
    void showPosition();
    void showError(const DbError &error);
    void beep();
    void toHarmlessControl();

    QLabel *lblPartNo = nullptr;
    QLineEdit *txtPartNo = nullptr;
    QPushButton *cmdGo = nullptr;
    QPushButton *cmdExit = nullptr;
    QLabel *lblDescription = nullptr;
    QLineEdit *txtDescription = nullptr;
    GridView *grdDataGrid = nullptr;
    QWidget *picButtons = nullptr;
    QPushButton *cmdAdd = nullptr;
    QPushButton *cmdEdit = nullptr;
    QPushButton *cmdUpdate = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdDelete = nullptr;
    QPushButton *cmdRefresh = nullptr;
    QPushButton *cmdClose = nullptr;
    QWidget *picStatBox = nullptr;
    QToolButton *cmdFirst = nullptr;
    QToolButton *cmdPrevious = nullptr;
    QToolButton *cmdNext = nullptr;
    QToolButton *cmdLast = nullptr;
    QLabel *lblStatus = nullptr;

    EntryFields *m_fields = nullptr;
    BomRowsModel *m_model = nullptr;
    bool m_editing = false;
    bool m_loaded = false;
    bool m_closed = false;
    QString m_loadedBom;
    QVariant m_loadedDescription;
};
