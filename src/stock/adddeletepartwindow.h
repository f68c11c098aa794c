#pragma once

#include "ui/childwindow.h"

struct DbError;
class EntryFields;
class PanelBar;
class QLabel;
class QLineEdit;
class QPushButton;

// Adds a new part to the catalogue (with its preferred vendor) or deletes one,
// in the direction the window was opened with.
class AddDeletePartWindow : public ChildWindow
{
    Q_OBJECT
public:
    // addMode: true adds, false deletes; fixed for the window's life.
    AddDeletePartWindow(AppContext &app, bool addMode, QWidget *parent = nullptr);

    void load() override;
    // True when the window adds parts, false when it deletes them.
    bool addsParts() const { return m_addMode; }

    // Adds or deletes, as the Submit button does.
    void submit();

private:
    QLabel *lblPartNo = nullptr;
    QLineEdit *txtPartNo = nullptr;
    QLabel *lblQuantity = nullptr;
    QLineEdit *txtQuantity = nullptr;
    QLabel *lblDescription = nullptr;
    QLineEdit *txtDescription = nullptr;
    QLabel *lblCost = nullptr;
    QLineEdit *txtCost = nullptr;
    QLabel *lblReorder = nullptr;
    QLineEdit *txtReorder = nullptr;
    QLabel *lblVendor = nullptr;
    QLineEdit *txtVendor = nullptr;
    QPushButton *cmdUpdate = nullptr;
    QPushButton *cmdExit = nullptr;
    PanelBar *statbarInfo = nullptr;

    void addPart();
    void deletePart();
    // Refuses a field that is not a number: message, focus, false.
    bool requireNumber(QLineEdit *field, const QString &message);
    void reportError(const DbError &error, const QString &change = QString());
    void partNotFound();

    EntryFields *m_fields = nullptr;
    bool m_addMode = true;
};
