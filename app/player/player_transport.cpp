#include "app/player/player_transport.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <vector>

namespace cuemark {

namespace {

constexpr double kRates[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0};
constexpr int kVolumePercents[] = {25, 50, 75, 100};

QToolButton* makeButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon, const QString& tip) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    // Clicks may take the focus; the main window is told and takes it back.
    button->setFocusPolicy(Qt::ClickFocus);
    return button;
}

bool sameValue(double a, double b) {
    return std::abs(a - b) < 1e-6;
}

struct Choice {
    QString text;
    QString name;
    double value;
};

// A submenu of checkable values, at most one of them checked: a value set
// from code that has no entry can uncheck all. Each action carries its value.
QActionGroup* addChoices(QMenu* menu, const QString& title, const char* name, const std::vector<Choice>& choices) {
    QMenu* submenu = menu->addMenu(title);
    submenu->setObjectName(QString::fromLatin1(name));
    auto* group = new QActionGroup(menu);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const Choice& choice : choices) {
        QAction* action = submenu->addAction(choice.text);
        action->setObjectName(choice.name);
        action->setCheckable(true);
        action->setData(choice.value);
        group->addAction(action);
    }
    return group;
}

void checkValue(QActionGroup* group, double value) {
    for (QAction* action : group->actions()) action->setChecked(sameValue(action->data().toDouble(), value));
}

} // namespace

QString PlayerTimeText(double seconds) {
    if (!(seconds > 0.0)) seconds = 0.0;
    const long long tenths = std::llround(seconds * 1000.0) / 100;
    const long long totalSeconds = tenths / 10;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(totalSeconds / 3600)
        .arg(totalSeconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(totalSeconds % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10);
}

PlayerTransport::PlayerTransport(QWidget* parent) : QWidget(parent) {
    play_ = makeButton(this, "playerPlay", QStyle::SP_MediaPlay, tr("Play"));
    pause_ = makeButton(this, "playerPause", QStyle::SP_MediaPause, tr("Pause"));
    stop_ = makeButton(this, "playerStop", QStyle::SP_MediaStop, tr("Stop"));

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("playerSlider"));
    slider_->setFocusPolicy(Qt::ClickFocus);
    slider_->setRange(0, 0);
    slider_->setSingleStep(100);
    slider_->setPageStep(5000);

    time_ = new QLabel(this);
    time_->setObjectName(QStringLiteral("playerTime"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(play_);
    layout->addWidget(pause_);
    layout->addWidget(stop_);
    layout->addWidget(slider_, 1);
    layout->addWidget(time_);

    connect(play_, &QToolButton::clicked, this, &PlayerTransport::playRequested);
    connect(pause_, &QToolButton::clicked, this, &PlayerTransport::pauseRequested);
    connect(stop_, &QToolButton::clicked, this, &PlayerTransport::stopRequested);
    // With tracking on this covers dragging, clicks beside the handle and the
    // keyboard; the player's own position updates are filtered out.
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        if (updatingSlider_) return;
        showTime(value / 1000.0);
        emit seekRequested(value / 1000.0);
    });

    showPlayState(0, false);
    showTime(0.0);
}

void PlayerTransport::showDuration(double seconds) {
    duration_ = std::max(seconds, 0.0);
    updatingSlider_ = true;
    slider_->setRange(0, static_cast<int>(std::llround(duration_ * 1000.0)));
    updatingSlider_ = false;
    showTime(slider_->value() / 1000.0);
}

void PlayerTransport::showPosition(double seconds) {
    if (slider_->isSliderDown()) return;
    setSliderSilently(static_cast<int>(std::llround(seconds * 1000.0)));
    showTime(seconds);
}

void PlayerTransport::showPlayState(int playState, bool mediaLoaded) {
    play_->setEnabled(mediaLoaded && playState != 2);
    pause_->setEnabled(mediaLoaded && playState == 2);
    stop_->setEnabled(mediaLoaded && playState != 0);
    slider_->setEnabled(mediaLoaded);
}

void PlayerTransport::showTime(double seconds) {
    time_->setText(PlayerTimeText(seconds) + QStringLiteral(" / ") + PlayerTimeText(duration_));
}

void PlayerTransport::setSliderSilently(int milliseconds) {
    updatingSlider_ = true;
    slider_->setValue(milliseconds);
    updatingSlider_ = false;
}

PlayerOptionsMenu::PlayerOptionsMenu(QWidget* parent) : QMenu(parent) {
    setObjectName(QStringLiteral("playerOptions"));

    std::vector<Choice> rates;
    for (double rate : kRates) {
        const QString name = QStringLiteral("playerSpeed%1").arg(std::lround(rate * 100));
        rates.push_back({QStringLiteral("%1\u00d7").arg(rate), name, rate});
    }
    rates_ = addChoices(this, tr("Playback speed"), "playerSpeedMenu", rates);
    connect(rates_, &QActionGroup::triggered, this,
            [this](QAction* action) { emit rateChosen(action->data().toDouble()); });

    addSeparator();
    mute_ = addAction(tr("Mute"));
    mute_->setObjectName(QStringLiteral("playerMute"));
    mute_->setCheckable(true);
    connect(mute_, &QAction::toggled, this, &PlayerOptionsMenu::muteToggled);

    std::vector<Choice> volumes;
    for (int percent : kVolumePercents)
        volumes.push_back(
            {QStringLiteral("%1 %").arg(percent), QStringLiteral("playerVolume%1").arg(percent), percent / 100.0});
    volumes_ = addChoices(this, tr("Volume"), "playerVolumeMenu", volumes);
    connect(volumes_, &QActionGroup::triggered, this,
            [this](QAction* action) { emit volumeChosen(static_cast<float>(action->data().toDouble())); });

    showRate(1.0);
    showVolume(1.0f, false);
}

void PlayerOptionsMenu::showRate(double rate) {
    checkValue(rates_, rate);
}

void PlayerOptionsMenu::showVolume(float volume, bool muted) {
    checkValue(volumes_, volume);
    const QSignalBlocker blocker(mute_);
    mute_->setChecked(muted);
}

void PlayerOptionsMenu::addOwnerAction(QAction* action) {
    if (!ownerSection_) addSeparator();
    ownerSection_ = true;
    addAction(action);
}

void PlayerTransport::addControl(QWidget* control) {
    auto* bar = static_cast<QHBoxLayout*>(layout());
    bar->insertWidget(bar->indexOf(stop_) + 1, control);
}

} // namespace cuemark
