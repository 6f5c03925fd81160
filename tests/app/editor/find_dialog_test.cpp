#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <limits>
#include <memory>

#include "app/editor/frm_find.h"
#include "app/editor/title_search.h"
#include "tests/app/support/data_columns.h"
#include "tests/app/support/fake_editor.h"
#include "tests/app/support/main_window_fixture.h"

using cuemark::testing::AddColumns;
using namespace cuemark;
using cuemark::testing::FakeEditorWindow;
using cuemark::testing::MainWindowFixture;

Q_DECLARE_METATYPE(cuemark::SearchMode)

namespace {

void loadTexts(SUBTITLES& Subt, std::initializer_list<const char*> texts) {
    Subt.SetUndoEnabled(false);
    Subt.Clear();
    double start = 1.0;
    for (const char* text : texts) {
        Subt.Add(start, start + 1.0, text);
        start += 2.0;
    }
    Subt.SetUndoEnabled(true);
}

} // namespace

class FindDialogTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void splitGivesAnEmptyWordForALeadingOrDoubleSpace_data();
    void splitGivesAnEmptyWordForALeadingOrDoubleSpace();
    void titlesMatchByTheirModeIgnoringCase_data();
    void titlesMatchByTheirModeIgnoringCase();
    void plainTitlesLowerAsTheLocaleLowersThem_data();
    void plainTitlesLowerAsTheLocaleLowersThem();
    void nextMatchNeverRunsPastTheEnd_data();
    void nextMatchNeverRunsPastTheEnd();

    void opensWithAllWordsAndFindFirstAsDefault();
    void findFirstThenNextWalkTheMatchesThenReportNoMatch();
    void findNextAfterNoMatchReportsItAgainAtOnce();
    void enterFollowsTheDefaultButton();
    void aChangedTextMakesFindFirstTheDefaultAgain();
    void theCurrentRowIsUnselectedBeforeTheMatchIsShown();
    void emptySearchTextShowsNothingUnlessPastTheEnd();
    void searchesTheStoreAsItIsNow();
    void anEmptyStoreReportsNoMatchAndNothingFails();
    void closeDeletesTheWindow();

    void hidesWhenAnotherWindowOfTheProgramBecomesActive();
    void staysWhenTurningToAnotherProgram();
    void staysWhileItsOwnMessageIsShown();

private:
    std::unique_ptr<MainWindowFixture> fixture;
    std::unique_ptr<FakeEditorWindow> editor;
    QPointer<frmFind> find;

    SUBTITLES& store() { return fixture->window->Subt; }
    template <class T>
    T* control(const char* name) {
        return find->findChild<T*>(QString::fromLatin1(name));
    }
    void search(const char* text, const char* option = "optAll") {
        control<QLineEdit>("txtFind")->setText(QString::fromUtf8(text));
        control<QRadioButton>(option)->setChecked(true);
    }
    // A dialog's window counts as active while its owner is, so wait for
    // the application's own record instead of qWaitForWindowActive.
    static void showActive(QWidget* window) {
        window->show();
        window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), window);
    }
    const std::vector<std::string>& messages() const { return fixture->services.messages; }
};

void FindDialogTest::init() {
    fixture = std::make_unique<MainWindowFixture>();
    fixture->open();
    editor = std::make_unique<FakeEditorWindow>(*fixture->window);
    find = new frmFind(*editor);
}

void FindDialogTest::cleanup() {
    delete find.data();
    editor.reset();
    fixture.reset();
}

void FindDialogTest::splitGivesAnEmptyWordForALeadingOrDoubleSpace_data() {
    AddColumns<QString, QStringList>("text", "words");
    QTest::newRow("two words") << "open door" << QStringList{"open", "door"};
    QTest::newRow("leading space") << " door" << QStringList{"", "door"};
    QTest::newRow("two spaces") << "open  door" << QStringList{"open", "", "door"};
    QTest::newRow("trailing space") << "door " << QStringList{"door"};
    QTest::newRow("two trailing spaces") << "door  " << QStringList{"door", ""};
    QTest::newRow("empty") << "" << QStringList{};
}

void FindDialogTest::splitGivesAnEmptyWordForALeadingOrDoubleSpace() {
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(SplitSearchWords(text), words);
}

