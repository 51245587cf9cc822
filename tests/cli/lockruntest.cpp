// The command's ordered run on its own: outcomes come in list order whatever the threads, and a task that throws
// is that task's failure, never the end of the program.

#include "cli/lockrun.h"
#include "cli/taskfeed.h"
#include "tests/engine/lockfixture.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace
{
    using LockFixture::TempFolder;
    using LockFixture::WriteFile;

    TEST(LockRun, AThrowingTaskIsItsOwnFailureAndTheOthersAreReportedInOrder)
    {
        TempFolder folder;
        std::vector<std::string> expected;
        for (int i = 0; i < 40; ++i) {
            const std::string name = "p" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".html";
            WriteFile(folder.Path() / name, "<p>x</p>");
            expected.push_back(folder.File(name));
        }
        LockOptions::Options options;
        options.paths = {folder.Path().string()};
        TaskFeed feed(options, nullptr, false, [](const std::string&) {});
        SafeFile::CommitBatch batch;
        LockRun run(feed, batch, Encrypthtml::RelockNone, 8);
        std::vector<std::string> reported;
        std::vector<std::string> errors;
        std::string error;
        const bool ran = run.run(
            4,
            [](const TaskFeed::Task& task, std::size_t index) {
                if (index % 7 == 3) {
                    throw std::runtime_error("no memory for " + task.source);
                }
                return LockRun::Outcome{true, {}, false, {}};
            },
            [&](const TaskFeed::Task& task, const LockRun::Outcome& outcome) {
                reported.push_back(task.source);
                errors.push_back(outcome.error);
            },
            error);
        EXPECT_TRUE(ran) << error;
        EXPECT_EQ(reported, expected);
        for (std::size_t i = 0; i < errors.size(); ++i) {
            EXPECT_EQ(errors[i], i % 7 == 3 ? "no memory for " + expected[i] : "") << i;
        }
    }
} // namespace
