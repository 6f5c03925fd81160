// The editor window: opening, cells, colours and marks, selection, the
// in-place edit, layout, font and settings.
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "app/desktop/twips.h"
#include "tests/app/support/data_columns.h"
#include "tests/app/support/editor_fixture.h"

using cuemark::testing::AddColumns;
using namespace cuemark;
using namespace cuemark::testing;

namespace {

// What Start and Duration leave of the list for the Text column.
int WidthLeftForText(const frmList& editor) {
    const QTableView* list = ListOf(editor);
    return list->viewport()->width() - list->horizontalHeader()->sectionSize(StartColumn) -
           list->horizontalHeader()->sectionSize(DurationColumn);
}

int TextColumnWidthOf(const frmList& editor) {
    return ListOf(editor)->horizontalHeader()->sectionSize(TextColumn);
}

} // namespace

class EditorWindowTest : public QObject {
    Q_OBJECT
private slots:
    void opensWithMarksOnTheFirstAndLastRow();
    void opensOnOneTitleWithDeleteDisabled();
    void opensOnAnEmptyStoreAndEveryCommandIsHarmless();
    void cellsShowTextStartAndRoundedDuration_data();
    void cellsShowTextStartAndRoundedDuration();
    void controlsCarryTheirCaptionsAndShortcuts();
    void markChangedSparesMarkedRowsAndFillsInTheCurrentRow();
    void markingOneTitleFirstAndSecondIsRefused();
    void marksAreOrderedWithoutRepainting();
    void severalSelectedRowsLeaveNoCurrentRow();
    void anItemClickMovesThePlayer();
    void goToTitleSelectsScrollsAndSeeks();
    void findWithSeveralRowsSelectedSelectsTheMatchAlone();
    void inPlaceEditRepairsLineBreaksAndIsOneUndoStep();
    void enterDoubleClickAndEditOpenTheTitleDialogOnTheCurrentRow();
    void findShowsOneWindowThatGoesToMatchesAndClosesWithTheEditor();
    void undoMenuFollowsTheUndoButton();
    void layoutKeepsTheMinimumSize();
    void settingsAreWrittenAtCloseAndAppliedAtOpen();
    void columnDefaultsAreHalfAndQuartersOfTheirSum();
    void aStoredZeroHidesTheToolbar();
    void storedColumnsTooNarrowForTheirTimesAreWidened();
    void textColumnTakesTheWidthTheOthersLeave();
    void fontDialogChangesTheFontUnlessCancelled();
    void closingReenablesEditAndDisablesTheReferenceButtons();
    void anotherFileLoadedRefillsTheListAndResetsTheMarks();
};

void EditorWindowTest::opensWithMarksOnTheFirstAndLastRow() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}});
    QCOMPARE(e.RowCount(), 3);
    QCOMPARE(e.FirstIndex(), 1);
    QCOMPARE(e.LastIndex(), 3);
    QCOMPARE(RowColourOf(e, 1), RowColour::FirstMark);
    QCOMPARE(RowColourOf(e, 2), RowColour::Normal);
    QCOMPARE(RowColourOf(e, 3), RowColour::SecondMark);
    QVERIFY(f.action("Delete")->isEnabled());
    QCOMPARE(f.window->FirstRefTime, 1.0);
    QCOMPARE(f.window->SecondRefTime, 5.0);
    QVERIFY(!f.control<QWidget>("cmdEdit")->isEnabled());
    QVERIFY(f.control<QWidget>("cmdBlue")->isEnabled());
    QVERIFY(f.control<QWidget>("cmdAdjust")->isEnabled());
    QCOMPARE(e.windowTitle(), QString("Subtitle Editor"));
    const QColor blue = ListOf(e)->model()->index(0, TextColumn).data(Qt::ForegroundRole).value<QBrush>().color();
    QCOMPARE(blue, QColor(0, 0, 255));
}

void EditorWindowTest::opensOnOneTitleWithDeleteDisabled() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}});
    QCOMPARE(e.FirstIndex(), 1);
    QCOMPARE(e.LastIndex(), 1);
    QCOMPARE(RowColourOf(e, 1), RowColour::SecondMark); // blue, then green
    QVERIFY(!f.action("Delete")->isEnabled());
}

