#include "reports/engine/reportpages.h"

void ReportPages::startPage(qsizetype items)
{
    m_doc.pages.append(QList<ReportItem>());
    m_page = &m_doc.pages.last();
    m_page->reserve(items);
}

void ReportPages::addText(const QRectF &rect, const QString &text, Qt::Alignment align, double size,
                          bool bold)
{
    if (text.isEmpty())
        return;
    ReportItem item;
    item.rect = rect;
    item.text = m_measure.fit(text, rect.width(), size, bold);
    item.align = align | Qt::AlignVCenter;
    item.size = size;
    item.bold = bold;
    m_page->append(item);
}

void ReportPages::addRule(double x, double y, double width)
{
    ReportItem item;
    item.kind = ReportItem::Kind::Rule;
    item.rect = QRectF(x, y, width, 0);
    m_page->append(item);
}
