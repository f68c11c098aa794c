#include "scanner/commwindow.h"

#include "scanner/ops/scanimport.h"
#include "scanner/scannerport.h"
#include "scanner/serialcollector.h"
#include "ui/appcontext.h"
#include "ui/twips.h"
#include "ui/userinterface.h"

#include <QCloseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

// A received line as a message shows it: a long one is cut to a readable
// length, with its full length told; import.txt holds it whole.
QString shownLine(const QString &text)
{
    const qsizetype most = 80;
    if (text.size() <= most)
        return text;
    return text.left(most) + QStringLiteral("... (") + QString::number(text.size())
           + QStringLiteral(" characters)");
}

QString reasonText(const ScanImport::Skipped &s)
{
    const QString partNo = shownLine(s.partNo);
    using P = ScanImport::Problem;
    switch (s.problem) {
    case P::NoComma: return QStringLiteral("no comma");
    case P::NotANumber: return QStringLiteral("the quantity is not a number");
    case P::PartMissing: return QStringLiteral("part ") + partNo + QStringLiteral(" does not exist");
    case P::NoStock: return QStringLiteral("part ") + partNo + QStringLiteral(" has no stock figure");
    case P::StockNotANumber:
        return QStringLiteral("the stock of part ") + partNo + QStringLiteral(" is not a number");
    case P::OutOfRange:
        return QStringLiteral("the stock of part ") + partNo
               + QStringLiteral(" would be outside -32768 to 32767");
    case P::Cut: return QStringLiteral("it was cut off: its line end never came");
    }
    return QString();
}

QString lineNumber(const ScanImport::Skipped &s)
{
    return QStringLiteral("Line ") + QString::number(s.lineNumber);
}

} // namespace

