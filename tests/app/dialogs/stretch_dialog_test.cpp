#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTimer>
#include <QtTest>

#include <memory>
#include <vector>

#include "app/editor/editor_window.h"
#include "app/dialogs/frm_shift.h"
#include "app/dialogs/frm_stretch.h"
#include "app/desktop/keyvane_settings.h"
#include "app/desktop/twips.h"
#include "app/widgets/up_down.h"
#include "tests/app/support/data_columns.h"
#include "tests/app/support/fake_editor.h"
#include "tests/app/support/journalled_titles.h"
#include "tests/app/support/main_window_fixture.h"

using cuemark::testing::AddColumns;
using namespace cuemark;
using cuemark::testing::FakeEditorWindow;
using cuemark::testing::MainWindowFixture;

using Times = std::vector<std::pair<double, double>>;
// Control name and the text to enter; an option button is chosen instead.
using Edits = std::vector<std::pair<QString, QString>>;
Q_DECLARE_METATYPE(Times)
Q_DECLARE_METATYPE(Edits)

namespace {

struct Bench {
    explicit Bench(const Times& titles) {
        fixture.open();
        SUBTITLES& s = fixture.window->Subt;
        cuemark::testing::AddTitlesWithOneUndoStep(s, titles, [](int) { return std::string("T"); });
        editor = std::make_unique<FakeEditorWindow>(*fixture.window);
    }
    ~Bench() { dialog.reset(); }

    frmStretch& open() {
        dialog = std::make_unique<frmStretch>(*editor);
        return *dialog;
    }
    SUBTITLES& Subt() { return fixture.window->Subt; }
    template <class T>
    T* control(const QString& name) {
        T* found = dialog->findChild<T*>(name);
        if (!found) qFatal("no control %s", qPrintable(name));
        return found;
    }
    QLineEdit* box(const char* name) { return control<QLineEdit>(name); }
    void enter(const Edits& edits) {
        for (const auto& [name, text] : edits) {
            QObject* target = dialog->findChild<QObject*>(name);
            if (auto* line = qobject_cast<QLineEdit*>(target))
                line->setText(text);
            else if (auto* combo = qobject_cast<QComboBox*>(target))
                combo->setCurrentText(text);
            else if (auto* option = qobject_cast<QRadioButton*>(target))
                option->setChecked(true);
            else
                qFatal("no control %s", qPrintable(name));
        }
    }
    Times times() { return cuemark::testing::TitleTimes(Subt()); }

    MainWindowFixture fixture;
    std::unique_ptr<FakeEditorWindow> editor;
    std::unique_ptr<frmStretch> dialog;
};

void compareTimes(const Times& actual, const Times& expected) {
    QCOMPARE(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        QCOMPARE(actual[i].first, expected[i].first);
        QCOMPARE(actual[i].second, expected[i].second);
    }
}

} // namespace

class StretchDialogTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithItsTabsPanelsAndTheMarkedTimes();
    void positionIsWrittenAtCloseAndUsedNextTime();

    void okAppliesTheMapOfTheChosenTab_data();
    void okAppliesTheMapOfTheChosenTab();
    void okRefusesWhatGivesNoMapAndChangesNothing_data();
    void okRefusesWhatGivesNoMapAndChangesNothing();
    void cancelOrAnEmptyStoreClosesWithoutChange_data();
    void cancelOrAnEmptyStoreClosesWithoutChange();

    void secondsStopBelowSixtyInsteadOfCarrying_data();
    void secondsStopBelowSixtyInsteadOfCarrying();
    void referenceTimesStepBySecondsAndStayAboveZero_data();
    void referenceTimesStepBySecondsAndStayAboveZero();
    void heldReferenceButtonRepeatsUnderItsOwnCode();

    void adjustStretchesToTheReferenceTimesAndDeletesTheDialog();
    void aMarkBeyondTheLastTitleStandsForTheLastTitle();
    void refusedAdjustLeavesTheDialogOpenUntilClosed();
};

