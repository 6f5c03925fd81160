#pragma once
// A dialog that asks for an amount of minutes and seconds, as the shift
// dialog and the stretch dialog's "Specify Amount" do: txtMin with UpDown1
// and Label2 "min", txtSec with UpDown2 and Label3 "sec", corrected while
// typing and stepped by the arrows. A held arrow repeats through Timer1;
// the dialog's own up-down controls may share that repeat as held controls
// 3 and up.

#include <QDialog>
#include <cstdint>

#include "app/widgets/amount_fields.h"
#include "app/widgets/repeat_stepper.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;

namespace cuemark {

class UpDown;

class AmountDialog : public QDialog {
    Q_OBJECT
public:
    const RepeatStepper& repeat() const { return repeat_; }

public slots:
    void txtMin_Change();
    void txtSec_Change();
    void Timer1_Timer();
    void UpDown1_DownClick();
    void UpDown1_UpClick();
    void UpDown1_MouseDown(int button, int shift, double x, double y);
    void UpDown1_MouseUp(int button, int shift, double x, double y);
    void UpDown2_DownClick();
    void UpDown2_UpClick();
    void UpDown2_MouseDown(int button, int shift, double x, double y);
    void UpDown2_MouseUp(int button, int shift, double x, double y);

protected:
    AmountDialog(QWidget* parent, SecondsOverflow overflow);

    // Both fields with their arrows and units in one row; the row's widgets
    // move to whichever widget the row is laid out on.
    QHBoxLayout* amountRow();
    // One step of held control `control`: -1 its down click, +1 its up click.
    // Controls 1 and 2 are the amount's; a dialog with more overrides this.
    virtual void stepHeld(std::int16_t control, std::int16_t direction);
    // A press y twips below the top of `upDown`, held as `control`.
    void pressOn(std::int16_t control, UpDown* upDown, double y);

    // Made first: the amount fields work on them, and they come first in
    // the tab order.
    QLineEdit* txtMin;
    QLineEdit* txtSec;
    UpDown* UpDown1;
    UpDown* UpDown2;
    QLabel* Label2;
    QLabel* Label3;
    AmountFields amount_;
    RepeatStepper repeat_;
};

} // namespace cuemark
