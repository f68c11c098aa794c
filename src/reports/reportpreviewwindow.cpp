#include "reports/reportpreviewwindow.h"

#include "data/dberror.h"
#include "reports/engine/reportpainter.h"
#include "reports/pdfguard.h"
#include "ui/appcontext.h"
#include "ui/userinterface.h"

#include <QAction>
#include <QFileInfo>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QGraphicsView>
#include <QScrollBar>
#include <QTimer>
#include <QLabel>
#include <QPrintPreviewWidget>
#include <QToolBar>
#include <QVBoxLayout>

ReportPreviewWindow::ReportPreviewWindow(AppContext &app, ReportDocument document, QWidget *parent)
    : ChildWindow(app, parent), m_document(std::move(document)), m_previewPrinter(QPrinter::ScreenResolution)
{
    setObjectName(QStringLiteral("reportPreview"));
    setWindowTitle(m_document.title);
    m_previewPrinter.setFullPage(true);
    ReportPainter::setUpDevice(m_document, m_previewPrinter);

    m_toolBar = new QToolBar(this);
    m_preview = new QPrintPreviewWidget(&m_previewPrinter, this);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("pageStatus"));
    m_status->setMargin(4);

    auto add = [&](const QString &name, const QString &text, const QKeySequence &key, auto slot) {
        QAction *a = m_toolBar->addAction(text);
        a->setObjectName(name);
        if (!key.isEmpty()) {
            // The keys work wherever the focus is inside this window.
            a->setShortcut(key);
            a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            addAction(a);
        }
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add(QStringLiteral("firstPage"), QStringLiteral("First"), QKeySequence(Qt::Key_Home),
        [this] { goToPage(1); });
    add(QStringLiteral("previousPage"), QStringLiteral("Previous"), QKeySequence(Qt::Key_PageUp),
        [this] { goToPage(currentPage() - 1); });
    m_toolBar->addWidget(m_status);
    add(QStringLiteral("nextPage"), QStringLiteral("Next"), QKeySequence(Qt::Key_PageDown),
        [this] { goToPage(currentPage() + 1); });
    add(QStringLiteral("lastPage"), QStringLiteral("Last"), QKeySequence(Qt::Key_End),
        [this] { goToPage(m_preview->pageCount()); });
    m_toolBar->addSeparator();
    add(QStringLiteral("zoomIn"), QStringLiteral("Zoom In"), QKeySequence(QKeySequence::ZoomIn),
        [this] { m_preview->zoomIn(); });
    add(QStringLiteral("zoomOut"), QStringLiteral("Zoom Out"), QKeySequence(QKeySequence::ZoomOut),
        [this] { m_preview->zoomOut(); });
    add(QStringLiteral("fitWidth"), QStringLiteral("Fit Width"), QKeySequence(), [this] { m_preview->fitToWidth(); });
    add(QStringLiteral("fitPage"), QStringLiteral("Whole Page"), QKeySequence(), [this] { m_preview->fitInView(); });
    m_toolBar->addSeparator();
    add(QStringLiteral("printReport"), QStringLiteral("Print..."), QKeySequence(), [this] { print(); });
    add(QStringLiteral("savePdf"), QStringLiteral("Save as PDF..."), QKeySequence(), [this] { saveAsPdf(); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_preview, 1);

    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter *printer) {
        printer->setFullPage(true);
        ReportPainter::paintAll(m_document, *printer);
    });
    connect(m_preview, &QPrintPreviewWidget::previewChanged, this, &ReportPreviewWindow::updateStatus);
    m_preview->setViewMode(QPrintPreviewWidget::SinglePageView);
    m_preview->fitToWidth();
    m_preview->updatePreview();
    updateStatus();
    resize(800, 600);
}

QAction *ReportPreviewWindow::toolAction(const QString &objectName) const
{
    return m_toolBar->findChild<QAction *>(objectName);
}

int ReportPreviewWindow::currentPage() const
{
    return m_preview->currentPage();
}

QString ReportPreviewWindow::pageStatus() const
{
    return m_status->text();
}

void ReportPreviewWindow::goToPage(int page)
{
    m_preview->setCurrentPage(std::clamp(page, 1, std::max(1, m_preview->pageCount())));
    showPageTop();
    updateStatus();
}

void ReportPreviewWindow::showEvent(QShowEvent *event)
{
    ChildWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // Once the window has its size and the pages their places.
    QTimer::singleShot(0, this, [this] {
        m_preview->fitToWidth();
        showPageTop();
    });
}

void ReportPreviewWindow::showPageTop()
{
    auto *view = m_preview->findChild<QGraphicsView *>();
    if (!view)
        return;
    // The page items stand in page order; the current one's top edge, less
    // the gap above it, goes to the top of the view.
    QList<QGraphicsItem *> pages;
    for (QGraphicsItem *item : view->scene()->items(Qt::AscendingOrder))
        if (!item->parentItem())
            pages << item;
    std::sort(pages.begin(), pages.end(), [](QGraphicsItem *a, QGraphicsItem *b) {
        return a->sceneBoundingRect().top() < b->sceneBoundingRect().top();
    });
    const int index = m_preview->currentPage() - 1;
    if (index < 0 || index >= pages.size() || index == 0) {
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->minimum());
        return;
    }
    const QRectF page = pages.at(index)->sceneBoundingRect();
    view->ensureVisible(QRectF(page.left(), page.top(), 1, 1), 0, 10);
}

void ReportPreviewWindow::updateStatus()
{
    m_status->setText(QStringLiteral("Page %1 of %2").arg(m_preview->currentPage()).arg(m_preview->pageCount()));
}

bool ReportPreviewWindow::supports(StandardAction action) const
{
    return action == StandardAction::Print || action == StandardAction::SaveAs;
}

void ReportPreviewWindow::perform(StandardAction action)
{
    if (action == StandardAction::Print)
        print();
    else if (action == StandardAction::SaveAs)
        saveAsPdf();
}

void ReportPreviewWindow::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_document.title);
    ReportPainter::setUpDevice(m_document, printer);
    UserInterface::PrintRequest request;
    request.title = QStringLiteral("Print");
    if (!m_app.ui().choosePrinter(this, printer, request))
        return;
    printer.setFullPage(true);
    BusyPointer busy(this);
    const bool printed = ReportPainter::paintAll(m_document, printer);
    busy.release();
    if (!printed)
        m_app.ui().inform(this, QStringLiteral("The report could not be printed on %1.")
                                    .arg(printer.outputFileName().isEmpty() ? printer.printerName()
                                                                            : printer.outputFileName()));
}

void ReportPreviewWindow::saveAsPdf()
{
    QString path = m_app.ui().saveFileName(this, QStringLiteral("Save as PDF"),
                                           QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    const PdfGuard::Check guard = PdfGuard::check(m_app, path);
    if (guard.verdict == PdfGuard::Verdict::Refuse) {
        m_app.ui().inform(this, guard.reason + QStringLiteral(" A report is never saved over it."),
                          UserInterface::Icon::Warning);
        return;
    }
    if (guard.verdict == PdfGuard::Verdict::Confirm
        && m_app.ui().message(this, guard.reason + QStringLiteral("\nReplace it with the report?"),
                              UserInterface::programTitle(), UserInterface::Icon::Warning,
                              UserInterface::Buttons::YesNo)
               != UserInterface::Answer::Yes)
        return;
    BusyPointer busy(this);
    const ReportError error = ReportPainter::writePdf(m_document, path);
    busy.release();
    if (error)
        m_app.ui().inform(this, errorMessageText(DbError::engine(error.number, error.description)));
}
