#pragma once
// "Reaction time": what a calibration measured, offered for use; or, with
// too few usable cues, why not, with the offer to run it again.

#include <QDialog>

#include "app/calibration/reaction_time.h"

class QLabel;
class QPushButton;

namespace cuemark {

class frmReactionTime : public QDialog {
    Q_OBJECT
public:
    enum class Choice { Cancel, Use, RunAgain };

    explicit frmReactionTime(const LagEstimate& estimate, QWidget* parent = nullptr);

    Choice choice() const { return choice_; }
    // The figures as shown, in whole milliseconds.
    ReactionLags lags() const { return lags_; }

private:
    Choice choice_ = Choice::Cancel;
    ReactionLags lags_;
};

// "Press lag: 200 ms (spread ±38 ms)".
QString lagLine(const QString& edge, double lagMs, double spreadMs);

} // namespace cuemark