void StretchDialogTest::opensWithItsTabsPanelsAndTheMarkedTimes() {
    Bench b({{5, 6}, {12.5, 13}, {61.25, 62}, {3723.5, 3725}});
    b.editor->firstIndex = 2;
    b.editor->lastIndex = 3;
    frmStretch& d = b.open();
    QCOMPARE(d.objectName(), QString("frmStretch"));
    QCOMPARE(d.windowTitle(), QString("Stretch/shrink movie duration"));
    QCOMPARE(d.frameGeometry().height(), TwipsToPixels(3000, &d));

    auto* TS = b.control<QTabBar>("TS");
    const QStringList captions{"By title", "Specify Amount", "By Frame Rate"};
    const QStringList tips{"Reposition all titles based on the exact start time of two selected titles",
                           "Adjust all titles based on a change in position of the last subtitle of the file",
                           "Adjust for a different frame rate"};
    QCOMPARE(TS->count(), 3);
    QCOMPARE(TS->currentIndex(), 0);
    for (int tab = 0; tab < 3; ++tab) {
        QCOMPARE(TS->tabText(tab), captions[tab]);
        QCOMPARE(TS->tabToolTip(tab), tips[tab]);
        TS->setCurrentIndex(tab);
        for (int panel = 0; panel < 3; ++panel)
            QCOMPARE(b.control<QWidget>(QString("PB%1").arg(panel))->isHidden(), panel != tab);
    }

    QCOMPARE(b.box("txtFirstSubtitle")->text(), QString("00:00:12,500"));
    QCOMPARE(b.box("txtLastSubtitle")->text(), QString("00:01:01,250"));
    QCOMPARE(b.box("txtCurrent")->text(), QString("01:02:03,500"));
    QVERIFY(b.box("txtCurrent")->isReadOnly());
    QCOMPARE(b.box("txtMin")->text(), QString("0"));
    QCOMPARE(b.box("txtSec")->text(), QString("0.000"));
    QVERIFY(b.control<QRadioButton>("optStretch")->isChecked());
    QCOMPARE(b.control<QRadioButton>("optShrink")->text(), QString("Shrink by"));
    QVERIFY(b.control<QLabel>("lblTitleInfo")->text().isEmpty());
    QVERIFY(b.control<QLabel>("lblRateInfo")->text().isEmpty());
    QCOMPARE(b.control<QLabel>("Label1")->text(), QString("Current length (start of last subtitle):"));
    const QStringList rates{"23.976", "24", "25", "29.97", "30"};
    for (const char* name : {"cboCurrentRate", "cboDesiredRate"}) {
        auto* combo = b.control<QComboBox>(name);
        QVERIFY(combo->isEditable());
        QStringList items;
        for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
        QCOMPARE(items, rates);
    }
    QCOMPARE(b.control<QComboBox>("cboCurrentRate")->currentText(), QString("23.976"));
    QCOMPARE(b.control<QComboBox>("cboDesiredRate")->currentText(), QString("25"));
    QVERIFY(b.control<QPushButton>("cmdOK")->isDefault());
    QCOMPARE(b.control<QPushButton>("cmdCancel")->text(), QString("Cancel"));
    QCOMPARE(b.control<QTimer>("Timer1")->interval(), 200);
}

void StretchDialogTest::positionIsWrittenAtCloseAndUsedNextTime() {
    Bench b({{10, 11}});
    KeyvaneSettings& settings = *b.fixture.settings;
    QCOMPARE(b.open().pos(), DialogOrigin(*b.editor));

    b.dialog->move(300, 240);
    b.control<QPushButton>("cmdCancel")->click();
    QCOMPARE(settings.GetDword("StretchLeft", -1), std::lround(PixelsToTwips(300, b.dialog.get())));
    QCOMPARE(settings.GetDword("StretchTop", -1), std::lround(PixelsToTwips(240, b.dialog.get())));

    QCOMPARE(b.open().pos(), QPoint(300, 240));
}

