#pragma once

#include <QDialog>

class AppContext;
class QLabel;
class QPushButton;

// The program's name, version and maker, shown modal over the main window,
// with a button that starts the system's information program.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    explicit AboutBox(AppContext &app, QWidget *parent = nullptr);

    // The system information programs looked for on the PATH, in order.
    static QStringList systemInfoPrograms();
    // The first of them found, or an empty text.
    static QString findSystemInfo();
    // Starts the program found, or says that there is none.
    void StartSysInfo();

    QLabel *picIcon = nullptr;
    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *lblDescription = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdSysInfo = nullptr;

private:
    AppContext &m_app;
};
