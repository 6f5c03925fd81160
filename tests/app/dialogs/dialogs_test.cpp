#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#include "app/dialogs/frm_frame_rate.h"
#include "app/dialogs/frm_loading.h"
#include "app/dialogs/frm_pick_key.h"
#include "app/desktop/qt_window_services.h"
#include "app/desktop/twips.h"
#include "subtitles/subtitle_files.h"
#include "tests/app/support/data_columns.h"

using cuemark::testing::AddColumns;
using namespace cuemark;

namespace {

// Acts on the next modal dialog of type T once its event loop runs. A check
// that fails inside the action leaves the dialog open; it is closed then, so
// the test reports the failure instead of hanging.
template <class T>
void whenModal(std::function<void(T*)> action) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        QPointer<T> dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        poll->stop();
        poll->deleteLater();
        action(dialog);
        if (dialog != nullptr && dialog->isVisible()) static_cast<QDialog*>(dialog.data())->reject();
    });
    poll->start();
}

QStringList itemsOf(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) items << box->itemText(i);
    return items;
}

const char* const MediaFilter =
    "Video and Audio Files|*.avi;*.mpg;*.mpeg;*.asf;*.mov;*.wav;*.mp3|"
    "Video files (avi, mpg, asf, mov)|*.avi;*.mpg;*.mpeg;*.asf;*.mov|"
    "All Files (*.*)|*.*";

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void frameRateDialogShowsItsTextsAndTheCommonRates();
    void frameRateDialogWritesRatesTheLocaleWay();
    void frameRateOkTakesOnlyRatesBetweenTenAndFifty_data();
    void frameRateOkTakesOnlyRatesBetweenTenAndFifty();
    void frameRateDialogClosedWithoutOkKeepsTheOldRate();
    void frameRateEnterConfirmsWithoutGrowingTheList();
    void askFrameRateRefusesWithAMessageAndWaitsForAGoodRate();

    void keyPickerIsAFixedBoxWithOnlyItsLabel();
    void keyPickerSitsAroundTheKeyBox();
    void keyPickerTakesTheFirstKeyReleased_data();
    void keyPickerTakesTheFirstKeyReleased();
    void keyPickerKeepsWaitingThroughEscapeAndAutoRepeat();
    void keyPickerIgnoresKeysWithoutACode();
    void keyPickerReturnsFromExecWithTheKey();

    void loadingNoticeIsACaptionlessFixedBox();
    void loadingNoticeIsCentredOverTheMainWindow();
    void loadingNoticeComesAndGoesThroughTheServices();

    void messageBoxesCarryTitleIconAndButtons_data();
    void messageBoxesCarryTitleIconAndButtons();
    void filterTextsBecomeQtNameFilters_data();
    void filterTextsBecomeQtNameFilters();
    void openDialogStartsAtTheNameAndReturnsTheFullPath();
    void openDialogCancelledReturnsNothing();
    void saveDialogAsksBeforeOverwritingOnlyWhenTold_data();
    void saveDialogAsksBeforeOverwritingOnlyWhenTold();
    void saveDialogOffersTheGivenTypeAndReportsTheChosenOne();
};

void DialogsTest::cleanup() {
    QLocale::setDefault(QLocale::c());
}

void DialogsTest::frameRateDialogShowsItsTextsAndTheCommonRates() {
    frmFrameRate dialog(25, nullptr, [](const QString&) {});
    QCOMPARE(dialog.objectName(), QString("frmFrameRate"));
    QCOMPARE(dialog.windowTitle(), QString("Micro-DVD Frame Rate"));
    auto* label = dialog.findChild<QLabel*>("Label1");
    QVERIFY(label);
    QCOMPARE(label->text(), QString("A Frame Rate must be specified for Micro-DVD format subtitle files.  "
                                    "Please select the correct rate for this movie."));
    auto* rates = dialog.findChild<QComboBox*>("cboFramerate");
    QVERIFY(rates);
    QVERIFY(rates->isEditable());
    QCOMPARE(rates->toolTip(), QString("Select the media frame rate, or enter a numeric value"));
    QCOMPARE(itemsOf(rates), QStringList({"23.976", "24", "25", "29.97", "30"}));
    QCOMPARE(rates->currentText(), QString("25"));
    auto* ok = dialog.findChild<QPushButton*>("cmdOK");
    QVERIFY(ok);
    QCOMPARE(ok->text(), QString("OK"));
    QCOMPARE(ok->toolTip(), QString("Select the frame rate shown to the left"));
    QCOMPARE(dialog.FrameRate(), 25.0);
}

