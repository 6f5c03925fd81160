#pragma once
// What the GUI benchmarks share: a headless environment with a settings store
// of its own, and the main window on the real player, services and settings.

#include <QTemporaryDir>
#include <QtGlobal>

#include "app/desktop/keyvane_settings.h"
#include "app/desktop/qt_window_services.h"
#include "app/main_window/frm_cuemark.h"
#include "app/player/qt_media_player.h"

namespace cuemark::bench {

// The offscreen platform, the GStreamer backend and a settings store in
// `folder`, unless the environment already names others.
inline void UseBenchEnvironment(const QTemporaryDir& folder) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "gstreamer");
    if (qEnvironmentVariableIsEmpty("KEYVANE_REGISTRY"))
        qputenv("KEYVANE_REGISTRY", (folder.path() + "/registry.sqlite3").toLocal8Bit());
    // A fresh waveform cache, so the first opening reads the film.
    qputenv("XDG_CACHE_HOME", (folder.path() + "/cache").toLocal8Bit());
}

struct MainWindowSession {
    KeyvaneSettings settings;
    QtWindowServices services{nullptr};
    QtMediaPlayer* player = new QtMediaPlayer;
    frmCuemark window{player, services, settings};
    MainWindowSession() { services.setMainWindow(&window); }
};

} // namespace cuemark::bench
