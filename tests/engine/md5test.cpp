#include "engine/md5.h"

#include "tests/engine/vectortable.h"
#include "tests/support/namedcases.h"

#include <gtest/gtest.h>
#include <limits>

namespace
{
    class DigestVectors : public testing::TestWithParam<VectorTable::Row>
    { };

    TEST_P(DigestVectors, DigestTextAndCheckValueMatchTheReference)
    {
        const VectorTable::Row& row = GetParam();
        ASSERT_EQ(row.size(), 4U);
        const std::string digest = Md5::DigestText(VectorTable::FromHex(row[0]));
        EXPECT_EQ(digest, row[1]) << row[3];
        EXPECT_EQ(Md5::CheckValue(digest), row[2]) << row[3];
    }

    INSTANTIATE_TEST_SUITE_P(Reference, DigestVectors, testing::ValuesIn(VectorTable::Load("digest.tsv")));

    TEST(Md5, ReferenceTableLoads)
    {
        EXPECT_GE(VectorTable::Load("digest.tsv").size(), 20U);
    }

    TEST(Md5, WordsOfAbcAreTheLittleEndianDigestBytesReadAsSigned)
    {
        // MD5("abc") = 900150983cd24fb0d6963f7d28e17f72
        const Md5::Words expected = {static_cast<std::int32_t>(0x98500190),
                                     static_cast<std::int32_t>(0xb04fd23c),
                                     static_cast<std::int32_t>(0x7d3f96d6),
                                     static_cast<std::int32_t>(0x727fe128)};
        EXPECT_EQ(Md5::DigestWords("abc"), expected);
    }

    TEST(Md5, WorkedExampleAbc)
    {
        EXPECT_EQ(Md5::DigestText("abc"), "QmFABk5hQAZ+wT9I8sE/SP");
        EXPECT_EQ(Md5::CheckValue("QmFABk5hQAZ+wT9I8sE/SP"), "5F");
    }

    struct ShiftCase
    {
        const char* name;
        Md5::Words words;
        std::size_t position;
        char expected;
    };

    void PrintTo(const ShiftCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class DigestShiftKind : public testing::TestWithParam<ShiftCase>
    { };

    // Characters 6 and 11 take in copies of a sign bit: an arithmetic shift of a negative word sets the top bits
    // of their index whatever the other word holds; a logical shift would leave them clear.
    TEST_P(DigestShiftKind, NegativeWordsShiftArithmetically)
    {
        const ShiftCase& c = GetParam();
        EXPECT_EQ(Md5::DigestTextOfWords(c.words)[c.position], c.expected);
    }

    constexpr std::int32_t s_signOnly = std::numeric_limits<std::int32_t>::min();

    INSTANTIATE_TEST_SUITE_P(Words,
                             DigestShiftKind,
                             testing::Values(
                                 // index 0b111000: W0's bits 28-31 (1000) and two sign copies
                                 ShiftCase{"W0Negative", {s_signOnly, 0, 0, 0}, 6, '4'},
                                 // without the sign bit only bits 28-31 arrive: index 0b000111
                                 ShiftCase{"W0Positive", {0x70000000, 0, 0, 0}, 6, 'H'},
                                 // W1's two low bits (11) moved up by 4 OR W0's 0b111000: 0b111000 | 0b110000
                                 ShiftCase{"W0NegativeW1LowBits", {s_signOnly, 3, 0, 0}, 6, '4'},
                                 // index 0b111110: W1's bits 30-31 (10) and four sign copies
                                 ShiftCase{"W1Negative", {0, s_signOnly, 0, 0}, 11, '+'},
                                 // whatever W2 holds, the index stays within 60 to 63
                                 ShiftCase{"W1NegativeW2Full", {0, s_signOnly, 0xF, 0}, 11, '+'},
                                 ShiftCase{"W1PositiveW2Full", {0, 0, 0xF, 0}, 11, '8'}),
                             NamedCases::ByName());

    TEST(Md5, OnlyCharacter16ReadsW3AndOnlyCharacter11ReadsW2)
    {
        const std::string base = Md5::DigestTextOfWords({0, 0, 0, 0});
        const std::string withW2 = Md5::DigestTextOfWords({0, 0, -1, 0});
        const std::string withW3 = Md5::DigestTextOfWords({0, 0, 0, -1});
        for (std::size_t k = 0; k < 22; ++k) {
            EXPECT_EQ(base[k] != withW2[k], k == 11) << k;
            EXPECT_EQ(base[k] != withW3[k], k == 16) << k;
        }
    }

    TEST(Md5, CheckValueIsTwoUppercaseDigits)
    {
        EXPECT_EQ(Md5::CheckValue(""), "00");
        EXPECT_EQ(Md5::CheckValue("z"), "7A");
        EXPECT_EQ(Md5::CheckValue("AB"), "03");
    }
} // namespace
