// The editor's commands on a real editor window.
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "tests/app/support/editor_fixture.h"

using namespace cuemark;
using namespace cuemark::testing;

namespace {

// Adjust with blue at 10 s and green at an hour: the first and last titles
// land there and the ones between stretch with them.
void AdjustToTenSecondsAndAnHour(EditorFixture& f) {
    f.window->FirstRefTime = 10.0;
    f.window->SecondRefTime = 3600.0;
    f.window->cmdAdjust_Click();
    QCOMPARE(f.window->Subt.StartTime(1), 10.0);
    QCOMPARE(f.window->Subt.StartTime(4), 3600.0);
    QVERIFY(qAbs(f.window->Subt.StartTime(2) - 369.0) < 1e-9);
}

constexpr std::initializer_list<std::pair<double, double>> Eight = {{1, 2},  {3, 4},   {5, 6},   {7, 8},
                                                                    {9, 10}, {11, 12}, {13, 14}, {15, 16}};

} // namespace

class EditorCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void soonerMovesEverySelectedTitleAndSeeksToTheLast();
    void soonerStopsAtZero();
    void laterThroughItsMenuEntry();
    void shorterAndLongerClampAndAlwaysFlagTheChange();
    void insertPutsANewTitleBeforeTheCurrentAndResetsTheMarks();
    void deleteAllKeepsTheLastRow();
    void deleteResetsTheMarksAndIsUndoneRowByRow();
    void deleteOfManyRowsKeepsTheOthersColours();
    void undoOnAnEmptyJournalSelectsTheFirstRow();
    void undoOfADeletionRefillsTheList();
    void undoOfAnInsertKeepsTheMarksOnExistingTitles();
    void undoOfADeletionMovesTheMarksAndEnablesDelete();
    void spellingAndItalicRewriteEveryTitleAndEmptyTheJournal();
    void shiftAndStretchOpenModallyAndFlagEvenWhenCancelled();
    void shiftThroughCtrlF8FlagsTheChange();
    void shiftOfTheSelectedTitlesEmptiesTheJournal();
    void adjustStretchesSoTheMarkedTitlesStartAtTheReferenceTimes();
    void adjustWithReferencesOutOfOrderChangesNothing();
    void referenceTimesShowInTheBlueAndGreenButtonsTips();
    void adjustStretchesEveryTitleWhateverIsSelected();
    void unknownKeyDoesNothing();
    void oneTitleCommandsWithoutACurrentRowDoNothing();
};

void EditorCommandsTest::soonerMovesEverySelectedTitleAndSeeksToTheLast() {
    EditorFixture f;
    frmList& e = f.openEditor(Eight);
    f.selectRows({2, 5});
    e.RunCommand("Sooner");
    QCOMPARE(f.window->Subt.StartTime(2), 2.9);
    QCOMPARE(f.window->Subt.EndTime(2), 3.9);
    QCOMPARE(f.window->Subt.StartTime(5), 8.9);
    QCOMPARE(e.CellText(5, StartColumn), std::string("00:00:08,900"));
    QCOMPARE(RowColourOf(e, 2), RowColour::Changed);
    QCOMPARE(RowColourOf(e, 5), RowColour::Changed);
    QCOMPARE(RowColourOf(e, 3), RowColour::Normal);
    QCOMPARE(f.player->seeks.back(), 8.9);
    QVERIFY(f.window->subtitlesChanged());
    QCOMPARE(f.window->Subt.UndoCount(), 2); // one step per title
}

void EditorCommandsTest::soonerStopsAtZero() {
    EditorFixture f;
    frmList& e = f.openEditor({{0.05, 1}, {3, 4}});
    f.selectRows({1});
    for (int k = 0; k < 8; ++k) e.RunCommand("Sooner");
    QCOMPARE(f.window->Subt.StartTime(1), 0.0);
    QCOMPARE(e.CellText(1, StartColumn), std::string("00:00:00,000"));
}

void EditorCommandsTest::laterThroughItsMenuEntry() {
    EditorFixture f;
    f.openEditor(Eight);
    f.selectRows({8});
    f.action("mnuTimeLater")->trigger();
    QCOMPARE(f.window->Subt.StartTime(8), 15.1);
    QCOMPARE(f.window->Subt.EndTime(8), 16.1);
    QCOMPARE(RowColourOf(f.editor(), 8), RowColour::SecondMark); // marked rows keep their colour
}