void FindDialogTest::titlesMatchByTheirModeIgnoringCase_data() {
    AddColumns<SearchMode, QString, QString, bool>("mode", "search", "title", "matches");
    const auto all = SearchMode::AllWords;
    const auto any = SearchMode::AnyWord;
    const auto exact = SearchMode::ExactPhrase;
    QTest::newRow("all: every word in any order") << all << "open door"
                                                  << "The door is OPEN" << true;
    QTest::newRow("all: one word missing") << all << "open door"
                                           << "Open the window" << false;
    QTest::newRow("any: first word") << any << "open door"
                                     << "Open the window" << true;
    QTest::newRow("any: second word") << any << "open door"
                                      << "the door" << true;
    QTest::newRow("any: neither word") << any << "open door"
                                       << "closed" << false;
    QTest::newRow("exact: whole phrase") << exact << "open door"
                                         << "please open door 5" << true;
    QTest::newRow("exact: words apart") << exact << "open door"
                                        << "open the door" << false;
    QTest::newRow("exact: upper-case search") << exact << "OPEN Door"
                                              << "please open door" << true;
    QTest::newRow("any: two spaces match everything") << any << "open  door"
                                                      << "closed" << true;
    QTest::newRow("any: leading space matches everything") << any << " door"
                                                           << "closed" << true;
    QTest::newRow("any: trailing space adds no word") << any << "door "
                                                      << "closed" << false;
    QTest::newRow("all: words across lines") << all << "first second"
                                             << "First\r\nSecond" << true;
    QTest::newRow("all: beyond ASCII") << all << "ÉTÉ chaud"
                                       << "Un été CHAUD" << true;
    QTest::newRow("exact: beyond ASCII, not found") << exact << "été"
                                                    << "Un ete chaud" << false;
    QTest::newRow("all: markup is text") << all << "<i>"
                                         << "<I>Quiet</I>" << true;
}

void FindDialogTest::titlesMatchByTheirModeIgnoringCase() {
    QFETCH(SearchMode, mode);
    QFETCH(QString, search);
    QFETCH(QString, title);
    QFETCH(bool, matches);
    QCOMPARE(TitleSearch(search, mode).Matches(title.toStdString()), matches);
}

// Plain ASCII titles skip the locale's lowering; in every locale the answer
// must be the one the locale's own lower case gives.
void FindDialogTest::plainTitlesLowerAsTheLocaleLowersThem_data() {
    AddColumns<QString, QString, QString>("locale", "search", "title");
    for (const char* locale : {"C", "en_US", "de_DE", "tr_TR", "az_AZ", "lt_LT"}) {
        for (const char* search : {"kirmizi", "kırmızı", "İstanbul", "istanbul"}) {
            for (const char* title : {"KIRMIZI", "ISTANBUL", "Kirmizi gul"}) {
                QTest::addRow("%s %s in %s", locale, search, title) << locale << search << title;
            }
        }
    }
}

void FindDialogTest::plainTitlesLowerAsTheLocaleLowersThem() {
    QFETCH(QString, locale);
    QFETCH(QString, search);
    QFETCH(QString, title);
    const QLocale userLocale(locale);
    const bool expected = userLocale.toLower(title).contains(userLocale.toLower(search));
    QCOMPARE(TitleSearch(search, SearchMode::ExactPhrase, userLocale).Matches(title.toStdString()), expected);
}

void FindDialogTest::nextMatchNeverRunsPastTheEnd_data() {
    AddColumns<int, int, QString, int>("titles", "from", "search", "next");
    QTest::newRow("from the start") << 4 << 0 << "door" << 3;
    QTest::newRow("after a match") << 4 << 3 << "door" << 4;
    QTest::newRow("after the last match") << 4 << 4 << "door" << 5;
    QTest::newRow("from beyond the end") << 4 << 9 << "door" << 5;
    QTest::newRow("from the largest number") << 4 << std::numeric_limits<int>::max() << "door" << 5;
    QTest::newRow("from a negative number") << 4 << -7 << "door" << 3;
    QTest::newRow("empty search text") << 4 << 0 << "" << 5;
    QTest::newRow("empty store") << 0 << 0 << "door" << 1;
}

void FindDialogTest::nextMatchNeverRunsPastTheEnd() {
    QFETCH(int, titles);
    QFETCH(int, from);
    QFETCH(QString, search);
    QFETCH(int, next);
    SUBTITLES Subt;
    for (int i = 1; i <= titles; ++i) Subt.Add(i, i + 0.5, i >= 3 ? "a door" : "a wall");
    QCOMPARE(TitleSearch(search, SearchMode::AllWords).NextMatch(Subt, from), next);
}