CommWindow::CommWindow(AppContext &app, QWidget *parent) : ChildWindow(app, parent)
{
    setObjectName(QStringLiteral("frmComm"));
    setWindowTitle(QStringLiteral("Scanner Download"));

    txtDownload = new QPlainTextEdit(this);
    txtDownload->setObjectName(QStringLiteral("txtDownload"));
    // Tab leaves for the buttons; the instructions never take a Tab.
    txtDownload->setTabChangesFocus(true);
    QFont font(QStringLiteral("MS Sans Serif"), 12);
    font.setBold(true);
    txtDownload->setFont(font);

    lblProgressBar = new QLabel(QStringLiteral("Importing Data"), this);
    lblProgressBar->setObjectName(QStringLiteral("lblProgressBar"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    cmdImport = new QPushButton(QStringLiteral("Start Import"), this);
    cmdImport->setObjectName(QStringLiteral("cmdImport"));
    cmdexit = new QPushButton(QStringLiteral("Exit"), this);
    cmdexit->setObjectName(QStringLiteral("cmdexit"));
    // Enter presses the button that has the focus, as Space does.
    cmdImport->setAutoDefault(true);
    cmdexit->setAutoDefault(true);
    MSComm1 = new SerialCollector(this);
    MSComm1->setObjectName(QStringLiteral("MSComm1"));

    setAutoFillBackground(true);
    QPalette navy = palette();
    navy.setColor(QPalette::Window, QColor(0, 0, 64));
    setPalette(navy);
    QPalette white = lblProgressBar->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    lblProgressBar->setPalette(white);

    // The progress rows keep their room while hidden, so the window does not
    // jump when they appear.
    for (QWidget *w : {static_cast<QWidget *>(lblProgressBar), static_cast<QWidget *>(ProgressBar1)}) {
        QSizePolicy policy = w->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        w->setSizePolicy(policy);
        w->hide();
    }

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdImport);
    buttons->addSpacing(Twips::toPixels(360, this));
    buttons->addWidget(cmdexit);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(txtDownload, 1);
    layout->addWidget(lblProgressBar);
    layout->addWidget(ProgressBar1);
    layout->addLayout(buttons);

    setTabOrder(txtDownload, cmdImport);
    setTabOrder(cmdImport, cmdexit);

    connect(cmdImport, &QPushButton::clicked, this, &CommWindow::startImport);
    connect(cmdexit, &QPushButton::clicked, this, [this] { frameWidget()->close(); });
}

void CommWindow::load()
{
    txtDownload->setPlainText(QStringLiteral("1. Press the Start Import button below.\r\n"
                                             "2. Press the XTRANS button on the scanner\r\n"
                                             "3. Press the YES button on the scanner"));
    fitFrameToContents();
    txtDownload->setFocus(Qt::OtherFocusReason);
}

QSize CommWindow::sizeHint() const
{
    return QSize(Twips::toPixels(7635, this), Twips::toPixels(4080, this));
}

void CommWindow::closeEvent(QCloseEvent *event)
{
    // The import is still using the window: it closes when the import is over.
    if (m_importing) {
        m_closeWhenDone = true;
        event->ignore();
        return;
    }
    MSComm1->close();
    ChildWindow::closeEvent(event);
}

void CommWindow::showProgress(bool label, bool bar)
{
    lblProgressBar->setVisible(label);
    ProgressBar1->setVisible(bar);
}

void CommWindow::startImport()
{
    if (m_importing)
        return;
    m_importing = true;
    runImport();
    m_importing = false;
    if (m_closeWhenDone)
        frameWidget()->close();
}

void CommWindow::runImport()
{
    UserInterface &ui = m_app.ui();
    BusyPointer busy(window());
    const QString device = ScannerPort::device(m_app);
    QString reason;
    if (!MSComm1->open(device, &reason)) {
        busy.release();
        ui.inform(this, QStringLiteral("The scanner port ") + device
                            + QStringLiteral(" could not be opened.\r\n") + reason);
        return;
    }
    lblProgressBar->setText(QStringLiteral("Importing"));
    ProgressBar1->setRange(0, ProgressMaximum);
    ProgressBar1->setValue(0);
    showProgress(true, true);

    // What is left in the port from an earlier collection (the end of a
    // transfer that came too late) belongs to no import.
    MSComm1->discard();
    const QByteArray received = collect();
    if (received.isEmpty()) {
        busy.release();
        ui.inform(this, QStringLiteral("Time has expired!\r\nImport was not completed."));
        showProgress(false, false);
        return;
    }
    ProgressBar1->setValue(ProgressMaximum);
    lblProgressBar->setText(QStringLiteral("Updating Inventory"));
    ProgressBar1->setValue(0);
    lblProgressBar->repaint();

    // The stock is updated even when the file cannot be written: the
    // received counts exist nowhere else.
    QString fileError;
    const QString path = QDir(m_app.dataFolder()).filePath(QStringLiteral("import.txt"));
    const bool fileWritten = ScanImport::writeTransferFile(path, received, &fileError);
    const ScanImport::Result result =
        ScanImport::apply(m_app.database(), received, [this](int lines) {
            ProgressBar1->setValue(qMin(lines, ProgressMaximum));
        });
    ProgressBar1->setValue(ProgressMaximum);
    busy.release();
    if (!fileWritten)
        ui.inform(this, QStringLiteral("The received lines could not be kept in ") + path
                            + QStringLiteral(".\r\n") + fileError);
    if (!result.committed) {
        ui.inform(this, QStringLiteral("No stock was changed. The database refused the import:\r\n")
                            + result.error.description);
        showProgress(false, false);
        return;
    }
    reportSkippedLines(result);
    ProgressBar1->hide();
    lblProgressBar->setText(QStringLiteral("Inventory Updated"));
}

QByteArray CommWindow::collect()
{
    // The window repaints and the port keeps receiving; the user's clicks
    // and keys wait until the period is over.
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    QTimer tick;
    tick.setInterval(50);
    connect(&tick, &QTimer::timeout, this, [&] {
        const qint64 elapsed = clock.elapsed();
        ProgressBar1->setValue(m_collectionMs > 0
                                   ? int(qMin<qint64>(ProgressMaximum,
                                                      elapsed * ProgressMaximum / m_collectionMs))
                                   : ProgressMaximum);
    });
    tick.start();
    QTimer::singleShot(m_collectionMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return MSComm1->take();
}

void CommWindow::reportSkippedLines(const ScanImport::Result &result)
{
    UserInterface &ui = m_app.ui();
    const QList<ScanImport::Skipped> &skipped = result.skipped;
    if (skipped.size() <= SeparateMessages) {
        for (const ScanImport::Skipped &s : skipped) {
            if (s.problem == ScanImport::Problem::PartMissing)
                ui.inform(this, QStringLiteral("Part Number ") + shownLine(s.partNo)
                                    + QStringLiteral(" Does Not Exist"));
            else
                ui.inform(this, lineNumber(s) + QStringLiteral(" was not imported (")
                                    + reasonText(s) + QStringLiteral("):\r\n") + shownLine(s.text));
        }
        return;
    }
    QString text = QString::number(skipped.size()) + QStringLiteral(" lines were not imported:");
    for (qsizetype i = 0; i < skipped.size() && i < ListedLines; ++i) {
        const ScanImport::Skipped &s = skipped.at(i);
        text += QStringLiteral("\r\n") + lineNumber(s) + QStringLiteral(": ") + shownLine(s.text)
                + QStringLiteral(" (") + reasonText(s) + QStringLiteral(")");
    }
    if (skipped.size() > ListedLines)
        text += QStringLiteral("\r\n... and ") + QString::number(skipped.size() - ListedLines)
                + QStringLiteral(" more; import.txt holds every line.");
    text += QStringLiteral("\r\nThe other lines were added to the stock.");
    ui.inform(this, text);
}
