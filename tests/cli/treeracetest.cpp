// A tree that changes while quillgate-lock locks it: the command runs in this process, and a hook between two of
// its steps (a folder listed and entered, a page found and opened, a page written and renamed) swaps a page or a
// folder for a link to files outside the tree. Nothing outside may change, and what changed is named.

#include "cli/lockcommand.h"
#include "cli/options.h"
#include "engine/handles.h"
#include "tests/engine/lockfixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <sys/stat.h>

namespace
{
    namespace fs = std::filesystem;
    using LockFixture::ReadFile;
    using LockFixture::StateOf;
    using LockFixture::TempFolder;
    using LockFixture::WriteFile;

    struct Result
    {
        int exitCode = -1;
        std::string out;
        std::string err;
    };

    // Runs the command here with the arguments (a password file is added), its output caught.
    Result RunInProcess(std::vector<std::string> arguments, const TempFolder& folder)
    {
        WriteFile(folder.Path() / "password", "secret1\n");
        arguments.insert(arguments.begin(), {"--password-file", folder.File("password"), "--jobs", "1"});
        const LockOptions::ParseResult parsed = LockOptions::Parse(arguments, LockOptions::RelockMode::No, 1);
        EXPECT_EQ(parsed.action, LockOptions::Action::Lock) << parsed.error;
        std::ostringstream out;
        std::ostringstream err;
        std::streambuf* const savedOut = std::cout.rdbuf(out.rdbuf());
        std::streambuf* const savedErr = std::cerr.rdbuf(err.rdbuf());
        Result result;
        result.exitCode = LockCommand(parsed.options).run();
        std::cout.rdbuf(savedOut);
        std::cerr.rdbuf(savedErr);
        result.out = out.str();
        result.err = err.str();
        return result;
    }

    // The hook for one run: does change once, before the step at the path.
    class SwapBefore
    {
    public:
        SwapBefore(Handles::Step step, std::string path, std::function<void()> change)
        {
            Handles::SetStepHook(
                [=, done = std::make_shared<std::atomic<bool>>(false)](Handles::Step at, const std::string& on) {
                    if (at == step && on == path && !done->exchange(true)) {
                        change();
                    }
                });
        }
        ~SwapBefore()
        {
            Handles::SetStepHook({});
        }
        SwapBefore(const SwapBefore&) = delete;
        SwapBefore& operator=(const SwapBefore&) = delete;
    };

    // A site t/ (a.html, d/p1.html, d/sub/p2.html) and, outside it, a private file and a folder with a page.
    class TreeRace : public testing::Test
    {
    protected:
        void SetUp() override
        {
            for (const char* page : {"t/a.html", "t/d/p1.html", "t/d/sub/p2.html", "outside/site/x.html"}) {
                fs::create_directories(fs::path(folder.File(page)).parent_path());
                WriteFile(folder.File(page), std::string("<p>") + page + "</p>");
            }
            WriteFile(folder.File("outside/important.conf"), "secret = 42\n");
            fs::permissions(folder.File("outside/important.conf"), fs::perms::owner_read | fs::perms::owner_write);
        }

        std::vector<LockFixture::FileState> Outside() const
        {
            return {StateOf(folder.File("outside/important.conf")), StateOf(folder.File("outside/site/x.html"))};
        }

        void SwapForLink(const std::string& name, const std::string& target) const
        {
            const fs::path path = folder.File(name);
            fs::rename(path, path.string() + ".away");
            fs::create_symlink(folder.File(target), path);
        }

        TempFolder folder;
    };

    struct RaceCase
    {
        const char* name;
        Handles::Step step;
        const char* at; // below the temporary folder
        const char* swapped; // swapped for a link to linkTarget
        const char* linkTarget;
        bool intoOutput;
        const char* named; // in the complaint
    };