void DialogsTest::frameRateDialogWritesRatesTheLocaleWay() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    frmFrameRate dialog(23.976, nullptr, [](const QString&) { QFAIL("refused a German rate"); });
    auto* rates = dialog.findChild<QComboBox*>("cboFramerate");
    QCOMPARE(itemsOf(rates), QStringList({"23,976", "24", "25", "29,97", "30"}));
    QCOMPARE(rates->currentText(), QString("23,976"));
    rates->setEditText("29,97");
    dialog.cmdOK_Click();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.FrameRate(), 29.97);
}

void DialogsTest::frameRateOkTakesOnlyRatesBetweenTenAndFifty_data() {
    AddColumns<QString, bool, double>("typed", "taken", "rate");
    QTest::newRow("ten is refused") << "10" << false << 30.0;
    QTest::newRow("fifty is refused") << "50" << false << 30.0;
    QTest::newRow("just above ten") << "10.5" << true << 10.5;
    QTest::newRow("just below fifty") << "49.9" << true << 49.9;
    QTest::newRow("blanks around") << " 25 " << true << 25.0;
    QTest::newRow("far too high") << "1e300" << false << 30.0;
    QTest::newRow("letters") << "abc" << false << 30.0;
    QTest::newRow("empty") << "" << false << 30.0;
    QTest::newRow("not a number") << "nan" << false << 30.0;
    QTest::newRow("infinite") << "inf" << false << 30.0;
}

void DialogsTest::frameRateOkTakesOnlyRatesBetweenTenAndFifty() {
    QFETCH(QString, typed);
    QFETCH(bool, taken);
    QFETCH(double, rate);
    QStringList told;
    frmFrameRate dialog(30, nullptr, [&told](const QString& message) { told << message; });
    dialog.show();
    dialog.findChild<QComboBox*>("cboFramerate")->setEditText(typed);
    QTest::mouseClick(dialog.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    QCOMPARE(dialog.FrameRate(), rate);
    QCOMPARE(dialog.isVisible(), !taken);
    QCOMPARE(dialog.result(), taken ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(told, taken ? QStringList() : QStringList({"Illegal frame rate!"}));
}

void DialogsTest::frameRateDialogClosedWithoutOkKeepsTheOldRate() {
    frmFrameRate escaped(30, nullptr, [](const QString&) {});
    escaped.show();
    escaped.findChild<QComboBox*>("cboFramerate")->setEditText("24");
    QTest::keyClick(&escaped, Qt::Key_Escape);
    QVERIFY(!escaped.isVisible());
    QCOMPARE(escaped.FrameRate(), 30.0);
}

void DialogsTest::frameRateEnterConfirmsWithoutGrowingTheList() {
    frmFrameRate dialog(30, nullptr, [](const QString&) {});
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* rates = dialog.findChild<QComboBox*>("cboFramerate");
    rates->setEditText("12.5");
    QTest::keyClick(rates->lineEdit(), Qt::Key_Return);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.FrameRate(), 12.5);
    QCOMPARE(rates->count(), 5);
}

void DialogsTest::askFrameRateRefusesWithAMessageAndWaitsForAGoodRate() {
    QWidget main;
    QtWindowServices services(&main);
    QStringList seen;
    whenModal<frmFrameRate>([&seen](frmFrameRate* dialog) {
        dialog->findChild<QComboBox*>("cboFramerate")->setEditText("60");
        whenModal<QMessageBox>([&seen](QMessageBox* box) {
            seen << box->windowTitle() << box->text();
            QCOMPARE(box->icon(), QMessageBox::Warning);
            QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
            box->button(QMessageBox::Ok)->click();
        });
        dialog->cmdOK_Click();
        seen << (dialog->isVisible() ? "still open" : "closed");
        dialog->findChild<QComboBox*>("cboFramerate")->setEditText("24");
        dialog->cmdOK_Click();
    });
    double rate = 25;
    services.AskFrameRate(rate);
    QCOMPARE(rate, 24.0);
    QCOMPARE(seen, QStringList({"Cuemark", "Illegal frame rate!", "still open"}));

    whenModal<frmFrameRate>([](frmFrameRate* dialog) {
        dialog->findChild<QComboBox*>("cboFramerate")->setEditText("29.97");
        dialog->close();
    });
    services.AskFrameRate(rate);
    QCOMPARE(rate, 24.0);
}

void DialogsTest::keyPickerIsAFixedBoxWithOnlyItsLabel() {
    QWidget main;
    QLineEdit keyBox(&main);
    frmPickKey picker(&main, &keyBox);
    QCOMPARE(picker.objectName(), QString("frmPickKey"));
    QCOMPARE(picker.windowTitle(), QString("Select key"));
    const QSize inner(TwipsToPixels(3615, &picker), TwipsToPixels(735, &picker));
    QCOMPARE(picker.minimumSize(), inner);
    QCOMPARE(picker.maximumSize(), inner);
    const Qt::WindowFlags flags = picker.windowFlags();
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowSystemMenuHint));
    auto* label = picker.findChild<QLabel*>("Label1");
    QVERIFY(label);
    QCOMPARE(label->text(), QString("Please press the key you want to use to synchronize titles."));
    for (const QWidget* child : picker.findChildren<QWidget*>()) QCOMPARE(child->focusPolicy(), Qt::NoFocus);
    QVERIFY(!picker.pickedKey());
}

