// Work that survives a crash, as the user meets it: the main window's
// session, the "Recover unsaved work" dialog at the next start, and what
// each of its answers does.
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/recovery/frm_recover.h"
#include "app/recovery/session_keeper.h"
#include "tests/app/support/main_window_fixture.h"

using namespace cuemark;
using namespace cuemark::testing;

namespace {

constexpr const char* TwoTitles =
    "1\r\n00:00:01,000 --> 00:00:02,000\r\nOne\r\n\r\n"
    "2\r\n00:00:05,000 --> 00:00:06,000\r\nTwo\r\n";

// A window with its session, as the program starts one.
struct Run {
    explicit Run(MainWindowFixture& fixture) : f(fixture) {
        f.open();
        keeper = std::make_unique<SessionKeeper>(f.window->Subt, f.services, f.path("sessions"));
        f.window->setSessionKeeper(keeper.get());
    }
    // Ends as a crash would: the session stays behind.
    void crash() {
        f.window->setSessionKeeper(nullptr);
        keeper.reset();
    }
    MainWindowFixture& f;
    std::unique_ptr<SessionKeeper> keeper;
};

QStringList sessionFolders(MainWindowFixture& f) {
    return QDir(QString::fromStdString(f.path("sessions"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
}

template <typename T>
T* child(QDialog& dialog, const char* name) {
    return dialog.findChild<T*>(QString::fromLatin1(name));
}

} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT
private slots:
    void aCrashedRunsTitlesComeBackAsItLeftThem();
    void discardDeletesASessionAndLaterKeepsTheRest();
    void workThatWasSavedOrClosedIsNotOffered();
    void recoveryThatCannotStartIsSaidOnceAndWorkGoesOn();
};

void RecoveryTest::aCrashedRunsTitlesComeBackAsItLeftThem() {
    MainWindowFixture f;
    {
        Run run(f);
        const std::string media = f.mediaFile();
        f.window->OpenMediaFile(media);
        f.services.openNames = {f.writeFile("film.srt", TwoTitles)};
        f.window->cmdBrowseSRT_Click();
        // Timed with the action key, and an edit.
        f.window->Subt.SetTimes(1, 1.125, 2.375);
        f.window->Subt.SetText(2, "Two, corrected");
        f.window->setSubtitlesChanged(true);
        run.crash();
    }
    // The file on the disk is not what the session holds, and is not read.
    f.writeFile("film.srt", "1\r\n00:00:09,000 --> 00:00:10,000\r\nOther\r\n");

    Run next(f);
    QStringList lines;
    f.services.modalDrivers.push_back([&](QDialog& dialog) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Recover unsaved work"));
        QCOMPARE(child<QPushButton>(dialog, "cmdRecover")->text(), QStringLiteral("Recover"));
        QCOMPARE(child<QPushButton>(dialog, "cmdDiscard")->text(), QStringLiteral("Discard"));
        QCOMPARE(child<QPushButton>(dialog, "cmdLater")->text(), QStringLiteral("Later"));
        auto* list = child<QListWidget>(dialog, "lstSessions");
        for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
        child<QPushButton>(dialog, "cmdRecover")->click();
    });
    const auto recovered = next.keeper->offerRecovery();
    QCOMPARE(f.services.modalDialogs, std::vector<std::string>{"frmRecover"});
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].startsWith(QString::fromStdString(f.path("film.srt")) + QStringLiteral(" \u2014 last change ")),
             qPrintable(lines[0]));
    QVERIFY2(lines[0].endsWith(QStringLiteral(" \u2014 2 titles changed")), qPrintable(lines[0]));
    QVERIFY(recovered.has_value());
    f.window->ShowRecoveredTitles(*recovered);

    SUBTITLES& Subt = f.window->Subt;
    QCOMPARE(Subt.Count(), 2);
    QCOMPARE(Subt.StartTime(1), 1.125);
    QCOMPARE(Subt.EndTime(1), 2.375);
    QCOMPARE(Subt.Text(2), std::string("Two, corrected"));
    QCOMPARE(f.control<QLineEdit>("txtSRT")->text().toStdString(), f.path("film.srt"));
    QCOMPARE(f.control<QLineEdit>("txtAVI")->text().toStdString(), f.path("film.mp4"));
    QVERIFY(f.window->subtitlesChanged());
    QVERIFY(f.control<QPushButton>("cmdSave")->isEnabled());
    // Only this run's session is left; the crashed one now lives in it.
    QCOMPARE(sessionFolders(f).size(), 1);

    // Closing asks about the recovered titles like about any change; No
    // ends the session.
    f.services.answers = {MessageAnswer::No};
    QVERIFY(f.close());
    QCOMPARE(f.services.messages.back(), std::string("Save subtitles?"));
    QVERIFY(sessionFolders(f).isEmpty());
}

