// The program's command line.
#include <QTest>

#include "app/main_window/command_line.h"
#include "tests/app/support/data_columns.h"

using cuemark::testing::AddColumns;
using namespace cuemark;

Q_DECLARE_METATYPE(std::vector<std::string>)

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void filesAreTakenAsMediaThenSubtitles_data();
    void filesAreTakenAsMediaThenSubtitles();
    void badArgumentsAreUsageErrors_data();
    void badArgumentsAreUsageErrors();
    void versionNamesTheProductAndTheVersion();
};

void CommandLineTest::filesAreTakenAsMediaThenSubtitles_data() {
    AddColumns<std::vector<std::string>, QString, QString>("arguments", "media", "subtitles");
    QTest::newRow("both") << std::vector<std::string>{"film.mp4", "film.srt"} << "film.mp4"
                          << "film.srt";
    QTest::newRow("media alone") << std::vector<std::string>{"film.mkv"} << "film.mkv"
                                 << "";
    QTest::newRow("subtitles alone") << std::vector<std::string>{"Film.SMI"} << ""
                                     << "Film.SMI";
    QTest::newRow("after --") << std::vector<std::string>{"--", "-odd.avi"} << "-odd.avi"
                              << "";
    QTest::newRow("none") << std::vector<std::string>{} << ""
                          << "";
}

void CommandLineTest::filesAreTakenAsMediaThenSubtitles() {
    QFETCH(std::vector<std::string>, arguments);
    QFETCH(QString, media);
    QFETCH(QString, subtitles);
    const CommandLine line = ParseCommandLine(arguments);
    QVERIFY(line.error.empty());
    QCOMPARE(QString::fromStdString(line.media.value_or("")), media);
    QCOMPARE(QString::fromStdString(line.subtitles.value_or("")), subtitles);
}

void CommandLineTest::badArgumentsAreUsageErrors_data() {
    QTest::addColumn<std::vector<std::string>>("arguments");
    QTest::newRow("unknown option") << std::vector<std::string>{"--frobnicate"};
    QTest::newRow("three files") << std::vector<std::string>{"a.mp4", "b.srt", "c.srt"};
}

void CommandLineTest::badArgumentsAreUsageErrors() {
    QFETCH(std::vector<std::string>, arguments);
    const CommandLine line = ParseCommandLine(arguments);
    QVERIFY(!line.error.empty());
    QVERIFY(!line.media && !line.subtitles);
}

void CommandLineTest::versionNamesTheProductAndTheVersion() {
    QCOMPARE(QString::fromStdString(VersionText()), QStringLiteral("Tallyfold " CUEMARK_VERSION "\n"));
    QVERIFY(ParseCommandLine({"--version"}).version);
    QVERIFY(ParseCommandLine({"-h"}).help);
}

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