void EditorCommandsTest::shorterAndLongerClampAndAlwaysFlagTheChange() {
    EditorFixture f;
    frmList& e = f.openEditor({{10, 12}, {20, 21}, {30, 31}});
    f.selectRows({1});
    e.RunCommand("Shorter");
    QCOMPARE(e.CellText(1, DurationColumn), std::string("1.95"));
    QVERIFY(f.window->subtitlesChanged()); // a plain step is a change too
    f.window->setSubtitlesChanged(false);
    f.selectRows({2});
    e.RunCommand("Longer");
    QCOMPARE(f.window->Subt.EndTime(2), 21.05);
    QVERIFY(f.window->subtitlesChanged());
    QCOMPARE(RowColourOf(e, 2), RowColour::Changed);
    f.window->Subt.SetEndTime(2, 29.9);
    e.RunCommand("Longer");
    QCOMPARE(f.window->Subt.EndTime(2), 29.75);
}

void EditorCommandsTest::insertPutsANewTitleBeforeTheCurrentAndResetsTheMarks() {
    EditorFixture f;
    frmList& e = f.openEditor({{0, 1}, {30, 31}, {40, 41}, {50, 51}});
    f.selectRows({3});
    e.mnuTimeFirst_Click();
    f.selectRows({4});
    e.mnuTimeSecond_Click();
    f.selectRows({2});
    e.RunCommand("Insert");
    QCOMPARE(f.window->Subt.Count(), 5);
    QCOMPARE(e.RowCount(), 5);
    QCOMPARE(e.CellText(2, TextColumn), std::string("New title"));
    QCOMPARE(e.CellText(2, StartColumn), std::string("00:00:15,000"));
    QCOMPARE(e.CellText(2, DurationColumn), std::string("2"));
    QCOMPARE(e.FirstIndex(), 1);
    QCOMPARE(e.LastIndex(), 5);
    QCOMPARE(RowColourOf(e, 1), RowColour::FirstMark);
    QCOMPARE(RowColourOf(e, 2), RowColour::Changed);
    QCOMPARE(RowColourOf(e, 4), RowColour::Normal); // the old marks are gone
    QCOMPARE(RowColourOf(e, 5), RowColour::SecondMark);
    QVERIFY(f.window->subtitlesChanged());
    e.RunCommand("Undo");
    QCOMPARE(f.window->Subt.Count(), 4);
    QCOMPARE(e.RowCount(), 4);
}

void EditorCommandsTest::deleteAllKeepsTheLastRow() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}});
    f.selectRows({1, 2, 3, 4, 5});
    f.action("mnuEditDelete")->trigger();
    QCOMPARE(f.window->Subt.Count(), 1);
    QCOMPARE(e.RowCount(), 1);
    QCOMPARE(f.window->Subt.StartTime(1), 9.0);
    QVERIFY(!f.action("Delete")->isEnabled());
    QCOMPARE(e.FirstIndex(), 1);
    QCOMPARE(e.LastIndex(), 1);
}

void EditorCommandsTest::deleteResetsTheMarksAndIsUndoneRowByRow() {
    EditorFixture f;
    frmList& e = f.openEditor(Eight);
    f.selectRows({3, 6});
    e.RunCommand("Delete");
    QCOMPARE(e.RowCount(), 6);
    QCOMPARE(e.CellText(3, TextColumn), std::string("T4"));
    QCOMPARE(e.CellText(5, TextColumn), std::string("T7"));
    QCOMPARE(e.LastIndex(), 6);
    QCOMPARE(RowColourOf(e, 6), RowColour::SecondMark);
    QVERIFY(f.action("Delete")->isEnabled());
    e.RunCommand("Undo");
    QCOMPARE(e.RowCount(), 7);
    QCOMPARE(e.CellText(5, TextColumn), std::string("T6"));
}

