#pragma once
// Reading and pressing a modal dialog's controls by object name, as the
// scripted services' dialog drivers do.

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace cuemark::testing {

inline QString label(QDialog& dialog, const char* name) {
    auto* found = dialog.findChild<QLabel*>(QString::fromLatin1(name));
    return found ? found->text() : QString();
}

inline void click(QDialog& dialog, const char* name) {
    auto* button = dialog.findChild<QPushButton*>(QString::fromLatin1(name));
    QVERIFY(button);
    button->click();
}

} // namespace cuemark::testing
