#pragma once
// The frame-rate question asked before a MicroDVD file is read or written.

#include <functional>

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;

namespace cuemark {

class frmFrameRate : public QDialog {
    Q_OBJECT
public:
    // illegalRate shows the refusal; without it a message box is shown.
    explicit frmFrameRate(double FrameRate, QWidget* parent = nullptr,
                          std::function<void(const QString&)> illegalRate = {});

    // The confirmed rate, or the one given while nothing was confirmed.
    double FrameRate() const { return frameRate_; }

public slots:
    void cmdOK_Click();

private:
    double frameRate_;
    std::function<void(const QString&)> illegalRate_;
    QLabel* label_;
    QComboBox* cboFramerate_;
    QPushButton* cmdOK_;
};

} // namespace cuemark
