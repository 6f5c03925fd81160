#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

#include "app/editor/editor_window.h"
#include "app/dialogs/frm_shift.h"
#include "app/widgets/up_down.h"
#include "tests/app/support/data_columns.h"
#include "tests/app/support/fake_editor.h"
#include "tests/app/support/main_window_fixture.h"

using cuemark::testing::AddColumns;
using namespace cuemark;
using cuemark::testing::FakeEditorWindow;
using cuemark::testing::MainWindowFixture;

using Times = std::vector<std::pair<double, double>>;
Q_DECLARE_METATYPE(Times)

namespace {

// A main window holding the titles, an editor over it, and the dialog.
struct Bench {
    explicit Bench(std::initializer_list<std::pair<double, double>> titles) {
        fixture.open();
        fixture.loadTitles(titles);
        editor = std::make_unique<FakeEditorWindow>(*fixture.window);
        dialog = std::make_unique<frmShift>(*editor);
    }
    ~Bench() { dialog.reset(); }

    SUBTITLES& Subt() { return fixture.window->Subt; }
    template <class T>
    T* control(const char* name) {
        T* found = dialog->findChild<T*>(name);
        if (!found) qFatal("no control %s", name);
        return found;
    }
    QLineEdit* box(const char* name) { return control<QLineEdit>(name); }
    Times times() {
        Times all;
        for (int i = 1; i <= Subt().Count(); ++i) all.emplace_back(Subt().StartTime(i), Subt().EndTime(i));
        return all;
    }
    void enterAmount(const QString& minutes, const QString& seconds) {
        box("txtMin")->setText(minutes);
        box("txtSec")->setText(seconds);
    }

    MainWindowFixture fixture;
    std::unique_ptr<FakeEditorWindow> editor;
    std::unique_ptr<frmShift> dialog;
};

// A press this many twips below an up-down control's top is on its up half.
constexpr double UpperHalf = 1;

} // namespace

class ShiftDialogTest : public QObject {
    Q_OBJECT
private slots:
    void opensAtTheDialogOriginWithItsControls();

    void okMovesEveryTitleOrOnlyTheSelectedOnes_data();
    void okMovesEveryTitleOrOnlyTheSelectedOnes();
    void zeroAmountOrEmptyStoreClosesWithoutChange_data();
    void zeroAmountOrEmptyStoreClosesWithoutChange();
    void amountsThatAreNotNumbersAreRefusedAndKeepTheDialogOpen_data();
    void amountsThatAreNotNumbersAreRefusedAndKeepTheDialogOpen();

    void fieldsAreCorrectedWhileTyping_data();
    void fieldsAreCorrectedWhileTyping();
    void upDownStepsStayWithinTheirLimits_data();
    void upDownStepsStayWithinTheirLimits();
    void beginningLimitsTheAmountToTheFirstStart_data();
    void beginningLimitsTheAmountToTheFirstStart();

    void heldButtonStepsFasterAndFasterUntilReleased();
    void pressedHalfChoosesTheDirection();
    void clickAfterTimerStepIsSwallowedButAQuickClickSteps();
};

void ShiftDialogTest::opensAtTheDialogOriginWithItsControls() {
    Bench b({{12.5, 14}, {20, 21}});
    frmShift& d = *b.dialog;
    QCOMPARE(d.objectName(), QString("frmShift"));
    QCOMPARE(d.windowTitle(), QString("Shift all subtitles"));
    QCOMPARE(d.pos(), DialogOrigin(*b.editor));
    const std::pair<const char*, const char*> captions[] = {
        {"Label4", "Move toward"}, {"Label2", "min"}, {"Label3", "sec"}, {"Label1", "Start of first subtitle:"}};
    for (const auto& [name, text] : captions) QCOMPARE(b.control<QLabel>(name)->text(), QString(text));
    QCOMPARE(b.control<QRadioButton>("optBeginning")->text(), QString("beginning"));
    QCOMPARE(b.control<QRadioButton>("optEnd")->text(), QString("end, by"));
    QVERIFY(b.control<QRadioButton>("optBeginning")->isChecked());
    QCOMPARE(b.box("txtMin")->text(), QString("0"));
    QCOMPARE(b.box("txtSec")->text(), QString("0.000"));
    QCOMPARE(b.box("txtCurrent")->text(), QString("00:00:12,500"));
    QVERIFY(b.box("txtCurrent")->isReadOnly());
    QVERIFY(b.control<QPushButton>("cmdOK")->isDefault());
    QVERIFY(b.control<UpDown>("UpDown1") && b.control<UpDown>("UpDown2"));
    QCOMPARE(b.control<QTimer>("Timer1")->interval(), 200);
    QVERIFY(!b.control<QTimer>("Timer1")->isActive());
}

