// The waveform strip on its own: what it draws where, the messages it shows
// instead of a waveform, zoom and paging, and the drags it offers (snapped,
// free with Shift, kept between the neighbours).
#include <QApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "app/player/event_wait.h"
#include "app/waveform/waveform_strip.h"
#include "tests/app/support/mouse_events.h"
#include "subtitles/store.h"

using namespace cuemark;
using namespace cuemark::testing;

namespace {

bool Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

audio::AudioAnalysis::Options NoCache() {
    audio::AudioAnalysis::Options options;
    options.useCache = false;
    return options;
}

// Pixels of the envelope's colour in column x.
int EnvelopePixels(const QImage& image, int x) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(x, y) == QColor(140, 190, 235)) ++count;
    return count;
}

void Drag(QWidget* widget, int fromX, int toX, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const int y = widget->height() / 2;
    SendMouse(widget, QEvent::MouseButtonPress, {fromX, y}, modifiers);
    SendMouse(widget, QEvent::MouseMove, {(fromX + toX) / 2, y}, modifiers);
    SendMouse(widget, QEvent::MouseMove, {toX, y}, modifiers);
    SendMouse(widget, QEvent::MouseButtonRelease, {toX, y}, modifiers);
}

void Wheel(QWidget* widget, QPoint at, int delta, Qt::KeyboardModifiers modifiers) {
    QWheelEvent event(QPointF(at), widget->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class WaveformStripTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void aBurstLandsInItsColumnAndThePlayLineWhereItPlays();
    void saysWhyWhenThereIsNoWaveform_data();
    void saysWhyWhenThereIsNoWaveform();
    void ctrlWheelZoomsAboutTheMouseWithinItsLimits();
    void playingPastTheViewTurnsThePage();
    void anEdgeSnapsToSpeechUnlessShiftIsHeld();
    void anEdgeNeverCrossesItsNeighboursOrItsOtherEdge();
    void aClickSeeksAndChoosesTheTitleUnderIt();
    void aReadOnlyStripOffersNoDragButStillScrollsAndTellsItsView();

private:
    // A strip 1000 pixels wide over 10 s: 10 ms a pixel.
    std::unique_ptr<WaveformStrip> openStrip(const std::string& media);

    QTemporaryDir folder_;
    std::string burst_, speech_, noSound_;
    SUBTITLES titles_;
};

void WaveformStripTest::initTestCase() {
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty() ||
        QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty())
        QFAIL("ffmpeg, espeak-ng and sox make the test media (scripts/packages.txt lists them)");
    const QString dir = folder_.path() + "/";
    burst_ = (dir + "burst.wav").toStdString();
    speech_ = (dir + "speech.wav").toStdString();
    noSound_ = (dir + "picture-only.mp4").toStdString();
    // A 440 Hz tone loud only from 3.0 to 3.5 s.
    QVERIFY(Run("ffmpeg", {"-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                           "aevalsrc=if(between(t\\,3\\,3.5)\\,0.75*sin(2*PI*440*t)\\,0):s=16000:d=10",
                           QString::fromStdString(burst_)}));
    // One spoken line from about 2 s, then silence.
    QVERIFY(Run("espeak-ng", {"-w", dir + "raw.wav", "Please call me when you reach the station."}));
    QVERIFY(Run("sox", {"-R", dir + "raw.wav", "-r", "16000", "-b", "16", "-c", "1", QString::fromStdString(speech_), "pad",
                        "2", "4"}));
    QVERIFY(Run("ffmpeg", {"-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i",
                           "color=c=black:s=64x64:r=25:d=2", "-c:v", "libx264", "-preset", "ultrafast",
                           QString::fromStdString(noSound_)}));
}

std::unique_ptr<WaveformStrip> WaveformStripTest::openStrip(const std::string& media) {
    auto strip = std::make_unique<WaveformStrip>(titles_);
    strip->resize(1000, 100);
    strip->show();
    if (!QTest::qWaitForWindowExposed(strip.get())) return nullptr;
    strip->openMedia(media, NoCache());
    if (!RunUntil([&] { return strip->soundDone(); }, 20000)) return nullptr;
    strip->setView(0.0, 10.0);
    return strip;
}

void WaveformStripTest::aBurstLandsInItsColumnAndThePlayLineWhereItPlays() {
    titles_.Clear();
    const auto strip = openStrip(burst_);
    QVERIFY(strip);
    QCOMPARE(strip->statusText(), QString());
    QImage image = strip->grab().toImage();
    // 3.0 to 3.5 s are columns 300 to 349; a column of silence holds only
    // the middle line.
    for (int x : {302, 325, 347}) QVERIFY2(EnvelopePixels(image, x) > 40, qPrintable(QString::number(x)));
    for (int x : {100, 295, 355, 800}) QVERIFY2(EnvelopePixels(image, x) <= 2, qPrintable(QString::number(x)));

    strip->setPlayPosition(6.0);
    image = strip->grab().toImage();
    QCOMPARE(image.pixelColor(600, 50), QColor(255, 70, 70));
    QVERIFY(image.pixelColor(650, 50) != QColor(255, 70, 70));
}

