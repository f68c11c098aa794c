#include "app/artwork.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

namespace Artwork {

QPixmap logo(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const double s = size / 64.0;
    // An IC package with its pins: the workshop's stock in trade.
    p.setPen(QPen(QColor(200, 200, 200), 2 * s));
    for (int i = 0; i < 5; ++i) {
        const double y = (14 + i * 9) * s;
        p.drawLine(QPointF(4 * s, y), QPointF(14 * s, y));
        p.drawLine(QPointF(50 * s, y), QPointF(60 * s, y));
    }
    QLinearGradient body(0, 0, 0, size);
    body.setColorAt(0, QColor(60, 60, 70));
    body.setColorAt(1, QColor(20, 20, 28));
    p.setBrush(body);
    p.setPen(QPen(QColor(10, 10, 12), s));
    p.drawRoundedRect(QRectF(12 * s, 8 * s, 40 * s, 48 * s), 4 * s, 4 * s);
    p.setBrush(QColor(230, 190, 60));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(19 * s, 15 * s), 2.5 * s, 2.5 * s);
    p.setPen(QColor(230, 190, 60));
    QFont f = QApplication::font();
    f.setBold(true);
    f.setPixelSize(int(18 * s));
    p.setFont(f);
    p.drawText(QRectF(12 * s, 8 * s, 40 * s, 48 * s), Qt::AlignCenter, QStringLiteral("Pw"));
    return pm;
}

void paintBackground(QPainter &p, const QRect &area)
{
    QLinearGradient g(area.topLeft(), area.bottomRight());
    g.setColorAt(0, QColor(18, 52, 44));
    g.setColorAt(1, QColor(8, 26, 24));
    p.fillRect(area, g);
    // Faint board traces.
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 255, 255, 18), 2));
    const int step = 48;
    for (int x = area.left() - area.height(); x < area.right(); x += step) {
        QPainterPath path;
        path.moveTo(x, area.bottom());
        path.lineTo(x + area.height() / 3, area.bottom() - area.height() / 3);
        path.lineTo(x + area.height() / 3, area.top());
        p.drawPath(path);
    }
    p.setBrush(QColor(255, 255, 255, 22));
    p.setPen(Qt::NoPen);
    for (int x = area.left() + 24; x < area.right(); x += step * 3)
        for (int y = area.top() + 24; y < area.bottom(); y += step * 2)
            p.drawEllipse(QPoint(x, y), 3, 3);
    const QPixmap mark = logo(96);
    p.setOpacity(0.35);
    p.drawPixmap(area.right() - 120, area.bottom() - 120, mark);
    p.setOpacity(1);
}

namespace {

QPixmap glyph(const std::function<void(QPainter &)> &draw)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    return pm;
}

} // namespace

QIcon toolIcon(const QString &key)
{
    QStyle *style = QApplication::style();
    if (key == QLatin1String("New"))
        return style->standardIcon(QStyle::SP_FileIcon);
    if (key == QLatin1String("Open"))
        return style->standardIcon(QStyle::SP_DialogOpenButton);
    if (key == QLatin1String("Save"))
        return style->standardIcon(QStyle::SP_DialogSaveButton);
    const QColor ink(40, 40, 48);
    if (key == QLatin1String("Print"))
        return glyph([&](QPainter &p) {
            p.setPen(QPen(ink, 2));
            p.setBrush(Qt::white);
            p.drawRect(9, 4, 14, 10);
            p.setBrush(QColor(150, 150, 160));
            p.drawRoundedRect(4, 13, 24, 10, 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(9, 20, 14, 8);
        });
    if (key == QLatin1String("Cut"))
        return glyph([&](QPainter &p) {
            p.setPen(QPen(ink, 2));
            p.drawLine(10, 4, 20, 20);
            p.drawLine(22, 4, 12, 20);
            p.drawEllipse(QPoint(9, 24), 4, 4);
            p.drawEllipse(QPoint(23, 24), 4, 4);
        });
    if (key == QLatin1String("Copy"))
        return glyph([&](QPainter &p) {
            p.setPen(QPen(ink, 2));
            p.setBrush(Qt::white);
            p.drawRect(5, 4, 14, 18);
            p.drawRect(13, 10, 14, 18);
        });
    if (key == QLatin1String("Paste"))
        return glyph([&](QPainter &p) {
            p.setPen(QPen(ink, 2));
            p.setBrush(QColor(190, 150, 90));
            p.drawRoundedRect(5, 6, 20, 22, 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(12, 12, 14, 16);
            p.setBrush(QColor(150, 150, 160));
            p.drawRect(11, 3, 8, 5);
        });
    if (key == QLatin1String("Add") || key == QLatin1String("Subtract"))
        return glyph([&](QPainter &p) {
            const bool add = key == QLatin1String("Add");
            p.setPen(Qt::NoPen);
            p.setBrush(add ? QColor(40, 150, 60) : QColor(190, 50, 40));
            p.drawEllipse(3, 3, 26, 26);
            p.setBrush(Qt::white);
            p.drawRect(9, 14, 14, 4);
            if (add)
                p.drawRect(14, 9, 4, 14);
        });
    return QIcon();
}

} // namespace Artwork
