// Runs the real quillgate-lock binary.

#include "engine/encrypthtml.h"
#include "engine/md5.h"
#include "engine/rc4.h"
#include "tests/engine/lockfixture.h"
#include "tests/engine/openwatch.h"
#include "tests/engine/strongreader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace
{
    using LockFixture::BlockList;
    using LockFixture::ReadFile;
    using LockFixture::TempFolder;
    using LockFixture::WriteFile;

    struct Result
    {
        int exitCode = -1;
        std::string out;
        std::string err;
    };

    // How the command is started: standard input from a file or terminal, standard output into io unless
    // output names another file, and, with withoutFileOverride, held to permission bits even under root.
    struct Launch
    {
        std::string input{};
        std::string output{};
        bool withoutFileOverride = false;
        // In a process group of its own, whose parent (the test) is outside it: the system stops such a group on
        // SIGTSTP, where it ignores the stop of a group that no parent outside it could continue.
        bool ownProcessGroup = false;
        // The limit of open files (soft and hard), 0: as the test has it.
        rlim_t openFiles = 0;
    };

    // Starts the command with standard error (and standard output unless the launch names a file) into io;
    // returns the process id, or 0.
    pid_t Start(const std::vector<std::string>& arguments, const TempFolder& io, const Launch& launch)
    {
        // Everything the child needs is made before fork: after it only async-signal-safe calls are allowed.
        std::vector<std::string> all = {QUILLGATE_LOCK};
        all.insert(all.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& a : all) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        const std::string output = launch.output.empty() ? (io.Path() / "out").string() : launch.output;
        const std::string error = (io.Path() / "err").string();
        const pid_t pid = fork();
        if (pid != 0) {
            return pid < 0 ? 0 : pid;
        }
        // Root keeps the file-permission capabilities across exec only while they are in the bounding set.
        if (launch.withoutFileOverride) {
            prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0);
            prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0);
        }
        if (launch.ownProcessGroup) {
            setpgid(0, 0);
        }
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        if (launch.openFiles != 0) {
            const rlimit openFiles{launch.openFiles, launch.openFiles};
            setrlimit(RLIMIT_NOFILE, &openFiles);
        }
        const int streams[3] = {open(launch.input.c_str(), O_RDWR),
                                open(output.c_str(), O_WRONLY | O_CREAT, 0600),
                                open(error.c_str(), O_WRONLY | O_CREAT, 0600)};
        for (int i = 0; i < 3; ++i) {
            dup2(streams[i], i);
        }
        execve(QUILLGATE_LOCK, argv.data(), environ);
        _exit(127);
    }

    pid_t Start(const std::vector<std::string>& arguments, const std::string& inputPath, const TempFolder& io)
    {
        return Start(arguments, io, {inputPath});
    }

    Result Finish(pid_t pid, const TempFolder& io)
    {
        Result result;
        int status = 0;
        if (pid != 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            result.exitCode = WEXITSTATUS(status);
        }
        result.out = ReadFile(io.Path() / "out");
        result.err = ReadFile(io.Path() / "err");
        return result;
    }

    // Runs the command with the arguments, feeding input on standard input (no terminal).
    Result RunLock(const std::vector<std::string>& arguments, const std::string& input = "", Launch launch = {})
    {
        TempFolder io;
        WriteFile(io.Path() / "in", input);
        launch.input = (io.Path() / "in").string();
        return Finish(Start(arguments, io, launch), io);
    }

    // Waits until the file holds text, for at most ten seconds.
    bool WaitFor(const std::filesystem::path& file, std::string_view text)
    {
        for (int i = 0; i < 1000; ++i) {
            if (ReadFile(file).find(text) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // The content of a locked page, decrypted with the digest text of password.
    std::string Unlocked(const std::string& path, std::string_view password)
    {
        std::string content;
        for (const std::string& block : BlockList(ReadFile(path))) {
            content += Rc4::DecryptText(Md5::DigestText(password), block);
        }
        return content;
    }

    std::string Between(const std::string& text, std::string_view open, std::string_view close)
    {
        const std::size_t start = text.find(open);
        if (start == std::string::npos) {
            return {};
        }
        const std::size_t end = text.find(close, start + open.size());
        return text.substr(start + open.size(), end - start - open.size());
    }

    bool Contains(const std::string& text, std::string_view part)
    {
        return text.find(part) != std::string::npos;
    }

    class Cli : public testing::Test
    {
    protected:
        std::string Page(std::string_view name, std::string_view content = "<p>hello</p>")
        {
            const std::string path = folder.File(name);
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            WriteFile(path, content);
            return path;
        }
        std::string PasswordFile(std::string_view bytes)
        {
            const std::string path = folder.File("password.txt");
            WriteFile(path, bytes);
            return path;
        }

        TempFolder folder;
    };

    TEST_F(Cli, LocksWithThePasswordFilesFirstLineAndPrintsPathAndSize)
    {
        const std::string page = Page("index.html");
        const Result r = RunLock({"--password-file", PasswordFile("secret1\r\nsecond line\r\n"), page});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out,
                  page + " " + std::to_string(std::filesystem::file_size(page)) + "\n1 file(s) have been encrypted.\n");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(Unlocked(page, "secret1"), "<p>hello</p>");
    }

    TEST_F(Cli, PasswordFromStandardInputIsTrimmed)
    {
        const std::string page = Page("index.html");
        const Result r = RunLock({"--password-file=-", page}, "  pvkmsto \t\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(Unlocked(page, "pvkmsto"), "<p>hello</p>");
    }

    TEST_F(Cli, PasswordWithoutTheOptionIsReadFromStandardInput)
    {
        const std::string page = Page("index.html");
        const Result r = RunLock({page}, "pvkmsto\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(Unlocked(page, "pvkmsto"), "<p>hello</p>");
    }

    TEST_F(Cli, Latin1PasswordBecomesOneByteACharacter)
    {
        const std::string page = Page("index.html");
        const Result r = RunLock({"--password-file",
                                  PasswordFile("Gr\xc3\xbc\xc3\x9f"
                                               "e-2026\n"),
                                  page});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        // The digest of the bytes 47 72 fc df 65 2d 32 30 32 36 has the check value 49.
        EXPECT_EQ(Between(ReadFile(page), "MMMCC='", "'"), "49");
        EXPECT_EQ(Unlocked(page,
                           "Gr\xfc\xdf"
                           "e-2026"),
                  "<p>hello</p>");
    }

    // Latin-1 bytes read as UTF-8 would become other characters: the pages would be locked with a password that
    // nobody typed.
    TEST_F(Cli, TextThatIsNotUtf8IsRefused)
    {
        const std::string page = Page("index.html");
        const Result password = RunLock({"--password-file",
                                         PasswordFile("Gr\xfc\xdf"
                                                      "e-2026\n"),
                                         page});
        EXPECT_EQ(password.exitCode, 1);
        EXPECT_TRUE(Contains(password.err, "not UTF-8")) << password.err;

        const std::string users = folder.File("users.ust");
        WriteFile(users, "J\xfcrgen\tpassword\r\n");
        const Result withUsers = RunLock({"--users", users, "--password-file", "-", page}, "MasterPw1\n");
        EXPECT_EQ(withUsers.exitCode, 1);
        EXPECT_TRUE(Contains(withUsers.err, users + " is not UTF-8")) << withUsers.err;
        EXPECT_EQ(ReadFile(page), "<p>hello</p>");
    }

    TEST_F(Cli, ByteOrderMarkIsNoPartOfThePasswordOrTheFirstUser)
    {
        const std::string page = Page("index.html");
        const Result single = RunLock({"--password-file", PasswordFile("\xEF\xBB\xBFsecret1\r\n"), page});
        EXPECT_EQ(single.exitCode, 0) << single.err;
        EXPECT_EQ(Unlocked(page, "secret1"), "<p>hello</p>");

        WriteFile(page, "<p>hello</p>");
        const std::string users = folder.File("users.ust");
        WriteFile(users,
                  "\xEF\xBB\xBF"
                  "alice\tpw\r\n");
        const Result withUsers = RunLock({"--users", users, "--password-file", "-", page}, "MasterPw1\n");
        EXPECT_EQ(withUsers.exitCode, 0) << withUsers.err;
        EXPECT_TRUE(Between(ReadFile(page), "UMP333='", "'").starts_with(Md5::DigestText("alice")));
    }

    TEST_F(Cli, PasswordLengthIsCheckedAfterTrimming)
    {
        const std::string page = Page("index.html");
        // The bounds' cases are in the engine's test; these show the command trims, and counts characters.
        const std::pair<std::string, int> cases[] = {
            {"  short  \n", 1},
            {"", 1},
            {"\xc3\xbc\xc3\xbc\xc3\xbc\xc3\xbc\xc3\xbc\xc3\xbc\n", 0}, // six characters in twelve bytes
        };
        for (const auto& [password, exitCode] : cases) {
            WriteFile(page, "<p>hello</p>");
            const Result r = RunLock({"--password-file", "-", page}, password);
            EXPECT_EQ(r.exitCode, exitCode) << password;
            if (exitCode != 0) {
                EXPECT_EQ(r.err, "Password should consist of 6--25 characters.\n");
                EXPECT_EQ(ReadFile(page), "<p>hello</p>");
            }
        }
    }

    TEST_F(Cli, MissingFileMeansExitOneAndTheOthersAreStillLocked)
    {
        const std::string page = Page("a.html");
        const std::string missing = folder.File("missing.html");
        const Result r = RunLock({"--password-file", "-", missing, page}, "secret1\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "quillgate-lock: " + missing + ": no such file\n");
        EXPECT_TRUE(Contains(r.out, "1 file(s) have been encrypted.\n"));
        EXPECT_EQ(Unlocked(page, "secret1"), "<p>hello</p>");
    }

    // A pseudo-terminal as standard input: what the program echoes comes back on the master side.
    class Terminal
    {
    public:
        Terminal()
        {
            m_master = posix_openpt(O_RDWR | O_NOCTTY);
            EXPECT_GE(m_master, 0);
            EXPECT_EQ(grantpt(m_master), 0);
            EXPECT_EQ(unlockpt(m_master), 0);
            m_slavePath = ptsname(m_master);
            fcntl(m_master, F_SETFL, O_NONBLOCK);
        }
        ~Terminal()
        {
            close(m_master);
        }
        Terminal(const Terminal&) = delete;
        Terminal& operator=(const Terminal&) = delete;

        const std::string& SlavePath() const
        {
            return m_slavePath;
        }
        void Type(std::string_view text) const
        {
            EXPECT_EQ(write(m_master, text.data(), text.size()), static_cast<ssize_t>(text.size()));
        }
        std::string Echoed() const
        {
            std::string all;
            char buffer[4096];
            for (ssize_t n; (n = read(m_master, buffer, sizeof buffer)) > 0;) {
                all.append(buffer, std::size_t(n));
            }
            return all;
        }
        bool EchoIsOn() const
        {
            const int slave = open(m_slavePath.c_str(), O_RDWR | O_NOCTTY);
            termios settings{};
            tcgetattr(slave, &settings);
            close(slave);
            return (settings.c_lflag & ECHO) != 0;
        }

    private:
        int m_master = -1;
        std::string m_slavePath;
    };

    TEST_F(Cli, TypedPasswordIsAskedTwiceWithoutEcho)
    {
        const std::string page = Page("index.html");
        for (const bool same : {true, false}) {
            WriteFile(page, "<p>hello</p>");
            const Terminal terminal;
            ASSERT_TRUE(terminal.EchoIsOn());
            TempFolder io;
            const pid_t pid = Start({"--relock", "no", page}, terminal.SlavePath(), io);
            ASSERT_TRUE(WaitFor(io.Path() / "err", "Password: "));
            terminal.Type("pvkmsto\n");
            ASSERT_TRUE(WaitFor(io.Path() / "err", "Repeat it: "));
            terminal.Type(same ? "pvkmsto\n" : "pvkmstx\n");
            const Result r = Finish(pid, io);

            EXPECT_EQ(terminal.Echoed().find("pvkmst"), std::string::npos);
            EXPECT_TRUE(terminal.EchoIsOn());
            if (same) {
                EXPECT_EQ(r.exitCode, 0) << r.err;
                EXPECT_EQ(Unlocked(page, "pvkmsto"), "<p>hello</p>");
            } else {
                EXPECT_EQ(r.exitCode, 1);
                EXPECT_TRUE(Contains(r.err, "the two passwords differ")) << r.err;
                EXPECT_EQ(ReadFile(page), "<p>hello</p>");
            }
        }
    }

    // Any signal that ends the program at the password prompt must leave the terminal echoing again.
    TEST_F(Cli, SignalAtThePasswordPromptRestoresTheEcho)
    {
        const std::string page = Page("index.html");
        for (const int signalNumber : {SIGINT, SIGTERM, SIGQUIT, SIGHUP}) {
            const Terminal terminal;
            TempFolder io;
            const pid_t pid = Start({page}, terminal.SlavePath(), io);
            ASSERT_TRUE(WaitFor(io.Path() / "err", "Password: "));
            ASSERT_FALSE(terminal.EchoIsOn());
            kill(pid, signalNumber);
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << strsignal(signalNumber);
            EXPECT_TRUE(terminal.EchoIsOn()) << strsignal(signalNumber);
            EXPECT_EQ(ReadFile(page), "<p>hello</p>");
        }
    }

    // SIGTERM while pages and their plain backups wait in a commit batch and two threads go on making more: every
    // temporary file goes, and each page is either the original or its whole locked page. The watch sends the
    // signal from inside the open of a temporary file well into the run, with that open held until it is sent.
    TEST_F(Cli, SignalDuringARunLeavesNoTemporaryFile)
    {
        constexpr int pageCount = 600;
        std::vector<std::string> pages;
        for (int i = 0; i < pageCount; ++i) {
            pages.push_back(Page("site/p" + std::to_string(i) + ".html"));
        }
        const std::string password = PasswordFile("secret1\n");
        TempFolder io;
        std::atomic<pid_t> child{0};
        std::atomic<int> temporaries{0};
        const OpenWatch watch(folder.Path() / "site", [&](const OpenWatch::Open& open) {
            if (open.name.starts_with(".quillgate-") && ++temporaries == pageCount) {
                while (child == 0) {
                    std::this_thread::yield();
                }
                kill(child, SIGTERM);
            }
        });
        if (!watch.IsWatching()) {
            GTEST_SKIP() << "needs root for a fanotify watch";
        }
        const pid_t pid = Start(
            {"--password-file", password, "--backup", "--jobs", "2", "--quiet", folder.File("site")}, "/dev/null", io);
        child = pid;
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
        std::size_t left = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path() / "site")) {
            const std::string name = entry.path().filename().string();
            left += name.starts_with(".quillgate-") ? 1 : 0;
            if (name.ends_with(".html")) {
                const std::string bytes = ReadFile(entry.path());
                EXPECT_TRUE(bytes.starts_with("<p>hello</p>") || Unlocked(entry.path(), "secret1") == "<p>hello</p>")
                    << name;
            }
        }
        EXPECT_EQ(left, 0U);
    }

    // Stopped at the password prompt (Ctrl-Z), the command gives the shell its terminal back echoing; continued,
    // it turns the echo off again and reads on.
    TEST_F(Cli, StopAtThePasswordPromptEchoesUntilTheCommandGoesOn)
    {
        const std::string page = Page("index.html");
        const Terminal terminal;
        TempFolder io;
        const pid_t pid = Start({"--relock", "no", page}, io, {.input = terminal.SlavePath(), .ownProcessGroup = true});
        ASSERT_TRUE(WaitFor(io.Path() / "err", "Password: "));
        ASSERT_FALSE(terminal.EchoIsOn());
        kill(pid, SIGTSTP);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, WUNTRACED), pid);
        ASSERT_TRUE(WIFSTOPPED(status));
        EXPECT_TRUE(terminal.EchoIsOn());
        kill(pid, SIGCONT);
        for (int i = 0; i < 1000 && terminal.EchoIsOn(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_FALSE(terminal.EchoIsOn());
        terminal.Type("pvkmsto\n");
        ASSERT_TRUE(WaitFor(io.Path() / "err", "Repeat it: "));
        terminal.Type("pvkmsto\n");
        const Result r = Finish(pid, io);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(terminal.Echoed().find("pvkmst"), std::string::npos);
        EXPECT_TRUE(terminal.EchoIsOn());
        EXPECT_EQ(Unlocked(page, "pvkmsto"), "<p>hello</p>");
    }

    // Input without end (a device, or a stream without line ends) is refused after what a password or a user list
    // can need, instead of being read until the memory runs out.
    TEST_F(Cli, PasswordAndUsersAreReadOnlyAsFarAsTheyCanReach)
    {
        const std::string page = Page("index.html");
        const struct
        {
            std::vector<std::string> arguments;
            std::string input;
            std::string message;
        } cases[] = {
            {{"--password-file", "/dev/zero", page}, "", "/dev/zero: the first line is longer than 4096 bytes"},
            {{"--password-file", "-", page}, "/dev/zero", "the password line is longer than 4096 bytes"},
            {{"--users", "/dev/urandom", "--password-file", "-", page}, "", "/dev/urandom is larger than 16 MB"},
            {{"--password-file", PasswordFile("x" + std::string(5000, 'y') + "\n"), page},
             "",
             "the first line is longer than 4096 bytes"},
        };
        for (const auto& [arguments, input, message] : cases) {
            TempFolder io;
            WriteFile(io.Path() / "in", "secret1\n");
            const Result r = Finish(Start(arguments, io, {input.empty() ? (io.Path() / "in").string() : input}), io);
            EXPECT_EQ(r.exitCode, 1) << message;
            EXPECT_TRUE(Contains(r.err, message)) << r.err;
            EXPECT_EQ(ReadFile(page), "<p>hello</p>");
        }

        // Only the first line of a password file counts, however much follows it.
        const Result r = RunLock({"--password-file", PasswordFile("secret1\n" + std::string(1 << 20, 'x')), page});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(Unlocked(page, "secret1"), "<p>hello</p>");
    }

    // A script reads the locked files from standard output; when it cannot be written the run is no success.
    TEST_F(Cli, StandardOutputThatCannotBeWrittenMeansExitOne)
    {
        const std::string page = Page("index.html");
        const Result locked = RunLock({"--password-file", "-", page}, "secret1\n", {.output = "/dev/full"});
        EXPECT_EQ(locked.exitCode, 1);
        EXPECT_EQ(locked.err, "quillgate-lock: cannot write to standard output: No space left on device\n");
        EXPECT_EQ(Unlocked(page, "secret1"), "<p>hello</p>");

        const Result help = RunLock({"--help"}, "", {.output = "/dev/full"});
        EXPECT_EQ(help.exitCode, 1);
    }

    // A line break in a file name would split its line of output into two that look like other files.
    TEST_F(Cli, NamesWithControlCharactersAreShownQuoted)
    {
        const std::string page = Page("new\nline's.html");
        const std::string missing = folder.File("gone\x01\\.html");
        const Result r = RunLock({"--password-file", "-", page, missing}, "secret1\n");
        EXPECT_EQ(r.exitCode, 1);
        const std::string shown = "$'" + folder.File("new\\nline\\'s.html") + "'";
        EXPECT_EQ(r.out,
                  shown + " " + std::to_string(std::filesystem::file_size(page))
                      + "\n1 file(s) have been encrypted.\n");
        EXPECT_EQ(r.err, "quillgate-lock: $'" + folder.File("gone\\x01\\\\.html") + "': no such file\n");
    }

    TEST_F(Cli, UsageErrorsExitWithTwoAndLockNothing)
    {
        const std::string page = Page("a.html");
        const std::vector<std::string> cases[] = {
            {},
            {"--password-file", "-"},
            {"--nonsense", page},
            {"--protection", "forever", page},
            {"--color", "green", page},
            {"--relock", "maybe", page},
            {"--format", "aes", page},
            {"--backup=yes", page},
            {page, "--password-file"},
            {"--jobs", "0", page},
            {"--jobs", "two", page},
            {"--jobs=1025", page},
            {"--jobs", "-1", page},
            {"--backup", "--output", folder.File("out"), page},
        };
        for (const std::vector<std::string>& arguments : cases) {
            const Result r = RunLock(arguments, "secret1\n");
            EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(arguments);
            EXPECT_TRUE(r.err.starts_with("quillgate-lock: ")) << r.err;
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(ReadFile(page), "<p>hello</p>");
        }
    }

    // A command line that is right but whose files cannot be read, or whose output folder cannot be made, is no usage
    // error: the run fails.
    TEST_F(Cli, InputThatCannotBeReadAndAnOutputFolderThatCannotBeMadeAreFailures)
    {
        const std::string page = Page("a.html");
        WriteFile(folder.File("file"), "not a folder");
        const std::vector<std::string> cases[] = {
            {"--users", folder.File("no-such-users.ust"), "--password-file", "-", page},
            {"--password-file", folder.File("no-such-password.txt"), page},
            {"--password-file", "-", "--output", folder.File("file/out"), page},
        };
        for (const std::vector<std::string>& arguments : cases) {
            const Result r = RunLock(arguments, "secret1\n");
            EXPECT_EQ(r.exitCode, 1) << testing::PrintToString(arguments);
            EXPECT_TRUE(Contains(r.err, "nothing was locked")) << r.err;
            EXPECT_EQ(r.out, "");
            EXPECT_EQ(ReadFile(page), "<p>hello</p>");
        }
    }

    TEST_F(Cli, HelpAndVersionGoToStandardOutput)
    {
        const Result help = RunLock({"--help"});
        EXPECT_EQ(help.exitCode, 0);
        EXPECT_TRUE(help.out.starts_with("Usage: quillgate-lock [options] PATH..."));
        EXPECT_TRUE(Contains(help.out, "--relock R"));
        EXPECT_TRUE(Contains(help.out, "--format F            classic | strong"));
        const Result version = RunLock({"--version"});
        EXPECT_EQ(version.exitCode, 0);
        EXPECT_TRUE(version.out.starts_with("quillgate-lock "));
    }

    TEST_F(Cli, UsersFileGivesAUserPasswordPage)
    {
        const std::string page = Page("index.html");
        const std::string users = folder.File("users.ust");
        WriteFile(users,
                  "alice\twonder land\r\n"
                  "no tab here\r\n"
                  "\tstarts with a tab\r\n"
                  "\r\n"
                  "bob\tbuilder\n"
                  "carol\t"
                  "\rlong"
                      + std::string(300, 'x') + "\tpw");
        const Result r = RunLock({"--users", users, "--password-file", "-", page}, "MasterPw1\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const std::string expected = Md5::DigestText("alice") + Rc4::EncryptText("alicewonder land", "MasterPw1")
            + Md5::DigestText("wonder land") + Md5::DigestText("bob") + Rc4::EncryptText("bobbuilder", "MasterPw1")
            + Md5::DigestText("builder");
        const std::string locked = ReadFile(page);
        EXPECT_EQ(Between(locked, "UMP333='", "'"), expected);
        EXPECT_TRUE(Contains(locked, "name=\"qvusr\""));
        EXPECT_EQ(Unlocked(page, "MasterPw1"), "<p>hello</p>");
        // The page takes no empty password, so carol could never log in either.
        EXPECT_TRUE(Contains(r.err, "user carol left out")) << r.err;
        EXPECT_TRUE(Contains(r.err, "user long" + std::string(300, 'x') + " left out")) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 2);
    }

    TEST_F(Cli, UsersFileWithoutUsersIsRefused)
    {
        const std::string page = Page("index.html");
        const std::string users = folder.File("users.ust");
        WriteFile(users, "no tab\r\n\tnor this\r\n");
        const Result r = RunLock({"--users", users, "--password-file", "-", page}, "MasterPw1\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Contains(r.err, "holds no user")) << r.err;
        EXPECT_EQ(ReadFile(page), "<p>hello</p>");
    }

    // Users the page cannot let in would give a page that no one can ever open.
    TEST_F(Cli, UsersFileWithoutAUserWhoCanLogInIsRefused)
    {
        const std::string page = Page("index.html");
        const std::string users = folder.File("users.ust");
        WriteFile(users, std::string(300, 'u') + "\tpassword\r\nempty\t\r\n");
        const Result r = RunLock({"--users", users, "--password-file", "-", page}, "MasterPw1\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Contains(r.err, "holds no user")) << r.err;
        EXPECT_EQ(ReadFile(page), "<p>hello</p>");
    }

    // U+4E09 becomes the byte 09, a TAB, which would split the entry inside the name.
    TEST_F(Cli, UserWhoseNameThePageReadsWithATabIsLeftOut)
    {
        const std::string page = Page("index.html");
        const std::string users = folder.File("users.ust");
        WriteFile(users,
                  "\xe5\xbc\xa0\xe4\xb8\x89\tpassword\r\n"
                  "alice\tpw\r\n");
        const Result r = RunLock({"--users", users, "--password-file", "-", page}, "MasterPw1\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(Contains(r.err, "user \xe5\xbc\xa0\xe4\xb8\x89 left out")) << r.err;
        EXPECT_EQ(Between(ReadFile(page), "UMP333='", "'"),
                  Md5::DigestText("alice") + Rc4::EncryptText("alicepw", "MasterPw1") + Md5::DigestText("pw"));
    }

    TEST_F(Cli, FolderAddsItsHtmlFilesAndRecursiveAddsSubfolders)
    {
        Page("site/a.html");
        Page("site/b.HTM");
        Page("site/.hidden.html");
        Page("site/.html");
        Page("site/c.txt");
        Page("site/d.html.bak");
        Page("site/sub/e.html");
        Page("outside/f.html");
        std::filesystem::create_directory_symlink(folder.Path() / "outside", folder.Path() / "site/linked");
        const std::string site = folder.File("site");

        const Result flat = RunLock({"--password-file", "-", "--quiet", site}, "secret1\n");
        EXPECT_EQ(flat.exitCode, 0) << flat.err;
        EXPECT_EQ(flat.out, "4 file(s) have been encrypted.\n");
        for (const char* name : {"site/a.html", "site/b.HTM", "site/.hidden.html", "site/.html"}) {
            EXPECT_TRUE(Encrypthtml::IsLockedPage(ReadFile(folder.File(name)))) << name;
        }
        for (const char* name : {"site/c.txt", "site/d.html.bak", "site/sub/e.html", "outside/f.html"}) {
            EXPECT_EQ(ReadFile(folder.File(name)), "<p>hello</p>") << name;
        }

        const Result deep = RunLock({"--password-file", "-", "--recursive", "--relock", "no", site}, "secret1\n");
        EXPECT_EQ(deep.exitCode, 1);
        EXPECT_TRUE(Contains(deep.out, folder.File("site/sub/e.html") + " "));
        EXPECT_TRUE(Contains(deep.out, "1 file(s) have been encrypted.\n"));
        EXPECT_EQ(ReadFile(folder.File("outside/f.html")), "<p>hello</p>");
        EXPECT_EQ(std::count(deep.err.begin(), deep.err.end(), '\n'), 4) << deep.err;
    }

    // A link inside a named folder may lead out of it; only a link named on the command line is followed.
    TEST_F(Cli, LinkInAFolderIsNotFollowedAndANamedLinkLocksItsTarget)
    {
        Page("site/a.html");
        const std::string outside = Page("out/c.txt");
        const std::string link = folder.File("site/e.html");
        std::filesystem::create_symlink("../out/c.txt", link);
        for (const char* recursive : {"--quiet", "--recursive"}) {
            const Result r =
                RunLock({"--password-file", "-", "--relock", "yes", recursive, folder.File("site")}, "secret1\n");
            EXPECT_EQ(r.exitCode, 0) << r.err;
            EXPECT_TRUE(Contains(r.out, "1 file(s) have been encrypted.\n")) << r.out;
            EXPECT_EQ(ReadFile(outside), "<p>hello</p>") << recursive;
        }

        const Result named = RunLock({"--password-file", "-", link}, "secret1\n");
        EXPECT_EQ(named.exitCode, 0) << named.err;
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        EXPECT_EQ(Unlocked(outside, "secret1"), "<p>hello</p>");
    }

    TEST_F(Cli, UnreadableSubfolderIsNamedAndTheRestIsLocked)
    {
        const std::string first = Page("site/a.html");
        const std::string closed = Page("site/b/hidden.html");
        const std::string sibling = Page("site/c/c.html");
        std::filesystem::permissions(folder.Path() / "site/b", std::filesystem::perms::none);
        const Result r = RunLock({"--password-file", "-", "--recursive", "--quiet", folder.File("site")},
                                 "secret1\n",
                                 {.withoutFileOverride = true});
        std::filesystem::permissions(folder.Path() / "site/b", std::filesystem::perms::owner_all);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "quillgate-lock: cannot read folder " + folder.File("site/b") + ": Permission denied\n");
        EXPECT_EQ(r.out, "2 file(s) have been encrypted.\n");
        EXPECT_EQ(Unlocked(first, "secret1"), "<p>hello</p>");
        EXPECT_EQ(Unlocked(sibling, "secret1"), "<p>hello</p>");
        EXPECT_EQ(ReadFile(closed), "<p>hello</p>");
    }

    TEST_F(Cli, RelockNoSkipsAndRelockYesLocksAgain)
    {
        const std::string page = Page("index.html");
        ASSERT_EQ(RunLock({"--password-file", "-", page}, "secret1\n").exitCode, 0);
        const std::string lockedOnce = ReadFile(page);

        for (const std::vector<std::string>& arguments :
             {std::vector<std::string>{"--relock", "no", page}, std::vector<std::string>{page}}) {
            std::vector<std::string> all = {"--password-file", "-"};
            all.insert(all.end(), arguments.begin(), arguments.end());
            const Result no = RunLock(all, "secret1\n");
            EXPECT_EQ(no.exitCode, 1);
            EXPECT_EQ(no.err, "quillgate-lock: " + page + ": already locked, skipped\n");
            EXPECT_EQ(no.out, "0 file(s) have been encrypted.\n");
            EXPECT_EQ(ReadFile(page), lockedOnce);
        }

        const Result yes = RunLock({"--password-file", "-", "--relock", "yes", page}, "secret1\n");
        EXPECT_EQ(yes.exitCode, 0) << yes.err;
        EXPECT_EQ(Unlocked(page, "secret1"), lockedOnce);
    }

    TEST_F(Cli, RelockAskReadsTheAnswersFromStandardInput)
    {
        const std::string a = Page("a.html");
        const std::string b = Page("b.html");
        const std::string c = Page("c.html");
        ASSERT_EQ(RunLock({"--password-file", "-", a, b, c}, "secret1\n").exitCode, 0);
        // a: an unknown reply is asked again, then No; b: Yes to All, so c is not asked.
        const Result r = RunLock({"--password-file", "-", "--relock", "ask", a, b, c}, "secret1\nwhat\nn\na\n");
        EXPECT_EQ(r.exitCode, 1);
        const std::string question = " has been locked before, do you want to lock it again? ";
        EXPECT_TRUE(Contains(r.err, "The html file " + a + question));
        EXPECT_TRUE(Contains(r.err, "The html file " + b + question));
        EXPECT_FALSE(Contains(r.err, "The html file " + c));
        EXPECT_TRUE(Contains(r.err, a + ": already locked, skipped"));
        EXPECT_TRUE(Contains(r.out, "2 file(s) have been encrypted.\n"));
    }

    // However many threads lock, the report comes in the order of the file list and the count is exact.
    TEST_F(Cli, ParallelRunReportsInListOrder)
    {
        std::vector<std::string> pages;
        for (int i = 0; i < 40; ++i) {
            pages.push_back(Page("site/p" + std::to_string(100 + i) + ".html", std::string(std::size_t(i) * 997, 'x')));
        }
        ASSERT_EQ(RunLock({"--password-file", "-", pages[3], pages[17], pages[38]}, "secret1\n").exitCode, 0);
        const std::vector<std::string> arguments = {"--password-file", "-", "--relock", "no", folder.File("site")};

        const auto run = [&](const char* jobs) {
            for (std::size_t i = 0; i < pages.size(); ++i) {
                if (i != 3 && i != 17 && i != 38) {
                    WriteFile(pages[i], std::string(i * 997, 'x'));
                }
            }
            std::vector<std::string> all = {"--jobs", jobs};
            all.insert(all.end(), arguments.begin(), arguments.end());
            return RunLock(all, "secret1\n");
        };
        const Result one = run("1");
        const Result many = run("7");
        EXPECT_EQ(one.exitCode, 1);
        EXPECT_EQ(many.exitCode, 1);
        EXPECT_TRUE(one.out.ends_with("\n37 file(s) have been encrypted.\n")) << one.out;
        EXPECT_EQ(many.out, one.out);
        EXPECT_EQ(many.err, one.err);
        EXPECT_EQ(one.err,
                  "quillgate-lock: " + pages[3] + ": already locked, skipped\nquillgate-lock: " + pages[17]
                      + ": already locked, skipped\nquillgate-lock: " + pages[38] + ": already locked, skipped\n");
    }

    // Answers read from a pipe go to the files in list order, one question at a time, also on several threads.
    TEST_F(Cli, ParallelRunAsksInListOrder)
    {
        std::vector<std::string> pages;
        std::string answers = "secret1\n";
        for (int i = 0; i < 12; ++i) {
            pages.push_back(Page("site/p" + std::to_string(10 + i) + ".html"));
            answers += i % 3 == 0 ? "y\n" : "n\n";
        }
        ASSERT_EQ(RunLock({"--password-file", "-", folder.File("site")}, "secret1\n").exitCode, 0);
        const std::string lockedOnce = ReadFile(pages[0]);

        const Result r = RunLock({"--jobs", "4", "--relock", "ask", folder.File("site")}, answers);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.out.ends_with("\n4 file(s) have been encrypted.\n")) << r.out;
        std::size_t at = 0;
        for (std::size_t i = 0; i < pages.size(); ++i) {
            at = r.err.find("The html file " + pages[i] + " ", at);
            EXPECT_NE(at, std::string::npos) << pages[i] << " asked out of order:\n" << r.err;
            EXPECT_EQ(Unlocked(pages[i], "secret1") == lockedOnce, i % 3 == 0) << pages[i];
        }
    }

    // On a terminal each question waits for its answer before the next one is shown, however many threads lock.
    TEST_F(Cli, RelockQuestionsOnATerminalComeOneAtATime)
    {
        std::vector<std::string> pages;
        for (int i = 0; i < 6; ++i) {
            pages.push_back(Page("site/p" + std::to_string(i) + ".html"));
        }
        const std::string password = PasswordFile("secret1\n");
        ASSERT_EQ(RunLock({"--password-file", password, folder.File("site")}).exitCode, 0);
        const std::string lockedOnce = ReadFile(pages[0]);

        const Terminal terminal;
        TempFolder io;
        const pid_t pid =
            Start({"--password-file", password, "--jobs", "4", folder.File("site")}, terminal.SlavePath(), io);
        const char* answers[] = {"n\n", "y\n", "a\n"};
        for (std::size_t i = 0; i < std::size(answers); ++i) {
            ASSERT_TRUE(WaitFor(io.Path() / "err", "The html file " + pages[i] + " "));
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const std::string asked = ReadFile(io.Path() / "err");
            EXPECT_EQ(std::count(asked.begin(), asked.end(), '?'), std::ptrdiff_t(i + 1)) << asked;
            terminal.Type(answers[i]);
        }
        const Result r = Finish(pid, io);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '?'), 3) << r.err;
        EXPECT_EQ(ReadFile(pages[0]), lockedOnce);
        for (std::size_t i = 1; i < pages.size(); ++i) {
            EXPECT_EQ(Unlocked(pages[i], "secret1"), lockedOnce) << pages[i];
        }
    }

    // While the run waits for an answer, a page it found beside the one asked about gives way to a link to a file
    // outside the tree: that file stays as it was, and the page is named, not locked.
    TEST_F(Cli, APageSwappedForALinkWhileTheRunWaitsIsLeftAloneAndNamed)
    {
        const std::string asked = Page("site/a.html");
        const std::string swapped = Page("site/b.html");
        const std::string outside = Page("outside/important.conf", "secret = 42\n");
        const std::string password = PasswordFile("secret1\n");
        ASSERT_EQ(RunLock({"--password-file", password, asked}).exitCode, 0);
        const LockFixture::FileState before = LockFixture::StateOf(outside);

        const Terminal terminal;
        TempFolder io;
        const pid_t pid =
            Start({"--password-file", password, "--jobs", "1", folder.File("site")}, terminal.SlavePath(), io);
        ASSERT_TRUE(WaitFor(io.Path() / "err", "The html file " + asked + " "));
        std::filesystem::remove(swapped);
        std::filesystem::create_symlink(outside, swapped);
        terminal.Type("n\n");
        const Result r = Finish(pid, io);
        EXPECT_EQ(LockFixture::StateOf(outside), before);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Contains(r.err, swapped + ": not locked, it changed after it was found")) << r.err;
        EXPECT_EQ(r.out, "0 file(s) have been encrypted.\n");
    }

    // A question comes after the lines of the files locked before it, though their pages would wait in the batch
    // for many more, and however many threads lock.
    TEST_F(Cli, RelockQuestionFollowsTheLinesOfTheFilesBeforeIt)
    {
        std::vector<std::string> pages;
        for (int i = 0; i < 6; ++i) {
            pages.push_back(Page("site/p" + std::to_string(i) + ".html"));
        }
        const std::string password = PasswordFile("secret1\n");
        ASSERT_EQ(RunLock({"--password-file", password, pages[3]}).exitCode, 0);

        for (const char* jobs : {"1", "4"}) {
            WriteFile(pages[3], ReadFile(pages[3]));
            for (const std::size_t i : {0, 1, 2, 4, 5}) {
                WriteFile(pages[i], "<p>hello</p>");
            }
            const Terminal terminal;
            TempFolder io;
            const pid_t pid =
                Start({"--password-file", password, "--jobs", jobs, folder.File("site")}, terminal.SlavePath(), io);
            ASSERT_TRUE(WaitFor(io.Path() / "err", "The html file " + pages[3] + " "));
            const std::string shown = ReadFile(io.Path() / "out");
            for (std::size_t i = 0; i < 3; ++i) {
                EXPECT_TRUE(Contains(shown, pages[i] + " ")) << jobs << " jobs, before the question:\n" << shown;
            }
            terminal.Type("n\n");
            const Result r = Finish(pid, io);
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_TRUE(r.out.ends_with("\n5 file(s) have been encrypted.\n")) << r.out;
        }
    }

    // The output folder gets the whole site: pages locked, every other file copied; the sources stay as they are.
    // Each output folder ends with its source folder's mode, so a private folder's pages stay private in DIR, and so
    // does DIR made for one named folder.
    TEST_F(Cli, OutputFoldersTakeTheirSourceFoldersModes)
    {
        namespace fs = std::filesystem;
        Page("site/index.html");
        Page("site/private/p.html");
        Page("site/shared/deeper/q.html");
        const std::pair<const char*, fs::perms> modes[] = {
            {"site", fs::perms(0751)},
            {"site/private", fs::perms(0700)},
            {"site/shared", fs::perms(0755)},
            {"site/shared/deeper", fs::perms(0750)},
        };
        for (const auto& [name, mode] : modes) {
            fs::permissions(folder.File(name), mode);
        }
        const Result r = RunLock(
            {"--password-file", "-", "--recursive", "--output", folder.File("out"), folder.File("site")}, "secret1\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        for (const auto& [name, mode] : modes) {
            const std::string copy = "out" + std::string(name).substr(4);
            EXPECT_EQ(fs::status(folder.File(copy)).permissions(), mode) << copy;
        }
        EXPECT_EQ(fs::status(folder.File("out/private/p.html")).permissions(), fs::perms(0644));
    }

    // More jobs than the open-file limit allows are fitted to it: every page is locked.
    TEST_F(Cli, JobsAreFittedToTheOpenFileLimit)
    {
        for (int i = 0; i < 2000; ++i) {
            Page("site/d" + std::to_string(i % 30) + "/p" + std::to_string(i) + ".html");
        }
        Launch launch;
        launch.openFiles = 128;
        const Result r =
            RunLock({"--password-file", "-", "--recursive", "--jobs", "1024", "--quiet", folder.File("site")},
                    "secret1\n",
                    launch);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, "2000 file(s) have been encrypted.\n");
        EXPECT_EQ(r.err, "");
    }

    TEST_F(Cli, OutputFolderGetsTheLockedSiteAndTheSourcesStay)
    {
        const std::string index = Page("site/index.html", "<p>index</p>");
        const std::string style = Page("site/style.css", "body{}");
        const std::string logo = Page("site/img/logo.png", std::string("\x89PNG\0\xff", 7));
        const std::string deep = Page("site/sub/page.htm", "<p>deep</p>");
        const std::string before = Page("site/before.html");
        const std::string single = Page("single.html", "<p>single</p>");
        Page("outside.txt", "secret");
        std::filesystem::create_symlink("../outside.txt", folder.Path() / "site/link.html");
        std::filesystem::permissions(style, std::filesystem::perms(0640));
        ASSERT_EQ(RunLock({"--password-file", "-", before}, "secret1\n").exitCode, 0);
        const std::string lockedBefore = ReadFile(before);
        const std::string out = folder.File("out");

        const Result r = RunLock(
            {"--password-file", "-", "--recursive", "--relock", "no", "--output", out, folder.File("site"), single},
            "secret1\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err,
                  "quillgate-lock: " + before
                      + ": already locked, copied unchanged\nquillgate-lock: " + folder.File("site/link.html")
                      + ": not copied: a symbolic link or special file is not followed\n");
        EXPECT_EQ(r.out,
                  out + "/index.html " + std::to_string(std::filesystem::file_size(out + "/index.html")) + "\n" + out
                      + "/sub/page.htm " + std::to_string(std::filesystem::file_size(out + "/sub/page.htm")) + "\n"
                      + out + "/single.html " + std::to_string(std::filesystem::file_size(out + "/single.html"))
                      + "\n3 file(s) have been encrypted.\n");
        EXPECT_EQ(Unlocked(out + "/index.html", "secret1"), "<p>index</p>");
        EXPECT_EQ(Unlocked(out + "/sub/page.htm", "secret1"), "<p>deep</p>");
        EXPECT_EQ(Unlocked(out + "/single.html", "secret1"), "<p>single</p>");
        EXPECT_EQ(ReadFile(out + "/style.css"), "body{}");
        EXPECT_EQ(std::filesystem::status(out + "/style.css").permissions(), std::filesystem::perms(0640));
        EXPECT_EQ(ReadFile(out + "/img/logo.png"), std::string("\x89PNG\0\xff", 7));
        EXPECT_EQ(ReadFile(out + "/before.html"), lockedBefore);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(out + "/link.html")));

        EXPECT_EQ(ReadFile(index), "<p>index</p>");
        EXPECT_EQ(ReadFile(style), "body{}");
        EXPECT_EQ(std::filesystem::status(style).permissions(), std::filesystem::perms(0640));
        EXPECT_EQ(ReadFile(deep), "<p>deep</p>");
        EXPECT_EQ(ReadFile(single), "<p>single</p>");
        EXPECT_EQ(ReadFile(before), lockedBefore);
        EXPECT_EQ(ReadFile(folder.File("outside.txt")), "secret");

        // Without --recursive only the folder's own files go.
        const std::string flat = folder.File("flat");
        const Result r2 =
            RunLock({"--password-file", "-", "--quiet", "--output", flat, folder.File("site/sub")}, "secret1\n");
        EXPECT_EQ(r2.exitCode, 0) << r2.err;
        EXPECT_EQ(Unlocked(flat + "/page.htm", "secret1"), "<p>deep</p>");
    }

    TEST_F(Cli, OutputFolderOverlappingTheSourcesIsRefused)
    {
        const std::string page = Page("site/index.html");
        Page("site/inner/x.html");
        const std::vector<std::string> cases[] = {
            {"--output", folder.File("site"), folder.File("site")},
            {"--output", folder.File("site/inner"), folder.File("site")},
            {"--output", folder.File("site/new"), folder.File("site/")},
            {"--output", folder.File("."), folder.File("site/inner")},
            {"--output", folder.File("site"), page},
        };
        for (const std::vector<std::string>& arguments : cases) {
            std::vector<std::string> all = {"--password-file", "-", "--recursive"};
            all.insert(all.end(), arguments.begin(), arguments.end());
            const Result r = RunLock(all, "secret1\n");
            EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(arguments);
            EXPECT_TRUE(Contains(r.err, "overlap")) << r.err;
            EXPECT_EQ(ReadFile(page), "<p>hello</p>");
            EXPECT_FALSE(std::filesystem::exists(folder.File("site/new")));
        }
    }

    // Nothing is written through a link inside the output folder, and no destination is written twice.
    TEST_F(Cli, OutputFolderIsWrittenOnlyBelowItselfAndOnce)
    {
        const std::string source = Page("site/sub/page.html");
        const std::string a = Page("a/index.html", "<p>a</p>");
        const std::string b = Page("b/index.html", "<p>b</p>");
        const std::string out = folder.File("out");
        std::filesystem::create_directories(out);
        std::filesystem::create_directory_symlink(folder.Path() / "site/sub", out + "/sub");

        const Result r =
            RunLock({"--password-file", "-", "--recursive", "--output", out, folder.File("site"), a, b}, "secret1\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Contains(r.err, source + ": not locked: " + out + "/sub is a symbolic link or no folder\n"))
            << r.err;
        EXPECT_TRUE(Contains(r.err, b + ": not written: " + out + "/index.html is written from " + a + "\n")) << r.err;
        EXPECT_EQ(ReadFile(source), "<p>hello</p>");
        EXPECT_EQ(Unlocked(out + "/index.html", "secret1"), "<p>a</p>");
        EXPECT_TRUE(Contains(r.out, "\n1 file(s) have been encrypted.\n")) << r.out;
    }

    TEST_F(Cli, BackupIsKeptAndAFailedBackupLocksNothing)
    {
        const std::string page = Page("index.html");
        const Result r = RunLock(
            {"--password-file", "-", "--backup", "--protection", "cookie", "--color", "blue", page}, "secret1\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(ReadFile(page + ".bak"), "<p>hello</p>");
        EXPECT_TRUE(Contains(ReadFile(page), "bgcolor=\"#0000FF\" text=\"#FFFF00\""));
        EXPECT_TRUE(Contains(ReadFile(page), ";expires='+ e963.toGMTString();"));

        const std::string other = Page("other.html");
        std::filesystem::create_directory(other + ".bak");
        const Result failed = RunLock({"--password-file", "-", "--backup", other}, "secret1\n");
        EXPECT_EQ(failed.exitCode, 1);
        EXPECT_TRUE(failed.err.starts_with("quillgate-lock: " + other + ": not locked, the backup cannot be made: "))
            << failed.err;
        EXPECT_EQ(ReadFile(other), "<p>hello</p>");
    }

    // Locked again with a backup, a page keeps the backup that holds it unlocked, the only plain copy, and says so.
    TEST_F(Cli, RelockingKeepsThePlainBackupAndSaysSo)
    {
        const std::string page = Page("index.html");
        ASSERT_EQ(RunLock({"--password-file", "-", "--backup", page}, "secret1\n").exitCode, 0);
        const std::string lockedOnce = ReadFile(page);
        const Result r = RunLock({"--password-file", "-", "--backup", "--relock", "yes", page}, "secret1\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(ReadFile(page + ".bak"), "<p>hello</p>");
        EXPECT_EQ(Unlocked(page, "secret1"), lockedOnce);
        EXPECT_EQ(r.err,
                  "quillgate-lock: " + page + ": its backup " + page
                      + ".bak holds the page unlocked and is kept as it is; the page was locked again without a new "
                        "backup\n");
    }

    TEST_F(Cli, UnreadableFileIsReported)
    {
        const Result r = RunLock({"--password-file", "-", "/proc/self/mem"}, "secret1\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.starts_with("quillgate-lock: /proc/self/mem: cannot be read: ")) << r.err;
    }

    TEST_F(Cli, ReadOnlyFileIsNotWritable)
    {
        const std::string readOnly = Page("kept.html");
        const std::string other = Page("other.html");
        std::filesystem::permissions(readOnly, std::filesystem::perms(0444));
        const Result r = RunLock({"--password-file", "-", readOnly, other}, "secret1\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Contains(r.err, readOnly + ": not locked, cannot be written: ")) << r.err;
        EXPECT_EQ(ReadFile(readOnly), "<p>hello</p>");
        EXPECT_TRUE(Contains(r.out, "1 file(s) have been encrypted.\n"));
    }

    TEST_F(Cli, SameFileNamedTwiceIsLockedOnce)
    {
        const std::string page = Page("index.html");
        const Result r = RunLock({"--password-file", "-", page, folder.File("./index.html")}, "secret1\n");
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(Contains(r.out, "1 file(s) have been encrypted.\n"));
    }

    // ---- --format strong -----------------------------------------------------------------------------------

    // Strong pages with few key derivation rounds, through the command's test-only variable.
    class StrongCli : public Cli
    {
    protected:
        void SetUp() override
        {
            setenv(s_roundsVariable, "1000", 1);
        }
        void TearDown() override
        {
            unsetenv(s_roundsVariable);
        }

        static constexpr const char* s_roundsVariable = "QUILLGATE_TEST_ONLY_STRONG_ITERATIONS";
    };

    // The header and the key table (fewer than 256 entries here): the same on every page of one run.
    std::string RunPrefix(const std::string& page)
    {
        const std::string sealed = StrongReader::SealedData(page);
        return sealed.substr(0, sealed.size() < 70 ? 0 : 70 + 60 * std::size_t(std::uint8_t(sealed[69])));
    }

    TEST_F(StrongCli, OneRunLocksEveryPageForEveryUserByTheirUtf8Text)
    {
        const std::string first = Page("site/index.html", "<p>first</p>");
        const std::string second = Page("site/sub/page.html", "<p>second</p>");
        const std::string users = folder.File("users.ust");
        // Zo\u00eb composed in the file; a login typed decomposed opens too. A user without a password is left out.
        WriteFile(users, "alice\twonderland\r\nZo\xc3\xab\tcr\xc3\xa8me\r\nnopass\t\r\n");
        const Result r = RunLock(
            {"--format", "strong", "--users", users, "--password-file", "-", "--recursive", folder.File("site")},
            "  MasterPw1\n");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(Contains(r.out, "2 file(s) have been encrypted.\n"));
        EXPECT_TRUE(Contains(r.err,
                             "QUILLGATE_TEST_ONLY_STRONG_ITERATIONS is set: strong pages get 1000 key derivation "
                             "rounds instead of 600000; for tests only\n"))
            << r.err;
        EXPECT_TRUE(Contains(r.err, "Preparing keys for 3 logins...\nKeys ready in ")) << r.err;
        const std::string pages[] = {ReadFile(first), ReadFile(second)};
        EXPECT_EQ(RunPrefix(pages[0]), RunPrefix(pages[1]));
        EXPECT_EQ(RunPrefix(pages[0]).size(), 70U + 3 * 60);
        const std::string contents[] = {"<p>first</p>", "<p>second</p>"};
        for (int i = 0; i < 2; ++i) {
            EXPECT_TRUE(pages[i].starts_with(Encrypthtml::LockedMarker));
            EXPECT_EQ(StrongReader::Open(pages[i], "alice", "wonderland").content, contents[i]);
            EXPECT_EQ(StrongReader::Open(pages[i], "Zoe\xcc\x88", "cre\xcc\x80me").content, contents[i]);
            EXPECT_EQ(StrongReader::Open(pages[i], "", "MasterPw1").content, contents[i]);
            EXPECT_EQ(StrongReader::Open(pages[i], "nopass", "").outcome, StrongReader::Outcome::WrongLogin);
            EXPECT_EQ(StrongReader::Open(pages[i], "alice", "MasterPw1").outcome, StrongReader::Outcome::WrongLogin);
        }
    }

    TEST_F(StrongCli, UsersTheRunCannotTellApartAreRefusedAndQuietShowsNoProgress)
    {
        const std::string page = Page("index.html");
        const std::string users = folder.File("users.ust");
        WriteFile(users, "ann\tfirst\r\nann\tsecond\r\n");
        const Result r =
            RunLock({"--format=strong", "--users", users, "--password-file", "-", "--quiet", page}, "MasterPw1\n");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(Contains(r.err,
                             "quillgate-lock: " + users
                                 + " gives the user name ann twice, and strong pages take each user name once; "
                                   "nothing was locked\n"))
            << r.err;
        EXPECT_FALSE(Contains(r.err, "Preparing keys")) << r.err;
        EXPECT_EQ(ReadFile(page), "<p>hello</p>");
    }

    TEST_F(Cli, StrongPagesOfTheRealCommandStoreTheFullIterationCount)
    {
        const std::string page = Page("index.html");
        const Result r = RunLock({"--format", "strong", "--password-file", "-", page}, "secret1\n");
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.err.starts_with("Preparing keys for 1 login...\nKeys ready in ")) << r.err;
        const std::string sealed = StrongReader::SealedData(ReadFile(page));
        EXPECT_EQ(sealed.substr(29, 4), std::string("\x00\x09\x27\xC0", 4)) << "600,000";
        EXPECT_EQ(StrongReader::Open(ReadFile(page), "", "secret1").content, "<p>hello</p>");
    }
} // namespace
