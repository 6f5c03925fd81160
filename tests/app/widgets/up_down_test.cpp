#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include "app/desktop/twips.h"
#include "app/widgets/up_down.h"
#include "tests/app/support/data_columns.h"

using cuemark::testing::AddColumns;
using namespace cuemark;

class UpDownTest : public QObject {
    Q_OBJECT
private slots:
    void twipsFollowTheLogicalDpi();
    void sizeHintMatchesATextBox();
    void clicksOnlyWhenReleasedOverThePressedHalf_data();
    void clicksOnlyWhenReleasedOverThePressedHalf();
    void reportsButtonShiftAndPositionInTwips_data();
    void reportsButtonShiftAndPositionInTwips();
    void otherButtonsNeverClick();
};

void UpDownTest::twipsFollowTheLogicalDpi() {
    QWidget widget;
    const double dpi = LogicalDpi(&widget);
    QVERIFY(dpi > 0);
    QCOMPARE(LogicalDpi(nullptr), dpi);
    QCOMPARE(TwipsToPixels(1440, &widget), int(std::lround(dpi)));
    QCOMPARE(PixelsToTwips(int(dpi), &widget), 1440.0 * int(dpi) / dpi);
    // Nearest pixel, not truncation.
    const double twipsPerPixel = 1440.0 / dpi;
    QCOMPARE(TwipsToPixels(10 * twipsPerPixel + 0.6 * twipsPerPixel, &widget), 11);
    QCOMPARE(TwipsToPixels(10 * twipsPerPixel + 0.4 * twipsPerPixel, &widget), 10);
    QCOMPARE(TwipsToPixels(-10.6 * twipsPerPixel, &widget), -11);
    QCOMPARE(TwipsToPixels(PixelsToTwips(241, &widget), &widget), 241);
}

void UpDownTest::sizeHintMatchesATextBox() {
    UpDown upDown;
    QLineEdit textBox;
    const QSize hint = upDown.sizeHint();
    QCOMPARE(hint.width(), 17);
    QVERIFY(hint.height() % 2 == 0);
    QVERIFY(qAbs(hint.height() - textBox.sizeHint().height()) <= 1);
}

void UpDownTest::clicksOnlyWhenReleasedOverThePressedHalf_data() {
    AddColumns<QPoint, QPoint, QStringList>("pressAt", "releaseAt", "expected");
    const QStringList upClick = {"MouseDown", "MouseUp", "UpClick"};
    const QStringList downClick = {"MouseDown", "MouseUp", "DownClick"};
    const QStringList noClick = {"MouseDown", "MouseUp"};
    QTest::newRow("up half") << QPoint(8, 3) << QPoint(8, 5) << upClick;
    QTest::newRow("down half") << QPoint(8, 16) << QPoint(4, 18) << downClick;
    QTest::newRow("first row of the down half") << QPoint(8, 10) << QPoint(8, 10) << downClick;
    QTest::newRow("pressed up, released down") << QPoint(8, 3) << QPoint(8, 15) << noClick;
    QTest::newRow("released right of the control") << QPoint(8, 3) << QPoint(40, 3) << noClick;
    QTest::newRow("released above the control") << QPoint(8, 3) << QPoint(8, -5) << noClick;
}

