#include "engine/safefile.h"

#include "tests/engine/lockfixture.h"

#include <gtest/gtest.h>

namespace
{
    using LockFixture::ReadFile;
    using LockFixture::SampleContent;
    using LockFixture::TempFolder;
    using LockFixture::WriteFile;

    TEST(CopyFile, CopiesBytesAndModeOverAnyOlderFile)
    {
        TempFolder folder;
        const std::filesystem::path source = folder.Path() / "a.html";
        const std::filesystem::path destination = folder.Path() / "b.html";
        const std::string content = SampleContent(70000);
        WriteFile(source, content);
        std::filesystem::permissions(source, std::filesystem::perms(0604));
        for (int round = 0; round < 2; ++round) {
            std::string error;
            ASSERT_TRUE(SafeFile::CopyFile(source, destination, error)) << error;
            EXPECT_EQ(ReadFile(destination), content);
            EXPECT_EQ(std::filesystem::status(destination).permissions(), std::filesystem::perms(0604));
        }
        EXPECT_EQ(ReadFile(source), content);
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"a.html", "b.html"}));
    }

    TEST(CopyFile, MissingSourceOrFolderChangesNothing)
    {
        TempFolder folder;
        std::string error;
        EXPECT_FALSE(SafeFile::CopyFile(folder.Path() / "none", folder.Path() / "b", error));
        EXPECT_FALSE(error.empty());
        WriteFile(folder.Path() / "a", "x");
        error.clear();
        EXPECT_FALSE(SafeFile::CopyFile(folder.Path() / "a", folder.Path() / "no/b", error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"a"});
    }
} // namespace
