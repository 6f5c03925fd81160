#include "app/dialogs/frm_pick_key.h"

#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include "app/desktop/twips.h"
#include "app/desktop/virtual_keys.h"

namespace cuemark {

namespace {
constexpr double InnerWidth = 3615; // twips
constexpr double InnerHeight = 735;
} // namespace

frmPickKey::frmPickKey(QWidget* mainWindow, QWidget* keyBox) : QDialog(mainWindow) {
    setObjectName("frmPickKey");
    setWindowTitle("Select key");
    // A caption only: no close box, no minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(TwipsToPixels(InnerWidth, mainWindow), TwipsToPixels(InnerHeight, mainWindow));

    label_ = new QLabel("Please press the key you want to use to synchronize titles.", this);
    label_->setObjectName("Label1");
    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);

    // Every key, Tab and Escape included, is meant for the picker itself.
    setFocusPolicy(Qt::StrongFocus);
    place(mainWindow, keyBox);
}

void frmPickKey::place(const QWidget* mainWindow, const QWidget* keyBox) {
    if (mainWindow == nullptr || keyBox == nullptr) return;
    const auto twips = [this](int pixels) { return PixelsToTwips(pixels, this); };
    const QRect main = mainWindow->frameGeometry();
    const QSize picker = frameGeometry().size();
    const double left = twips(main.left()) + twips(keyBox->x()) - (twips(picker.width()) - twips(keyBox->width())) / 2;
    const double top = twips(main.top()) + twips(keyBox->y()) - (twips(picker.height()) - twips(keyBox->height())) / 2;
    move(TwipsToPixels(left, this), TwipsToPixels(top, this));
}

void frmPickKey::keyPressEvent(QKeyEvent* event) {
    // QDialog would close on Escape and press default buttons on Enter.
    event->accept();
}

void frmPickKey::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    if (event->isAutoRepeat() || pickedKey_) return;
    // A key without a code could never be told apart from other such keys.
    const std::int16_t code = VirtualKeyOf(*event);
    if (code == 0) return;
    pickedKey_ = code;
    accept();
}

} // namespace cuemark
