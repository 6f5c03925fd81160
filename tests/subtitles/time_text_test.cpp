#include "subtitles/time_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <clocale>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

using namespace cuemark;

TEST(TimeToText, WritesHoursMinutesSecondsAndMillisecondsWithAComma) {
    EXPECT_EQ(TimeToText(0), "00:00:00,000");
    EXPECT_EQ(TimeToText(3723.5), "01:02:03,500");
    EXPECT_EQ(TimeToText(-1.25), "-00:00:01,250");
    EXPECT_EQ(TimeToText(-0.5), "-00:00:00,500");
    EXPECT_EQ(TimeToText(36000), "10:00:00,000");
}

TEST(TimeToText, UsesACommaWhateverTheLocale) {
    const char* old = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = old ? old : "C";
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
        EXPECT_EQ(TimeToText(62.25), "00:01:02,250");
        EXPECT_DOUBLE_EQ(TextToTime("00:01:02.250"), 62.25);
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
    EXPECT_EQ(TimeToText(62.25), "00:01:02,250");
}

TEST(TimeToText, CarriesARemainderThatRoundsToSixtySeconds) {
    EXPECT_EQ(TimeToText(59.9996), "00:01:00,000");
    EXPECT_EQ(TimeToText(3599.9999), "01:00:00,000");
    EXPECT_EQ(TimeToText(-119.99996), "-00:02:00,000");
}

TEST(TimeToText, WritesHundredsOfHoursWithTheCommaBeforeTheMilliseconds) {
    EXPECT_EQ(TimeToText(100 * 3600 + 1.5), "100:00:01,500");
    EXPECT_EQ(TimeToText(32767.0 * 3600), "32767:00:00,000");
}

TEST(TimeToText, RefusesTimesItCannotWrite) {
    EXPECT_THROW(TimeToText(32768.0 * 3600), TimeOverflow);
    EXPECT_THROW(TimeToText(32767.0 * 3600 + 3599.9999), TimeOverflow);
    EXPECT_THROW(TimeToText(std::nan("")), TimeOverflow);
    EXPECT_THROW(TimeToText(-INFINITY), TimeOverflow);
}

TEST(TextToTime, ReadsCommaOrFullStopAndUpToThreeFractionDigits) {
    const std::pair<const char*, double> cases[] = {
        {"01:02:03,500", 3723.5}, {"1:2:3.5", 3723.5},     {"01:02:03,5004", 3723.5}, {"01:02:03,5009", 3723.5},
        {"00:01:02.250", 62.25},  {"00:01:02,250", 62.25}, {"-00:00:01,250", -1.25},  {"100:00:00,001", 360000.001}};
    for (const auto& [text, seconds] : cases) EXPECT_DOUBLE_EQ(TextToTime(text), seconds) << text;
}

TEST(TextToTime, SkipsAWholePartThatCannotBeFormed) {
    EXPECT_EQ(TextToTime("00:00:01"), 0.0);
    EXPECT_DOUBLE_EQ(TextToTime("1:02,5"), 0.5);
    EXPECT_EQ(TextToTime(""), 0.0);
    EXPECT_DOUBLE_EQ(TextToTime("aa:00:05,250"), 0.25);
    EXPECT_DOUBLE_EQ(TextToTime("00:xx:05,250"), 0.25);
    EXPECT_EQ(TextToTime("00:00:05,x"), 5.0);
    EXPECT_EQ(TextToTime("1,5:00:07"), 0.0); // separator before the colons: "5:0" is no fraction
    EXPECT_DOUBLE_EQ(TextToTime("1,5"), 0.5);
    EXPECT_EQ(TextToTime("-"), 0.0);
    EXPECT_EQ(TextToTime("::,"), 0.0);
    const std::string huge(400, '9');
    EXPECT_DOUBLE_EQ(TextToTime(huge + ":-" + huge + ":00,250"), 0.25); // never infinite or NaN
}

TEST(TextToTime, ReadsBackEveryWrittenTimeToTheMillisecond) {
    std::mt19937_64 rng(424242);
    std::uniform_real_distribution<double> times(-360000, 360000);
    for (int i = 0; i < 20000; ++i) {
        const double t = times(rng);
        EXPECT_NEAR(TextToTime(TimeToText(t)), t, 0.0005 + 1e-9) << t;
    }
}

