#pragma once

#include "ui/childwindow.h"

class EntryFields;
class PanelBar;
class QLabel;
class QLineEdit;
class QPushButton;

// Adds a quantity to, or subtracts it from, the stock on hand of one part and
// warns when the stock falls below the part's reorder point. The direction is
// the one the window was opened with.
class AddDeleteInvWindow : public ChildWindow
{
    Q_OBJECT
public:
    // addMode: true adds, false subtracts; fixed for the window's life.
    AddDeleteInvWindow(AppContext &app, bool addMode, QWidget *parent = nullptr);

    void load() override;
    // True when the window adds, false when it subtracts.
    bool addsStock() const { return m_addMode; }

    // Runs the adjustment, as the Submit button does.
    void submit();

private:
    QLabel *lblPartNo = nullptr;
    QLineEdit *txtPartNo = nullptr;
    QLabel *lblQty = nullptr;
    QLineEdit *txtQuantity = nullptr;
    QLabel *lblNote = nullptr;
    QLineEdit *txtNote = nullptr; // optional, kept in the stock history
    QPushButton *cmdUpdate = nullptr;
    QPushButton *cmdExit = nullptr;
    PanelBar *StatBarAdd = nullptr;

    void showResult(const QString &partNo, int newStock);

    EntryFields *m_fields = nullptr;
    bool m_addMode = true;
};
