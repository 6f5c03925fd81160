// The editor list's model over the store: Qt's own model checks through
// inserts, removals and refills, and the rows a user sees after each.
#include <QAbstractItemModelTester>
#include <QBrush>
#include <QSignalSpy>
#include <QtTest>
#include <map>
#include <string>
#include <vector>

#include "app/editor/title_cells.h"
#include "app/editor/title_list_model.h"
#include "subtitles/store.h"
#include "tests/app/support/data_columns.h"

using cuemark::testing::AddColumns;
using namespace cuemark;

namespace {

// Titles T1..Tn, one second each, two seconds apart.
void Fill(SUBTITLES& s, int count) {
    s.Clear();
    for (int k = 1; k <= count; ++k) s.Add(2.0 * k, 2.0 * k + 1.0, "T" + std::to_string(k));
}

QString Cell(const TitleListModel& m, std::int32_t title, TitleColumn column, int role = Qt::DisplayRole) {
    return m.data(m.index(title - 1, column), role).toString();
}

// Every row as the store has it now: count, the three cells and the headers.
void VerifyRowsMatchStore(const TitleListModel& m, const SUBTITLES& s) {
    QCOMPARE(m.rowCount(), s.Count());
    QCOMPARE(m.columnCount(), TitleColumnCount);
    for (std::int32_t title = 1; title <= s.Count(); ++title) {
        QCOMPARE(Cell(m, title, TextColumn), TextCellDisplay(s.Text(title)));
        QCOMPARE(Cell(m, title, StartColumn), QString::fromStdString(StartCellText(s.StartTime(title))));
        QCOMPARE(Cell(m, title, DurationColumn),
                 QString::fromStdString(DurationCellText(s.StartTime(title), s.EndTime(title))));
        QCOMPARE(m.headerData(title - 1, Qt::Vertical, Qt::DisplayRole).toInt(), title);
    }
}

// A store of `count` titles and the model over it, filled.
struct FilledModel {
    SUBTITLES s;
    TitleListModel m{s};
    explicit FilledModel(int count) {
        Fill(s, count);
        m.reload();
    }
};

} // namespace

class TitleListModelTest : public QObject {
    Q_OBJECT
private slots:
    void passesQtModelChecksThroughInsertsRemovalsAndRefills();
    void rowsFollowTheStoreAndColoursStayWithTheirTitles_data();
    void rowsFollowTheStoreAndColoursStayWithTheirTitles();
    void titleNumbersOutsideTheListChangeNothing();
    void aRefillKeepsColoursOnlyWhenAskedAndTheCountStayed();
    void onlyTheTextColumnIsEditedAndTheEditIsHandedOn();
    void columnsHaveTheirHeadersAndOnlyTheTextIsColoured();
};

void TitleListModelTest::passesQtModelChecksThroughInsertsRemovalsAndRefills() {
    SUBTITLES s;
    Fill(s, 5);
    TitleListModel m(s);
    QAbstractItemModelTester tester(&m, QAbstractItemModelTester::FailureReportingMode::QtTest);
    m.reload();
    m.setColour(1, RowColour::FirstMark);
    m.setColour(5, RowColour::SecondMark);

    // The tester compares a row's neighbours before and after it comes or
    // goes, so the store changes between the model's announcement and its
    // end (connected after the tester, whose look comes first).
    int added = 0;
    QObject::connect(&m, &QAbstractItemModel::rowsAboutToBeInserted, [&](const QModelIndex&, int first, int) {
        s.Insert(first + 1, 0.5, 0.75, "new " + std::to_string(++added));
    });
    QObject::connect(&m, &QAbstractItemModel::rowsAboutToBeRemoved,
                     [&](const QModelIndex&, int first, int) { s.Delete(first + 1); });
    m.titleInserted(1);
    m.titleInserted(m.rowCount() + 1);
    m.titleInserted(4);
    m.refreshRow(4);
    m.titleRemoved(2);
    m.titlesRemoved({1, 3, 6});
    QCOMPARE(added, 3);
    VerifyRowsMatchStore(m, s);

    // Past the one-by-one limit the rows go in one refill.
    Fill(s, 100);
    m.reload();
    std::vector<std::int32_t> many;
    for (std::int32_t title = 2; title <= 100; ++title) many.push_back(title);
    QCOMPARE(s.DeleteAscending(many, 1), 99);
    m.titlesRemoved(many);
    VerifyRowsMatchStore(m, s);
    m.reload(true);
    Fill(s, 0);
    m.reload();
    VerifyRowsMatchStore(m, s);
}

void TitleListModelTest::rowsFollowTheStoreAndColoursStayWithTheirTitles_data() {
    AddColumns<int, bool, QList<int>>("titles", "insert", "numbers");
    QTest::newRow("insert before the first") << 5 << true << QList<int>{1};
    QTest::newRow("insert in the middle") << 5 << true << QList<int>{3};
    QTest::newRow("insert after the last") << 5 << true << QList<int>{6};
    QTest::newRow("remove the first") << 5 << false << QList<int>{1};
    QTest::newRow("remove the last") << 5 << false << QList<int>{5};
    QTest::newRow("remove several apart") << 8 << false << QList<int>{2, 4, 5, 8};
    QList<int> many;
    for (int title = 3; title <= 150; title += 2) many.append(title);
    QTest::newRow("remove many in one refill") << 200 << false << many;
}

