#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "keyvane/keyvane.h"
#include "keyvane/string_match.h"

namespace {

using keyvane::PreparedText;
using keyvane::stringMatch;

// The expected answer for a text, a phrase and a level.
struct Match {
    std::string text;
    std::string phrase;
    int level;
    bool found;
};

void expectMatches(std::initializer_list<Match> cases) {
    for (const Match& c : cases) {
        EXPECT_EQ(stringMatch(c.text, c.phrase, c.level), c.found)
            << '"' << c.phrase << "\" in \"" << c.text << "\" at level " << c.level;
    }
}

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
    expectMatches(
        {{"Hello World", "WORLD", 2, true}, {"Hello World", "o w", 2, true}, {"Hello\tWor\r\nld", "lowo", 0, true}});
}

TEST(StringMatch, ToleratesOneMissingLetterInTwelve) {
    expectMatches({{"The quick brown fox", "quick brwn fox", 2, true}});
}

TEST(StringMatch, CountsASwapAsTwoErrors) {
    expectMatches({{"The quick brown fox", "quikc", 2, false}, {"The quick brown fox", "qiuck brown", 2, true}});
}

TEST(StringMatch, NeedsAHigherLevelForTwoMissingLettersInEight) {
    expectMatches({{"Hello World", "helo wrld", 2, false}, {"Hello World", "helo wrld", 3, true}});
}

TEST(StringMatch, AllowsASubstitutionOnceTheLevelGivesAnError) {
    expectMatches({{"abx", "aby", 2, false}, {"abx", "aby", 4, true}});
}

TEST(StringMatch, RejectsEmptyAndBlankArguments) {
    expectMatches({{"", "abc", 2, false}, {"abc", "", 2, false}, {"abc", "   ", 2, false}, {" \t", "a", 2, false}});
}

TEST(StringMatch, KeepsShortPhrasesExactAtLevelTwo) {
    expectMatches({
        {"the cat sat", "cax", 2, false},
        {"the cat sat", "catz", 2, false},
        {"the cat sat", "catsxt", 2, true} // 6 characters: one error
    });
}

TEST(StringMatch, NeedsThePhrasesFirstCharacterInTheText) {
    // A first character that never occurs gives no anchor, whatever the level.
    expectMatches({{"bcdefgh", "xcdefgh", 30, false}});
}

TEST(StringMatch, TriesLaterAnchorsAfterAFailedAttempt) {
    expectMatches({{"qzzzz quick", "quikk", 2, true}, {"qx qy quack", "quick", 2, true}});
}

TEST(StringMatch, FailsAnAttemptThatRunsOutOfText) {
    // Prepared texts hold no terminator, so any look past the end is an
    // overflow under AddressSanitizer.
    expectMatches({
        {"abc", "abcd", 10, false},
        {"xab", "abcdefghij", 100, false},
        {"a", "ab", 30, false},
        {"abxd", "abcdefgh", 50, false},
        {"abxd", "abcd", 10, true} // a substitution just before the end
    });
}

TEST(StringMatch, ReadsNoFurtherThanEitherEndOnMismatchAtTheLastCharacter) {
    expectMatches({{"abcdx", "abcdy", 2, true},
                   {"abcdexyz", "abcdeyxz", 4, true},
                   // The swap's second half would need a character after the text's last.
                   {"abcdexy", "abcdeyx", 4, false},
                   {"abcdexy", "abcdeyxz", 2, false}});
}

TEST(StringMatch, TreatsANegativeLevelAsLevelZero) {
    expectMatches({{"Hello World", "world", -5, true},
                   {"Hello World", "wxrld", -5, false},
                   {"abcdefghijklmnop", "abcdefgxijklmnop", -32768, false},
                   {"abcdefghijklmnop", "abcdefgxijklmnop", 1, true}});
}

TEST(StringMatch, PassesHighBytesUnchanged) {
    // Only A-Z are folded.
    expectMatches({{"caf\xE9 noir", "CAF\xE9", 0, true}, {"caf\xC9", "caf\xE9", 0, false}});
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
