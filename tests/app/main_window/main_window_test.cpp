// The main window's controls, start, layout, settings and close.
#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "app/widgets/picture_box.h"
#include "app/desktop/twips.h"
#include "tests/app/support/data_columns.h"
#include "tests/app/support/main_window_fixture.h"
#include "tests/app/support/scripted_editor.h"

using cuemark::testing::AddColumns;
using namespace cuemark;
using namespace cuemark::testing;

namespace {

// A shown window with unsaved changes and an editor open on it.
struct UnsavedWithEditor : MainWindowFixture {
    std::unique_ptr<ScriptedEditor> editor;
    UnsavedWithEditor() {
        open().show();
        editor = std::make_unique<ScriptedEditor>(*window);
        window->EditorOpened(editor.get());
        window->setSubtitlesChanged(true);
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void controlsCarryTheirCaptionsAndToolTips_data();
    void controlsCarryTheirCaptionsAndToolTips();
    void captionNamesTheVersion();
    void firstStartUsesTheDesignAndDefaults();
    void settingsWrittenAtCloseComeBackAtStart();
    void storedFrameRateIsRoundedToThousandths();
    void unreadableStoredFrameRateFallsBackTo25();
    void closingMaximisedKeepsTheStoredPlaceAndSize();
    void shrinkingSnapsToTheMinimumWidthThenHeight();
    void panelsSitAtTheBottomAndThePlayerFillsTheRest();
    void closeWithChangesAsksAndNoCloses();
    void closeWithChangesAndCancelledSaveStaysOpen();
    void storeEventsReachTheOpenEditor();
    void actionKeyIsSpaceAfterEveryStart();
};

void MainWindowTest::controlsCarryTheirCaptionsAndToolTips_data() {
    AddColumns<QString, QString, QString>("name", "caption", "toolTip");
    auto row = [](const char* name, const char* caption, const char* toolTip) {
        QTest::newRow(name) << name << caption << toolTip;
    };
    row("MP", "", "Right-click for a player options menu, or move the mouse out to get rid of this text");
    row("Label2", "Media:", "");
    row("txtAVI", "", "Enter the media (AVI, MPG...) file path here, or click the button to browse");
    row("cmdBrowseAVI", "...", "Browse for the media file");
    row("Label3", "Subtitle:", "");
    row("txtSRT", "", "Enter the subtitle (SRT, SMI, SUB) file path here, or click the little button to browse");
    row("cmdBrowseSRT", "...", "Browse for the subtitle file");
    row("Label6", "When playing", "");
    row("optShow", "View subtitles", "Show the subtitles like they would occur in a player");
    row("optPosition", "Position Subtitles",
        "Show each subtitle ahead of time, and allow for placing it by pressing a key");
    row("cmdSave", "Save Subtitles", "Save the current version of the subtitles to a file");
    row("cmdEdit", "Edit Subtitles", "Open the subtitle list for editing individual titles or groups");
    row("cmdExit", "Exit", "Exit Cuemark");
    row("Label1", "Time:", "");
    row("txtTime", "", "Shows current playback position and allows jumping to an exact point in the media");
    row("txtSubtitle", "", "Here the subtitles will be shown during playback or positioning");
    row("Label5", "Next Subtitle:", "");
    row("Label4", "Key:", "");
    row("txtKey", "Space", "Click here to choose another key for title positioning");
    row("cmdSelStart", "Sel. Start", "Set playback start to the current slider position");
    row("txtSelStart", "", "Shows the current playback start point");
    row("cmdSelEnd", "Sel. End", "Set playback end to the current slider position");
    row("txtSelEnd", "", "Shows the current playback end point");
    row("Label7", ">>", "");
}

void MainWindowTest::controlsCarryTheirCaptionsAndToolTips() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, toolTip);
    MainWindowFixture f;
    f.open();
    QWidget* control = f.window->findChild<QWidget*>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->toolTip(), toolTip);
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control)) text = label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control)) text = button->text();
    if (auto* box = qobject_cast<QLineEdit*>(control)) text = box->text();
    QCOMPARE(text, caption);
}

void MainWindowTest::captionNamesTheVersion() {
    MainWindowFixture f;
    f.open();
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Cuemark V") + QStringLiteral(CUEMARK_VERSION));
}

void MainWindowTest::firstStartUsesTheDesignAndDefaults() {
    MainWindowFixture f;
    frmCuemark& w = f.open();
    // The design's width is below the minimum, which the layout applies.
    QCOMPARE(w.frameGeometry().width(), TwipsToPixels(10000, &w));
    QCOMPARE(w.height(), TwipsToPixels(6240, &w));
    QCOMPARE(w.FrameRate(), 25.0);
    QCOMPARE(f.dialogFileName(), std::string());
    QVERIFY(!f.control<QWidget>("cmdSave")->isEnabled());
    QVERIFY(!f.control<QWidget>("cmdEdit")->isEnabled());
    for (const char* name : {"cmdBlue", "cmdGreen", "cmdAdjust", "picButtons"})
        QVERIFY2(!f.control<QWidget>(name)->isEnabled(), name);
    QCOMPARE(f.stripPicture(), 1);
    QVERIFY(f.control<QRadioButton>("optShow")->isChecked());
    QVERIFY(f.control<QWidget>("txtKey")->isHidden());
    QVERIFY(!w.subtitlesChanged());
}

