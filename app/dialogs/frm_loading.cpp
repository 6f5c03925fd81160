#include "app/dialogs/frm_loading.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

#include "app/desktop/twips.h"

namespace cuemark {

namespace {
constexpr double InnerWidth = 1710; // twips
constexpr double InnerHeight = 975;
} // namespace

frmLoading::frmLoading(QWidget* mainWindow) : QDialog(mainWindow) {
    setObjectName("frmLoading");
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setFixedSize(TwipsToPixels(InnerWidth, mainWindow), TwipsToPixels(InnerHeight, mainWindow));

    // Without a caption the box needs an edge of its own to stand out.
    auto* box = new QFrame(this);
    box->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(box);

    label_ = new QLabel("Loading Subtitles", box);
    label_->setObjectName("Label1");
    label_->setFont(QFont("MS Sans Serif", 8));
    label_->setAlignment(Qt::AlignCenter);
    label_->setWordWrap(true);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(label_);

    if (mainWindow != nullptr) {
        const auto twips = [this](int pixels) { return PixelsToTwips(pixels, this); };
        const QRect main = mainWindow->frameGeometry();
        const double left = twips(main.left()) + (twips(main.width()) - twips(width())) / 2;
        const double top = twips(main.top()) + (twips(main.height()) - twips(height())) / 2;
        move(TwipsToPixels(left, this), TwipsToPixels(top, this));
    }
}

void frmLoading::showNow() {
    show();
    repaint();
    // Only painting: a click during the load must not start another command.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace cuemark
