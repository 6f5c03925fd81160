// One user's whole session, through the real windows: load a SubRip file,
// time three titles with the action key while the film plays, fix two titles
// in the editor, stretch by the two marked titles, save as MicroDVD and load
// the result back; change it once more and save on Exit.
#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <cmath>

#include "tests/app/support/editor_fixture.h"

using namespace cuemark;
using namespace cuemark::testing;

namespace {

// The film and a SubRip file, opened as a user would, with the editor ready.
void OpenFilmAndTitles(EditorFixture& f, const std::string& srt) {
    f.open();
    InstallEditor(*f.window);
    f.window->OpenMediaFile(f.mediaFile());
    f.services.openNames = {f.writeFile("film.srt", srt)};
    f.window->cmdBrowseSRT_Click();
}

} // namespace

class UserSessionTest : public QObject {
    Q_OBJECT
private slots:
    void timeFixStretchSaveAsMicroDvdAndLoadBack();
    void undoneInsertThenAdjustAndShortcutsThatAskAtExit();
};

void UserSessionTest::timeFixStretchSaveAsMicroDvdAndLoadBack() {
    EditorFixture f;
    OpenFilmAndTitles(f,
                      "1\r\n00:00:10,000 --> 00:00:12,000\r\nOne\r\n\r\n"
                      "2\r\n00:00:20,000 --> 00:00:22,000\r\nTwo\r\n\r\n"
                      "3\r\n00:00:30,000 --> 00:00:32,000\r\n<i>Three</i>\r\n\r\n"
                      "4\r\n00:00:40,000 --> 00:00:42,000\r\nFour\r\n\r\n"
                      "5\r\n00:00:50,000 --> 00:00:52,000\r\nFive\r\n\r\n");
    SUBTITLES& s = f.window->Subt;
    QCOMPARE(s.Count(), 5);

    // Timing: hold the action key while each of the first three titles should show.
    f.control<QRadioButton>("optPosition")->click();
    f.player->Play();
    const std::pair<double, double> held[] = {{9.5, 11.0}, {19.0, 21.5}, {29.8, 31.0}};
    for (const auto& [down, up] : held) {
        f.player->advanceTo(down);
        f.window->Form_KeyDown(32, 0);
        f.player->advanceTo(up);
        f.window->Form_KeyUp(32, 0);
    }
    f.player->Pause();
    QCOMPARE(s.StartTime(3), 29.8);
    QCOMPARE(s.EndTime(2), 21.5);
    QVERIFY(f.window->subtitlesChanged());

    // The editor: title 2 a little later, title 4 rewritten on two lines and moved.
    f.control<QAbstractButton>("cmdEdit")->click();
    auto* editor = dynamic_cast<frmList*>(f.window->editor());
    QVERIFY(editor);
    f.selectRowsOn(*editor, {2});
    editor->RunCommand("Later");
    f.selectRowsOn(*editor, {4});
    f.services.modalDrivers.push_back([](QDialog& d) {
        d.findChild<QPlainTextEdit*>("txtSubt")->setPlainText("Four\nlines");
        d.findChild<QLineEdit*>("txtStart")->setText("00:00:40,500");
        QMetaObject::invokeMethod(&d, "cmdOK_Click");
    });
    editor->RunCommand("Edit");
    QCOMPARE(s.Text(4), std::string("Four\r\nlines"));
    QCOMPARE(s.EndTime(4), 42.5);

    // Stretch: the marked titles (1 and 5) go to 10 s and 100 s.
    QCOMPARE(editor->FirstIndex(), 1);
    QCOMPARE(editor->LastIndex(), 5);
    f.services.modalDrivers.push_back([](QDialog& d) {
        d.findChild<QLineEdit*>("txtFirstSubtitle")->setText("00:00:10,000");
        d.findChild<QLineEdit*>("txtLastSubtitle")->setText("00:01:40,000");
        QMetaObject::invokeMethod(&d, "cmdOK_Click");
    });
    editor->RunCommand("Stretch");
    const double factor = (100.0 - 10.0) / (50.0 - 9.5);
    const double offset = 10.0 - 9.5 * factor;
    const std::pair<double, double> expected[] = {{9.5 * factor + offset, 11.0 * factor + offset},
                                                  {19.1 * factor + offset, 21.6 * factor + offset},
                                                  {29.8 * factor + offset, 31.0 * factor + offset},
                                                  {40.5 * factor + offset, 42.5 * factor + offset},
                                                  {50.0 * factor + offset, 52.0 * factor + offset}};
    for (int i = 1; i <= 5; ++i) {
        QVERIFY(std::abs(s.StartTime(i) - expected[i - 1].first) < 1e-9);
        QVERIFY(std::abs(s.EndTime(i) - expected[i - 1].second) < 1e-9);
    }
    QCOMPARE(s.UndoCount(), 0);

    // Save as MicroDVD at 25 frames per second, then load it back.
    f.services.saveNames = {f.path("film.sub")};
    f.services.frameRate = 25.0;
    f.window->cmdSave_Click();
    QVERIFY(!f.window->subtitlesChanged());
    f.window->OpenSubtitleFile(f.path("film.sub"));
    QCOMPARE(s.Count(), 5);
    QCOMPARE(editor->RowCount(), 5);
    const char* texts[] = {"One", "Two", "<i>Three</i>", "Four\r\nlines", "Five"};
    for (int i = 1; i <= 5; ++i) {
        QCOMPARE(s.Text(i), std::string(texts[i - 1]));
        QVERIFY2(std::abs(s.StartTime(i) - expected[i - 1].first) <= 1.0 / 25 + 1e-9, qPrintable(QString::number(i)));
        QVERIFY2(std::abs(s.EndTime(i) - expected[i - 1].second) <= 1.0 / 25 + 1e-9, qPrintable(QString::number(i)));
    }
    QVERIFY(f.services.messages.empty());

    // One more change, then Exit: "Save subtitles?", Yes, and Enter on the
    // name the save dialog suggests, which has no extension.
    const std::string saved = f.readFile("film.sub");
    f.selectRowsOn(*editor, {1});
    editor->RunCommand("Later");
    QVERIFY(f.window->subtitlesChanged());
    f.services.answers = {MessageAnswer::Yes};
    f.services.saveNames = {f.path("film")};
    QVERIFY(f.close());
    QCOMPARE(f.services.messages, std::vector<std::string>{"Save subtitles?"});
    QCOMPARE(f.services.saveRequests.back().fileName, f.path("film"));
    QVERIFY(!QFileInfo::exists(QString::fromStdString(f.path("film"))));
    const std::string resaved = f.readFile("film.sub");
    QVERIFY(!resaved.empty());
    QVERIFY(resaved != saved);
    QCOMPARE(resaved.substr(resaved.find('}', resaved.find('}') + 1) + 1, 3), std::string("One"));
}

