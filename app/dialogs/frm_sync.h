#pragma once
// "Sync to audio": reads the film's sound (at once when the cache holds it),
// has the aligner look for the map that puts the titles on its speech, shows
// that map with the titles before and after it over the sound, and re-times
// every title by it.
//
// The reading and the search run off the GUI thread; the dialog looks at
// them on a timer and they never call into it, so it can close at any time.

#include <QDialog>
#include <memory>
#include <string>

#include "audio/align.h"
#include "subtitles/store.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QScrollBar;
class QTimer;

namespace cuemark {

namespace audio {
class AudioAnalysis;
}
class EditorWindow;
class WaveformStrip;

namespace refusals {
inline constexpr const char* NoFilm = "Sync to audio needs a film: open one in the main window first.";
inline constexpr const char* NoTitles = "Sync to audio needs titles: this file has none.";
inline constexpr const char* NotFound = "No confident alignment found.";
} // namespace refusals

class frmSync : public QDialog {
    Q_OBJECT
public:
    explicit frmSync(EditorWindow& editor, QWidget* parent = nullptr);
    ~frmSync() override;

    // The reading stops the moment the dialog closes, however it closes.
    void done(int result) override;

public slots:
    void cmdApply_Click();
    void cmdCancel_Click();

private:
    // What the search thread fills; it holds its own share, so a dialog
    // closed meanwhile simply drops the result.
    struct Search;

    void buildControls();
    void startReading();
    void tick();
    void readingDone();
    void startSearch(std::vector<audio::Span> speech);
    void showProposal(const audio::SyncProposal& proposal);
    void showRefusal(const QString& text);
    void openStrips(double filmSeconds);
    // Both strips and the bar show `start` onwards for `span` seconds.
    void showView(double start, double span);

    EditorWindow& editor_;
    std::string film_;
    std::unique_ptr<audio::AudioAnalysis> analysis_;
    std::shared_ptr<Search> search_;
    audio::SyncProposal proposal_;
    // The titles as the proposal times them: what picAfter shows and Apply
    // writes.
    SUBTITLES mapped_;
    double filmSeconds_ = 0.0;

    QTimer* timer_ = nullptr;
    QLabel* lblStatus = nullptr;
    QProgressBar* prgSound = nullptr;
    QLabel* lblProposal = nullptr;
    QLabel* lblFit = nullptr;
    QLabel* lblSure = nullptr;
    QLabel* lblBefore = nullptr;
    WaveformStrip* picBefore = nullptr;
    QLabel* lblAfter = nullptr;
    WaveformStrip* picAfter = nullptr;
    QScrollBar* hsbView = nullptr;
    QPushButton* cmdApply = nullptr;
    QPushButton* cmdCancel = nullptr;
};

// The editor's Timing > Sync to audio: says why not when there is no film or
// no title, and otherwise shows the dialog modally.
void SyncToAudio(EditorWindow& editor);

} // namespace cuemark
