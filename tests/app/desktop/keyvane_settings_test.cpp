#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <iostream>
#include <sstream>

#include "app/desktop/keyvane_settings.h"

using namespace cuemark;

namespace {

const std::string Library = CUEMARK_BIN_DIR "/libkeyvane.so";

// Collects what is written to std::cerr while it lives.
class CaptureStandardError {
public:
    CaptureStandardError() : previous_(std::cerr.rdbuf(captured_.rdbuf())) {}
    ~CaptureStandardError() { std::cerr.rdbuf(previous_); }
    std::string text() const { return captured_.str(); }

private:
    std::ostringstream captured_;
    std::streambuf* previous_;
};

int lineCount(const std::string& text) {
    return int(std::count(text.begin(), text.end(), '\n'));
}

// Points the library at another store file while it lives.
class StoreSwitch {
public:
    explicit StoreSwitch(const QString& file) : previous_(qgetenv("KEYVANE_REGISTRY")) {
        qputenv("KEYVANE_REGISTRY", file.toLocal8Bit());
    }
    ~StoreSwitch() { qputenv("KEYVANE_REGISTRY", previous_); }
    StoreSwitch(const StoreSwitch&) = delete;
    StoreSwitch& operator=(const StoreSwitch&) = delete;

private:
    QByteArray previous_;
};

QByteArray contentsOf(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

} // namespace

class KeyvaneSettingsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTripsNumbers_data();
    void roundTripsNumbers();
    void roundTripsTexts_data();
    void roundTripsTexts();
    void missingValuesGiveTheDefaults();
    void valuesOutliveTheObjectThatWroteThem();
    void findsTheLibraryBesideTheProgram();
    void missingLibraryGivesDefaultsAndSaysSoOnce();
    void libraryWithoutTheFunctionsGivesDefaultsAndSaysSoOnce();
    void unusableStoreIsNamedOnceWithItsCauseAndLeftAsItIs_data();
    void unusableStoreIsNamedOnceWithItsCauseAndLeftAsItIs();
    void storeInAReadOnlyFolderIsReadAndTheFolderIsNamed();

private:
    QTemporaryDir folder_;
};

void KeyvaneSettingsTest::initTestCase() {
    QVERIFY(folder_.isValid());
    qputenv("KEYVANE_REGISTRY", folder_.filePath("registry.sqlite3").toLocal8Bit());
    if (!QFile::exists(QString::fromStdString(Library)))
        QFAIL(qPrintable("build the keyvane target first: " + QString::fromStdString(Library)));
}

void KeyvaneSettingsTest::roundTripsNumbers_data() {
    QTest::addColumn<int>("number");
    QTest::newRow("window position") << 1234;
    QTest::newRow("left of the screen") << -1;
    QTest::newRow("lowest") << INT_MIN;
    QTest::newRow("highest") << INT_MAX;
}

void KeyvaneSettingsTest::roundTripsNumbers() {
    QFETCH(int, number);
    KeyvaneSettings settings(Library);
    QVERIFY(settings.SetDword("Left", number));
    QCOMPARE(settings.GetDword("Left", 42), number);
}

void KeyvaneSettingsTest::roundTripsTexts_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("path with blanks") << QByteArray("/home/ana/My Films/movie");
    QTest::newRow("UTF-8") << QByteArray("/home/ana/Fil\xc3\xa9s/\xc3\xbc");
    QTest::newRow("empty, not the default") << QByteArray("");
    QTest::newRow("long") << QByteArray(5000, 'x');
}

void KeyvaneSettingsTest::roundTripsTexts() {
    QFETCH(QByteArray, text);
    KeyvaneSettings settings(Library);
    QVERIFY(settings.SetString("MRU", text.toStdString()));
    QCOMPARE(QByteArray::fromStdString(settings.GetString("MRU", "default")), text);
}