void ShiftDialogTest::okMovesEveryTitleOrOnlyTheSelectedOnes_data() {
    AddColumns<bool, std::vector<int>, Times, std::vector<int>>("towardEnd", "selection", "expected", "marked");
    const Times later{{100, 102}, {110, 111}, {120, 125}, {130, 131}};
    QTest::newRow("end, all") << true << std::vector<int>{} << later << std::vector<int>{1, 2, 3, 4};
    QTest::newRow("one row selected still moves all")
        << true << std::vector<int>{2} << later << std::vector<int>{1, 2, 3, 4};
    QTest::newRow("three selected") << true << std::vector<int>{1, 3, 4}
                                    << Times{{100, 102}, {20, 21}, {120, 125}, {130, 131}} << std::vector<int>{1, 3, 4};
    QTest::newRow("beginning stops at 0")
        << false << std::vector<int>{} << Times{{0, 2}, {10, 11}, {20, 25}, {30, 31}} << std::vector<int>{1, 2, 3, 4};
    QTest::newRow("beginning stops the earliest selected at 0")
        << false << std::vector<int>{2, 3} << Times{{10, 12}, {0, 1}, {10, 15}, {40, 41}} << std::vector<int>{2, 3};
}

void ShiftDialogTest::okMovesEveryTitleOrOnlyTheSelectedOnes() {
    QFETCH(bool, towardEnd);
    QFETCH(std::vector<int>, selection);
    QFETCH(Times, expected);
    QFETCH(std::vector<int>, marked);
    Bench b({{10, 12}, {20, 21}, {30, 35}, {40, 41}});
    b.Subt().SetTimes(2, 20, 21); // something in the journal
    QVERIFY(b.Subt().UndoCount() > 0);
    for (int row : selection) b.editor->selected.insert(row);
    b.editor->multipleSelected = selection.size() > 1;
    (towardEnd ? b.control<QRadioButton>("optEnd") : b.control<QRadioButton>("optBeginning"))->setChecked(true);
    b.enterAmount("1", "30.000");

    b.control<QPushButton>("cmdOK")->click();

    QCOMPARE(b.times(), expected);
    QCOMPARE(b.editor->markedChanged, marked);
    QCOMPARE(b.editor->listLoads, 1);
    QCOMPARE(b.Subt().UndoCount(), 0);
    QVERIFY(!b.fixture.window->subtitlesChanged()); // the editor's command sets it
    QCOMPARE(b.dialog->result(), int(QDialog::Accepted));
}

void ShiftDialogTest::zeroAmountOrEmptyStoreClosesWithoutChange_data() {
    AddColumns<bool, QString, QString>("empty", "minutes", "seconds");
    QTest::newRow("zero amount") << false << "0"
                                 << "0.000";
    QTest::newRow("empty fields read as zero") << false << ""
                                               << "";
    QTest::newRow("empty store") << true << "2"
                                 << "5";
}

void ShiftDialogTest::zeroAmountOrEmptyStoreClosesWithoutChange() {
    QFETCH(bool, empty);
    QFETCH(QString, minutes);
    QFETCH(QString, seconds);
    Bench b({{10, 12}});
    if (empty) b.Subt().Clear();
    b.Subt().SetTimes(1, 10, 12);
    const int journal = b.Subt().UndoCount();
    const Times before = b.times();
    QSignalSpy finished(b.dialog.get(), &QDialog::finished);
    b.enterAmount(minutes, seconds);
    b.dialog->cmdOK_Click();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(b.times(), before);
    QVERIFY(b.editor->markedChanged.empty());
    QCOMPARE(b.editor->listLoads, 0);
    QCOMPARE(b.Subt().UndoCount(), journal);
    QVERIFY(b.fixture.services.messages.empty());
}