void EditorWindowTest::opensOnAnEmptyStoreAndEveryCommandIsHarmless() {
    EditorFixture f;
    frmList& e = f.openEditor({});
    QCOMPARE(e.RowCount(), 0);
    for (const char* key : {"Undo", "Find", "Italic", "Spelling", "Edit", "Insert", "Delete", "Sooner", "Later",
                            "Shorter", "Longer", "Stretch", "Shift", "Quit"}) {
        e.RunCommand(key);
    }
    e.mnuTimeFirst_Click();
    e.mnuTimeSecond_Click();
    QCOMPARE(f.window->Subt.Count(), 0);
    QVERIFY(f.services.messages.empty());
}

void EditorWindowTest::cellsShowTextStartAndRoundedDuration_data() {
    AddColumns<double, double, QString, QString>("start", "end", "startCell", "durationCell");
    QTest::newRow("fraction") << 10.0 << 12.5 << "00:00:10,000"
                              << "2.5";
    QTest::newRow("whole") << 62.5 << 65.5 << "00:01:02,500"
                           << "3";
    QTest::newRow("rounded down") << 1.0 << 2.2344 << "00:00:01,000"
                                  << "1.234";
    QTest::newRow("rounded up") << 1.0 << 2.2346 << "00:00:01,000"
                                << "1.235";
}

void EditorWindowTest::cellsShowTextStartAndRoundedDuration() {
    QFETCH(double, start);
    QFETCH(double, end);
    EditorFixture f;
    f.openEditor({{start, end}});
    const QAbstractItemModel* m = ListOf(f.editor())->model();
    QFETCH(QString, startCell);
    QFETCH(QString, durationCell);
    QCOMPARE(m->index(0, StartColumn).data().toString(), startCell);
    QCOMPARE(m->index(0, DurationColumn).data().toString(), durationCell);
    QCOMPARE(m->headerData(0, Qt::Horizontal).toString(), QString("Text"));
    QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QString("Duration"));
}

void EditorWindowTest::controlsCarryTheirCaptionsAndShortcuts() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}});
    auto* tb = e.findChild<QToolBar*>("TB");
    QVERIFY(tb);
    QStringList captions;
    for (QAction* a : tb->actions()) captions << a->text();
    QCOMPARE(captions, QStringList({"Undo", "Find", "/I/t/a/l/i/c", "SpeIIlng", "Edit", "Insert", "Delete", "Sooner",
                                    "Later", "Shorter", "Longer", "Stretch", "Shift", "Bye"}));
    QCOMPARE(f.action("Shift")->toolTip(), QString("Move all (selected) subtitles in time by the same amount"));
    QCOMPARE(f.action("mnuTimeFirst")->text(), QString("Mark as &first for stretch timing"));
    QCOMPARE(f.action("mnuTimeFirst")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F5));
    QCOMPARE(f.action("mnuEditDelete")->shortcut(), QKeySequence(Qt::Key_Delete));
    QCOMPARE(f.action("mnuEditUndo")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(f.action("mnuViewFont")->shortcut(), QKeySequence(Qt::Key_F4));
    QStringList menus;
    for (QAction* a : e.menuBar()->actions()) menus << a->text();
    QCOMPARE(menus, QStringList({"&View", "&Edit", "&Timing"}));
}

void EditorWindowTest::markChangedSparesMarkedRowsAndFillsInTheCurrentRow() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}});
    f.selectRows({4});
    std::int32_t index = -1;
    e.MarkChanged(index);
    QCOMPARE(index, 4);
    QCOMPARE(RowColourOf(e, 4), RowColour::Changed);
    std::int32_t first = 1;
    e.MarkChanged(first);
    QCOMPARE(RowColourOf(e, 1), RowColour::FirstMark);
}