void RecoveryTest::discardDeletesASessionAndLaterKeepsTheRest() {
    MainWindowFixture f;
    for (int i = 0; i < 2; ++i) {
        Run run(f);
        f.services.openNames = {f.writeFile("film" + std::to_string(i) + ".srt", TwoTitles)};
        f.window->cmdBrowseSRT_Click();
        f.window->Subt.SetTimes(1, 3.0 + i, 4.0);
        run.crash();
    }
    QCOMPARE(sessionFolders(f).size(), 2);

    Run next(f);
    int rowsAfterDiscard = -1;
    f.services.modalDrivers.push_back([&](QDialog& dialog) {
        auto* list = child<QListWidget>(dialog, "lstSessions");
        QCOMPARE(list->count(), 2);
        list->setCurrentRow(0);
        child<QPushButton>(dialog, "cmdDiscard")->click();
        rowsAfterDiscard = list->count();
        child<QPushButton>(dialog, "cmdLater")->click();
    });
    QVERIFY(!next.keeper->offerRecovery().has_value());
    QCOMPARE(rowsAfterDiscard, 1);
    QCOMPARE(f.window->Subt.Count(), 0);
    // The kept one, and this run's own.
    QCOMPARE(sessionFolders(f).size(), 2);

    // It is offered again at the next start; discarding the last closes the dialog.
    next.crash();
    Run third(f);
    f.services.modalDrivers.push_back([&](QDialog& dialog) {
        QCOMPARE(child<QListWidget>(dialog, "lstSessions")->count(), 1);
        child<QPushButton>(dialog, "cmdDiscard")->click();
        QVERIFY(!dialog.isVisible());
    });
    QVERIFY(!third.keeper->offerRecovery().has_value());
    QCOMPARE(f.services.modalDialogs.size(), size_t{2});
}

void RecoveryTest::workThatWasSavedOrClosedIsNotOffered() {
    MainWindowFixture f;
    {
        Run saved(f);
        f.services.openNames = {f.writeFile("film.srt", TwoTitles)};
        f.window->cmdBrowseSRT_Click();
        f.window->Subt.SetTimes(1, 3.0, 4.0);
        f.window->setSubtitlesChanged(true);
        f.services.saveNames = {f.path("film.srt")};
        QVERIFY(f.window->SaveSubtitles());
        saved.crash();
    }
    {
        Run closed(f);
        f.window->Subt.SetUndoEnabled(true);
        f.window->Subt.Add(1, 2, "typed");
        f.services.answers = {MessageAnswer::No};
        f.window->setSubtitlesChanged(true);
        QVERIFY(f.close());
    }
    Run next(f);
    QVERIFY(!next.keeper->offerRecovery().has_value());
    QVERIFY(f.services.modalDialogs.empty());
    QCOMPARE(sessionFolders(f).size(), 1); // this run's own
}

void RecoveryTest::recoveryThatCannotStartIsSaidOnceAndWorkGoesOn() {
    MainWindowFixture f;
    f.writeFile("sessions", "a file where the folder should be");
    Run run(f);
    QVERIFY(!run.keeper->recording());
    QCOMPARE(f.services.messages.size(), size_t{1});
    QVERIFY2(f.services.messages[0].find(f.path("sessions")) != std::string::npos, f.services.messages[0].c_str());
    QCOMPARE(f.services.messages[0].rfind("Your work can not be kept for recovery after a crash:", 0), size_t{0});
    f.services.openNames = {f.writeFile("film.srt", TwoTitles)};
    f.window->cmdBrowseSRT_Click();
    f.window->Subt.SetTimes(1, 3.0, 4.0);
    QCOMPARE(f.window->Subt.Count(), 2);
    QVERIFY(!run.keeper->offerRecovery().has_value());
    QCOMPARE(f.services.messages.size(), size_t{1});
}

QTEST_MAIN(RecoveryTest)
#include "recovery_test.moc"