void ShiftDialogTest::amountsThatAreNotNumbersAreRefusedAndKeepTheDialogOpen_data() {
    AddColumns<QString, QString, QString>("minutes", "seconds", "message");
    const QString minutesMessage = "Please enter the minutes as a number from 0 to 3600.";
    const QString secondsMessage = "Please enter the seconds as a number from 0 up to below 60, such as 12.5.";
    QTest::newRow("letters in minutes") << "abc"
                                        << "1.000" << minutesMessage;
    QTest::newRow("trailing text in minutes") << "2min"
                                              << "0.000" << minutesMessage;
    QTest::newRow("negative fraction of a minute") << "-0.4"
                                                   << "0.000" << minutesMessage;
    QTest::newRow("letters in seconds") << "1"
                                        << "1x" << secondsMessage;
    QTest::newRow("sign only in seconds") << "0"
                                          << "-" << secondsMessage;
}

void ShiftDialogTest::amountsThatAreNotNumbersAreRefusedAndKeepTheDialogOpen() {
    QFETCH(QString, minutes);
    QFETCH(QString, seconds);
    QFETCH(QString, message);
    Bench b({{10, 12}, {20, 21}});
    b.Subt().SetTimes(1, 10, 12);
    const Times before = b.times();
    QSignalSpy finished(b.dialog.get(), &QDialog::finished);
    b.control<QRadioButton>("optEnd")->setChecked(true);
    b.enterAmount(minutes, seconds);
    QCOMPARE(b.box("txtMin")->text(), minutes); // left as typed until OK
    QCOMPARE(b.box("txtSec")->text(), seconds);

    b.dialog->cmdOK_Click();

    QCOMPARE(b.fixture.services.messages, std::vector<std::string>{message.toStdString()});
    QCOMPARE(finished.count(), 0);
    QCOMPARE(b.times(), before);
    QVERIFY(b.editor->markedChanged.empty());
    QCOMPARE(b.Subt().UndoCount(), 1);
}

void ShiftDialogTest::fieldsAreCorrectedWhileTyping_data() {
    AddColumns<QString, QString, QString, QString, QString>("minutesBefore", "field", "typed", "minutes", "seconds");
    QTest::newRow("75 s carries a minute") << "2"
                                           << "txtSec"
                                           << "75"
                                           << "3"
                                           << "15.000";
    QTest::newRow("130.5 s carries two") << "2"
                                         << "txtSec"
                                         << "130.5"
                                         << "4"
                                         << "10.500";
    QTest::newRow("comma as separator") << "2"
                                        << "txtSec"
                                        << "61,25"
                                        << "3"
                                        << "1.250";
    QTest::newRow("negative seconds") << "2"
                                      << "txtSec"
                                      << "-2"
                                      << "2"
                                      << "0.000";
    QTest::newRow("seconds in range stay") << "2"
                                           << "txtSec"
                                           << "59.5"
                                           << "2"
                                           << "59.5";
    QTest::newRow("carry past the top") << "3599"
                                        << "txtSec"
                                        << "120"
                                        << "3600"
                                        << "0.000";
    QTest::newRow("4000 min") << ""
                              << "txtMin"
                              << "4000"
                              << "3600"
                              << "0.000";
    QTest::newRow("3600.4 min rounds into range") << ""
                                                  << "txtMin"
                                                  << "3600.4"
                                                  << "3600.4"
                                                  << "0.000";
    QTest::newRow("negative minutes") << ""
                                      << "txtMin"
                                      << "-3"
                                      << "0"
                                      << "0.000";
    QTest::newRow("fraction stays") << ""
                                    << "txtMin"
                                    << "2.5"
                                    << "2.5"
                                    << "0.000";
}

void ShiftDialogTest::fieldsAreCorrectedWhileTyping() {
    QFETCH(QString, minutesBefore);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, minutes);
    QFETCH(QString, seconds);
    Bench b({{10, 12}});
    b.box("txtMin")->setText(minutesBefore);
    b.box(field.toLatin1())->setText(typed);
    QCOMPARE(b.box("txtMin")->text(), minutes);
    QCOMPARE(b.box("txtSec")->text(), seconds);
}