void EditorWindowTest::markingOneTitleFirstAndSecondIsRefused() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}, {13, 14}});
    f.selectRows({7});
    e.mnuTimeFirst_Click();
    QCOMPARE(f.services.messages,
             std::vector<std::string>{"The same title can not be marked as first and second, not set"});
    QCOMPARE(e.FirstIndex(), 1);
    QCOMPARE(e.LastIndex(), 7);
    QCOMPARE(RowColourOf(e, 1), RowColour::FirstMark);
    QCOMPARE(RowColourOf(e, 7), RowColour::SecondMark);

    // And the first one as second.
    f.selectRows({1});
    e.mnuTimeSecond_Click();
    QCOMPARE(f.services.messages.size(), std::size_t(2));
    QCOMPARE(e.FirstIndex(), 1);
    QCOMPARE(e.LastIndex(), 7);
    QCOMPARE(RowColourOf(e, 1), RowColour::FirstMark);
    QCOMPARE(RowColourOf(e, 7), RowColour::SecondMark);
}

void EditorWindowTest::marksAreOrderedWithoutRepainting() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}, {11, 12}, {13, 14}, {15, 16}, {17, 18}});
    f.selectRows({2});
    e.mnuTimeFirst_Click();
    f.selectRows({5});
    e.mnuTimeSecond_Click();
    QCOMPARE(e.FirstIndex(), 2);
    QCOMPARE(e.LastIndex(), 5);
    f.selectRows({9});
    e.mnuTimeFirst_Click();
    QCOMPARE(e.FirstIndex(), 5);
    QCOMPARE(e.LastIndex(), 9);
    QCOMPARE(RowColourOf(e, 2), RowColour::Normal);
    QCOMPARE(RowColourOf(e, 5), RowColour::SecondMark);
    QCOMPARE(RowColourOf(e, 9), RowColour::FirstMark);
}

void EditorWindowTest::severalSelectedRowsLeaveNoCurrentRow() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}});
    f.selectRows({1, 3});
    QVERIFY(e.MultipleSelected());
    QCOMPARE(e.CurrentRow(), 0);
    for (const char* key : {"Shorter", "Longer", "Edit", "Insert"}) QVERIFY2(!f.action(key)->isEnabled(), key);
    QVERIFY(f.action("Sooner")->isEnabled());
    f.clickRow(2);
    QVERIFY(!e.MultipleSelected());
    QCOMPARE(e.CurrentRow(), 2);
    for (const char* key : {"Shorter", "Longer", "Edit", "Insert"}) QVERIFY2(f.action(key)->isEnabled(), key);
}

void EditorWindowTest::anItemClickMovesThePlayer() {
    EditorFixture f;
    f.openEditor({{1, 2}, {3, 4}, {5, 6}});
    f.player->seeks.clear();
    QTest::mouseClick(ListOf(f.editor())->viewport(), Qt::LeftButton, {},
                      ListOf(f.editor())->visualRect(ListOf(f.editor())->model()->index(1, StartColumn)).center());
    QCOMPARE(f.editor().CurrentRow(), 2);
    QVERIFY(!f.player->seeks.empty());
    QCOMPARE(f.player->seeks.back(), 3.0);
    // The playback display selecting rows does not seek.
    const std::size_t seeks = f.player->seeks.size();
    f.editor().SelectOnlyRow(3);
    QCOMPARE(f.player->seeks.size(), seeks);
}

void EditorWindowTest::goToTitleSelectsScrollsAndSeeks() {
    EditorFixture f;
    f.openEditor({{1, 2}, {3, 4}, {5, 6}});
    f.selectRows({1});
    f.editor().UnselectCurrentRow();
    f.editor().GoToTitle(3);
    QCOMPARE(f.editor().CurrentRow(), 3);
    QCOMPARE(f.player->seeks.back(), 5.0);
    f.editor().GoToTitle(9); // beyond the list: nothing
    QCOMPARE(f.editor().CurrentRow(), 3);
}