void DialogsTest::keyPickerSitsAroundTheKeyBox() {
    QWidget main;
    main.setGeometry(200, 150, 655, 416);
    QWidget panel(&main);
    panel.setGeometry(321, 153, 321, 153);
    QLineEdit keyBox(&panel);
    frmPickKey picker(&main, &keyBox);
    // Same parity as the picker, so the centring falls on whole pixels.
    keyBox.setGeometry(60, 40, 91 + (picker.width() - 91) % 2, 21 + (picker.height() - 21) % 2);
    frmPickKey placed(&main, &keyBox);
    // Left and top inside the panel, not inside the main window.
    QCOMPARE(placed.pos(), QPoint(200 + 60 - (placed.width() - keyBox.width()) / 2,
                                  150 + 40 - (placed.height() - keyBox.height()) / 2));
}

void DialogsTest::keyPickerTakesTheFirstKeyReleased_data() {
    AddColumns<int, int, int>("key", "modifiers", "code");
    QTest::newRow("A") << int(Qt::Key_A) << int(Qt::NoModifier) << 65;
    QTest::newRow("Shift+A") << int(Qt::Key_A) << int(Qt::ShiftModifier) << 65;
    QTest::newRow("space bar") << int(Qt::Key_Space) << int(Qt::NoModifier) << 32;
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier) << 13;
    QTest::newRow("Tab") << int(Qt::Key_Tab) << int(Qt::NoModifier) << 9;
    QTest::newRow("Control") << int(Qt::Key_Control) << int(Qt::ControlModifier) << 17;
    QTest::newRow("menu key") << int(Qt::Key_Menu) << int(Qt::NoModifier) << 93;
}

void DialogsTest::keyPickerTakesTheFirstKeyReleased() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, code);
    QWidget main;
    QLineEdit keyBox(&main);
    frmPickKey picker(&main, &keyBox);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    const auto qtKey = Qt::Key(key);
    QTest::keyPress(&picker, qtKey, Qt::KeyboardModifiers(modifiers));
    QVERIFY(picker.isVisible());
    QVERIFY(!picker.pickedKey());
    QTest::keyRelease(&picker, qtKey, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(picker.pickedKey(), std::optional<std::int16_t>(code));
    QCOMPARE(picker.result(), int(QDialog::Accepted));
    QVERIFY(!picker.isVisible());
}

