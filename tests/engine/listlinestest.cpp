#include "engine/listlines.h"

#include "tests/support/namedcases.h"

#include <gtest/gtest.h>

namespace
{
    using namespace std::string_literals;
    using Lines = std::vector<std::string>;
    using ListLines::ListFault;

    // A line reader's outcome: the lines, or the fault and the line it is in.
    struct Read
    {
        Lines lines;
        ListFault fault = ListFault::None;
        std::size_t faultLine = 0;

        bool operator==(const Read&) const = default;
    };

    Read ReadOf(const ListLines::ListText& text)
    {
        return {text.lines, text.fault, text.faultLine};
    }

    void PrintTo(const Read& read, std::ostream* os)
    {
        *os << testing::PrintToString(read.lines) << " fault " << static_cast<int>(read.fault) << " in line "
            << read.faultLine;
    }

    Read NulInLine(std::size_t line)
    {
        return {{}, ListFault::NulByte, line};
    }

    struct SplitCase
    {
        const char* name;
        std::string bytes;
        Read read;
    };

    void PrintTo(const SplitCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class SplitListLinesTable : public testing::TestWithParam<SplitCase>
    { };

    TEST_P(SplitListLinesTable, Splits)
    {
        EXPECT_EQ(ReadOf(ListLines::SplitListLines(GetParam().bytes)), GetParam().read);
    }

    INSTANTIATE_TEST_SUITE_P(Cases,
                             SplitListLinesTable,
                             testing::Values(SplitCase{"Empty", "", {}},
                                             SplitCase{"CrLf", "a\r\nb\r\n", {{"a", "b"}}},
                                             SplitCase{"LfOnly", "a\nb\n", {{"a", "b"}}},
                                             SplitCase{"CrOnly", "a\rb\r", {{"a", "b"}}},
                                             SplitCase{"LastLineWithoutEnd", "a\r\nb", {{"a", "b"}}},
                                             SplitCase{"OnlyALineEndGivesOneEmptyLine", "\r\n", {{""}}},
                                             SplitCase{"EmptyLineInside", "a\r\n\r\nb", {{"a", "", "b"}}},
                                             SplitCase{"LfThenCrMakesAnEmptyLine", "a\n\rb", {{"a", "", "b"}}},
                                             SplitCase{"MixedEnds", "a\rb\nc\r\nd", {{"a", "b", "c", "d"}}},
                                             SplitCase{"TabsAndBlanksKept", " u\tp w \r\n", {{" u\tp w "}}},
                                             SplitCase{"NulInsideALineRefusesTheText", "a\r\nb\0c\r\nd"s, NulInLine(2)},
                                             SplitCase{"NulAtLineStart", "a\r\n\0b"s, NulInLine(2)},
                                             SplitCase{"NulFirst", "\0a"s, NulInLine(1)},
                                             SplitCase{"NulAfterTheLastLineEnd", "a\r\n\0"s, NulInLine(2)},
                                             SplitCase{"EmptyLinesCountBeforeANul", "a\n\r\r\n\0"s, NulInLine(4)},
                                             SplitCase{"HighBytesKept", "\xfc\xdf\r\n", {{"\xfc\xdf"}}}),
                             NamedCases::ByName());
} // namespace

namespace
{
    struct UserListCase
    {
        const char* name;
        std::string bytes;
        Read read;
    };

    void PrintTo(const UserListCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class UserListEntriesTable : public testing::TestWithParam<UserListCase>
    { };

    TEST_P(UserListEntriesTable, KeepsTheUsers)
    {
        EXPECT_EQ(ReadOf(ListLines::UserListEntries(GetParam().bytes)), GetParam().read);
    }

    const Read s_notUtf8{{}, ListFault::NotUtf8, 0};

    INSTANTIATE_TEST_SUITE_P(
        Cases,
        UserListEntriesTable,
        testing::Values(UserListCase{"Empty", "", {}},
                        UserListCase{"LinesWithoutAUserDroppedTheRestAsTheyStand",
                                     "zed\tsecret1\r\n"
                                     "\r\n"
                                     "no tab here\r\n"
                                     "\tstarts with a tab\r\n"
                                     "bob\t\r\n"
                                     " anna \t secret2 \r\n"
                                     "carl\tbob\tx\r\n",
                                     {{"zed\tsecret1", "bob\t", " anna \t secret2 ", "carl\tbob\tx"}}},
                        UserListCase{"ByteOrderMarkDropped",
                                     "\xEF\xBB\xBF"
                                     "anna\tsecret1\n",
                                     {{"anna\tsecret1"}}},
                        UserListCase{
                            "ByteOrderMarkInsideKept", "anna\t\xEF\xBB\xBFsecret1\n", {{"anna\t\xEF\xBB\xBFsecret1"}}},
                        UserListCase{"Utf8Kept",
                                     "J\xC3\xBCrgen\tgr\xC3\xBC\xC3\x9F"
                                     "e\n",
                                     {{"J\xC3\xBCrgen\tgr\xC3\xBC\xC3\x9F"
                                       "e"}}},
                        UserListCase{"Latin1Refused", "ann\tpass\xE9word\r\n", s_notUtf8},
                        UserListCase{"SequenceCutByALineEndRefused", "ann\tpass\xC3\r\n\xBCword\r\n", s_notUtf8},
                        // The line is the file's, dropped lines counted, as an editor shows it.
                        UserListCase{"NulRefusedWithTheFilesLine",
                                     "\xEF\xBB\xBF"
                                     "ann\tpw\r\nno tab\r\nbob\tp\0w\r\ncarl\tpw\r\n"s,
                                     NulInLine(3)}),
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
