// Playback and the subtitle display: the player's notifications, the
// display timer, the time box with its up-down arrows and the selection.
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>

#include "app/main_window/frm_cuemark.h"
#include "app/waveform/waveform_strip.h"
#include "app/desktop/twips.h"
#include "app/widgets/time_box.h"
#include "app/widgets/up_down.h"
#include "subtitles/time_text.h"

namespace cuemark {

namespace {

QString BoxText(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return shown;
}

void SetBox(QPlainTextEdit* box, const std::string& text) {
    const QString shown = BoxText(text);
    if (box->toPlainText() != shown) box->setPlainText(shown);
}

} // namespace

bool frmCuemark::positioningMode() const {
    // A calibration shows each cue ahead, as when timing a film.
    return calibration_ || optPosition->isChecked();
}

void frmCuemark::seek(double position) {
    player_->setCurrentPosition(position);
}

void frmCuemark::showTitleBoxes(std::int32_t first) {
    SetBox(txtSubtitle, timedTitles().Text(first));
    SetBox(txtNextSubtitle, timedTitles().Text(first + 1));
}

void frmCuemark::ShowTitlesAt(double position) {
    CurrentTitle = timedTitles().Locate(position);
    if (CurrentTitle == 0) CurrentTitle = 1;
    showWaveTitle();
    if (!ActionKeyHeld) timingInOrder_ = false;
    if (positioningMode()) {
        showTitleBoxes(CurrentTitle);
    } else {
        ShownStart = Subt.StartTime(CurrentTitle);
        ShownEnd = Subt.EndTime(CurrentTitle);
        TitleShown = false;
    }
}

void frmCuemark::PlayerGotFocus() {
    // Keys must reach the window's own handling, not the player.
    setFocus(Qt::OtherFocusReason);
}

void frmCuemark::PlayStateChange(int /*OldState*/, int NewState) {
    PlayerActive = NewState != psStopped;
    if (NewState == psPlaying) stampFloor_ = player_->CurrentPosition();
    if (calibration_) {
        // The clip ran out or the user stopped it: the run ends, once the
        // player has finished telling of the change.
        if (NewState == psPlaying)
            calibration_->started = true;
        else if (calibration_->started)
            QTimer::singleShot(0, this, &frmCuemark::finishCalibration);
    }
    // A stopped player takes no release (the media may have ended under the
    // held key): the hold ends here and stores nothing.
    if (NewState == psStopped) ActionKeyHeld = false;
    PB->setEnabled(NewState != psPlaying);
    picWave->setPlaying(NewState == psPlaying);
    picWave->setPlayPosition(player_->CurrentPosition());
    ShowTitlesAt(player_->CurrentPosition());
    if (NewState == psPlaying)
        Timer1->start();
    else
        Timer1->stop();
    if (player_->SelectionStart() > 0) showSelection();
    if (NewState == psStopped) {
        txtNextSubtitle->clear();
        txtSubtitle->clear();
    }
}

void frmCuemark::PositionChange(double /*oldPosition*/, double newPosition) {
    stampFloor_ = newPosition;
    if (TitleShown) {
        TitleShown = false;
        txtSubtitle->clear();
    }
    picWave->setPlayPosition(newPosition);
    UpdatingTime = true;
    if (focusWidget() != txtTime) txtTime->setText(QString::fromStdString(TimeBoxText(newPosition)));
    UpdatingTime = false;
    if (PlayerActive) ShowTitlesAt(newPosition);
}

void frmCuemark::Timer1_Timer() {
    const double p = player_->CurrentPosition();
    if (focusWidget() != txtTime) {
        // Written only when it changes: the box is not a seek while playing,
        // but an unchanged text should not cost a repaint.
        const QString text = QString::fromStdString(TimeBoxText(p));
        if (txtTime->text() != text) {
            UpdatingTime = true;
            txtTime->setText(text);
            UpdatingTime = false;
        }
    }
    if (positioningMode()) return;
    if (TitleShown) {
        if (p < ShownEnd) return;
        TitleShown = false;
        txtSubtitle->clear();
        if (ActionKeyHeld || timingInOrder_) {
            // The key times the titles one after another; the next one waits
            // for it rather than passing by at its old times.
            ShownStart = -1;
            return;
        }
        ++CurrentTitle;
        showWaveTitle();
        if (editor_) {
            if (editor_->SelectedRow() > 0 && CurrentTitle <= Subt.Count()) editor_->SelectOnlyRow(CurrentTitle);
            if (CurrentTitle > 3) editor_->MakeRowVisible(MinLong(CurrentTitle + 3, editor_->RowCount()));
        }
        ShownStart = Subt.StartTime(CurrentTitle);
        ShownEnd = Subt.EndTime(CurrentTitle);
    } else if (ShownStart >= 0 && ShownStart <= p) {
        TitleShown = true;
        SetBox(txtSubtitle, Subt.Text(CurrentTitle));
    }
}

void frmCuemark::txtTime_Change() {
    const int state = player_->PlayState();
    if ((state == psPaused && !UpdatingTime) || state == psStopped) seek(TextToTime(txtTime->text().toStdString()));
}

void frmCuemark::UDTime_DownClick() {
    if (player_->PlayState() == psPlaying) return;
    if (RepeatStarted) {
        RepeatStarted = false;
        return;
    }
    const double t = player_->CurrentPosition() - 20;
    if (player_->SelectionStart() < t) seek(t);
}

void frmCuemark::UDTime_UpClick() {
    if (RepeatStarted) {
        RepeatStarted = false;
        return;
    }
    const double t = player_->CurrentPosition() + 20;
    if (player_->SelectionEnd() > t) seek(t);
}

void frmCuemark::UDTime_MouseDown(int /*button*/, int /*shift*/, double /*x*/, double y) {
    const double middle = PixelsToTwips(UDTime->height(), UDTime) / 2;
    RepeatDirection = static_cast<std::int16_t>(middle > y ? 1 : (middle < y ? -1 : 0));
    // A repeat released off the arrow brings no click to clear the flag;
    // without this the next quick click would be swallowed.
    RepeatStarted = false;
    tmrUDTime->start(300);
    RepeatStep = 0.1;
    RepeatTicks = 0;
}

void frmCuemark::UDTime_MouseUp(int, int, double, double) {
    tmrUDTime->stop();
}

void frmCuemark::tmrUDTime_Timer() {
    tmrUDTime->setInterval(200);
    RepeatStarted = true;
    const double t = player_->CurrentPosition() + RepeatDirection * RepeatStep;
    if (player_->SelectionStart() <= t && t <= player_->SelectionEnd()) seek(t);
    ++RepeatTicks;
    switch (RepeatTicks) {
    case 5: RepeatStep = 0.5; break;
    case 14: RepeatStep = 1; break;
    case 25: RepeatStep = 2; break;
    case 32: RepeatStep = 5; break;
    default: break;
    }
}

void frmCuemark::showSelection() {
    // Without media the selection means nothing, and a start below 0 is the
    // player's "no start": such a box stays empty rather than show a time.
    const bool media = player_->ReadyState() != 0;
    const double start = player_->SelectionStart();
    txtSelStart->setText(media && start >= 0 ? QString::fromStdString(TimeBoxText(start)) : QString());
    txtSelEnd->setText(media ? QString::fromStdString(TimeBoxText(player_->SelectionEnd())) : QString());
}

void frmCuemark::cmdSelStart_Click() {
    player_->setSelectionStart(player_->CurrentPosition());
    showSelection();
}

void frmCuemark::cmdSelEnd_Click() {
    player_->setSelectionEnd(player_->CurrentPosition());
    showSelection();
}

} // namespace cuemark
