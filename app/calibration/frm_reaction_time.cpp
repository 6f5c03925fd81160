#include "app/calibration/frm_reaction_time.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "app/widgets/named.h"

namespace cuemark {

QString lagLine(const QString& edge, double lagMs, double spreadMs) {
    return QStringLiteral("%1 lag: %2 ms (spread \u00b1%3 ms)")
        .arg(edge)
        .arg(std::lround(lagMs))
        .arg(std::lround(spreadMs));
}

frmReactionTime::frmReactionTime(const LagEstimate& estimate, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmReactionTime"));
    setWindowTitle(QStringLiteral("Reaction time"));
    auto* layout = new QVBoxLayout(this);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* cancel = Named(buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole),
                                "cmdCancel");
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    if (estimate.enough()) {
        lags_ = {static_cast<std::int32_t>(std::lround(estimate.pressMs)),
                 static_cast<std::int32_t>(std::lround(estimate.releaseMs))};
        layout->addWidget(
            Named(new QLabel(lagLine(QStringLiteral("Press"), estimate.pressMs, estimate.pressSpreadMs), this),
                  "lblPressLag"));
        layout->addWidget(
            Named(new QLabel(lagLine(QStringLiteral("Release"), estimate.releaseMs, estimate.releaseSpreadMs), this),
                  "lblReleaseLag"));
        QPushButton* use = Named(buttons->addButton(QStringLiteral("Use these"), QDialogButtonBox::AcceptRole),
                                 "cmdUse");
        use->setDefault(true);
        connect(use, &QPushButton::clicked, this, [this] {
            choice_ = Choice::Use;
            accept();
        });
    } else {
        layout->addWidget(
            Named(new QLabel(QStringLiteral("Only %1 of the %2 cues were timed usably: at least %3 are needed.\n"
                                            "Hold the key from when each panel lights until it goes dark.")
                                 .arg(estimate.usable)
                                 .arg(estimate.cues)
                                 .arg(MinUsableCues),
                             this),
                  "lblTooFew"));
        QPushButton* again = Named(buttons->addButton(QStringLiteral("Run again"), QDialogButtonBox::AcceptRole),
                                   "cmdRunAgain");
        again->setDefault(true);
        connect(again, &QPushButton::clicked, this, [this] {
            choice_ = Choice::RunAgain;
            accept();
        });
    }
    layout->addWidget(buttons);
}

} // namespace cuemark