TEST(CanBeTime, AcceptsWhatRealFilesHoldEvenWhereItReadsAsZero) {
    const std::vector<std::string> texts = {
        "00:00:01,000", "00:00:01.000", "1:2:3,5", "01:02:03,5004", " 00: 00 :01 ,000", "00:00:01,\t000",
        // position after the milliseconds
        "00:00:02,500 X1:100 X2:600 Y1:10 Y2:50",
        // what fixed positions cut out of lines written otherwise
        "0:00:01,000 ", ":00:02,500", "0:02", "00:00:01,00 -", "> 1000:00:05,000", "00:00:01", "00:00:01 --> 00",
        "00:00:01,", "-00:00:01,250", "100:00:00,00", "32767:59:59,999", "-32767:59:59,999", "99:99:99,999",
        "5:-99999:00,000", std::string(400, '0') + "1:00:00,000"};
    for (const std::string& text : texts) EXPECT_TRUE(canBeTime(text)) << text;
}

TEST(CanBeTime, RefusesNonNumbersTextsWithoutDigitsAndHoursBeyondTheLimit) {
    const std::string huge(400, '9');
    const std::string fullWidth =
        "\xEF\xBC\x90\xEF\xBC\x90:\xEF\xBC\x90\xEF\xBC\x90:\xEF\xBC\x90\xEF\xBC\x91,"
        "\xEF\xBC\x90\xEF\xBC\x90\xEF\xBC\x90"; // "００:００:０１,０００"
    const std::string arabicIndicOne = "\xD9\xA1";
    const std::vector<std::string> texts = {"nan:nan:nan,nan",
                                            "00:00:nan,000",
                                            "00:00:01,nan",
                                            "inf",
                                            "1e5:00:00,000",
                                            "0x1:00:00,000",
                                            fullWidth,
                                            arabicIndicOne + ":00:00,000",
                                            "00:00:01\v,000",
                                            "00:00\x7f:01,000",
                                            "",
                                            "   ",
                                            "-",
                                            "::,",
                                            " --> ",
                                            "32768:00:00,000",
                                            "-32768:00:00,000",
                                            "99999:00:00,000",
                                            "32767:60:00,000",
                                            huge + ":00:00,000",
                                            huge + ":-" + huge + ":00,250"};
    for (const std::string& text : texts) EXPECT_FALSE(canBeTime(text)) << text;
}

// The one-pass reading of the usual form must give what the two general
// steps give, to the bit, and refuse what they refuse.
TEST(TimeFromFile, AgreesWithCanBeTimeAndTextToTimeOnEveryText) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const std::string alphabet = "0123456789:,.- X\xEF";
    std::vector<std::string> texts = {"00:00:01,000",   "99:59:59,999",    "00:00:02,500 X1:100",
                                      "12:34:56.789,5", "00:00:01,00",     "1:02:03,5",
                                      "00:00:01",       "nan:nan:nan,nan", "",
                                      "-00:00:01,250"};
    for (int k = 0; k < 200000; ++k) {
        std::string text = TimeToText(std::uniform_int_distribution<int>(0, 359999999)(random) / 1000.0);
        // Now and then a character changed or added, to leave the usual form.
        if (random() % 3 == 0) text[random() % text.size()] = alphabet[random() % alphabet.size()];
        if (random() % 5 == 0) text += alphabet[random() % alphabet.size()];
        texts.push_back(text);
    }
    for (const std::string& text : texts) {
        const std::optional<double> fast = TimeFromFile(text);
        ASSERT_EQ(fast.has_value(), canBeTime(text)) << text;
        if (fast) {
            ASSERT_EQ(std::bit_cast<uint64_t>(*fast), std::bit_cast<uint64_t>(TextToTime(text))) << text;
        }
    }
}

TEST(WithinTimeRange, EndsWhereTimeToTextStopsWriting) {
    for (const double t : {0.0, -1.25, 32767.0 * 3600 + 3599.9994, -(32767.0 * 3600 + 3599.9994)}) {
        EXPECT_TRUE(withinTimeRange(t)) << t;
        EXPECT_NO_THROW(TimeToText(t)) << t;
    }
    for (const double t :
         {32768.0 * 3600, 32767.0 * 3600 + 3599.9996, -32768.0 * 3600, double(NAN), double(INFINITY), 1e300}) {
        EXPECT_FALSE(withinTimeRange(t)) << t;
        EXPECT_THROW(TimeToText(t), TimeOverflow) << t;
    }
}

TEST(RoundToMs, RoundsHalvesUpwards) {
    EXPECT_DOUBLE_EQ(RoundToMs(0.0125), 0.013);
    EXPECT_DOUBLE_EQ(RoundToMs(-0.0125), -0.012);
    EXPECT_DOUBLE_EQ(RoundToMs(1.23449), 1.234);
    EXPECT_EQ(MinLong(-3, 2), -3);
    EXPECT_EQ(MinDouble(2.5, 1.5), 1.5);
}
