// How well the embedded player serves as the timing clock: key presses read
// CurrentPosition at random moments while a 20 s file plays; the reads are
// fitted to a straight line against the steady clock. Also seek landing,
// pausing at a selection end and the cost of one read; and how far a stored
// key edge lies from the moment the key moved, read plainly in the handler or
// stamped by the event's time, with the user-interface thread idle or busy.
//
// Usage: bench_player_precision [events per run, default 400] [seed]

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/calibration/reaction_time.h"
#include "app/player/event_wait.h"
#include "app/player/qt_media_player.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Read {
    double clockMs;
    double positionMs;
};

// Stands in for the main window's key handler: each key press reads the
// player's position once, as the action key does.
class KeyReader : public QObject {
public:
    explicit KeyReader(const cuemark::MediaPlayer& player) : player_(player) {}
    std::vector<Read> reads;
    Clock::time_point origin = Clock::now();

protected:
    bool event(QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return QObject::event(event);
        const auto before = Clock::now();
        const double position = player_.CurrentPosition();
        const auto after = Clock::now();
        const double clockMs = std::chrono::duration<double, std::milli>((before - origin) + (after - before) / 2)
                                   .count();
        reads.push_back({clockMs, position * 1000.0});
        return true;
    }

private:
    const cuemark::MediaPlayer& player_;
};

struct Percentiles {
    double p50 = 0, p99 = 0, max = 0;
};

Percentiles percentiles(std::vector<double> values) {
    if (values.empty()) return {};
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return values[std::min(values.size() - 1, static_cast<size_t>(q * (values.size() - 1) + 0.5))];
    };
    return {at(0.50), at(0.99), values.back()};
}

struct ClockRun {
    double rate = 1;
    size_t reads = 0;
    double slope = 0;
    Percentiles residual;
    int backwards = 0;
};

