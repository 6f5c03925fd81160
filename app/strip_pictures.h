#pragma once
#include <QIcon>
#include <QPixmap>
namespace cuemark {
QPixmap StripPicture(int index);
QIcon ReferenceButtonIcon(int which);
}