void EditorCommandsTest::deleteOfManyRowsKeepsTheOthersColours() {
    EditorFixture f;
    frmList& e = f.openEditor({});
    for (int k = 1; k <= 100; ++k) f.window->Subt.Add(k, k + 0.5, "T" + std::to_string(k));
    e.LoadList();
    f.selectRows({90});
    e.RunCommand("Later");
    QItemSelectionModel* selection = ListOf(e)->selectionModel();
    selection->clearSelection();
    selection->select(
        QItemSelection(ListOf(e)->model()->index(0, TextColumn), ListOf(e)->model()->index(79, TextColumn)),
        QItemSelectionModel::Select | QItemSelectionModel::Rows);
    e.RunCommand("Delete");
    QCOMPARE(e.RowCount(), 20);
    QCOMPARE(e.CellText(1, TextColumn), std::string("T81"));
    QCOMPARE(RowColourOf(e, 10), RowColour::Changed);
    QCOMPARE(RowColourOf(e, 20), RowColour::SecondMark);
    e.RunCommand("Undo");
    QCOMPARE(e.RowCount(), 21);
    QCOMPARE(e.CellText(1, TextColumn), std::string("T80"));
}

void EditorCommandsTest::undoOnAnEmptyJournalSelectsTheFirstRow() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}});
    f.selectRows({2});
    e.RunCommand("Undo");
    QCOMPARE(e.CurrentRow(), 1);
    QCOMPARE(f.window->Subt.StartTime(1), 1.0);
}

void EditorCommandsTest::undoOfADeletionRefillsTheList() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}});
    f.selectRows({2});
    e.RunCommand("Later");
    f.selectRows({1});
    e.RunCommand("Delete");
    e.RunCommand("Undo");
    QCOMPARE(e.RowCount(), 3);
    QCOMPARE(e.CurrentRow(), 1);
    e.RunCommand("Undo");
    QCOMPARE(e.CurrentRow(), 2);
    QCOMPARE(e.CellText(2, StartColumn), std::string("00:00:03,000"));
    // The marks stay on their titles, which the undone deletion moved down.
    QCOMPARE(RowColourOf(e, 2), RowColour::FirstMark);
    QCOMPARE(RowColourOf(e, 3), RowColour::SecondMark);
    QVERIFY(!f.action("Undo")->isEnabled());
}

void EditorCommandsTest::undoOfAnInsertKeepsTheMarksOnExistingTitles() {
    EditorFixture f;
    frmList& e = f.openEditor({{100, 101}, {200, 202}, {300, 301}, {1100, 1101}});
    f.selectRows({2});
    e.RunCommand("Insert");
    QCOMPARE(e.LastIndex(), 5);
    e.RunCommand("Undo");
    QCOMPARE(f.window->Subt.Count(), 4);
    QCOMPARE(e.FirstIndex(), 1);
    QCOMPARE(e.LastIndex(), 4);
    QCOMPARE(RowColourOf(e, 1), RowColour::FirstMark);
    QCOMPARE(RowColourOf(e, 4), RowColour::SecondMark);
    // Adjust maps the marked titles, never a title past the last one.
    AdjustToTenSecondsAndAnHour(f);
}

void EditorCommandsTest::undoOfADeletionMovesTheMarksAndEnablesDelete() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}});
    f.selectRows({1});
    e.RunCommand("Delete");
    QVERIFY(!f.action("Delete")->isEnabled());
    e.RunCommand("Undo");
    QCOMPARE(e.RowCount(), 2);
    QVERIFY(f.action("Delete")->isEnabled());
    QCOMPARE(e.FirstIndex(), 1);
    QCOMPARE(e.LastIndex(), 2);
    QCOMPARE(RowColourOf(e, 1), RowColour::FirstMark);
    QCOMPARE(RowColourOf(e, 2), RowColour::SecondMark);

    // A re-inserted title moves the marks after it along.
    EditorFixture h;
    frmList& g = h.openEditor({{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}});
    h.selectRows({3});
    g.RunCommand("Delete");
    QCOMPARE(g.LastIndex(), 4);
    g.RunCommand("Undo");
    QCOMPARE(g.FirstIndex(), 1);
    QCOMPARE(g.LastIndex(), 5);
    QCOMPARE(RowColourOf(g, 5), RowColour::SecondMark);
    QCOMPARE(RowColourOf(g, 4), RowColour::Normal);
}

