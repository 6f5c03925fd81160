#include "app/desktop/twips.h"

#include <cmath>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace cuemark {

namespace {
// What Qt itself assumes when it has no screen at all.
constexpr double FallbackDpi = 96.0;
} // namespace

double LogicalDpi(const QWidget* widget) {
    const QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return FallbackDpi;
    const double dpi = screen->logicalDotsPerInchX();
    return dpi > 0.0 ? dpi : FallbackDpi;
}

int TwipsToPixels(double twips, const QWidget* widget) {
    return static_cast<int>(std::lround(twips * LogicalDpi(widget) / TwipsPerInch));
}

double PixelsToTwips(int pixels, const QWidget* widget) {
    return pixels * TwipsPerInch / LogicalDpi(widget);
}

int WholeTwips(int pixels, const QWidget* widget) {
    return static_cast<int>(std::lround(PixelsToTwips(pixels, widget)));
}

} // namespace cuemark