    void PrintTo(const RaceCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class TreeRaceCases : public TreeRace, public testing::WithParamInterface<RaceCase>
    { };

    TEST_P(TreeRaceCases, NothingOutsideChangesAndTheChangeIsNamed)
    {
        const RaceCase& c = GetParam();
        const std::vector<LockFixture::FileState> before = Outside();
        Result r;
        {
            const SwapBefore swap(c.step, folder.File(c.at), [&] {
                SwapForLink(c.swapped, c.linkTarget);
            });
            std::vector<std::string> arguments = {"--recursive", folder.File("t")};
            if (c.intoOutput) {
                arguments.insert(arguments.begin(), {"--output", folder.File("out")});
            }
            r = RunInProcess(arguments, folder);
        }
        EXPECT_EQ(Outside(), before);
        EXPECT_EQ(r.exitCode, 1) << r.err;
        EXPECT_NE(r.err.find(folder.File(c.named)), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("no longer"), std::string::npos) << r.err;
        // The rest of the tree is locked all the same.
        const std::string written = c.intoOutput ? "out/a.html" : "t/a.html";
        if (std::string(c.swapped) != "t/a.html") {
            EXPECT_NE(r.out.find(folder.File(written)), std::string::npos) << r.out;
        }
        if (c.intoOutput) {
            // Only what the scan saw inside the tree is published.
            EXPECT_FALSE(fs::exists(folder.File("out/a.html")) && std::string(c.swapped) == "t/a.html");
            EXPECT_FALSE(fs::exists(folder.File("out/d/x.html")));
            EXPECT_FALSE(fs::exists(folder.File("out/d/important.conf")));
        }
    }

    INSTANTIATE_TEST_SUITE_P(
        Swaps,
        TreeRaceCases,
        testing::Values(
            RaceCase{"PageForLinkInPlace",
                     Handles::Step::OpenFile,
                     "t/d/p1.html",
                     "t/d/p1.html",
                     "outside/important.conf",
                     false,
                     "t/d/p1.html"},
            RaceCase{"FolderForLinkInPlace", Handles::Step::EnterFolder, "t/d", "t/d", "outside/site", false, "t/d"},
            RaceCase{"PageForLinkIntoOutput",
                     Handles::Step::OpenFile,
                     "t/a.html",
                     "t/a.html",
                     "outside/important.conf",
                     true,
                     "t/a.html"},
            RaceCase{"FolderForLinkIntoOutput", Handles::Step::EnterFolder, "t/d", "t/d", "outside/site", true, "t/d"},
            // Inside a folder entered already, the subfolder listed there is swapped before it is entered.
            RaceCase{"SubfolderForLinkInPlace",
                     Handles::Step::OpenFile,
                     "t/d/p1.html",
                     "t/d/sub",
                     "outside/site",
                     false,
                     "t/d/sub"}),
        [](const testing::TestParamInfo<RaceCase>& info) {
            return info.param.name;
        });

    // Another real folder moved into the place of one listed is not the folder the scan saw.
    TEST_F(TreeRace, AnotherFolderPutInPlaceOfAListedOneIsNotEntered)
    {
        const std::vector<LockFixture::FileState> before = Outside();
        Result r;
        {
            const SwapBefore swap(Handles::Step::EnterFolder, folder.File("t/d"), [&] {
                fs::rename(folder.File("t/d"), folder.File("t/d.away"));
                fs::rename(folder.File("outside/site"), folder.File("t/d"));
            });
            r = RunInProcess({"--recursive", folder.File("t")}, folder);
        }
        fs::rename(folder.File("t/d"), folder.File("outside/site"));
        EXPECT_EQ(Outside(), before);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("another folder was put in its place"), std::string::npos) << r.err;
    }

    // Between writing a page and its rename the page gives way to a link: the rename replaces the link itself, and
    // what it pointed to stays as it was.
    TEST_F(TreeRace, ALinkSwappedInBeforeTheRenameIsReplacedNotFollowed)
    {
        const std::vector<LockFixture::FileState> before = Outside();
        Result r;
        {
            const SwapBefore swap(Handles::Step::Rename, folder.File("t/a.html"), [&] {
                SwapForLink("t/a.html", "outside/important.conf");
            });
            r = RunInProcess({"--recursive", folder.File("t")}, folder);
        }
        EXPECT_EQ(Outside(), before);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_FALSE(fs::is_symlink(folder.File("t/a.html")));
    }

    // An output folder is its owner's alone while pages are put in it, whatever its source's mode, which it takes
    // once they are in.
    TEST_F(TreeRace, AnOutputFolderIsOwnerOnlyWhileItIsWritten)
    {
        fs::permissions(folder.File("t/d"), fs::perms(0755));
        fs::perms whileWritten = fs::perms::unknown;
        Result r;
        {
            const SwapBefore look(Handles::Step::Rename, folder.File("out/d/p1.html"), [&] {
                whileWritten = fs::status(folder.File("out/d")).permissions();
            });
            r = RunInProcess({"--recursive", "--output", folder.File("out"), folder.File("t")}, folder);
        }
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(whileWritten, fs::perms::owner_all);
        EXPECT_EQ(fs::status(folder.File("out/d")).permissions(), fs::perms(0755));
    }

    // A link named on the command line locks its target, resolved once: pointed elsewhere after that, it leads the
    // lock nowhere else, and the target keeps its own attributes.
    TEST_F(TreeRace, ANamedLinkLocksTheTargetItHadWhenItWasResolved)
    {
        const std::string target = folder.File("t/a.html");
        const std::string link = folder.File("t/link.html");
        fs::create_symlink(target, link);
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
        const std::vector<LockFixture::FileState> before = Outside();
        Result r;
        {
            const SwapBefore swap(Handles::Step::OpenFile, link, [&] {
                fs::remove(link);
                fs::create_symlink(folder.File("outside/important.conf"), link);
            });
            r = RunInProcess({link}, folder);
        }
        EXPECT_EQ(Outside(), before);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(ReadFile(target).starts_with("<!--Protected by Quillgate"));
        EXPECT_EQ(fs::status(target).permissions() & fs::perms::mask,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
} // namespace
