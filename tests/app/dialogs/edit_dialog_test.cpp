#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QtTest>

#include <cmath>
#include <memory>

#include "app/dialogs/frm_edit.h"
#include "app/widgets/tag_buttons.h"
#include "app/desktop/twips.h"
#include "subtitles/time_text.h"
#include "tests/app/support/data_columns.h"
#include "tests/app/support/fake_editor.h"
#include "tests/app/support/main_window_fixture.h"

using cuemark::testing::AddColumns;
using namespace cuemark;
using cuemark::testing::FakeEditorWindow;
using cuemark::testing::MainWindowFixture;

namespace {

const QString DurationRefused = "The duration cannot be negative or zero.";
const QString StartBeforeMedia = "The title cannot start before the start of the media.";
const QString StartBeforePrevious = "This would start the title before the end of the previous one.";
const QString EndAfterNext = "This would make the subtitle last until after the start of the next one.";

// A main window holding three titles at realistic millisecond times (read
// the way files and fields read them), and an editor on one row.
struct EditSession {
    explicit EditSession(std::int32_t row = 2) {
        fx.open();
        fx.loadTitles({{1.2, 2.345}, {3.123, 4.567}, {5.123, 7.89}});
        editor = std::make_unique<FakeEditorWindow>(*fx.window);
        editor->select({row});
    }
    std::unique_ptr<frmEdit> openDialog() { return std::make_unique<frmEdit>(*editor); }
    SUBTITLES& subt() { return fx.window->Subt; }
    QStringList messages() const {
        QStringList shown;
        for (const auto& text : fx.services.messages) shown << QString::fromStdString(text);
        return shown;
    }

    MainWindowFixture fx;
    std::unique_ptr<FakeEditorWindow> editor;
};

template <typename T>
T* control(QWidget& dialog, const char* name) {
    T* found = dialog.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) qFatal("no control %s", name);
    return found;
}

void setFields(QWidget& dialog, const QString& start, const QString& duration) {
    control<QLineEdit>(dialog, "txtStart")->setText(start);
    control<QLineEdit>(dialog, "txtDuration")->setText(duration);
}

void putCaret(QWidget& dialog, int position) {
    auto* box = control<QPlainTextEdit>(dialog, "txtSubt");
    QTextCursor cursor = box->textCursor();
    cursor.setPosition(position);
    box->setTextCursor(cursor);
}

QSize outerTwips(const QWidget& dialog) {
    const QSize outer = dialog.frameGeometry().size();
    return {int(std::lround(PixelsToTwips(outer.width(), &dialog))),
            int(std::lround(PixelsToTwips(outer.height(), &dialog)))};
}

} // namespace

class EditDialogTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithTheRowsCellsTheListFontAndItsTexts();
    void showsTheTitlesLinesAndStoresThemWithCrLf();
    void okChecksTheTimesAgainstMediaAndNeighbours_data();
    void okChecksTheTimesAgainstMediaAndNeighbours();
    void refusedTimesLeaveStoreAndDialogAsTheyWere();
    void durationReadsWithEitherDecimalSeparator_data();
    void durationReadsWithEitherDecimalSeparator();
    void tagButtonsFollowTheCaret_data();
    void tagButtonsFollowTheCaret();
    void tagButtonsInsertAtTheCaretAndMoveItPastTheTag_data();
    void tagButtonsInsertAtTheCaretAndMoveItPastTheTag();
    void tagButtonsFollowClicksAndKeyReleasesInTheTextBox();
    void okClosesOpenTagsInnermostFirstAndKeepsThemWhenRefused();
    void unchangedOkLeavesStoreJournalFlagAndListAlone();
    void untouchedOkKeepsTimesThatAreNotWholeMilliseconds();
    void untouchedOkWritesNoFrameAlignedTitle();
    void textOnlyEditIsAcceptedWhateverTheStoredTimes();
    void changedStartKeepsTheShownDuration();
    void changedOkStoresOneUndoStepAndMarksTheRow();
    void changedOkKeepsAStoreThatIsNotRecordingSo();
    void okWithoutACurrentRowClosesWithoutStoring();
    void cancelClosesWithoutStoring();
    void resizingSnapsToTheSmallestSizeAndLaysOut();
    void sizeIsWrittenAtCloseAndAppliedAtTheNextOpen();
    void opensOverTheEditorAtTheDialogOffset();
};

