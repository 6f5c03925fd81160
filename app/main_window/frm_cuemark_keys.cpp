// Timing with the action key, the position buttons over the player, the key
// picker and the reference-time buttons.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>

#include "app/main_window/frm_cuemark.h"
#include "app/dialogs/frm_pick_key.h"
#include "app/desktop/mouse_masks.h"
#include "app/widgets/picture_box.h"
#include "app/player/strip_pictures.h"
#include "app/desktop/virtual_keys.h"
#include "subtitles/time_text.h"

namespace cuemark {

namespace {

bool takesTyping(const QWidget* widget) {
    if (const auto* line = qobject_cast<const QLineEdit*>(widget)) return !line->isReadOnly();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) return !plain->isReadOnly();
    if (const auto* rich = qobject_cast<const QTextEdit*>(widget)) return !rich->isReadOnly();
    return qobject_cast<const QAbstractSpinBox*>(widget) != nullptr;
}

} // namespace

bool frmCuemark::eventFilter(QObject* watched, QEvent* event) {
    if (watched == txtKey && event->type() == QEvent::MouseButtonRelease) {
        txtKey_Click();
        return true;
    }
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) return false;
    // The application delivers one key event to the window handle and then
    // to each widget on the way up: take it once, at the first widget.
    if (!watched->isWidgetType() || static_cast<QWidget*>(watched)->window() != this) return false;
    if (!isActiveWindow()) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const std::int16_t keyCode = VirtualKeyOf(*key);
    const int shift = ShiftMask(key->modifiers());
    // Away from playback the user may be typing a name or a time with the
    // action key in it: a text box with the focus takes it then. A hold
    // already running still ends with its own release.
    if (keyCode == ActionKey && !ActionKeyHeld && player_->PlayState() != psPlaying &&
        takesTyping(QApplication::focusWidget()))
        return false;
    // Auto-repeat sends release and press pairs while a key is held; the
    // key went down once and comes up once.
    if (key->isAutoRepeat()) return keyCode == ActionKey || player_->PlayState() == psPlaying;

    // The handlers stamp the key with the moment it moved, not this one.
    keyEventStamp_ = key->timestamp();
    if (event->type() == QEvent::KeyPress) {
        const bool held = ActionKeyHeld;
        Form_KeyDown(keyCode, shift);
        keyEventStamp_.reset();
        const int typed = key->text().isEmpty() ? 0 : key->text().at(0).unicode();
        int keyAscii = typed;
        Form_KeyPress(keyAscii);
        // A press that timed a title does not also type or click.
        return (typed != 0 && keyAscii == 0) || (ActionKeyHeld && !held);
    }
    const bool acts = keyCode == ActionKey && ActionKeyHeld;
    Form_KeyUp(keyCode, shift);
    keyEventStamp_.reset();
    return acts;
}

void frmCuemark::Form_KeyDown(std::int16_t keyCode, int /*shift*/) {
    if (keyCode != ActionKey || ActionKeyHeld || !PlayerActive) return;
    PressTime = keyEventPosition();
    // With no title to time (none loaded, or past the last) the press
    // changes nothing; a calibration never changes the user's titles.
    if (!calibration_ && CurrentTitle >= 1 && CurrentTitle <= Subt.Count()) subtitlesChanged_ = true;
    ActionKeyHeld = true;
    heldTitle_ = CurrentTitle;
}

void frmCuemark::Form_KeyUp(std::int16_t keyCode, int /*shift*/) {
    // Only a held press is timed: a press that was refused, or dropped when
    // playback stopped or the window lost the focus, has no start to store.
    if (keyCode != ActionKey || !PlayerActive || !ActionKeyHeld) return;
    ActionKeyHeld = false;
    ReleaseTime = keyEventPosition();
    // A seek back under the held key would give a start after the end.
    if (ReleaseTime < PressTime) return;
    SUBTITLES& titles = timedTitles();
    if (calibration_) {
        // Measured as the key gave them: the lags are what is sought.
        calibration_->holds.push_back({PressTime, ReleaseTime});
        titles.SetTimes(heldTitle_, PressTime, ReleaseTime);
    } else if (compensate_) {
        const double oldDuration = titles.EndTime(heldTitle_) - titles.StartTime(heldTitle_);
        const TitleTimes times = compensatedTimes(PressTime, ReleaseTime, lags_, oldDuration);
        titles.SetTimes(heldTitle_, times.start, times.end);
    } else {
        titles.SetTimes(heldTitle_, PressTime, ReleaseTime);
    }
    // Past the last title the number keeps growing and the boxes stay
    // empty; it wraps only after two thousand million releases.
    CurrentTitle = heldTitle_ < INT32_MAX - 1 ? heldTitle_ + 1 : heldTitle_;
    showWaveTitle();
    showTitleBoxes(CurrentTitle);
    timingInOrder_ = true;
    if (!positioningMode()) {
        // The display follows the key, not the old end of the timed title.
        ShownStart = titles.StartTime(CurrentTitle);
        ShownEnd = titles.EndTime(CurrentTitle);
        TitleShown = false;
    }
}

