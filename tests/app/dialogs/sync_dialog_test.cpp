// The sync dialog on films the test makes: spoken phrases at known times
// under titles moved off them, a silent film, one without sound and a long
// one to cancel while it is read.
#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "app/dialogs/frm_sync.h"
#include "app/editor/editor_window.h"
#include "app/player/event_wait.h"
#include "app/waveform/waveform_strip.h"
#include "audio/analysis.h"
#include "tests/app/support/data_columns.h"
#include "tests/app/support/editor_fixture.h"
#include "tests/app/support/fake_editor.h"
#include "tests/app/support/journalled_titles.h"
#include "tests/app/support/main_window_fixture.h"
#include "tests/app/support/mouse_events.h"

using namespace cuemark;
using namespace cuemark::testing;

using Times = std::vector<std::pair<double, double>>;

namespace {

constexpr int Rate = 16000;
// The titles are this late on the phrases.
constexpr double Late = 4.25;

bool Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

std::vector<std::int16_t> ReadRaw(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    const QByteArray bytes = file.readAll();
    std::vector<std::int16_t> samples(static_cast<std::size_t>(bytes.size()) / 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

const QStringList RawFormat{"-t", "raw", "-r", "16000", "-b", "16", "-c", "1", "-e", "signed-integer"};

// Three minutes of spoken phrases at uneven times from 6 s; `phrases` gets
// each one's true sound, from its first to its last sample above -46 dBFS.
bool MakeSpokenFilm(const QString& dir, const QString& film, Times& phrases) {
    const char* const texts[] = {
        "The quick brown fox jumps over the lazy dog.", "She sells sea shells by the sea shore.",
        "Please call me when you reach the station.",   "Where did you put the keys to the old car?",
        "We will meet again at nine tomorrow morning.", "Nobody told me the film would be this long.",
        "Fine, then go and ask him yourself.",          "It is much too cold to swim today.",
        "Have you seen my brother anywhere?",           "Turn left after the church and keep going.",
        "I never said that, and you know it.",          "The last train leaves at half past eleven.",
    };
    std::vector<std::vector<std::int16_t>> clips;
    std::vector<std::pair<std::size_t, std::size_t>> sound; // within each clip
    for (int i = 0; i < int(std::size(texts)); ++i) {
        const QString wav = dir + QString("/phrase%1.wav").arg(i), raw = dir + QString("/phrase%1.raw").arg(i);
        if (!Run("espeak-ng", {"-s", QString::number(150 + 10 * (i % 4)), "-w", wav, texts[i]}) ||
            !Run("sox", QStringList{"-R", wav} + RawFormat + QStringList{raw}))
            return false;
        clips.push_back(ReadRaw(raw));
        const std::vector<std::int16_t>& clip = clips.back();
        std::size_t first = 0, last = clip.size();
        while (first < clip.size() && std::abs(clip[first]) <= 160) ++first;
        while (last > first && std::abs(clip[last - 1]) <= 160) --last;
        if (first == last) return false;
        sound.emplace_back(first, last);
    }
    std::vector<double> mix;
    std::mt19937 random(17);
    std::uniform_real_distribution<double> gap(0.5, 3.5);
    double t = 6.0;
    for (std::size_t i = 0; t < 180.0; ++i) {
        const std::vector<std::int16_t>& clip = clips[i % clips.size()];
        const auto [first, last] = sound[i % clips.size()];
        const std::size_t place = static_cast<std::size_t>(t * Rate) - first;
        mix.resize(std::max(mix.size(), place + clip.size() + 3 * Rate), 0.0);
        for (std::size_t k = 0; k < clip.size(); ++k) mix[place + k] += clip[k];
        phrases.emplace_back(double(place + first) / Rate, double(place + last) / Rate);
        t = phrases.back().second + gap(random);
    }
    QByteArray bytes(static_cast<int>(mix.size() * 2), '\0');
    for (std::size_t k = 0; k < mix.size(); ++k) {
        const auto s = static_cast<std::int16_t>(std::clamp(std::lround(mix[k]), -32768L, 32767L));
        std::memcpy(bytes.data() + k * 2, &s, 2);
    }
    QFile out(dir + "/mix.raw");
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return false;
    out.close();
    return Run("sox", RawFormat + QStringList{dir + "/mix.raw", film});
}

// A main window with a film (none for "") and titles, and an editor on it.
struct Bench {
    Bench(const std::string& film, const Times& titles) {
        fixture.open();
        if (!film.empty()) {
            fixture.player->playableFiles = {film};
            fixture.window->OpenMediaFile(film);
        }
        SUBTITLES& s = Subt();
        cuemark::testing::AddTitlesWithOneUndoStep(s, titles, [](int n) { return "T" + std::to_string(n); });
        editor = std::make_unique<FakeEditorWindow>(*fixture.window);
    }
    ~Bench() { dialog.reset(); }

    frmSync& open() {
        dialog = std::make_unique<frmSync>(*editor);
        dialog->show();
        return *dialog;
    }
    // Until the dialog proposes or refuses.
    bool settle() {
        return RunUntil([&] { return !text("lblProposal").isEmpty(); }, 60000);
    }
    SUBTITLES& Subt() { return fixture.window->Subt; }
    template <class T>
    T* control(const char* name) {
        T* found = dialog->findChild<T*>(QString::fromLatin1(name));
        if (!found) qFatal("no control %s", name);
        return found;
    }
    QString text(const char* name) { return control<QLabel>(name)->text(); }
    Times times() { return cuemark::testing::TitleTimes(Subt()); }

    MainWindowFixture fixture;
    std::unique_ptr<FakeEditorWindow> editor;
    std::unique_ptr<frmSync> dialog;
};

Times Moved(const Times& titles, double by) {
    Times moved;
    for (const auto& [start, end] : titles) moved.emplace_back(start + by, end + by);
    return moved;
}

} // namespace

class SyncDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void withoutAFilmOrTitlesItSaysSoAndChangesNothing_data();
    void withoutAFilmOrTitlesItSaysSoAndChangesNothing();
    void theTimingMenuOpensItAfterShift();

    void aShiftedFileIsProposedShownAndAppliedAsOneWholeFileChange_data();
    void aShiftedFileIsProposedShownAndAppliedAsOneWholeFileChange();
    void cancelLeavesTheTitlesAsTheyWereAndTheCacheAnswersNextTime();
    void aTimeBeforeTheFilmsStartIsRefusedAndNothingChanges();
    void withoutSpeechToGoByApplyStaysDisabled_data();
    void withoutSpeechToGoByApplyStaysDisabled();
    void cancelWhileReadingOrSearchingClosesAndLeavesNothingBehind_data();
    void cancelWhileReadingOrSearchingClosesAndLeavesNothingBehind();

private:
    QTemporaryDir folder_;
    std::string spoken_, silent_, pictureOnly_, longFilm_, notAFilm_;
    Times phrases_;
};

void SyncDialogTest::initTestCase() {
    for (const char* tool : {"ffmpeg", "espeak-ng", "sox"})
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QFAIL("ffmpeg, espeak-ng and sox make the test media (scripts/packages.txt lists them)");
    const QString dir = folder_.path();
    spoken_ = (dir + "/spoken.wav").toStdString();
    silent_ = (dir + "/silent.wav").toStdString();
    pictureOnly_ = (dir + "/picture-only.mp4").toStdString();
    longFilm_ = (dir + "/long.m4a").toStdString();
    notAFilm_ = (dir + "/not-a-film.mp4").toStdString();
    QFile notAFilm(QString::fromStdString(notAFilm_));
    QVERIFY(notAFilm.open(QIODevice::WriteOnly) && notAFilm.write("These are words, not a film.\n") > 0);
    notAFilm.close();
    QVERIFY(MakeSpokenFilm(dir, QString::fromStdString(spoken_), phrases_));
    const QStringList quiet{"-nostdin", "-y", "-loglevel", "error", "-f", "lavfi", "-i"};
    QVERIFY(
        Run("ffmpeg", quiet + QStringList{"anullsrc=r=16000:cl=mono", "-t", "60", QString::fromStdString(silent_)}));
    QVERIFY(Run("ffmpeg", quiet + QStringList{"color=c=black:s=64x64:r=25:d=2", "-c:v", "libx264", "-preset",
                                              "ultrafast", QString::fromStdString(pictureOnly_)}));
    // Twenty minutes of faint noise: long enough to be cancelled mid-read.
    QVERIFY(Run("ffmpeg", quiet + QStringList{"anoisesrc=a=0.02:r=16000", "-t", "1200", "-ac", "1", "-c:a", "aac",
                                              "-b:a", "32k", QString::fromStdString(longFilm_)}));
}

void SyncDialogTest::cleanup() {
    // A search left running by a closed dialog ends before the next test.
    QThreadPool::globalInstance()->waitForDone();
}

void SyncDialogTest::withoutAFilmOrTitlesItSaysSoAndChangesNothing_data() {
    AddColumns<bool, Times, QString>("film", "titles", "says");
    QTest::newRow("no film") << false << Times{{10, 12}, {20, 22}} << QString(refusals::NoFilm);
    QTest::newRow("no titles") << true << Times{} << QString(refusals::NoTitles);
}

void SyncDialogTest::withoutAFilmOrTitlesItSaysSoAndChangesNothing() {
    QFETCH(bool, film);
    QFETCH(Times, titles);
    QFETCH(QString, says);
    Bench b(film ? spoken_ : std::string(), titles);
    const std::int16_t journal = b.Subt().UndoCount();

    SyncToAudio(*b.editor);
    QCOMPARE(b.fixture.services.messages, std::vector<std::string>{says.toStdString()});
    QVERIFY(b.fixture.services.modalDialogs.empty());

    // Opened all the same, the dialog says it too and offers nothing.
    frmSync& d = b.open();
    QCOMPARE(b.text("lblProposal"), says);
    QVERIFY(!b.control<QPushButton>("cmdApply")->isEnabled());
    QMetaObject::invokeMethod(&d, "cmdApply_Click");
    QVERIFY(d.isVisible());
    QVERIFY(b.times() == titles);
    QCOMPARE(b.Subt().UndoCount(), journal);
    QVERIFY(!b.fixture.window->subtitlesChanged());
}

void SyncDialogTest::theTimingMenuOpensItAfterShift() {
    EditorFixture f;
    f.openEditor({{1, 2}, {3, 4}});
    QAction* entry = f.action("mnuTimeSync");
    QVERIFY(entry);
    QCOMPARE(entry->text(), QString("Sync to &audio..."));
    const QList<QAction*> timing = f.editor().findChild<QMenu*>("mnuTiming")->actions();
    QCOMPARE(timing.indexOf(entry), timing.indexOf(f.action("mnuTimeShift")) + 1);
    QString caption;
    f.services.modalDrivers.push_back([&caption](QDialog& d) { caption = d.windowTitle(); });
    entry->trigger();
    QCOMPARE(f.services.modalDialogs, std::vector<std::string>{"frmSync"});
    QCOMPARE(caption, QString("Sync to audio"));
    QCOMPARE(f.window->Subt.StartTime(2), 3.0);
    QVERIFY(!f.window->subtitlesChanged());
}

void SyncDialogTest::aShiftedFileIsProposedShownAndAppliedAsOneWholeFileChange_data() {
    // The titles after the cut (a title number, 0 for none) are 4 s later still.
    AddColumns<int>("cutAfter");
    QTest::newRow("one shift") << 0;
    QTest::newRow("a shift and a cut") << 20;
}

void SyncDialogTest::aShiftedFileIsProposedShownAndAppliedAsOneWholeFileChange() {
    QFETCH(int, cutAfter);
    Times titles = Moved(phrases_, Late);
    if (cutAfter > 0)
        for (std::size_t i = static_cast<std::size_t>(cutAfter); i < titles.size(); ++i)
            titles[i] = {titles[i].first + 4.0, titles[i].second + 4.0};
    Bench b(spoken_, titles);
    frmSync& d = b.open();
    QCOMPARE(d.windowTitle(), QString("Sync to audio"));
    QVERIFY(b.text("lblStatus").startsWith(QString("Reading the sound\u2026 ")));
    QVERIFY(b.settle());

    const QString proposal = b.text("lblProposal");
    const QRegularExpressionMatch shift = QRegularExpression(R"(^Shift ([-+]\d+\.\d+) s)").match(proposal);
    QVERIFY2(shift.hasMatch(), qPrintable(proposal));
    QVERIFY2(std::abs(shift.captured(1).toDouble() + Late) < 0.1, qPrintable(proposal));
    QVERIFY2(proposal.contains(QString("a cut after title %1:").arg(cutAfter)) == (cutAfter > 0), qPrintable(proposal));
    QVERIFY2(b.text("lblFit").contains(QRegularExpression(R"(^\d+% of the titles' time lies on speech)")),
             qPrintable(b.text("lblFit")));
    QVERIFY2(b.text("lblSure").startsWith("How sure: "), qPrintable(b.text("lblSure")));
    auto* apply = b.control<QPushButton>("cmdApply");
    QVERIFY(apply->isEnabled());

    // The two strips: read-only, over the same film, opened on the first
    // title after the cut (or the first title) in its old and new place.
    auto* before = b.control<WaveformStrip>("picBefore");
    auto* after = b.control<WaveformStrip>("picAfter");
    QVERIFY(before->isVisible() && after->isVisible());
    QVERIFY(before->isReadOnly() && after->isReadOnly());
    QTRY_VERIFY(before->soundDone() && after->soundDone());
    QCOMPARE(before->statusText(), QString());
    const int shown = cutAfter + 1;
    QCOMPARE(before->currentTitle(), shown);
    QCOMPARE(after->currentTitle(), shown);
    const auto inView = [&](double t) {
        return before->viewStart() <= t && t <= before->viewStart() + before->viewSpan();
    };
    QVERIFY(inView(phrases_[shown - 1].first) && inView(titles[shown - 1].first));
    QCOMPARE(after->viewStart(), before->viewStart());
    // Scrolled by either, both move.
    after->setView(30.0, 12.0);
    QCOMPARE(before->viewStart(), 30.0);
    QCOMPARE(before->viewSpan(), 12.0);

    // A drag of a title's edge offers nothing.
    QSignalSpy offered(before, &WaveformStrip::titleTimesChosen);
    before->setView(titles[1].first - 1.0, 10.0);
    const int edge = static_cast<int>(std::lround(before->xAtTime(titles[1].first)));
    const int y = before->height() / 2;
    SendMouse(before, QEvent::MouseButtonPress, {edge, y});
    SendMouse(before, QEvent::MouseMove, {edge + 40, y});
    SendMouse(before, QEvent::MouseButtonRelease, {edge + 40, y});
    QCOMPARE(offered.count(), 0);
    QVERIFY(b.times() == titles);

    // The edit Undo could take back would be lost: asked first, No keeps
    // everything as it was and the dialog open.
    const std::string question = "The sync cannot be undone, and the change Undo could take back now would be "
                                 "forgotten. Apply the sync?";
    QCOMPARE(b.Subt().UndoCount(), 1);
    b.fixture.services.answers = {MessageAnswer::No};
    apply->click();
    QCOMPARE(b.fixture.services.messages, std::vector<std::string>{question});
    QVERIFY(d.isVisible());
    QVERIFY(b.times() == titles);
    QCOMPARE(b.Subt().UndoCount(), 1);
    b.fixture.services.messages.clear();
    b.fixture.services.answers = {MessageAnswer::Yes};
    apply->click();
    QCOMPARE(b.fixture.services.messages, std::vector<std::string>{question});
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QCOMPARE(b.Subt().Count(), int(phrases_.size()));
    for (int i = 1; i <= b.Subt().Count(); ++i) {
        QVERIFY2(std::abs(b.Subt().StartTime(i) - phrases_[i - 1].first) < 0.1, qPrintable(QString::number(i)));
        QVERIFY2(std::abs(b.Subt().EndTime(i) - phrases_[i - 1].second) < 0.1, qPrintable(QString::number(i)));
        QCOMPARE(b.Subt().Text(i), "T" + std::to_string(i));
    }
    // A whole-file change: no undo step, the file changed, every row shown anew.
    QCOMPARE(b.Subt().UndoCount(), 0);
    QVERIFY(b.fixture.window->subtitlesChanged());
    QCOMPARE(b.editor->markedChanged.size(), phrases_.size());
    QCOMPARE(b.editor->listLoads, 1);
}

void SyncDialogTest::cancelLeavesTheTitlesAsTheyWereAndTheCacheAnswersNextTime() {
    const Times titles = Moved(phrases_, Late);
    Bench b(spoken_, titles);
    b.open();
    QVERIFY(b.settle());
    QVERIFY(b.control<QPushButton>("cmdApply")->isEnabled());
    b.control<QPushButton>("cmdCancel")->click();
    QCOMPARE(b.dialog->result(), int(QDialog::Rejected));
    QVERIFY(!b.dialog->isVisible());
    // Exactly as they were, the journal too.
    QVERIFY(b.times() == titles);
    QCOMPARE(b.Subt().UndoCount(), 1);
    QVERIFY(!b.fixture.window->subtitlesChanged());
    QVERIFY(b.editor->markedChanged.empty());
    QCOMPARE(b.editor->listLoads, 0);

    // The sound read once is not read again.
    b.open();
    QVERIFY2(!b.text("lblStatus").startsWith("Reading"), qPrintable(b.text("lblStatus")));
    QVERIFY(b.settle());
    QVERIFY(b.control<QPushButton>("cmdApply")->isEnabled());
}

void SyncDialogTest::aTimeBeforeTheFilmsStartIsRefusedAndNothingChanges() {
    // One more title early in the file, which the sync's shift would take
    // below 0.
    Times titles{{1.0, 2.0}};
    for (const auto& title : Moved(phrases_, Late)) titles.push_back(title);
    Bench b(spoken_, titles);
    frmSync& d = b.open();
    QVERIFY(b.settle());
    QVERIFY2(b.control<QPushButton>("cmdApply")->isEnabled(), qPrintable(b.text("lblProposal")));
    b.control<QPushButton>("cmdApply")->click();
    QCOMPARE(b.fixture.services.messages,
             std::vector<std::string>{"The sync would move title 1 before the film's start, so nothing was changed."});
    QVERIFY(d.isVisible());
    QVERIFY(b.times() == titles);
    QCOMPARE(b.Subt().UndoCount(), 1);
    QVERIFY(!b.fixture.window->subtitlesChanged());
}

void SyncDialogTest::withoutSpeechToGoByApplyStaysDisabled_data() {
    // The refusal, then the reason when there is one to give.
    AddColumns<int, QString>("film", "says");
    QTest::newRow("a silent film") << 0 << QString(R"(^No confident alignment found\.\n\S.+)");
    QTest::newRow("a film without sound")
        << 1 << QString(R"(^The film has no sound track, so there is no speech to sync to\.$)");
    QTest::newRow("a film that cannot be read") << 2 << QString(R"(^The film's sound could not be read: \S.+)");
}

void SyncDialogTest::withoutSpeechToGoByApplyStaysDisabled() {
    QFETCH(int, film);
    QFETCH(QString, says);
    const std::string films[] = {silent_, pictureOnly_, notAFilm_};
    const Times titles = Moved(phrases_, Late);
    Bench b(films[film], titles);
    frmSync& d = b.open();
    QVERIFY(b.settle());
    QVERIFY2(b.text("lblProposal").contains(QRegularExpression(says)), qPrintable(b.text("lblProposal")));
    QVERIFY(!b.control<QPushButton>("cmdApply")->isEnabled());
    QVERIFY(b.text("lblFit").isEmpty());
    // With sound to show, the titles are shown on it where they are.
    auto* before = b.control<WaveformStrip>("picBefore");
    QCOMPARE(before->isVisible(), film == 0);
    QVERIFY(!b.control<WaveformStrip>("picAfter")->isVisible());
    if (film == 0)
        QVERIFY(before->viewStart() <= titles[0].first && titles[0].first <= before->viewStart() + before->viewSpan());
    QMetaObject::invokeMethod(&d, "cmdApply_Click");
    QVERIFY(d.isVisible());
    QVERIFY(b.times() == titles);
    QCOMPARE(b.Subt().UndoCount(), 1);
    QVERIFY(!b.fixture.window->subtitlesChanged());
}

void SyncDialogTest::cancelWhileReadingOrSearchingClosesAndLeavesNothingBehind_data() {
    AddColumns<bool>("reading");
    QTest::newRow("while reading") << true;
    QTest::newRow("while searching") << false;
}

void SyncDialogTest::cancelWhileReadingOrSearchingClosesAndLeavesNothingBehind() {
    QFETCH(bool, reading);
    const std::string film = reading ? longFilm_ : spoken_;
    const Times titles = Moved(phrases_, Late);
    Bench b(film, titles);
    if (!reading) {
        // Read once, so that the next dialog starts searching at once.
        b.open();
        QVERIFY(b.settle());
    }
    frmSync& d = b.open();
    auto* bar = b.control<QProgressBar>("prgSound");
    if (reading) {
        QVERIFY(RunUntil([&] { return bar->value() > 0; }, 20000));
        QVERIFY2(b.text("lblStatus").contains(QRegularExpression(R"(^Reading the sound… \d+%$)")),
                 qPrintable(b.text("lblStatus")));
        QVERIFY(bar->value() < 100);
    } else {
        QCOMPARE(b.text("lblStatus"), QString("Looking for the best fit\u2026"));
    }
    b.control<QPushButton>("cmdCancel")->click();
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QVERIFY(!d.isVisible());
    b.dialog.reset();
    // Whatever was under way has nothing left to report to.
    QThreadPool::globalInstance()->waitForDone();
    RunFor(200);
    QVERIFY(b.times() == titles);
    QCOMPARE(b.Subt().UndoCount(), 1);
    QVERIFY(!b.fixture.window->subtitlesChanged());
    if (reading) {
        // The cancelled reading was not cached.
        audio::AudioAnalysis again;
        QCOMPARE(again.start(film, audio::AudioAnalysis::Options()), audio::AudioAnalysis::Started::Decoding);
    }
}

QTEST_MAIN(SyncDialogTest)
#include "sync_dialog_test.moc"