void EditDialogTest::opensWithTheRowsCellsTheListFontAndItsTexts() {
    EditSession s;
    s.editor->font = QFont("DejaVu Sans", 15, QFont::Bold, true);
    s.editor->font.setUnderline(true);
    s.editor->font.setStrikeOut(true);
    auto dialog = s.openDialog();

    QCOMPARE(dialog->objectName(), QString("frmEdit"));
    QCOMPARE(dialog->windowTitle(), QString("Edit subtitle"));
    auto* box = control<QPlainTextEdit>(*dialog, "txtSubt");
    QCOMPARE(box->toPlainText(), QString("T2"));
    QCOMPARE(control<QLineEdit>(*dialog, "txtStart")->text(), QString("00:00:03,123"));
    QCOMPARE(control<QLineEdit>(*dialog, "txtDuration")->text(), QString("1.444"));
    QCOMPARE(box->font(), s.editor->font);
    QCOMPARE(box->toolTip(), QString("Edit the subtitle text"));
    QCOMPARE(control<QLineEdit>(*dialog, "txtStart")->toolTip(), QString("Edit the subtitle start point"));
    QCOMPARE(control<QLineEdit>(*dialog, "txtDuration")->toolTip(), QString("Edit the subtitle duration"));
    QVERIFY(dialog->findChild<QWidget*>("PB") != nullptr);
    QCOMPARE(control<QLabel>(*dialog, "Label1")->text(), QString("Start:"));
    QCOMPARE(control<QLabel>(*dialog, "Label2")->text(), QString("Duration:"));
    auto* ok = control<QPushButton>(*dialog, "cmdOK");
    auto* cancel = control<QPushButton>(*dialog, "cmdCancel");
    QCOMPARE(ok->text(), QString("OK"));
    QVERIFY(ok->isDefault());
    QCOMPARE(ok->toolTip(), QString("Save changes and return to list"));
    QCOMPARE(cancel->text(), QString("Cancel"));
    QCOMPARE(cancel->toolTip(), QString("Cancel changes and return to list"));
    QCOMPARE(control<QPushButton>(*dialog, "cmdB")->text(), QString("<&b>"));
    QCOMPARE(control<QPushButton>(*dialog, "cmdI")->text(), QString("<&i>"));
}

void EditDialogTest::showsTheTitlesLinesAndStoresThemWithCrLf() {
    EditSession s;
    s.subt().SetText(2, "one\r\ntwo\u00a0words\r\nthree");
    auto dialog = s.openDialog();
    auto* box = control<QPlainTextEdit>(*dialog, "txtSubt");
    QCOMPARE(box->document()->blockCount(), 3);
    QCOMPARE(box->document()->findBlockByNumber(1).text(), QString("two\u00a0words"));

    box->appendPlainText("four");
    dialog->cmdOK_Click();
    QCOMPARE(s.subt().Text(2), std::string("one\r\ntwo\u00a0words\r\nthree\r\nfour"));
}