void EditorCommandsTest::spellingAndItalicRewriteEveryTitleAndEmptyTheJournal() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}});
    f.window->Subt.SetText(2, "lt is so");
    f.window->Subt.SetText(3, "/very /good");
    QVERIFY(f.action("Undo")->isEnabled());
    e.RunCommand("Spelling");
    QCOMPARE(f.window->Subt.Text(2), std::string("It is so"));
    QCOMPARE(RowColourOf(e, 2), RowColour::Changed);
    QCOMPARE(f.window->Subt.UndoCount(), 0);
    QVERIFY(!f.action("Undo")->isEnabled());
    QVERIFY(f.window->subtitlesChanged());
    f.action("Italic")->trigger();
    QCOMPARE(f.window->Subt.Text(3), std::string("<i>very good</i>"));
    QCOMPARE(RowColourOf(e, 3), RowColour::SecondMark);
    QVERIFY(f.window->Subt.UndoEnabled());
    // Ctrl+F9 changes titles as the toolbar button does, so closing must ask.
    f.window->setSubtitlesChanged(false);
    f.window->Subt.SetText(1, "lt");
    f.action("mnuEditSpell")->trigger();
    QCOMPARE(f.window->Subt.Text(1), std::string("It"));
    QVERIFY(f.window->subtitlesChanged());
}

void EditorCommandsTest::shiftAndStretchOpenModallyAndFlagEvenWhenCancelled() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}});
    e.RunCommand("Shift"); // closed unanswered
    QVERIFY(f.window->subtitlesChanged());
    f.window->setSubtitlesChanged(false);
    e.RunCommand("Stretch");
    QVERIFY(f.window->subtitlesChanged());
    f.window->setSubtitlesChanged(false);
    f.action("mnuTimeStretch")->trigger(); // a cancelled stretch changed nothing
    QVERIFY(!f.window->subtitlesChanged());
    QCOMPARE(f.services.modalDialogs, (std::vector<std::string>{"frmShift", "frmStretch", "frmStretch"}));
    QCOMPARE(f.window->Subt.StartTime(2), 3.0);
}

void EditorCommandsTest::shiftThroughCtrlF8FlagsTheChange() {
    EditorFixture f;
    f.openEditor({{1, 2}, {3, 4}});
    f.services.modalDrivers.push_back([](QDialog& d) {
        d.findChild<QRadioButton*>("optEnd")->setChecked(true);
        d.findChild<QLineEdit*>("txtSec")->setText("5.000");
        QMetaObject::invokeMethod(&d, "cmdOK_Click");
    });
    f.action("mnuTimeShift")->trigger();
    QCOMPARE(f.window->Subt.StartTime(2), 8.0);
    QVERIFY(f.window->subtitlesChanged());
}

void EditorCommandsTest::shiftOfTheSelectedTitlesEmptiesTheJournal() {
    EditorFixture f;
    frmList& e = f.openEditor(Eight);
    f.selectRows({4});
    e.RunCommand("Later");
    f.selectRows({2, 3, 7});
    f.services.modalDrivers.push_back([](QDialog& d) {
        d.findChild<QRadioButton*>("optEnd")->setChecked(true);
        d.findChild<QLineEdit*>("txtMin")->setText("1");
        d.findChild<QLineEdit*>("txtSec")->setText("30.000");
        QMetaObject::invokeMethod(&d, "cmdOK_Click");
    });
    e.RunCommand("Shift");
    QCOMPARE(f.window->Subt.StartTime(2), 93.0);
    QCOMPARE(f.window->Subt.EndTime(7), 104.0);
    QCOMPARE(f.window->Subt.StartTime(5), 9.0);
    QCOMPARE(e.CellText(3, StartColumn), std::string("00:01:35,000"));
    QCOMPARE(RowColourOf(e, 2), RowColour::Changed);
    QCOMPARE(f.window->Subt.UndoCount(), 0);
    QVERIFY(!f.action("Undo")->isEnabled());
}

