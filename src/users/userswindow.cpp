#include "users/userswindow.h"

#include "ui/appcontext.h"
#include "ui/entryfields.h"
#include "ui/entrylayout.h"
#include "ui/userinterface.h"
#include "users/ops/userops.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

UsersWindow::UsersWindow(AppContext &app, QWidget *parent) : ChildWindow(app, parent)
{
    setObjectName(QStringLiteral("frmUsers"));
    setWindowTitle(QStringLiteral("Add/Remove Users"));

    auto named = [](QWidget *w, const char *name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    Label1 = new QLabel(QStringLiteral("User Name:"), this);
    txtUser = new QLineEdit(this);
    Label2 = new QLabel(QStringLiteral("Password:"), this);
    txtPassword = new QLineEdit(this);
    Label3 = new QLabel(QStringLiteral("New Password:"), this);
    txtNewPassword = new QLineEdit(this);
    frmOptions = new QGroupBox(QStringLiteral("Choose Option"), this);
    optAdd = new QRadioButton(QStringLiteral("Add New User"), frmOptions);
    optDelete = new QRadioButton(QStringLiteral("Delete User"), frmOptions);
    optUpdate = new QRadioButton(QStringLiteral("Update Password"), frmOptions);
    cmdSubmit = new QPushButton(QStringLiteral("&Submit"), this);
    cmdExit = new QPushButton(QStringLiteral("E&xit"), this);
    named(Label1, "Label1");
    named(txtUser, "txtUser");
    named(Label2, "Label2");
    named(txtPassword, "txtPassword");
    named(Label3, "Label3");
    named(txtNewPassword, "txtNewPassword");
    named(frmOptions, "frmOptions");
    named(optAdd, "optAdd");
    named(optDelete, "optDelete");
    named(optUpdate, "optUpdate");
    named(cmdSubmit, "cmdSubmit");
    named(cmdExit, "cmdExit");

    Label1->setBuddy(txtUser);
    Label2->setBuddy(txtPassword);
    Label3->setBuddy(txtNewPassword);
    // Nothing typed into a password field can be read off the screen.
    for (QLineEdit *field : {txtPassword, txtNewPassword})
        field->setEchoMode(QLineEdit::Password);
    txtUser->setMinimumWidth(220);

    auto *options = new QVBoxLayout(frmOptions);
    options->addWidget(optAdd);
    options->addWidget(optDelete);
    options->addWidget(optUpdate);
    auto *fields = new QGridLayout;
    fields->addWidget(Label1, 0, 0);
    fields->addWidget(txtUser, 0, 1);
    fields->addWidget(Label2, 1, 0);
    fields->addWidget(txtPassword, 1, 1);
    fields->addWidget(Label3, 2, 0);
    fields->addWidget(txtNewPassword, 2, 1);
    fields->addWidget(frmOptions, 3, 0, 1, 2);
    EntryLayout::assemble(this, fields, cmdSubmit, cmdExit, nullptr);

    setTabOrder(txtUser, txtPassword);
    setTabOrder(txtPassword, txtNewPassword);
    setTabOrder(txtNewPassword, optAdd);
    setTabOrder(optAdd, cmdSubmit);
    setTabOrder(cmdSubmit, cmdExit);
    setFocusProxy(txtUser);

    m_fields = new EntryFields(this);
    m_fields->highlight(txtUser);
    m_fields->highlight(txtPassword);
    m_fields->highlight(txtNewPassword);

    optAdd->setChecked(true);
    Label3->hide();
    txtNewPassword->hide();
    connect(optUpdate, &QRadioButton::toggled, this, &UsersWindow::showNewPasswordField);
    connect(cmdSubmit, &QPushButton::clicked, this, &UsersWindow::submit);
    connect(cmdExit, &QPushButton::clicked, this, [this] { frameWidget()->close(); });
}

void UsersWindow::load()
{
    fitFrameToContents();
}

void UsersWindow::showNewPasswordField()
{
    const bool update = optUpdate->isChecked();
    Label3->setVisible(update);
    txtNewPassword->setVisible(update);
    if (!update)
        txtNewPassword->clear();
    fitFrameToContents();
}

void UsersWindow::refuse(const QString &text, QLineEdit *field, bool selectText)
{
    unsetCursor();
    m_app.ui().inform(this, text);
    field->setFocus(Qt::OtherFocusReason);
    if (selectText)
        field->selectAll();
}

void UsersWindow::clearFields()
{
    txtUser->clear();
    txtPassword->clear();
    txtNewPassword->clear();
    txtUser->setFocus(Qt::OtherFocusReason);
}

void UsersWindow::submit()
{
    // Names and passwords are taken exactly as typed: blanks count.
    const QString name = txtUser->text();
    const QString password = txtPassword->text();
    const QString newPassword = txtNewPassword->text();
    if (name.isEmpty())
        return refuse(QStringLiteral("Enter a user name."), txtUser, false);
    if (password.isEmpty())
        return refuse(QStringLiteral("Enter a password."), txtPassword, false);
    if (optUpdate->isChecked() && newPassword.isEmpty())
        return refuse(QStringLiteral("Enter the new password."), txtNewPassword, false);

    UserInterface &ui = m_app.ui();
    BusyPointer busy(this);
    Database &db = m_app.database();
    // The check and the change it allows are one operation in one write
    // transaction: no one changes the user in between, and a failure leaves
    // the table as it was. A closed connection is an error too: nothing may
    // be reported as done that was not written.
    const bool add = optAdd->isChecked();
    const bool update = optUpdate->isChecked();
    const UserOps::Outcome outcome = add      ? UserOps::addUser(db, name, password)
                                     : update ? UserOps::changePassword(db, name, password, newPassword)
                                              : UserOps::removeUser(db, name, password);
    busy.release();
    switch (outcome.status) {
    case UserOps::Status::Done:
        break;
    case UserOps::Status::AlreadyListed:
        return refuse(QStringLiteral("User name Already Exists"), txtUser, true);
    case UserOps::Status::NoSuchUser:
        return refuse(QStringLiteral("User name Does Not Exist"), txtUser, true);
    case UserOps::Status::WrongPassword:
        return refuse(QStringLiteral("Password Does Not Match"), txtPassword, true);
    case UserOps::Status::Failed:
        ui.inform(this, errorMessageText(outcome.error));
        return;
    }
    if (add) {
        ui.inform(this, QStringLiteral("User added"));
        return;
    }
    ui.inform(this, update ? QStringLiteral("Password updated.") : QStringLiteral("User deleted."));
    clearFields();
}
