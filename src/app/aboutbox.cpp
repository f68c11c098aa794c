#include "app/aboutbox.h"

#include "app/artwork.h"
#include "app/splashwindow.h"
#include "ui/appcontext.h"
#include "ui/userinterface.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>

AboutBox::AboutBox(AppContext &app, QWidget *parent) : QDialog(parent), m_app(app)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Partwise"));
    setModal(true);

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(Artwork::logo(64));
    lblTitle = new QLabel(this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblDescription = new QLabel(QStringLiteral("The Partwise workshop team"), this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    Label1 = new QLabel(QStringLiteral("www.partwise-stockroom.example"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    lblDisclaimer = new QLabel(
        QStringLiteral("Warning: this program is protected by copyright law. Copying or "
                       "distributing it, or any part of it, without permission may result in "
                       "civil and criminal penalties."),
        this);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    lblDisclaimer->setWordWrap(true);
    lblDisclaimer->setMinimumWidth(360);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    // A focused button takes Enter, as everywhere else; OK takes it otherwise.
    cmdSysInfo->setAutoDefault(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(picIcon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(lblTitle, 0, 1);
    grid->addWidget(lblVersion, 1, 1);
    grid->addWidget(lblDescription, 2, 1);
    grid->addWidget(Label1, 3, 1);
    grid->addWidget(lblDisclaimer, 4, 0, 1, 2);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdSysInfo, QDialogButtonBox::ActionRole);
    grid->addWidget(buttons, 5, 0, 1, 2);
    // The database this copy works in, so that a user can find the file.
    auto *lblDatabase = new QLabel(QStringLiteral("Database: ") + m_app.database().describe(), this);
    lblDatabase->setObjectName(QStringLiteral("lblDatabase"));
    lblDatabase->setWordWrap(true);
    lblDatabase->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(lblDatabase, 6, 0, 1, 2);

    // Load: the title and version the program was built with.
    lblTitle->setText(QStringLiteral(PARTWISE_TITLE));
    lblVersion->setText(SplashWindow::versionText());

    // OK is the default button; Esc closes the box as a dialog does.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &AboutBox::StartSysInfo);
    setFixedSize(sizeHint());
}

QStringList AboutBox::systemInfoPrograms()
{
    return {QStringLiteral("hardinfo"), QStringLiteral("hardinfo2"), QStringLiteral("kinfocenter")};
}

QString AboutBox::findSystemInfo()
{
    for (const QString &name : systemInfoPrograms()) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

void AboutBox::StartSysInfo()
{
    const QString program = findSystemInfo();
    // A separate program of its own: it outlives the box and the main window.
    if (!program.isEmpty() && QProcess::startDetached(program, {}))
        return;
    m_app.ui().message(this, QStringLiteral("System Information Is Unavailable At This Time"),
                       UserInterface::programTitle());
}