void StretchDialogTest::okAppliesTheMapOfTheChosenTab_data() {
    AddColumns<Times, std::vector<int>, int, Edits, Times, std::vector<int>>("titles", "selection", "tab", "edits",
                                                                             "expected", "marked");
    const std::vector<int> none;
    QTest::newRow("by title: factor 1.1, offset 1")
        << Times{{10, 11}, {50, 52}, {110, 115}} << none << 0
        << Edits{{"txtFirstSubtitle", "00:00:12,000"}, {"txtLastSubtitle", "00:02:02,000"}}
        << Times{{12, 13.1}, {56, 58.2}, {122, 127.5}} << std::vector<int>{1, 2, 3};
    QTest::newRow("amount: stretch by 10 s on 1000 s")
        << Times{{500, 502}, {1000, 1004}} << none << 1 << Edits{{"txtSec", "10.000"}}
        << Times{{505, 507.02}, {1010, 1014.04}} << std::vector<int>{1, 2};
    QTest::newRow("amount: shrink by 10 s on 1000 s")
        << Times{{500, 502}, {1000, 1004}} << none << 1 << Edits{{"optShrink", ""}, {"txtSec", "10.000"}}
        << Times{{495, 496.98}, {990, 993.96}} << std::vector<int>{1, 2};
    QTest::newRow("amount: minutes count too")
        << Times{{500, 502}, {1000, 1004}} << none << 1 << Edits{{"txtMin", "1"}, {"txtSec", "40"}}
        << Times{{550, 552.2}, {1100, 1104.4}} << std::vector<int>{1, 2};
    QTest::newRow("frame rate 25 to 23.976")
        << Times{{100, 102}, {1000, 1001}} << none << 2 << Edits{{"cboCurrentRate", "25"}, {"cboDesiredRate", "23.976"}}
        << Times{{95.904, 97.82208}, {959.04, 959.99904}} << std::vector<int>{1, 2};
    const double f = 25 / 23.976;
    QTest::newRow("only the selected rows")
        << Times{{10, 20}, {30, 40}, {50, 60}} << std::vector<int>{1, 3} << 2 << Edits{}
        << Times{{10 * f, 20 * f}, {30, 40}, {50 * f, 60 * f}} << std::vector<int>{1, 3};
    QTest::newRow("one row selected still changes all")
        << Times{{10, 20}, {30, 40}} << std::vector<int>{2} << 2 << Edits{} << Times{{10 * f, 20 * f}, {30 * f, 40 * f}}
        << std::vector<int>{1, 2};
}

void StretchDialogTest::okAppliesTheMapOfTheChosenTab() {
    QFETCH(Times, titles);
    QFETCH(std::vector<int>, selection);
    QFETCH(int, tab);
    QFETCH(Edits, edits);
    QFETCH(Times, expected);
    QFETCH(std::vector<int>, marked);
    Bench b(titles);
    b.editor->firstIndex = 1;
    b.editor->lastIndex = static_cast<int>(titles.size());
    for (int row : selection) b.editor->selected.insert(row);
    b.editor->multipleSelected = selection.size() > 1;
    frmStretch& d = b.open();
    b.control<QTabBar>("TS")->setCurrentIndex(tab);
    b.enter(edits);

    b.control<QPushButton>("cmdOK")->click();

    compareTimes(b.times(), expected);
    QCOMPARE(b.editor->markedChanged, marked);
    QCOMPARE(b.editor->listLoads, 1);
    QCOMPARE(b.Subt().UndoCount(), 0);
    QVERIFY(b.fixture.window->subtitlesChanged());
    QCOMPARE(d.result(), int(QDialog::Accepted));
    QVERIFY(b.fixture.services.messages.empty());
}

void StretchDialogTest::okRefusesWhatGivesNoMapAndChangesNothing_data() {
    AddColumns<Times, int, int, Edits, QString>("titles", "lastMark", "tab", "edits", "message");
    const Times two{{10, 11}, {100, 101}};
    QTest::newRow("both marks on the one title") << Times{{10, 12}} << 1 << 0 << Edits{} << refusals::SameStart;
    QTest::newRow("marked titles start together")
        << Times{{10, 12}, {10, 13}} << 2 << 0 << Edits{{"txtLastSubtitle", "00:01:00,000"}} << refusals::SameStart;
    QTest::newRow("a map too steep to hold")
        << Times{{0, 1}, {1e-290, 2}, {1e20, 1e20}} << 2 << 0
        << Edits{{"txtFirstSubtitle", "00:00:00,000"}, {"txtLastSubtitle", "01:00:00,000"}} << refusals::NotFinite;
    QTest::newRow("last title at 0") << Times{{0, 1}} << 1 << 1 << Edits{{"txtSec", "10"}} << refusals::LastAtZero;
    QTest::newRow("last title before 0") << Times{{10, 11}, {-3, -2}} << 2 << 1 << Edits{{"txtSec", "10"}}
                                         << refusals::LastAtZero;
    QTest::newRow("seconds not a number")
        << two << 2 << 1 << Edits{{"txtSec", "ten"}}
        << "Please enter the seconds as a number from 0 up to below 60, such as 12.5.";
    QTest::newRow("minutes not a number")
        << two << 2 << 1 << Edits{{"txtMin", "1 1/2"}} << "Please enter the minutes as a number from 0 to 3600.";
    QTest::newRow("rate not a number") << two << 2 << 2 << Edits{{"cboCurrentRate", "PAL"}} << refusals::BadRates;
    QTest::newRow("empty rate") << two << 2 << 2 << Edits{{"cboDesiredRate", ""}} << refusals::BadRates;
    QTest::newRow("zero rate") << two << 2 << 2 << Edits{{"cboCurrentRate", "0"}} << refusals::BadRates;
    QTest::newRow("negative rate") << two << 2 << 2 << Edits{{"cboDesiredRate", "-25"}} << refusals::BadRates;
}

