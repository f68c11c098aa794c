#pragma once

#include "ui/childwindow.h"
#include "data/recordset.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Look-up of one part at a time by description: the whole catalogue, sorted
// by description, is read once when the window opens and stays with the
// window, with a current row that Pick, Enter, typing and Next move. Never
// writes.
class BrowseDescWindow : public ChildWindow
{
    Q_OBJECT
public:
    explicit BrowseDescWindow(AppContext &app, QWidget *parent = nullptr);

    void load() override;
    // The designed client area; the sub-window takes its size from it.
    QSize sizeHint() const override;

    QLabel *lblDesc;
    QComboBox *cmbDesc;
    QLabel *lblPartNo;
    QLineEdit *txtPartNo;
    QLabel *lblMinReq;
    QLineEdit *txtMinReq;
    QLabel *lblCurrentInv;
    QLineEdit *txtCurrentInv;
    QLabel *lblUnitCost;
    QLineEdit *txtUnitCost;
    QLabel *lblBin;
    QLineEdit *txtBin;
    QPushButton *cmdNext;
    QPushButton *cmdExit;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool readList();
    bool fill();
    void showDetails();
    void showError();
    void pick();
    void enterKey();
    void next();
    void nextFailed();

    Recordset m_set;
    QList<QWidget *> m_details; // hidden until the first look-up
};
