// Pages put in place by a commit batch: the same files as one by one, reported one by one, a failure kept to its
// own page.

#include "engine/encrypthtml.h"

#include "engine/safefile.h"
#include "tests/engine/lockfixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>

namespace
{
    using namespace Encrypthtml;
    using LockFixture::ReadFile;
    using LockFixture::StateOf;
    using LockFixture::TempFolder;
    using LockFixture::WriteFile;

    LockReport LockInto(SafeFile::CommitBatch* batch, const std::string& path, bool backup = true)
    {
        int answer = RelockAsk;
        LockReport report;
        LockPage(path, "pw", backup, ProtectPage, ColorWhite, SinglePassword, answer, {}, {}, &report, batch);
        return report;
    }

    // A file as users keep them: someone else's, group-readable, labelled.
    void Prepare(const std::string& path, std::string_view content)
    {
        WriteFile(path, content);
        ASSERT_EQ(chmod(path.c_str(), 0640), 0);
        if (geteuid() == 0) {
            ASSERT_EQ(chown(path.c_str(), LockFixture::Nobody, LockFixture::Nobody), 0);
        }
        ASSERT_EQ(setxattr(path.c_str(), "user.note", "kept", 4, 0), 0);
    }

    TEST(CommitBatch, LeavesTheFilesOfTheOneByOneLockAndNothingBeforeTheCommit)
    {
        TempFolder single;
        TempFolder batched;
        const std::string content = LockFixture::SampleContent(300000);
        Prepare(single.File("a.html"), content);
        Prepare(batched.File("a.html"), content);
        const auto before = StateOf(batched.File("a.html"));

        ASSERT_EQ(LockInto(nullptr, single.File("a.html")).status, LockStatus::Locked);
        SafeFile::CommitBatch batch;
        LockReport report = LockInto(&batch, batched.File("a.html"));
        ASSERT_EQ(report.status, LockStatus::Pending) << report.detail;
        EXPECT_EQ(StateOf(batched.File("a.html")), before);
        EXPECT_EQ(batched.Names().size(), 3U) << "the page, its temporary file and the backup's";

        batch.commit();
        EXPECT_TRUE(FinishCommitted(batch, report)) << report.detail;
        EXPECT_EQ(report.status, LockStatus::Locked);
        EXPECT_EQ(batched.Names(), single.Names());
        for (const std::string name : {"a.html", "a.html.bak"}) {
            EXPECT_EQ(StateOf(batched.File(name)), StateOf(single.File(name))) << name;
        }
        EXPECT_EQ(ReadFile(batched.File("a.html.bak")), content);
    }

    // A folder in the way of a rename makes it fail: a page whose backup cannot be put in place stays as it was
    // (its temporary files removed), one whose own rename fails keeps its new backup; the pages around them are
    // locked all the same.
    TEST(CommitBatch, AFailedRenameIsReportedForItsPageAlone)
    {
        struct Case
        {
            const char* inTheWay;
            LockStatus status;
        };
        for (const Case& c : {Case{"b.html.bak", LockStatus::BackupFailed}, Case{"b.html", LockStatus::WriteFailed}}) {
            TempFolder folder;
            for (const char* name : {"a.html", "b.html", "c.html"}) {
                WriteFile(folder.File(name), std::string("<p>") + name + "</p>");
            }
            SafeFile::CommitBatch batch;
            std::vector<LockReport> reports;
            for (const char* name : {"a.html", "b.html", "c.html"}) {
                reports.push_back(LockInto(&batch, folder.File(name)));
                ASSERT_EQ(reports.back().status, LockStatus::Pending) << reports.back().detail;
            }
            std::filesystem::remove(folder.File(c.inTheWay));
            std::filesystem::create_directories(folder.Path() / c.inTheWay / "inside");

            batch.commit();
            EXPECT_TRUE(FinishCommitted(batch, reports[0]));
            EXPECT_FALSE(FinishCommitted(batch, reports[1]));
            EXPECT_TRUE(FinishCommitted(batch, reports[2]));
            EXPECT_EQ(reports[1].status, c.status) << c.inTheWay;
            EXPECT_NE(reports[1].detail.find("cannot replace " + folder.File(c.inTheWay)), std::string::npos)
                << reports[1].detail;
            EXPECT_EQ(
                folder.Names(),
                (std::vector<std::string>{"a.html", "a.html.bak", "b.html", "b.html.bak", "c.html", "c.html.bak"}))
                << "no temporary file left";
            for (const char* name : {"a.html", "c.html"}) {
                EXPECT_TRUE(IsLockedPage(ReadFile(folder.File(name)))) << name;
            }
            if (c.status == LockStatus::BackupFailed) {
                EXPECT_EQ(ReadFile(folder.File("b.html")), "<p>b.html</p>");
            } else {
                EXPECT_EQ(ReadFile(folder.File("b.html.bak")), "<p>b.html</p>");
            }
        }
    }

