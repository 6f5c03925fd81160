#include "tests/app/support/main_window_fixture.h"

#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <fstream>
#include <sstream>

#include "app/player/qt_media_player.h"
#include "app/player/strip_pictures.h"

namespace cuemark::testing {

MainWindowFixture::MainWindowFixture() {
    qputenv("KEYVANE_REGISTRY", (folder.path() + "/registry.sqlite3").toLocal8Bit());
    // The waveform's cache too stays in the test's folder.
    qputenv("XDG_CACHE_HOME", (folder.path() + "/cache").toLocal8Bit());
    settings = std::make_unique<KeyvaneSettings>(std::string(CUEMARK_BIN_DIR) + "/libkeyvane.so");
}

MainWindowFixture::~MainWindowFixture() {
    if (window) window->setAttribute(Qt::WA_DeleteOnClose, false);
    window.reset();
}

frmCuemark& MainWindowFixture::open() {
    window.reset();
    player = new ScriptedPlayer;
    window = std::make_unique<frmCuemark>(player, services, *settings);
    return *window;
}

frmCuemark& MainWindowFixture::openOnRealPlayer() {
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND")) qputenv("QT_MEDIA_BACKEND", "gstreamer");
    window.reset();
    player = nullptr;
    window = std::make_unique<frmCuemark>(new QtMediaPlayer, services, *settings);
    return *window;
}

std::string MainWindowFixture::makeFilm(const std::string& name, double seconds) {
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty()) return {};
    const std::string full = path(name);
    const QString length = QString::number(seconds);
    QProcess ffmpeg;
    const QStringList sources{"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=25",
                              "-f", "lavfi", "-i", "sine=frequency=440"};
    const QStringList output{"-t", length, "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac"};
    ffmpeg.start(QStringLiteral("ffmpeg"), QStringList{"-hide_banner", "-loglevel", "error", "-y"} + sources + output +
                                               QStringList{QString::fromStdString(full)});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0) return {};
    return full;
}

bool MainWindowFixture::close() {
    return window->close();
}

std::string MainWindowFixture::path(const std::string& name) const {
    return (folder.path() + "/").toStdString() + name;
}

std::string MainWindowFixture::writeFile(const std::string& name, const std::string& bytes) const {
    const std::string full = path(name);
    std::ofstream(full, std::ios::binary) << bytes;
    return full;
}

std::string MainWindowFixture::readFile(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string MainWindowFixture::mediaFile(const std::string& name) {
    const std::string full = writeFile(name, "media");
    player->playableFiles.push_back(full);
    return full;
}

void MainWindowFixture::loadTitles(std::initializer_list<std::pair<double, double>> times) {
    window->Subt.SetUndoEnabled(false);
    window->Subt.Clear();
    int n = 0;
    for (const auto& [start, end] : times) window->Subt.Add(start, end, "T" + std::to_string(++n));
    window->Subt.SetUndoEnabled(true);
}

int MainWindowFixture::stripPicture() {
    const QImage shown = control<QLabel>("picButtons")->pixmap().toImage();
    for (int picture = 1; picture <= StripPictureCount; ++picture) {
        if (StripPicture(picture).toImage() == shown) return picture;
    }
    return 0;
}

} // namespace cuemark::testing
