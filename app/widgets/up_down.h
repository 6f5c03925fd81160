#pragma once
// The up-down control: two arrows, one above the other. It reports a press
// as MouseDown and a release as MouseUp followed by UpClick or DownClick
// (when released over the half it was pressed on); it does not repeat by
// itself, the windows that use it run their own repeat timers.

#include <QWidget>

class QHBoxLayout;
class QLabel;
class QLineEdit;

namespace cuemark {

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);
    QSize sizeHint() const override;

signals:
    void UpClick();
    void DownClick();
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Control, 4 Alt;
    // x and y in twips from the control's top-left corner.
    void MouseDown(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    enum class Half { None, Up, Down };
    Half halfAt(const QPoint& point) const;
    Half pressed_ = Half::None;
};

// A text box with its up-down control right beside it and an optional unit.
QHBoxLayout* BoxWithUpDown(QLineEdit* box, UpDown* upDown, QLabel* unit = nullptr);

} // namespace cuemark