    TEST(CommitBatch, CommitsByItselfWhenFull)
    {
        TempFolder folder;
        WriteFile(folder.File("a.html"), "<p>a</p>");
        WriteFile(folder.File("b.html"), "<p>b</p>");
        SafeFile::CommitBatch batch(3);
        LockReport a = LockInto(&batch, folder.File("a.html"), false);
        LockReport b = LockInto(&batch, folder.File("b.html"));
        EXPECT_TRUE(FinishCommitted(batch, a));
        EXPECT_TRUE(FinishCommitted(batch, b));
        EXPECT_TRUE(IsLockedPage(ReadFile(folder.File("a.html"))));
        EXPECT_TRUE(IsLockedPage(ReadFile(folder.File("b.html"))));
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"a.html", "b.html", "b.html.bak"}));
    }
    std::size_t OpenFileCount()
    {
        return std::size_t(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
    }

    // The files that pages replaced are kept open across the renames and let go afterwards, batch after batch: by
    // the time the batch is gone, none is left open.
    TEST(CommitBatch, LetsGoOfEveryFileItReplaced)
    {
        TempFolder folder;
        const std::size_t openBefore = OpenFileCount();
        {
            SafeFile::CommitBatch batch(8);
            std::vector<LockReport> reports;
            for (int i = 0; i < 30; ++i) {
                const std::string path = folder.File("p" + std::to_string(i) + ".html");
                WriteFile(path, "<p>" + std::to_string(i) + "</p>");
                reports.push_back(LockInto(&batch, path, i % 3 == 0));
            }
            batch.commit();
            for (LockReport& report : reports) {
                EXPECT_TRUE(FinishCommitted(batch, report)) << report.detail;
            }
        }
        EXPECT_EQ(OpenFileCount(), openBefore);
    }

    // Writers on several threads fill a small batch again and again while its thread puts the previous one in
    // place: every page ends up locked and reported, none is left behind or waits for ever.
    TEST(CommitBatch, WritersOnSeveralThreadsAllGetTheirPagesInPlace)
    {
        TempFolder folder;
        constexpr int threads = 4;
        constexpr int pagesEach = 40;
        SafeFile::CommitBatch batch(3);
        std::vector<LockReport> reports(threads * pagesEach);
        {
            std::vector<std::jthread> writers;
            for (int t = 0; t < threads; ++t) {
                writers.emplace_back([&, t] {
                    for (int i = t * pagesEach; i < (t + 1) * pagesEach; ++i) {
                        const std::string path = folder.File("p" + std::to_string(i) + ".html");
                        WriteFile(path, "<p>" + std::to_string(i) + "</p>");
                        reports[i] = LockInto(&batch, path, i % 2 == 0);
                    }
                    batch.commit();
                });
            }
        }
        for (std::size_t i = 0; i < reports.size(); ++i) {
            EXPECT_TRUE(FinishCommitted(batch, reports[i])) << i << ": " << reports[i].detail;
            EXPECT_TRUE(IsLockedPage(ReadFile(folder.File("p" + std::to_string(i) + ".html")))) << i;
        }
        EXPECT_EQ(folder.Names().size(), reports.size() * 3 / 2) << "pages and backups only, no temporary file";
    }
} // namespace
