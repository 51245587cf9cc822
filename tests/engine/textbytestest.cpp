#include "engine/textbytes.h"

#include "tests/support/namedcases.h"

#include <gtest/gtest.h>

namespace
{
    struct BytesCase
    {
        const char* name;
        std::u16string text;
        std::string bytes;
    };

    void PrintTo(const BytesCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class UnicodeToBytesTable : public testing::TestWithParam<BytesCase>
    { };

    TEST_P(UnicodeToBytesTable, EachCodeUnitModulo256)
    {
        EXPECT_EQ(TextBytes::UnicodeToBytes(GetParam().text), GetParam().bytes);
    }

    INSTANTIATE_TEST_SUITE_P(Cases,
                             UnicodeToBytesTable,
                             testing::Values(BytesCase{"Empty", u"", ""},
                                             BytesCase{"Ascii", u"pvkmsto", "pvkmsto"},
                                             BytesCase{"Latin1",
                                                       u"Gr\u00fc\u00dfe-2026",
                                                       "Gr\xfc\xdf"
                                                       "e-2026"},
                                             BytesCase{"EuroSign", u"\u20ac", "\xac"},
                                             BytesCase{"MultipleOf256GivesZero", u"a\u0100b", std::string("a\0b", 3)},
                                             BytesCase{
                                                 "SurrogatePairIsTwoUnits", u"\U0001F600", std::string("\x3d\x00", 2)}),
                             NamedCases::ByName());

    struct Utf8Case
    {
        const char* name;
        std::string utf8;
        std::u16string text;
        bool valid = false; // nothing was replaced
    };

    void PrintTo(const Utf8Case& c, std::ostream* os)
    {
        *os << c.name;
    }

    class Utf8ToUtf16Table : public testing::TestWithParam<Utf8Case>
    { };

    TEST_P(Utf8ToUtf16Table, Decodes)
    {
        EXPECT_EQ(TextBytes::Utf8ToUtf16(GetParam().utf8), GetParam().text);
        EXPECT_EQ(TextBytes::IsValidUtf8(GetParam().utf8), GetParam().valid);
    }

    INSTANTIATE_TEST_SUITE_P(
        Cases,
        Utf8ToUtf16Table,
        testing::Values(Utf8Case{"Ascii", "abc", u"abc", true},
                        Utf8Case{"TwoByte",
                                 "Gr\xc3\xbc\xc3\x9f"
                                 "e",
                                 u"Gr\u00fc\u00dfe",
                                 true},
                        Utf8Case{"ThreeByte", "\xe2\x82\xac", u"\u20ac", true},
                        Utf8Case{"FourByteBecomesSurrogatePair", "\xf0\x9f\x98\x80", u"\U0001F600", true},
                        Utf8Case{"ReplacementCharacterItself", "\xef\xbf\xbd", u"\ufffd", true},
                        Utf8Case{"StrayContinuationByte",
                                 "a\x80"
                                 "b",
                                 u"a\ufffdb"},
                        Utf8Case{"Latin1ByteIsInvalid", "\xfc", u"\ufffd"},
                        Utf8Case{"Overlong", "\xc0\xaf", u"\ufffd"},
                        Utf8Case{"EncodedSurrogate", "\xed\xa0\x80", u"\ufffd"},
                        Utf8Case{"TruncatedAtEnd", "a\xe2\x82", u"a\ufffd"},
                        Utf8Case{"TruncatedBeforeAscii", "\xe2z", u"\ufffdz"}),
        NamedCases::ByName());

    struct TrimCase
    {
        const char* name;
        std::u16string text;
        std::u16string trimmed;
    };

    void PrintTo(const TrimCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class TrimmedTable : public testing::TestWithParam<TrimCase>
    { };

    TEST_P(TrimmedTable, DropsCodesUpTo32AtBothEnds)
    {
        EXPECT_EQ(TextBytes::Trimmed(GetParam().text), GetParam().trimmed);
    }

    INSTANTIATE_TEST_SUITE_P(Cases,
                             TrimmedTable,
                             testing::Values(TrimCase{"Empty", u"", u""},
                                             TrimCase{"OnlyBlanks", u" \t\r\n ", u""},
                                             TrimCase{"BlanksInsideStay", u"  a b  ", u"a b"},
                                             TrimCase{"ControlCodes",
                                                      std::u16string(u"\0\x1f"
                                                                     u"x\x01",
                                                                     4),
                                                      u"x"},
                                             TrimCase{"Code33Stays", u"!x!", u"!x!"},
                                             TrimCase{"NoBreakSpaceStays", u"\u00a0x\u00a0", u"\u00a0x\u00a0"}),
                             NamedCases::ByName());

    // UTF-8 text is trimmed by the same rule; the bytes of a multi-byte character (128 and above) are never blanks.
    TEST(Trimmed, Utf8TextLosesTheSameBlanks)
    {
        EXPECT_EQ(TextBytes::Trimmed(std::string_view(" \t Gr\xc3\xbc\xc3\x9f e\r\n")), "Gr\xc3\xbc\xc3\x9f e");
        EXPECT_EQ(TextBytes::Trimmed(std::string_view("\xc2\xa0x\xc2\xa0")), "\xc2\xa0x\xc2\xa0");
        EXPECT_EQ(TextBytes::Trimmed(std::string_view(" \x01 ")), "");
    }

    TEST(TextBytes, PasswordLengthBounds)
    {
        EXPECT_FALSE(TextBytes::IsPasswordLengthValid(5));
        EXPECT_TRUE(TextBytes::IsPasswordLengthValid(6));
        EXPECT_TRUE(TextBytes::IsPasswordLengthValid(25));
        EXPECT_FALSE(TextBytes::IsPasswordLengthValid(26));
        // Every front shows the bounds through this message.
        EXPECT_EQ(TextBytes::PasswordLengthMessage(), "Password should consist of 6--25 characters.");
    }
} // namespace
