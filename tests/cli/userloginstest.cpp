// Who of a users file can log in: the engine's rule over the rows of tests/cli/userloginrows.h on both page
// formats, and the real command following it; a users file the command cannot read whole, and a test round count
// it cannot use.

#include "engine/userlogins.h"

#include "engine/listlines.h"
#include "engine/md5.h"
#include "engine/rc4.h"
#include "engine/textbytes.h"
#include "tests/cli/userloginrows.h"
#include "tests/engine/lockfixture.h"
#include "tests/engine/strongreader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>

namespace
{
    using namespace std::string_literals;
    using LockFixture::ReadFile;
    using LockFixture::TempFolder;
    using LockFixture::WriteFile;
    using UserLoginRows::Companion;
    using UserLogins::Format;

    struct Result
    {
        int exitCode = -1;
        std::string out;
        std::string err;
    };

    // text as one word for the shell.
    std::string Quoted(std::string_view text)
    {
        std::string quoted = "'";
        for (const char c : text) {
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        }
        return quoted + "'";
    }

    // Runs the command with the arguments and input on standard input; its output goes to files in folder.
    Result RunLock(const TempFolder& folder, const std::vector<std::string>& arguments, const std::string& input)
    {
        const std::filesystem::path in = folder.Path() / "in";
        const std::filesystem::path out = folder.Path() / "out";
        const std::filesystem::path err = folder.Path() / "err";
        WriteFile(in, input);
        std::string command = Quoted(QUILLGATE_LOCK);
        for (const std::string& argument : arguments) {
            command += ' ' + Quoted(argument);
        }
        command += " <" + Quoted(in.string()) + " >" + Quoted(out.string()) + " 2>" + Quoted(err.string());
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
    }

    bool Contains(const std::string& text, std::string_view part)
    {
        return text.find(part) != std::string::npos;
    }

    std::string PageBytes(std::string_view utf8)
    {
        return TextBytes::UnicodeToBytes(TextBytes::Utf8ToUtf16(utf8));
    }

    // The master password that a classic page's script recovers for a login (UTF-8, as typed): it takes no empty
    // password, finds the digest of the name in the users' string, then the digest of the password after it, and
    // deciphers what lies between with the name and password. Empty when it finds no entry.
    std::string ClassicMasterFor(const std::string& page, std::string_view name, std::string_view password)
    {
        if (password.empty()) {
            return {};
        }
        const std::size_t start = page.find("UMP333='") + 8;
        const std::string users = page.substr(start, page.find('\'', start) - start);
        const std::size_t at = users.find(Md5::DigestText(PageBytes(name)));
        if (at == std::string::npos) {
            return {};
        }
        const std::size_t end = users.find(Md5::DigestText(PageBytes(password)), at + 22);
        if (end == std::string::npos) {
            return {};
        }
        return Rc4::DecryptText(PageBytes(name) + PageBytes(password), users.substr(at + 22, end - at - 22));
    }

    const std::string s_content = "<p>hello</p>";
    const std::string s_master = "MasterPw1";
    constexpr const char* s_roundsVariable = "QUILLGATE_TEST_ONLY_STRONG_ITERATIONS";

    const char* FormatName(Format format)
    {
        return format == Format::Strong ? "strong" : "classic";
    }

    // One page locked by the command with a users file; strong runs take few key derivation rounds.
    class Command : public testing::Test
    {
    protected:
        void SetUp() override
        {
            setenv(s_roundsVariable, "1000", 1);
            WriteFile(m_page, s_content);
        }
        void TearDown() override
        {
            unsetenv(s_roundsVariable);
        }

        Result lock(const std::vector<std::string>& lines, Format format) const
        {
            std::string file;
            for (const std::string& line : lines) {
                file += line + "\r\n";
            }
            WriteFile(m_users, file);
            return RunLock(m_folder,
                           {"--format", FormatName(format), "--users", m_users, "--password-file", "-", m_page},
                           s_master + "\n");
        }

        // Whether the locked page opens for the user of line.
        bool opens(const std::string& line, Format format) const
        {
            const ListLines::UserEntry user = ListLines::SplitUserEntry(line);
            const std::string page = ReadFile(m_page);
            if (format == Format::Strong) {
                return StrongReader::Open(page, user.name, user.password).content == s_content;
            }
            return ClassicMasterFor(page, user.name, user.password) == s_master;
        }

        TempFolder m_folder;
        const std::string m_page = m_folder.File("index.html");
        const std::string m_users = m_folder.File("users.ust");
    };

    template <typename Item> struct OnFormat
    {
        Item item;
        Format format;
    };

    template <typename Item> std::vector<OnFormat<Item>> OnBothFormats(const auto& items)
    {
        std::vector<OnFormat<Item>> cases;
        for (const Item& item : items) {
            for (const Format format : {Format::Classic, Format::Strong}) {
                cases.push_back({item, format});
            }
        }
        return cases;
    }

    template <typename Item> void PrintTo(const OnFormat<Item>& c, std::ostream* os)
    {
        *os << c.item.name << " on " << FormatName(c.format);
    }

    struct CaseName
    {
        template <typename Item> std::string operator()(const testing::TestParamInfo<OnFormat<Item>>& info) const
        {
            return info.param.item.name + std::string("On")
                + (info.param.format == Format::Strong ? "Strong" : "Classic");
        }
    };

