#include "app/widgets/picture_box.h"

#include <QMouseEvent>

#include "app/desktop/mouse_masks.h"
#include "app/desktop/twips.h"

namespace cuemark {

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setMouseTracking(true);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseDown(MouseButtonMask(event->button()), ShiftMask(event->modifiers()), PixelsToTwips(p.x(), this),
                   PixelsToTwips(p.y(), this));
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseMove(MouseButtonMask(event->buttons()), ShiftMask(event->modifiers()), PixelsToTwips(p.x(), this),
                   PixelsToTwips(p.y(), this));
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit MouseUp(MouseButtonMask(event->button()), ShiftMask(event->modifiers()), PixelsToTwips(p.x(), this),
                 PixelsToTwips(p.y(), this));
}

void PictureBox::leaveEvent(QEvent* event) {
    // Leaving is a move to nowhere, so no button stays lit.
    emit MouseMove(0, 0, -1.0, -1.0);
    QLabel::leaveEvent(event);
}

} // namespace cuemark