void StretchDialogTest::okRefusesWhatGivesNoMapAndChangesNothing() {
    QFETCH(Times, titles);
    QFETCH(int, lastMark);
    QFETCH(int, tab);
    QFETCH(Edits, edits);
    QFETCH(QString, message);
    Bench b(titles);
    b.editor->lastIndex = lastMark;
    const Times before = b.times();
    const int journal = b.Subt().UndoCount();
    frmStretch& d = b.open();
    QSignalSpy finished(&d, &QDialog::finished);
    b.control<QTabBar>("TS")->setCurrentIndex(tab);
    b.enter(edits);

    d.cmdOK_Click();

    QCOMPARE(b.fixture.services.messages, std::vector<std::string>{message.toStdString()});
    QCOMPARE(finished.count(), 0);
    QCOMPARE(b.times(), before);
    QVERIFY(b.editor->markedChanged.empty());
    QCOMPARE(b.editor->listLoads, 0);
    QCOMPARE(b.Subt().UndoCount(), journal);
    QVERIFY(!b.fixture.window->subtitlesChanged());
}

void StretchDialogTest::cancelOrAnEmptyStoreClosesWithoutChange_data() {
    QTest::addColumn<bool>("empty");
    QTest::newRow("cancel") << false;
    QTest::newRow("OK on an empty store") << true;
}

void StretchDialogTest::cancelOrAnEmptyStoreClosesWithoutChange() {
    QFETCH(bool, empty);
    Bench b(empty ? Times{} : Times{{10, 11}, {100, 101}});
    b.editor->lastIndex = 2;
    const Times before = b.times();
    const int journal = b.Subt().UndoCount();
    frmStretch& d = b.open();
    QSignalSpy finished(&d, &QDialog::finished);
    b.enter({{"txtFirstSubtitle", "00:00:20,000"}});
    b.control<QPushButton>(empty ? "cmdOK" : "cmdCancel")->click();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(b.times(), before);
    QVERIFY(b.editor->markedChanged.empty());
    QCOMPARE(b.Subt().UndoCount(), journal);
    QVERIFY(!b.fixture.window->subtitlesChanged());
    QVERIFY(b.fixture.services.messages.empty());
}

void StretchDialogTest::secondsStopBelowSixtyInsteadOfCarrying_data() {
    AddColumns<QString, QString, QString, QString>("field", "typed", "minutes", "seconds");
    QTest::newRow("75 s") << "txtSec"
                          << "75"
                          << "2"
                          << "59.999";
    QTest::newRow("60 s") << "txtSec"
                          << "60"
                          << "2"
                          << "59.999";
    QTest::newRow("-2 s") << "txtSec"
                          << "-2"
                          << "2"
                          << "0.000";
    QTest::newRow("4000 min") << "txtMin"
                              << "4000"
                              << "3600"
                              << "0.000";
}

void StretchDialogTest::secondsStopBelowSixtyInsteadOfCarrying() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, minutes);
    QFETCH(QString, seconds);
    Bench b({{10, 11}});
    b.open();
    b.box("txtMin")->setText("2");
    b.box(field.toLatin1())->setText(typed);
    QCOMPARE(b.box("txtMin")->text(), minutes);
    QCOMPARE(b.box("txtSec")->text(), seconds);

    b.box("txtMin")->setText("3599");
    emit b.control<UpDown>("UpDown1")->UpClick();
    QCOMPARE(b.box("txtMin")->text(), QString("3599"));
}

void StretchDialogTest::referenceTimesStepBySecondsAndStayAboveZero_data() {
    AddColumns<QString, QString, int, QString>("control", "start", "direction", "result");
    QTest::newRow("first down at 0.5 s") << "UDFirst"
                                         << "00:00:00,500" << -1 << "00:00:00,500";
    QTest::newRow("first down at 1.5 s") << "UDFirst"
                                         << "00:00:01,500" << -1 << "00:00:00,500";
    QTest::newRow("first up") << "UDFirst"
                              << "00:00:59,500" << 1 << "00:01:00,500";
    QTest::newRow("last down to exactly 0") << "UDLast"
                                            << "00:00:01,000" << -1 << "00:00:01,000";
    QTest::newRow("last up") << "UDLast"
                             << "00:00:00,000" << 1 << "00:00:01,000";
}

