#pragma once
// The main window: the media player, the two file names, the subtitle
// display, timing with the action key, and the program-wide state that the
// other windows reach through it.

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/calibration/calibration_run.h"
#include "app/calibration/reaction_time.h"
#include "app/main_window/editor_link.h"
#include "app/player/media_player.h"
#include "app/desktop/window_services.h"
#include "session/records.h"
#include "subtitles/store.h"
#include "subtitles/subtitle_files.h"

class QAction;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;

namespace cuemark {

class KeyvaneSettings;
class PictureBox;
class SessionKeeper;
class UpDown;
class WaveformStrip;

namespace testing {
class MainWindowFixture;
}

class frmCuemark : public QWidget, public MediaPlayerListener, public StoreListener {
    Q_OBJECT
public:
    // The window embeds the player's view and so owns the player.
    frmCuemark(MediaPlayer* player, WindowServices& services, KeyvaneSettings& settings, QWidget* parent = nullptr);
    ~frmCuemark() override;

    // Public variables other windows read and write.
    SUBTITLES Subt;
    std::int16_t ActionKey = 32;
    bool AVIFileOK = false;
    double FirstRefTime = 0.0;
    double SecondRefTime = 0.0;
    // Shows the two reference times in the blue and green buttons' tips, so
    // that Adjust never uses times the user has not seen.
    void ShowReferenceTimes();

    // Program-wide values.
    bool subtitlesChanged() const { return subtitlesChanged_; }
    void setSubtitlesChanged(bool changed) { subtitlesChanged_ = changed; }
    double FrameRate() const { return files_.FrameRate; }
    // The name the file dialogs start from (the command line's files).
    void setDialogFileName(const std::string& fileName) { dialogFileName_ = fileName; }
    MediaPlayer& MP() { return *player_; }
    // The user's film when one is loaded; "" otherwise, and while the
    // calibration clip stands in for it.
    std::string filmPath() const;
    WindowServices& services() { return services_; }
    KeyvaneSettings& settings() { return settings_; }

    // The editor window: opened by cmdEdit through the factory, which
    // returns the open editor; it reports its closing with EditorClosed.
    std::function<EditorLink*(frmCuemark&)> editorFactory;
    // The adjust button's stretch by the two reference times, run when
    // they are in order.
    std::function<void(frmCuemark&)> adjustByReferences;
    bool editorOpen() const { return editor_ != nullptr; }
    EditorLink* editor() const { return editor_; }
    void EditorOpened(EditorLink* editor);
    void EditorClosed();
    // The editor's current row moved: the waveform highlights its title.
    void EditorRowChanged(std::int32_t row);

    // Reads the file into the store; the titles then count as unchanged.
    void LoadSubtitles(const std::string& fileName);
    // Asks for a name and saves; true when written (the titles then count
    // as unchanged).
    bool SaveSubtitles();
    // The session journal told of loads, saves and the film; none in tests
    // that do not want one.
    void setSessionKeeper(SessionKeeper* keeper) { sessionKeeper_ = keeper; }
    // Shows titles recovered from a crashed run as that run left them: the
    // file's name without reading the file, changed and unsaved.
    void ShowRecoveredTitles(const session::SessionDetails& details);
    // Opens files as the browse dialogs would have (command-line arguments).
    void OpenMediaFile(const std::string& fileName);
    void OpenSubtitleFile(const std::string& fileName);

    // The store's events.
    void UndoPossible(bool Status) override;
    void UndoChangedListLength() override;
    // The player's notifications.
    void PlayStateChange(int OldState, int NewState) override;
    void PositionChange(double oldPosition, double newPosition) override;
    void PlayerGotFocus() override;

    // Key handling as the window sees keys before its controls; keyCode is
    // a virtual-key code, shift 1 Shift, 2 Control, 4 Alt.
    void Form_KeyDown(std::int16_t keyCode, int shift);
    void Form_KeyUp(std::int16_t keyCode, int shift);
    // Sets keyAscii to 0 to discard the character.
    void Form_KeyPress(int& keyAscii);

    void ShowTitlesAt(double position);
    void Form_Resize();

    // Reaction-time compensation: the lags taken off the key's times, and
    // whether they are.
    ReactionLags reactionLags() const { return lags_; }
    bool compensating() const { return compensate_; }
    bool calibrating() const { return calibration_ != nullptr; }

public slots:
    void Timer1_Timer();
    void tmrPosButtons_Timer();
    void tmrUDTime_Timer();
    void cmdBrowseAVI_Click();
    void cmdBrowseSRT_Click();
    void cmdSave_Click();
    void cmdEdit_Click();
    void cmdExit_Click();
    void cmdSelStart_Click();
    void cmdSelEnd_Click();
    void cmdBlue_Click();
    void cmdGreen_Click();
    void cmdAdjust_Click();
    void txtKey_Click();
    void UDTime_DownClick();
    void UDTime_UpClick();
    void UDTime_MouseDown(int button, int shift, double x, double y);
    void UDTime_MouseUp(int button, int shift, double x, double y);
    void picButtons_MouseDown(int button, int shift, double x, double y);
    void picButtons_MouseMove(int button, int shift, double x, double y);
    void picButtons_MouseUp(int button, int shift, double x, double y);
    // The player's options menu: a calibration through the action key, and
    // compensation on or off.
    void mnuCalibrate_Click();
    void mnuCompensate_Click();
    // The player's options menu: the waveform strip shown or hidden.
    void mnuWaveform_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // The tests read the state that no control shows.
    friend class testing::MainWindowFixture;

