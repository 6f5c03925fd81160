// Reaction time: the calibration, played in the window's own player and timed
// with the action key on a store of its own, and the compensation switch.
#include <QAction>
#include <QPlainTextEdit>
#include <QTimer>

#include "app/calibration/calibration_clip.h"
#include "app/calibration/frm_reaction_time.h"
#include "app/main_window/frm_cuemark.h"

namespace cuemark {

void frmCuemark::showCompensation() {
    mnuCompensate->setText(QStringLiteral("Compensate reaction time (press %1 ms, release %2 ms)")
                               .arg(lags_.pressMs)
                               .arg(lags_.releaseMs));
    mnuCompensate->setChecked(compensate_);
}

void frmCuemark::mnuCompensate_Click() {
    compensate_ = mnuCompensate->isChecked();
}

void frmCuemark::mnuCalibrate_Click() {
    if (calibration_) return;
    auto run = std::make_unique<CalibrationRun>();
    CalibrationClip clip;
    std::string why;
    if (!findCalibrationClip(calibrationFolder_, clip, why) ||
        !loadCalibrationSchedule(clip.schedule, run->titles, why)) {
        services_.MessageBox("The calibration clip can not be used:\r\n" + why, MessageButtons::OK,
                             MessageIcon::Exclamation);
        return;
    }
    run->cues = cuesOf(run->titles);
    run->media = player_->FileName();
    run->position = player_->CurrentPosition();
    run->selectionStart = player_->SelectionStart();
    run->selectionEnd = player_->SelectionEnd();
    // A hold of the user's film ends here, storing nothing.
    ActionKeyHeld = false;
    if (player_->PlayState() == psPlaying) player_->Pause();

    player_->setFileName(clip.media);
    if (player_->ReadyState() == 0) {
        restoreFilm(*run);
        services_.MessageBox("The calibration clip can not be played:\r\n" + clip.media, MessageButtons::OK,
                             MessageIcon::Exclamation);
        return;
    }
    calibration_ = std::move(run);
    // The strip shows the user's film, not the clip.
    showWaveform();
    ShowTitlesAt(0.0);
    setFocus(Qt::OtherFocusReason);
    player_->Play();
}

void frmCuemark::restoreFilm(const CalibrationRun& run) {
    player_->setFileName(run.media);
    if (player_->ReadyState() != 0) {
        player_->setSelectionStart(run.selectionStart);
        player_->setSelectionEnd(run.selectionEnd);
        if (run.position > 0) seek(run.position);
    }
    showSelection();
}

void frmCuemark::finishCalibration() {
    if (!calibration_) return;
    // Out of the window first: the player's notifications while the user's
    // film comes back are the film's.
    const std::unique_ptr<CalibrationRun> run = std::move(calibration_);
    ActionKeyHeld = false;
    const LagEstimate estimate = estimateLags(run->cues, run->holds);

    restoreFilm(*run);
    showWaveform();
    // The cues leave the boxes; the user's titles come back with the next
    // play or seek, as after opening a film.
    ShowTitlesAt(player_->CurrentPosition());
    txtSubtitle->clear();
    txtNextSubtitle->clear();

    frmReactionTime dialog(estimate, this);
    services_.RunModal(dialog);
    switch (dialog.choice()) {
    case frmReactionTime::Choice::Use:
        lags_ = dialog.lags();
        compensate_ = true;
        showCompensation();
        break;
    case frmReactionTime::Choice::RunAgain: mnuCalibrate_Click(); break;
    case frmReactionTime::Choice::Cancel: break;
    }
}

} // namespace cuemark
