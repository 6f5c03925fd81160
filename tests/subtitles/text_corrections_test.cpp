#include "subtitles/text_corrections.h"

#include <gtest/gtest.h>

using namespace cuemark;

struct Rewrite {
    const char* in;
    const char* out; // "" when the text is left alone
};

class CorrectTextCases : public ::testing::TestWithParam<Rewrite> {};

TEST_P(CorrectTextCases, SwapsTheLettersWhereTheSentenceSaysSo) {
    EXPECT_EQ(CorrectText(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(CorrectText, CorrectTextCases,
                         ::testing::Values(Rewrite{"lt is.", "It is."}, Rewrite{"Hello. lt", "Hello. It"},
                                           Rewrite{"heIIo", "heIlo"}, Rewrite{"CIA", ""}, Rewrite{"And I", "And l"},
                                           Rewrite{"And I am", "And l am"}, Rewrite{"Nothing here", ""},
                                           Rewrite{"Go!\r\n- lt", "Go!\r\n- It"},
                                           // A line break alone does not begin a sentence.
                                           Rewrite{"so\r\nlate", ""}, Rewrite{"", ""}));

class SlashToItalicCases : public ::testing::TestWithParam<Rewrite> {};

TEST_P(SlashToItalicCases, MarkedWordsBecomeItalicUpToTheLineEnd) {
    EXPECT_EQ(SlashToItalic(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(SlashToItalic, SlashToItalicCases,
                         ::testing::Values(Rewrite{"/Hello /world again", "<i>Hello world</i> again"},
                                           Rewrite{"/a/b c", "<i>ab</i> c"}, Rewrite{"and/or", ""},
                                           Rewrite{"/x\r\ny", "<i>x</i>\r\ny"}, Rewrite{" /x", "<i>x</i>"},
                                           Rewrite{"a  /b", "a  <i>b</i>"},
                                           // A closing tag keeps its slash.
                                           Rewrite{"/<b>bold</b> x", "<i><b>bold</b></i> x"}));

TEST(RepairLineBreaks, LeavesOnlyWholeLineBreaksInside) {
    EXPECT_EQ(RepairLineBreaks("a\nb"), "a b");
    EXPECT_EQ(RepairLineBreaks("a\r\nb"), "a\r\nb");
    EXPECT_EQ(RepairLineBreaks("a\rb"), "a b");
    EXPECT_EQ(RepairLineBreaks("\nab\n"), "\nab\n"); // the ends are not examined
    EXPECT_EQ(RepairLineBreaks("a\r\r\nb"), "a \r\nb");
    EXPECT_EQ(RepairLineBreaks(""), "");
}