void UserSessionTest::undoneInsertThenAdjustAndShortcutsThatAskAtExit() {
    EditorFixture f;
    OpenFilmAndTitles(f,
                      "1\r\n00:00:10,000 --> 00:00:12,000\r\nOne\r\n\r\n"
                      "2\r\n00:00:20,000 --> 00:00:22,000\r\nTwo\r\n\r\n"
                      "3\r\n00:00:30,000 --> 00:00:32,000\r\nlt is three\r\n\r\n"
                      "4\r\n00:01:00,000 --> 00:01:02,000\r\nFour\r\n\r\n");
    SUBTITLES& s = f.window->Subt;
    f.control<QAbstractButton>("cmdEdit")->click();
    auto* editor = dynamic_cast<frmList*>(f.window->editor());
    QVERIFY(editor);

    // An Insert taken back leaves the marks on titles 1 and 4.
    f.selectRowsOn(*editor, {2});
    editor->RunCommand("Insert");
    editor->findChild<QAction*>("mnuEditUndo")->trigger();
    QCOMPARE(s.Count(), 4);
    QCOMPARE(editor->LastIndex(), 4);

    // Blue at 5 s, green at 65 s: Adjust maps titles 1 and 4 onto them.
    f.player->advanceTo(5);
    f.control<QAbstractButton>("cmdBlue")->click();
    f.player->advanceTo(65);
    f.control<QAbstractButton>("cmdGreen")->click();
    f.control<QAbstractButton>("cmdAdjust")->click();
    QCOMPARE(s.StartTime(1), 5.0);
    QCOMPARE(s.StartTime(4), 65.0);
    QVERIFY(std::abs(s.StartTime(2) - 17.0) < 1e-9);
    QVERIFY(f.services.messages.empty());

    // Saved; then Ctrl+F9 and Ctrl+F8 change titles, and Exit asks first.
    f.services.saveNames = {f.path("film.srt")};
    f.window->cmdSave_Click();
    QVERIFY(!f.window->subtitlesChanged());
    editor->findChild<QAction*>("mnuEditSpell")->trigger();
    QCOMPARE(s.Text(3), std::string("It is three"));
    QVERIFY(f.window->subtitlesChanged());
    f.services.saveNames = {f.path("film.srt")};
    f.window->cmdSave_Click();
    QVERIFY(!f.window->subtitlesChanged());
    f.services.modalDrivers.push_back([](QDialog& d) {
        d.findChild<QRadioButton*>("optEnd")->setChecked(true);
        d.findChild<QLineEdit*>("txtSec")->setText("1.000");
        QMetaObject::invokeMethod(&d, "cmdOK_Click");
    });
    editor->findChild<QAction*>("mnuTimeShift")->trigger();
    QCOMPARE(s.StartTime(1), 6.0);
    f.services.answers = {MessageAnswer::No};
    f.window->close();
    QCOMPARE(f.services.messages, std::vector<std::string>{"Save subtitles?"});
}

QTEST_MAIN(UserSessionTest)
#include "user_session_test.moc"