void EditorCommandsTest::adjustStretchesSoTheMarkedTitlesStartAtTheReferenceTimes() {
    EditorFixture f;
    f.openEditor({{100, 101}, {200, 202}, {300, 301}, {1100, 1101}});
    f.window->show();
    f.window->FirstRefTime = 10.0;
    f.window->SecondRefTime = 3600.0;
    f.control<QAbstractButton>("cmdAdjust")->click();
    QCOMPARE(f.window->Subt.StartTime(1), 10.0);
    QCOMPARE(f.window->Subt.StartTime(4), 3600.0);
    // Factor 3.59, offset -349: every other title follows the same map.
    QVERIFY(qAbs(f.window->Subt.StartTime(2) - 369.0) < 1e-9);
    QVERIFY(qAbs(f.window->Subt.EndTime(2) - 376.18) < 1e-9);
    QVERIFY(f.window->subtitlesChanged());
    QVERIFY(f.services.messages.empty());
    QApplication::processEvents();
    QVERIFY(!f.window->findChild<QDialog*>("frmStretch") || !f.window->findChild<QDialog*>("frmStretch")->isVisible());
}

void EditorCommandsTest::adjustWithReferencesOutOfOrderChangesNothing() {
    EditorFixture f;
    f.openEditor({{1, 2}, {3, 4}});
    f.window->FirstRefTime = 100.0;
    f.window->SecondRefTime = 50.0;
    f.window->cmdAdjust_Click();
    QCOMPARE(f.services.messages, std::vector<std::string>{"Title times have been set to an illegal order."});
    QCOMPARE(f.window->Subt.StartTime(2), 3.0);
}

void EditorCommandsTest::referenceTimesShowInTheBlueAndGreenButtonsTips() {
    EditorFixture f;
    f.openEditor({{100, 101}, {200, 202}, {1100, 1101}});
    auto* blue = f.control<QAbstractButton>("cmdBlue");
    auto* green = f.control<QAbstractButton>("cmdGreen");
    // Opening the editor notes the first and last starts.
    QVERIFY2(blue->toolTip().contains("00:01:40,000"), qPrintable(blue->toolTip()));
    QVERIFY2(green->toolTip().contains("00:18:20,000"), qPrintable(green->toolTip()));
    f.player->advanceTo(12.5);
    f.window->cmdBlue_Click();
    QVERIFY2(blue->toolTip().contains("00:00:12,500"), qPrintable(blue->toolTip()));
    f.player->advanceTo(3600);
    f.window->cmdGreen_Click();
    QVERIFY2(green->toolTip().contains("01:00:00,000"), qPrintable(green->toolTip()));
    QVERIFY(blue->toolTip().contains("00:00:12,500"));
}

void EditorCommandsTest::adjustStretchesEveryTitleWhateverIsSelected() {
    EditorFixture f;
    f.openEditor({{100, 101}, {200, 202}, {300, 301}, {1100, 1101}});
    f.selectRows({2, 3});
    AdjustToTenSecondsAndAnHour(f);
}

void EditorCommandsTest::unknownKeyDoesNothing() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}});
    f.selectRows({1});
    e.RunCommand("Quit");
    e.RunCommand("sooner"); // keys match exactly
    QCOMPARE(f.window->Subt.StartTime(1), 1.0);
    QVERIFY(!f.window->subtitlesChanged());
    QVERIFY(f.window->editorOpen());
}

void EditorCommandsTest::oneTitleCommandsWithoutACurrentRowDoNothing() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}});
    for (auto rows : {std::initializer_list<std::int32_t>{}, std::initializer_list<std::int32_t>{1, 3}}) {
        f.selectRows(rows);
        for (const char* key : {"Shorter", "Longer", "Insert", "Edit"}) e.RunCommand(key);
        e.mnuTimeFirst_Click();
        e.mnuTimeSecond_Click();
    }
    QCOMPARE(f.window->Subt.Count(), 3);
    QCOMPARE(f.window->Subt.UndoCount(), 0);
    QCOMPARE(e.FirstIndex(), 1);
    QCOMPARE(e.LastIndex(), 3);
    QVERIFY(f.services.modalDialogs.empty());
}

QTEST_MAIN(EditorCommandsTest)
#include "editor_commands_test.moc"