void DialogsTest::keyPickerKeepsWaitingThroughEscapeAndAutoRepeat() {
    QWidget main;
    QLineEdit keyBox(&main);
    frmPickKey picker(&main, &keyBox);
    picker.show();
    QVERIFY(QTest::qWaitForWindowExposed(&picker));
    QTest::keyPress(&picker, Qt::Key_Escape);
    QVERIFY(picker.isVisible());

    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_B, Qt::NoModifier, "b", true);
    QApplication::sendEvent(&picker, &repeated);
    QVERIFY(picker.isVisible());
    QVERIFY(!picker.pickedKey());

    QTest::keyPress(&picker, Qt::Key_C);
    QTest::keyRelease(&picker, Qt::Key_Escape);
    QCOMPARE(picker.pickedKey(), std::optional<std::int16_t>(27));
    // The first release decided; later ones change nothing.
    QTest::keyRelease(&picker, Qt::Key_C);
    QCOMPARE(picker.pickedKey(), std::optional<std::int16_t>(27));
    QCOMPARE(picker.result(), int(QDialog::Accepted));
}

void DialogsTest::keyPickerIgnoresKeysWithoutACode() {
    QWidget main;
    QLineEdit keyBox(&main);
    frmPickKey picker(&main, &keyBox);
    picker.show();
    QTest::keyClick(&picker, Qt::Key_VolumeUp);
    QVERIFY(picker.isVisible());
    QVERIFY(!picker.pickedKey());
    QTest::keyClick(&picker, Qt::Key_F5);
    QCOMPARE(picker.pickedKey(), std::optional<std::int16_t>(116));
}

void DialogsTest::keyPickerReturnsFromExecWithTheKey() {
    QWidget main;
    QLineEdit keyBox(&main);
    frmPickKey picker(&main, &keyBox);
    whenModal<frmPickKey>([](frmPickKey* shown) { QTest::keyClick(shown, Qt::Key_A); });
    QCOMPARE(picker.exec(), int(QDialog::Accepted));
    QCOMPARE(picker.pickedKey(), std::optional<std::int16_t>(65));
}

