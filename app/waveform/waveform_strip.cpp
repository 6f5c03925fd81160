#include "app/waveform/waveform_strip.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "subtitles/store.h"

namespace cuemark {

namespace {

// Frames while playing; otherwise a look ten times a second is enough to
// follow the decoding and the other windows' edits.
constexpr int PlayingTickMs = 16;
constexpr int IdleTickMs = 100;
// Height of the time scale along the top.
constexpr int ScaleHeight = 14;
// A title is never dragged shorter than one frame at 25 frames a second.
constexpr double MinTitleSeconds = 0.04;
// Playing past this share of the view turns the page; the new page puts the
// play position this far in, so what comes next is in sight.
constexpr double PageTurnAt = 0.9;
constexpr double PageLead = 0.1;
// A press that moves less than this is a click.
constexpr int ClickSlackPixels = 3;

const QColor Background(28, 32, 38);
const QColor Unread(44, 48, 56);
const QColor Envelope(140, 190, 235);
const QColor Axis(70, 80, 95);
const QColor SpeechFill(80, 190, 110, 55);
const QColor SpeechMark(80, 190, 110);
const QColor TitleFill(240, 200, 80, 45);
const QColor TitleEdge(240, 200, 80);
const QColor CurrentFill(255, 130, 50, 90);
const QColor CurrentEdge(255, 150, 70);
const QColor PlayLine(255, 70, 70);
const QColor ScaleText(170, 180, 195);
const QColor Message(220, 225, 232);

double RoundToMillisecond(double seconds) {
    return std::round(seconds * 1000.0) / 1000.0;
}

QString ScaleLabel(double seconds, bool tenths) {
    const auto tenthsTotal = static_cast<long long>(std::llround(seconds * 10.0));
    const long long whole = tenthsTotal / 10;
    const long long h = whole / 3600, m = whole / 60 % 60, s = whole % 60;
    QString text = h > 0 ? QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'))
                         : QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
    if (tenths) text += QStringLiteral(".%1").arg(tenthsTotal % 10);
    return text;
}

void Mix(std::uint64_t& hash, std::uint64_t value) {
    hash ^= value;
    hash *= 0x100000001b3ULL;
}

std::uint64_t Bits(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

WaveformStrip::WaveformStrip(const SUBTITLES& titles, QWidget* parent) : QWidget(parent), titles_(titles) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_ = new QTimer(this);
    timer_->setInterval(IdleTickMs);
    connect(timer_, &QTimer::timeout, this, &WaveformStrip::tick);
}

WaveformStrip::~WaveformStrip() = default;

void WaveformStrip::openMedia(const std::string& mediaPath, const audio::AudioAnalysis::Options& options) {
    closeMedia();
    if (mediaPath.empty()) return;
    mediaPath_ = mediaPath;
    options_ = options;
    decodingWanted_ = true;
    if (isVisible()) startDecoding();
}

void WaveformStrip::closeMedia() {
    analysis_.reset(); // cancels and waits for its worker
    mediaPath_.clear();
    decodingWanted_ = false;
    failure_.clear();
    speech_.clear();
    filledSeconds_ = 0.0;
    done_ = false;
    hold_ = Hold();
    invalidate();
}

void WaveformStrip::startDecoding() {
    decodingWanted_ = false;
    analysis_ = std::make_unique<audio::AudioAnalysis>();
    try {
        analysis_->start(mediaPath_, options_);
    } catch (const std::exception& error) {
        failure_ = QString::fromUtf8(error.what());
        done_ = true;
    }
    tick();
}

bool WaveformStrip::soundDone() const {
    return done_;
}

double WaveformStrip::soundProgress() const {
    return analysis_ ? analysis_->progress() : 0.0;
}

std::vector<audio::SpeechInterval> WaveformStrip::speech() const {
    return speech_;
}

QString WaveformStrip::statusText() const {
    if (mediaPath_.empty()) return QStringLiteral("No media");
    if (!failure_.isEmpty()) return QStringLiteral("No waveform: ") + failure_;
    if (!done_) return QStringLiteral("Reading the sound\u2026 %1%").arg(std::floor(soundProgress() * 100.0), 0, 'f', 0);
    return QString();
}

void WaveformStrip::tick() {
    if (playing_ && positionSource_) setPlayPosition(positionSource_());
    if (analysis_ && !done_) {
        const bool finished = analysis_->isDone();
        const double filled = analysis_->peaks().filledSeconds();
        if (filled != filledSeconds_ || finished) {
            filledSeconds_ = filled;
            speech_ = analysis_->speech();
            invalidate();
        }
        if (finished) {
            done_ = true;
            const audio::DecodeResult result = analysis_->result();
            using Status = audio::DecodeResult::Status;
            if (result.status == Status::NoAudio)
                failure_ = QStringLiteral("the media has no sound track");
            else if (!result.ok())
                failure_ = QString::fromStdString(result.reason);
        } else {
            update(); // the progress figure
        }
    }
    // The titles are looked at every 100 ms, playing or not: every frame
    // would read a full store's times 60 times a second for nothing.
    if (!playing_ || ++framesSinceLook_ * PlayingTickMs >= IdleTickMs) {
        framesSinceLook_ = 0;
        const std::uint64_t fingerprint = titlesFingerprint();
        if (fingerprint != fingerprint_) {
            fingerprint_ = fingerprint;
            invalidate();
        }
    }
    timer_->setInterval(playing_ ? PlayingTickMs : IdleTickMs);
}

std::uint64_t WaveformStrip::titlesFingerprint() const {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    const std::int32_t count = titles_.Count();
    Mix(hash, static_cast<std::uint64_t>(count));
    for (std::int32_t i = 1; i <= count; ++i) {
        Mix(hash, Bits(titles_.StartTime(i)));
        Mix(hash, Bits(titles_.EndTime(i)));
    }
    return hash;
}

void WaveformStrip::setPlayPosition(double seconds) {
    if (!std::isfinite(seconds) || seconds == position_) return;
    follow(seconds);
    update();
}

void WaveformStrip::follow(double position) {
    position_ = position;
    // A drag in progress keeps its page under the mouse.
    if (hold_.edge != Edge::None) return;
    if (position < viewStart_ || position > viewStart_ + span_ * PageTurnAt)
        setView(position - span_ * PageLead, span_);
}

void WaveformStrip::setPlaying(bool playing) {
    playing_ = playing;
    if (timer_->isActive()) timer_->start(playing ? PlayingTickMs : IdleTickMs);
}

void WaveformStrip::setCurrentTitle(std::int32_t title) {
    if (title == currentTitle_) return;
    currentTitle_ = title;
    invalidate();
}

void WaveformStrip::setView(double start, double span) {
    if (!std::isfinite(start) || !std::isfinite(span)) return;
    span = std::clamp(span, MinSpanSeconds, MaxSpanSeconds);
    start = std::max(0.0, start);
    // Told only when it moved: strips that follow each other's view stop at
    // the first one that is already there.
    const bool moved = start != viewStart_ || span != span_;
    span_ = span;
    viewStart_ = start;
    invalidate();
    if (moved) emit viewChanged(viewStart_, span_);
}

void WaveformStrip::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    hold_ = Hold();
    unsetCursor();
    invalidate();
}

double WaveformStrip::timeAtX(double x) const {
    return viewStart_ + x * span_ / std::max(1, width());
}

double WaveformStrip::xAtTime(double seconds) const {
    return (seconds - viewStart_) * std::max(1, width()) / span_;
}

void WaveformStrip::invalidate() {
    layerStale_ = true;
    update();
}

void WaveformStrip::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (decodingWanted_) startDecoding();
    timer_->start(playing_ ? PlayingTickMs : IdleTickMs);
}