ClockRun measureClock(cuemark::QtMediaPlayer& player, double rate, int events, std::mt19937& random) {
    ClockRun run;
    run.rate = rate;
    player.Stop();
    player.setPlaybackRate(rate);
    player.Play();
    // The first tens of milliseconds after Play are the pipeline starting.
    cuemark::RunFor(300);

    KeyReader reader(player);
    const double mediaLeftMs = (player.Duration() - player.CurrentPosition()) * 1000.0 - 400.0;
    const double wallMs = mediaLeftMs / rate;
    std::uniform_real_distribution<double> moment(0.0, wallMs);
    std::vector<int> moments;
    for (int i = 0; i < events; ++i) moments.push_back(static_cast<int>(moment(random)));
    std::sort(moments.begin(), moments.end());
    for (int at : moments)
        QTimer::singleShot(at, Qt::PreciseTimer, &reader, [&reader] {
            QCoreApplication::postEvent(&reader, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
        });
    cuemark::RunFor(static_cast<int>(wallMs) + 100);
    player.Pause();

    const auto& reads = reader.reads;
    run.reads = reads.size();
    const double n = static_cast<double>(reads.size());
    double meanX = 0, meanY = 0;
    for (const Read& r : reads) {
        meanX += r.clockMs / n;
        meanY += r.positionMs / n;
    }
    double sxx = 0, sxy = 0;
    for (const Read& r : reads) {
        sxx += (r.clockMs - meanX) * (r.clockMs - meanX);
        sxy += (r.clockMs - meanX) * (r.positionMs - meanY);
    }
    run.slope = sxy / sxx;
    std::vector<double> residuals;
    for (size_t i = 0; i < reads.size(); ++i) {
        const double fitted = meanY + run.slope * (reads[i].clockMs - meanX);
        residuals.push_back(std::abs(reads[i].positionMs - fitted));
        if (i > 0 && reads[i].positionMs < reads[i - 1].positionMs) ++run.backwards;
    }
    run.residual = percentiles(residuals);
    return run;
}

struct SeekRun {
    double maxErrorMs = 0;
    Percentiles settleMs;
};

// Paused: where the position reads once the pipeline has settled. Playing:
// the first reading after playback resumed from the seek.
SeekRun measureSeeks(cuemark::QtMediaPlayer& player, bool playing, std::mt19937& random) {
    SeekRun run;
    std::uniform_real_distribution<double> target(0.5, player.Duration() - 2.0);
    player.setPlaybackRate(1.0);
    player.setCurrentPosition(1.0);
    playing ? player.Play() : player.Pause();
    cuemark::RunFor(300);
    std::vector<double> settles;
    for (int i = 0; i < 20; ++i) {
        const double to = std::round(target(random) * 1000.0) / 1000.0;
        QElapsedTimer clock;
        clock.start();
        player.setCurrentPosition(to);
        double landed = 0;
        if (playing) {
            const double held = player.CurrentPosition();
            cuemark::RunUntil([&] { return player.CurrentPosition() != held; }, 2000);
            landed = player.CurrentPosition();
            settles.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        } else {
            cuemark::RunFor(150);
            landed = player.CurrentPosition();
        }
        run.maxErrorMs = std::max(run.maxErrorMs, std::abs(landed - to) * 1000.0);
        cuemark::RunFor(100);
    }
    run.settleMs = percentiles(settles);
    return run;
}

// How far past SelectionEnd the paused position lies.
Percentiles measureSelectionEnd(cuemark::QtMediaPlayer& player, double rate, std::mt19937& random) {
    std::uniform_real_distribution<double> end(2.0, player.Duration() - 2.0);
    std::vector<double> errors;
    player.setPlaybackRate(rate);
    for (int i = 0; i < 10; ++i) {
        player.Pause();
        const double at = std::round(end(random) * 1000.0) / 1000.0;
        player.setSelectionStart(-1);
        player.setSelectionEnd(at);
        player.setCurrentPosition(at - 0.4 * rate);
        player.Play();
        cuemark::RunUntil([&] { return player.PlayState() == cuemark::psPaused; }, 3000);
        cuemark::RunFor(50);
        errors.push_back(std::abs(player.CurrentPosition() - at) * 1000.0);
    }
    player.setSelectionEnd(player.Duration());
    return percentiles(errors);
}

double readCostMicroseconds(cuemark::QtMediaPlayer& player, int* backwards) {
    player.setPlaybackRate(1.0);
    player.setCurrentPosition(2.0);
    player.Play();
    cuemark::RunFor(300);
    constexpr int kReads = 20000;
    double last = player.CurrentPosition();
    double sink = 0;
    const auto start = Clock::now();
    for (int i = 0; i < kReads; ++i) {
        const double now = player.CurrentPosition();
        if (now < last) ++*backwards;
        last = now;
        sink += now;
    }
    const auto spent = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    player.Pause();
    return sink > 0 ? spent / kReads : 0;
}

struct EdgeRun {
    Percentiles plain, stamped;
};

// The key moves at a random moment while the event loop runs; the handler
// hears of it at once, or after the thread was busy for 20 to 80 ms. The
// truth is the position read as the key moved; the stamp is that moment in
// whole milliseconds of the monotonic clock, as the X server gives it.
EdgeRun measureEdges(cuemark::QtMediaPlayer& player, double rate, bool busy, int events, std::mt19937& random) {
    std::uniform_int_distribution<int> gap(30, 120);
    std::uniform_int_distribution<int> busyMs(20, 80);
    player.setPlaybackRate(rate);
    double floor = 1.0;
    player.setCurrentPosition(floor);
    player.Play();
    cuemark::RunFor(300);
    cuemark::KeyEventClock clock;
    std::vector<double> plain, stamped;
    for (int i = 0; i < events; ++i) {
        cuemark::RunFor(gap(random));
        if (player.Duration() - player.CurrentPosition() < 1.0) {
            player.setCurrentPosition(floor);
            cuemark::RunFor(300);
        }
        const double truth = player.CurrentPosition();
        const double moved = cuemark::monotonicMs();
        const auto stamp = static_cast<std::uint64_t>(std::fmod(std::floor(moved), 4294967296.0));
        if (busy) {
            const auto until = Clock::now() + std::chrono::milliseconds(busyMs(random));
            while (Clock::now() < until) {
            }
        }
        const double position = player.CurrentPosition();
        const double at = clock.mediaTimeAt(stamp, cuemark::monotonicMs(), position, rate, floor, true);
        plain.push_back(std::abs(position - truth) * 1000.0);
        stamped.push_back(std::abs(at - truth) * 1000.0);
    }
    player.Pause();
    return {percentiles(plain), percentiles(stamped)};
}

bool makeMedia(const QString& path) {
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), {"-hide_banner",
                                            "-loglevel",
                                            "error",
                                            "-y",
                                            "-f",
                                            "lavfi",
                                            "-i",
                                            "testsrc2=size=320x240:rate=25",
                                            "-f",
                                            "lavfi",
                                            "-i",
                                            "sine=frequency=440",
                                            "-t",
                                            "20",
                                            "-c:v",
                                            "libx264",
                                            "-pix_fmt",
                                            "yuv420p",
                                            "-c:a",
                                            "aac",
                                            path});
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0;
}

} // namespace