void WaveformStripTest::saysWhyWhenThereIsNoWaveform_data() {
    QTest::addColumn<QString>("media");
    QTest::addColumn<QString>("says");
    QTest::newRow("a film without sound") << QString::fromStdString(noSound_)
                                          << QStringLiteral("No waveform: the media has no sound track");
    QTest::newRow("no such file") << folder_.path() + "/gone.mp4" << QStringLiteral("No waveform: ");
    QTest::newRow("not media") << QString::fromStdString(__FILE__) << QStringLiteral("No waveform: ");
}

void WaveformStripTest::saysWhyWhenThereIsNoWaveform() {
    QFETCH(QString, media);
    QFETCH(QString, says);
    const auto strip = openStrip(media.toStdString());
    QVERIFY(strip);
    QVERIFY2(strip->statusText().startsWith(says), qPrintable(strip->statusText()));
    // A reason follows the prefix, and the strip still draws.
    QVERIFY(strip->statusText().size() > QStringLiteral("No waveform: ").size());
    QVERIFY(strip->speech().empty());
    QVERIFY(!strip->grab().isNull());
}

void WaveformStripTest::ctrlWheelZoomsAboutTheMouseWithinItsLimits() {
    const auto strip = openStrip(burst_);
    QVERIFY(strip);
    strip->setView(20.0, 10.0);
    const double under = strip->timeAtX(250);
    Wheel(strip.get(), {250, 50}, 120, Qt::ControlModifier);
    QCOMPARE(strip->viewSpan(), 8.0);
    QVERIFY(qAbs(strip->timeAtX(250) - under) < 1e-9);
    for (int i = 0; i < 20; ++i) Wheel(strip.get(), {250, 50}, 120, Qt::ControlModifier);
    QCOMPARE(strip->viewSpan(), WaveformStrip::MinSpanSeconds);
    for (int i = 0; i < 40; ++i) Wheel(strip.get(), {250, 50}, -120, Qt::ControlModifier);
    QCOMPARE(strip->viewSpan(), WaveformStrip::MaxSpanSeconds);
    QCOMPARE(strip->viewStart(), 0.0); // never before the media's start

    // Without Ctrl the wheel moves through time at the same zoom.
    strip->setView(20.0, 10.0);
    Wheel(strip.get(), {250, 50}, -120, Qt::NoModifier);
    QCOMPARE(strip->viewSpan(), 10.0);
    QCOMPARE(strip->viewStart(), 21.0);
}

void WaveformStripTest::playingPastTheViewTurnsThePage() {
    const auto strip = openStrip(burst_);
    QVERIFY(strip);
    strip->setPlayPosition(8.5);
    QCOMPARE(strip->viewStart(), 0.0); // still in sight
    strip->setPlayPosition(9.5);
    QCOMPARE(strip->viewStart(), 8.5); // the next page, the position near its start
    strip->setPlayPosition(2.0);
    QCOMPARE(strip->viewStart(), 1.0);

    // Played by the player's clock, not only by reported positions.
    double clock = 30.0;
    strip->setPositionSource([&] { return clock; });
    strip->setPlaying(true);
    QVERIFY(RunUntil([&] { return strip->viewStart() == 29.0; }, 1000));
    strip->setPlaying(false);
}

void WaveformStripTest::anEdgeSnapsToSpeechUnlessShiftIsHeld() {
    titles_.Clear();
    titles_.Add(0.5, 1.2, "one");
    titles_.Add(2.3, 3.0, "two");
    titles_.Add(6.0, 7.0, "three");
    const auto strip = openStrip(speech_);
    QVERIFY(strip);
    const std::vector<audio::SpeechInterval> speech = strip->speech();
    QVERIFY(!speech.empty());
    const double spoken = speech.front().start;
    QVERIFY2(spoken > 1.8 && spoken < 2.3, qPrintable(QString::number(spoken)));
    QSignalSpy chosen(strip.get(), &WaveformStrip::titleTimesChosen);

    // Title 2's start, dropped 6 pixels (60 ms) after the speech starts.
    const int drop = qRound(strip->xAtTime(spoken)) + 6;
    Drag(strip.get(), 230, drop);
    QCOMPARE(chosen.size(), 1);
    QCOMPARE(chosen[0][0].toInt(), 2);
    QCOMPARE(chosen[0][1].toDouble(), std::round(spoken * 1000.0) / 1000.0);
    QCOMPARE(chosen[0][2].toDouble(), 3.0);

    // With Shift it stays where it was dropped.
    Drag(strip.get(), 230, drop, Qt::ShiftModifier);
    QCOMPARE(chosen.size(), 2);
    QCOMPARE(chosen[1][1].toDouble(), std::round(strip->timeAtX(drop) * 1000.0) / 1000.0);

    // Farther than 8 pixels there is nothing to snap to.
    const int far = qRound(strip->xAtTime(spoken)) + 12;
    Drag(strip.get(), 230, far);
    QCOMPARE(chosen[2][1].toDouble(), std::round(strip->timeAtX(far) * 1000.0) / 1000.0);
    // The store is the owner's: the strip itself changed nothing.
    QCOMPARE(titles_.StartTime(2), 2.3);
}

