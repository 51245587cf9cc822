#include "settings/userlist.h"
#include "tests/cli/userloginrows.h"
#include "tests/support/namedcases.h"
#include "tests/support/qtprinters.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <ostream>

namespace
{
    // The order is the user's locale's; the tests pin one so that it does not depend on the machine.
    class UserListTest : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        }

        static UserList ListOf(const QStringList& entries)
        {
            UserList users;
            users.replaceAll(entries);
            return users;
        }
    };

    TEST_F(UserListTest, EntrySplitsAtTheFirstTab)
    {
        EXPECT_EQ(UserList::nameOf("anna\tpass\tword"), "anna");
        EXPECT_EQ(UserList::passwordOf("anna\tpass\tword"), "pass\tword");
        EXPECT_EQ(UserList::passwordOf("anna\t"), "");
        EXPECT_EQ(UserList::makeEntry("anna", "secret1"), "anna\tsecret1");
    }

    struct ConflictCase
    {
        const char* name;
        QStringList entries;
        QString newName;
        QString newPassword;
        std::optional<QString> refusal;
    };

    void PrintTo(const ConflictCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    const QString s_alreadyThere = QStringLiteral("The user is already in the list.");
    const QString s_nameIsPassword =
        QStringLiteral("Invalid user name: for best security, the user's name can't be same as other user's password.");
    const QString s_passwordIsName =
        QStringLiteral("Invalid password: for best security, the password can't be same as other user's name.");

    class ConflictTest : public UserListTest, public ::testing::WithParamInterface<ConflictCase>
    { };

    TEST_P(ConflictTest, CheckNewUserAppliesTheRulesInOrder)
    {
        const ConflictCase& c = GetParam();
        EXPECT_EQ(ListOf(c.entries).CheckNewUser(c.newName, c.newPassword), c.refusal);
    }

    INSTANTIATE_TEST_SUITE_P(
        Rules,
        ConflictTest,
        ::testing::Values(
            ConflictCase{"SameName", {"anna\tsecret1"}, "anna", "other12", s_alreadyThere},
            ConflictCase{"SameNameOtherCaseAccepted", {"anna\tsecret1"}, "Anna", "other12", std::nullopt},
            ConflictCase{"NameIsAnothersPassword", {"anna\tsecret1"}, "secret1", "other12", s_nameIsPassword},
            ConflictCase{"PasswordIsAnothersName", {"annabel\tsecret1"}, "bob", "annabel", s_passwordIsName},
            ConflictCase{"AnothersPasswordReusedAccepted", {"anna\tsecret1"}, "bob", "secret1", std::nullopt},
            ConflictCase{"OwnNameAsOwnPasswordAccepted", {"anna\tsecret1"}, "bobby1", "bobby1", std::nullopt},
            ConflictCase{
                "EarlierEntryDecides", {"carl\tdora12", "dora12\tpass99"}, "dora12", "other12", s_nameIsPassword},
            ConflictCase{"NameTestFirstWithinAnEntry", {"abc123\tabc123"}, "abc123", "abc123", s_alreadyThere},
            ConflictCase{"LoadedBlankMakesAnotherName", {"anna \tsecret1"}, "anna", "other12", std::nullopt},
            ConflictCase{"EmptyListAccepts", {}, "anna", "secret1", std::nullopt},
            // The page tells users apart by their bytes: U+0141 reaches it as "A".
            ConflictCase{"SameBytesForThePage", {"A\tsecret1"}, QStringLiteral(u"\u0141"), "other12", s_alreadyThere}),
        NamedCases::ByName());

    struct InputCase
    {
        const char* name;
        QString userName;
        QString password;
        std::optional<QString> warning;
    };

    void PrintTo(const InputCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    const QString s_noName = QStringLiteral("Please input the user name.");
    const QString s_badLength = QStringLiteral("Password should consist of 6--25 characters.");
    const QString s_tooLong = QStringLiteral("The user name and the password together should not exceed 256 "
                                             "characters: the page could never open for a longer pair.");

    const QString s_lineBreak = QStringLiteral("A user name or a password cannot hold a line break: the page could "
                                               "never open for this user.");

    QString TabCharacterWarning(const QString& character)
    {
        return QStringLiteral("The character \"%1\" cannot be used in a user name: the page could never open for "
                              "this user.")
            .arg(character);
    }

    QString ZeroCharacterWarning(const QString& character)
    {
        return QStringLiteral("The character \"%1\" cannot be used in a user name or a password: the page could never "
                              "open for this user.")
            .arg(character);
    }

    class InputTest : public UserListTest, public ::testing::WithParamInterface<InputCase>
    { };

    TEST_P(InputTest, CheckUserInputJudgesTheDialogsBoxes)
    {
        const InputCase& c = GetParam();
        EXPECT_EQ(UserList::checkUserInput(c.userName, c.password), c.warning);
    }

    INSTANTIATE_TEST_SUITE_P(
        Rules,
        InputTest,
        ::testing::Values(InputCase{"EmptyName", "", "secret1", s_noName},
                          InputCase{"BlankNameBeforeBadPassword", " \t ", "x", s_noName},
                          // The bounds' cases are in the engine's test; this row shows they apply after trimming.
                          InputCase{"FiveAfterTrimming", "anna", "  12345  ", s_badLength},
                          InputCase{"BlanksAroundAccepted", "  anna ", " secret1 ", std::nullopt},
                          InputCase{"KeyOf256Bytes", QString(231, u'n'), QString(25, u'p'), std::nullopt},
                          InputCase{"KeyOf257Bytes", QString(232, u'n'), QString(25, u'p'), s_tooLong},
                          InputCase{"BlanksDoNotCount", QString(231, u'n') + "   ", QString(25, u'p'), std::nullopt},
                          InputCase{"CharacterGivingAZeroByte",
                                    QStringLiteral(u"\u0100nna"),
                                    "secret1",
                                    ZeroCharacterWarning(QStringLiteral(u"\u0100"))},
                          InputCase{"SurrogateGivingAZeroByte",
                                    "anna",
                                    QStringLiteral(u"secret\U0001F600"),
                                    ZeroCharacterWarning(QStringLiteral(u"\U0001F600"))},
                          InputCase{"LatinLetterAccepted", QStringLiteral(u"J\u00fcrgen"), "secret1", std::nullopt},
                          // U+0409 reaches the page as a TAB byte, where the entry splits.
                          InputCase{"CharacterGivingATabInTheName",
                                    QStringLiteral(u"\u0409iljana"),
                                    "secret1",
                                    TabCharacterWarning(QStringLiteral(u"\u0409"))},
                          InputCase{"PastedTabInTheName", "anna\tsecret1", "secret1", TabCharacterWarning("\t")},
                          InputCase{"PastedLineBreakInTheName", "anna\nbob", "secret1", s_lineBreak},
                          InputCase{"PastedLineBreakInThePassword", "anna", "secret\r\n1", s_lineBreak},
                          InputCase{"TabInThePasswordAccepted", "anna", QStringLiteral(u"se\u0409ret1"), std::nullopt}),
        NamedCases::ByName());

    TEST_F(UserListTest, AddSortsByTheWholeEntry)
    {
        UserList users;
        EXPECT_EQ(users.addUser("mike", "secret1"), std::nullopt);
        EXPECT_EQ(users.addUser("adam", "secret2"), std::nullopt);
        EXPECT_EQ(users.addUser("Adam", "secret3"), std::nullopt);
        EXPECT_EQ(users.addUser("adam2", "secret4"), std::nullopt);
        EXPECT_EQ(users.entries(), QStringList({"adam\tsecret2", "Adam\tsecret3", "adam2\tsecret4", "mike\tsecret1"}));
    }

    TEST_F(UserListTest, RefusedAddChangesNothing)
    {
        UserList users = ListOf({"mike\tsecret1"});
        EXPECT_EQ(users.addUser("mike", "secret2"), s_alreadyThere);
        EXPECT_EQ(users.entries(), QStringList({"mike\tsecret1"}));
    }

    TEST_F(UserListTest, SortOrdersByTheLocaleAndKeepsDuplicates)
    {
        // Letters decide before letter case, so "Anna\ta" precedes "anna\tb"; lower case precedes upper case.
        UserList users = ListOf({"zed\tx", "anna\tb", "Anna\tb", "anna\tb", "Anna\ta"});
        users.sort();
        EXPECT_EQ(users.entries(), QStringList({"Anna\ta", "anna\tb", "anna\tb", "Anna\tb", "zed\tx"}));
    }

    TEST_F(UserListTest, LookupFindsOnlyTheIdenticalEntry)
    {
        // The locale cannot tell these apart (a zero-width space is ignored); the lookup must, or removing one
        // user would take away another.
        const QString plain = QStringLiteral("ab\tsecret1");
        const QString hidden = QStringLiteral(u"a\u200bb\tsecret1");
        UserList users = ListOf({hidden, plain});
        users.sort();
        EXPECT_EQ(users.entries()[users.indexOf(plain)], plain);
        EXPECT_EQ(users.entries()[users.indexOf(hidden)], hidden);
        EXPECT_EQ(users.indexOf("nobody\tsecret1"), -1);
        EXPECT_TRUE(users.removeEntry(plain));
        EXPECT_EQ(users.entries(), QStringList({hidden}));
        EXPECT_FALSE(users.removeEntry(plain));
    }

    TEST_F(UserListTest, EditThatKeepsTheNameChangesThePassword)
    {
        UserList users = ListOf({"anna\tsecret1", "bob\tsecret2"});
        EXPECT_EQ(users.editUser("anna\tsecret1", "anna", "newpass1"), std::nullopt);
        EXPECT_EQ(users.entries(), QStringList({"anna\tnewpass1", "bob\tsecret2"}));
    }

    TEST_F(UserListTest, EditThatKeepsThePasswordRenames)
    {
        UserList users = ListOf({"anna\tsecret1", "bob\tsecret2"});
        EXPECT_EQ(users.editUser("anna\tsecret1", "zoe", "secret1"), std::nullopt);
        EXPECT_EQ(users.entries(), QStringList({"bob\tsecret2", "zoe\tsecret1"}));
    }

    TEST_F(UserListTest, RefusedEditRestoresTheOldEntry)
    {
        UserList users = ListOf({"anna\tsecret1", "bob\tsecret2"});
        EXPECT_EQ(users.editUser("anna\tsecret1", "bob", "secret9"), s_alreadyThere);
        EXPECT_EQ(users.entries(), QStringList({"anna\tsecret1", "bob\tsecret2"}));
    }

    TEST_F(UserListTest, EngineEntriesAreTheBytesThePageReceivesForWhoCanLogIn)
    {
        // U+4E09 reaches the page as byte 9, which would cut a name short; in a password it is harmless.
        const QString loaded = QStringLiteral(u"\u5f20\u4e09");
        const UserList users = ListOf({QStringLiteral(u"J\u00fcrgen\tsecret1"),
                                       loaded + "\tsecret1",
                                       QStringLiteral(u"anna\tpass\u4e09word"),
                                       "bob\t"});
        const UserList::Logins logins = users.logins(UserLogins::Format::Classic);
        EXPECT_EQ(logins.engineEntries(), (std::vector<std::string>{"J\xfcrgen\tsecret1", "anna\tpass\x09word"}));
        EXPECT_EQ(logins.leftOut,
                  QStringList({loaded + ": the page reads a character of the name as a TAB",
                               "bob: the password is empty, and a page takes no empty password"}));
    }

    // The wizard decides who can log in as the command does: the rows of the command's tests, on both formats.
    struct LoginCase
    {
        UserLoginRows::Row row;
        UserLogins::Format format;
    };

    void PrintTo(const LoginCase& c, std::ostream* os)
    {
        *os << c.row.name << (c.format == UserLogins::Format::Strong ? " on strong" : " on classic");
    }

    std::vector<LoginCase> LoginCases()
    {
        std::vector<LoginCase> cases;
        for (const UserLoginRows::Row& row : UserLoginRows::Rows) {
            for (const UserLogins::Format format : {UserLogins::Format::Classic, UserLogins::Format::Strong}) {
                cases.push_back({row, format});
            }
        }
        return cases;
    }

    class LoginRowTest : public UserListTest, public ::testing::WithParamInterface<LoginCase>
    { };

    TEST_P(LoginRowTest, LeavesOutExactlyWhoCouldNeverLogIn)
    {
        const LoginCase& c = GetParam();
        const bool canLogIn = c.format == UserLogins::Format::Strong ? c.row.strong : c.row.classic;
        const QString companion = QString::fromStdString(UserLoginRows::Companion);
        const QString line = QString::fromStdString(c.row.line);
        const UserList::Logins logins = ListOf({companion, line}).logins(c.format);
        EXPECT_EQ(logins.entries, canLogIn ? QStringList({companion, line}) : QStringList{companion});
        ASSERT_EQ(logins.leftOut.size(), canLogIn ? 0 : 1);
        if (!canLogIn) {
            EXPECT_TRUE(logins.leftOut.front().startsWith(UserList::nameOf(line) + ": "))
                << logins.leftOut.front().toStdString();
        }
        EXPECT_FALSE(logins.refusal.has_value());
    }

    INSTANTIATE_TEST_SUITE_P(
        Rows, LoginRowTest, ::testing::ValuesIn(LoginCases()), [](const ::testing::TestParamInfo<LoginCase>& info) {
            return info.param.row.name
                + std::string(info.param.format == UserLogins::Format::Strong ? "OnStrong" : "OnClassic");
        });

    TEST_F(UserListTest, ListsThatCannotLockPagesAreRefused)
    {
        for (const UserLoginRows::List& list : UserLoginRows::Lists) {
            QStringList entries;
            for (const std::string& line : list.lines) {
                entries.append(QString::fromStdString(line));
            }
            const UserList users = ListOf(entries);
            EXPECT_EQ(users.logins(UserLogins::Format::Classic).refusal.has_value(), list.classicRefused) << list.name;
            EXPECT_EQ(users.logins(UserLogins::Format::Strong).refusal.has_value(), list.strongRefused) << list.name;
        }
    }

    TEST_F(UserListTest, RefusalSaysWhyAndThatNoFileChanged)
    {
        EXPECT_EQ(UserList().logins(UserLogins::Format::Classic).refusal,
                  QStringLiteral("The user list is empty: no one could log in to the locked pages. No file has been "
                                 "changed."));
        EXPECT_EQ(ListOf({"bob\t", "carl\t"}).logins(UserLogins::Format::Strong).refusal,
                  QStringLiteral("No user in the list could log in to the locked pages:\n\n"
                                 "bob: the password is empty, and a page takes no empty password\n"
                                 "carl: the password is empty, and a page takes no empty password\n\n"
                                 "No file has been changed."));
        EXPECT_EQ(ListOf({QStringLiteral(u"Zo\u00eb\tfirst"), QStringLiteral(u"Zoe\u0308\tsecond")})
                      .logins(UserLogins::Format::Strong)
                      .refusal,
                  QStringLiteral(u"The user name \"Zoe\u0308\" is given twice, and strong pages take each user name "
                                 u"once. No file has been changed."));
    }
} // namespace