void EditDialogTest::okChecksTheTimesAgainstMediaAndNeighbours_data() {
    AddColumns<int, QString, QString>("row", "start", "duration");
    QTest::addColumn<QString>("message"); // empty: stored

    // Title 1 ends at 2.345, title 3 starts at 5.123.
    QTest::newRow("start at the previous end") << 2 << "00:00:02,345"
                                               << "1"
                                               << "";
    QTest::newRow("start 1 ms before the previous end") << 2 << "00:00:02,344"
                                                        << "1" << StartBeforePrevious;
    QTest::newRow("end at the next start") << 2 << "00:00:03,000"
                                           << "2.123"
                                           << "";
    QTest::newRow("end 1 ms after the next start") << 2 << "00:00:03,000"
                                                   << "2.124" << EndAfterNext;
    QTest::newRow("first title at 0") << 1 << "00:00:00,000"
                                      << "1"
                                      << "";
    QTest::newRow("first title at -1 ms") << 1 << "-00:00:00,001"
                                          << "1" << StartBeforeMedia;
    QTest::newRow("first title ends at the second") << 1 << "00:00:01,000"
                                                    << "2.123"
                                                    << "";
    QTest::newRow("last title as long as wanted") << 3 << "00:00:05,000"
                                                  << "86400"
                                                  << "";
    QTest::newRow("last title before its previous end") << 3 << "00:00:04,566"
                                                        << "1" << StartBeforePrevious;
    QTest::newRow("duration 0") << 2 << "00:00:03,000"
                                << "0" << DurationRefused;
    QTest::newRow("negative duration") << 2 << "00:00:03,000"
                                       << "-1" << DurationRefused;
    QTest::newRow("duration abc") << 2 << "00:00:03,000"
                                  << "abc" << DurationRefused;
    QTest::newRow("duration rounding to 0 ms") << 2 << "00:00:03,000"
                                               << "0.0004" << DurationRefused;
    QTest::newRow("infinite duration") << 3 << "00:00:05,000" << QString(400, '9') << DurationRefused;
    QTest::newRow("start too large to hold") << 3 << QString(304, '9') + ":00:00,000"
                                             << "1" << StartBeforeMedia;
    QTest::newRow("unreadable start reads as 0") << 1 << "soon"
                                                 << "1"
                                                 << "";
}

void EditDialogTest::okChecksTheTimesAgainstMediaAndNeighbours() {
    QFETCH(int, row);
    QFETCH(QString, start);
    QFETCH(QString, duration);
    QFETCH(QString, message);
    EditSession s(row);
    const double oldStart = s.subt().StartTime(row);
    auto dialog = s.openDialog();
    dialog->show();
    setFields(*dialog, start, duration);
    dialog->cmdOK_Click();

    if (message.isEmpty()) {
        QVERIFY(s.messages().isEmpty());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
        QVERIFY(!dialog->isVisible());
        QCOMPARE(s.subt().StartTime(row), TextToTime(start.toStdString()));
        QVERIFY(std::isfinite(s.subt().EndTime(row)));
    } else {
        QCOMPARE(s.messages(), QStringList{message});
        QVERIFY(dialog->isVisible());
        QCOMPARE(s.subt().StartTime(row), oldStart);
        QCOMPARE(s.subt().UndoCount(), std::int16_t(0));
    }
}

void EditDialogTest::refusedTimesLeaveStoreAndDialogAsTheyWere() {
    EditSession s;
    auto dialog = s.openDialog();
    control<QPlainTextEdit>(*dialog, "txtSubt")->setPlainText("new text");
    setFields(*dialog, "00:00:01,000", "1");
    dialog->cmdOK_Click();

    QCOMPARE(s.subt().Text(2), std::string("T2"));
    QCOMPARE(s.subt().EndTime(2), 4.567);
    QVERIFY(!s.fx.window->subtitlesChanged());
    QVERIFY(s.editor->markedChanged.empty());
    QVERIFY(s.editor->refreshedRows.empty());
    QCOMPARE(control<QPlainTextEdit>(*dialog, "txtSubt")->toPlainText(), QString("new text"));
    QCOMPARE(control<QLineEdit>(*dialog, "txtStart")->text(), QString("00:00:01,000"));
}

void EditDialogTest::durationReadsWithEitherDecimalSeparator_data() {
    AddColumns<QString, double>("duration", "end");
    QTest::newRow("full stop") << "1.5" << 4.5;
    QTest::newRow("comma as a list in such a locale shows it") << "1,5" << 4.5;
    QTest::newRow("number before other text") << "1.25 s" << 4.25;
    QTest::newRow("whole number") << "2" << 5.0;
}

