// The waveform strip in the main window: between the player and the two
// panels, the window's full width, shown while there is media unless the
// user hid it; hidden, the window is laid out as it always was.
#include <QAction>
#include <algorithm>

#include "app/desktop/keyvane_settings.h"
#include "app/desktop/twips.h"
#include "app/main_window/frm_cuemark.h"
#include "app/waveform/waveform_strip.h"

namespace cuemark {

namespace {

constexpr int DefaultWaveTwips = 1200;
constexpr int MinWavePixels = 40;

} // namespace

void frmCuemark::buildWaveform() {
    picWave = new WaveformStrip(Subt, this);
    picWave->setObjectName(QStringLiteral("picWave"));
    picWave->setToolTip(QStringLiteral(
        "Drag a title's edge to re-time it (Shift: no snapping to speech); Ctrl+wheel zooms; a click seeks"));
    picWave->hide();
    picWave->setPositionSource([this] { return player_->CurrentPosition(); });
    connect(picWave, &WaveformStrip::seekRequested, this, [this](double seconds) {
        if (AVIFileOK) seek(seconds);
    });
    connect(picWave, &WaveformStrip::titleTimesChosen, this, &frmCuemark::waveTimesChosen);
    connect(picWave, &WaveformStrip::titleChosen, this, &frmCuemark::waveTitleChosen);
    connect(picWave, &WaveformStrip::heightRequested, this, &frmCuemark::setWaveHeight);

    mnuWaveform = new QAction(QStringLiteral("Waveform"), this);
    mnuWaveform->setObjectName(QStringLiteral("mnuWaveform"));
    mnuWaveform->setCheckable(true);
    mnuWaveform->setChecked(true);
    connect(mnuWaveform, &QAction::triggered, this, &frmCuemark::mnuWaveform_Click);
    player_->addOption(mnuWaveform);
}

void frmCuemark::readWaveSettings() {
    waveShown_ = settings_.GetDword("WaveShown", 1) != 0;
    waveHeightTwips_ = settings_.GetDword("WaveHeight", DefaultWaveTwips);
    if (waveHeightTwips_ <= 0) waveHeightTwips_ = DefaultWaveTwips;
    mnuWaveform->setChecked(waveShown_);
}

void frmCuemark::mnuWaveform_Click() {
    waveShown_ = mnuWaveform->isChecked();
    showWaveform();
}

int frmCuemark::waveHeight() const {
    if (picWave->isHidden()) return 0;
    // The player keeps at least a third of its room.
    const int room = PB->y();
    const int wanted = std::max(MinWavePixels, TwipsToPixels(waveHeightTwips_, this));
    return std::max(0, std::min(wanted, room * 2 / 3));
}

int frmCuemark::playerHeight() const {
    return PB->y() - waveHeight();
}

void frmCuemark::showWaveform() {
    picWave->setVisible(waveShown_ && AVIFileOK && !calibration_);
    if (loaded_) Form_Resize();
}

void frmCuemark::layOutWaveform() {
    const int height = waveHeight();
    picWave->setGeometry(0, PB->y() - height, this->width(), height);
    player_->view()->setGeometry(0, 0, this->width(), playerHeight());
}

void frmCuemark::setWaveHeight(int pixels) {
    // Kept as shown: a drag past the player's share does not store more.
    const int shown = std::clamp(pixels, MinWavePixels, std::max(MinWavePixels, PB->y() * 2 / 3));
    waveHeightTwips_ = WholeTwips(shown, this);
    showWaveform();
}

void frmCuemark::waveTimesChosen(std::int32_t title, double start, double end) {
    if (title < 1 || title > Subt.Count()) return;
    Subt.SetTimes(title, start, end);
    subtitlesChanged_ = true;
    if (editor_) editor_->RefreshRow(title);
}

void frmCuemark::waveTitleChosen(std::int32_t title) {
    if (!editor_ || title < 1 || title > editor_->RowCount()) return;
    editor_->SelectOnlyRow(title);
    editor_->MakeRowVisible(title);
}

void frmCuemark::showWaveTitle() {
    if (picWave && !calibration_) picWave->setCurrentTitle(CurrentTitle);
}

void frmCuemark::EditorRowChanged(std::int32_t row) {
    if (picWave && row > 0) picWave->setCurrentTitle(row);
}

} // namespace cuemark
