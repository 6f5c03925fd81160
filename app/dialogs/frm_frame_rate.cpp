#include "app/dialogs/frm_frame_rate.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "subtitles/messages.h"

namespace cuemark {

namespace {
constexpr double CommonRates[] = {23.976, 24, 25, 29.97, 30};
constexpr double LowestRate = 10; // both limits are refused
constexpr double HighestRate = 50;
} // namespace

frmFrameRate::frmFrameRate(double FrameRate, QWidget* parent, std::function<void(const QString&)> illegalRate)
    : QDialog(parent), frameRate_(FrameRate), illegalRate_(std::move(illegalRate)) {
    setObjectName("frmFrameRate");
    setWindowTitle("Micro-DVD Frame Rate");
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    label_ = new QLabel(
        "A Frame Rate must be specified for Micro-DVD format subtitle files.  "
        "Please select the correct rate for this movie.",
        this);
    label_->setObjectName("Label1");
    label_->setWordWrap(true);

    cboFramerate_ = new QComboBox(this);
    cboFramerate_->setObjectName("cboFramerate");
    cboFramerate_->setEditable(true);
    // Enter confirms the rate; it must not grow the list.
    cboFramerate_->setInsertPolicy(QComboBox::NoInsert);
    cboFramerate_->setToolTip("Select the media frame rate, or enter a numeric value");
    const QLocale locale;
    for (const double rate : CommonRates) cboFramerate_->addItem(locale.toString(rate));
    cboFramerate_->setEditText(locale.toString(frameRate_));

    cmdOK_ = new QPushButton("OK", this);
    cmdOK_->setObjectName("cmdOK");
    cmdOK_->setToolTip("Select the frame rate shown to the left");
    cmdOK_->setDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, &frmFrameRate::cmdOK_Click);

    auto* row = new QHBoxLayout;
    row->addWidget(cboFramerate_, 1);
    row->addWidget(cmdOK_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addLayout(row);
    setMinimumWidth(340);
    cboFramerate_->setFocus();
}

void frmFrameRate::cmdOK_Click() {
    bool isNumber = false;
    const double rate = QLocale().toDouble(cboFramerate_->currentText().trimmed(), &isNumber);
    // Written so that NaN is refused too.
    if (isNumber && rate > LowestRate && rate < HighestRate) {
        frameRate_ = rate;
        accept();
        return;
    }
    const QString message = QString::fromUtf8(messages::IllegalFrameRate);
    if (illegalRate_) {
        illegalRate_(message);
    } else {
        QMessageBox::warning(this, "Cuemark", message);
    }
}

} // namespace cuemark
