// What reaches the disk before a page counts as written. This program stands in for the C library's fdatasync,
// fsync, syncfs and renameat (the engine, linked into it statically, calls these instead), notes each call with the file
// it concerns, and passes it on to the system.

#include "engine/encrypthtml.h"

#include "engine/safefile.h"
#include "tests/engine/lockfixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace
{
    std::mutex s_mutex;
    std::vector<std::string> s_calls;
    std::atomic<bool> s_failNextDataFlush{false}; // as a disk that cannot write the data back

    void Note(const std::string& call)
    {
        const std::lock_guard<std::mutex> lock(s_mutex);
        s_calls.push_back(call);
    }

    std::string PathOf(int fd)
    {
        char path[4096] = {};
        const std::string link = "/proc/self/fd/" + std::to_string(fd);
        return readlink(link.c_str(), path, sizeof path - 1) > 0 ? path : "?";
    }
} // namespace

extern "C" int fdatasync(int fd)
{
    Note("fdatasync " + PathOf(fd));
    if (s_failNextDataFlush.exchange(false)) {
        errno = EIO;
        return -1;
    }
    return int(syscall(SYS_fdatasync, fd));
}

extern "C" int fsync(int fd)
{
    Note("fsync " + PathOf(fd));
    return int(syscall(SYS_fsync, fd));
}

extern "C" int syncfs(int fd)
{
    Note("syncfs " + PathOf(fd));
    return int(syscall(SYS_syncfs, fd));
}

extern "C" int renameat(int fromFolder, const char* from, int toFolder, const char* to) noexcept
{
    Note("rename " + PathOf(fromFolder) + "/" + from + " " + PathOf(toFolder) + "/" + to);
    return int(syscall(SYS_renameat2, fromFolder, from, toFolder, to, 0));
}

namespace
{
    using namespace Encrypthtml;
    using LockFixture::TempFolder;
    using LockFixture::WriteFile;

    std::vector<std::string> TakeCalls()
    {
        const std::lock_guard<std::mutex> lock(s_mutex);
        return std::exchange(s_calls, {});
    }

    std::vector<std::string> CallsOfLocking(const std::string& path)
    {
        TakeCalls();
        int answer = RelockAsk;
        LockReport report;
        EXPECT_TRUE(LockPage(path, "pw", true, ProtectPage, ColorWhite, SinglePassword, answer, {}, {}, &report))
            << report.detail;
        return TakeCalls();
    }

    // The backup, then the page: each one's data reaches the disk before its rename (a large file's in several
    // flushes, begun while it is written), and the folder's new entry right after it.
    TEST(Flush, EachFileIsOnDiskBeforeItsRenameAndTheFolderAfter)
    {
        for (const std::size_t size : {std::size_t(8), std::size_t(10) << 20}) {
            TempFolder folder;
            const std::string path = folder.File("index.html");
            WriteFile(path, std::string(size, 'x'));
            const std::vector<std::string> calls = CallsOfLocking(path);
            std::size_t at = 0;
            for (const std::string& target : {path + ".bak", path}) {
                ASSERT_LT(at, calls.size());
                const std::string temporary = calls[at].substr(std::string("fdatasync ").size());
                std::size_t flushes = 0;
                for (; at < calls.size() && calls[at] == "fdatasync " + temporary; ++at) {
                    ++flushes;
                }
                EXPECT_GE(flushes, size > 1000 ? 2U : 1U) << size;
                ASSERT_LT(at + 1, calls.size());
                EXPECT_EQ(calls[at], "rename " + temporary + " " + target);
                EXPECT_EQ(calls[at + 1], "fsync " + folder.Path().string());
                at += 2;
            }
            EXPECT_EQ(at, calls.size()) << size;
        }
    }

    // A flush begun while a large page is written fails: the disk reports that only once, so the page must not be
    // replaced even though every flush after it succeeds.
    TEST(Flush, AFailedFlushWhileWritingKeepsTheOriginal)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        const std::string original(10 << 20, 'x');
        WriteFile(path, original);
        s_failNextDataFlush = true;
        int answer = RelockAsk;
        LockReport report;
        EXPECT_FALSE(LockPage(path, "pw", false, ProtectPage, ColorWhite, SinglePassword, answer, {}, {}, &report));
        EXPECT_NE(report.detail.find("cannot flush the new " + path + " to disk"), std::string::npos) << report.detail;
        EXPECT_EQ(LockFixture::ReadFile(path), original);
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.html"});
        TakeCalls();
    }

    TEST(Flush, TurnedOffForMeasuringTheFilesAreOnlyRenamed)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>x</p>");
        SafeFile::SetFlushing(false);
        const std::vector<std::string> calls = CallsOfLocking(path);
        SafeFile::SetFlushing(true);
        ASSERT_EQ(calls.size(), 2U);
        EXPECT_TRUE(calls[0].starts_with("rename ") && calls[0].ends_with(" " + path + ".bak")) << calls[0];
        EXPECT_TRUE(calls[1].starts_with("rename ") && calls[1].ends_with(" " + path)) << calls[1];
    }

    // A batch puts all its files' data on disk before any rename: a few files each with its own flush, many with
    // one flush of their file system (which also waits for everything else written there). Then each backup is
    // renamed before its page, and each folder is flushed once, after the last rename.
    TEST(Flush, ABatchFlushesAllDataBeforeAnyRenameAndEachFolderOnceAfter)
    {
        for (const std::size_t pageCount : {2, 5}) {
            TempFolder folder;
            std::vector<std::string> pages;
            for (std::size_t i = 0; i < pageCount; ++i) {
                pages.push_back(folder.File("p" + std::to_string(i) + ".html"));
                WriteFile(pages.back(), "<p>x</p>");
            }
            TakeCalls();
            SafeFile::CommitBatch batch;
            std::vector<LockReport> reports(pages.size());
            for (std::size_t i = 0; i < pages.size(); ++i) {
                int answer = RelockAsk;
                LockPage(
                    pages[i], "pw", true, ProtectPage, ColorWhite, SinglePassword, answer, {}, {}, &reports[i], &batch);
            }
            EXPECT_EQ(TakeCalls(), std::vector<std::string>{}) << "nothing flushed or renamed before the commit";
            batch.commit();
            for (LockReport& report : reports) {
                EXPECT_TRUE(FinishCommitted(batch, report)) << report.detail;
            }
            std::vector<std::string> calls = TakeCalls();
            const bool oneByOne = 2 * pageCount < 8;
            const std::size_t flushes = oneByOne ? 2 * pageCount : 1;
            ASSERT_EQ(calls.size(), flushes + 2 * pageCount + 1) << pageCount;
            for (std::size_t i = 0; i < flushes; ++i) {
                EXPECT_TRUE(oneByOne ? calls[i].starts_with("fdatasync " + folder.Path().string() + "/.quillgate-")
                                     : calls[i] == "syncfs " + folder.Path().string())
                    << calls[i];
            }
            for (std::size_t i = 0; i < pages.size(); ++i) {
                const std::size_t backupAt = flushes + 2 * i;
                for (const auto& [at, target] :
                     {std::pair{backupAt, pages[i] + ".bak"}, std::pair{backupAt + 1, pages[i]}}) {
                    EXPECT_TRUE(calls[at].starts_with("rename ") && calls[at].ends_with(" " + target)) << calls[at];
                }
            }
            EXPECT_EQ(calls.back(), "fsync " + folder.Path().string());
        }
    }
} // namespace