void DialogsTest::loadingNoticeIsACaptionlessFixedBox() {
    QWidget main;
    frmLoading notice(&main);
    QCOMPARE(notice.objectName(), QString("frmLoading"));
    QVERIFY(notice.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(notice.isWindow());
    const QSize inner(TwipsToPixels(1710, &notice), TwipsToPixels(975, &notice));
    QCOMPARE(notice.minimumSize(), inner);
    QCOMPARE(notice.maximumSize(), inner);
    auto* label = notice.findChild<QLabel*>("Label1");
    QVERIFY(label);
    QCOMPARE(label->text(), QString("Loading Subtitles"));
    QCOMPARE(label->font().family(), QString("MS Sans Serif"));
}

void DialogsTest::loadingNoticeIsCentredOverTheMainWindow() {
    QWidget main;
    frmLoading probe(&main);
    // Same parity as the notice, so the centring falls on whole pixels.
    main.setGeometry(100, 60, 654 + (654 - probe.width()) % 2, 415 + (415 - probe.height()) % 2);
    frmLoading notice(&main);
    QCOMPARE(notice.pos(),
             QPoint(100 + (main.width() - notice.width()) / 2, 60 + (main.height() - notice.height()) / 2));
}

void DialogsTest::loadingNoticeComesAndGoesThroughTheServices() {
    QWidget main;
    QtWindowServices services(&main);
    services.HideLoadingNotice(); // nothing to hide yet
    services.ShowLoadingNotice();
    auto notices = main.findChildren<frmLoading*>();
    QCOMPARE(notices.size(), 1);
    QVERIFY(notices[0]->isVisible());
    services.ShowLoadingNotice();
    QCOMPARE(main.findChildren<frmLoading*>().size(), 1);
    services.HideLoadingNotice();
    QCOMPARE(main.findChildren<frmLoading*>().size(), 0);
    services.ShowLoadingNotice();
    QCOMPARE(main.findChildren<frmLoading*>().size(), 1);
}

void DialogsTest::messageBoxesCarryTitleIconAndButtons_data() {
    AddColumns<int, int, int, int, int, int>("buttons", "icon", "clicked", "answer", "shownIcon", "shownButtons");
    const int ok = QMessageBox::Ok;
    const int yesNo = QMessageBox::Yes | QMessageBox::No;
    QTest::newRow("exclamation") << int(MessageButtons::OK) << int(MessageIcon::Exclamation) << ok
                                 << int(MessageAnswer::OK) << int(QMessageBox::Warning) << ok;
    QTest::newRow("question, yes") << int(MessageButtons::YesNo) << int(MessageIcon::Question) << int(QMessageBox::Yes)
                                   << int(MessageAnswer::Yes) << int(QMessageBox::Question) << yesNo;
    QTest::newRow("question, no") << int(MessageButtons::YesNo) << int(MessageIcon::None) << int(QMessageBox::No)
                                  << int(MessageAnswer::No) << int(QMessageBox::NoIcon) << yesNo;
}

void DialogsTest::messageBoxesCarryTitleIconAndButtons() {
    QFETCH(int, buttons);
    QFETCH(int, icon);
    QFETCH(int, clicked);
    QFETCH(int, answer);
    QFETCH(int, shownIcon);
    QFETCH(int, shownButtons);
    QWidget main;
    QtWindowServices services(&main);
    QStringList seen;
    whenModal<QMessageBox>([&](QMessageBox* box) {
        seen << box->windowTitle() << box->text();
        QCOMPARE(box->textFormat(), Qt::PlainText);
        QCOMPARE(int(box->icon()), shownIcon);
        QCOMPARE(int(box->standardButtons()), shownButtons);
        box->button(QMessageBox::StandardButton(clicked))->click();
    });
    const MessageAnswer given = services.MessageBox("You have <i>changed</i> subtitles.\r\nSave them first?",
                                                    MessageButtons(buttons), MessageIcon(icon));
    QCOMPARE(int(given), answer);
    QCOMPARE(seen, QStringList({"Cuemark", "You have <i>changed</i> subtitles.\nSave them first?"}));
}

void DialogsTest::filterTextsBecomeQtNameFilters_data() {
    AddColumns<QString, QStringList>("filter", "nameFilters");
    QTest::newRow("subtitles")
        << "SAMI files (*.smi)|*.smi|SubRip files (*.srt)|*.srt|MicroDVD Subtitle files (*.sub)|*.sub"
        << QStringList({"SAMI files (*.smi)", "SubRip files (*.srt)", "MicroDVD Subtitle files (*.sub)"});
    // The words in brackets must not be taken for the patterns.
    QTest::newRow("media") << MediaFilter
                           << QStringList({"Video and Audio Files (*.avi *.mpg *.mpeg *.asf *.mov *.wav *.mp3)",
                                           "Video files (avi, mpg, asf, mov) (*.avi *.mpg *.mpeg *.asf *.mov)",
                                           "All Files (*)"});
    QTest::newRow("empty") << "" << QStringList();
    QTest::newRow("description left over") << "A|*.a|B" << QStringList({"A (*.a)"});
    QTest::newRow("trailing bar") << "A|*.a|" << QStringList({"A (*.a)"});
    QTest::newRow("empty pattern dropped") << "A||B|*.b" << QStringList({"B (*.b)"});
    QTest::newRow("stray semicolons") << "A|;*.a;;*.b;" << QStringList({"A (*.a *.b)"});
}

void DialogsTest::filterTextsBecomeQtNameFilters() {
    QFETCH(QString, filter);
    QFETCH(QStringList, nameFilters);
    QCOMPARE(NameFiltersOf(filter.toStdString()), nameFilters);
}

void DialogsTest::openDialogStartsAtTheNameAndReturnsTheFullPath() {
    QTemporaryDir folder;
    QFile media(folder.filePath("movie.avi"));
    QVERIFY(media.open(QIODevice::WriteOnly));
    media.close();
    QWidget main;
    QtWindowServices services(&main);
    QStringList seen;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        seen << dialog->windowTitle();
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog->nameFilters(), NameFiltersOf(MediaFilter));
        QCOMPARE(QFileInfo(dialog->directory().absolutePath()), QFileInfo(folder.path()));
        dialog->selectFile("movie.avi");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the choice
    });
    OpenFileRequest request;
    request.fileName = folder.filePath("movie").toStdString();
    request.filter = MediaFilter;
    request.title = "Select an existing media file";
    request.fileMustExist = true;
    const std::optional<std::string> chosen = services.ShowOpen(request);
    QCOMPARE(seen, QStringList({"Select an existing media file"}));
    QVERIFY(chosen);
    QCOMPARE(QFileInfo(QString::fromStdString(*chosen)), QFileInfo(media.fileName()));
    QVERIFY(QFileInfo(QString::fromStdString(*chosen)).isAbsolute());

    // A subtitle name that is not there yet may be chosen for a new file.
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        QCOMPARE(dialog->fileMode(), QFileDialog::AnyFile);
        dialog->selectFile("new.srt");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the choice
    });
    request.fileMustExist = false;
    request.filter = "SubRip files (*.srt)|*.srt";
    const std::optional<std::string> fresh = services.ShowOpen(request);
    QVERIFY(fresh);
    QCOMPARE(QString::fromStdString(*fresh), QFileInfo(folder.filePath("new.srt")).absoluteFilePath());
}