void EditorWindowTest::inPlaceEditRepairsLineBreaksAndIsOneUndoStep() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}});
    QAbstractItemModel* m = ListOf(e)->model();
    m->setData(m->index(1, TextColumn), QString("a\nb"));
    QCOMPARE(f.window->Subt.Text(2), std::string("a b"));
    QCOMPARE(RowColourOf(e, 2), RowColour::Changed);
    QVERIFY(f.window->subtitlesChanged());
    // The shown line break goes back into the title as CR LF.
    m->setData(m->index(1, TextColumn), m->index(1, TextColumn).data(Qt::EditRole).toString() + QChar(0x23CE) + "c");
    QCOMPARE(f.window->Subt.Text(2), std::string("a b\r\nc"));
    QVERIFY(m->index(1, TextColumn).data().toString().contains(QChar(0x23CE)));
    QCOMPARE(f.window->Subt.UndoCount(), 2);
    e.RunCommand("Undo");
    QCOMPARE(f.window->Subt.Text(2), std::string("a b"));
}

void EditorWindowTest::enterDoubleClickAndEditOpenTheTitleDialogOnTheCurrentRow() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}});
    e.show();
    f.selectRows({2});
    f.services.modalDrivers.push_back([](QDialog& d) {
        d.findChild<QLineEdit*>("txtDuration")->setText("1.5");
        QMetaObject::invokeMethod(&d, "cmdOK_Click");
    });
    ListOf(e)->setFocus();
    QTest::keyClick(ListOf(e), Qt::Key_Return);
    QCOMPARE(f.services.modalDialogs, std::vector<std::string>{"frmEdit"});
    QCOMPARE(f.window->Subt.EndTime(2), 4.5);
    QCOMPARE(e.CellText(2, DurationColumn), std::string("1.5"));
    QCOMPARE(RowColourOf(e, 2), RowColour::Changed);
    QVERIFY(f.window->subtitlesChanged());
    e.LV_DblClick();
    f.action("Edit")->trigger();
    f.action("mnuEditEdit")->trigger();
    QCOMPARE(f.services.modalDialogs.size(), std::size_t(4));
    f.selectRows({1, 2}); // no current row: nothing opens
    e.LV_DblClick();
    QCOMPARE(f.services.modalDialogs.size(), std::size_t(4));
}

void EditorWindowTest::findShowsOneWindowThatGoesToMatchesAndClosesWithTheEditor() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}});
    f.window->Subt.SetText(3, "The open door");
    e.show();
    f.action("mnuEditFind")->trigger();
    QPointer<QWidget> find = FindWindowOf(e);
    QVERIFY(find && find->isVisible());
    QCOMPARE(find->windowTitle(), QString("Find title"));
    f.selectRows({1});
    find->findChild<QLineEdit*>("txtFind")->setText("door open");
    QMetaObject::invokeMethod(find, "cmdSearch_Click");
    QCOMPARE(e.CurrentRow(), 3);
    QCOMPARE(f.player->seeks.back(), 5.0);
    find->hide();
    e.RunCommand("Find");
    QCOMPARE(FindWindowOf(e), find.data()); // the same window, text kept
    QCOMPARE(find->findChild<QLineEdit*>("txtFind")->text(), QString("door open"));
    e.close();
    QApplication::processEvents();
    QVERIFY(!find);
}

void EditorWindowTest::findWithSeveralRowsSelectedSelectsTheMatchAlone() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}, {7, 8}});
    f.window->Subt.SetText(4, "The open door");
    e.show();
    f.selectRows({1, 2});
    e.RunCommand("Find");
    QPointer<QWidget> find = FindWindowOf(e);
    find->findChild<QLineEdit*>("txtFind")->setText("door");
    QMetaObject::invokeMethod(find, "cmdSearch_Click");
    QCOMPARE(e.CurrentRow(), 4);
    QVERIFY(!e.RowSelected(1) && !e.RowSelected(2));
    // A Delete after the find removes the found title and nothing else.
    e.RunCommand("Delete");
    QCOMPARE(f.window->Subt.Count(), 3);
    QCOMPARE(f.window->Subt.StartTime(1), 1.0);
    QCOMPARE(f.window->Subt.StartTime(3), 5.0);
}

void EditorWindowTest::undoMenuFollowsTheUndoButton() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}});
    QVERIFY(!f.action("Undo")->isEnabled());
    QVERIFY(!f.action("mnuEditUndo")->isEnabled());
    f.selectRows({2});
    e.RunCommand("Later");
    QVERIFY(f.action("Undo")->isEnabled());
    QVERIFY(f.action("mnuEditUndo")->isEnabled());
    f.action("mnuEditUndo")->trigger();
    QCOMPARE(f.window->Subt.StartTime(2), 3.0);
    QVERIFY(!f.action("mnuEditUndo")->isEnabled());
}