void MainWindowTest::settingsWrittenAtCloseComeBackAtStart() {
    MainWindowFixture f;
    f.open().show();
    f.window->move(TwipsToPixels(1500, f.window.get()), TwipsToPixels(900, f.window.get()));
    f.window->resize(TwipsToPixels(12000, f.window.get()), TwipsToPixels(7200, f.window.get()));
    f.window->setDialogFileName("/home/ann/my.films/cut.srt");
    f.files().FrameRate = 23.976;
    QVERIFY(f.close());
    QCOMPARE(f.settings->GetString("MRU", "?"), std::string("/home/ann/my.films/cut.srt"));
    QCOMPARE(f.settings->GetString("LastFrameRate", "?"), std::string("23.976"));
    QCOMPARE(f.settings->GetDword("Width", 0), 12000);

    frmCuemark& again = f.open();
    QCOMPARE(again.width(), TwipsToPixels(12000, &again));
    QCOMPARE(again.height(), TwipsToPixels(7200, &again));
    QCOMPARE(again.x(), TwipsToPixels(1500, &again));
    QCOMPARE(f.dialogFileName(), std::string("/home/ann/my.films/cut.srt"));
    QCOMPARE(again.FrameRate(), 23.976);
}

void MainWindowTest::storedFrameRateIsRoundedToThousandths() {
    MainWindowFixture f;
    f.settings->SetString("LastFrameRate", "23.9761");
    QCOMPARE(f.open().FrameRate(), 23.976);
}

void MainWindowTest::unreadableStoredFrameRateFallsBackTo25() {
    for (const char* stored : {"abc", "0", "", "1e400", "-5"}) {
        MainWindowFixture f;
        f.settings->SetString("LastFrameRate", stored);
        QCOMPARE(f.open().FrameRate(), 25.0);
    }
}

void MainWindowTest::closingMaximisedKeepsTheStoredPlaceAndSize() {
    MainWindowFixture f;
    f.settings->SetDword("Width", 11111);
    f.open().show();
    f.window->setDialogFileName("/films/a.srt");
    f.window->setWindowState(Qt::WindowMaximized);
    QVERIFY(f.close());
    QCOMPARE(f.settings->GetDword("Width", 0), 11111);
    QCOMPARE(f.settings->GetString("MRU", ""), std::string("/films/a.srt"));
    QCOMPARE(f.settings->GetString("LastFrameRate", ""), std::string("25"));
}

void MainWindowTest::shrinkingSnapsToTheMinimumWidthThenHeight() {
    MainWindowFixture f;
    frmCuemark& w = f.open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(TwipsToPixels(8000, &w), TwipsToPixels(4000, &w));
    QTRY_COMPARE(w.frameGeometry().width(), TwipsToPixels(10000, &w));
    QTRY_COMPARE(w.frameGeometry().height(), TwipsToPixels(5000, &w));
}

void MainWindowTest::panelsSitAtTheBottomAndThePlayerFillsTheRest() {
    MainWindowFixture f;
    frmCuemark& w = f.open();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.resize(TwipsToPixels(12000, &w), TwipsToPixels(8000, &w));
    auto* left = f.control<QWidget>("PB");
    auto* right = f.control<QWidget>("PB2");
    auto* view = f.control<QWidget>("MP");
    QTRY_COMPARE(left->y() + left->height(), w.height());
    QCOMPARE(left->x(), 0);
    QCOMPARE(right->x(), left->width());
    QCOMPARE(right->y(), left->y());
    QCOMPARE(view->geometry(), QRect(0, 0, w.width(), left->y()));
    auto* strip = f.control<QWidget>("picButtons");
    QVERIFY(strip->geometry().bottom() < view->height());
    QVERIFY(strip->y() > view->height() / 2);
}

void MainWindowTest::closeWithChangesAsksAndNoCloses() {
    UnsavedWithEditor f;
    f.services.answers = {MessageAnswer::No};
    QVERIFY(f.close());
    QCOMPARE(f.editor->closes, 1);
    QCOMPARE(f.services.messages, std::vector<std::string>{"Save subtitles?"});
    QCOMPARE(f.services.messageButtons.back(), MessageButtons::YesNo);
}

void MainWindowTest::closeWithChangesAndCancelledSaveStaysOpen() {
    UnsavedWithEditor f;
    f.services.answers = {MessageAnswer::Yes};
    QVERIFY(!f.close());
    QVERIFY(f.window->isVisible());
    QCOMPARE(f.editor->closes, 1);
    QVERIFY(!f.window->editorOpen());
    QVERIFY(f.window->subtitlesChanged());
    QCOMPARE(f.settings->GetString("LastFrameRate", "none"), std::string("none"));
}

void MainWindowTest::storeEventsReachTheOpenEditor() {
    MainWindowFixture f;
    f.open();
    f.loadTitles({{1, 2}, {3, 4}});
    ScriptedEditor editor(*f.window);
    f.window->EditorOpened(&editor);
    f.window->Subt.SetTimes(1, 1.5, 2.5);
    f.window->Subt.Delete(2);
    f.window->Subt.Undo(); // brings title 2 back
    QCOMPARE(editor.listLoads, 1);
    QCOMPARE(editor.undoButton.front(), true);
    f.window->EditorClosed();
    f.window->Subt.Undo();
    QCOMPARE(editor.listLoads, 1);
}

void MainWindowTest::actionKeyIsSpaceAfterEveryStart() {
    MainWindowFixture f;
    f.open().ActionKey = 65;
    QVERIFY(f.close());
    QCOMPARE(f.open().ActionKey, std::int16_t(32));
    QCOMPARE(f.control<QLineEdit>("txtKey")->text(), QStringLiteral("Space"));
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