void WaveformStrip::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    timer_->stop();
}

void WaveformStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layerStale_ = true;
}

// Painting ------------------------------------------------------------------

void WaveformStrip::paintEvent(QPaintEvent*) {
    const qreal ratio = devicePixelRatioF();
    if (layerStale_ || layer_.size() != size() * ratio) renderLayer();
    QPainter painter(this);
    painter.drawImage(0, 0, layer_);
    if (!mediaPath_.empty()) {
        const double x = xAtTime(position_);
        if (x >= 0 && x < width()) {
            painter.setPen(QPen(PlayLine, 2));
            painter.drawLine(QPointF(x, 0), QPointF(x, height()));
        }
    }
}

void WaveformStrip::renderLayer() {
    layerStale_ = false;
    const qreal ratio = devicePixelRatioF();
    layer_ = QImage(size() * ratio, QImage::Format_RGB32);
    layer_.setDevicePixelRatio(ratio);
    layer_.fill(Background);
    QPainter painter(&layer_);
    if (!mediaPath_.empty() && failure_.isEmpty()) {
        // The part not decoded yet is told apart from silence.
        const double unread = std::max(0.0, xAtTime(filledSeconds_));
        if (!done_ && unread < width()) painter.fillRect(QRectF(unread, 0, width() - unread, height()), Unread);
        drawSpeech(painter);
        drawEnvelope(painter);
    }
    drawTitles(painter);
    drawScale(painter);
    drawProgress(painter);
}