void UpDownTest::clicksOnlyWhenReleasedOverThePressedHalf() {
    QFETCH(QPoint, pressAt);
    QFETCH(QPoint, releaseAt);
    QFETCH(QStringList, expected);
    UpDown upDown;
    upDown.resize(17, 20);
    QStringList seen;
    connect(&upDown, &UpDown::MouseDown, this, [&seen] { seen << "MouseDown"; });
    connect(&upDown, &UpDown::MouseUp, this, [&seen] { seen << "MouseUp"; });
    connect(&upDown, &UpDown::UpClick, this, [&seen] { seen << "UpClick"; });
    connect(&upDown, &UpDown::DownClick, this, [&seen] { seen << "DownClick"; });
    QTest::mousePress(&upDown, Qt::LeftButton, Qt::NoModifier, pressAt);
    QTest::mouseRelease(&upDown, Qt::LeftButton, Qt::NoModifier, releaseAt);
    QCOMPARE(seen, expected);

    // A second press starts afresh: nothing is left over from the first.
    seen.clear();
    QTest::mousePress(&upDown, Qt::LeftButton, Qt::NoModifier, QPoint(8, 3));
    QTest::mouseRelease(&upDown, Qt::LeftButton, Qt::NoModifier, QPoint(8, 3));
    QCOMPARE(seen, QStringList({"MouseDown", "MouseUp", "UpClick"}));
}

void UpDownTest::reportsButtonShiftAndPositionInTwips_data() {
    AddColumns<int, int, int, int>("button", "modifiers", "buttonCode", "shiftCode");
    QTest::newRow("left") << int(Qt::LeftButton) << int(Qt::NoModifier) << 1 << 0;
    QTest::newRow("right with Shift") << int(Qt::RightButton) << int(Qt::ShiftModifier) << 2 << 1;
    QTest::newRow("left with all three") << int(Qt::LeftButton)
                                         << int(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier) << 1 << 7;
}

void UpDownTest::reportsButtonShiftAndPositionInTwips() {
    QFETCH(int, button);
    QFETCH(int, modifiers);
    QFETCH(int, buttonCode);
    QFETCH(int, shiftCode);
    UpDown upDown;
    upDown.resize(17, 20);
    QSignalSpy down(&upDown, &UpDown::MouseDown);
    QSignalSpy up(&upDown, &UpDown::MouseUp);
    const auto mouseButton = Qt::MouseButton(button);
    const auto keys = Qt::KeyboardModifiers(modifiers);
    QTest::mousePress(&upDown, mouseButton, keys, QPoint(5, 3));
    QTest::mouseRelease(&upDown, mouseButton, keys, QPoint(12, 16));
    const double perPixel = 1440.0 / LogicalDpi(&upDown);
    QCOMPARE(down.count(), 1);
    QCOMPARE(down[0][0].toInt(), buttonCode);
    QCOMPARE(down[0][1].toInt(), shiftCode);
    QCOMPARE(down[0][2].toDouble(), 5 * perPixel);
    QCOMPARE(down[0][3].toDouble(), 3 * perPixel);
    QCOMPARE(up.count(), 1);
    QCOMPARE(up[0][0].toInt(), buttonCode);
    QCOMPARE(up[0][1].toInt(), shiftCode);
    QCOMPARE(up[0][2].toDouble(), 12 * perPixel);
    QCOMPARE(up[0][3].toDouble(), 16 * perPixel);
}

void UpDownTest::otherButtonsNeverClick() {
    UpDown upDown;
    upDown.resize(17, 20);
    QSignalSpy upClick(&upDown, &UpDown::UpClick);
    QSignalSpy downClick(&upDown, &UpDown::DownClick);
    QTest::mouseClick(&upDown, Qt::RightButton, Qt::NoModifier, QPoint(8, 3));
    QTest::mouseClick(&upDown, Qt::MiddleButton, Qt::NoModifier, QPoint(8, 15));
    // A right click in the middle of a left press does not end the press.
    QTest::mousePress(&upDown, Qt::LeftButton, Qt::NoModifier, QPoint(8, 15));
    QTest::mouseClick(&upDown, Qt::RightButton, Qt::NoModifier, QPoint(8, 15));
    QCOMPARE(downClick.count(), 0);
    QTest::mouseRelease(&upDown, Qt::LeftButton, Qt::NoModifier, QPoint(8, 15));
    QCOMPARE(upClick.count(), 0);
    QCOMPARE(downClick.count(), 1);
}

QTEST_MAIN(UpDownTest)
#include "up_down_test.moc"
