#include <QPixmapCache>
#include <QtTest>

#include <climits>

#include "app/player/strip_pictures.h"
#include "tests/app/support/data_columns.h"

using cuemark::testing::AddColumns;
using namespace cuemark;

namespace {

QImage imageOf(int index) {
    return StripPicture(index).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Pixels at which two pictures differ, split by whether they lie in rect.
struct Difference {
    int inside = 0;
    int outside = 0;
};

Difference compare(const QImage& a, const QImage& b, const QRegion& area) {
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) ++(area.contains(QPoint(x, y)) ? d.inside : d.outside);
    return d;
}

} // namespace

class StripPicturesTest : public QObject {
    Q_OBJECT

private slots:
    void everyPictureIsTheSizeOfTheStrip_data() {
        QTest::addColumn<int>("index");
        for (int i = 1; i <= StripPictureCount; ++i) QTest::addRow("picture %d", i) << i;
    }
    void everyPictureIsTheSizeOfTheStrip() {
        QFETCH(int, index);
        const QPixmap picture = StripPicture(index);
        QVERIFY(!picture.isNull());
        QCOMPARE(picture.size(), QSize(108, 25));
        QCOMPARE(picture.size() * StripTwipsPerPixel, QSize(1620, 375));
    }

    void theTenPicturesAreAllDifferent() {
        QList<QImage> images;
        for (int i = 1; i <= StripPictureCount; ++i) images << imageOf(i);
        for (int i = 0; i < images.size(); ++i)
            for (int j = i + 1; j < images.size(); ++j)
                QVERIFY2(images[i] != images[j],
                         qPrintable(QStringLiteral("pictures %1 and %2").arg(i + 1).arg(j + 1)));
    }

    void aLitOrPressedButtonChangesOnlyItsOwnArea_data() {
        AddColumns<int, int>("index", "button");
        for (int b = 1; b <= 4; ++b) {
            QTest::addRow("button %d hovered", b) << StripFirstHoverPicture + b - 1 << b;
            QTest::addRow("button %d pressed", b) << StripFirstPressedPicture + b - 1 << b;
        }
    }
    void aLitOrPressedButtonChangesOnlyItsOwnArea() {
        QFETCH(int, index);
        QFETCH(int, button);
        const Difference d = compare(imageOf(StripIdlePicture), imageOf(index), StripButtonRect(button));
        QCOMPARE(d.outside, 0);
        QVERIFY(d.inside > 20);
    }

    void aPressedButtonLooksDifferentFromAHoveredOne() {
        for (int b = 1; b <= 4; ++b) {
            const Difference d = compare(imageOf(StripFirstHoverPicture + b - 1),
                                         imageOf(StripFirstPressedPicture + b - 1), StripButtonRect(b));
            QCOMPARE(d.outside, 0);
            QVERIFY(d.inside > 20);
        }
    }

    void theDisabledPictureGreysAllFourButtonsAndNothingElse() {
        QRegion buttons;
        for (int b = 1; b <= 4; ++b) buttons += StripButtonRect(b);
        const QImage idle = imageOf(StripIdlePicture);
        const QImage disabled = imageOf(StripDisabledPicture);
        QCOMPARE(compare(idle, disabled, buttons).outside, 0);
        for (int b = 1; b <= 4; ++b) QVERIFY(compare(idle, disabled, StripButtonRect(b)).inside > 20);
    }

    // The faces must cover exactly the pixels whose twip position the window's
    // hit test puts on a button: inclusive x range, y strictly between 75 and 285.
    void buttonRectanglesHoldExactlyThePixelsOfTheirTwipAreas() {
        for (int b = 1; b <= 4; ++b) {
            const StripButtonTwips area = StripButtonAreas[b - 1];
            const QRect rect = StripButtonRect(b);
            for (int y = 0; y < StripHeight; ++y)
                for (int x = 0; x < StripWidth; ++x) {
                    const int tx = x * StripTwipsPerPixel;
                    const int ty = y * StripTwipsPerPixel;
                    const bool hit = tx >= area.left && tx <= area.right && ty > StripButtonTwipsTop &&
                                     ty < StripButtonTwipsBottom;
                    QVERIFY2(rect.contains(x, y) == hit,
                             qPrintable(QStringLiteral("button %1 at %2,%3").arg(b).arg(x).arg(y)));
                }
        }
        QCOMPARE(StripButtonRect(1), QRect(QPoint(10, 6), QPoint(26, 18)));
        QVERIFY(StripButtonRect(0).isEmpty());
        QVERIFY(StripButtonRect(5).isEmpty());
    }

    void theBackgroundIsTranslucentWithClearCorners() {
        const QImage idle = imageOf(StripIdlePicture);
        QCOMPARE(qAlpha(idle.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(idle.pixel(StripWidth - 1, StripHeight - 1)), 0);
        const int between = qAlpha(idle.pixel(30, 12));
        QVERIFY(between > 128 && between < 255);
    }

    void aPictureIsTheSameAfterTheCacheIsEmptied() {
        const QImage before = imageOf(5);
        QPixmapCache::clear();
        QCOMPARE(imageOf(5), before);
    }

    void aNumberOutsideOneToTenGivesANullPicture_data() {
        QTest::addColumn<int>("index");
        QTest::newRow("0") << 0;
        QTest::newRow("11") << 11;
        QTest::newRow("-1") << -1;
        QTest::newRow("INT_MIN") << INT_MIN;
        QTest::newRow("INT_MAX") << INT_MAX;
    }
    void aNumberOutsideOneToTenGivesANullPicture() {
        QFETCH(int, index);
        QVERIFY(StripPicture(index).isNull());
    }

    void theThreeReferenceIconsAreDistinctAndSmall() {
        QList<QImage> images;
        for (int which : {BlueReferenceIcon, GreenReferenceIcon, AdjustReferenceIcon}) {
            const QIcon icon = ReferenceButtonIcon(which);
            QVERIFY(!icon.isNull());
            QVERIFY(icon.availableSizes().contains(QSize(24, 24)));
            const QImage image = icon.pixmap(QSize(24, 24)).toImage();
            QCOMPARE(image.size(), QSize(24, 24));
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            images << image;
        }
        QVERIFY(images[0] != images[1]);
        QVERIFY(images[0] != images[2]);
        QVERIFY(images[1] != images[2]);
    }

    void theBlueAndGreenMarkersAreBlueAndGreen() {
        const QColor blue = ReferenceButtonIcon(BlueReferenceIcon).pixmap(QSize(24, 24)).toImage().pixelColor(12, 18);
        const QColor green = ReferenceButtonIcon(GreenReferenceIcon).pixmap(QSize(24, 24)).toImage().pixelColor(12, 18);
        QVERIFY(blue.blue() > blue.red() + 60 && blue.blue() > blue.green());
        QVERIFY(green.green() > green.red() + 60 && green.green() > green.blue());
    }

    void anUnknownReferenceIconIsNull() {
        QVERIFY(ReferenceButtonIcon(0).isNull());
        QVERIFY(ReferenceButtonIcon(4).isNull());
        QVERIFY(ReferenceButtonIcon(-7).isNull());
    }
};

QTEST_MAIN(StripPicturesTest)
#include "strip_pictures_test.moc"