void WaveformStrip::drawSpeech(QPainter& painter) const {
    const double viewEnd = viewStart_ + span_;
    for (const audio::SpeechInterval& interval : speech_) {
        if (interval.end < viewStart_ || interval.start > viewEnd) continue;
        const double x0 = xAtTime(interval.start), x1 = xAtTime(interval.end);
        painter.fillRect(QRectF(x0, ScaleHeight, x1 - x0, height() - ScaleHeight), SpeechFill);
        painter.fillRect(QRectF(x0, height() - 3, x1 - x0, 3), SpeechMark);
    }
}

void WaveformStrip::drawEnvelope(QPainter& painter) const {
    const int w = width();
    const double secondsPerPixel = span_ / std::max(1, w);
    const int level = audio::PeakPyramid::LevelFor(secondsPerPixel);
    const double peakSeconds = audio::PeakPyramid::SecondsPerPeak(level);
    const std::vector<audio::Peak> peaks = analysis_->peaks().read(level, viewStart_, viewStart_ + span_);
    const double first = peakSeconds * std::floor(viewStart_ / peakSeconds);

    // Each column's extremes over the peaks that start in it.
    std::vector<int> low(w, std::numeric_limits<int>::max()), high(w, std::numeric_limits<int>::min());
    for (size_t i = 0; i < peaks.size(); ++i) {
        const int column = static_cast<int>(std::floor(xAtTime(first + i * peakSeconds)));
        if (column < 0 || column >= w) continue;
        low[column] = std::min<int>(low[column], peaks[i].min);
        high[column] = std::max<int>(high[column], peaks[i].max);
    }
    const double middle = ScaleHeight + (height() - ScaleHeight) / 2.0;
    const double half = std::max(1.0, (height() - ScaleHeight) / 2.0 - 2.0);
    painter.setPen(Axis);
    painter.drawLine(QPointF(0, middle), QPointF(std::min<double>(w, xAtTime(filledSeconds_)), middle));
    painter.setPen(Envelope);
    for (int x = 0; x < w; ++x) {
        if (high[x] < low[x]) continue;
        const double top = middle - high[x] / 32768.0 * half;
        const double bottom = middle - low[x] / 32768.0 * half;
        painter.drawLine(QPointF(x + 0.5, top), QPointF(x + 0.5, std::max(bottom, top + 1.0)));
    }
}