void EditorWindowTest::layoutKeepsTheMinimumSize() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}});
    e.show();
    e.resize(TwipsToPixels(2000, &e), e.height());
    QCOMPARE(qRound(PixelsToTwips(e.frameGeometry().width(), &e) / 15.0), qRound(3000 / 15.0));
    const double toolbar = PixelsToTwips(e.findChild<QToolBar*>("TB")->sizeHint().height(), &e);
    f.action("mnuViewToolbar")->trigger(); // hidden, still counts
    QVERIFY(!e.findChild<QToolBar*>("TB")->isVisible());
    QApplication::processEvents(); // the window's own minimum follows the hidden toolbar
    e.resize(e.width(), TwipsToPixels(500, &e));
    QVERIFY(PixelsToTwips(e.frameGeometry().height(), &e) >= toolbar + 1000 - 15);
    QVERIFY(PixelsToTwips(e.frameGeometry().height(), &e) <= toolbar + 1000 + 15);
}

void EditorWindowTest::settingsAreWrittenAtCloseAndAppliedAtOpen() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}});
    e.show();
    ListOf(e)->horizontalHeader()->resizeSection(0, TwipsToPixels(3000, &e));
    f.action("mnuViewToolbar")->trigger();
    QFont font("DejaVu Sans");
    font.setPointSize(14);
    font.setBold(true);
    f.services.fonts = {font};
    e.ChooseListFont();
    e.close();
    QCOMPARE(f.settings->GetDword("ListCol1", 0), 3000);
    QCOMPARE(f.settings->GetDword("Toolbar", 7), 0);
    QCOMPARE(f.settings->GetDword("ListFontSize", 0), 14);
    QCOMPARE(f.settings->GetDword("ListFontBold", 7), 1);
    QCOMPARE(f.settings->GetDword("ListFontItalic", 7), 0);
    QCOMPARE(f.settings->GetString("ListFont", ""), std::string("DejaVu Sans"));
    QVERIFY(f.settings->GetDword("ListWidth", 0) >= 3000);

    frmList& again = f.reopenEditor();
    QCOMPARE(TextColumnWidthOf(again), std::max(TwipsToPixels(3000, &again), WidthLeftForText(again)));
    QVERIFY(!f.action("mnuViewToolbar")->isChecked());
    QCOMPARE(again.ListFont().pointSize(), 14);
    QVERIFY(again.ListFont().bold());
}

void EditorWindowTest::columnDefaultsAreHalfAndQuartersOfTheirSum() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}});
    // Start and Duration widen to their text when a quarter is too narrow.
    const QFontMetrics metrics(e.ListFont());
    QVERIFY(ListOf(e)->horizontalHeader()->sectionSize(1) > metrics.horizontalAdvance("00:00:00,000"));
    const int startTwips = qRound(PixelsToTwips(ListOf(e)->horizontalHeader()->sectionSize(1), &e));
    e.close();
    QCOMPARE(f.settings->GetDword("ListCol1", 0), 2160);
    QCOMPARE(f.settings->GetDword("ListCol2", 0), std::max(1080, startTwips));
    QVERIFY(f.settings->GetDword("ListCol3", 0) >= 1080);
    QCOMPARE(f.settings->GetDword("Toolbar", 7), 1);
}

void EditorWindowTest::storedColumnsTooNarrowForTheirTimesAreWidened() {
    EditorFixture f;
    f.settings->SetDword("ListCol1", 3000);
    f.settings->SetDword("ListCol2", 100);
    f.settings->SetDword("ListCol3", 5000);
    frmList& e = f.openEditor({{1, 2}});
    QHeaderView* header = ListOf(e)->horizontalHeader();
    QCOMPARE(TextColumnWidthOf(e), std::max(TwipsToPixels(3000, &e), WidthLeftForText(e)));
    QVERIFY(header->sectionSize(1) > QFontMetrics(e.ListFont()).horizontalAdvance("00:00:00,000"));
    QCOMPARE(qRound(PixelsToTwips(header->sectionSize(2), &e) / 15.0), qRound(5000 / 15.0));
}