    using RowCase = OnFormat<UserLoginRows::Row>;
    using ListCase = OnFormat<UserLoginRows::List>;

    bool CanLogIn(const RowCase& c)
    {
        return c.format == Format::Strong ? c.item.strong : c.item.classic;
    }

    bool IsRefused(const ListCase& c)
    {
        return c.format == Format::Strong ? c.item.strongRefused : c.item.classicRefused;
    }

    class RowRule : public testing::TestWithParam<RowCase>
    { };

    TEST_P(RowRule, AdmitsExactlyTheUsersWhoCanLogIn)
    {
        const UserLogins::Decision decision = UserLogins::Decide({Companion, GetParam().item.line}, GetParam().format);
        const std::vector<std::size_t> admitted =
            CanLogIn(GetParam()) ? std::vector<std::size_t>{0, 1} : std::vector<std::size_t>{0};
        EXPECT_EQ(decision.admitted, admitted);
        EXPECT_EQ(decision.leftOut.size(), CanLogIn(GetParam()) ? 0U : 1U);
        EXPECT_FALSE(decision.repeatedName);
    }

    INSTANTIATE_TEST_SUITE_P(Rows,
                             RowRule,
                             testing::ValuesIn(OnBothFormats<UserLoginRows::Row>(UserLoginRows::Rows)),
                             CaseName());

    class RowCommand : public Command, public testing::WithParamInterface<RowCase>
    { };

    TEST_P(RowCommand, LocksForTheUsersWhoCanLogInAndNamesTheOthers)
    {
        const std::string& line = GetParam().item.line;
        const Result r = lock({Companion, line}, GetParam().format);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string name(ListLines::SplitUserEntry(line).name);
        EXPECT_EQ(Contains(r.err, "quillgate-lock: user " + name + " left out: "), !CanLogIn(GetParam())) << r.err;
        EXPECT_EQ(opens(line, GetParam().format), CanLogIn(GetParam()));
        EXPECT_TRUE(opens(Companion, GetParam().format));
    }

    INSTANTIATE_TEST_SUITE_P(Rows,
                             RowCommand,
                             testing::ValuesIn(OnBothFormats<UserLoginRows::Row>(UserLoginRows::Rows)),
                             CaseName());

    class ListRule : public testing::TestWithParam<ListCase>
    { };

    TEST_P(ListRule, RefusesAListThatCannotLockPages)
    {
        const UserLogins::Decision decision = UserLogins::Decide(GetParam().item.lines, GetParam().format);
        EXPECT_EQ(decision.admitted.empty() || decision.repeatedName.has_value(), IsRefused(GetParam()));
    }

    INSTANTIATE_TEST_SUITE_P(Lists,
                             ListRule,
                             testing::ValuesIn(OnBothFormats<UserLoginRows::List>(UserLoginRows::Lists)),
                             CaseName());

    class ListCommand : public Command, public testing::WithParamInterface<ListCase>
    { };

    // A refusal is a failure of the input, not a usage error: exit status 1, one line naming the file last.
    TEST_P(ListCommand, RefusesAListThatCannotLockPagesAndLocksNothing)
    {
        const Result r = lock(GetParam().item.lines, GetParam().format);
        if (!IsRefused(GetParam())) {
            EXPECT_EQ(r.exitCode, 0) << r.err;
            return;
        }
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_TRUE(Contains(r.err, "quillgate-lock: " + m_users)) << r.err;
        EXPECT_TRUE(r.err.ends_with("; nothing was locked\n")) << r.err;
        EXPECT_EQ(ReadFile(m_page), s_content);
    }

    INSTANTIATE_TEST_SUITE_P(Lists,
                             ListCommand,
                             testing::ValuesIn(OnBothFormats<UserLoginRows::List>(UserLoginRows::Lists)),
                             CaseName());

    // Read up to the NUL, the users after it would be missing from the pages without a word.
    TEST_F(Command, UsersFileWithANulByteIsRefusedWithItsLine)
    {
        const Result r = lock({"ann\tsecret1", "bob\tsec\0ret"s, "carl\tsecret3"}, Format::Classic);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "quillgate-lock: " + m_users + " holds a NUL byte in line 2; nothing was locked\n");
        EXPECT_EQ(ReadFile(m_page), s_content);
    }

    // 4294967297 used to wrap to a single round; what is no round count is refused before any key is made.
    TEST_F(Command, TestRoundCountThatIsNoWholeNumberFromOneIsRefused)
    {
        for (const std::string value : {"4294967297", "18446744073709551617", "0", "-1", "1000x", "", " 1000"}) {
            setenv(s_roundsVariable, value.c_str(), 1);
            const Result r = RunLock(m_folder, {"--format", "strong", "--password-file", "-", m_page}, "secret1\n");
            EXPECT_EQ(r.exitCode, 1) << testing::PrintToString(value);
            EXPECT_EQ(r.err,
                      "quillgate-lock: " + std::string(s_roundsVariable) + "=" + value
                          + " is no whole number from 1 to 4294967295; nothing was locked\n");
            EXPECT_EQ(ReadFile(m_page), s_content);
        }
    }
} // namespace