void WaveformStrip::drawTitles(QPainter& painter) const {
    const double viewEnd = viewStart_ + span_;
    QFont font = painter.font();
    font.setPointSizeF(7.5);
    painter.setFont(font);
    const std::int32_t count = titles_.Count();
    for (std::int32_t i = 1; i <= count; ++i) {
        const double start = titleStart(i), end = titleEnd(i);
        if (end < viewStart_ || start > viewEnd) continue;
        const bool current = i == currentTitle_;
        const QRectF band(xAtTime(start), ScaleHeight, xAtTime(end) - xAtTime(start), height() - ScaleHeight);
        painter.fillRect(band, current ? CurrentFill : TitleFill);
        painter.setPen(QPen(current ? CurrentEdge : TitleEdge, current ? 2 : 1));
        painter.drawLine(band.topLeft(), band.bottomLeft());
        painter.drawLine(band.topRight(), band.bottomRight());
        painter.save();
        painter.setClipRect(band);
        painter.drawText(band.adjusted(3, 1, 0, 0), Qt::AlignLeft | Qt::AlignTop, QString::number(i));
        painter.restore();
    }
}

void WaveformStrip::drawScale(QPainter& painter) const {
    painter.fillRect(QRect(0, 0, width(), ScaleHeight), Background.darker(130));
    const double secondsPerPixel = span_ / std::max(1, width());
    double step = 60.0;
    for (double candidate : {0.1, 0.2, 0.5, 1.0, 2.0, 5.0, 10.0, 15.0, 30.0, 60.0}) {
        if (candidate / secondsPerPixel >= 70.0) {
            step = candidate;
            break;
        }
    }
    QFont font = painter.font();
    font.setPointSizeF(7.0);
    painter.setFont(font);
    painter.setPen(ScaleText);
    const bool tenths = step < 1.0;
    for (double t = step * std::ceil(viewStart_ / step); t <= viewStart_ + span_; t += step) {
        const double x = xAtTime(t);
        painter.drawLine(QPointF(x, ScaleHeight - 4), QPointF(x, ScaleHeight));
        painter.drawText(QPointF(x + 2, ScaleHeight - 3), ScaleLabel(t, tenths));
    }
}

void WaveformStrip::drawProgress(QPainter& painter) const {
    const QString status = statusText();
    if (status.isEmpty()) return;
    if (!mediaPath_.empty() && failure_.isEmpty() && !done_)
        painter.fillRect(QRectF(0, height() - 3, width() * soundProgress(), 3), Envelope);
    painter.setPen(Message);
    painter.drawText(rect().adjusted(0, ScaleHeight, 0, 0), Qt::AlignCenter, status);
}

// Titles and the mouse --------------------------------------------------------

double WaveformStrip::titleStart(std::int32_t title) const {
    return hold_.edge != Edge::None && hold_.title == title ? hold_.start : titles_.StartTime(title);
}

double WaveformStrip::titleEnd(std::int32_t title) const {
    return hold_.edge != Edge::None && hold_.title == title ? hold_.end : titles_.EndTime(title);
}

WaveformStrip::Hold WaveformStrip::edgeAt(double x) const {
    Hold best;
    double bestDistance = GrabPixels + 0.5;
    const double viewEnd = viewStart_ + span_;
    for (std::int32_t i = 1; i <= titles_.Count(); ++i) {
        const double start = titles_.StartTime(i), end = titles_.EndTime(i);
        if (end < viewStart_ || start > viewEnd) continue;
        for (const Edge edge : {Edge::Start, Edge::End}) {
            const double edgeX = xAtTime(edge == Edge::Start ? start : end);
            const double distance = std::abs(x - edgeX);
            // Where two titles touch, the side of the mouse picks the title.
            const bool inside = edge == Edge::Start ? x >= edgeX : x <= edgeX;
            if (distance < bestDistance || (distance == bestDistance && inside)) {
                bestDistance = distance;
                best = {edge, i, start, end};
            }
        }
    }
    return best;
}

std::int32_t WaveformStrip::titleAt(double seconds) const {
    for (std::int32_t i = 1; i <= titles_.Count(); ++i)
        if (titles_.StartTime(i) <= seconds && seconds < titles_.EndTime(i)) return i;
    return 0;
}

