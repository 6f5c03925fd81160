#pragma once
// "Stretch/shrink movie duration": re-times every title (or the editor's
// selected titles) by one linear map, worked out from two reference titles,
// from a change of the last title's start, or from a change of frame rate.

#include <cstdint>

#include "app/dialogs/retime_titles.h"
#include "app/widgets/amount_dialog.h"

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
inline constexpr const char* BadRates = "Please enter both frame rates as numbers above 0, such as 23.976 or 25.";
} // namespace refusals

class frmStretch : public AmountDialog {
    Q_OBJECT
public:
    static constexpr int HeightTwips = 3000;
    enum Tab { ByTitle = 0, SpecifyAmount = 1, ByFrameRate = 2 };

    explicit frmStretch(EditorWindow& editor, QWidget* parent = nullptr);

    // Form_Unload: the position is written once, however the dialog closes.
    void done(int result) override;

public slots:
    void cmdOK_Click();
    void cmdCancel_Click();
    void TS_Click();
    void UDFirst_DownClick();
    void UDFirst_UpClick();
    void UDFirst_MouseDown(int button, int shift, double x, double y);
    void UDFirst_MouseUp(int button, int shift, double x, double y);
    void UDLast_DownClick();
    void UDLast_UpClick();
    void UDLast_MouseDown(int button, int shift, double x, double y);
    void UDLast_MouseUp(int button, int shift, double x, double y);

private:
    friend void AdjustByReferences(EditorWindow& editor, double firstTime, double secondTime);

    QWidget* buildByTitle();
    QWidget* buildByAmount();
    QWidget* buildByFrameRate();
    void connectControls();
    void Form_Load();
    // The titles marked first and second in the editor.
    std::int32_t firstMarked() const;
    std::int32_t secondMarked() const;
    // Held controls 3 and 4 are UDFirst and UDLast.
    void stepHeld(std::int16_t control, std::int16_t direction) override;
    void stepTime(QLineEdit* box, int direction);

    EditorWindow& editor_;
    QTabBar* TS = nullptr;
    QWidget* PB[3] = {};
    QLabel* Label1 = nullptr;
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
    QComboBox* cboCurrentRate = nullptr;
    QComboBox* cboDesiredRate = nullptr;
    QLabel* lblRateInfo = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    bool unloaded_ = false;
    // Set for Adjust, which re-times the whole file.
    bool everyTitle_ = false;
};

// The main window's adjust button: stretches so that the titles marked first
// and second start at the two reference times, through a stretch dialog that
// is shown without waiting and deletes itself once closed.
void AdjustByReferences(EditorWindow& editor, double firstTime, double secondTime);

} // namespace cuemark
