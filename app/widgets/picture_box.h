#pragma once
// A picture that reports the mouse with positions in twips, as the
// position-button strip over the player needs.

#include <QLabel>

namespace cuemark {

class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

signals:
    // button: 1 left, 2 right, 4 middle (the buttons held, for moves);
    // shift: 1 Shift, 2 Control, 4 Alt.
    void MouseDown(int button, int shift, double x, double y);
    void MouseMove(int button, int shift, double x, double y);
    void MouseUp(int button, int shift, double x, double y);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

} // namespace cuemark