    void buildControls();
    void buildLeftPanel();
    void buildRightPanel();
    void layOutLeftPanel(QGridLayout* grid);
    void layOutRightPanel(QGridLayout* grid);
    void connectControls();
    void Form_Load();
    bool Form_QueryUnload();
    void writeSettings();
    void placePlayerAndStrip();
    // The player's height less the waveform's when it shows.
    int playerHeight() const;
    void buildWaveform();
    void readWaveSettings();
    // Shows the waveform when it is wanted and there is media, and lays out.
    void showWaveform();
    // The strip's and the player's places; part of every layout.
    void layOutWaveform();
    int waveHeight() const;
    void waveTimesChosen(std::int32_t title, double start, double end);
    void waveTitleChosen(std::int32_t title);
    void setWaveHeight(int pixels);
    // The waveform highlights the title the display and the key are at.
    void showWaveTitle();
    void txtAVI_Change();
    void txtSRT_Change();
    void txtTime_Change();
    void refreshMediaControls();
    void refreshReferenceButtons();
    void showStripPicture(int picture);
    void showSelection();
    void showTitleBoxes(std::int32_t first);
    void showNewTitles();
    bool askSaveFirst();
    // What the session journal keeps besides the titles.
    session::SessionDetails sessionDetails() const;
    bool positioningMode() const;
    void seek(double position);
    // The titles the action key times: the calibration's while one runs.
    SUBTITLES& timedTitles() { return calibration_ ? calibration_->titles : Subt; }
    // The media time at which the key event being handled happened.
    double keyEventPosition();
    void showCompensation();
    void finishCalibration();
    // The user's film as it stood before a calibration: name, selection, place.
    void restoreFilm(const CalibrationRun& run);

    MediaPlayer* player_;
    WindowServices& services_;
    KeyvaneSettings& settings_;
    SubtitleFiles files_;
    // The titles differ from their file.
    bool subtitlesChanged_ = false;
    // The file dialogs' name from their last use.
    std::string dialogFileName_;
    EditorLink* editor_ = nullptr;
    SessionKeeper* sessionKeeper_ = nullptr;

    // Controls, named as their object names.
    QWidget* PB = nullptr;
    QWidget* PB2 = nullptr;
    PictureBox* picButtons = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* tmrPosButtons = nullptr;
    QTimer* tmrUDTime = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* txtAVI = nullptr;
    QPushButton* cmdBrowseAVI = nullptr;
    QLineEdit* txtSRT = nullptr;
    QPushButton* cmdBrowseSRT = nullptr;
    QRadioButton* optShow = nullptr;
    QRadioButton* optPosition = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdEdit = nullptr;
    QPushButton* cmdExit = nullptr;
    QLineEdit* txtTime = nullptr;
    UpDown* UDTime = nullptr;
    QPlainTextEdit* txtSubtitle = nullptr;
    QPlainTextEdit* txtNextSubtitle = nullptr;
    QLineEdit* txtKey = nullptr;
    QPushButton* cmdSelStart = nullptr;
    QLineEdit* txtSelStart = nullptr;
    QPushButton* cmdSelEnd = nullptr;
    QLineEdit* txtSelEnd = nullptr;
    QToolButton* cmdBlue = nullptr;
    QToolButton* cmdGreen = nullptr;
    QToolButton* cmdAdjust = nullptr;

    // Private state of playback and timing.
    std::int32_t CurrentTitle = 0;
    bool PlayerActive = false;
    double PressTime = 0.0;
    double ReleaseTime = 0.0;
    bool ActionKeyHeld = false;
    // The title the held key times, taken at the press: a pause, a seek or
    // the view-mode display moving on while the key is down keeps it.
    std::int32_t heldTitle_ = 0;
    // The key has timed a title since the last seek or play-state change: in
    // view mode the display then waits for the key instead of running ahead.
    bool timingInOrder_ = false;
    bool TitleShown = false;
    double ShownStart = 0.0;
    double ShownEnd = 0.0;
    bool UpdatingTime = false;
    bool RepeatStarted = false;
    std::int16_t RepeatDirection = 0;
    std::int16_t RepeatTicks = 0;
    double RepeatStep = 0.0;
    std::int16_t HoverButton = 0;
    double StripLeftOffset = 0.0;
    double StripBottomOffset = 0.0;
    bool stripInTransport_ = false;
    // When the key event in hand happened, as the window system stamped it.
    std::optional<std::uint64_t> keyEventStamp_;
    KeyEventClock keyClock_;
    // No key event is stamped before the last seek or start of play.
    double stampFloor_ = 0.0;
    ReactionLags lags_;
    bool compensate_ = false;
    QAction* mnuCalibrate = nullptr;
    QAction* mnuCompensate = nullptr;
    std::string calibrationFolder_;
    std::unique_ptr<CalibrationRun> calibration_;
    bool loaded_ = false;
    WaveformStrip* picWave = nullptr;
    QAction* mnuWaveform = nullptr;
    bool waveShown_ = true;
    // As the user last set it, in twips; the shown height may be less.
    int waveHeightTwips_ = 0;
};

} // namespace cuemark