void EditDialogTest::durationReadsWithEitherDecimalSeparator() {
    QFETCH(QString, duration);
    QFETCH(double, end);
    EditSession s;
    auto dialog = s.openDialog();
    setFields(*dialog, "00:00:03,000", duration);
    dialog->cmdOK_Click();
    QVERIFY(s.messages().isEmpty());
    QCOMPARE(s.subt().EndTime(2), RoundToMs(end));
}

void EditDialogTest::tagButtonsFollowTheCaret_data() {
    AddColumns<QString, int, QString, QString>("text", "caret", "bold", "italic");
    QTest::newRow("open bold, caret at the end") << "ab<b>cd" << 7 << "</&b>"
                                                 << "<&i>";
    QTest::newRow("caret one before the tag") << "ab<b>cd" << 1 << "<&b>"
                                              << "<&i>";
    QTest::newRow("caret just before the tag") << "ab<b>cd" << 2 << "<&b>"
                                               << "<&i>";
    QTest::newRow("caret just after the tag") << "ab<b>cd" << 5 << "</&b>"
                                              << "<&i>";
    QTest::newRow("bold closed before the caret") << "<b>a</b>c" << 9 << "<&b>"
                                                  << "<&i>";
    QTest::newRow("caret inside the bold run") << "<b>abc</b>" << 4 << "</&b>"
                                               << "<&i>";
    QTest::newRow("reopened bold") << "<b>a</b><b>c" << 12 << "</&b>"
                                   << "<&i>";
    QTest::newRow("both open") << "<i>a<b>c" << 8 << "</&b>"
                               << "</&i>";
    QTest::newRow("upper case is no tag") << "<B>a<I>b" << 8 << "<&b>"
                                          << "<&i>";
    QTest::newRow("empty text") << "" << 0 << "<&b>"
                                << "<&i>";
    QTest::newRow("italic on a later line") << "a\n<i>b" << 6 << "<&b>"
                                            << "</&i>";
}

void EditDialogTest::tagButtonsFollowTheCaret() {
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(QString, bold);
    QFETCH(QString, italic);
    EditSession s;
    auto dialog = s.openDialog();
    control<QPlainTextEdit>(*dialog, "txtSubt")->setPlainText(text);
    putCaret(*dialog, caret);
    dialog->txtSubt_Click();
    QCOMPARE(control<QPushButton>(*dialog, "cmdB")->text(), bold);
    QCOMPARE(control<QPushButton>(*dialog, "cmdI")->text(), italic);
}

void EditDialogTest::tagButtonsInsertAtTheCaretAndMoveItPastTheTag_data() {
    AddColumns<QString, int, bool, QString, int, QString>("text", "caret", "italic", "after", "caretAfter",
                                                          "captionAfter");
    QTest::newRow("bold opened mid-text") << "abcd" << 2 << false << "ab<b>cd" << 5 << "</&b>";
    QTest::newRow("bold closed at the end") << "<b>abc" << 6 << false << "<b>abc</b>" << 10 << "<&b>";
    QTest::newRow("italic at the start") << "abc" << 0 << true << "<i>abc" << 3 << "</&i>";
    QTest::newRow("italic closed mid-text") << "<i>abcd" << 5 << true << "<i>ab</i>cd" << 9 << "<&i>";
}

void EditDialogTest::tagButtonsInsertAtTheCaretAndMoveItPastTheTag() {
    QFETCH(QString, text);
    QFETCH(int, caret);
    QFETCH(bool, italic);
    QFETCH(QString, after);
    QFETCH(int, caretAfter);
    QFETCH(QString, captionAfter);
    EditSession s;
    auto dialog = s.openDialog();
    dialog->show();
    auto* box = control<QPlainTextEdit>(*dialog, "txtSubt");
    box->setPlainText(text);
    putCaret(*dialog, caret);
    dialog->txtSubt_Click();
    control<QPushButton>(*dialog, italic ? "cmdI" : "cmdB")->click();
    QCOMPARE(box->toPlainText(), after);
    QCOMPARE(box->textCursor().position(), caretAfter);
    QCOMPARE(dialog->focusWidget(), box);
    QCOMPARE(control<QPushButton>(*dialog, italic ? "cmdI" : "cmdB")->text(), captionAfter);
}