void FindDialogTest::opensWithAllWordsAndFindFirstAsDefault() {
    QCOMPARE(find->objectName(), QString("frmFind"));
    QCOMPARE(find->windowTitle(), QString("Find title"));
    QVERIFY(!find->isModal());
    QCOMPARE(find->parentWidget(), &editor->window);
    QCOMPARE(control<QLabel>("Label1")->text(), QString("&Text contains:"));
    QCOMPARE(control<QLabel>("Label1")->buddy(), control<QLineEdit>("txtFind"));
    QVERIFY(control<QRadioButton>("optAll")->isChecked());
    QCOMPARE(control<QRadioButton>("optAny")->text(), QString("Any word"));
    QCOMPARE(control<QRadioButton>("optExact")->text(), QString("Exact phrase"));
    QCOMPARE(control<QPushButton>("cmdSearch")->text(), QString("Find &First"));
    QCOMPARE(control<QPushButton>("cmdNext")->text(), QString("Find &Next"));
    QCOMPARE(control<QPushButton>("cmdExit")->text(), QString("&Close"));
    QVERIFY(control<QPushButton>("cmdSearch")->isDefault());
    QCOMPARE(find->FoundIndex(), 0);
    QCOMPARE(find->pos(), DialogOrigin(*editor));
}

void FindDialogTest::findFirstThenNextWalkTheMatchesThenReportNoMatch() {
    loadTexts(store(), {"a wall", "the window", "a door", "the DOOR", "a roof"});
    search("door");
    find->cmdSearch_Click();
    QCOMPARE(editor->wentTo, (std::vector<std::int32_t>{3}));
    QVERIFY(control<QPushButton>("cmdNext")->isDefault());
    find->cmdNext_Click();
    QCOMPARE(editor->wentTo, (std::vector<std::int32_t>{3, 4}));
    QVERIFY(messages().empty());
    find->cmdNext_Click();
    QCOMPARE(editor->wentTo.size(), std::size_t(2));
    QCOMPARE(messages(), (std::vector<std::string>{"No match."}));
    QCOMPARE(fixture->services.messageButtons.back(), MessageButtons::OK);
    QVERIFY(control<QPushButton>("cmdExit")->isDefault());
    QVERIFY(find->FoundIndex() > store().Count());
    QCOMPARE(find->SearchWords(), QStringList{"door"});
    // Only Find First starts over.
    find->cmdSearch_Click();
    QCOMPARE(editor->wentTo.back(), 3);
}

void FindDialogTest::findNextAfterNoMatchReportsItAgainAtOnce() {
    loadTexts(store(), {"a door", "a wall"});
    search("door");
    find->cmdSearch_Click();
    find->cmdNext_Click();
    find->cmdNext_Click();
    find->cmdNext_Click();
    QCOMPARE(messages().size(), std::size_t(3));
    QCOMPARE(editor->wentTo, (std::vector<std::int32_t>{1}));
    QCOMPARE(find->FoundIndex(), store().Count() + 1);
}

