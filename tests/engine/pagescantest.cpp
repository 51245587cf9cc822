#include "engine/pagescan.h"

#include "tests/engine/lockfixture.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace
{
    namespace fs = std::filesystem;
    using LockFixture::TempFolder;
    using LockFixture::WriteFile;
    using Paths = std::vector<std::string>;

    // Root reads every folder whatever its permission bits; without these two capabilities this thread is held
    // to the bits like any other user, so an unreadable folder can be shown under root too.
    class WithoutFileOverride
    {
    public:
        WithoutFileOverride()
        {
            syscall(SYS_capget, &m_header, m_saved);
            __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
            reduced[0].effective &= ~((1U << CAP_DAC_OVERRIDE) | (1U << CAP_DAC_READ_SEARCH));
            EXPECT_EQ(syscall(SYS_capset, &m_header, reduced), 0);
        }
        ~WithoutFileOverride()
        {
            syscall(SYS_capset, &m_header, m_saved);
        }
        WithoutFileOverride(const WithoutFileOverride&) = delete;
        WithoutFileOverride& operator=(const WithoutFileOverride&) = delete;

    private:
        __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct m_saved[2]{};
    };

    class PageScanTest : public testing::Test
    {
    protected:
        // Creates the files (a name ending in "/" is a folder) below the temporary folder.
        void Make(const Paths& names) const
        {
            for (const std::string& name : names) {
                const fs::path path = folder.Path() / name;
                if (name.ends_with('/')) {
                    fs::create_directories(path);
                } else {
                    fs::create_directories(path.parent_path());
                    WriteFile(path, "<p>hello</p>");
                }
            }
        }
        // The paths below the temporary folder, as the scan gives them.
        Paths Under(const Paths& names) const
        {
            Paths paths;
            for (const std::string& name : names) {
                paths.push_back(folder.File(name));
            }
            return paths;
        }

        TempFolder folder;
    };

    TEST_F(PageScanTest, PagesComeInByteOrderEachFolderBeforeItsSubfolders)
    {
        Make({"site/b.html",
              "site/A.HTM",
              "site/.hidden.htm",
              "site/page.shtml",
              "site/page.htm.bak",
              "site/htm",
              "site/style.css",
              "site/z/deep/d.html",
              "site/a/c.htm",
              "site/x.htm/inside.html",
              "site/empty/"});

        const PageScan::Result flat = PageScan::ScanFolder(folder.File("site"), false);
        EXPECT_EQ(flat.pages, Under({"site/.hidden.htm", "site/A.HTM", "site/b.html"}));
        EXPECT_EQ(flat.otherFiles, Under({"site/htm", "site/page.htm.bak", "site/page.shtml", "site/style.css"}));
        EXPECT_TRUE(flat.unreadable.empty());
        EXPECT_TRUE(flat.notFollowed.empty());

        const PageScan::Result deep = PageScan::ScanFolder(folder.File("site/"), true);
        EXPECT_EQ(deep.pages,
                  Under({"site/.hidden.htm",
                         "site/A.HTM",
                         "site/b.html",
                         "site/a/c.htm",
                         "site/x.htm/inside.html",
                         "site/z/deep/d.html"}));
        EXPECT_EQ(deep.otherFiles, flat.otherFiles);
    }

    // A link in a scanned folder may lead anywhere: locking through it would replace a file outside the folder.
    TEST_F(PageScanTest, SymbolicLinksAreNeitherListedNorEntered)
    {
        Make({"out/c.txt", "out/f.html", "site/a.html", "site/sub/b.html"});
        fs::create_symlink("../out/c.txt", folder.Path() / "site/e.html");
        fs::create_symlink("a.html", folder.Path() / "site/sub/again.html");
        fs::create_symlink("../out", folder.Path() / "site/linked");
        fs::create_symlink("..", folder.Path() / "site/sub/up");
        fs::create_symlink("nowhere.html", folder.Path() / "site/dangling.html");

        for (const bool recursive : {false, true}) {
            const PageScan::Result result = PageScan::ScanFolder(folder.File("site"), recursive);
            EXPECT_EQ(result.pages, recursive ? Under({"site/a.html", "site/sub/b.html"}) : Under({"site/a.html"}));
            EXPECT_TRUE(result.otherFiles.empty());
            EXPECT_EQ(result.notFollowed,
                      recursive ? Under(
                          {"site/dangling.html", "site/e.html", "site/linked", "site/sub/again.html", "site/sub/up"})
                                : Under({"site/dangling.html", "site/e.html", "site/linked"}));
        }
    }

    TEST_F(PageScanTest, UnreadableSubfolderIsNamedAndItsSiblingsAreStillScanned)
    {
        Make({"site/a.html", "site/b/hidden.html", "site/c/c.html", "site/c/d/d.html"});
        fs::permissions(folder.Path() / "site/b", fs::perms::none);
        PageScan::Result result;
        {
            const WithoutFileOverride asUser;
            result = PageScan::ScanFolder(folder.File("site"), true);
        }
        fs::permissions(folder.Path() / "site/b", fs::perms::owner_all);
        EXPECT_EQ(result.pages, Under({"site/a.html", "site/c/c.html", "site/c/d/d.html"}));
        EXPECT_EQ(result.unreadable, Paths{folder.File("site/b") + ": Permission denied"});
    }

    TEST_F(PageScanTest, MissingFolderIsUnreadableAndEmptyTextGivesNothing)
    {
        const PageScan::Result missing = PageScan::ScanFolder(folder.File("missing"), true);
        EXPECT_TRUE(missing.pages.empty());
        EXPECT_EQ(missing.unreadable, Paths{folder.File("missing") + ": No such file or directory"});

        const PageScan::Result empty = PageScan::ScanFolder("", true);
        EXPECT_TRUE(empty.pages.empty() && empty.unreadable.empty() && empty.otherFiles.empty());
    }

    TEST_F(PageScanTest, RootGivesPathsWithASingleSlash)
    {
        const PageScan::Result root = PageScan::ScanFolder("/", false);
        Paths all = root.otherFiles;
        all.insert(all.end(), root.notFollowed.begin(), root.notFollowed.end());
        all.insert(all.end(), root.pages.begin(), root.pages.end());
        EXPECT_TRUE(root.unreadable.empty());
        if (all.empty()) {
            GTEST_SKIP() << "the root folder holds no file or link here";
        }
        for (const std::string& path : all) {
            EXPECT_TRUE(path.starts_with('/') && !path.starts_with("//")) << path;
        }
    }
} // namespace
