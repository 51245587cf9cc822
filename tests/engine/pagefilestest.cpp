// The page locker's handling of files: what a locked page, its backup and its temporary files are on disk, and
// that a page of any size is locked in pieces into the same bytes as in memory.

#include "engine/encrypthtml.h"

#include "engine/charset.h"
#include "engine/safefile.h"
#include "engine/tempfiles.h"
#include "tests/engine/lockfixture.h"
#include "tests/engine/openwatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <regex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace
{
    using namespace Encrypthtml;
    using LockFixture::AsNobody;
    using LockFixture::AttributesOf;
    using LockFixture::FileState;
    using LockFixture::Nobody;
    using LockFixture::ReadFile;
    using LockFixture::SampleContent;
    using LockFixture::StateOf;
    using LockFixture::TempFolder;
    using LockFixture::Utf16File;
    using LockFixture::WriteFile;

    constexpr std::string_view s_password = "secret1";

    LockReport Lock(const std::string& path, bool backup)
    {
        int answer = RelockAsk;
        LockReport report;
        LockPage(path, s_password, backup, ProtectPage, ColorWhite, SinglePassword, answer, {}, {}, &report);
        return report;
    }

    std::string InMemoryPage(std::string_view content)
    {
        std::string page;
        std::vector<std::string> omitted;
        std::string error;
        EXPECT_TRUE(BuildPage(content, s_password, ProtectPage, ColorWhite, SinglePassword, {}, page, omitted, error))
            << error;
        return page;
    }

    bool IsRoot()
    {
        return geteuid() == 0;
    }

    // Runs a command of the system's tools; false when it is missing or fails.
    bool RunTool(const std::string& command)
    {
        return std::system((command + " 2>/dev/null").c_str()) == 0;
    }

    bool SetExtended(const std::string& path, const std::string& name, std::string_view value)
    {
        return setxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0) == 0;
    }

    const std::regex s_temporaryName(R"(\.quillgate-[0-9]+-[0-9a-f]{16}\.tmp)");

    // ---- Temporary files ---------------------------------------------------------------------------------------

    // Every temporary file (backup, page, copies) holds plain text or a page not yet finished from the moment it
    // exists, so no other user may open it then; only the finished file gets its final mode.
    TEST(PageFiles, TemporaryFilesAreTheOwnersAloneFromTheirCreation)
    {
        TempFolder folder;
        const OpenWatch watch(folder.Path());
        if (!watch.IsWatching()) {
            GTEST_SKIP() << "needs root for a fanotify watch";
        }
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>plain</p>");
        chmod(path.c_str(), 0644);
        ASSERT_EQ(Lock(path, true).status, LockStatus::Locked);
        int answer = RelockAsk;
        ASSERT_TRUE(LockPageCopy(
            path + ".bak", folder.File("copy.html"), "pw", ProtectPage, ColorWhite, SinglePassword, answer, {}, {}));
        std::string error;
        ASSERT_TRUE(SafeFile::CopyFile(path, folder.File("plain.html"), error)) << error;

        int temporaries = 0;
        for (const OpenWatch::Open& open : watch.Opens()) {
            if (open.name.starts_with(".")) {
                ++temporaries;
                EXPECT_TRUE(std::regex_match(open.name, s_temporaryName)) << open.name;
                EXPECT_EQ(open.mode, 0600U) << open.name;
            }
        }
        EXPECT_EQ(temporaries, 4);
        for (const char* name : {"index.html", "index.html.bak", "copy.html", "plain.html"}) {
            EXPECT_EQ(AttributesOf(folder.File(name)).mode, 0644U) << name;
        }
    }

    // A signal that ends the program while a page is written removes the unfinished temporary file. The watch
    // holds the child's creation of its temporary file until the signal is on its way, so that the child is
    // stopped with the file there, whatever the timing.
    TEST(PageFiles, EndingSignalRemovesTheTemporaryFileBeingWritten)
    {
        for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
            TempFolder folder;
            const std::string path = folder.File("index.html");
            const FileState before = [&] {
                WriteFile(path, SampleContent(300000));
                return StateOf(path);
            }();
            std::atomic<pid_t> child{0};
            const OpenWatch watch(folder.Path(), [&](const OpenWatch::Open& open) {
                if (std::regex_match(open.name, s_temporaryName)) {
                    while (child == 0) {
                        std::this_thread::yield();
                    }
                    kill(child, signalNumber);
                }
            });
            if (!watch.IsWatching()) {
                GTEST_SKIP() << "needs root for a fanotify watch";
            }
            const pid_t pid = fork();
            if (pid == 0) {
                Lock(path, false);
                _exit(0);
            }
            child = pid;
            int status = 0;
            ASSERT_EQ(waitpid(pid, &status, 0), pid);
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "signal " << signalNumber;
            EXPECT_EQ(StateOf(path), before);
            EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.html"}) << "signal " << signalNumber;
        }
    }

    // Makes path look last written an hour ago.
    void MakeOld(const std::string& path)
    {
        const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - 3600, 0}};
        EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    }

    std::string TemporaryName(pid_t pid)
    {
        return ".quillgate-" + std::to_string(pid) + "-0123456789abcdef.tmp";
    }

    // Makes a temporary file as a run ended outright would leave it: named for process pid, last written long ago.
    std::string Leftover(const TempFolder& folder, pid_t pid, bool old = true)
    {
        const std::string name = TemporaryName(pid);
        WriteFile(folder.Path() / name, "<p>plain text of an unfinished run</p>");
        if (old) {
            MakeOld(folder.File(name));
        }
        return name;
    }

    // A process number that no running process has: a child that has ended and been waited for.
    pid_t EndedProcess()
    {
        const pid_t pid = fork();
        if (pid == 0) {
            _exit(0);
        }
        waitpid(pid, nullptr, 0);
        return pid;
    }

    TEST(PageFiles, LockingInAFolderRemovesItsStaleTemporaryFiles)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>x</p>");
        const std::string stale = Leftover(folder, EndedProcess());
        const std::string fresh = Leftover(folder, EndedProcess() + 1, false);
        ASSERT_EQ(Lock(path, false).status, LockStatus::Locked);
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{fresh, "index.html"}));
    }

    TEST(TempFiles, OnlyProvableLeftoversAreRemoved)
    {
        struct Case
        {
            const char* what;
            std::function<std::string(const TempFolder&)> make;
            bool removed;
        };
        const Case cases[] = {
            {"ended run, long untouched",
             [](const TempFolder& f) {
                 return Leftover(f, EndedProcess());
             },
             true},
            {"running process",
             [](const TempFolder& f) {
                 return Leftover(f, getppid());
             },
             false},
            {"this process",
             [](const TempFolder& f) {
                 return Leftover(f, getpid());
             },
             false},
            {"written lately",
             [](const TempFolder& f) {
                 return Leftover(f, EndedProcess(), false);
             },
             false},
            {"other name",
             [](const TempFolder& f) {
                 WriteFile(f.Path() / ".quillgate-1-0123456789abcdeg.tmp", "x");
                 return std::string(".quillgate-1-0123456789abcdeg.tmp");
             },
             false},
            {"folder",
             [](const TempFolder& f) {
                 const std::string name = TemporaryName(EndedProcess());
                 std::filesystem::create_directory(f.Path() / name);
                 MakeOld(f.File(name));
                 return name;
             },
             false},
            {"symbolic link",
             [](const TempFolder& f) {
                 const std::string name = TemporaryName(EndedProcess());
                 std::filesystem::create_symlink("elsewhere", f.Path() / name);
                 MakeOld(f.File(name));
                 return name;
             },
             false},
            {"two names",
             [](const TempFolder& f) {
                 const std::string name = Leftover(f, EndedProcess());
                 std::filesystem::create_hard_link(f.Path() / name, f.Path() / "other");
                 return name;
             },
             false},
            {"another user's",
             [](const TempFolder& f) {
                 const std::string name = Leftover(f, EndedProcess());
                 EXPECT_TRUE(!IsRoot() || chown(f.File(name).c_str(), Nobody, Nobody) == 0);
                 return name;
             },
             !IsRoot()},
        };
        for (const Case& c : cases) {
            TempFolder folder;
            const std::string name = c.make(folder);
            EXPECT_EQ(TempFiles::RemoveStale(folder.Path()), c.removed ? 1U : 0U) << c.what;
            EXPECT_EQ(std::filesystem::exists(std::filesystem::symlink_status(folder.Path() / name)), !c.removed)
                << c.what;
        }
    }

    TEST(TempFiles, NamesHaveTheOnePatternAndCarryTheProcessNumber)
    {
        const std::string name = TempFiles::NewFileName();
        EXPECT_TRUE(std::regex_match(name, s_temporaryName)) << name;
        pid_t pid = 0;
        EXPECT_TRUE(TempFiles::IsTemporaryName(name, pid));
        EXPECT_EQ(pid, getpid());
        for (const char* other : {".quillgate--0123456789abcdef.tmp",
                                  ".quillgate-12-0123456789abcde.tmp",
                                  ".quillgate-12-0123456789ABCDEF.tmp",
                                  ".quillgate-0-0123456789abcdef.tmp",
                                  ".quillgate-1x-0123456789abcdef.tmp",
                                  ".qg0123456789abcdef.tmp"}) {
            EXPECT_FALSE(TempFiles::IsTemporaryName(other, pid)) << other;
        }
    }

    // The command may hold this many temporary files at once: a page and its backup for each of its 1,024 threads,
    // and two full commit batches. Each one gets its temporary file (a smaller table made pages fail with "too many
    // files at once" under --jobs 128 --backup), and all are removed with their objects.
    TEST(TempFiles, EveryFileTheCommandMayHoldAtOnceGetsItsTemporaryFile)
    {
        TempFolder folder;
        constexpr std::size_t atOnce = 2 * 1024 + 2 * SafeFile::CommitBatch::DefaultCapacity;
        {
            std::vector<std::unique_ptr<SafeFile::Replacement>> files;
            for (std::size_t i = 0; i < atOnce; ++i) {
                files.push_back(std::make_unique<SafeFile::Replacement>(folder.File("p" + std::to_string(i))));
                std::string error;
                ASSERT_TRUE(files.back()->create(error) && files.back()->complete({}, error)) << i << ": " << error;
            }
            EXPECT_EQ(folder.Names().size(), atOnce);
        }
        EXPECT_EQ(folder.Names(), std::vector<std::string>{});
    }

    // ---- What a page keeps of the file it replaces -------------------------------------------------------------

    // Root locking another user's private page leaves it that user's, private, with its attributes; so is the
    // backup, which holds the same plain text.
    TEST(PageFiles, PageAndBackupKeepOwnerGroupModeAndExtendedAttributes)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>nobody's</p>");
        chmod(path.c_str(), 0640);
        if (IsRoot()) {
            ASSERT_EQ(chown(path.c_str(), Nobody, Nobody), 0);
        }
        const bool userAttributes = SetExtended(path, "user.origin", "kept");
        const bool accessList = RunTool("setfacl -m u:1234:r,g:4321:r " + path);
        if (!IsRoot() && !userAttributes && !accessList) {
            GTEST_SKIP() << "neither another owner, nor user attributes, nor access lists to carry over";
        }
        const FileState before = StateOf(path);
        EXPECT_EQ(before.extended.contains("system.posix_acl_access"), accessList);

        const LockReport report = Lock(path, true);
        ASSERT_EQ(report.status, LockStatus::Locked) << report.detail;
        EXPECT_EQ(AttributesOf(path), AttributesOf(path + ".bak"));
        EXPECT_EQ(StateOf(path + ".bak"), before);
        EXPECT_TRUE(IsLockedPage(ReadFile(path)));
    }

    // A folder's default access list is given to every new file, the temporary file too; the page must not gain
    // entries that the file it replaces did not have.
    TEST(PageFiles, FoldersDefaultAccessListIsNotAddedToThePage)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        if (!RunTool("setfacl -d -m u:1234:rw " + folder.Path().string())) {
            GTEST_SKIP() << "no setfacl, or no access lists here";
        }
        WriteFile(path, "<p>x</p>");
        ASSERT_TRUE(RunTool("setfacl -b " + path));
        const FileState before = AttributesOf(path);
        ASSERT_FALSE(before.extended.contains("system.posix_acl_access"));
        const LockReport report = Lock(path, true);
        ASSERT_EQ(report.status, LockStatus::Locked) << report.detail;
        EXPECT_EQ(AttributesOf(path), before);
        EXPECT_EQ(AttributesOf(path + ".bak"), before);
    }

    // What cannot be carried over means the page is not replaced: a user who may write a page they do not own,
    // or one with an attribute that only root may set.
    TEST(PageFiles, PageWhoseAttributesCannotBeCarriedOverIsLeftAsItIs)
    {
        if (!IsRoot()) {
            GTEST_SKIP() << "needs root to hand files to another user";
        }
        struct Case
        {
            const char* what;
            uid_t owner;
            const char* attribute; // set by root, or nothing
            const char* reason;
        };
        const Case cases[] = {
            {"root's page, writable by all", 0, nullptr, "owner and group"},
            {"nobody's page with a security attribute", Nobody, "security.quillgate", "security.quillgate"},
        };
        for (const Case& c : cases) {
            TempFolder folder;
            std::filesystem::permissions(folder.Path(), std::filesystem::perms::all);
            const std::string path = folder.File("index.html");
            WriteFile(path, "<p>keep</p>");
            ASSERT_EQ(chown(path.c_str(), c.owner, c.owner), 0);
            chmod(path.c_str(), 0666);
            if (c.attribute != nullptr && !SetExtended(path, c.attribute, "x")) {
                continue;
            }
            const FileState before = StateOf(path);
            const std::optional<std::string> detail = AsNobody([&] {
                const LockReport report = Lock(path, false);
                return report.status == LockStatus::WriteFailed ? report.detail
                                                                : "status " + std::to_string(int(report.status));
            });
            ASSERT_TRUE(detail.has_value()) << c.what;
            EXPECT_NE(detail->find(c.reason), std::string::npos) << c.what << ": " << *detail;
            EXPECT_EQ(StateOf(path), before) << c.what;
            EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.html"}) << c.what;
        }
    }

    TEST(PageFiles, PageWithSeveralNamesIsRefused)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>both names</p>");
        std::filesystem::create_hard_link(path, folder.File("other.html"));
        const FileState before = StateOf(path);
        const LockReport report = Lock(path, true);
        EXPECT_EQ(report.status, LockStatus::WriteFailed);
        EXPECT_NE(report.detail.find("hard links"), std::string::npos) << report.detail;
        EXPECT_EQ(StateOf(path), before);
        EXPECT_EQ(StateOf(folder.File("other.html")), before);
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"index.html", "other.html"}));
    }

    // index.html is a link to index.html.bak: the backup would be the very file that the page then replaces,
    // leaving no plain copy at all.
    TEST(PageFiles, BackupThatWouldBeThePageItselfIsRefused)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path + ".bak", "<p>the only plain copy</p>");
        std::filesystem::create_symlink("index.html.bak", path);
        const FileState before = StateOf(path + ".bak");
        const LockReport report = Lock(path, true);
        EXPECT_EQ(report.status, LockStatus::BackupFailed);
        EXPECT_NE(report.detail.find("is the page itself"), std::string::npos) << report.detail;
        EXPECT_EQ(StateOf(path + ".bak"), before);
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"index.html", "index.html.bak"}));
    }

    // ---- Locking into another file -----------------------------------------------------------------------------

    TEST(PageFiles, CopyIntoTheSourceItselfOrAMissingFolderIsRefused)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>source</p>");
        std::filesystem::create_symlink("index.html", folder.File("link.html"));
        const FileState before = StateOf(path);
        for (const std::string& destination : {path, folder.File("no/x.html")}) {
            int answer = RelockAsk;
            LockReport report;
            EXPECT_FALSE(LockPageCopy(folder.File("link.html"),
                                      destination,
                                      "pw",
                                      ProtectPage,
                                      ColorWhite,
                                      SinglePassword,
                                      answer,
                                      {},
                                      {},
                                      &report))
                << destination;
            EXPECT_EQ(report.status, LockStatus::WriteFailed) << destination;
            EXPECT_FALSE(report.detail.empty());
            std::string error;
            EXPECT_FALSE(SafeFile::CopyFile(folder.File("link.html"), destination, error)) << destination;
        }
        EXPECT_EQ(StateOf(path), before);
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"index.html", "link.html"}));
    }

    // A link named as the destination is replaced itself: the file it points to, wherever it is, stays.
    TEST(PageFiles, CopyReplacesALinkAtTheDestinationNotWhatItPointsTo)
    {
        TempFolder folder;
        const std::string source = folder.File("index.html");
        const std::string elsewhere = folder.File("elsewhere.html");
        WriteFile(source, "<p>source</p>");
        WriteFile(elsewhere, "<p>not to be touched</p>");
        for (const bool lock : {true, false}) {
            const std::string destination = folder.File("out.html");
            std::filesystem::remove(destination);
            std::filesystem::create_symlink("elsewhere.html", destination);
            int answer = RelockAsk;
            std::string error;
            ASSERT_TRUE(
                lock ? LockPageCopy(source, destination, "pw", ProtectPage, ColorWhite, SinglePassword, answer, {}, {})
                     : SafeFile::CopyFile(source, destination, error))
                << error;
            EXPECT_FALSE(std::filesystem::is_symlink(destination));
            EXPECT_EQ(IsLockedPage(ReadFile(destination)), lock);
            EXPECT_EQ(ReadFile(elsewhere), "<p>not to be touched</p>");
        }
    }

    // ---- Pages in pieces -------------------------------------------------------------------------------------

    // The page is read in chunks, twice when it does not fit in one, unless it declares its charset at its start
    // and has no backup; every size around a chunk's end gives the page built in memory, with and without a
    // backup, and the charset is that of the whole page even when only its last chunk shows it.
    TEST(PageFiles, PagesOfAnySizeAreThePagesBuiltInMemory)
    {
        constexpr std::size_t chunk = SafeFile::ChunkSize;
        const std::string utf8Late = std::string(2 * chunk + 10, 'a') + "gr\xC3\xBC\xC3\x9F";
        ASSERT_EQ(Charset::Detect(utf8Late), Charset::Utf8);
        const std::string declared = "<meta charset=\"windows-1251\">" + std::string(Charset::PrescanLength, ' ');
        const std::string contents[] = {
            SampleContent(chunk - 1),
            SampleContent(chunk),
            SampleContent(chunk + 1),
            SampleContent(3 * chunk + 300),
            std::string(LockedMarker) + SampleContent(chunk),
            utf8Late,
            declared + SampleContent(chunk - declared.size()),
            declared + SampleContent(chunk + 1 - declared.size()),
            declared + SampleContent(3 * chunk + 300),
            declared + utf8Late,
        };
        TempFolder folder;
        for (const bool backup : {true, false}) {
            for (const std::string& content : contents) {
                const std::string path = folder.File("index.html");
                WriteFile(path, content);
                // A backup of the case before would be kept for a content that looks locked.
                std::filesystem::remove(path + ".bak");
                int answer = RelockAll;
                ASSERT_TRUE(
                    LockPage(path, s_password, backup, ProtectPage, ColorWhite, SinglePassword, answer, {}, {}));
                EXPECT_EQ(ReadFile(path), InMemoryPage(content)) << content.size() << " bytes, backup " << backup;
                if (backup) {
                    EXPECT_EQ(ReadFile(path + ".bak"), content) << content.size() << " bytes";
                }
            }
        }
    }

    // A UTF-16 page (as Windows tools save them) is locked as its text in UTF-8, which browsers show as the
    // original; its UTF-8 is longer than the source, so chunks of the source and of the text part company.
    TEST(PageFiles, Utf16PageIsLockedAsItsTextInUtf8)
    {
        std::string utf8 = "<html><head><title>Gr\xC3\xBC\xC3\x9F"
                           "e</title></head><body>";
        std::u16string utf16 = u"<html><head><title>Gr\u00FC\u00DFe</title></head><body>";
        while (utf8.size() < 3 * SafeFile::ChunkSize) {
            utf8 += "<p>\xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80 a</p>\n";
            utf16 += u"<p>\u6771\u4EAC \U0001F600 a</p>\n";
        }
        TempFolder folder;
        for (const bool bigEndian : {false, true}) {
            const std::string source = Utf16File(utf16, bigEndian);
            const std::string path = folder.File("report.html");
            WriteFile(path, source);
            int answer = RelockAll;
            ASSERT_TRUE(LockPage(path, s_password, true, ProtectPage, ColorWhite, SinglePassword, answer, {}, {}));
            EXPECT_EQ(ReadFile(path), InMemoryPage(utf8)) << (bigEndian ? "big-endian" : "little-endian");
            EXPECT_EQ(InMemoryPage(source), InMemoryPage(utf8));
            EXPECT_EQ(ReadFile(path + ".bak"), source);
        }
    }

    TEST(PageFiles, PagesLockedOnSeveralThreadsAtOnceAreEachRight)
    {
        constexpr int threadCount = 6;
        constexpr int filesEach = 4;
        TempFolder folder;
        std::vector<std::string> contents;
        for (int i = 0; i < threadCount * filesEach; ++i) {
            contents.push_back(SampleContent(std::size_t(1000 + i * 40000)));
            WriteFile(folder.File("p" + std::to_string(i) + ".html"), contents.back());
        }
        std::vector<std::thread> threads;
        std::atomic<int> locked{0};
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back([&, t] {
                for (int i = t; i < threadCount * filesEach; i += threadCount) {
                    locked += Lock(folder.File("p" + std::to_string(i) + ".html"), true).status == LockStatus::Locked;
                }
            });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
        EXPECT_EQ(locked, threadCount * filesEach);
        for (int i = 0; i < threadCount * filesEach; ++i) {
            const std::string path = folder.File("p" + std::to_string(i) + ".html");
            EXPECT_EQ(ReadFile(path), InMemoryPage(contents[std::size_t(i)])) << path;
            EXPECT_EQ(ReadFile(path + ".bak"), contents[std::size_t(i)]) << path;
        }
        EXPECT_EQ(folder.Names().size(), std::size_t(2 * threadCount * filesEach));
    }
} // namespace
