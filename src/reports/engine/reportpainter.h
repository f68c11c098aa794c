#pragma once

#include "reports/engine/reportdocument.h"
#include "reports/engine/reporterror.h"

#include <QRectF>

class QFont;
class QPagedPaintDevice;
class QPainter;

// Draws laid-out report pages on any paint device: the preview, a printer,
// a PDF file.
class ReportPainter
{
public:
    // One page scaled into `target` (device coordinates), keeping its shape.
    static void paintPage(QPainter &painter, const ReportDocument &document, int page, const QRectF &target);
    // Every page, one per sheet, on a printer or PDF writer already set to
    // the document's page size and orientation.
    static bool paintAll(const ReportDocument &document, QPagedPaintDevice &device);
    // Report text is set without ligatures.
    static void setNoLigatures(QFont &font);
    // Sets the document's paper in its orientation with no margins.
    static void setUpDevice(const ReportDocument &document, QPagedPaintDevice &device);
    static ReportError writePdf(const ReportDocument &document, const QString &path);
};
