#pragma once
// The waveform strip below the player: the sound's envelope in a window of
// time around the play position, where people speak, and every title as a
// band whose edges can be dragged onto the speech.
//
// The strip reads the titles and never changes them: a finished drag is
// offered through titleTimesChosen, and the owner stores it (one undo step).
// It follows everything by looking, on a timer that runs while it is shown:
// the play position (each frame while playing), the sound as it is decoded,
// and the titles (a change by any window shows within a tick).

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/analysis.h"

class QTimer;

namespace cuemark {

class SUBTITLES;

class WaveformStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr double DefaultSpanSeconds = 10.0;
    static constexpr double MinSpanSeconds = 2.0;
    static constexpr double MaxSpanSeconds = 120.0;
    // A dragged edge lands on a speech edge this near, unless Shift is held.
    static constexpr int SnapPixels = 8;
    // How near an edge the mouse takes hold of it.
    static constexpr int GrabPixels = 4;
    // The top rows where the mouse takes hold of the strip's height.
    static constexpr int ResizeGrip = 4;

    explicit WaveformStrip(const SUBTITLES& titles, QWidget* parent = nullptr);
    ~WaveformStrip() override;

    // Starts reading the sound of `mediaPath`, at once from the cache when it
    // holds it; the previous media's sound is dropped (its decoding is
    // cancelled). While the strip is hidden nothing is decoded: it starts
    // when the strip is first shown.
    void openMedia(const std::string& mediaPath,
                   const audio::AudioAnalysis::Options& options = audio::AudioAnalysis::Options());
    void closeMedia();

    // Where the player is; the view pages along so that it stays in sight.
    void setPlayPosition(double seconds);
    // Read each frame while playing, so the line moves smoothly.
    void setPositionSource(std::function<double()> source) { positionSource_ = std::move(source); }
    void setPlaying(bool playing);

    // The highlighted title, 0 for none.
    void setCurrentTitle(std::int32_t title);
    std::int32_t currentTitle() const { return currentTitle_; }

    // The window of time shown: its start and its length (clamped to 2 s to
    // 2 min; the start never below 0).
    void setView(double start, double span);
    double viewStart() const { return viewStart_; }
    double viewSpan() const { return span_; }
    double timeAtX(double x) const;
    double xAtTime(double seconds) const;

    // A read-only strip takes hold of neither a title's edge nor its own
    // height: it previews times that are not the store's (clicks and the
    // wheel still work).
    void setReadOnly(bool readOnly);
    bool isReadOnly() const { return readOnly_; }

    // The sound as read so far.
    bool soundDone() const;
    double soundProgress() const;
    std::vector<audio::SpeechInterval> speech() const;
    // What the strip says instead of a waveform ("" while it shows one).
    QString statusText() const;

signals:
    void seekRequested(double seconds);
    // A title's edge was dragged and let go: the times to store.
    void titleTimesChosen(std::int32_t title, double start, double end);
    // A title's band was clicked.
    void titleChosen(std::int32_t title);
    // The strip's top edge was dragged: the height it asks for, in pixels.
    void heightRequested(int pixels);
    // The window of time shown moved or was zoomed, by any means.
    void viewChanged(double start, double span);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    enum class Edge { None, Start, End };
    struct Hold {
        Edge edge = Edge::None;
        std::int32_t title = 0;
        double start = 0.0, end = 0.0; // as the drag now has them
    };

    void tick();
    void startDecoding();
    void follow(double position);
    // The layer under the play line: envelope, speech and titles.
    void renderLayer();
    void drawEnvelope(QPainter& painter) const;
    void drawSpeech(QPainter& painter) const;
    void drawTitles(QPainter& painter) const;
    void drawScale(QPainter& painter) const;
    void drawProgress(QPainter& painter) const;
    void invalidate();
    // Of the titles, what the picture depends on: a change of any shows.
    std::uint64_t titlesFingerprint() const;
    Hold edgeAt(double x) const;
    std::int32_t titleAt(double seconds) const;
    // The edge's time for the mouse at `x`: snapped unless `free`, and kept
    // between the title's neighbours and its other edge.
    double dragTime(double x, bool free) const;
    double titleStart(std::int32_t title) const;
    double titleEnd(std::int32_t title) const;

    const SUBTITLES& titles_;
    std::unique_ptr<audio::AudioAnalysis> analysis_;
    std::string mediaPath_;
    audio::AudioAnalysis::Options options_;
    bool decodingWanted_ = false;
    QString failure_;
    std::vector<audio::SpeechInterval> speech_;
    double filledSeconds_ = 0.0;
    bool done_ = false;

    QTimer* timer_ = nullptr;
    std::function<double()> positionSource_;
    bool playing_ = false;
    double position_ = 0.0;
    double viewStart_ = 0.0;
    double span_ = DefaultSpanSeconds;
    std::int32_t currentTitle_ = 0;
    bool readOnly_ = false;
    std::uint64_t fingerprint_ = 0;
    int framesSinceLook_ = 0;

    QImage layer_;
    bool layerStale_ = true;

    Hold hold_;
    bool pressed_ = false;
    bool resizing_ = false;
    QPoint pressAt_;
    int pressHeight_ = 0;
};

} // namespace cuemark
