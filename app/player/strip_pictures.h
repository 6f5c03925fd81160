#pragma once
// The pictures of the position-button strip drawn over the player, and the
// icons of the two reference-time buttons and the adjust button. Drawn in
// code so they stay sharp and need no image files beside the program.

#include <QIcon>
#include <QPixmap>
#include <QRect>

namespace cuemark {

// The strip is 1620 x 375 twips: at 15 twips a pixel, 108 x 25 pixels.
constexpr int StripWidth = 108;
constexpr int StripHeight = 25;
constexpr int StripTwipsPerPixel = 15;
constexpr int StripPictureCount = 10;

// Picture numbers: 1 disabled, 2 idle, 3 + (button - 1) hovered,
// 7 + (button - 1) pressed.
constexpr int StripDisabledPicture = 1;
constexpr int StripIdlePicture = 2;
constexpr int StripFirstHoverPicture = 3;
constexpr int StripFirstPressedPicture = 7;

// Where a button answers the mouse, in twips of the strip: x from left to
// right inclusive, y strictly between top and bottom.
struct StripButtonTwips {
    int left;
    int right;
};
constexpr StripButtonTwips StripButtonAreas[4] = {{150, 390}, {510, 705}, {855, 1050}, {1155, 1410}};
constexpr int StripButtonTwipsTop = 75;
constexpr int StripButtonTwipsBottom = 285;

// The pixels of button 1..4 whose twip position lies in its area; the face
// of the button is drawn inside them and nowhere else. Empty for other numbers.
QRect StripButtonRect(int button);

// Picture 1..10 of the strip, 108 x 25 pixels with a translucent background;
// a null pixmap for any other number. Needs a QGuiApplication.
QPixmap StripPicture(int index);

constexpr int BlueReferenceIcon = 1;   // cmdBlue: a blue marker "1"
constexpr int GreenReferenceIcon = 2;  // cmdGreen: a green marker "2"
constexpr int AdjustReferenceIcon = 3; // cmdAdjust: a stretch between the two
// 24 x 24 (with a 48 x 48 form for dense screens); a null icon for any other
// number. Needs a QGuiApplication.
QIcon ReferenceButtonIcon(int which);

} // namespace cuemark
