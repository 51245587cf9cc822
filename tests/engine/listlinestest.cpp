#include "engine/listlines.h"

#include "tests/support/namedcases.h"

#include <gtest/gtest.h>

namespace
{
    using Lines = std::vector<std::string>;

    struct SplitCase
    {
        const char* name;
        std::string bytes;
        Lines lines;
    };

    void PrintTo(const SplitCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class SplitListLinesTable : public testing::TestWithParam<SplitCase>
    { };

    TEST_P(SplitListLinesTable, Splits)
    {
        EXPECT_EQ(ListLines::SplitListLines(GetParam().bytes), GetParam().lines);
    }

    INSTANTIATE_TEST_SUITE_P(Cases,
                             SplitListLinesTable,
                             testing::Values(SplitCase{"Empty", "", {}},
                                             SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
                                             SplitCase{"LfOnly", "a\nb\n", {"a", "b"}},
                                             SplitCase{"CrOnly", "a\rb\r", {"a", "b"}},
                                             SplitCase{"LastLineWithoutEnd", "a\r\nb", {"a", "b"}},
                                             SplitCase{"OnlyALineEndGivesOneEmptyLine", "\r\n", {""}},
                                             SplitCase{"EmptyLineInside", "a\r\n\r\nb", {"a", "", "b"}},
                                             SplitCase{"LfThenCrMakesAnEmptyLine", "a\n\rb", {"a", "", "b"}},
                                             SplitCase{"MixedEnds", "a\rb\nc\r\nd", {"a", "b", "c", "d"}},
                                             SplitCase{"TabsAndBlanksKept", " u\tp w \r\n", {" u\tp w "}},
                                             SplitCase{"NulEndsTheText", std::string("a\r\nb\0c\r\nd", 9), {"a", "b"}},
                                             SplitCase{"NulAtLineStart", std::string("a\r\n\0b", 5), {"a"}},
                                             SplitCase{"NulFirst", std::string("\0a", 2), {}},
                                             SplitCase{"HighBytesKept", "\xfc\xdf\r\n", {"\xfc\xdf"}}),
                             NamedCases::ByName());
} // namespace

namespace
{
    struct UserListCase
    {
        const char* name;
        std::string bytes;
        std::optional<Lines> entries;
    };

    void PrintTo(const UserListCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class UserListEntriesTable : public testing::TestWithParam<UserListCase>
    { };

    TEST_P(UserListEntriesTable, KeepsTheUsers)
    {
        EXPECT_EQ(ListLines::UserListEntries(GetParam().bytes), GetParam().entries);
    }

    INSTANTIATE_TEST_SUITE_P(
        Cases,
        UserListEntriesTable,
        testing::Values(
            UserListCase{"Empty", "", Lines{}},
            UserListCase{"LinesWithoutAUserDroppedTheRestAsTheyStand",
                         "zed\tsecret1\r\n"
                         "\r\n"
                         "no tab here\r\n"
                         "\tstarts with a tab\r\n"
                         "bob\t\r\n"
                         " anna \t secret2 \r\n"
                         "carl\tbob\tx\r\n",
                         Lines{"zed\tsecret1", "bob\t", " anna \t secret2 ", "carl\tbob\tx"}},
            UserListCase{"ByteOrderMarkDropped",
                         "\xEF\xBB\xBF"
                         "anna\tsecret1\n",
                         Lines{"anna\tsecret1"}},
            UserListCase{"ByteOrderMarkInsideKept", "anna\t\xEF\xBB\xBFsecret1\n", Lines{"anna\t\xEF\xBB\xBFsecret1"}},
            UserListCase{"Utf8Kept",
                         "J\xC3\xBCrgen\tgr\xC3\xBC\xC3\x9F"
                         "e\n",
                         Lines{"J\xC3\xBCrgen\tgr\xC3\xBC\xC3\x9F"
                               "e"}},
            UserListCase{"Latin1Refused", "ann\tpass\xE9word\r\n", std::nullopt},
            UserListCase{"SequenceCutByALineEndRefused", "ann\tpass\xC3\r\n\xBCword\r\n", std::nullopt}),
        NamedCases::ByName());

    TEST(SplitUserEntry, SplitsAtTheFirstTab)
    {
        const ListLines::UserEntry both = ListLines::SplitUserEntry("anna\tpass\tword");
        EXPECT_EQ(both.name, "anna");
        EXPECT_EQ(both.password, "pass\tword");
        const ListLines::UserEntry noTab = ListLines::SplitUserEntry("anna");
        EXPECT_EQ(noTab.name, "anna");
        EXPECT_EQ(noTab.password, "");
        // The wizard splits its UTF-16 text by the same rule.
        const ListLines::Utf16UserEntry text = ListLines::SplitUserEntry(u"J\u00fcrgen\tgr\u00fc\u00dfe\t");
        EXPECT_EQ(text.name, u"J\u00fcrgen");
        EXPECT_EQ(text.password, u"gr\u00fc\u00dfe\t");
    }
} // namespace
