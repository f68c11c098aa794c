#pragma once

#include "stock/browsewindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Look-up by part number, with the part's preferred vendor on request.
class BrowseInvWindow : public BrowseWindow
{
    Q_OBJECT
public:
    explicit BrowseInvWindow(AppContext &app, QWidget *parent = nullptr);

protected:
    void placeAfterOpen(bool opened) override;
    // Every look-up hides the vendor of the part shown before.
    void afterLookUp() override;

private:
    QLabel *lblPartNo;
    QComboBox *cmbPartNo;
    QLabel *lblMinReq;
    QLineEdit *txtMinReq;
    QLabel *lblCurrentInv;
    QLineEdit *txtCurrentInv;
    QLabel *lblDesc;
    QLineEdit *txtDesc;
    QLabel *lblUnitCost;
    QLineEdit *txtUnitCost;
    QLabel *lblBin;
    QLineEdit *txtBin;
    QLabel *lblVendor;
    QLineEdit *txtVendor;
    QPushButton *cmdNext;
    QPushButton *cmdVendor;
    QPushButton *cmdExit;

    void showVendor();
};