void EditorWindowTest::textColumnTakesTheWidthTheOthersLeave() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}});
    e.show();
    QHeaderView* header = ListOf(e)->horizontalHeader();
    auto left = [&] { return WidthLeftForText(e); };
    const int stored = TwipsToPixels(2160, &e);
    e.resize(TwipsToPixels(12000, &e), e.height());
    QApplication::processEvents();
    QVERIFY(left() > stored);
    QCOMPARE(header->sectionSize(0), left());
    e.resize(e.width() + 200, e.height());
    QApplication::processEvents();
    QCOMPARE(header->sectionSize(0), left());
    // Narrower than the stored width, the list scrolls instead.
    e.resize(TwipsToPixels(3000, &e), e.height());
    QApplication::processEvents();
    QCOMPARE(header->sectionSize(0), stored);

    // The user's own width is kept, and stored.
    header->resizeSection(0, TwipsToPixels(2700, &e));
    e.resize(TwipsToPixels(12000, &e), e.height());
    QApplication::processEvents();
    QCOMPARE(header->sectionSize(0), TwipsToPixels(2700, &e));
    e.close();
    QCOMPARE(qRound(f.settings->GetDword("ListCol1", 0) / 15.0), 180);
}

void EditorWindowTest::aStoredZeroHidesTheToolbar() {
    EditorFixture f;
    f.settings->SetDword("Toolbar", 0);
    frmList& e = f.openEditor({{1, 2}});
    e.show();
    QVERIFY(!f.action("mnuViewToolbar")->isChecked());
    QVERIFY(!e.findChild<QToolBar*>("TB")->isVisible());
}

void EditorWindowTest::fontDialogChangesTheFontUnlessCancelled() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}});
    const QFont before = e.ListFont();
    e.ChooseListFont(); // cancelled
    QCOMPARE(e.ListFont(), before);
    QFont chosen("DejaVu Serif");
    chosen.setPointSizeF(11.6);
    chosen.setItalic(true);
    f.services.fonts = {chosen};
    f.action("mnuViewFont")->trigger();
    QCOMPARE(e.ListFont().pointSize(), 12);
    QVERIFY(e.ListFont().italic());
    QCOMPARE(f.services.fontDialogs, 2);
}

void EditorWindowTest::closingReenablesEditAndDisablesTheReferenceButtons() {
    EditorFixture f;
    f.openEditor({{1, 2}});
    f.action("Bye")->trigger();
    QVERIFY(!f.window->editorOpen());
    QVERIFY(f.control<QWidget>("cmdEdit")->isEnabled());
    QVERIFY(!f.control<QWidget>("cmdBlue")->isEnabled());
    QVERIFY(!f.control<QWidget>("cmdGreen")->isEnabled());
    QVERIFY(!f.control<QWidget>("cmdAdjust")->isEnabled());
}

void EditorWindowTest::anotherFileLoadedRefillsTheListAndResetsTheMarks() {
    EditorFixture f;
    frmList& e = f.openEditor({{1, 2}, {3, 4}, {5, 6}, {7, 8}});
    f.selectRows({2});
    e.mnuTimeFirst_Click();
    const std::string file = f.writeFile("other.srt",
                                         "1\r\n00:00:01,000 --> 00:00:02,000\r\nA\r\n\r\n"
                                         "2\r\n00:00:03,000 --> 00:00:04,000\r\nB\r\n\r\n");
    f.window->OpenSubtitleFile(file);
    QCOMPARE(e.RowCount(), 2);
    QCOMPARE(e.FirstIndex(), 1);
    QCOMPARE(e.LastIndex(), 2);
    QCOMPARE(e.CellText(2, TextColumn), std::string("B"));
    QVERIFY(!f.control<QWidget>("cmdEdit")->isEnabled());
}

QTEST_MAIN(EditorWindowTest)
#include "editor_window_test.moc"
