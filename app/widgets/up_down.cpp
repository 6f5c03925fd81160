#include "app/widgets/up_down.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

#include "app/desktop/mouse_masks.h"
#include "app/desktop/twips.h"

namespace cuemark {

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize UpDown::sizeHint() const {
    // As tall as the text box it sits beside, each arrow taking a whole half.
    QLineEdit probe;
    probe.setFont(font());
    const int height = probe.sizeHint().height();
    return {17, 2 * (height / 2)};
}

UpDown::Half UpDown::halfAt(const QPoint& point) const {
    if (!rect().contains(point)) return Half::None;
    return point.y() < height() / 2 ? Half::Up : Half::Down;
}

void UpDown::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int upHeight = height() / 2;
    const QRect halves[] = {QRect(0, 0, width(), upHeight), QRect(0, upHeight, width(), height() - upHeight)};
    const Half kinds[] = {Half::Up, Half::Down};
    for (int i = 0; i < 2; ++i) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = halves[i];
        button.state |= pressed_ == kinds[i] ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawPrimitive(QStyle::PE_PanelButtonBevel, &button, &painter, this);

        QStyleOption arrow;
        arrow.initFrom(this);
        arrow.rect = halves[i].adjusted(3, 2, -3, -2);
        if (pressed_ == kinds[i]) arrow.rect.translate(1, 1);
        style()->drawPrimitive(kinds[i] == Half::Up ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown,
                               &arrow, &painter, this);
    }
}

void UpDown::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        pressed_ = halfAt(event->position().toPoint());
        update();
    }
    const double perPixel = TwipsPerInch / LogicalDpi(this);
    emit MouseDown(MouseButtonMask(event->button()), ShiftMask(event->modifiers()), event->position().x() * perPixel,
                   event->position().y() * perPixel);
    event->accept();
}

void UpDown::mouseReleaseEvent(QMouseEvent* event) {
    const double perPixel = TwipsPerInch / LogicalDpi(this);
    emit MouseUp(MouseButtonMask(event->button()), ShiftMask(event->modifiers()), event->position().x() * perPixel,
                 event->position().y() * perPixel);
    if (event->button() == Qt::LeftButton) {
        const Half released = halfAt(event->position().toPoint());
        const Half pressed = pressed_;
        pressed_ = Half::None;
        update();
        if (released == pressed) {
            if (pressed == Half::Up) emit UpClick();
            if (pressed == Half::Down) emit DownClick();
        }
    }
    event->accept();
}

QHBoxLayout* BoxWithUpDown(QLineEdit* box, UpDown* upDown, QLabel* unit) {
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(box);
    row->addWidget(upDown);
    if (unit) {
        row->addSpacing(4);
        row->addWidget(unit);
    }
    return row;
}

} // namespace cuemark
