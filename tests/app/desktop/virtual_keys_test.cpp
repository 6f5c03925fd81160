#include <QKeyEvent>
#include <QtTest>

#include "app/desktop/virtual_keys.h"
#include "tests/app/support/data_columns.h"

using cuemark::testing::AddColumns;
using namespace cuemark;

class VirtualKeysTest : public QObject {
    Q_OBJECT
private slots:
    void mapsQtKeysToWindowsCodes_data();
    void mapsQtKeysToWindowsCodes();
    void mapsEveryFunctionKey();
    void namesTheKeyBoxShows_data();
    void namesTheKeyBoxShows();
};

void VirtualKeysTest::mapsQtKeysToWindowsCodes_data() {
    AddColumns<int, int, int>("key", "modifiers", "code");
    const int none = Qt::NoModifier;
    const int shift = Qt::ShiftModifier;
    const int keypad = Qt::KeypadModifier;
    QTest::newRow("A") << int(Qt::Key_A) << none << 65;
    QTest::newRow("Shift+A") << int(Qt::Key_A) << shift << 65;
    QTest::newRow("0") << int(Qt::Key_0) << none << 48;
    QTest::newRow("keypad 0") << int(Qt::Key_0) << keypad << 96;
    QTest::newRow("keypad 9") << int(Qt::Key_9) << keypad << 105;
    QTest::newRow("Shift+1 on a US layout") << int(Qt::Key_Exclam) << shift << 49;
    QTest::newRow("Space") << int(Qt::Key_Space) << none << 32;
    QTest::newRow("Shift") << int(Qt::Key_Shift) << shift << 16;
    QTest::newRow("Control") << int(Qt::Key_Control) << int(Qt::ControlModifier) << 17;
    QTest::newRow("Windows key") << int(Qt::Key_Meta) << int(Qt::MetaModifier) << 91;
    QTest::newRow("AltGr") << int(Qt::Key_AltGr) << none << 18;
    QTest::newRow("menu key") << int(Qt::Key_Menu) << none << 93;
    QTest::newRow("Down") << int(Qt::Key_Down) << none << 40;
    QTest::newRow("Return") << int(Qt::Key_Return) << none << 13;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << keypad << 13;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << none << 27;
    QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab) << shift << 9;
    QTest::newRow("Delete") << int(Qt::Key_Delete) << none << 46;
    QTest::newRow("PageUp") << int(Qt::Key_PageUp) << none << 33;
    QTest::newRow("NumLock") << int(Qt::Key_NumLock) << none << 144;
    QTest::newRow("Print") << int(Qt::Key_Print) << none << 44;
    QTest::newRow("keypad *") << int(Qt::Key_Asterisk) << keypad << 106;
    QTest::newRow("keypad +") << int(Qt::Key_Plus) << keypad << 107;
    QTest::newRow("keypad -") << int(Qt::Key_Minus) << keypad << 109;
    QTest::newRow("keypad .") << int(Qt::Key_Period) << keypad << 110;
    QTest::newRow("keypad /") << int(Qt::Key_Slash) << keypad << 111;
    QTest::newRow(";") << int(Qt::Key_Semicolon) << none << 186;
    QTest::newRow(":") << int(Qt::Key_Colon) << shift << 186;
    QTest::newRow("+ beside Backspace") << int(Qt::Key_Plus) << shift << 187;
    QTest::newRow("-") << int(Qt::Key_Minus) << none << 189;
    QTest::newRow("_") << int(Qt::Key_Underscore) << shift << 189;
    QTest::newRow("~") << int(Qt::Key_AsciiTilde) << shift << 192;
    QTest::newRow("|") << int(Qt::Key_Bar) << shift << 220;
    QTest::newRow("\"") << int(Qt::Key_QuoteDbl) << shift << 222;
    QTest::newRow("volume key has no code") << int(Qt::Key_VolumeUp) << none << 0;
}

void VirtualKeysTest::mapsQtKeysToWindowsCodes() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, code);
    const QKeyEvent release(QEvent::KeyRelease, key, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(int(VirtualKeyOf(release)), code);
}

void VirtualKeysTest::mapsEveryFunctionKey() {
    for (int i = 0; i < 24; ++i) {
        const QKeyEvent event(QEvent::KeyRelease, Qt::Key_F1 + i, Qt::NoModifier);
        QCOMPARE(int(VirtualKeyOf(event)), 112 + i);
    }
    const QKeyEvent beyond(QEvent::KeyRelease, Qt::Key_F25, Qt::NoModifier);
    QCOMPARE(int(VirtualKeyOf(beyond)), 0);
}

void VirtualKeysTest::namesTheKeyBoxShows_data() {
    AddColumns<int, QString>("code", "name");
    QTest::newRow("space bar") << 32 << "Space";
    QTest::newRow("Shift") << 16 << "Shift";
    QTest::newRow("Control") << 17 << "Control";
    QTest::newRow("either Alt") << 18 << "Lt Alt";
    QTest::newRow("menu key") << 93 << "Rt Alt";
    QTest::newRow("A") << 65 << "[65]";
    QTest::newRow("Escape") << 27 << "[27]";
    QTest::newRow("Windows key") << 91 << "[91]";
    QTest::newRow("F24") << 135 << "[135]";
}

void VirtualKeysTest::namesTheKeyBoxShows() {
    QFETCH(int, code);
    QFETCH(QString, name);
    QCOMPARE(QString::fromStdString(KeyName(static_cast<std::int16_t>(code))), name);
}

QTEST_MAIN(VirtualKeysTest)
#include "virtual_keys_test.moc"
