#include "engine/encrypthtml.h"
#include "jobs/addfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace
{
    class ScanFolderTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            ASSERT_TRUE(m_dir.isValid());
            m_root = m_dir.path();
        }

        void makeFile(const QString& relative) const
        {
            const QString path = m_root + "/" + relative;
            ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("<html></html>");
        }

        void makeLink(const QString& target, const QString& relative) const
        {
            ASSERT_TRUE(QFile::link(target, m_root + "/" + relative));
        }

        // The scan's result relative to the temporary folder, sorted for comparing.
        static QStringList Sorted(QStringList paths)
        {
            paths.sort();
            return paths;
        }

        QStringList under(const QStringList& relative) const
        {
            QStringList paths;
            for (const QString& path : relative) {
                paths.append(m_root + "/" + path);
            }
            return Sorted(paths);
        }

        QTemporaryDir m_dir;
        QString m_root;
    };

    TEST(PageFileName, OnlyHtmAndHtmlInAnyCase)
    {
        for (const char* name : {"INDEX.HTM", "page.Html", "page.htm", ".page.htm", ".htm", "a.b.HtMl"}) {
            EXPECT_TRUE(Encrypthtml::IsPageFileName(name)) << name;
        }
        for (const char* name : {"page.shtml", "page.htm.bak", "page.xhtml", "htm", "page.htm~", "page.", "pagehtm"}) {
            EXPECT_FALSE(Encrypthtml::IsPageFileName(name)) << name;
        }
    }

    TEST_F(ScanFolderTest, AddsPagesOnlyHiddenOnesIncluded)
    {
        for (const char* name : {"INDEX.HTM",
                                 "page.Html",
                                 ".page.htm",
                                 ".hidden/page.htm",
                                 "page.shtml",
                                 "page.htm.bak",
                                 "page.xhtml",
                                 "htm",
                                 "x.htm/inside.txt"}) {
            makeFile(QString::fromLatin1(name));
        }
        EXPECT_EQ(Sorted(Addfolder::ScanFolder(m_root, true)),
                  under({".hidden/page.htm", ".page.htm", "INDEX.HTM", "page.Html"}));
    }

    TEST_F(ScanFolderTest, SubfoldersOnlyWhenAsked)
    {
        makeFile("a.htm");
        makeFile("x.htm/b.htm");
        makeFile("one/two/three/c.html");
        EXPECT_EQ(Sorted(Addfolder::ScanFolder(m_root, false)), under({"a.htm"}));
        EXPECT_EQ(Sorted(Addfolder::ScanFolder(m_root, true)), under({"a.htm", "one/two/three/c.html", "x.htm/b.htm"}));
    }

    TEST_F(ScanFolderTest, ATrailingSeparatorGivesTheSamePaths)
    {
        makeFile("a.htm");
        EXPECT_EQ(Addfolder::ScanFolder(m_root + "/", false), under({"a.htm"}));
    }

    TEST_F(ScanFolderTest, RelativeFolderGivesRelativePaths)
    {
        makeFile("web/a.htm");
        makeFile("web/sub/b.htm");
        const QString previous = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(m_root));
        const QStringList found = Sorted(Addfolder::ScanFolder("web", true));
        QDir::setCurrent(previous);
        EXPECT_EQ(found, QStringList({"web/a.htm", "web/sub/b.htm"}));
    }

    TEST_F(ScanFolderTest, LinksAreNeitherListedNorEnteredSoCyclesEnd)
    {
        makeFile("a/page.htm");
        makeFile("a/b/deep.htm");
        makeFile("outside/e.html");
        makeLink(m_root + "/a", "a/b/up");
        makeLink("..", "a/loop");
        makeLink(m_root + "/a/page.htm", "a/b/linked.htm");
        // A page that leads out of the scanned folder: Create would overwrite a file the user never chose.
        makeLink(m_root + "/outside/e.html", "a/e.html");
        EXPECT_EQ(Sorted(Addfolder::ScanFolder(m_root + "/a", true)), under({"a/b/deep.htm", "a/page.htm"}));
    }

    // The bytes of path, for file names that are not text.
    QByteArray Bytes(const QString& path)
    {
        return QFile::encodeName(path);
    }

    TEST_F(ScanFolderTest, NamesThatAreNotTextAreCountedByFolderNotListed)
    {
        makeFile(QStringLiteral("caf\u00e9.html"));
        makeFile("sub/a.htm");
        for (const char* name : {"/caf\xe9.html", "/sub/\xff.htm", "/sub/\xfe.htm", "/sub/\xfd.txt"}) {
            const int fd = open((Bytes(m_root) + name).constData(), O_WRONLY | O_CREAT, 0600);
            ASSERT_GE(fd, 0);
            close(fd);
        }
        LeftOutPages leftOut;
        EXPECT_EQ(Sorted(Addfolder::ScanFolder(m_root, true, &leftOut)),
                  under({QStringLiteral("caf\u00e9.html"), "sub/a.htm"}));
        EXPECT_EQ(leftOut.message(),
                  QStringLiteral("1 file(s) in %1 were left out: their names are not text in the system encoding.\n"
                                 "2 file(s) in %1/sub were left out: their names are not text in the system encoding.")
                      .arg(m_root));
        // Without a place to count them they are still not listed.
        EXPECT_EQ(Addfolder::ScanFolder(m_root, false), under({QStringLiteral("caf\u00e9.html")}));
    }

    TEST_F(ScanFolderTest, DroppedFilesAndFoldersGiveTheirPages)
    {
        makeFile("one/page.htm");
        makeFile("one/notes.txt");
        makeFile("site/a.HTML");
        makeFile("site/deep/b.html");
        makeFile("site/deep/skip.txt");
        makeFile("elsewhere/target.html");
        makeLink(m_root + "/elsewhere/target.html", "one/link.html");
        makeLink(m_root + "/site", "one/site-link");
        const int fd = open((Bytes(m_root) + "/one/\xe9.htm").constData(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(fd, 0);
        close(fd);
        const auto url = [this](const char* relative) {
            return QUrl::fromLocalFile(m_root + "/" + relative);
        };
        LeftOutPages leftOut;
        const QStringList pages = Addfolder::DroppedPages(
            {url("one/page.htm"),
             url("one/notes.txt"),
             url("site"),
             url("one/link.html"),
             url("one/gone.htm"),
             QUrl(QStringLiteral("https://example.org/x.htm")),
             QUrl::fromEncoded("file://" + (Bytes(m_root) + "/one/\xe9.htm").toPercentEncoding("/"))},
            &leftOut);
        // Named by the user, a link is taken; a folder's pages are found by the one scan rule.
        EXPECT_EQ(Sorted(pages), under({"one/link.html", "one/page.htm", "site/a.HTML", "site/deep/b.html"}));
        EXPECT_EQ(leftOut.message(),
                  QStringLiteral("1 file(s) in %1/one were left out: their names are not text in the system encoding.")
                      .arg(m_root));

        // A dropped link to a folder is entered, since the user named it.
        EXPECT_EQ(Sorted(Addfolder::DroppedPages({url("one/site-link")}, nullptr)),
                  under({"one/site-link/a.HTML", "one/site-link/deep/b.html"}));
    }

    TEST_F(ScanFolderTest, MissingFolderOrEmptyTextGivesNothing)
    {
        EXPECT_TRUE(Addfolder::ScanFolder(m_root + "/nowhere", true).isEmpty());
        EXPECT_TRUE(Addfolder::ScanFolder(QString(), true).isEmpty());
    }

    // Deletes a tree by file descriptors, so paths longer than the system allows are no obstacle.
    void RemoveTreeAt(int parent, const char* name)
    {
        const int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
        if (fd >= 0) {
            DIR* entries = fdopendir(fd);
            while (const dirent* entry = readdir(entries)) {
                const std::string child = entry->d_name;
                if (child == "." || child == "..") {
                    continue;
                }
                if (entry->d_type == DT_DIR) {
                    RemoveTreeAt(dirfd(entries), child.c_str());
                } else {
                    unlinkat(dirfd(entries), child.c_str(), 0);
                }
            }
            closedir(entries);
        }
        unlinkat(parent, name, AT_REMOVEDIR);
    }

    TEST_F(ScanFolderTest, FoldersDeeperThanTheLongestPathAreWalkedThroughTheirParents)
    {
        // A chain of folders deeper than the longest path the system opens: each is opened from its parent's
        // handle, so its far end is listed too.
        makeFile("a.htm");
        makeFile("z/z.htm");
        const std::string segment(200, 'd');
        int fd = open(QFile::encodeName(m_root).constData(), O_RDONLY | O_DIRECTORY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(mkdirat(fd, "deep", 0700), 0);
        int level = openat(fd, "deep", O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < 25 && level >= 0; ++i) {
            ASSERT_EQ(mkdirat(level, segment.c_str(), 0700), 0);
            const int next = openat(level, segment.c_str(), O_RDONLY | O_DIRECTORY);
            const int page = openat(level, "p.htm", O_WRONLY | O_CREAT, 0600);
            close(page);
            close(level);
            level = next;
        }
        ASSERT_GE(level, 0);
        close(level);

        const QStringList found = Addfolder::ScanFolder(m_root, true);
        RemoveTreeAt(fd, "deep");
        close(fd);

        EXPECT_TRUE(found.contains(m_root + "/a.htm"));
        EXPECT_TRUE(found.contains(m_root + "/z/z.htm"));
        EXPECT_TRUE(found.contains(m_root + "/deep/p.htm"));
        EXPECT_EQ(found.size(), 2 + 25);
    }
} // namespace
