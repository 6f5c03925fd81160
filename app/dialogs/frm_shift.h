#pragma once
// "Shift all subtitles": moves every title (or the editor's selected titles)
// earlier or later by one amount of minutes and seconds.

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string>

#include "app/widgets/amount_fields.h"
#include "app/widgets/repeat_stepper.h"
#include "subtitles/retiming.h"

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace cuemark {

class EditorWindow;
class UpDown;

// Re-times the titles the shift and stretch act on: every row, or only the
// selected rows when the editor has a multiple selection, marking each one
// changed. Returns how many changed; nothing (and no title touched) when a
// new time would not be a finite number.
std::optional<int> RetimeChosenTitles(EditorWindow& editor, const LinearMap& map);

// The texts the two dialogs use to refuse an OK.
namespace refusals {
inline constexpr const char* NotFinite =
    "The new times would be too large to hold, so nothing was changed.";
}

// A text box with its up-down control right beside it and an optional unit.
QHBoxLayout* BoxWithUpDown(QLineEdit* box, UpDown* upDown, QLabel* unit = nullptr);

// A notice with an OK button through the program's window services.
void TellUser(EditorWindow& editor, const std::string& text);

class frmShift : public QDialog {
    Q_OBJECT
public:
    explicit frmShift(EditorWindow& editor, QWidget* parent = nullptr);

    const RepeatStepper& repeat() const { return repeat_; }

public slots:
    void cmdOK_Click();
    void optBeginning_Click();
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

private:
    void buildControls();
    void Form_Load();
    void stepHeld(std::int16_t control, std::int16_t direction);

    EditorWindow& editor_;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QRadioButton* optBeginning = nullptr;
    QRadioButton* optEnd = nullptr;
    // Made first: the amount fields work on them.
    QLineEdit* txtMin;
    QLineEdit* txtSec;
    UpDown* UpDown1 = nullptr;
    UpDown* UpDown2 = nullptr;
    QLineEdit* txtCurrent = nullptr;
    QPushButton* cmdOK = nullptr;
    AmountFields amount_;
    RepeatStepper repeat_;
};

} // namespace cuemark