void ShiftDialogTest::upDownStepsStayWithinTheirLimits_data() {
    AddColumns<QString, QString, int, QString>("field", "start", "direction", "result");
    QTest::newRow("minutes up") << "txtMin"
                                << "5" << 1 << "6";
    QTest::newRow("minutes up rounds") << "txtMin"
                                       << "5.4" << 1 << "6";
    QTest::newRow("up stops at 3599") << "txtMin"
                                      << "3599" << 1 << "3599";
    QTest::newRow("up reaches 3599") << "txtMin"
                                     << "3598" << 1 << "3599";
    QTest::newRow("minutes down to 0") << "txtMin"
                                       << "1" << -1 << "0";
    QTest::newRow("no minutes below 0") << "txtMin"
                                        << "0" << -1 << "0";
    QTest::newRow("seconds up") << "txtSec"
                                << "12.300" << 1 << "12.400";
    QTest::newRow("seconds up stops below 60") << "txtSec"
                                               << "59.900" << 1 << "59.900";
    QTest::newRow("seconds up to 59.9") << "txtSec"
                                        << "59.800" << 1 << "59.900";
    QTest::newRow("seconds down to 0") << "txtSec"
                                       << "0.100" << -1 << "0.000";
    QTest::newRow("no seconds below 0") << "txtSec"
                                        << "0.050" << -1 << "0.050";
}

void ShiftDialogTest::upDownStepsStayWithinTheirLimits() {
    QFETCH(QString, field);
    QFETCH(QString, start);
    QFETCH(int, direction);
    QFETCH(QString, result);
    Bench b({{10, 12}});
    b.box(field.toLatin1())->setText(start);
    UpDown* control = b.control<UpDown>(field == "txtMin" ? "UpDown1" : "UpDown2");
    if (direction > 0)
        emit control->UpClick();
    else
        emit control->DownClick();
    QCOMPARE(b.box(field.toLatin1())->text(), result);
}

void ShiftDialogTest::beginningLimitsTheAmountToTheFirstStart_data() {
    AddColumns<double, QString, QString, QString, QString>("firstStart", "minutes", "seconds", "limitedMinutes",
                                                           "limitedSeconds");
    QTest::newRow("a minute before 12.5 s") << 12.5 << "1"
                                            << "0.000"
                                            << "0"
                                            << "12.500";
    QTest::newRow("five minutes before 130.25 s") << 130.25 << "5"
                                                  << "0.000"
                                                  << "2"
                                                  << "10.250";
    QTest::newRow("amount below the start stays") << 12.5 << "0"
                                                  << "10.000"
                                                  << "0"
                                                  << "10.000";
    QTest::newRow("amount equal to the start stays") << 12.5 << "0"
                                                     << "12.500"
                                                     << "0"
                                                     << "12.500";
    QTest::newRow("first title before 0 leaves nothing") << -5.0 << "1"
                                                         << "0.000"
                                                         << "0"
                                                         << "0.000";
}

void ShiftDialogTest::beginningLimitsTheAmountToTheFirstStart() {
    QFETCH(double, firstStart);
    QFETCH(QString, minutes);
    QFETCH(QString, seconds);
    QFETCH(QString, limitedMinutes);
    QFETCH(QString, limitedSeconds);
    Bench b({{firstStart, firstStart + 2}, {200, 201}});
    b.control<QRadioButton>("optEnd")->setChecked(true);
    b.enterAmount(minutes, seconds);
    b.control<QRadioButton>("optBeginning")->click();
    QCOMPARE(b.box("txtMin")->text(), limitedMinutes);
    QCOMPARE(b.box("txtSec")->text(), limitedSeconds);

    // Typed afterwards, the field keeps the amount; OK then stops at 0.
    b.box("txtMin")->setText("7");
    QCOMPARE(b.box("txtMin")->text(), QString("7"));
}