int main(int argc, char** argv) {
    // Headless on the GStreamer backend unless the caller chose otherwise.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_MEDIA_BACKEND", "gstreamer", 0);
    QApplication app(argc, argv);
    const int events = argc > 1 ? std::max(10, std::atoi(argv[1])) : 400;
    const unsigned seed = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 20261208u;
    std::mt19937 random(seed);

    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty()) {
        std::fprintf(stderr, "ffmpeg is needed to make the bench media\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString media = dir.filePath(QStringLiteral("bench.mp4"));
    if (!dir.isValid() || !makeMedia(media)) {
        std::fprintf(stderr, "could not make %s\n", qPrintable(media));
        return 2;
    }

    cuemark::QtMediaPlayer player;
    player.resize(360, 320);
    player.show();
    QElapsedTimer loadClock;
    loadClock.start();
    player.setFileName(media.toStdString());
    const double loadMs = static_cast<double>(loadClock.nsecsElapsed()) / 1e6;
    if (player.ReadyState() != 4) {
        std::fprintf(stderr, "the player could not load %s\n", qPrintable(media));
        return 1;
    }
    std::printf("player precision: %.1f s file, backend %s, platform %s, %d key events per run, seed %u\n",
                player.Duration(), qgetenv("QT_MEDIA_BACKEND").constData(), qPrintable(QGuiApplication::platformName()),
                events, seed);
    std::printf("load: %.1f ms\n\n", loadMs);

    std::printf("(a,b) key-press reads against the steady clock (least-squares line)\n");
    std::printf("  rate  reads  slope     |residual| p50    p99    max (ms)   backwards\n");
    for (double rate : {1.0, 0.5}) {
        const ClockRun run = measureClock(player, rate, events, random);
        std::printf("  %4.2f  %5zu  %.6f  %17.3f %6.3f %6.3f      %5d\n", run.rate, run.reads, run.slope,
                    run.residual.p50, run.residual.p99, run.residual.max, run.backwards);
    }

    std::printf("\n(c) seeks to 20 random targets\n");
    const SeekRun paused = measureSeeks(player, false, random);
    const SeekRun playing = measureSeeks(player, true, random);
    std::printf("  paused:  max |landed - target| %.3f ms (read 150 ms after the seek)\n", paused.maxErrorMs);
    std::printf(
        "  playing: max |landed - target| %.3f ms (first advancing read; playback resumed after "
        "p50 %.1f ms, max %.1f ms)\n",
        playing.maxErrorMs, playing.settleMs.p50, playing.settleMs.max);

    std::printf("\n(d) pause at the selection end, 10 runs each\n");
    for (double rate : {1.0, 0.5}) {
        const Percentiles end = measureSelectionEnd(player, rate, random);
        std::printf("  rate %4.2f: |paused - end| p50 %.3f ms, max %.3f ms\n", rate, end.p50, end.max);
    }

    int backwards = 0;
    const double cost = readCostMicroseconds(player, &backwards);
    std::printf(
        "\n(e) one CurrentPosition() call while playing: %.2f us (20000 back-to-back reads, %d "
        "backwards)\n",
        cost, backwards);

    std::printf("\n(f) stored key edge against the moment the key moved, %d events each\n", std::min(events, 200));
    std::printf("  rate  thread              read in handler p50 p99 (ms)   stamped by event p50 p99 (ms)\n");
    for (const auto& [rate, busy] : {std::pair{1.0, false}, std::pair{1.0, true}, std::pair{0.5, true}}) {
        const EdgeRun run = measureEdges(player, rate, busy, std::min(events, 200), random);
        std::printf("  %4.2f  %-18s  %12.3f %7.3f            %12.3f %7.3f\n", rate, busy ? "busy 20..80 ms" : "idle",
                    run.plain.p50, run.plain.p99, run.stamped.p50, run.stamped.p99);
    }
    player.Stop();
    return 0;
}
