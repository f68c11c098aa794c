#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <Qt>

// One thing on a report page, in points (1/72 inch) from the page's top left.
struct ReportItem
{
    enum class Kind { Text, Rule };
    Kind kind = Kind::Text;
    QRectF rect; // a rule runs along the rectangle's top edge
    QString text;
    Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
    double size = 9; // font size in points
    bool bold = false;
};

// A laid-out report: pages of positioned texts and rules, ready to be shown,
// printed or written to PDF at any resolution.
class ReportDocument
{
public:
    QString title;
    QSizeF pageSize; // points
    QSizeF paper;    // points: the sheet; pageSize is of its shape, never smaller
    bool landscape = false;
    QList<QList<ReportItem>> pages;

    int pageCount() const { return int(pages.size()); }
    // A page's texts as lines, top to bottom; the texts of one line, left to
    // right, are separated by " | ".
    QString pageText(int page) const;
    // Every page's text, the pages separated by a form feed line.
    QString text() const;
};
