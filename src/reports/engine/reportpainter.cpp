#include "reports/engine/reportpainter.h"

#include <QDir>
#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

void ReportPainter::paintPage(QPainter &painter, const ReportDocument &document, int page, const QRectF &target)
{
    if (page < 0 || page >= document.pageCount() || document.pageSize.isEmpty())
        return;
    const double scale = std::min(target.width() / document.pageSize.width(),
                                  target.height() / document.pageSize.height());
    const QPointF origin = target.topLeft();
    auto map = [&](const QRectF &r) {
        return QRectF(origin.x() + r.x() * scale, origin.y() + r.y() * scale, r.width() * scale,
                      r.height() * scale);
    };
    const double dpi = painter.device() ? painter.device()->logicalDpiY() : 72;
    painter.save();
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, 0.6 * scale));
    painter.setPen(pen);
    for (const ReportItem &item : document.pages.at(page)) {
        const QRectF r = map(item.rect);
        if (item.kind == ReportItem::Kind::Rule) {
            painter.drawLine(r.topLeft(), r.topRight());
            continue;
        }
        QFont font = painter.font();
        // A point size the device turns into exactly size * scale pixels.
        font.setPointSizeF(std::max(0.5, item.size * scale * 72.0 / dpi));
        font.setBold(item.bold);
        ReportPainter::setNoLigatures(font);
        painter.setFont(font);
        painter.drawText(r, int(item.align) | Qt::TextSingleLine, item.text);
    }
    painter.restore();
}

void ReportPainter::setNoLigatures(QFont &font)
{
    // Any letter spacing turns the shaper's ligatures off, so that fi, fl
    // and ff stay letters a reader can search; this one is too small to see.
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
}

void ReportPainter::setUpDevice(const ReportDocument &document, QPagedPaintDevice &device)
{
    const QSizeF size = !document.paper.isEmpty()      ? document.paper
                        : !document.pageSize.isEmpty() ? document.pageSize
                                                       : QSizeF(595.276, 841.89);
    const QSizeF portrait = document.landscape ? size.transposed() : size;
    device.setPageLayout(QPageLayout(QPageSize(portrait, QPageSize::Point),
                                     document.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                     QMarginsF(0, 0, 0, 0)));
}

bool ReportPainter::paintAll(const ReportDocument &document, QPagedPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const QRectF target(0, 0, device.width(), device.height());
    for (int p = 0; p < document.pageCount(); ++p) {
        if (p > 0 && !device.newPage())
            return false;
        paintPage(painter, document, p, target);
    }
    return painter.end();
}

ReportError ReportPainter::writePdf(const ReportDocument &document, const QString &path)
{
    const auto failed = [&] {
        return ReportError::make(ReportErrorNumber::OutputFailed,
                                 QStringLiteral("Cannot write the PDF file %1.").arg(QDir::toNativeSeparators(path)));
    };
    // Written beside the target and moved over it at the end: a failure
    // leaves no half-written file and keeps an earlier one.
    const QString part = path + QStringLiteral(".part");
    {
        QPdfWriter writer(part);
        writer.setTitle(document.title);
        writer.setCreator(QStringLiteral("Partwise"));
        setUpDevice(document, writer);
        if (!paintAll(document, writer)) {
            QFile::remove(part);
            return failed();
        }
    }
    QFile::remove(path);
    if (!QFile::rename(part, path)) {
        QFile::remove(part);
        return failed();
    }
    return {};
}
