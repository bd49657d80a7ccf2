#include "ErrorText.h"
#include "TextToInt.h"
#include "Unicode.h"

#include <gtest/gtest.h>

using mizel::errorDisplayText;

TEST(ErrorText, AppendsAFullStopAfterCharactersAboveIt)
{
    EXPECT_EQ(errorDisplayText(u"メモリが不足しています"), u"メモリが不足しています.");
    EXPECT_EQ(errorDisplayText(u"'' は整数ではありません"), u"'' は整数ではありません.");
    EXPECT_EQ(errorDisplayText(u"code 7"), u"code 7.");
    EXPECT_EQ(errorDisplayText(u"半角ｶﾅ"), u"半角ｶﾅ.");
    // An emoji has no cp932 form and counts as "?".
    EXPECT_EQ(errorDisplayText(u"x😀"), u"x😀.");
    for (const char *message : {"", "done.", "stop!", "a-", "(x)", "a,"})
        EXPECT_EQ(errorDisplayText(mizel::toUtf16(message)), mizel::toUtf16(message));
}

// Each paragraph of the quote is one isolate; isolates it opens are closed in
// the same paragraph and a pop of ours is dropped.
TEST(ErrorText, QuoteIsIsolatedParagraphByParagraph)
{
    EXPECT_EQ(errorDisplayText(mizel::EConvertError("1.5")), u"'\u20681.5\u2069' は整数ではありません.");
    EXPECT_EQ(errorDisplayText(u"'", u"\u2069\u2067a\nb\u2066", u"'"),
              u"'\u2068\u2067a\u2069\u2069\n\u2068b\u2066\u2069\u2069'");
}

TEST(ErrorText, LongQuotesKeepBothEndsWithoutSplittingPairs)
{
    const std::u16string digits(100, u'9');
    EXPECT_EQ(errorDisplayText(u"", digits, u"."), u"\u2068" + std::u16string(32, u'9') + u"…" + std::u16string(32, u'9') + u"\u2069.");
    // The 32 units kept at each end would end in half a pair: the half goes.
    std::u16string faces = u"a";
    for (int i = 0; i < 40; ++i)
        faces += u"😀";
    faces += u"b";
    const std::u16string shown = errorDisplayText(u"", faces, u".");
    EXPECT_EQ(shown.find(u"…"), 1 + 31u);
    EXPECT_EQ(shown.size(), 1 + 31 + 1 + 31 + 2u);
    EXPECT_EQ(mizel::toUtf8(shown).find('?'), std::string::npos);
    // At most three line breaks at each end.
    const std::u16string lines = errorDisplayText(u"", u"1\n2\n3\n4\n5\n6\n7\n8", u".");
    EXPECT_EQ(lines.substr(0, 6), u"\u20681\u2069\n\u20682");
    EXPECT_NE(lines.find(u"\u20684…5\u2069"), std::u16string::npos);
}
