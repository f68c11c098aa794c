#pragma once

#include "reports/engine/reportdocument.h"
#include "ui/childwindow.h"

#include <QPrinter>

class QAction;
class QLabel;
class QPrintPreviewWidget;
class QToolBar;

// A report on screen: its pages with page navigation and zoom, File > Print
// and Save as PDF. Shows a laid-out document; it never reads the database.
class ReportPreviewWindow : public ChildWindow
{
    Q_OBJECT
public:
    ReportPreviewWindow(AppContext &app, ReportDocument document, QWidget *parent = nullptr);

    const ReportDocument &document() const { return m_document; }
    QPrintPreviewWidget *preview() const { return m_preview; }
    QToolBar *toolBar() const { return m_toolBar; }
    QAction *toolAction(const QString &objectName) const;
    // "Page 2 of 7"
    QString pageStatus() const;
    int currentPage() const;

    bool supports(StandardAction action) const override;
    void perform(StandardAction action) override;

    // Asks for a printer and prints every page.
    void print();
    // Asks for a file name and writes the report there as PDF.
    void saveAsPdf();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Shows the top of the current page, its title included.
    void showPageTop();
    void updateStatus();
    void goToPage(int page);

    ReportDocument m_document;
    QPrinter m_previewPrinter;
    QPrintPreviewWidget *m_preview = nullptr;
    QToolBar *m_toolBar = nullptr;
    QLabel *m_status = nullptr;
    bool m_shown = false;
};
