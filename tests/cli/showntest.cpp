#include "cli/shown.h"

#include "tests/support/namedcases.h"

#include <gtest/gtest.h>

namespace
{
    struct ShownCase
    {
        const char* name;
        std::string text;
        std::string shown;
    };

    void PrintTo(const ShownCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class ShownTable : public testing::TestWithParam<ShownCase>
    { };

    TEST_P(ShownTable, ShowsWhatTheNameHolds)
    {
        EXPECT_EQ(ShellText::Shown(GetParam().text), GetParam().shown);
    }

    INSTANTIATE_TEST_SUITE_P(
        Cases,
        ShownTable,
        testing::Values(ShownCase{"PlainAsItIs", "site/index.html", "site/index.html"},
                        ShownCase{"QuoteAndBackslashAloneAsTheyAre", "it's\\a.html", "it's\\a.html"},
                        ShownCase{"Utf8AsItIs",
                                  "J\xC3\xBCrgen/\xE5\xBC\xA0\xE4\xB8\x89 \xF0\x9F\x98\x81.html",
                                  "J\xC3\xBCrgen/\xE5\xBC\xA0\xE4\xB8\x89 \xF0\x9F\x98\x81.html"},
                        ShownCase{"CombiningMarkAsItIs", "Zoe\xCC\x88", "Zoe\xCC\x88"},
                        ShownCase{"LineBreaksAndTab", "a\nb\rc\td", "$'a\\nb\\rc\\td'"},
                        ShownCase{"OtherC0AndDel",
                                  "a\x01"
                                  "b\x1B"
                                  "c\x7F",
                                  "$'a\\x01b\\x1Bc\\x7F'"},
                        ShownCase{"QuoteAndBackslashEscapedWithin", "it's\\\n", "$'it\\'s\\\\\\n'"},
                        ShownCase{"C1Control",
                                  "a\xC2\x9B"
                                  "b\xC2\x80\xC2\x85",
                                  "$'a\\u009Bb\\u0080\\u0085'"},
                        ShownCase{"LastC1ControlAndFirstCharacterAfter", "\xC2\x9F\xC2\xA0", "$'\\u009F\xC2\xA0'"},
                        ShownCase{"BidirectionalControls",
                                  "\xE2\x80\xAA\xE2\x80\xAE\xE2\x81\xA6\xE2\x81\xA9\xE2\x80\x8E\xE2\x80\x8F\xD8\x9C",
                                  "$'\\u202A\\u202E\\u2066\\u2069\\u200E\\u200F\\u061C'"},
                        ShownCase{"RightToLeftOverrideInAName", "evil\xE2\x80\xAElmth.exe", "$'evil\\u202Elmth.exe'"},
                        ShownCase{"LineAndParagraphSeparators",
                                  "a\xE2\x80\xA8"
                                  "b\xE2\x80\xA9",
                                  "$'a\\u2028b\\u2029'"},
                        ShownCase{"NeighboursOfTheControlsAsTheyAre",
                                  "\xE2\x80\xAF\xE2\x81\xA5\xE2\x80\x8D\xE2\x80\xA7",
                                  "\xE2\x80\xAF\xE2\x81\xA5\xE2\x80\x8D\xE2\x80\xA7"},
                        ShownCase{"LoneByteOfAC1ControlInLatin1",
                                  "a\x9B"
                                  "b",
                                  "$'a\\x9Bb'"},
                        ShownCase{"Latin1Name", "J\xFCrgen", "$'J\\xFCrgen'"},
                        ShownCase{"SequenceCutShort",
                                  "a\xE2\x80"
                                  "b",
                                  "$'a\\xE2\\x80b'"},
                        ShownCase{"SequenceCutByTheEnd", "a\xE2\x80", "$'a\\xE2\\x80'"},
                        ShownCase{"OverlongSlash", "a\xC0\xAF", "$'a\\xC0\\xAF'"},
                        ShownCase{"Surrogate", "\xED\xA0\x80", "$'\\xED\\xA0\\x80'"},
                        ShownCase{"BeyondU10FFFF", "\xF4\x90\x80\x80", "$'\\xF4\\x90\\x80\\x80'"},
                        ShownCase{"ValidCharactersStayWithinTheQuotes",
                                  "\xC3\xBC\n\xE2\x80\xAE\xC3\xBC",
                                  "$'\xC3\xBC\\n\\u202E\xC3\xBC'"}),
        NamedCases::ByName());
} // namespace
