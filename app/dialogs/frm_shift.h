#pragma once
// "Shift all subtitles": moves every title (or the editor's selected titles)
// earlier or later by one amount of minutes and seconds.

#include "app/dialogs/retime_titles.h"
#include "app/widgets/amount_dialog.h"

class QPushButton;
class QRadioButton;

namespace cuemark {

class frmShift : public AmountDialog {
    Q_OBJECT
public:
    explicit frmShift(EditorWindow& editor, QWidget* parent = nullptr);

public slots:
    void cmdOK_Click();
    void optBeginning_Click();

private:
    void buildControls();
    void Form_Load();

    EditorWindow& editor_;
    QLabel* Label1 = nullptr;
    QLabel* Label4 = nullptr;
    QRadioButton* optBeginning = nullptr;
    QRadioButton* optEnd = nullptr;
    QLineEdit* txtCurrent = nullptr;
    QPushButton* cmdOK = nullptr;
};

} // namespace cuemark
