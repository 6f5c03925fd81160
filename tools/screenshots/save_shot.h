#pragma once
// Saves what the screen shows of one window (its frame's area), after the
// event loop has had time to paint it.

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <cstdio>

#include "app/player/event_wait.h"

namespace cuemark::shots {

inline bool Save(const QWidget& window, const QString& folder, const QString& name) {
    RunFor(300);
    const QRect area = window.frameGeometry();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                                      area.height());
    const bool ok = shot.save(folder + "/" + name);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(folder + "/" + name));
    return ok;
}

} // namespace cuemark::shots
