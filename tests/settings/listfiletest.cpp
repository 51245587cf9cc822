#include "settings/listfile.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/namedcases.h"
#include "tests/support/qtprinters.h"
#include "tests/support/tempfoldertest.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
    class ListFileTest : public TempFolderTest
    { };

    struct ReadCase
    {
        const char* name;
        QByteArray bytes;
        QStringList lines;
    };

    void PrintTo(const ReadCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class ListFileReadTest : public ListFileTest, public ::testing::WithParamInterface<ReadCase>
    { };

    TEST_P(ListFileReadTest, SplitsLikeTheListFileRules)
    {
        const QString path = writeBytes(QStringLiteral("list.txt"), GetParam().bytes);
        QString error;
        const std::optional<QStringList> lines = ListFile::Read(path, &error);
        ASSERT_TRUE(lines.has_value());
        EXPECT_EQ(*lines, GetParam().lines);
        EXPECT_TRUE(error.isEmpty());
    }

    INSTANTIATE_TEST_SUITE_P(
        Files,
        ListFileReadTest,
        ::testing::Values(
            ReadCase{"Empty", QByteArray(), {}},
            // The line rule's cases are in the engine's test (ListLines::SplitListLines).
            ReadCase{"CrLf", "a\tpassword\r\nb\tsecret\r\n", {"a\tpassword", "b\tsecret"}},
            ReadCase{"SystemEncoding", "J\xc3\xbcrgen\tpassword\r\n", {QStringLiteral(u"J\u00fcrgen\tpassword")}}),
        NamedCases::ByName());

    TEST_F(ListFileTest, ReadOfAMissingFileNamesIt)
    {
        const QString path = pathOf(QStringLiteral("missing.ust"));
        QString error;
        EXPECT_FALSE(ListFile::Read(path, &error).has_value());
        EXPECT_EQ(error, QStringLiteral("Cannot open file ") + QDir::toNativeSeparators(path));
    }

    // No path holds a NUL byte: a list holding one is damaged (or a UTF-16 file), and reading it up to the NUL
    // would drop every path after it without a word.
    TEST_F(ListFileTest, ReadOfAFileWithANulByteNamesItsLine)
    {
        using namespace Qt::Literals::StringLiterals;
        const QString path = writeBytes(QStringLiteral("list.lst"), "/a.html\r\n/b\0.html\r\n/c.html\r\n"_ba);
        QString error;
        EXPECT_FALSE(ListFile::Read(path, &error).has_value());
        EXPECT_EQ(error, QStringLiteral("File %1 holds a NUL byte in line 2").arg(QDir::toNativeSeparators(path)));
    }

    TEST_F(ListFileTest, ReadOfAFolderFails)
    {
        QString error;
        EXPECT_FALSE(ListFile::Read(m_dir.path(), &error).has_value());
        EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot open file ")));
    }

    TEST_F(ListFileTest, WriteEndsEveryLineWithCrLf)
    {
        const QString path = pathOf(QStringLiteral("users.ust"));
        QString error;
        ASSERT_TRUE(ListFile::Write(path, {"abcd\tpassword", QStringLiteral(u"J\u00fcrgen\t\tx")}, &error));
        EXPECT_EQ(bytesOf(path), QByteArray("abcd\tpassword\r\nJ\xc3\xbcrgen\t\tx\r\n"));
    }

    TEST_F(ListFileTest, WriteOfNoLinesGivesAnEmptyFile)
    {
        const QString path = pathOf(QStringLiteral("empty.ust"));
        ASSERT_TRUE(ListFile::Write(path, {}, nullptr));
        EXPECT_TRUE(QFile::exists(path));
        EXPECT_EQ(QFileInfo(path).size(), 0);
        EXPECT_EQ(ListFile::Read(path, nullptr), QStringList());
    }

    TEST_F(ListFileTest, WriteThenReadGivesTheSameLines)
    {
        const QStringList lines{"anna\tsecret1", "bob\t", " carl \t pass word ", "dora\tp\tq"};
        const QString path = pathOf(QStringLiteral("round.ust"));
        ASSERT_TRUE(ListFile::Write(path, lines, nullptr));
        EXPECT_EQ(ListFile::Read(path, nullptr), lines);
    }

    TEST_F(ListFileTest, OwnerOnlyGivesMode0600AlsoWhenReplacing)
    {
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const QString fresh = pathOf(QStringLiteral("fresh.ust"));
        ASSERT_TRUE(ListFile::Write(fresh, {"a\tpassword"}, nullptr, true));
        EXPECT_EQ(QFile::permissions(fresh) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), ownerOnly);

        const QString existing = writeBytes(QStringLiteral("existing.ust"), "old\r\n");
        ASSERT_TRUE(QFile::setPermissions(existing, ownerOnly | QFileDevice::ReadGroup | QFileDevice::ReadOther));
        ASSERT_TRUE(ListFile::Write(existing, {"a\tpassword"}, nullptr, true));
        EXPECT_EQ(QFile::permissions(existing) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), ownerOnly);
        EXPECT_EQ(bytesOf(existing), QByteArray("a\tpassword\r\n"));
    }

    TEST_F(ListFileTest, CreateFailureNamesTheFile)
    {
        const QString path = pathOf(QStringLiteral("no-such-folder/users.ust"));
        QString error;
        EXPECT_FALSE(ListFile::Write(path, {"a\tb"}, &error));
        EXPECT_EQ(error, QStringLiteral("Cannot create file ") + QDir::toNativeSeparators(path));
        EXPECT_FALSE(QFile::exists(path));
    }

    TEST_F(ListFileTest, ReadOnlyTargetIsKept)
    {
        const QString path = writeBytes(QStringLiteral("readonly.ust"), "old\r\n");
        ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser));
        QString error;
        EXPECT_FALSE(ListFile::Write(path, {"new\tline"}, &error));
        EXPECT_EQ(error, QStringLiteral("Cannot create file ") + QDir::toNativeSeparators(path));
        EXPECT_EQ(bytesOf(path), QByteArray("old\r\n"));
    }

    TEST_F(ListFileTest, WriteFailurePartWayKeepsThePreviousFile)
    {
        const QString path = writeBytes(QStringLiteral("users.ust"), "old\tentry\r\n");
        QString error;
        {
            const FileSizeLimit limit(16);
            EXPECT_FALSE(ListFile::Write(path, {"a-long-user-name\ta-long-password", "second\tentry"}, &error));
        }
        EXPECT_EQ(error, QStringLiteral("Stream write error"));
        EXPECT_EQ(bytesOf(path), QByteArray("old\tentry\r\n"));
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"users.ust"});
    }
} // namespace