double WaveformStrip::dragTime(double x, bool free) const {
    double t = RoundToMillisecond(timeAtX(x));
    const bool start = hold_.edge == Edge::Start;
    if (!free) {
        const double reach = SnapPixels * span_ / std::max(1, width());
        double nearest = reach + 1e-9;
        for (const audio::SpeechInterval& interval : speech_) {
            const double edge = start ? interval.start : interval.end;
            if (std::abs(edge - t) <= nearest) {
                nearest = std::abs(edge - t);
                t = RoundToMillisecond(edge);
            }
        }
    }
    // Between the neighbours and the other edge; a title that already lies
    // over a neighbour is not pushed off it, only kept from going further.
    const std::int32_t n = hold_.title;
    const double storedStart = titles_.StartTime(n), storedEnd = titles_.EndTime(n);
    if (start) {
        const double low = n > 1 ? std::min(titles_.EndTime(n - 1), storedStart) : 0.0;
        const double high = std::max(low, storedEnd - MinTitleSeconds);
        return std::clamp(t, low, high);
    }
    const double low = storedStart + MinTitleSeconds;
    const double high =
        n < titles_.Count() ? std::max(low, std::max(titles_.StartTime(n + 1), storedEnd)) : std::numeric_limits<double>::max();
    return std::clamp(t, low, high);
}

void WaveformStrip::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    pressAt_ = event->position().toPoint();
    if (pressAt_.y() < ResizeGrip && !readOnly_) {
        resizing_ = true;
        pressAt_ = event->globalPosition().toPoint();
        pressHeight_ = height();
        return;
    }
    pressed_ = true;
    if (!readOnly_) hold_ = edgeAt(event->position().x());
}

void WaveformStrip::mouseMoveEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (resizing_) {
        emit heightRequested(pressHeight_ - (event->globalPosition().toPoint().y() - pressAt_.y()));
        return;
    }
    if (hold_.edge != Edge::None) {
        const double t = dragTime(at.x(), event->modifiers() & Qt::ShiftModifier);
        (hold_.edge == Edge::Start ? hold_.start : hold_.end) = t;
        invalidate();
        return;
    }
    if (event->buttons() != Qt::NoButton) return;
    if (at.y() < ResizeGrip && !readOnly_)
        setCursor(Qt::SizeVerCursor);
    else if (!readOnly_ && edgeAt(at.x()).edge != Edge::None)
        setCursor(Qt::SizeHorCursor);
    else
        unsetCursor();
}

void WaveformStrip::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (resizing_) {
        resizing_ = false;
        return;
    }
    if (!pressed_) return;
    pressed_ = false;
    const QPoint at = event->position().toPoint();
    if (hold_.edge != Edge::None) {
        const Hold held = hold_;
        hold_ = Hold();
        invalidate();
        if (held.start != titles_.StartTime(held.title) || held.end != titles_.EndTime(held.title))
            emit titleTimesChosen(held.title, held.start, held.end);
        return;
    }
    if ((at - pressAt_).manhattanLength() > ClickSlackPixels) return;
    const double t = std::max(0.0, timeAtX(at.x()));
    if (const std::int32_t title = titleAt(t)) {
        setCurrentTitle(title);
        emit titleChosen(title);
    }
    emit seekRequested(t);
}

void WaveformStrip::wheelEvent(QWheelEvent* event) {
    const double steps = event->angleDelta().y() / 120.0;
    if (steps == 0.0) return;
    if (event->modifiers() & Qt::ControlModifier) {
        // Zoom about the time under the mouse.
        const double x = event->position().x();
        const double anchor = timeAtX(x);
        const double span = std::clamp(span_ * std::pow(1.25, -steps), MinSpanSeconds, MaxSpanSeconds);
        setView(anchor - x / std::max(1, width()) * span, span);
    } else {
        setView(viewStart_ - steps * span_ * 0.1, span_);
    }
    event->accept();
}

} // namespace cuemark