void EditDialogTest::tagButtonsFollowClicksAndKeyReleasesInTheTextBox() {
    EditSession s;
    auto dialog = s.openDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    auto* box = control<QPlainTextEdit>(*dialog, "txtSubt");
    auto* bold = control<QPushButton>(*dialog, "cmdB");
    box->setPlainText("x<b>yz");
    box->setFocus();
    putCaret(*dialog, 0);
    QTest::keyClick(box, Qt::Key_End);
    QCOMPARE(bold->text(), QString("</&b>"));
    QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, box->cursorRect(QTextCursor(box->document())).center());
    QCOMPARE(box->textCursor().position(), 0);
    QCOMPARE(bold->text(), QString("<&b>"));
}

void EditDialogTest::okClosesOpenTagsInnermostFirstAndKeepsThemWhenRefused() {
    EditSession s;
    auto dialog = s.openDialog();
    auto* box = control<QPlainTextEdit>(*dialog, "txtSubt");
    box->setPlainText("<i>a\n<b>b");
    setFields(*dialog, "00:00:00,000", "1"); // before title 1's end: refused
    dialog->cmdOK_Click();
    QCOMPARE(s.messages(), QStringList{StartBeforePrevious});
    QCOMPARE(box->toPlainText(), QString("<i>a\n<b>b</b></i>"));
    QCOMPARE(s.subt().Text(2), std::string("T2"));

    // A second OK finds nothing left open.
    setFields(*dialog, "00:00:03,123", "1");
    dialog->cmdOK_Click();
    QCOMPARE(s.subt().Text(2), std::string("<i>a\r\n<b>b</b></i>"));
    QCOMPARE(CloseOpenTags("<b>x</b><i>y</i>"), QString("<b>x</b><i>y</i>"));
}

void EditDialogTest::unchangedOkLeavesStoreJournalFlagAndListAlone() {
    EditSession s;
    s.subt().SetText(2, "line one\r\nline two");
    s.subt().ClearUndo();
    auto dialog = s.openDialog();
    dialog->cmdOK_Click();

    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(s.messages().isEmpty());
    QCOMPARE(s.subt().UndoCount(), std::int16_t(0));
    QVERIFY(!s.fx.window->subtitlesChanged());
    QVERIFY(s.editor->markedChanged.empty());
    QVERIFY(s.editor->refreshedRows.empty());
    QCOMPARE(s.subt().StartTime(2), 3.123);
    QCOMPARE(s.subt().EndTime(2), 4.567);
}

void EditDialogTest::untouchedOkKeepsTimesThatAreNotWholeMilliseconds() {
    // Frame times of a 23.976 fps file, with this title right after the first.
    EditSession s;
    s.subt().SetUndoEnabled(false);
    s.subt().SetEndTime(1, 100 / 23.976);
    s.subt().SetStartTime(2, 100 / 23.976);
    s.subt().SetEndTime(2, 120 / 23.976);
    s.subt().SetUndoEnabled(true);
    auto dialog = s.openDialog();
    dialog->cmdOK_Click();
    QVERIFY(s.messages().isEmpty());
    QCOMPARE(s.subt().UndoCount(), std::int16_t(0));
    QCOMPARE(s.subt().StartTime(2), 100 / 23.976);
}

