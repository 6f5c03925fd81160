#include "app/editor/toolbar_pictures.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cstring>

namespace cuemark {

namespace {

const QColor Ink(40, 56, 80);
const QColor Accent(30, 110, 200);
const QColor Warning(190, 40, 40);

// A horizontal arrow at height y from x1 to x2, head at x2.
void Arrow(QPainter& p, double x1, double x2, double y, const QColor& colour) {
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(x1, y), QPointF(x2, y));
    const double d = x2 > x1 ? -4 : 4;
    p.drawLine(QPointF(x2, y), QPointF(x2 + d, y - 4));
    p.drawLine(QPointF(x2, y), QPointF(x2 + d, y + 4));
}

// A title bar: the rectangle a title occupies on the time line.
void TitleBar(QPainter& p, double x, double width) {
    p.setPen(QPen(Ink, 1.2));
    p.setBrush(QColor(200, 215, 235));
    p.drawRoundedRect(QRectF(x, 5, width, 7), 1.5, 1.5);
    p.setBrush(Qt::NoBrush);
}

void Letter(QPainter& p, const QString& text, bool italic, bool bold, const QColor& colour) {
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(15);
    font.setItalic(italic);
    font.setBold(bold);
    p.setFont(font);
    p.setPen(colour);
    p.drawText(QRectF(0, 0, ToolbarPictureSize, ToolbarPictureSize), Qt::AlignCenter, text);
}

void Draw(QPainter& p, const char* key) {
    auto is = [key](const char* k) { return std::strcmp(key, k) == 0; };
    p.setPen(QPen(Ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (is("Undo")) {
        QPainterPath path;
        path.moveTo(7, 10);
        path.cubicTo(12, 4, 21, 7, 19, 14);
        path.cubicTo(18, 18, 13, 19, 10, 18);
        p.drawPath(path);
        p.drawLine(QPointF(7, 10), QPointF(7, 4));
        p.drawLine(QPointF(7, 10), QPointF(13, 10));
    } else if (is("Find")) {
        p.drawEllipse(QRectF(4, 4, 11, 11));
        p.setPen(QPen(Ink, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(14, 14), QPointF(20, 20));
    } else if (is("Italic")) {
        Letter(p, QStringLiteral("I"), true, true, Accent);
    } else if (is("Spelling")) {
        Letter(p, QStringLiteral("Il"), false, false, Ink);
        p.setPen(QPen(Warning, 1.4));
        for (int x = 4; x < 20; x += 4) {
            p.drawLine(QPointF(x, 21), QPointF(x + 2, 19));
            p.drawLine(QPointF(x + 2, 19), QPointF(x + 4, 21));
        }
    } else if (is("Edit")) {
        p.drawLine(QPointF(5, 19), QPointF(17, 7));
        p.setPen(QPen(Accent, 4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 16), QPointF(17, 7));
        p.setPen(QPen(Ink, 1.5));
        p.drawLine(QPointF(4, 21), QPointF(20, 21));
    } else if (is("Insert")) {
        TitleBar(p, 3, 18);
        p.setPen(QPen(Accent, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(12, 14), QPointF(12, 22));
        p.drawLine(QPointF(8, 18), QPointF(16, 18));
    } else if (is("Delete")) {
        TitleBar(p, 3, 18);
        p.setPen(QPen(Warning, 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 15), QPointF(16, 22));
        p.drawLine(QPointF(16, 15), QPointF(8, 22));
    } else if (is("Sooner")) {
        TitleBar(p, 9, 12);
        Arrow(p, 18, 4, 18, Accent);
    } else if (is("Later")) {
        TitleBar(p, 3, 12);
        Arrow(p, 6, 20, 18, Accent);
    } else if (is("Shorter")) {
        TitleBar(p, 3, 12);
        Arrow(p, 21, 13, 18, Accent);
    } else if (is("Longer")) {
        TitleBar(p, 3, 12);
        Arrow(p, 13, 21, 18, Accent);
    } else if (is("Stretch")) {
        TitleBar(p, 8, 8);
        Arrow(p, 10, 3, 18, Accent);
        Arrow(p, 14, 21, 18, Accent);
    } else if (is("Shift")) {
        TitleBar(p, 3, 8);
        TitleBar(p, 13, 8);
        Arrow(p, 4, 20, 18, Accent);
    } else if (is("Bye")) {
        p.drawRect(QRectF(5, 4, 11, 16));
        Arrow(p, 11, 21, 12, Warning);
    }
}

} // namespace

QIcon ToolbarPicture(const char* key) {
    QPixmap picture(ToolbarPictureSize, ToolbarPictureSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    Draw(painter, key);
    painter.end();
    return QIcon(picture);
}

} // namespace cuemark
