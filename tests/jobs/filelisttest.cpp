#include "jobs/filelist.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
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
        FileList list;
        for (const QString& path : GetParam().added) {
            list.add(path);
        }
        EXPECT_EQ(list.paths(), GetParam().expected);
    }

    TEST_P(FileListOrderTest, AllAtOnceGivesTheSameList)
    {
        FileList list;
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
        FileList list;
        EXPECT_TRUE(list.add("/w/a.htm"));
        EXPECT_FALSE(list.add("/W/A.htm"));
        EXPECT_EQ(list.count(), 1);
    }

    TEST_F(FileListTest, AddAllKeepsTheListedSpellingAndMerges)
    {
        FileList list;
        list.add("/w/B.htm");
        list.add("/w/d.htm");
        list.addAll({"/w/e.htm", "/w/b.htm", "/w/a.htm", "/w/C.htm", "/W/D.HTM", "/w/c.htm"});
        EXPECT_EQ(list.paths(), QStringList({"/w/a.htm", "/w/B.htm", "/w/C.htm", "/w/d.htm", "/w/e.htm"}));
    }

    TEST_F(FileListTest, LookupsIgnoreLetterCase)
    {
        FileList list;
        list.addAll({"/w/a.htm", "/w/b.htm", "/w/c.htm"});
        EXPECT_EQ(list.indexOf("/W/B.HTM"), 1);
        EXPECT_EQ(list.indexOf("/w/bb.htm"), -1);
        EXPECT_TRUE(list.remove("/w/C.htm"));
        EXPECT_FALSE(list.remove("/w/c.htm"));
        EXPECT_EQ(list.paths(), QStringList({"/w/a.htm", "/w/b.htm"}));
    }

    TEST_F(FileListTest, RemoveAllTakesExactlyTheNamedEntries)
    {
        FileList list;
        list.addAll({"/w/a.htm", "/w/b.htm", "/w/c.htm", "/w/d.htm"});
        EXPECT_EQ(list.removeAll({"/w/D.htm", "/w/b.htm", "/w/missing.htm", "/w/b.htm"}), 2);
        EXPECT_EQ(list.paths(), QStringList({"/w/a.htm", "/w/c.htm"}));
        // Later lookups still work on the compacted list.
        EXPECT_EQ(list.indexOf("/w/c.htm"), 1);
    }

    TEST_F(FileListTest, TheCLocaleIgnoresLetterCaseToo)
    {
        QLocale::setDefault(QLocale::c());
        FileList list;
        list.addAll({"/w/b.htm", "/w/A.htm", "/w/a.htm", "/w/B.HTM"});
        EXPECT_EQ(list.paths(), QStringList({"/w/A.htm", "/w/b.htm"}));
        EXPECT_EQ(list.indexOf("/W/B.htm"), 1);
    }

    TEST_F(FileListTest, ManyPathsAtOnceMatchOneByOneAndAreFound)
    {
        QStringList many;
        for (int i = 0; i < 2000; ++i) {
            many.append(QStringLiteral("/w/page%1.htm").arg((i * 7919) % 1000));
        }
        FileList list;
        list.addAll(many);
        ASSERT_EQ(list.count(), 1000);
        for (int i = 0; i < list.count(); ++i) {
            EXPECT_EQ(list.indexOf(list.at(i).toUpper()), i);
        }
        FileList oneByOne;
        for (const QString& path : many) {
            oneByOne.add(path);
        }
        EXPECT_EQ(oneByOne.paths(), list.paths());
    }
} // namespace
