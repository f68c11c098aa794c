#pragma once

#include "stock/browsewindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Look-up by description; the part number is one of the fields shown.
class BrowseDescWindow : public BrowseWindow
{
    Q_OBJECT
public:
    explicit BrowseDescWindow(AppContext &app, QWidget *parent = nullptr);

protected:
    // A step that fails goes back to the first row and runs once more.
    void pick() override;

private:
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
};
