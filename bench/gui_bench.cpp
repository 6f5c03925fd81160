// bench_gui: start-up to a shown window (a fresh process each time), loading
// a full store's SubRip file through the window, the cost of one tick of the
// 50 ms display timer while the real player plays, and the waveform strip:
// its first picture after opening the film, a reopen from the cache, and
// what one frame costs while playing over a full store.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

#include "bench/figures.h"
#include "bench/gui_session.h"
#include "bench/sample_titles.h"
#include "subtitles/line_io.h"
#include "subtitles/subrip.h"
#include "app/player/event_wait.h"
#include "app/waveform/waveform_strip.h"

using cuemark::bench::Clock;
using cuemark::bench::Figures;
using cuemark::bench::Ms;

namespace {

using Window = cuemark::bench::MainWindowSession;

// The child's part: start, show, report the moment the window is exposed.
int StartupChild(int argc, char** argv) {
    QApplication app(argc, argv);
    Window w;
    w.window.show();
    if (!QTest::qWaitForWindowExposed(&w.window)) return 1;
    std::printf("%lld\n", static_cast<long long>(Clock::now().time_since_epoch().count()));
    w.window.setSubtitlesChanged(false);
    return 0;
}

void MeasureStartup(const QString& self) {
    Figures startup;
    for (int run = 0; run < 11; ++run) {
        QProcess child;
        const auto before = Clock::now();
        child.start(self, {QStringLiteral("--startup-child")});
        child.waitForFinished(20000);
        const long long shown = child.readAllStandardOutput().trimmed().toLongLong();
        if (child.exitCode() != 0 || shown == 0) {
            std::printf("start-up: child failed\n");
            return;
        }
        if (run > 0) startup.values.push_back(Ms(Clock::time_point(Clock::duration(shown)) - before));
    }
    std::printf("start-up to shown window: median %.1f ms, max %.1f ms (10 runs, target 300 ms)\n",
                startup.percentile(0.5), startup.percentile(1.0));
}

std::string WriteFullSubRip(const QString& folder) {
    cuemark::SUBTITLES store;
    cuemark::bench::AddSampleTitles(store);
    cuemark::LineWriter out;
    cuemark::WriteSubRip(out, store);
    const std::string path = (folder + "/full.srt").toStdString();
    std::ofstream(path, std::ios::binary) << out.Text();
    return path;
}

// The strip's first picture: the first 10 s of the film read and drawn.
void MeasureWaveform(Window& w, const std::string& media, Clock::time_point opening) {
    auto* strip = w.window.findChild<cuemark::WaveformStrip*>(QStringLiteral("picWave"));
    const double duration = w.player->Duration();
    const bool drawn = cuemark::RunUntil(
        [&] { return strip->soundDone() || strip->soundProgress() * duration >= 10.0; }, 60000);
    strip->repaint();
    std::printf("waveform: first 10 s drawn %.0f ms after opening the film%s (target 1 s)\n",
                Ms(Clock::now() - opening), drawn ? "" : " (not within a minute)");
    cuemark::RunUntil([&] { return strip->soundDone(); }, 600000);

    // Another strip on the same film: read from the cache the first wrote.
    {
        cuemark::WaveformStrip again(w.window.Subt);
        again.resize(strip->size());
        again.show();
        const auto before = Clock::now();
        again.openMedia(media);
        const bool done = again.soundDone();
        again.repaint();
        std::printf("waveform: reopened from the cache and drawn in %.1f ms%s (target 100 ms)\n",
                    Ms(Clock::now() - before), done ? "" : " (not from the cache)");
    }

    // A frame while playing: the play line moved over the cached picture;
    // a page: the picture drawn anew (peaks, speech and every title's band).
    Figures frame, page;
    for (int i = 0; i < 200; ++i) {
        strip->setPlayPosition(1.0 + i * 0.016);
        const auto before = Clock::now();
        strip->repaint();
        frame.values.push_back(Ms(Clock::now() - before) * 1000.0);
    }
    for (int i = 0; i < 50; ++i) {
        strip->setView(i * 10.0, 10.0);
        const auto before = Clock::now();
        strip->repaint();
        page.values.push_back(Ms(Clock::now() - before) * 1000.0);
    }
    std::printf("waveform, %d titles, %dx%d px: frame p50 %.0f us, p99 %.0f us; new page p50 %.0f us, max %.0f us\n",
                w.window.Subt.Count(), strip->width(), strip->height(), frame.percentile(0.5),
                frame.percentile(0.99), page.percentile(0.5), page.percentile(1.0));
}

void MeasureLoadAndTimer(const QString& folder, const QString& media) {
    Window w;
    w.window.show();
    if (!QTest::qWaitForWindowExposed(&w.window)) std::printf("window not exposed\n");
    const std::string srt = WriteFullSubRip(folder);
    Figures load;
    for (int run = 0; run < 8; ++run) {
        const auto before = Clock::now();
        w.window.OpenSubtitleFile(srt);
        load.values.push_back(Ms(Clock::now() - before));
        QApplication::processEvents();
    }
    std::printf("loading %d titles through the window: median %.1f ms, max %.1f ms (target 150 ms)\n",
                w.window.Subt.Count(), load.percentile(0.5), load.percentile(1.0));

    if (media.isEmpty()) return;
    const auto opening = Clock::now();
    w.window.OpenMediaFile(media.toStdString());
    if (!w.window.AVIFileOK) {
        std::printf("display timer: media did not load\n");
        return;
    }
    MeasureWaveform(w, media.toStdString(), opening);
    w.player->Play();
    Figures tick;
    const auto end = Clock::now() + std::chrono::seconds(4);
    while (Clock::now() < end) {
        const auto before = Clock::now();
        w.window.Timer1_Timer();
        tick.values.push_back(Ms(Clock::now() - before) * 1000.0);
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(20);
    }
    std::printf(
        "display timer tick, view mode, %d titles: p50 %.1f us, p99 %.1f us, max %.1f us (%zu ticks, target 1 ms)\n",
        w.window.Subt.Count(), tick.percentile(0.5), tick.percentile(0.99), tick.percentile(1.0), tick.values.size());
    w.player->Stop();
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir folder;
    cuemark::bench::UseBenchEnvironment(folder);
    if (argc > 1 && std::string(argv[1]) == "--startup-child") return StartupChild(argc, argv);

    QApplication app(argc, argv);
    MeasureStartup(QApplication::applicationFilePath());
    QString media;
    if (argc > 1) {
        media = QString::fromLocal8Bit(argv[1]);
    } else {
        media = folder.path() + "/tone.mp4";
        QProcess::execute(
            QStringLiteral("ffmpeg"),
            {"-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25", "-f", "lavfi", "-i",
             "sine=frequency=440", "-t", "20", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a", "aac", media});
    }
    MeasureLoadAndTimer(folder.path(), QFile::exists(media) ? media : QString());
    return 0;
}
