#pragma once

#include "reports/engine/reportdocument.h"
#include "reports/engine/reportmeasure.h"

#include <QRectF>

// The pages of a report being laid out: starts pages and puts texts (cut
// with an ellipsis to their width) and rules on the current one. Where a
// page breaks is the layout's decision.
class ReportPages
{
public:
    explicit ReportPages(ReportDocument &document) : m_doc(document) {}

    // A new page becomes the current one; `items` is a guess of its size.
    void startPage(qsizetype items);
    // Makes an earlier page current again (for page headers and footers).
    void select(int page) { m_page = &m_doc.pages[page]; }
    void addText(const QRectF &rect, const QString &text, Qt::Alignment align, double size, bool bold);
    void addRule(double x, double y, double width);

private:
    ReportDocument &m_doc;
    QList<ReportItem> *m_page = nullptr;
    ReportMeasure m_measure;
};