void StretchDialogTest::referenceTimesStepBySecondsAndStayAboveZero() {
    QFETCH(QString, control);
    QFETCH(QString, start);
    QFETCH(int, direction);
    QFETCH(QString, result);
    Bench b({{10, 11}});
    b.open();
    QLineEdit* box = b.box(control == "UDFirst" ? "txtFirstSubtitle" : "txtLastSubtitle");
    box->setText(start);
    auto* upDown = b.control<UpDown>(control);
    if (direction > 0)
        emit upDown->UpClick();
    else
        emit upDown->DownClick();
    QCOMPARE(box->text(), result);
}

void StretchDialogTest::heldReferenceButtonRepeatsUnderItsOwnCode() {
    Bench b({{10, 11}});
    frmStretch& d = b.open();
    b.box("txtLastSubtitle")->setText("00:00:05,000");
    auto* last = b.control<UpDown>("UDLast");
    d.UDLast_MouseDown(1, 0, 0, PixelsToTwips(last->height(), last) - 1);
    QCOMPARE(d.repeat().held(), std::int16_t(4));
    QCOMPARE(d.repeat().direction(), std::int16_t(-1));
    for (int tick = 0; tick < 3; ++tick) d.Timer1_Timer();
    QCOMPARE(b.box("txtLastSubtitle")->text(), QString("00:00:02,000"));
    d.UDLast_MouseUp(1, 0, 0, 0);
    d.UDLast_DownClick(); // the release's click, swallowed
    QCOMPARE(b.box("txtLastSubtitle")->text(), QString("00:00:02,000"));
    QVERIFY(!b.control<QTimer>("Timer1")->isActive());

    d.UDFirst_MouseDown(1, 0, 0, 1);
    QCOMPARE(d.repeat().held(), std::int16_t(3));
    QCOMPARE(d.repeat().direction(), std::int16_t(1));
}

void StretchDialogTest::adjustStretchesToTheReferenceTimesAndDeletesTheDialog() {
    Bench b({{5, 7}, {50, 52}, {100, 104}});
    b.editor->firstIndex = 1;
    b.editor->lastIndex = 3;
    AdjustByReferences(*b.editor, 10.0, 3600.0);

    const double factor = (3600.0 - 10.0) / (100.0 - 5.0);
    const double offset = 10.0 - 5.0 * factor;
    compareTimes(
        b.times(),
        Times{{10, 7 * factor + offset}, {50 * factor + offset, 52 * factor + offset}, {3600, 104 * factor + offset}});
    QCOMPARE(b.editor->markedChanged, (std::vector<int>{1, 2, 3}));
    QCOMPARE(b.Subt().UndoCount(), 0);
    QVERIFY(b.fixture.window->subtitlesChanged());
    QPointer<frmStretch> dialog = b.editor->window.findChild<frmStretch*>();
    QVERIFY(dialog.isNull() || dialog->isHidden());
    QTRY_VERIFY(dialog.isNull());
}

void StretchDialogTest::aMarkBeyondTheLastTitleStandsForTheLastTitle() {
    // A title past the last reads as starting at 0: a map from it would
    // send every title far below 0.
    Bench b({{100, 101}, {200, 202}, {1100, 1101}});
    b.editor->firstIndex = 1;
    b.editor->lastIndex = 4;
    frmStretch& d = b.open();
    QCOMPARE(b.control<QLineEdit>("txtLastSubtitle")->text(), QString("00:18:20,000"));
    AdjustByReferences(*b.editor, 10.0, 3600.0);
    QCOMPARE(b.Subt().StartTime(1), 10.0);
    QCOMPARE(b.Subt().StartTime(3), 3600.0);
    d.reject();
}

void StretchDialogTest::refusedAdjustLeavesTheDialogOpenUntilClosed() {
    Bench b({{5, 7}});
    AdjustByReferences(*b.editor, 10.0, 3600.0);

    QCOMPARE(b.fixture.services.messages, std::vector<std::string>{refusals::SameStart});
    QPointer<frmStretch> dialog = b.editor->window.findChild<frmStretch*>();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->findChild<QLineEdit*>("txtLastSubtitle")->text(), QString("01:00:00,000"));
    compareTimes(b.times(), Times{{5, 7}});
    dialog->reject();
    QTRY_VERIFY(dialog.isNull());
}

QTEST_MAIN(StretchDialogTest)
#include "stretch_dialog_test.moc"
