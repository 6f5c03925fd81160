// Takes the README's pictures: the real window, player and dialogs under an
// X server (Xvfb), driven through the states a user sees.
//   cuemark-screenshots MEDIA SUBTITLES OUTPUT_FOLDER
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/player/event_wait.h"
#include "app/main_window/frm_cuemark.h"
#include "app/editor/frm_list.h"
#include "app/dialogs/frm_frame_rate.h"
#include "app/dialogs/frm_loading.h"
#include "app/dialogs/frm_pick_key.h"
#include "app/desktop/keyvane_settings.h"
#include "app/player/qt_media_player.h"
#include "app/desktop/qt_window_services.h"
#include "app/waveform/waveform_strip.h"
#include "tools/screenshots/editor_shots.h"
#include "tools/screenshots/save_shot.h"

using cuemark::shots::Save;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: cuemark-screenshots MEDIA SUBTITLES OUTPUT_FOLDER\n");
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "gstreamer");
    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[3]);
    cuemark::KeyvaneSettings settings;
    cuemark::QtWindowServices services(nullptr);
    auto* player = new cuemark::QtMediaPlayer;
    cuemark::frmCuemark window(player, services, settings);
    services.setMainWindow(&window);
    cuemark::InstallEditor(window);
    window.move(20, 20);
    window.show();
    window.OpenMediaFile(argv[1]);
    window.OpenSubtitleFile(argv[2]);
    bool ok = window.AVIFileOK && window.Subt.Count() > 0;
    if (!ok) std::fprintf(stderr, "cuemark-screenshots: media or subtitles did not load\n");
    // Every picture of the main window shows the waveform read whole.
    auto* wave = window.findChild<cuemark::WaveformStrip*>("picWave");
    if (!wave || !cuemark::RunUntil([&] { return wave->soundDone(); }, 20000)) {
        std::fprintf(stderr, "cuemark-screenshots: the waveform was not read\n");
        ok = false;
    }

    // View mode: play until a title is on screen, then hold still.
    auto* subtitle = window.findChild<QPlainTextEdit*>("txtSubtitle");
    player->setCurrentPosition(window.Subt.StartTime(2) - 0.5);
    player->Play();
    ok &= cuemark::RunUntil([&] { return !subtitle->toPlainText().isEmpty(); }, 5000);
    cuemark::RunFor(400);
    player->Pause();
    ok &= Save(window, folder, "main-view.png");

    // Positioning mode: the next titles ahead of time, the strip lit.
    window.findChild<QRadioButton*>("optPosition")->click();
    player->setCurrentPosition(window.Subt.StartTime(4) - 1.2);
    player->Play();
    cuemark::RunFor(700);
    window.picButtons_MouseMove(0, 0, 900, 150);
    player->Pause();
    ok &= Save(window, folder, "main-position.png");
    window.picButtons_MouseMove(0, 0, -1, -1);

    // The waveform under the playing film, a title being spoken.
    player->setCurrentPosition(window.Subt.StartTime(5) + 0.6);
    player->Play();
    ok &= Save(window, folder, "main-waveform.png");
    player->Pause();

    {
        cuemark::frmPickKey picker(&window, window.findChild<QLineEdit*>("txtKey"));
        picker.show();
        ok &= Save(window, folder, "key-picker.png");
    }
    {
        cuemark::frmFrameRate rate(window.FrameRate(), &window);
        rate.show();
        rate.move(window.x() + (window.width() - rate.width()) / 2, window.y() + 120);
        ok &= Save(window, folder, "frame-rate.png");
    }
    {
        cuemark::frmLoading loading(&window);
        loading.showNow();
        ok &= Save(window, folder, "loading.png");
    }
    ok &= cuemark::shots::TakeEditorShots(window, folder);
    window.setSubtitlesChanged(false);
    window.close();
    return ok ? 0 : 1;
}
