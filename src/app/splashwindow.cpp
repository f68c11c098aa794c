#include "app/splashwindow.h"

#include "app/artwork.h"

#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

SplashWindow::SplashWindow(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *outer = new QGridLayout(this);
    auto *frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("fraMainFrame"));
    frame->setFrameShape(QFrame::Box);
    frame->setStyleSheet(QStringLiteral("#fraMainFrame { background: #f4f1e8; }"));
    outer->addWidget(frame);

    auto *grid = new QGridLayout(frame);
    auto *logo = new QLabel(frame);
    logo->setObjectName(QStringLiteral("picLogo"));
    logo->setPixmap(Artwork::logo(128));
    grid->addWidget(logo, 0, 0, 3, 1);

    auto *product = new QLabel(QStringLiteral("Partwise"), frame);
    product->setObjectName(QStringLiteral("lblProductName"));
    QFont big = product->font();
    big.setPointSize(28);
    big.setBold(true);
    product->setFont(big);
    grid->addWidget(product, 0, 1);

    m_version = new QLabel(versionText(), frame);
    m_version->setObjectName(QStringLiteral("lblVersion"));
    grid->addWidget(m_version, 1, 1, Qt::AlignRight);

    auto *company = new QLabel(QStringLiteral("www.partwise-stockroom.example"), frame);
    company->setObjectName(QStringLiteral("lblCompanyProduct"));
    grid->addWidget(company, 2, 1);

    auto *written = new QLabel(QStringLiteral("Written by the Partwise workshop team"), frame);
    written->setObjectName(QStringLiteral("lblWritten"));
    grid->addWidget(written, 3, 0, 1, 2);

    setFixedSize(sizeHint().expandedTo(QSize(460, 240)));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString SplashWindow::versionText()
{
    return QStringLiteral("Version %1.%2.%3")
        .arg(PARTWISE_VERSION_MAJOR)
        .arg(PARTWISE_VERSION_MINOR)
        .arg(PARTWISE_VERSION_PATCH);
}
