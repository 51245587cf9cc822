#include "settings/userlistfile.h"
#include "tests/support/qtprinters.h"
#include "tests/support/tempfoldertest.h"

#include <QDir>
#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

namespace
{
    class UserListFileTest : public TempFolderTest
    {
    protected:
        void SetUp() override
        {
            QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        }

        QStringList load(const QByteArray& bytes) const
        {
            UserList users;
            EXPECT_TRUE(UserListFile::Load(users, writeBytes(QStringLiteral("users.ust"), bytes), nullptr));
            return users.entries();
        }
    };

    TEST_F(UserListFileTest, SaveThenLoadGivesTheSameEntries)
    {
        UserList users;
        users.replaceAll({"anna\tsecret1", "bob\tsecret2", "Carl\tsecret3"});
        users.sort();
        const QString path = pathOf(QStringLiteral("users.ust"));
        ASSERT_TRUE(UserListFile::Save(users, path, nullptr));

        UserList loaded;
        ASSERT_TRUE(UserListFile::Load(loaded, path, nullptr));
        EXPECT_EQ(loaded.entries(), users.entries());
    }

    TEST_F(UserListFileTest, EmptyListGivesAnEmptyOwnerOnlyFile)
    {
        const QString path = pathOf(QStringLiteral("users.ust"));
        ASSERT_TRUE(UserListFile::Save(UserList(), path, nullptr));
        EXPECT_EQ(QFileInfo(path).size(), 0);
        // The file holds passwords in clear: no one but its owner may read it.
        EXPECT_EQ(QFile::permissions(path) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        EXPECT_EQ(load(QByteArray()), QStringList());
    }

    TEST_F(UserListFileTest, LoadKeepsTheUserLinesOfTheSharedRuleAndSortsThem)
    {
        // The rule's cases are in the engine's test; this shows the wizard applies it and decodes UTF-8.
        EXPECT_EQ(load("\xEF\xBB\xBFzed\tsecret1\r\nno tab here\n\tstarts with a tab\rJ\xC3\xBCrgen\tgr\xC3\xBC\xC3\x9F"
                       "e"),
                  QStringList({QStringLiteral(u"J\u00fcrgen\tgr\u00fc\u00dfe"), "zed\tsecret1"}));
    }

    TEST_F(UserListFileTest, LoadReplacesTheList)
    {
        UserList users;
        users.replaceAll({"old\tsecret1"});
        ASSERT_TRUE(UserListFile::Load(users, writeBytes(QStringLiteral("users.ust"), "new\tsecret2\r\n"), nullptr));
        EXPECT_EQ(users.entries(), QStringList({"new\tsecret2"}));
    }

    TEST_F(UserListFileTest, FailedLoadKeepsTheList)
    {
        UserList users;
        users.replaceAll({"old\tsecret1"});
        QString error;
        EXPECT_FALSE(UserListFile::Load(users, pathOf(QStringLiteral("missing.ust")), &error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("Cannot open file ")));
        EXPECT_EQ(users.entries(), QStringList({"old\tsecret1"}));
    }

    TEST_F(UserListFileTest, FileThatIsNotUtf8IsRefusedAndTheListKept)
    {
        // Taken in, a Latin-1 byte would become U+FFFD, and the pages would be locked with a password that no one
        // can type.
        UserList users;
        users.replaceAll({"old\tsecret1"});
        const QString path = writeBytes(QStringLiteral("latin1.ust"), "ann\tpass\xe9word\r\n");
        QString error;
        EXPECT_FALSE(UserListFile::Load(users, path, &error));
        EXPECT_EQ(error, QStringLiteral("File %1 is not UTF-8 text").arg(QDir::toNativeSeparators(path)));
        EXPECT_EQ(users.entries(), QStringList({"old\tsecret1"}));
    }

    // Read up to the NUL, the users after it would silently be missing from the pages.
    TEST_F(UserListFileTest, FileWithANulByteIsRefusedWithItsLineAndTheListKept)
    {
        using namespace Qt::Literals::StringLiterals;
        UserList users;
        users.replaceAll({"old\tsecret1"});
        const QString path =
            writeBytes(QStringLiteral("nul.ust"), "ann\tsecret1\r\nbob\tsec\0ret\r\ncarl\tsecret3\r\n"_ba);
        QString error;
        EXPECT_FALSE(UserListFile::Load(users, path, &error));
        EXPECT_EQ(error, QStringLiteral("File %1 holds a NUL byte in line 2").arg(QDir::toNativeSeparators(path)));
        EXPECT_EQ(users.entries(), QStringList({"old\tsecret1"}));
    }

    TEST_F(UserListFileTest, SaveWritesUtf8)
    {
        UserList users;
        users.replaceAll({QStringLiteral(u"J\u00fcrgen\tgr\u00fc\u00dfe")});
        const QString path = pathOf(QStringLiteral("users.ust"));
        ASSERT_TRUE(UserListFile::Save(users, path, nullptr));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(),
                  QByteArray("J\xC3\xBCrgen\tgr\xC3\xBC\xC3\x9F"
                             "e\r\n"));
    }
} // namespace
