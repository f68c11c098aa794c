#include "ui/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace Twips {

double dpi(const QWidget *widget)
{
    if (widget)
        return widget->logicalDpiY();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        return screen->logicalDotsPerInchY();
    return 96.0;
}

int toPixels(double twips, const QWidget *widget)
{
    return int(std::lround(twips * dpi(widget) / PerInch));
}

double fromPixels(int pixels, const QWidget *widget)
{
    return pixels * PerInch / dpi(widget);
}

} // namespace Twips
