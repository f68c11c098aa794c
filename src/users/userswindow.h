#pragma once

#include "ui/childwindow.h"

class EntryFields;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Maintains the user table: adds a user, deletes one or changes a password
// once the current password has been typed correctly.
class UsersWindow : public ChildWindow
{
    Q_OBJECT
public:
    explicit UsersWindow(AppContext &app, QWidget *parent = nullptr);

    void load() override;
    // Runs the chosen option, as the Submit button does.
    void submit();

    // Shown while "Update Password" is chosen.

private:
    QLabel *Label1 = nullptr;
    QLineEdit *txtUser = nullptr;
    QLabel *Label2 = nullptr;
    QLineEdit *txtPassword = nullptr;
    QLabel *Label3 = nullptr;
    QLineEdit *txtNewPassword = nullptr;
    QGroupBox *frmOptions = nullptr;
    QRadioButton *optAdd = nullptr;
    QRadioButton *optDelete = nullptr;
    QRadioButton *optUpdate = nullptr;
    QPushButton *cmdSubmit = nullptr;
    QPushButton *cmdExit = nullptr;

    void showNewPasswordField();
    void refuse(const QString &text, QLineEdit *field, bool selectText);
    void clearFields();

    EntryFields *m_fields = nullptr;
};
