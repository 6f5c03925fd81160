#include "app/player/strip_pictures.h"

#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QPolygonF>

namespace cuemark {

namespace {

enum class Face { Normal, Disabled, Hovered, Pressed };

struct FaceLook {
    QColor top, bottom, border, glyph;
};

FaceLook lookOf(Face face) {
    switch (face) {
    case Face::Disabled:
        return {QColor(255, 255, 255, 10), QColor(255, 255, 255, 6), QColor(255, 255, 255, 28),
                QColor(150, 156, 164, 110)};
    case Face::Hovered:
        return {QColor(120, 182, 255, 110), QColor(70, 130, 225, 90), QColor(160, 205, 255, 220),
                QColor(255, 255, 255)};
    case Face::Pressed:
        return {QColor(28, 78, 168, 235), QColor(44, 112, 214, 235), QColor(160, 205, 255, 240), QColor(255, 255, 255)};
    case Face::Normal: break;
    }
    return {QColor(255, 255, 255, 34), QColor(255, 255, 255, 12), QColor(255, 255, 255, 64),
            QColor(236, 239, 244, 235)};
}

// A triangle pointing left whose tip is at x.
void addLeftTriangle(QPainterPath& path, double x, double width, double cy, double halfHeight) {
    path.addPolygon(
        QPolygonF({QPointF(x + width, cy - halfHeight), QPointF(x, cy), QPointF(x + width, cy + halfHeight)}));
    path.closeSubpath();
}

// Buttons 1 and 2 point left (to the start, back); 3 and 4 are their mirror images.
QPainterPath glyphOf(int button, QPointF centre) {
    constexpr double half = 3.5;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    const double cx = centre.x();
    const double cy = centre.y();
    if (button == 1 || button == 4) {
        path.addRect(QRectF(cx - 4.0, cy - half, 1.6, 2 * half));
        addLeftTriangle(path, cx - 2.0, 5.5, cy, half);
    } else {
        addLeftTriangle(path, cx - 4.75, 4.75, cy, half);
        addLeftTriangle(path, cx, 4.75, cy, half);
    }
    if (button >= 3) {
        QTransform mirror;
        mirror.translate(cx, 0).scale(-1, 1).translate(-cx, 0);
        path = mirror.map(path);
    }
    return path;
}

void drawFace(QPainter& p, int button, Face face) {
    const QRect area = StripButtonRect(button);
    const FaceLook look = lookOf(face);
    p.save();
    // Nothing of a face may reach outside its hit area, so that the pictures
    // show exactly where the buttons answer.
    p.setClipRect(area);
    const QRectF box = QRectF(area).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, look.top);
    fill.setColorAt(1, look.bottom);
    p.setPen(QPen(look.border, 1));
    p.setBrush(fill);
    p.drawRoundedRect(box, 3, 3);
    QPointF centre = QRectF(area).center();
    if (face == Face::Pressed) centre += QPointF(0, 0.5);
    p.setPen(Qt::NoPen);
    p.setBrush(look.glyph);
    p.drawPath(glyphOf(button, centre));
    p.restore();
}

QImage renderStrip(int index) {
    QImage image(StripWidth, StripHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // Dark and partly transparent, so it reads over bright and dark video alike.
    const QRectF outline(0.5, 0.5, StripWidth - 1, StripHeight - 1);
    QLinearGradient background(outline.topLeft(), outline.bottomLeft());
    background.setColorAt(0, QColor(44, 48, 58, 215));
    background.setColorAt(1, QColor(16, 18, 23, 215));
    p.setPen(QPen(QColor(255, 255, 255, 36), 1));
    p.setBrush(background);
    p.drawRoundedRect(outline, 6, 6);

    for (int button = 1; button <= 4; ++button) {
        Face face = Face::Normal;
        if (index == StripDisabledPicture)
            face = Face::Disabled;
        else if (index == StripFirstHoverPicture + button - 1)
            face = Face::Hovered;
        else if (index == StripFirstPressedPicture + button - 1)
            face = Face::Pressed;
        drawFace(p, button, face);
    }
    return image;
}

QPainterPath markerPath() {
    QPainterPath head;
    head.addEllipse(QPointF(12, 9.5), 7.5, 7.5);
    QPainterPath tail;
    tail.addPolygon(QPolygonF({QPointF(5.9, 13.8), QPointF(18.1, 13.8), QPointF(12, 22.5)}));
    tail.closeSubpath();
    return head.united(tail);
}

void drawMarker(QPainter& p, QColor colour, const QString& digit) {
    QLinearGradient fill(QPointF(0, 2), QPointF(0, 22));
    fill.setColorAt(0, colour.lighter(125));
    fill.setColorAt(1, colour);
    p.setPen(QPen(colour.darker(150), 1));
    p.setBrush(fill);
    p.drawPath(markerPath());
    QFont font;
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(4.5, 2, 15, 15), Qt::AlignCenter, digit);
}

const QColor blue(47, 111, 219);
const QColor green(46, 158, 79);

// The two reference marks as posts with a double arrow between them,
// coloured from blue to green: the stretch from the first mark to the second.
void drawAdjust(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawRoundedRect(QRectF(2, 4, 3, 16), 1.5, 1.5);
    p.setBrush(green);
    p.drawRoundedRect(QRectF(19, 4, 3, 16), 1.5, 1.5);
    QLinearGradient shaft(QPointF(7, 0), QPointF(17, 0));
    shaft.setColorAt(0, blue);
    shaft.setColorAt(1, green);
    p.setPen(QPen(QBrush(shaft), 2.2, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(9, 12), QPointF(15, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawPolygon(QPolygonF({QPointF(6.5, 12), QPointF(10.5, 8), QPointF(10.5, 16)}));
    p.setBrush(green);
    p.drawPolygon(QPolygonF({QPointF(17.5, 12), QPointF(13.5, 8), QPointF(13.5, 16)}));
}

QPixmap renderIcon(int which, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.scale(size / 24.0, size / 24.0);
    if (which == BlueReferenceIcon)
        drawMarker(p, blue, QStringLiteral("1"));
    else if (which == GreenReferenceIcon)
        drawMarker(p, green, QStringLiteral("2"));
    else
        drawAdjust(p);
    p.end();
    return QPixmap::fromImage(image);
}

// QPixmapCache rather than statics: it is emptied with the application, so no
// pixmap outlives the QGuiApplication.
QPixmap cached(const QString& key, auto render) {
    QPixmap pixmap;
    if (!QPixmapCache::find(key, &pixmap)) {
        pixmap = render();
        QPixmapCache::insert(key, pixmap);
    }
    return pixmap;
}

} // namespace

QRect StripButtonRect(int button) {
    if (button < 1 || button > 4) return {};
    const StripButtonTwips& area = StripButtonAreas[button - 1];
    const int left = (area.left + StripTwipsPerPixel - 1) / StripTwipsPerPixel;
    const int right = area.right / StripTwipsPerPixel;
    const int top = StripButtonTwipsTop / StripTwipsPerPixel + 1;
    const int bottom = (StripButtonTwipsBottom - 1) / StripTwipsPerPixel;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

QPixmap StripPicture(int index) {
    if (index < 1 || index > StripPictureCount) return {};
    return cached(QStringLiteral("cuemark/strip/%1").arg(index),
                  [index] { return QPixmap::fromImage(renderStrip(index)); });
}

QIcon ReferenceButtonIcon(int which) {
    if (which < BlueReferenceIcon || which > AdjustReferenceIcon) return {};
    QIcon icon;
    for (int size : {24, 48})
        icon.addPixmap(cached(QStringLiteral("cuemark/reference/%1/%2").arg(which).arg(size),
                              [which, size] { return renderIcon(which, size); }));
    return icon;
}

} // namespace cuemark
