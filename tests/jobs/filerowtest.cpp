#include "jobs/filerow.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
    using FileRow::PathStyle;

    struct SplitCase
    {
        const char* name;
        PathStyle style;
        QString path;
        QString folder;
        QString fileName;
    };

    void PrintTo(const SplitCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class FileRowSplitTest : public ::testing::TestWithParam<SplitCase>
    { };

    TEST_P(FileRowSplitTest, SplitsIntoFolderAndName)
    {
        const FileRow::SplitPath parts = FileRow::Split(GetParam().path, GetParam().style);
        EXPECT_EQ(parts.folder, GetParam().folder);
        EXPECT_EQ(parts.name, GetParam().fileName);
    }

    TEST_P(FileRowSplitTest, JoinGivesThePathBack)
    {
        const FileRow::SplitPath parts = FileRow::Split(GetParam().path, GetParam().style);
        EXPECT_EQ(FileRow::Join(parts.folder, parts.name, GetParam().style), GetParam().path);
    }

    INSTANTIATE_TEST_SUITE_P(
        Cases,
        FileRowSplitTest,
        ::testing::Values(
            SplitCase{"windows folders", PathStyle::Windows, "C:\\web\\site\\a.htm", "C:\\web\\site", "a.htm"},
            SplitCase{"windows drive root", PathStyle::Windows, "C:\\a.htm", "C:\\", "a.htm"},
            SplitCase{"windows drive without folder", PathStyle::Windows, "C:a.htm", "C:", "a.htm"},
            SplitCase{"windows no delimiter", PathStyle::Windows, "a.htm", "", "a.htm"},
            SplitCase{"windows relative folder", PathStyle::Windows, "web\\a.htm", "web", "a.htm"},
            SplitCase{"windows root of the present drive", PathStyle::Windows, "\\a.htm", "\\", "a.htm"},
            SplitCase{"windows doubled separator", PathStyle::Windows, "C:\\web\\\\a.htm", "C:\\web\\\\", "a.htm"},
            SplitCase{"windows network share", PathStyle::Windows, "\\\\srv\\share\\a.htm", "\\\\srv\\share", "a.htm"},
            SplitCase{"windows slash is no delimiter", PathStyle::Windows, "C:\\web/a.htm", "C:\\", "web/a.htm"},
            SplitCase{"windows path ending in a separator", PathStyle::Windows, "C:\\web\\", "C:\\web", ""},
            SplitCase{"windows empty path", PathStyle::Windows, "", "", ""},
            SplitCase{"posix folders", PathStyle::Posix, "/srv/web/a.htm", "/srv/web", "a.htm"},
            SplitCase{"posix root", PathStyle::Posix, "/a.htm", "/", "a.htm"},
            SplitCase{"posix relative folder", PathStyle::Posix, "web/a.htm", "web", "a.htm"},
            SplitCase{"posix no delimiter", PathStyle::Posix, "a.htm", "", "a.htm"},
            SplitCase{
                "posix colon and backslash are name characters", PathStyle::Posix, "/w/C:a\\b.htm", "/w", "C:a\\b.htm"},
            SplitCase{"posix doubled separator", PathStyle::Posix, "/w//a.htm", "/w//", "a.htm"}));

    TEST(FileRowSize, ThousandsOfBytesWithTheRemainderDropped)
    {
        const std::pair<qint64, const char*> cases[] = {
            {0, "0KB"}, {999, "0KB"}, {1000, "1KB"}, {1999, "1KB"}, {2000, "2KB"}, {12345678, "12345KB"}};
        for (const auto& [bytes, text] : cases) {
            EXPECT_EQ(FileRow::SizeText(bytes), QString::fromLatin1(text)) << bytes;
        }
    }

    TEST(FileRowMake, ReadsTheSizeNowAndShowsZeroWhenItCannot)
    {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::pair<const char*, int> files[] = {{"small.htm", 999}, {"one.htm", 1000}, {"almosttwo.htm", 1999}};
        for (const auto& [name, bytes] : files) {
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(bytes, 'x'));
        }
        const std::pair<QString, const char*> expected[] = {{dir.filePath("small.htm"), "0KB"},
                                                            {dir.filePath("one.htm"), "1KB"},
                                                            {dir.filePath("almosttwo.htm"), "1KB"},
                                                            {dir.filePath("missing.htm"), "0KB"},
                                                            {dir.path(), "0KB"},
                                                            {QString(), "0KB"}};
        for (const auto& [path, size] : expected) {
            const FileRow::Row row = FileRow::Make(path);
            EXPECT_EQ(row.size, QString::fromLatin1(size)) << path.toStdString();
            EXPECT_EQ(FileRow::Join(row.folder, row.name), path);
        }
    }
} // namespace