void KeyvaneSettingsTest::missingValuesGiveTheDefaults() {
    KeyvaneSettings settings(Library);
    QCOMPARE(settings.GetDword("NeverWritten", 77), 77);
    QCOMPARE(settings.GetString("NeverWrittenEither", "25"), std::string("25"));
    QCOMPARE(settings.GetString("NeverWrittenEither", ""), std::string());
    // A number stored under the name is not a text, and the other way round.
    QVERIFY(settings.SetDword("Width", 9000));
    QCOMPARE(settings.GetString("Width", "none"), std::string("none"));
    QVERIFY(settings.SetString("Height", "6000"));
    QCOMPARE(settings.GetDword("Height", 5), 5);
}

void KeyvaneSettingsTest::valuesOutliveTheObjectThatWroteThem() {
    {
        KeyvaneSettings writer(Library);
        QVERIFY(writer.SetString("LastFrameRate", "29.97"));
        QVERIFY(writer.SetDword("Top", 480));
    }
    KeyvaneSettings reader(Library);
    QCOMPARE(reader.GetString("LastFrameRate", "25"), std::string("29.97"));
    QCOMPARE(reader.GetDword("Top", 0), 480);
}

void KeyvaneSettingsTest::findsTheLibraryBesideTheProgram() {
    // The test programs are built into the same folder as the library.
    CaptureStandardError capture;
    KeyvaneSettings settings;
    QVERIFY(settings.available());
    QVERIFY(settings.SetDword("ListCol1", 700));
    QCOMPARE(settings.GetDword("ListCol1", 0), 700);
    QCOMPARE(capture.text(), std::string());
}

void KeyvaneSettingsTest::missingLibraryGivesDefaultsAndSaysSoOnce() {
    CaptureStandardError capture;
    const std::string path = folder_.filePath("nowhere/libkeyvane.so").toStdString();
    KeyvaneSettings settings(path);
    QCOMPARE(capture.text(), std::string()); // bound at the first call, not before
    QCOMPARE(settings.GetDword("Left", 1500), 1500);
    QCOMPARE(settings.GetString("MRU", "start"), std::string("start"));
    QVERIFY(!settings.SetDword("Left", 1));
    QVERIFY(!settings.SetString("MRU", "x"));
    QCOMPARE(settings.GetDword("Left", 1500), 1500);
    QVERIFY(!settings.available());
    const std::string told = capture.text();
    QCOMPARE(lineCount(told), 1);
    QVERIFY2(told.find(path) != std::string::npos, told.c_str());

    // Another object tells its own story, once.
    KeyvaneSettings other(path);
    QCOMPARE(other.GetDword("Top", 3), 3);
    QCOMPARE(other.GetDword("Top", 3), 3);
    QCOMPARE(lineCount(capture.text()), 2);
}

void KeyvaneSettingsTest::libraryWithoutTheFunctionsGivesDefaultsAndSaysSoOnce() {
    CaptureStandardError capture;
    // A real shared library, but not the settings library.
    KeyvaneSettings settings(CUEMARK_BIN_DIR "/libplatform_automation.so");
    QCOMPARE(settings.GetString("MRU", "start"), std::string("start"));
    QCOMPARE(settings.GetDword("Left", 9), 9);
    QVERIFY(!settings.SetString("MRU", "x"));
    QVERIFY(!settings.available());
    const std::string told = capture.text();
    QCOMPARE(lineCount(told), 1);
    QVERIFY2(told.find("RegGetStringValue") != std::string::npos, told.c_str());
}

void KeyvaneSettingsTest::unusableStoreIsNamedOnceWithItsCauseAndLeftAsItIs_data() {
    QTest::addColumn<QByteArray>("foreignSql"); // empty: random bytes instead of a database
    QTest::addColumn<QString>("cause");
    QTest::newRow("random bytes") << QByteArray() << "file is damaged (not a SQLite database)";
    QTest::newRow("foreign tables with the store's mark")
        << QByteArray("CREATE TABLE notes(text); PRAGMA application_id = 1263948359; PRAGMA user_version = 1;")
        << "not a settings store (foreign tables)";
}

