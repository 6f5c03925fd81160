#include "app/widgets/amount_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "app/desktop/twips.h"
#include "app/widgets/named.h"
#include "app/widgets/up_down.h"

namespace cuemark {

AmountDialog::AmountDialog(QWidget* parent, SecondsOverflow overflow)
    : QDialog(parent), txtMin(Named(new QLineEdit("0", this), "txtMin")),
      txtSec(Named(new QLineEdit("0.000", this), "txtSec")), UpDown1(Named(new UpDown(this), "UpDown1")),
      UpDown2(Named(new UpDown(this), "UpDown2")), Label2(Named(new QLabel("min", this), "Label2")),
      Label3(Named(new QLabel("sec", this), "Label3")), amount_(txtMin, txtSec, overflow),
      repeat_(this, [this](std::int16_t control, std::int16_t direction) { stepHeld(control, direction); }) {
    for (QLineEdit* box : {txtMin, txtSec}) {
        box->setAlignment(Qt::AlignRight);
        box->setFixedWidth(box->fontMetrics().horizontalAdvance("00000.000") + 12);
    }
    connect(txtMin, &QLineEdit::textChanged, this, &AmountDialog::txtMin_Change);
    connect(txtSec, &QLineEdit::textChanged, this, &AmountDialog::txtSec_Change);
    connect(repeat_.timer(), &QTimer::timeout, this, &AmountDialog::Timer1_Timer);
    connect(UpDown1, &UpDown::DownClick, this, &AmountDialog::UpDown1_DownClick);
    connect(UpDown1, &UpDown::UpClick, this, &AmountDialog::UpDown1_UpClick);
    connect(UpDown1, &UpDown::MouseDown, this, &AmountDialog::UpDown1_MouseDown);
    connect(UpDown1, &UpDown::MouseUp, this, &AmountDialog::UpDown1_MouseUp);
    connect(UpDown2, &UpDown::DownClick, this, &AmountDialog::UpDown2_DownClick);
    connect(UpDown2, &UpDown::UpClick, this, &AmountDialog::UpDown2_UpClick);
    connect(UpDown2, &UpDown::MouseDown, this, &AmountDialog::UpDown2_MouseDown);
    connect(UpDown2, &UpDown::MouseUp, this, &AmountDialog::UpDown2_MouseUp);
}

QHBoxLayout* AmountDialog::amountRow() {
    auto* row = new QHBoxLayout;
    row->addLayout(BoxWithUpDown(txtMin, UpDown1, Label2));
    row->addSpacing(8);
    row->addLayout(BoxWithUpDown(txtSec, UpDown2, Label3));
    row->addStretch(1);
    return row;
}

void AmountDialog::txtMin_Change() {
    amount_.minutesChanged();
}

void AmountDialog::txtSec_Change() {
    amount_.secondsChanged();
}

void AmountDialog::Timer1_Timer() {
    repeat_.tick();
}

void AmountDialog::stepHeld(std::int16_t control, std::int16_t direction) {
    const bool down = direction < 0;
    if (control == 1) down ? UpDown1_DownClick() : UpDown1_UpClick();
    if (control == 2) down ? UpDown2_DownClick() : UpDown2_UpClick();
}

void AmountDialog::pressOn(std::int16_t control, UpDown* upDown, double y) {
    repeat_.press(control, y, PixelsToTwips(upDown->height(), upDown));
}

void AmountDialog::UpDown1_DownClick() {
    if (repeat_.takeClick()) amount_.stepMinutes(-1);
}

void AmountDialog::UpDown1_UpClick() {
    if (repeat_.takeClick()) amount_.stepMinutes(+1);
}

void AmountDialog::UpDown2_DownClick() {
    if (repeat_.takeClick()) amount_.stepSeconds(-1);
}

void AmountDialog::UpDown2_UpClick() {
    if (repeat_.takeClick()) amount_.stepSeconds(+1);
}

void AmountDialog::UpDown1_MouseDown(int, int, double, double y) {
    pressOn(1, UpDown1, y);
}

void AmountDialog::UpDown1_MouseUp(int, int, double, double) {
    repeat_.release();
}

void AmountDialog::UpDown2_MouseDown(int, int, double, double y) {
    pressOn(2, UpDown2, y);
}

void AmountDialog::UpDown2_MouseUp(int, int, double, double) {
    repeat_.release();
}

} // namespace cuemark
