#pragma once
// "Stretch/shrink movie duration": re-times every title (or the editor's
// selected titles) by one linear map, worked out from two reference titles,
// from a change of the last title's start, or from a change of frame rate.

#include <QDialog>
#include <cstdint>

#include "app/widgets/amount_fields.h"
#include "app/widgets/repeat_stepper.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabBar;

namespace cuemark {

class EditorWindow;
class UpDown;

namespace refusals {
inline constexpr const char* SameStart =
    "The two marked titles start at the same time, so no stretch can be worked out from them.";
inline constexpr const char* LastAtZero =
    "The last title starts at 0 or earlier, so no stretch can be worked out from an amount.";
inline constexpr const char* BadRates =
    "Please enter both frame rates as numbers above 0, such as 23.976 or 25.";
} // namespace refusals

class frmStretch : public QDialog {
    Q_OBJECT
public:
    static constexpr int HeightTwips = 3000;
    enum Tab { ByTitle = 0, SpecifyAmount = 1, ByFrameRate = 2 };

    explicit frmStretch(EditorWindow& editor, QWidget* parent = nullptr);

    const RepeatStepper& repeat() const { return repeat_; }
    // Form_Unload: the position is written once, however the dialog closes.
    void done(int result) override;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void TS_Click();
    void txtMin_Change();
    void txtSec_Change();
    void Timer1_Timer();
    void UDFirst_DownClick();
    void UDFirst_UpClick();
    void UDFirst_MouseDown(int button, int shift, double x, double y);
    void UDFirst_MouseUp(int button, int shift, double x, double y);
    void UDLast_DownClick();
    void UDLast_UpClick();
    void UDLast_MouseDown(int button, int shift, double x, double y);
    void UDLast_MouseUp(int button, int shift, double x, double y);
    void UpDown1_DownClick();
    void UpDown1_UpClick();
    void UpDown1_MouseDown(int button, int shift, double x, double y);
    void UpDown1_MouseUp(int button, int shift, double x, double y);
    void UpDown2_DownClick();
    void UpDown2_UpClick();
    void UpDown2_MouseDown(int button, int shift, double x, double y);
    void UpDown2_MouseUp(int button, int shift, double x, double y);

private:
    friend void AdjustByReferences(EditorWindow& editor, double firstTime, double secondTime);

    QWidget* buildByTitle();
    QWidget* buildByAmount();
    QWidget* buildByFrameRate();
    void connectControls();
    void Form_Load();
    void stepHeld(std::int16_t control, std::int16_t direction);
    void stepTime(QLineEdit* box, int direction);
    void pressOn(std::int16_t control, UpDown* upDown, double y);

    EditorWindow& editor_;
    QTabBar* TS = nullptr;
    QWidget* PB[3] = {};
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLineEdit* txtFirstSubtitle = nullptr;
    UpDown* UDFirst = nullptr;
    QLineEdit* txtLastSubtitle = nullptr;
    UpDown* UDLast = nullptr;
    QLabel* lblTitleInfo = nullptr;
    QLineEdit* txtCurrent = nullptr;
    QRadioButton* optStretch = nullptr;
    QRadioButton* optShrink = nullptr;
    // Made first: the amount fields work on them.
    QLineEdit* txtMin;
    QLineEdit* txtSec;
    UpDown* UpDown1 = nullptr;
    UpDown* UpDown2 = nullptr;
    QComboBox* cboCurrentRate = nullptr;
    QComboBox* cboDesiredRate = nullptr;
    QLabel* lblRateInfo = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    AmountFields amount_;
    RepeatStepper repeat_;
    bool unloaded_ = false;
};

// The main window's adjust button: stretches so that the titles marked first
// and second start at the two reference times, through a stretch dialog that
// is shown without waiting and deletes itself once closed.
void AdjustByReferences(EditorWindow& editor, double firstTime, double secondTime);

} // namespace cuemark
