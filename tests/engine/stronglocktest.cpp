// LockPage and LockPageCopy with a strong run: the page written in chunks opens back to the file's bytes, through
// a reader of the documented layout; the path around it (relock question, backup, batch) is the classic one's.

#include "engine/encrypthtml.h"
#include "engine/md5.h"
#include "engine/rc4.h"
#include "engine/strongrun.h"
#include "tests/engine/lockfixture.h"
#include "tests/engine/strongreader.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{
    using namespace Encrypthtml;
    using LockFixture::BlockList;
    using LockFixture::ReadFile;
    using LockFixture::SampleContent;
    using LockFixture::TempFolder;
    using LockFixture::WriteFile;
    using StrongReader::Outcome;

    const Strong::Run& SharedRun()
    {
        static const std::optional<Strong::Run> s_run = [] {
            Strong::RunOptions options;
            options.password = "Master Key";
            options.users = {{"alice", "wonderland"}};
            options.iterations = 1000;
            std::string error;
            std::optional<Strong::Run> run = Strong::Run::make(options, error);
            EXPECT_TRUE(run) << error;
            return run;
        }();
        return *s_run;
    }

    // Locks path strong with the shared run; answer and ask as LockPage takes them.
    bool LockStrong(const std::string& path,
                    LockReport& report,
                    bool backup = false,
                    int answer = RelockAll,
                    const RelockQuestion& ask = {},
                    SafeFile::CommitBatch* batch = nullptr)
    {
        return LockPage(
            path, {}, backup, ProtectPage, ColorWhite, SinglePassword, answer, {}, ask, &report, batch, &SharedRun());
    }

    std::string Opened(const std::string& page, std::string_view user = "alice", std::string_view pwd = "wonderland")
    {
        const StrongReader::Result result = StrongReader::Open(page, user, pwd);
        EXPECT_EQ(result.outcome, Outcome::Opened);
        return result.content;
    }

    // Sizes around the chunk the file is read in, and the empty file.
    class StrongChunks : public testing::TestWithParam<std::size_t>
    { };

    TEST_P(StrongChunks, PageOpensToTheFilesBytesAndTheBackupKeepsThem)
    {
        TempFolder folder;
        const std::string path = folder.File("page.html");
        const std::string content = SampleContent(GetParam());
        WriteFile(path, content);
        LockReport report;
        ASSERT_TRUE(LockStrong(path, report, true)) << report.detail;
        const std::string page = ReadFile(path);
        EXPECT_TRUE(IsLockedPage(page));
        EXPECT_EQ(Opened(page), content);
        EXPECT_EQ(Opened(page, "", "Master Key"), content);
        EXPECT_EQ(StrongReader::Open(page, "alice", "Master Key").outcome, Outcome::WrongLogin);
        EXPECT_EQ(ReadFile(path + ".bak"), content);
    }

    INSTANTIATE_TEST_SUITE_P(Sizes,
                             StrongChunks,
                             testing::Values(0,
                                             1,
                                             SafeFile::ChunkSize - 1,
                                             SafeFile::ChunkSize,
                                             SafeFile::ChunkSize + 1,
                                             5 * SafeFile::ChunkSize + 77));

    // A UTF-16 page opens to its text in UTF-8, the same across the chunks it is read in.
    TEST(StrongLock, Utf16PageOpensToItsTextInUtf8)
    {
        std::string utf8;
        std::u16string utf16;
        while (utf8.size() < 2 * SafeFile::ChunkSize) {
            utf8 += "<p>Gr\xC3\xBC\xC3\x9F"
                    "e \xF0\x9F\x98\x80</p>";
            utf16 += u"<p>Gr\u00FC\u00DFe \U0001F600</p>";
        }
        TempFolder folder;
        const std::string path = folder.File("report.html");
        WriteFile(path, LockFixture::Utf16File(utf16, false));
        LockReport report;
        ASSERT_TRUE(LockStrong(path, report)) << report.detail;
        EXPECT_EQ(Opened(ReadFile(path)), utf8);
    }

    // Forty megabytes written and compared a chunk at a time: the page is made in pieces, never whole.
    TEST(StrongLock, LargePageOpensWhole)
    {
        TempFolder folder;
        const std::string path = folder.File("large.html");
        const std::string chunk = SampleContent(SafeFile::ChunkSize * 3 + 5);
        const int chunks = 40 * 1024 * 1024 / int(chunk.size()) + 1;
        {
            std::ofstream out(path, std::ios::binary);
            for (int i = 0; i < chunks; ++i) {
                out << chunk << i;
            }
        }
        LockReport report;
        ASSERT_TRUE(LockStrong(path, report)) << report.detail;
        const std::string content = Opened(ReadFile(path));
        ASSERT_GT(content.size(), 40U * 1024 * 1024);
        std::size_t at = 0;
        for (int i = 0; i < chunks; ++i) {
            const std::string expected = chunk + std::to_string(i);
            ASSERT_EQ(content.compare(at, expected.size(), expected), 0) << "chunk " << i;
            at += expected.size();
        }
        EXPECT_EQ(at, content.size());
    }

    TEST(StrongLock, AlteredByteFailsAsTheLayoutSays)
    {
        TempFolder folder;
        const std::string path = folder.File("page.html");
        WriteFile(path, "<p>tamper with me</p>");
        LockReport report;
        ASSERT_TRUE(LockStrong(path, report)) << report.detail;
        const std::string page = ReadFile(path);
        const std::string_view data = StrongReader::SealedDataText(page);
        ASSERT_FALSE(data.empty());
        const std::size_t dataAt = static_cast<std::size_t>(data.data() - page.data());
        const std::size_t dataEnd = dataAt + data.size();
        struct Case
        {
            const char* what;
            std::size_t at; // of the base64 character changed: four characters carry three bytes
            Outcome outcome;
        };
        const Case cases[] = {
            {"the content, before its tag", dataEnd - 30, Outcome::Damaged},
            {"the salt in the header", dataAt + 48, Outcome::WrongLogin},
            {"the run id in the header", dataAt + 68, Outcome::WrongLogin},
        };
        for (const Case& c : cases) {
            std::string altered = page;
            altered[c.at] = altered[c.at] == 'A' ? 'B' : 'A';
            EXPECT_EQ(StrongReader::Open(altered, "alice", "wonderland").outcome, c.outcome) << c.what;
        }
    }

    // The marker stays first on both formats, so each asks before it locks the other's page again.
    TEST(StrongLock, ClassicAndStrongPagesAreLockedOverEachOtherAfterTheQuestion)
    {
        TempFolder folder;
        const std::string path = folder.File("page.html");
        const std::string content = "<p>layers</p>";
        WriteFile(path, content);
        int classicAnswer = RelockAsk;
        ASSERT_TRUE(LockPage(path, "secret1", false, ProtectPage, ColorWhite, SinglePassword, classicAnswer, {}, {}));
        const std::string classic = ReadFile(path);

        std::vector<std::string> questions;
        const auto ask = [&](const std::string& question) {
            questions.push_back(question);
            return RelockChoice::Yes;
        };
        LockReport report;
        ASSERT_TRUE(LockStrong(path, report, false, RelockAsk, ask)) << report.detail;
        EXPECT_EQ(questions, std::vector<std::string>{RelockQuestionText(path)});
        const std::string strong = ReadFile(path);
        EXPECT_EQ(Opened(strong), classic);

        int answer = RelockAsk;
        ASSERT_TRUE(LockPage(path, "secret2", false, ProtectPage, ColorWhite, SinglePassword, answer, {}, ask));
        EXPECT_EQ(questions.size(), 2U);
        std::string inner;
        for (const std::string& block : BlockList(ReadFile(path))) {
            inner += Rc4::DecryptText(Md5::DigestText("secret2"), block);
        }
        EXPECT_EQ(inner, strong);

        answer = RelockNone;
        EXPECT_FALSE(LockStrong(path, report, false, answer));
        EXPECT_EQ(report.status, LockStatus::Declined);
    }

    TEST(StrongLock, CopyAndBatchTakeTheRunToo)
    {
        TempFolder folder;
        const std::string source = folder.File("source.html");
        const std::string copy = folder.File("copy.html");
        WriteFile(source, "<p>copied</p>");
        int answer = RelockAll;
        LockReport report;
        ASSERT_TRUE(LockPageCopy(
            source, copy, {}, ProtectPage, ColorWhite, SinglePassword, answer, {}, {}, &report, nullptr, &SharedRun()))
            << report.detail;
        EXPECT_EQ(ReadFile(source), "<p>copied</p>");
        EXPECT_EQ(Opened(ReadFile(copy)), "<p>copied</p>");

        SafeFile::CommitBatch batch;
        EXPECT_FALSE(LockStrong(source, report, false, RelockAll, {}, &batch));
        ASSERT_EQ(report.status, LockStatus::Pending);
        batch.commit();
        ASSERT_TRUE(FinishCommitted(batch, report)) << report.detail;
        EXPECT_EQ(Opened(ReadFile(source)), "<p>copied</p>");
    }
} // namespace
