#pragma once
// Sizes and positions are kept in twips (1/1440 inch) as the settings store
// them; widgets want pixels at the screen's logical DPI.

class QWidget;

namespace cuemark {

constexpr double TwipsPerInch = 1440.0;

// Logical DPI of the screen the widget is on (of the primary screen when it
// has none yet).
double LogicalDpi(const QWidget* widget = nullptr);
int TwipsToPixels(double twips, const QWidget* widget = nullptr);
double PixelsToTwips(int pixels, const QWidget* widget = nullptr);
// Pixels as whole twips, the way the settings keep sizes and places.
int WholeTwips(int pixels, const QWidget* widget = nullptr);

} // namespace cuemark