void EditDialogTest::untouchedOkWritesNoFrameAlignedTitle() {
    // Title 2 lies between 2.345 and 5.123: frames 57 to 122 at 23.976 fps.
    // Rounding start and duration apart may miss the end's millisecond.
    EditSession s;
    int written = 0;
    for (int first = 57; first <= 90; ++first) {
        for (int last = first + 6; last <= 122; last += 7) {
            s.subt().SetUndoEnabled(false);
            s.subt().SetStartTime(2, first / 23.976);
            s.subt().SetEndTime(2, last / 23.976);
            s.subt().SetUndoEnabled(true);
            auto dialog = s.openDialog();
            dialog->cmdOK_Click();
            if (s.subt().UndoCount() != 0 || s.subt().EndTime(2) != last / 23.976) {
                ++written;
                qWarning("frames %d to %d were rewritten", first, last);
                s.subt().ClearUndo();
            }
        }
    }
    QCOMPARE(written, 0);
    QVERIFY(!s.fx.window->subtitlesChanged());
    QVERIFY(s.editor->markedChanged.empty());
}

void EditDialogTest::textOnlyEditIsAcceptedWhateverTheStoredTimes() {
    EditSession s(1);
    s.subt().SetUndoEnabled(false);
    s.subt().SetStartTime(1, -0.5);
    s.subt().SetUndoEnabled(true);
    auto dialog = s.openDialog();
    control<QPlainTextEdit>(*dialog, "txtSubt")->setPlainText("new words");
    dialog->cmdOK_Click();
    QVERIFY(s.messages().isEmpty());
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QCOMPARE(s.subt().Text(1), std::string("new words"));
    QCOMPARE(s.subt().StartTime(1), -0.5);
    QCOMPARE(s.subt().EndTime(1), 2.345);
    QVERIFY(s.fx.window->subtitlesChanged());
}

void EditDialogTest::changedStartKeepsTheShownDuration() {
    EditSession s;
    auto dialog = s.openDialog();
    control<QLineEdit>(*dialog, "txtStart")->setText("00:00:03,000");
    dialog->cmdOK_Click();
    QCOMPARE(s.subt().StartTime(2), 3.0);
    QCOMPARE(s.subt().EndTime(2), RoundToMs(4.444));
    QCOMPARE(s.subt().UndoCount(), std::int16_t(1));
}

void EditDialogTest::changedOkStoresOneUndoStepAndMarksTheRow() {
    EditSession s;
    auto dialog = s.openDialog();
    control<QPlainTextEdit>(*dialog, "txtSubt")->setPlainText("changed\nagain");
    setFields(*dialog, "00:00:03,500", "1.2");
    dialog->cmdOK_Click();

    QCOMPARE(s.subt().Text(2), std::string("changed\r\nagain"));
    QCOMPARE(s.subt().StartTime(2), 3.5);
    QCOMPARE(s.subt().EndTime(2), RoundToMs(4.7));
    QVERIFY(s.fx.window->subtitlesChanged());
    QCOMPARE(s.editor->refreshedRows, std::vector<std::int32_t>{2});
    QCOMPARE(s.editor->markedChanged, std::vector<std::int32_t>{2});
    QCOMPARE(s.subt().UndoCount(), std::int16_t(1));
    QVERIFY(s.subt().UndoEnabled());

    s.subt().Undo();
    QCOMPARE(s.subt().Text(2), std::string("T2"));
    QCOMPARE(s.subt().StartTime(2), 3.123);
    QCOMPARE(s.subt().EndTime(2), 4.567);
    QCOMPARE(s.subt().UndoCount(), std::int16_t(0));
}

void EditDialogTest::changedOkKeepsAStoreThatIsNotRecordingSo() {
    EditSession s;
    s.subt().SetUndoEnabled(false);
    auto dialog = s.openDialog();
    setFields(*dialog, "00:00:03,500", "1");
    dialog->cmdOK_Click();
    QCOMPARE(s.subt().StartTime(2), 3.5);
    QVERIFY(!s.subt().UndoEnabled());
    QCOMPARE(s.subt().UndoCount(), std::int16_t(0));
}