void WaveformStripTest::anEdgeNeverCrossesItsNeighboursOrItsOtherEdge() {
    titles_.Clear();
    titles_.Add(0.5, 1.2, "one");
    titles_.Add(2.3, 3.0, "two");
    titles_.Add(3.4, 4.0, "three");
    const auto strip = openStrip(burst_);
    QVERIFY(strip);
    QSignalSpy chosen(strip.get(), &WaveformStrip::titleTimesChosen);

    Drag(strip.get(), 300, 600, Qt::ShiftModifier); // 2's end past 3's start
    QCOMPARE(chosen.last()[2].toDouble(), 3.4);
    Drag(strip.get(), 230, 50, Qt::ShiftModifier); // 2's start before 1's end
    QCOMPARE(chosen.last()[1].toDouble(), 1.2);
    Drag(strip.get(), 230, 320, Qt::ShiftModifier); // 2's start past its end
    QVERIFY(chosen.last()[1].toDouble() < 3.0);
    QCOMPARE(chosen.last()[2].toDouble(), 3.0);
    Drag(strip.get(), 50, 5, Qt::ShiftModifier); // 1's start towards the media's start
    QCOMPARE(chosen.last()[0].toInt(), 1);
    QCOMPARE(chosen.last()[1].toDouble(), 0.05);

    // Where two titles touch, the mouse's side picks the title.
    titles_.SetTimes(2, 2.3, 3.4);
    Drag(strip.get(), 338, 330, Qt::ShiftModifier);
    QCOMPARE(chosen.last()[0].toInt(), 2);
    QCOMPARE(chosen.last()[2].toDouble(), 3.3);
    Drag(strip.get(), 342, 360, Qt::ShiftModifier);
    QCOMPARE(chosen.last()[0].toInt(), 3);
    QCOMPARE(chosen.last()[1].toDouble(), 3.6);

    // A drag let go where it started changes nothing.
    const qsizetype before = chosen.size();
    Drag(strip.get(), 230, 230, Qt::ShiftModifier);
    QCOMPARE(chosen.size(), before);
}

void WaveformStripTest::aClickSeeksAndChoosesTheTitleUnderIt() {
    titles_.Clear();
    titles_.Add(1.0, 2.0, "one");
    titles_.Add(5.0, 6.0, "two");
    const auto strip = openStrip(burst_);
    QVERIFY(strip);
    QSignalSpy seeks(strip.get(), &WaveformStrip::seekRequested);
    QSignalSpy titles(strip.get(), &WaveformStrip::titleChosen);
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, {550, 50});
    QCOMPARE(seeks.size(), 1);
    QCOMPARE(seeks[0][0].toDouble(), 5.5);
    QCOMPARE(titles.size(), 1);
    QCOMPARE(titles[0][0].toInt(), 2);
    QCOMPARE(strip->currentTitle(), 2);
    QTest::mouseClick(strip.get(), Qt::LeftButton, {}, {350, 50});
    QCOMPARE(seeks.size(), 2);
    QCOMPARE(titles.size(), 1); // no title there
}

void WaveformStripTest::aReadOnlyStripOffersNoDragButStillScrollsAndTellsItsView() {
    titles_.Clear();
    titles_.Add(2.3, 3.0, "one");
    const auto strip = openStrip(burst_);
    QVERIFY(strip);
    strip->setReadOnly(true);
    QSignalSpy chosen(strip.get(), &WaveformStrip::titleTimesChosen);
    QSignalSpy heights(strip.get(), &WaveformStrip::heightRequested);
    QSignalSpy views(strip.get(), &WaveformStrip::viewChanged);
    Drag(strip.get(), 230, 280);
    QCOMPARE(chosen.size(), 0);
    // Nor does its top edge take hold of its height.
    SendMouse(strip.get(), QEvent::MouseButtonPress, {200, 1});
    SendMouse(strip.get(), QEvent::MouseMove, {200, -29});
    SendMouse(strip.get(), QEvent::MouseButtonRelease, {200, -29});
    QCOMPARE(heights.size(), 0);

    // The view is told each time it moves, by the wheel too, and not when
    // set to where it already is (strips that follow each other stop there).
    Wheel(strip.get(), {500, 50}, -120, Qt::NoModifier);
    QCOMPARE(views.size(), 1);
    QCOMPARE(views[0][0].toDouble(), 1.0);
    QCOMPARE(views[0][1].toDouble(), 10.0);
    strip->setView(1.0, 10.0);
    QCOMPARE(views.size(), 1);
    strip->setView(4.0, 500.0);
    QCOMPARE(views.size(), 2);
    QCOMPARE(views[1][1].toDouble(), WaveformStrip::MaxSpanSeconds);
    QCOMPARE(titles_.StartTime(1), 2.3);
}

QTEST_MAIN(WaveformStripTest)
#include "waveform_strip_test.moc"
