#include "settings/userlistfile.h"
#include "tests/settings/qtprinters.h"
#include "tests/settings/tempfoldertest.h"

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

    TEST_F(UserListFileTest, LineEndsOfOtherToolsLoadTheSame)
    {
        const QStringList expected{"anna\tsecret1", "bob\tsecret2"};
        EXPECT_EQ(load("anna\tsecret1\r\nbob\tsecret2\r\n"), expected);
        EXPECT_EQ(load("anna\tsecret1\nbob\tsecret2\n"), expected);
        EXPECT_EQ(load("anna\tsecret1\nbob\tsecret2"), expected);
    }

    TEST_F(UserListFileTest, LinesWithoutAUserAreDroppedAndTheRestTakenAsTheyStand)
    {
        const QByteArray file = "zed\tsecret1\r\n"
                                "\r\n"
                                "no tab here\r\n"
                                "\tstarts with a tab\r\n"
                                "bob\t\r\n"
                                " anna \t secret2 \r\n"
                                "bob\tsecret3\r\n"
                                "carl\tbob\r\n";
        EXPECT_EQ(load(file), QStringList({" anna \t secret2 ", "bob\t", "bob\tsecret3", "carl\tbob", "zed\tsecret1"}));
    }

    TEST_F(UserListFileTest, NulEndsTheFile)
    {
        EXPECT_EQ(load(QByteArray("anna\tsecret1\r\nbob\tsec\0ret2\r\ncarl\tsecret3\r\n", 41)),
                  QStringList({"anna\tsecret1", "bob\tsec"}));
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

    TEST_F(UserListFileTest, BytesThatAreNoTextAreRefusedAndTheListKept)
    {
        // A Latin-1 byte, and a sequence cut off by the line end: taken in, both would become U+FFFD, and the
        // pages would be locked with a password that no one can type.
        for (const QByteArray& bytes :
             {QByteArray("ann\tpass\xe9word\r\n"), QByteArray("ann\tpass\xc3\r\n\xbcword\r\n")}) {
            UserList users;
            users.replaceAll({"old\tsecret1"});
            const QString path = writeBytes(QStringLiteral("latin1.ust"), bytes);
            QString error;
            EXPECT_FALSE(UserListFile::Load(users, path, &error)) << bytes.toHex().constData();
            EXPECT_EQ(error,
                      QStringLiteral("File %1 is not text in the system encoding").arg(QDir::toNativeSeparators(path)));
            EXPECT_EQ(users.entries(), QStringList({"old\tsecret1"}));
        }
    }
} // namespace