void KeyvaneSettingsTest::unusableStoreIsNamedOnceWithItsCauseAndLeftAsItIs() {
    QFETCH(QByteArray, foreignSql);
    QFETCH(QString, cause);
    QTemporaryDir storeFolder;
    QVERIFY(storeFolder.isValid());
    const QString file = storeFolder.filePath("registry.sqlite3");
    if (foreignSql.isEmpty()) {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(3000, '\x5A'));
    } else {
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(file.toLocal8Bit().constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, foreignSql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    const QByteArray before = contentsOf(file);

    const StoreSwitch useIt(file);
    CaptureStandardError capture;
    KeyvaneSettings settings(Library);
    QCOMPARE(settings.GetDword("Left", 1500), 1500);
    QCOMPARE(settings.GetString("MRU", "start"), std::string("start"));
    QVERIFY(!settings.SetDword("Left", 1));
    QVERIFY(!settings.SetString("MRU", "x"));
    QCOMPARE(settings.GetDword("Left", 1500), 1500);
    QVERIFY(settings.available());

    const std::string told = capture.text();
    QCOMPARE(lineCount(told), 1);
    QVERIFY2(told.find(file.toStdString() + ": " + cause.toStdString()) != std::string::npos, told.c_str());
    QVERIFY2(told.find("using default settings") != std::string::npos, told.c_str());
    // The user's file stays for them to look into: not reset, not removed.
    QCOMPARE(contentsOf(file), before);
    QCOMPARE(QDir(storeFolder.path()).entryList(QDir::Files), QStringList{"registry.sqlite3"});
}

void KeyvaneSettingsTest::storeInAReadOnlyFolderIsReadAndTheFolderIsNamed() {
    if (geteuid() != 0) QSKIP("needs root, to read the store as user nobody (permissions do not bind root)");
    constexpr uid_t Nobody = 65534;
    QTemporaryDir top;
    QVERIFY(top.isValid());
    QVERIFY(QFile::setPermissions(top.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                  QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                                  QFile::ExeGroup));
    QVERIFY(QDir(top.path()).mkdir("store"));
    const QString folder = top.filePath("store");
    const QString file = folder + "/registry.sqlite3";
    {
        const StoreSwitch useIt(file);
        KeyvaneSettings writer(Library);
        QVERIFY(writer.SetDword("Left", 2400));
    }
    KeyvaneSettings(Library).GetDword("Left", 0); // back on the test's own store: the other one is closed
    QVERIFY(!QFile::exists(file + "-wal"));
    QCOMPARE(chown(folder.toLocal8Bit().constData(), Nobody, Nobody), 0);
    QCOMPARE(chown(file.toLocal8Bit().constData(), Nobody, Nobody), 0);
    QCOMPARE(chmod(folder.toLocal8Bit().constData(), 0555), 0);
    const QByteArray before = contentsOf(file);

    // The program as user nobody, in a child whose standard error is kept.
    int err[2];
    QCOMPARE(pipe(err), 0);
    const StoreSwitch useIt(file);
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        dup2(err[1], 2);
        close(err[0]);
        if (setgroups(0, nullptr) != 0 || setresgid(Nobody, Nobody, Nobody) != 0 ||
            setresuid(Nobody, Nobody, Nobody) != 0)
            _exit(10);
        KeyvaneSettings settings(Library);
        if (settings.GetDword("Left", 0) != 2400) _exit(11);
        if (settings.SetDword("Left", 1)) _exit(12);
        if (settings.GetDword("Left", 0) != 2400) _exit(13);
        std::cerr.flush();
        _exit(0);
    }
    close(err[1]);
    std::string told;
    char buffer[4096];
    for (ssize_t got; (got = read(err[0], buffer, sizeof buffer)) > 0;) told.append(buffer, size_t(got));
    close(err[0]);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0); // 11 to 13: the stored value was not read, or the write did not fail
    QCOMPARE(lineCount(told), 1);
    QVERIFY2(told.find(file.toStdString() + ": folder is read-only; settings cannot be written") != std::string::npos,
             told.c_str());
    QVERIFY2(told.find("default settings") == std::string::npos, told.c_str());
    QCOMPARE(contentsOf(file), before);
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

QTEST_MAIN(KeyvaneSettingsTest)
#include "keyvane_settings_test.moc"
