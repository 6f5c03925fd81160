#pragma once
// The caption-less "Loading Subtitles" box shown while a file is read.

#include <QDialog>

class QLabel;

namespace cuemark {

class frmLoading : public QDialog {
    Q_OBJECT
public:
    // Centred over mainWindow.
    explicit frmLoading(QWidget* mainWindow);

    // Shows the notice without waiting and paints it at once, so it is on
    // screen while the caller keeps the event loop busy.
    void showNow();

private:
    QLabel* label_;
};

} // namespace cuemark
