#pragma once

class QWidget;

// Window sizes and positions are kept in twips, 1440 to the inch.
namespace Twips {
constexpr double PerInch = 1440.0;
double dpi(const QWidget *widget = nullptr);
int toPixels(double twips, const QWidget *widget = nullptr);
double fromPixels(int pixels, const QWidget *widget = nullptr);
} // namespace Twips