void TitleListModelTest::rowsFollowTheStoreAndColoursStayWithTheirTitles() {
    QFETCH(int, titles);
    QFETCH(bool, insert);
    QFETCH(QList<int>, numbers);
    FilledModel f(titles);
    SUBTITLES& s = f.s;
    TitleListModel& m = f.m;
    // Every third title coloured, so a row that slid onto another's colour shows.
    std::map<std::string, RowColour> colourOf;
    const RowColour cycle[] = {RowColour::FirstMark, RowColour::Normal, RowColour::Changed};
    for (std::int32_t title = 1; title <= s.Count(); ++title) {
        const RowColour colour = cycle[title % 3];
        m.setColour(title, colour);
        colourOf[s.Text(title)] = colour;
    }

    if (insert) {
        s.Insert(numbers.front(), 0.25, 0.75, "New title");
        m.titleInserted(numbers.front());
        colourOf["New title"] = RowColour::Normal;
    } else {
        const std::vector<std::int32_t> chosen(numbers.begin(), numbers.end());
        const std::int32_t gone = s.DeleteAscending(chosen, 1);
        QCOMPARE(gone, static_cast<std::int32_t>(chosen.size()));
        m.titlesRemoved(chosen);
    }

    VerifyRowsMatchStore(m, s);
    for (std::int32_t title = 1; title <= s.Count(); ++title) {
        QCOMPARE(m.colour(title), colourOf.at(s.Text(title)));
    }
}

void TitleListModelTest::titleNumbersOutsideTheListChangeNothing() {
    FilledModel f(3);
    TitleListModel& m = f.m;
    m.setColour(2, RowColour::Changed);
    QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&m, &QAbstractItemModel::rowsRemoved);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    m.titleInserted(0);
    m.titleInserted(5);
    m.titleRemoved(0);
    m.titleRemoved(4);
    m.titlesRemoved({4, 9});
    m.refreshRow(4);
    m.setColour(0, RowColour::FirstMark);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(removed.count(), 0);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(m.rowCount(), 3);
    QCOMPARE(m.colour(2), RowColour::Changed);
    QCOMPARE(m.colour(4), RowColour::Normal);
    QVERIFY(!m.data(m.index(3, TextColumn), Qt::DisplayRole).isValid());
}

void TitleListModelTest::aRefillKeepsColoursOnlyWhenAskedAndTheCountStayed() {
    FilledModel f(3);
    SUBTITLES& s = f.s;
    TitleListModel& m = f.m;
    m.setColour(2, RowColour::SecondMark);
    m.reload(true);
    QCOMPARE(m.colour(2), RowColour::SecondMark);
    m.reload();
    QCOMPARE(m.colour(2), RowColour::Normal);

    m.setColour(2, RowColour::SecondMark);
    Fill(s, 4);
    m.reload(true);
    QCOMPARE(m.colour(2), RowColour::Normal);
    VerifyRowsMatchStore(m, s);
}

void TitleListModelTest::onlyTheTextColumnIsEditedAndTheEditIsHandedOn() {
    SUBTITLES s;
    Fill(s, 2);
    s.SetText(2, "a\r\nb");
    TitleListModel m(s);
    m.reload();
    QSignalSpy edited(&m, &TitleListModel::textEdited);
    QVERIFY(m.flags(m.index(1, TextColumn)).testFlag(Qt::ItemIsEditable));
    QVERIFY(!m.flags(m.index(1, StartColumn)).testFlag(Qt::ItemIsEditable));
    QVERIFY(!m.flags(m.index(1, DurationColumn)).testFlag(Qt::ItemIsEditable));
    QCOMPARE(Cell(m, 2, TextColumn, Qt::EditRole), QString("a") + QChar(0x23CE) + "b");

    QVERIFY(!m.setData(m.index(1, StartColumn), QString("1"), Qt::EditRole));
    QVERIFY(!m.setData(m.index(1, TextColumn), QString("c"), Qt::DisplayRole));
    QVERIFY(m.setData(m.index(1, TextColumn), QString("c"), Qt::EditRole));
    QCOMPARE(edited.count(), 1);
    QCOMPARE(edited.at(0).at(0).value<std::int32_t>(), 2);
    QCOMPARE(edited.at(0).at(1).toString(), QString("c"));
    // The model stores nothing itself: the editor window does.
    QCOMPARE(s.Text(2), std::string("a\r\nb"));
}

void TitleListModelTest::columnsHaveTheirHeadersAndOnlyTheTextIsColoured() {
    FilledModel f(1);
    TitleListModel& m = f.m;
    QCOMPARE(m.headerData(TextColumn, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Text"));
    QCOMPARE(m.headerData(StartColumn, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Start"));
    QCOMPARE(m.headerData(DurationColumn, Qt::Horizontal, Qt::DisplayRole).toString(), QString("Duration"));
    QVERIFY(!m.headerData(TitleColumnCount, Qt::Horizontal, Qt::DisplayRole).isValid());

    m.setColour(1, RowColour::FirstMark);
    QCOMPARE(m.data(m.index(0, TextColumn), Qt::ForegroundRole).value<QBrush>().color(), QColor(0, 0, 255));
    QVERIFY(!m.data(m.index(0, StartColumn), Qt::ForegroundRole).isValid());
    QVERIFY(!m.data(m.index(0, DurationColumn), Qt::ForegroundRole).isValid());
    m.setColour(1, RowColour::Normal);
    QVERIFY(!m.data(m.index(0, TextColumn), Qt::ForegroundRole).isValid());
}

QTEST_MAIN(TitleListModelTest)
#include "title_list_model_test.moc"
