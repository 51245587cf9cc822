#include "engine/listlines.h"

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
                             [](const testing::TestParamInfo<SplitCase>& info) {
                                 return std::string(info.param.name);
                             });
} // namespace
