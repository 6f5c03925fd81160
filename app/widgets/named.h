#pragma once
// A new control with its object name and, for some, its tool tip, in the
// one expression that builds it.

#include <QString>

namespace cuemark {

template <typename T>
T* Named(T* object, const char* name) {
    object->setObjectName(QString::fromLatin1(name));
    return object;
}

template <typename T>
T* Named(T* widget, const char* name, const QString& toolTip) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setToolTip(toolTip);
    return widget;
}

} // namespace cuemark
