#pragma once

#include <QIcon>
#include <QPixmap>

class QPainter;
class QRect;

// The program's pictures, drawn rather than stored so that they stay sharp at
// any screen resolution.
namespace Artwork {
QPixmap logo(int size);
void paintBackground(QPainter &painter, const QRect &area);
// Toolbar icon for a button key ("New", "Open", ..., "Add", "Subtract").
QIcon toolIcon(const QString &key);
} // namespace Artwork