void DialogsTest::openDialogCancelledReturnsNothing() {
    QWidget main;
    QtWindowServices services(&main);
    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    OpenFileRequest request;
    request.filter = "SubRip files (*.srt)|*.srt";
    QVERIFY(!services.ShowOpen(request));
    whenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    QVERIFY(!services.ChooseSaveFile(SaveFileRequest{}));
}

void DialogsTest::saveDialogAsksBeforeOverwritingOnlyWhenTold_data() {
    QTest::addColumn<bool>("overwritePrompt");
    QTest::newRow("asks") << true;
    QTest::newRow("does not ask") << false;
}

void DialogsTest::saveDialogAsksBeforeOverwritingOnlyWhenTold() {
    QFETCH(bool, overwritePrompt);
    QTemporaryDir folder;
    QWidget main;
    QtWindowServices services(&main);
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->testOption(QFileDialog::DontConfirmOverwrite), !overwritePrompt);
        QCOMPARE(dialog->nameFilters(), QStringList({"SubRip files (*.srt)"}));
        dialog->selectFile("saved.srt");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the choice
    });
    SaveFileRequest request;
    request.fileName = folder.filePath("saved").toStdString();
    request.filter = "SubRip files (*.srt)|*.srt";
    request.overwritePrompt = overwritePrompt;
    const std::optional<SaveFileChoice> chosen = services.ChooseSaveFile(request);
    QVERIFY(chosen);
    QCOMPARE(QString::fromStdString(chosen->fileName), QFileInfo(folder.filePath("saved.srt")).absoluteFilePath());
}

void DialogsTest::saveDialogOffersTheGivenTypeAndReportsTheChosenOne() {
    QTemporaryDir folder;
    QWidget main;
    QtWindowServices services(&main);
    const QStringList types = NameFiltersOf(SubtitleFiles::SaveFilter);
    QString offered;
    whenModal<QFileDialog>([&](QFileDialog* dialog) {
        offered = dialog->selectedNameFilter();
        dialog->selectNameFilter(types[2]);
        dialog->selectFile("saved");
        static_cast<QDialog*>(dialog)->accept(); // QFileDialog::accept checks the choice
    });
    SaveFileRequest request;
    request.fileName = folder.filePath("saved").toStdString();
    request.filter = SubtitleFiles::SaveFilter;
    request.filterIndex = 1;
    const std::optional<SaveFileChoice> chosen = services.ChooseSaveFile(request);
    QCOMPARE(offered, types[1]);
    QVERIFY(chosen);
    QCOMPARE(chosen->filterIndex, 2);
    QCOMPARE(QString::fromStdString(chosen->fileName), QFileInfo(folder.filePath("saved")).absoluteFilePath());
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
