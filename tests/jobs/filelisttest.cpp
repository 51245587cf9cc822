#include "jobs/filelist.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
    // The rule of a file system that ignores letter case: paths equal apart from it are always one entry.
    constexpr FileList::Identity s_ignoreCase = FileList::Identity::IgnoreCase;

    // Pins the locale for the list's collator; each test makes its list after setting it.
    class FileListTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        }
        void TearDown() override
        {
            QLocale::setDefault(QLocale::system());
        }
    };

    struct OrderCase
    {
        const char* name;
        QStringList added;
        QStringList expected;
    };

    void PrintTo(const OrderCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class FileListOrderTest : public FileListTest, public ::testing::WithParamInterface<OrderCase>
    { };

    TEST_P(FileListOrderTest, OneByOneSortsAndDropsDuplicates)
    {
        FileList list(s_ignoreCase);
        for (const QString& path : GetParam().added) {
            list.add(path);
        }
        EXPECT_EQ(list.paths(), GetParam().expected);
    }

    TEST_P(FileListOrderTest, AllAtOnceGivesTheSameList)
    {
        FileList list(s_ignoreCase);
        list.addAll(GetParam().added);
        EXPECT_EQ(list.paths(), GetParam().expected);
    }

    INSTANTIATE_TEST_SUITE_P(
        Cases,
        FileListOrderTest,
        ::testing::Values(
            OrderCase{"letter case is ignored in the order",
                      {"C:\\web\\Index.htm", "C:\\web\\about.htm"},
                      {"C:\\web\\about.htm", "C:\\web\\Index.htm"}},
            OrderCase{"the whole path decides, not the folder depth",
                      {"C:\\web\\sub\\a.htm", "C:\\web\\b.htm"},
                      {"C:\\web\\b.htm", "C:\\web\\sub\\a.htm"}},
            OrderCase{"the same path in other case keeps the first spelling",
                      {"C:\\Web\\A.htm", "c:\\web\\a.HTM", "C:\\WEB\\A.HTM"},
                      {"C:\\Web\\A.htm"}},
            OrderCase{"an exact repeat counts once", {"/w/a.htm", "/w/b.htm", "/w/a.htm"}, {"/w/a.htm", "/w/b.htm"}},
            OrderCase{"digits are compared as text, and a01 and a1 stay apart",
                      {"/w/a1.htm", "/w/a01.htm", "/w/a10.htm", "/w/a2.htm"},
                      {"/w/a01.htm", "/w/a1.htm", "/w/a10.htm", "/w/a2.htm"}},
            OrderCase{
                "an accent makes a different path", {"/w/é.htm", "/w/e.htm", "/w/E.htm"}, {"/w/e.htm", "/w/é.htm"}},
            OrderCase{"texts the collator takes as equal stay apart",
                      {QStringLiteral("/w/a\u0001b.htm"), "/w/ab.htm", QStringLiteral("/w/\uFF21b.htm")},
                      {QStringLiteral("/w/a\u0001b.htm"), "/w/ab.htm", QStringLiteral("/w/\uFF21b.htm")}},
            OrderCase{"the empty path is one entry", {"", "/w/a.htm", ""}, {"", "/w/a.htm"}}));

    TEST_F(FileListTest, AddReportsWhetherThePathWasNew)
    {
        FileList list(s_ignoreCase);
        EXPECT_TRUE(list.add("/w/a.htm"));
        EXPECT_FALSE(list.add("/W/A.htm"));
        EXPECT_EQ(list.count(), 1);
    }

    TEST_F(FileListTest, AddAllKeepsTheListedSpellingAndMerges)
    {
        FileList list(s_ignoreCase);
        list.add("/w/B.htm");
        list.add("/w/d.htm");
        list.addAll({"/w/e.htm", "/w/b.htm", "/w/a.htm", "/w/C.htm", "/W/D.HTM", "/w/c.htm"});
        EXPECT_EQ(list.paths(), QStringList({"/w/a.htm", "/w/B.htm", "/w/C.htm", "/w/d.htm", "/w/e.htm"}));
    }

    TEST_F(FileListTest, LookupsIgnoreLetterCase)
    {
        FileList list(s_ignoreCase);
        list.addAll({"/w/a.htm", "/w/b.htm", "/w/c.htm"});
        EXPECT_EQ(list.indexOf("/W/B.HTM"), 1);
        EXPECT_EQ(list.indexOf("/w/bb.htm"), -1);
        EXPECT_TRUE(list.remove("/w/C.htm"));
        EXPECT_FALSE(list.remove("/w/c.htm"));
        EXPECT_EQ(list.paths(), QStringList({"/w/a.htm", "/w/b.htm"}));
    }

    TEST_F(FileListTest, RemoveAllTakesExactlyTheNamedEntries)
    {
        FileList list(s_ignoreCase);
        list.addAll({"/w/a.htm", "/w/b.htm", "/w/c.htm", "/w/d.htm"});
        EXPECT_EQ(list.removeAll({"/w/D.htm", "/w/b.htm", "/w/missing.htm", "/w/b.htm"}), 2);
        EXPECT_EQ(list.paths(), QStringList({"/w/a.htm", "/w/c.htm"}));
        // Later lookups still work on the compacted list.
        EXPECT_EQ(list.indexOf("/w/c.htm"), 1);
    }

    TEST_F(FileListTest, TheCLocaleIgnoresLetterCaseToo)
    {
        QLocale::setDefault(QLocale::c());
        FileList list(s_ignoreCase);
        list.addAll({"/w/b.htm", "/w/A.htm", "/w/a.htm", "/w/B.HTM"});
        EXPECT_EQ(list.paths(), QStringList({"/w/A.htm", "/w/b.htm"}));
        EXPECT_EQ(list.indexOf("/W/B.htm"), 1);
    }

    // Where letter case tells files apart, paths equal apart from it are one entry only when they name one file.
    TEST_F(FileListTest, OtherCaseIsOneEntryOnlyForTheSameFile)
    {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const auto file = [&dir](const char* name) {
            QFile page(dir.filePath(QString::fromLatin1(name)));
            EXPECT_TRUE(page.open(QIODevice::WriteOnly));
            return page.fileName();
        };
        const QString upper = file("Index.html");
        const QString lower = file("index.html");
        const QString about = file("about.html");
        const QString same = file("Same.html");
        const QString sameLink = dir.filePath("SAME.html");
        ASSERT_TRUE(QFile::link(same, sameLink));
        const QString goneUpper = dir.filePath("Gone.html");
        const QString goneLower = dir.filePath("gone.html");

        const QStringList given = {lower, same, goneLower, upper, about, sameLink, goneUpper, lower};
        const QStringList expected = {about, goneUpper, goneLower, upper, lower, same};
        FileList oneByOne(FileList::Identity::SameFile);
        for (const QString& path : given) {
            oneByOne.add(path);
        }
        EXPECT_EQ(oneByOne.paths(), expected);
        FileList atOnce(FileList::Identity::SameFile);
        atOnce.addAll(given);
        EXPECT_EQ(atOnce.paths(), expected);
        // Merging into a list keeps what is listed and adds what is new.
        FileList merged(FileList::Identity::SameFile);
        merged.addAll({upper, sameLink});
        merged.addAll(given);
        EXPECT_EQ(merged.paths(), QStringList({about, goneUpper, goneLower, upper, lower, sameLink}));

        EXPECT_EQ(atOnce.indexOf(lower), 4);
        EXPECT_EQ(atOnce.indexOf(dir.filePath("INDEX.html")), -1);
        EXPECT_TRUE(atOnce.remove(sameLink));
        EXPECT_TRUE(atOnce.remove(goneUpper));
        EXPECT_EQ(atOnce.paths(), QStringList({about, goneLower, upper, lower}));
    }

    TEST_F(FileListTest, ManyPathsAtOnceMatchOneByOneAndAreFound)
    {
        QStringList many;
        for (int i = 0; i < 2000; ++i) {
            many.append(QStringLiteral("/w/page%1.htm").arg((i * 7919) % 1000));
        }
        FileList list(s_ignoreCase);
        list.addAll(many);
        ASSERT_EQ(list.count(), 1000);
        for (int i = 0; i < list.count(); ++i) {
            EXPECT_EQ(list.indexOf(list.at(i).toUpper()), i);
        }
        FileList oneByOne(s_ignoreCase);
        for (const QString& path : many) {
            oneByOne.add(path);
        }
        EXPECT_EQ(oneByOne.paths(), list.paths());
    }
} // namespace