void FindDialogTest::enterFollowsTheDefaultButton() {
    loadTexts(store(), {"a door", "a wall", "a door"});
    search("door");
    find->show();
    auto* text = control<QLineEdit>("txtFind");
    QTest::keyClick(text, Qt::Key_Return);
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(editor->wentTo, (std::vector<std::int32_t>{1, 3}));
    QTest::keyClick(text, Qt::Key_Return);
    QCOMPARE(messages().size(), std::size_t(1));
    QTest::keyClick(text, Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(find.isNull());
    QCOMPARE(messages().size(), std::size_t(1));
}

void FindDialogTest::aChangedTextMakesFindFirstTheDefaultAgain() {
    loadTexts(store(), {"a door"});
    search("door");
    find->cmdSearch_Click();
    find->cmdNext_Click();
    QVERIFY(control<QPushButton>("cmdExit")->isDefault());
    control<QLineEdit>("txtFind")->setText("doors");
    QVERIFY(control<QPushButton>("cmdSearch")->isDefault());
    QVERIFY(!control<QPushButton>("cmdExit")->isDefault());
}

void FindDialogTest::theCurrentRowIsUnselectedBeforeTheMatchIsShown() {
    loadTexts(store(), {"a wall", "a door", "a wall", "a door"});
    search("door");
    editor->select({1});
    find->cmdSearch_Click();
    QCOMPARE(editor->unselects, 1);
    QCOMPARE(editor->selected, (std::set<std::int32_t>{2}));
    // With several rows selected there is no current row to unselect, and
    // the match is still shown alone.
    editor->select({1, 3});
    find->cmdNext_Click();
    QCOMPARE(editor->unselects, 1);
    QCOMPARE(editor->selected, (std::set<std::int32_t>{4}));
}

void FindDialogTest::emptySearchTextShowsNothingUnlessPastTheEnd() {
    loadTexts(store(), {"a door", "a wall"});
    find->cmdSearch_Click();
    find->cmdNext_Click();
    QVERIFY(messages().empty());
    QVERIFY(editor->wentTo.empty());
    QVERIFY(find->SearchWords().isEmpty());

    search("door");
    find->cmdSearch_Click();
    search("");
    find->cmdNext_Click();
    QVERIFY(messages().empty());
    QCOMPARE(editor->wentTo.size(), std::size_t(1));

    search("roof");
    find->cmdSearch_Click();
    QCOMPARE(messages().size(), std::size_t(1));
    search("");
    find->cmdSearch_Click();
    QCOMPARE(messages().size(), std::size_t(2));
}

void FindDialogTest::searchesTheStoreAsItIsNow() {
    loadTexts(store(), {"a wall", "a wall"});
    search("door");
    find->cmdSearch_Click();
    QCOMPARE(messages().size(), std::size_t(1));
    // A change the list has not shown yet is found all the same.
    store().SetText(2, "a door");
    find->cmdSearch_Click();
    QCOMPARE(editor->wentTo, (std::vector<std::int32_t>{2}));
    // Titles deleted under a found position: nothing past the end is shown.
    store().Delete(2);
    find->cmdNext_Click();
    QCOMPARE(editor->wentTo.size(), std::size_t(1));
    QCOMPARE(messages().size(), std::size_t(2));
}

void FindDialogTest::anEmptyStoreReportsNoMatchAndNothingFails() {
    for (const char* option : {"optAny", "optAll", "optExact"}) {
        search("  door", option);
        find->cmdSearch_Click();
        find->cmdNext_Click();
    }
    QCOMPARE(messages().size(), std::size_t(6));
    QVERIFY(editor->wentTo.empty());
    QCOMPARE(editor->unselects, 0);
}

void FindDialogTest::closeDeletesTheWindow() {
    find->show();
    find->cmdExit_Click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(find.isNull());

    find = new frmFind(*editor);
    find->show();
    QVERIFY(find->close()); // the close box
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(find.isNull());
}

void FindDialogTest::hidesWhenAnotherWindowOfTheProgramBecomesActive() {
    loadTexts(store(), {"a wall", "a door", "a door"});
    search("door", "optAny");
    find->cmdSearch_Click();
    showActive(&editor->window);
    showActive(find);

    showActive(&editor->window);
    QTRY_VERIFY(find->isHidden());
    QVERIFY(!find.isNull());

    find->show();
    showActive(find);
    QCOMPARE(control<QLineEdit>("txtFind")->text(), QString("door"));
    QVERIFY(control<QRadioButton>("optAny")->isChecked());
    QCOMPARE(find->FoundIndex(), 2);
    find->cmdNext_Click();
    QCOMPARE(editor->wentTo.back(), 3);
}

void FindDialogTest::staysWhenTurningToAnotherProgram() {
    showActive(&editor->window);
    showActive(find);
    QApplication::setActiveWindow(nullptr);
    QTRY_VERIFY(!find->isActiveWindow());
    QVERIFY(find->isVisible());
}

namespace {

// Message boxes that, like real ones, take the activation while they show.
class ActivatingServices : public cuemark::testing::ScriptedServices {
public:
    MessageAnswer MessageBox(const std::string& text, MessageButtons buttons, MessageIcon icon) override {
        QWidget box;
        box.show();
        box.activateWindow();
        activated = QTest::qWaitFor([&] { return QApplication::activeWindow() == &box; });
        return ScriptedServices::MessageBox(text, buttons, icon);
    }
    bool activated = false;
};

} // namespace

void FindDialogTest::staysWhileItsOwnMessageIsShown() {
    ActivatingServices services;
    frmCuemark main(new cuemark::testing::ScriptedPlayer, services, *fixture->settings);
    FakeEditorWindow ownEditor(main);
    QPointer<frmFind> dialog = new frmFind(ownEditor);
    showActive(&ownEditor.window);
    showActive(dialog);
    dialog->findChild<QLineEdit*>("txtFind")->setText("door");
    dialog->cmdSearch_Click();
    QVERIFY(services.activated);
    QCOMPARE(services.messages, (std::vector<std::string>{"No match."}));
    QVERIFY(dialog->isVisible());
    delete dialog.data();
}

QTEST_MAIN(FindDialogTest)
#include "find_dialog_test.moc"
