#pragma once
// A main window on a scripted player and scripted dialogs, with its
// settings in a private registry file through the real keyvane.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>

#include "app/main_window/frm_cuemark.h"
#include "app/desktop/keyvane_settings.h"
#include "tests/app/support/scripted_player.h"
#include "tests/app/support/scripted_services.h"

namespace cuemark::testing {

class MainWindowFixture {
public:
    MainWindowFixture();
    ~MainWindowFixture();

    // A fresh window; the registry file stays, so settings carry over.
    frmCuemark& open();
    // A fresh window on the real Qt Multimedia player (`player` stays null).
    frmCuemark& openOnRealPlayer();
    // A test film made with ffmpeg (a picture and a tone); empty when
    // ffmpeg is missing or fails.
    std::string makeFilm(const std::string& name, double seconds);
    // Closes the window as its close box would; true when it closed.
    bool close();

    template <typename T>
    T* control(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    std::string path(const std::string& name) const;
    // Writes a file into the temporary folder and returns its path.
    std::string writeFile(const std::string& name, const std::string& bytes) const;
    std::string readFile(const std::string& name) const;
    // A playable media file (an empty file the scripted player accepts).
    std::string mediaFile(const std::string& name = "film.mp4");
    // A store with titles at the given start/end pairs, texts "T1", "T2"...
    void loadTitles(std::initializer_list<std::pair<double, double>> times);

    // The window's state that no control shows: the title the action key
    // times next and the strip button under the mouse (0 for none).
    std::int32_t currentTitle() const { return window->CurrentTitle; }
    int hoverButton() const { return window->HoverButton; }
    // The number of the strip picture the position buttons show; 0 for none
    // of them.
    int stripPicture();
    // The window's file engine (the frame rate it reads and writes with) and
    // the name its file dialogs start from.
    SubtitleFiles& files() { return window->files_; }
    const std::string& dialogFileName() const { return window->dialogFileName_; }
    // Where the window looks for the calibration clip.
    void setCalibrationFolder(const std::string& folder) { window->calibrationFolder_ = folder; }

    QTemporaryDir folder;
    ScriptedServices services;
    std::unique_ptr<KeyvaneSettings> settings;
    ScriptedPlayer* player = nullptr;
    std::unique_ptr<frmCuemark> window;
};

} // namespace cuemark::testing