void EditDialogTest::okWithoutACurrentRowClosesWithoutStoring() {
    EditSession s;
    s.editor->select({1, 2});
    auto dialog = s.openDialog();
    QCOMPARE(control<QPlainTextEdit>(*dialog, "txtSubt")->toPlainText(), QString());
    setFields(*dialog, "00:00:00,500", "0");
    dialog->cmdOK_Click();
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
    QVERIFY(s.messages().isEmpty());
    QCOMPARE(s.subt().UndoCount(), std::int16_t(0));
    QVERIFY(s.editor->markedChanged.empty());
    QVERIFY(!s.fx.window->subtitlesChanged());
}

void EditDialogTest::cancelClosesWithoutStoring() {
    EditSession s;
    auto dialog = s.openDialog();
    dialog->show();
    setFields(*dialog, "00:00:03,500", "1");
    control<QPushButton>(*dialog, "cmdCancel")->click();
    QVERIFY(!dialog->isVisible());
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
    QCOMPARE(s.subt().StartTime(2), 3.123);
    QVERIFY(s.messages().isEmpty());
}

void EditDialogTest::resizingSnapsToTheSmallestSizeAndLaysOut() {
    EditSession s;
    auto dialog = s.openDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    dialog->resize(40, 30);
    QTRY_VERIFY(dialog->frameGeometry().height() >= TwipsToPixels(frmEdit::MinimumHeight, dialog.get()));
    const QSize snapped = outerTwips(*dialog);
    QVERIFY2(std::abs(snapped.width() - frmEdit::MinimumWidth) <= 15, qPrintable(QString::number(snapped.width())));
    QVERIFY2(std::abs(snapped.height() - frmEdit::MinimumHeight) <= 15, qPrintable(QString::number(snapped.height())));

    auto* box = control<QPlainTextEdit>(*dialog, "txtSubt");
    auto* bar = control<QWidget>(*dialog, "PB");
    QCOMPARE(bar->geometry().bottom(), dialog->height() - 1);
    QCOMPARE(box->geometry().topLeft(), QPoint(0, 0));
    QCOMPARE(box->width(), dialog->width());
    QCOMPARE(box->height(), bar->y() - TwipsToPixels(105, dialog.get()));
    QVERIFY(box->height() > 0);
    // Every control of the bar fits at the smallest size.
    for (QWidget* child : bar->findChildren<QWidget*>())
        QVERIFY2(bar->rect().contains(child->geometry()), qPrintable(child->objectName()));
}

void EditDialogTest::sizeIsWrittenAtCloseAndAppliedAtTheNextOpen() {
    EditSession s;
    auto first = s.openDialog();
    QCOMPARE(outerTwips(*first), QSize(frmEdit::DesignWidth, frmEdit::DesignHeight));
    first->resize(TwipsToPixels(9000, first.get()), TwipsToPixels(4500, first.get()));
    first->reject();
    QCOMPARE(s.fx.settings->GetDword("SEWidth", 0), 9000);
    QCOMPARE(s.fx.settings->GetDword("SEHeight", 0), 4500);

    auto second = s.openDialog();
    QCOMPARE(outerTwips(*second), QSize(9000, 4500));

    // A stored size below the smallest is snapped when applied.
    s.fx.settings->SetDword("SEWidth", 100);
    s.fx.settings->SetDword("SEHeight", 100);
    auto third = s.openDialog();
    QVERIFY(third->width() >= TwipsToPixels(frmEdit::MinimumWidth, third.get()));
    QVERIFY(third->height() >= TwipsToPixels(frmEdit::MinimumHeight, third.get()));
}

void EditDialogTest::opensOverTheEditorAtTheDialogOffset() {
    EditSession s;
    s.editor->window.move(120, 80);
    auto dialog = s.openDialog();
    QCOMPARE(dialog->pos(), DialogOrigin(*s.editor));
    QCOMPARE(dialog->parentWidget(), s.editor->editorWidget());
}

QTEST_MAIN(EditDialogTest)
#include "edit_dialog_test.moc"
