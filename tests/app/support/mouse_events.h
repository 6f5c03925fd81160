#pragma once
// Mouse events sent straight to a widget, with keyboard modifiers on every
// one of them (QTest's mouseMove takes none): a drag with Shift held.

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace cuemark::testing {

inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), button, buttons, modifiers);
    QApplication::sendEvent(widget, &event);
}

} // namespace cuemark::testing
