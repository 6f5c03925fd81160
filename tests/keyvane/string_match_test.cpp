#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "keyvane/keyvane.h"
#include "keyvane/string_match.h"

namespace {

using keyvane::PreparedText;
using keyvane::stringMatch;

// Sets the library's level for one test and puts the start value back.
class StringMatchExport : public ::testing::Test {
protected:
    void TearDown() override { setLevel(2); }
    static void setLevel(std::int16_t level) { StringMatchLevel(&level); }
};

TEST(PreparedText, FoldsOnlyAsciiCapitalsAndDropsTheSixBlanks) {
    const PreparedText prepared("A Z\t\n\v\f\raz\xC4\xE4@[`{");
    EXPECT_EQ(prepared.view(), "azaz\xC4\xE4@[`{");
}

TEST(StringMatch, FindsExactSubstringIgnoringCaseAndSpacing) {
    EXPECT_TRUE(stringMatch("Hello World", "WORLD", 2));
    EXPECT_TRUE(stringMatch("Hello World", "o w", 2));
    EXPECT_TRUE(stringMatch("Hello\tWor\r\nld", "lowo", 0));
}

TEST(StringMatch, ToleratesOneMissingLetterInTwelve) {
    EXPECT_TRUE(stringMatch("The quick brown fox", "quick brwn fox", 2));
}

TEST(StringMatch, CountsASwapAsTwoErrors) {
    EXPECT_FALSE(stringMatch("The quick brown fox", "quikc", 2));
    EXPECT_TRUE(stringMatch("The quick brown fox", "qiuck brown", 2));
}

TEST(StringMatch, NeedsAHigherLevelForTwoMissingLettersInEight) {
    EXPECT_FALSE(stringMatch("Hello World", "helo wrld", 2));
    EXPECT_TRUE(stringMatch("Hello World", "helo wrld", 3));
}

TEST(StringMatch, AllowsASubstitutionOnceTheLevelGivesAnError) {
    EXPECT_FALSE(stringMatch("abx", "aby", 2));
    EXPECT_TRUE(stringMatch("abx", "aby", 4));
}

TEST(StringMatch, RejectsEmptyAndBlankArguments) {
    EXPECT_FALSE(stringMatch("", "abc", 2));
    EXPECT_FALSE(stringMatch("abc", "", 2));
    EXPECT_FALSE(stringMatch("abc", "   ", 2));
    EXPECT_FALSE(stringMatch(" \t", "a", 2));
}

TEST(StringMatch, KeepsShortPhrasesExactAtLevelTwo) {
    EXPECT_FALSE(stringMatch("the cat sat", "cax", 2));
    EXPECT_FALSE(stringMatch("the cat sat", "catz", 2));
    EXPECT_TRUE(stringMatch("the cat sat", "catsxt", 2)); // 6 characters: one error
}

TEST(StringMatch, NeedsThePhrasesFirstCharacterInTheText) {
    // A first character that never occurs gives no anchor, whatever the level.
    EXPECT_FALSE(stringMatch("bcdefgh", "xcdefgh", 30));
}

TEST(StringMatch, TriesLaterAnchorsAfterAFailedAttempt) {
    EXPECT_TRUE(stringMatch("qzzzz quick", "quikk", 2));
    EXPECT_TRUE(stringMatch("qx qy quack", "quick", 2));
}

TEST(StringMatch, FailsAnAttemptThatRunsOutOfText) {
    // Prepared texts hold no terminator, so any look past the end is an
    // overflow under AddressSanitizer.
    EXPECT_FALSE(stringMatch("abc", "abcd", 10));
    EXPECT_FALSE(stringMatch("xab", "abcdefghij", 100));
    EXPECT_FALSE(stringMatch("a", "ab", 30));
    EXPECT_FALSE(stringMatch("abxd", "abcdefgh", 50));
    EXPECT_TRUE(stringMatch("abxd", "abcd", 10)); // a substitution just before the end
}

TEST(StringMatch, ReadsNoFurtherThanEitherEndOnMismatchAtTheLastCharacter) {
    EXPECT_TRUE(stringMatch("abcdx", "abcdy", 2));
    EXPECT_TRUE(stringMatch("abcdexyz", "abcdeyxz", 4));
    // The swap's second half would need a character after the text's last.
    EXPECT_FALSE(stringMatch("abcdexy", "abcdeyx", 4));
    EXPECT_FALSE(stringMatch("abcdexy", "abcdeyxz", 2));
}

TEST(StringMatch, TreatsANegativeLevelAsLevelZero) {
    EXPECT_TRUE(stringMatch("Hello World", "world", -5));
    EXPECT_FALSE(stringMatch("Hello World", "wxrld", -5));
    EXPECT_FALSE(stringMatch("abcdefghijklmnop", "abcdefgxijklmnop", -32768));
    EXPECT_TRUE(stringMatch("abcdefghijklmnop", "abcdefgxijklmnop", 1));
}

TEST(StringMatch, PassesHighBytesUnchanged) {
    EXPECT_TRUE(stringMatch("caf\xE9 noir", "CAF\xE9", 0));
    EXPECT_FALSE(stringMatch("caf\xC9", "caf\xE9", 0)); // only A-Z are folded
}

TEST(StringMatch, KeepsTheErrorShareForPhrasesLongEnoughToOverflowSmallArithmetic) {
    // 70001 characters times level 32767 is beyond 32 bits.
    const std::string phrase = "b" + std::string(70000, 'c');
    const std::string text = "b" + std::string(70000, 'd');
    EXPECT_TRUE(stringMatch(text, phrase, 32767));
    EXPECT_TRUE(stringMatch(text, phrase, 10));
    EXPECT_FALSE(stringMatch(text, phrase, 9));
}

TEST_F(StringMatchExport, StartsAtLevelTwoAndKeepsTheLevelSet) {
    EXPECT_EQ(StringMatch("Hello World", "helo wrld"), 0);
    setLevel(3);
    EXPECT_EQ(StringMatch("Hello World", "helo wrld"), -1);
    EXPECT_EQ(StringMatch("Hello World", "helo wrld"), -1);
    setLevel(-1);
    EXPECT_EQ(StringMatch("The quick brown fox", "quick brwn fox"), 0);
}

TEST_F(StringMatchExport, RefusesNullTextsAndIgnoresANullLevel) {
    EXPECT_EQ(StringMatch(nullptr, "a"), 0);
    EXPECT_EQ(StringMatch("a", nullptr), 0);
    setLevel(3);
    StringMatchLevel(nullptr);
    EXPECT_EQ(StringMatch("Hello World", "helo wrld"), -1);
}

} // namespace
