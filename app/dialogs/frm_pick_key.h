#pragma once
// The action-key picker: waits for one key and remembers its code.

#include <cstdint>
#include <optional>

#include <QDialog>

class QLabel;

namespace cuemark {

class frmPickKey : public QDialog {
    Q_OBJECT
public:
    // Placed near keyBox, which sits in a panel of mainWindow.
    frmPickKey(QWidget* mainWindow, QWidget* keyBox);

    // The virtual-key code of the key released, nothing while none was.
    std::optional<std::int16_t> pickedKey() const { return pickedKey_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void place(const QWidget* mainWindow, const QWidget* keyBox);

    QLabel* label_;
    std::optional<std::int16_t> pickedKey_;
};

} // namespace cuemark
