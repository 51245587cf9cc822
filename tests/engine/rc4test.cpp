#include "engine/rc4.h"

#include "tests/engine/vectortable.h"

#include <gtest/gtest.h>

namespace
{
    using VectorTable::FromHex;

    class CipherVectors : public testing::TestWithParam<VectorTable::Row>
    { };

    TEST_P(CipherVectors, CipherAndPackingMatchTheReference)
    {
        const VectorTable::Row& row = GetParam();
        ASSERT_EQ(row.size(), 4U);
        const std::string key = FromHex(row[0]);
        const std::string data = FromHex(row[1]);
        const std::string output = FromHex(row[2]);
        EXPECT_EQ(Rc4::CipherBytes(key, data), output);
        EXPECT_EQ(Rc4::PackText(output), row[3]);
        EXPECT_EQ(Rc4::EncryptText(key, data), row[3]);
        EXPECT_EQ(Rc4::DecryptText(key, row[3]), data);
    }

    INSTANTIATE_TEST_SUITE_P(Reference, CipherVectors, testing::ValuesIn(VectorTable::Load("cipher.tsv")));

    class PackVectors : public testing::TestWithParam<VectorTable::Row>
    { };

    TEST_P(PackVectors, PackAndUnpackMatchTheReference)
    {
        const VectorTable::Row& row = GetParam();
        ASSERT_GE(row.size(), 1U);
        const std::string bytes = FromHex(row[0]);
        const std::string packed = row.size() > 1 ? row[1] : std::string();
        EXPECT_EQ(Rc4::PackText(bytes), packed);
        EXPECT_EQ(Rc4::UnpackText(packed), bytes);
    }

    INSTANTIATE_TEST_SUITE_P(Reference, PackVectors, testing::ValuesIn(VectorTable::Load("pack.tsv")));

    TEST(Rc4, ReferenceTablesLoad)
    {
        EXPECT_GE(VectorTable::Load("cipher.tsv").size(), 7U);
        EXPECT_GE(VectorTable::Load("pack.tsv").size(), 7U);
    }

    TEST(Rc4, WorkedPackingExamples)
    {
        EXPECT_EQ(Rc4::PackText("a"), "hB");
        EXPECT_EQ(Rc4::PackText("ab"), "hJG");
        EXPECT_EQ(Rc4::PackText("abc"), "hJ2Y");
    }

    TEST(Rc4, PackedLengths)
    {
        const std::pair<std::size_t, std::size_t> cases[] = {{0, 0}, {1, 2}, {2, 3}, {3, 4}, {256, 342}};
        for (const auto& [bytes, letters] : cases) {
            EXPECT_EQ(Rc4::PackedLength(bytes), letters) << bytes;
            EXPECT_EQ(Rc4::PackText(std::string(bytes, 'q')).size(), letters) << bytes;
        }
    }

    TEST(Rc4, UnpackSkipsCharactersOutsideTheAlphabet)
    {
        EXPECT_EQ(Rc4::UnpackText("'hJ2Y',"), "abc");
        EXPECT_EQ(Rc4::UnpackText(" h J\r\n2-Y=\"\x80"), "abc");
        EXPECT_EQ(Rc4::UnpackText("',,'"), "");
    }

    TEST(Rc4, UnpackDropsBitsLeftOverAtTheEnd)
    {
        EXPECT_EQ(Rc4::UnpackText("h"), "");
        EXPECT_EQ(Rc4::UnpackText("hJ2Yh"), "abc");
    }

    TEST(Rc4, ZeroBytesSurviveCipherAndPacking)
    {
        const std::string key = "QmFABk5hQAZ+wT9I8sE/SP";
        // Data equal to the key stream enciphers to zero bytes only.
        const std::string data = Rc4::KeyStream(key, 300);
        const std::string zeros(300, '\0');
        EXPECT_EQ(Rc4::CipherBytes(key, data), zeros);
        EXPECT_EQ(Rc4::EncryptText(key, data), std::string(400, 'A'));
        EXPECT_EQ(Rc4::DecryptText(key, std::string(400, 'A')), data);

        const std::string mixed("a\0b\0\0c", 6);
        EXPECT_EQ(Rc4::DecryptText(key, Rc4::EncryptText(key, mixed)), mixed);
        EXPECT_EQ(Rc4::UnpackText(Rc4::PackText(mixed)), mixed);
    }

    TEST(Rc4, OneKeyByteMeansOneSwap)
    {
        // Key byte k only swaps S[0] with S[k]. Step 0 takes a = S[0] = k, y = k, swaps them back and outputs
        // S[k] = k; step 1 takes a = 1, y = k + 1 and outputs S[k + 2] = k + 2. A 256-swap schedule would not.
        const std::pair<char, std::string> cases[] = {{'\x01', "\x01\x03"}, {'\x05', "\x05\x07"}, {'k', "km"}};
        for (const auto& [keyByte, stream] : cases) {
            EXPECT_EQ(Rc4::KeyStream(std::string(1, keyByte), 2), stream) << int(keyByte);
        }
    }

    TEST(Rc4, KeyEndsAtItsFirstZeroByte)
    {
        EXPECT_EQ(Rc4::KeyStream(std::string("ab\0cd", 5), 300), Rc4::KeyStream("ab", 300));
        EXPECT_EQ(Rc4::KeyStream(std::string(1, '\0'), 300), Rc4::KeyStream("", 300));
    }

    TEST(Rc4, EmptyKeyStreamStartsAtPositionZero)
    {
        // Identity table: position 0 gives a = 0, y = 0 and outputs S[0] = 0; position 1 gives a = 1, y = 1,
        // outputs S[2] = 2; textbook RC4 would start at position 1.
        const std::string stream = Rc4::KeyStream("", 2);
        EXPECT_EQ(stream, std::string("\0\2", 2));
    }

    TEST(Rc4, KeysLongerThan256BytesUseTheirFirst256)
    {
        std::string key(300, 'k');
        key[0] = 'x';
        key[299] = 'y';
        EXPECT_EQ(Rc4::KeyStream(key, 256), Rc4::KeyStream(key.substr(0, Rc4::MaxKeyLength), 256));
    }

    TEST(Rc4, CipherTwiceRestoresTheData)
    {
        std::string data;
        for (int i = 0; i < 1000; ++i) {
            data.push_back(static_cast<char>(i * 7));
        }
        EXPECT_EQ(Rc4::CipherBytes("user\tpass", Rc4::CipherBytes("user\tpass", data)), data);
    }
} // namespace