void ShiftDialogTest::heldButtonStepsFasterAndFasterUntilReleased() {
    Bench b({{10, 12}});
    QTimer* timer = b.control<QTimer>("Timer1");
    b.dialog->UpDown1_MouseDown(1, 0, 0, UpperHalf);
    QVERIFY(timer->isActive());
    QCOMPARE(b.dialog->repeat().held(), std::int16_t(1));
    QCOMPARE(timer->interval(), 200);
    std::vector<int> intervals;
    for (int tick = 1; tick <= 35; ++tick) {
        b.dialog->Timer1_Timer();
        intervals.push_back(timer->interval());
    }
    QCOMPARE(b.box("txtMin")->text(), QString("35"));
    QCOMPARE(b.dialog->repeat().repeatCount(), std::int16_t(35));
    QCOMPARE(intervals[8], 200); // after the 9th tick
    QCOMPARE(intervals[9], 100); // from the 10th
    QCOMPARE(intervals[28], 100);
    QCOMPARE(intervals[29], 50); // from the 30th
    QCOMPARE(intervals[34], 50);

    b.dialog->UpDown1_MouseUp(1, 0, 0, UpperHalf);
    QVERIFY(!timer->isActive());
    QCOMPARE(timer->interval(), 200);
    QCOMPARE(b.dialog->repeat().held(), std::int16_t(0));
    QCOMPARE(b.dialog->repeat().direction(), std::int16_t(0));
    QCOMPARE(b.dialog->repeat().repeatCount(), std::int16_t(0));

    b.dialog->UpDown1_MouseDown(1, 0, 0, UpperHalf);
    b.dialog->Timer1_Timer();
    QCOMPARE(timer->interval(), 200); // starts over
    QCOMPARE(b.box("txtMin")->text(), QString("36"));
}

void ShiftDialogTest::pressedHalfChoosesTheDirection() {
    Bench b({{10, 12}});
    b.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(b.dialog.get()));
    UpDown* seconds = b.control<UpDown>("UpDown2");
    b.box("txtSec")->setText("5.000");

    const QPoint bottom(seconds->width() / 2, seconds->height() - 2);
    QTest::mousePress(seconds, Qt::LeftButton, {}, bottom);
    QCOMPARE(b.dialog->repeat().direction(), std::int16_t(-1));
    QCOMPARE(b.dialog->repeat().held(), std::int16_t(2));
    b.dialog->Timer1_Timer();
    QCOMPARE(b.box("txtSec")->text(), QString("4.900"));
    QTest::mouseRelease(seconds, Qt::LeftButton, {}, bottom);

    const QPoint top(seconds->width() / 2, 2);
    QTest::mousePress(seconds, Qt::LeftButton, {}, top);
    QCOMPARE(b.dialog->repeat().direction(), std::int16_t(1));
    b.dialog->Timer1_Timer();
    QCOMPARE(b.box("txtSec")->text(), QString("5.000"));
    QTest::mouseRelease(seconds, Qt::LeftButton, {}, top);
}

void ShiftDialogTest::clickAfterTimerStepIsSwallowedButAQuickClickSteps() {
    Bench b({{10, 12}});
    b.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(b.dialog.get()));
    UpDown* minutes = b.control<UpDown>("UpDown1");
    const QPoint top(minutes->width() / 2, 2);

    QTest::mousePress(minutes, Qt::LeftButton, {}, top);
    b.dialog->Timer1_Timer();
    b.dialog->Timer1_Timer();
    QTest::mouseRelease(minutes, Qt::LeftButton, {}, top); // its click is swallowed
    QCOMPARE(b.box("txtMin")->text(), QString("2"));
    QVERIFY(!b.dialog->repeat().timerStepped());

    QTest::mouseClick(minutes, Qt::LeftButton, {}, top); // too quick for the timer
    QCOMPARE(b.box("txtMin")->text(), QString("3"));

    // Released away from the control: no click follows to clear the flag,
    // and the next quick click must still step.
    QTest::mousePress(minutes, Qt::LeftButton, {}, top);
    b.dialog->Timer1_Timer();
    QTest::mouseRelease(minutes, Qt::LeftButton, {}, QPoint(-20, -20));
    QCOMPARE(b.box("txtMin")->text(), QString("4"));
    QTest::mouseClick(minutes, Qt::LeftButton, {}, top);
    QCOMPARE(b.box("txtMin")->text(), QString("5"));
}

QTEST_MAIN(ShiftDialogTest)
#include "shift_dialog_test.moc"