double frmCuemark::keyEventPosition() {
    const double position = player_->CurrentPosition();
    const double now = monotonicMs();
    // Called without an event (or with one the window system did not stamp),
    // the key moved now.
    const std::uint64_t stamp = keyEventStamp_.value_or(0);
    return keyClock_.mediaTimeAt(stamp, now, position, player_->PlaybackRate(), stampFloor_,
                                 player_->PlayState() == psPlaying);
}

void frmCuemark::changeEvent(QEvent* event) {
    // The key comes up in whichever window has the focus by then: a hold left
    // behind would refuse the next press and time a title from a stale start.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) ActionKeyHeld = false;
    QWidget::changeEvent(event);
}

void frmCuemark::Form_KeyPress(int& keyAscii) {
    if (player_->PlayState() == psPlaying) keyAscii = 0;
}

void frmCuemark::picButtons_MouseMove(int button, int /*shift*/, double x, double y) {
    if (!picButtons->isEnabled()) {
        HoverButton = 0;
        showStripPicture(1);
        return;
    }
    if (!(y > StripButtonTwipsTop && y < StripButtonTwipsBottom)) {
        HoverButton = 0;
        showStripPicture(2);
        return;
    }
    HoverButton = 0;
    for (int i = 0; i < 4; ++i)
        if (x >= StripButtonAreas[i].left && x <= StripButtonAreas[i].right)
            HoverButton = static_cast<std::int16_t>(i + 1);
    int picture = HoverButton > 0 ? HoverButton + 2 : 2;
    if (button != 0 && picture > 2) picture += 4;
    showStripPicture(picture);
}

void frmCuemark::picButtons_MouseDown(int, int, double, double) {
    if (!picButtons->isEnabled() || HoverButton <= 0) return;
    showStripPicture(HoverButton + 6);
    tmrPosButtons->start(750);
}

void frmCuemark::picButtons_MouseUp(int, int, double, double) {
    tmrPosButtons->stop();
    const double position = player_->CurrentPosition();
    switch (HoverButton) {
    case 1: {
        const double start = player_->SelectionStart();
        seek(start >= 0 ? start : 0.0);
        break;
    }
    case 2: seek(position - MinDouble(position - player_->SelectionStart(), 0.5)); break;
    case 3: seek(position + MinDouble(player_->SelectionEnd() - position, 0.5)); break;
    case 4: seek(player_->SelectionEnd()); break;
    default: break;
    }
}

void frmCuemark::tmrPosButtons_Timer() {
    picButtons_MouseUp(0, 0, 0, 0);
    tmrPosButtons->start(250);
}

void frmCuemark::txtKey_Click() {
    frmPickKey picker(this, txtKey);
    picker.exec();
    if (const std::optional<std::int16_t> code = picker.pickedKey()) {
        txtKey->setText(QString::fromStdString(KeyName(*code)));
        ActionKey = *code;
    }
    activateWindow();
    setFocus(Qt::OtherFocusReason);
}

void frmCuemark::cmdBlue_Click() {
    FirstRefTime = player_->CurrentPosition();
    ShowReferenceTimes();
}

void frmCuemark::cmdGreen_Click() {
    SecondRefTime = player_->CurrentPosition();
    ShowReferenceTimes();
}

void frmCuemark::ShowReferenceTimes() {
    cmdBlue->setToolTip(
        QStringLiteral("First reference time: %1").arg(QString::fromStdString(TimeToText(FirstRefTime))));
    cmdGreen->setToolTip(
        QStringLiteral("Second reference time: %1").arg(QString::fromStdString(TimeToText(SecondRefTime))));
}

void frmCuemark::cmdAdjust_Click() {
    if (!(FirstRefTime < SecondRefTime)) {
        services_.MessageBox("Title times have been set to an illegal order.", MessageButtons::OK, MessageIcon::None);
        return;
    }
    if (adjustByReferences) adjustByReferences(*this);
}

} // namespace cuemark
