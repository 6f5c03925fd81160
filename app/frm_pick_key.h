#pragma once
#include <QDialog>
#include <cstdint>
#include <optional>
namespace cuemark {
class frmPickKey : public QDialog {
    Q_OBJECT
public:
    frmPickKey(QWidget* mainWindow, QWidget* keyBox);
    std::optional<std::int16_t> pickedKey() const;
};
}
