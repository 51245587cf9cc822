#include "engine/encrypthtml.h"

#include "engine/md5.h"
#include "engine/pagetemplate.h"
#include "engine/rc4.h"
#include "tests/engine/lockfixture.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/namedcases.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/fs.h>
#include <optional>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
    using namespace Encrypthtml;
    using LockFixture::BlockList;
    using LockFixture::ReadFile;
    using LockFixture::SampleContent;
    using LockFixture::TempFolder;
    using LockFixture::WriteFile;

    constexpr std::string_view s_password = "secret1";

    bool LockSingle(const std::string& path, LockReport& report, bool backup = false, int pageColor = ColorWhite)
    {
        int answer = RelockAsk;
        return LockPage(path, s_password, backup, ProtectPage, pageColor, SinglePassword, answer, {}, {}, &report);
    }

    const PageTemplate::Template& Template()
    {
        std::string error;
        const PageTemplate::Template* t = PageTemplate::Embedded(error);
        EXPECT_NE(t, nullptr) << error;
        static const PageTemplate::Template s_empty;
        return t != nullptr ? *t : s_empty;
    }

    std::string Between(const std::string& text, std::string_view open, std::string_view close)
    {
        const std::size_t start = text.find(open);
        if (start == std::string::npos) {
            return "(missing " + std::string(open) + ")";
        }
        const std::size_t end = text.find(close, start + open.size());
        return text.substr(start + open.size(), end - start - open.size());
    }

    // ---- Block list ------------------------------------------------------------------------------------------

    struct BlockCase
    {
        std::size_t size;
        std::size_t blocks;
        std::size_t lastLength;
    };

    void PrintTo(const BlockCase& c, std::ostream* os)
    {
        *os << c.size << " bytes";
    }

    class BlockBoundaries : public testing::TestWithParam<BlockCase>
    { };

    TEST_P(BlockBoundaries, ContentIsCutInto256ByteBlocksThatEachDecryptAlone)
    {
        const BlockCase& c = GetParam();
        TempFolder folder;
        const std::string path = folder.File("page.html");
        const std::string content = SampleContent(c.size);
        WriteFile(path, content);
        LockReport report;
        ASSERT_TRUE(LockSingle(path, report)) << report.detail;

        const std::vector<std::string> blocks = BlockList(ReadFile(path));
        ASSERT_EQ(blocks.size(), c.blocks);
        const std::string key = Md5::DigestText(s_password);
        std::string decrypted;
        for (std::size_t i = 0; i < blocks.size(); ++i) {
            EXPECT_EQ(blocks[i].size(), i + 1 < blocks.size() ? 342 : c.lastLength) << i;
            EXPECT_EQ(blocks[i], Rc4::EncryptText(key, content.substr(256 * i, 256))) << i;
            decrypted += Rc4::DecryptText(key, blocks[i]);
        }
        EXPECT_EQ(decrypted, content);
    }

    INSTANTIATE_TEST_SUITE_P(Sizes,
                             BlockBoundaries,
                             testing::Values(BlockCase{0, 0, 0},
                                             BlockCase{1, 1, 2},
                                             BlockCase{255, 1, 340},
                                             BlockCase{256, 1, 342},
                                             BlockCase{257, 2, 2},
                                             BlockCase{512, 2, 342},
                                             BlockCase{513, 3, 2},
                                             BlockCase{1000, 4, 310}),
                             [](const testing::TestParamInfo<BlockCase>& info) {
                                 return "Bytes" + std::to_string(info.param.size);
                             });

    // ---- Placeholders and fragments --------------------------------------------------------------------------

    // The page filled the plain way, one placeholder after the other in the locker's order, each block
    // enciphered on its own; the locker must give exactly this.
    std::string ReferencePage(const std::string& content,
                              bool users,
                              std::string_view onload,
                              std::string_view save,
                              const std::vector<std::pair<std::string, std::string>>& userList)
    {
        namespace P = PageTemplate;
        const P::Template& t = Template();
        std::string page = t.section(P::Page);
        auto fill = [&page](std::string_view mark, std::string_view value) {
            const std::size_t at = page.find(mark);
            ASSERT_NE(at, std::string::npos) << mark;
            page.replace(at, mark.size(), value);
        };
        const std::string key = Md5::DigestText(s_password);
        std::string blocks;
        for (std::size_t at = 0; at < content.size(); at += 256) {
            blocks += (at > 0 ? ",'" : "'") + Rc4::EncryptText(key, content.substr(at, 256)) + "'";
        }
        std::string userMasterString;
        for (const auto& [name, password] : userList) {
            userMasterString +=
                Md5::DigestText(name) + Rc4::EncryptText(name + password, s_password) + Md5::DigestText(password);
        }
        fill(P::CharsetMark, "iso-8859-1");
        fill(P::CheckValueMark, Md5::CheckValue(key));
        fill(P::UserParaInfoMark, users ? "msg100," : "");
        fill(P::BlockListMark, blocks);
        fill(P::MasterPasswordMark, users ? t.section(P::MasterPassword) : "");
        if (users) {
            fill(P::UserMasterStringMark, userMasterString);
        }
        fill(P::OnloadMark, t.section(onload));
        fill(P::SavePasswordMark, save.empty() ? "" : t.section(save));
        fill(P::UserTextInputValueMark, users ? "document.forms['qpfw'].qvusr.value," : "");
        fill(P::BackgroundColorMark, "FFFFFF");
        fill(P::TextColorMark, "000000");
        fill(P::UserInputTextMark, users ? t.section(P::UserInputText) : "");
        return page;
    }

    struct FragmentCase
    {
        const char* name;
        int protectionType;
        int passwordType;
        bool users;
        std::string_view onload;
        std::string_view save;
    };

    void PrintTo(const FragmentCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class FragmentChoice : public testing::TestWithParam<FragmentCase>
    { };

    TEST_P(FragmentChoice, PageIsTheTemplateWithEveryPlaceholderFilled)
    {
        const FragmentCase& c = GetParam();
        const std::vector<std::pair<std::string, std::string>> users = {{"alice", "wonderland"}, {"bob", "builder"}};
        const std::string content = SampleContent(700);
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, content);
        int answer = RelockAsk;
        LockReport report;
        ASSERT_TRUE(LockPage(path,
                             s_password,
                             false,
                             c.protectionType,
                             ColorWhite,
                             c.passwordType,
                             answer,
                             {"alice\twonderland", "bob\tbuilder"},
                             {},
                             &report))
            << report.detail;
        const std::string page = ReadFile(path);

        EXPECT_TRUE(page.starts_with(LockedMarker));
        EXPECT_EQ(page.find("<#"), std::string::npos);
        EXPECT_TRUE(std::all_of(page.begin(), page.end(), [](char ch) {
            return ch > 0;
        })) << "7-bit text only";
        EXPECT_EQ(page, ReferencePage(content, c.users, c.onload, c.save, c.users ? users : decltype(users){}));
    }

    namespace P = PageTemplate;

    INSTANTIATE_TEST_SUITE_P(
        Types,
        FragmentChoice,
        testing::Values(
            FragmentCase{"PageSingle", ProtectPage, SinglePassword, false, P::OnloadPageSingle, {}},
            FragmentCase{"PageUser", ProtectPage, UserPassword, true, P::OnloadPageUser, {}},
            FragmentCase{
                "SessionSingle", ProtectSession, SinglePassword, false, P::OnloadCookieSingle, P::SaveSessionSingle},
            FragmentCase{"SessionUser", ProtectSession, UserPassword, true, P::OnloadCookieUser, P::SaveSessionUser},
            FragmentCase{
                "CookieSingle", ProtectCookie, SinglePassword, false, P::OnloadCookieSingle, P::SaveCookieSingle},
            FragmentCase{"CookieUser", ProtectCookie, UserPassword, true, P::OnloadCookieUser, P::SaveCookieUser},
            FragmentCase{"OtherProtectionIsPage", 999, SinglePassword, false, P::OnloadPageSingle, {}},
            // A password type code other than 2001 gives a whole single page, never a mix of both kinds.
            FragmentCase{
                "OtherPasswordTypeIsSingle", ProtectCookie, 1234, false, P::OnloadCookieSingle, P::SaveCookieSingle}),
        NamedCases::ByName());

    // The page's own identifiers are defined in this order, whatever the page's kind.
    TEST(LockPage, PageScriptDefinesItsIdentifiersInOrder)
    {
        const std::string_view definitions[] = {
            "var tab=",        "function HHHHH(", "function MHHHHH(", "function bb128(", "function ss2b(",
            "function sadf(",  "function rrrll(", "function cmn(",    "function ff(",    "function gg(",
            "function hh(",    "function ii(",    "function Cmmmmm(", "function CDDDD(", "function b128tty(",
            "function cc1r2(", "function ccln9(", "function hp3962(", "var DDDDD100;",
        };
        for (const int passwordType : {SinglePassword, UserPassword}) {
            std::string page;
            std::vector<std::string> omitted;
            std::string error;
            ASSERT_TRUE(BuildPage("x", s_password, ProtectCookie, ColorWhite, passwordType, {}, page, omitted, error));
            std::size_t last = 0;
            for (const std::string_view definition : definitions) {
                const std::size_t at = page.find(definition);
                ASSERT_NE(at, std::string::npos) << definition;
                EXPECT_GT(at, last) << definition;
                EXPECT_EQ(page.find(definition, at + 1), std::string::npos) << definition;
                last = at;
            }
        }
    }

    TEST(LockPage, CheckValueOfThePagePasswordStandsInThePage)
    {
        std::string page;
        std::vector<std::string> omitted;
        std::string error;
        ASSERT_TRUE(BuildPage("", "abc", ProtectPage, ColorWhite, SinglePassword, {}, page, omitted, error));
        EXPECT_EQ(Between(page, "MMMCC='", "'"), "5F");
        EXPECT_EQ(Between(page, "NNNII=[", "]"), "");
    }

    struct ColorCase
    {
        int code;
        const char* background;
        const char* text;
    };

    void PrintTo(const ColorCase& c, std::ostream* os)
    {
        *os << std::hex << c.code;
    }

    class ColorTable : public testing::TestWithParam<ColorCase>
    { };

    TEST_P(ColorTable, PageColourGivesBackgroundAndText)
    {
        std::string page;
        std::vector<std::string> omitted;
        std::string error;
        ASSERT_TRUE(BuildPage("x", s_password, ProtectPage, GetParam().code, SinglePassword, {}, page, omitted, error));
        EXPECT_NE(
            page.find(std::string("bgcolor=\"#") + GetParam().background + "\" text=\"#" + GetParam().text + "\""),
            std::string::npos);
    }

    INSTANTIATE_TEST_SUITE_P(Codes,
                             ColorTable,
                             testing::Values(ColorCase{ColorWhite, "FFFFFF", "000000"},
                                             ColorCase{ColorBlack, "000000", "FFFFFF"},
                                             ColorCase{ColorYellow, "FF8040", "007FBF"},
                                             ColorCase{ColorBlue, "0000FF", "FFFF00"},
                                             ColorCase{0x123456, "FFFFFF", "000000"},
                                             ColorCase{-1, "FFFFFF", "000000"}),
                             [](const testing::TestParamInfo<ColorCase>& info) {
                                 return std::to_string(info.index);
                             });

    // ---- User master string ----------------------------------------------------------------------------------

    std::string UserMasterStringOf(const std::vector<std::string>& userList, std::vector<std::string>& omitted)
    {
        std::string page;
        std::string error;
        EXPECT_TRUE(BuildPage("x", "MasterPw1", ProtectPage, ColorWhite, UserPassword, userList, page, omitted, error));
        return Between(page, "UMP333='", "'");
    }

    TEST(LockPage, UserMasterStringHoldsEachUsersDigestsAroundTheEncryptedMasterPassword)
    {
        std::vector<std::string> omitted;
        const std::string ums = UserMasterStringOf({"alice\tpw\tx", "bob\t"}, omitted);
        // alice's password is everything after the first TAB, TAB included; bob's is empty.
        const std::string alice =
            Md5::DigestText("alice") + Rc4::EncryptText("alicepw\tx", "MasterPw1") + Md5::DigestText("pw\tx");
        const std::string bob = Md5::DigestText("bob") + Rc4::EncryptText("bob", "MasterPw1") + Md5::DigestText("");
        EXPECT_EQ(ums, alice + bob);
        EXPECT_TRUE(omitted.empty());
        EXPECT_EQ(Rc4::DecryptText("alicepw\tx", ums.substr(22, Rc4::PackedLength(9))), "MasterPw1");
    }

    TEST(LockPage, EmptyUserListGivesAnEmptyUserMasterString)
    {
        std::vector<std::string> omitted;
        EXPECT_EQ(UserMasterStringOf({}, omitted), "");
    }

    TEST(LockPage, UsersWhoseKeyTheScriptCannotUseAreLeftOutAndNamed)
    {
        const std::string name200(200, 'n');
        const std::string fits = name200 + "\t" + std::string(56, 'p'); // key of exactly 256 bytes
        const std::string tooLong = "x" + name200 + "\t" + std::string(56, 'p');
        const std::string zeroByte = std::string("zed\tp\0w", 7);
        std::vector<std::string> omitted;
        const std::string ums = UserMasterStringOf({"a\tb", tooLong, fits, zeroByte}, omitted);
        EXPECT_EQ(omitted, (std::vector<std::string>{"x" + name200, "zed"}));

        std::vector<std::string> none;
        EXPECT_EQ(ums, UserMasterStringOf({"a\tb", fits}, none));
        // The rule the command checks its users file by before it locks anything.
        EXPECT_TRUE(UserKeyFits(fits));
        EXPECT_FALSE(UserKeyFits(tooLong));
        EXPECT_FALSE(UserKeyFits(zeroByte));
        EXPECT_FALSE(UserKeyFits(std::string("z\0d\tpw", 6)));
    }

    TEST(LockPage, OmittedUsersReachTheReport)
    {
        TempFolder folder;
        const std::string path = folder.File("a.html");
        WriteFile(path, "<p>hi</p>");
        int answer = RelockAsk;
        LockReport report;
        const std::vector<std::string> users = {"ok\tpass", std::string(300, 'u') + "\tp"};
        ASSERT_TRUE(
            LockPage(path, s_password, false, ProtectPage, ColorWhite, UserPassword, answer, users, {}, &report));
        EXPECT_EQ(report.omittedUsers, std::vector<std::string>{std::string(300, 'u')});
        EXPECT_EQ(report.status, LockStatus::Locked);
    }

    // ---- Relock answer ---------------------------------------------------------------------------------------

    struct RelockCase
    {
        const char* name;
        int answerBefore;
        bool lockedBefore;
        std::optional<RelockChoice> reply; // set when the question is expected
        bool locked;
        int answerAfter;
    };

    void PrintTo(const RelockCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class RelockStateTable : public testing::TestWithParam<RelockCase>
    { };

    TEST_P(RelockStateTable, AnswerDecidesAndIsUpdated)
    {
        const RelockCase& c = GetParam();
        TempFolder folder;
        const std::string path = folder.File("page.html");
        const std::string content =
            c.lockedBefore ? std::string(LockedMarker) + "<html>old</html>" : "<html>new</html>";
        WriteFile(path, content);

        std::vector<std::string> questions;
        const RelockQuestion ask = [&](const std::string& question) {
            questions.push_back(question);
            return c.reply.value_or(RelockChoice::Yes);
        };
        int answer = c.answerBefore;
        LockReport report;
        const bool locked =
            LockPage(path, s_password, false, ProtectPage, ColorWhite, SinglePassword, answer, {}, ask, &report);

        EXPECT_EQ(locked, c.locked);
        EXPECT_EQ(answer, c.answerAfter);
        EXPECT_EQ(report.status, c.locked ? LockStatus::Locked : LockStatus::Declined);
        if (c.reply) {
            EXPECT_EQ(questions,
                      std::vector<std::string>{"The html file " + path
                                               + " has been locked before, do you want to lock it again? "});
        } else {
            EXPECT_TRUE(questions.empty());
        }
        const std::string after = ReadFile(path);
        if (c.locked) {
            // Locked again: the whole old page is the new page's content.
            std::string decrypted;
            for (const std::string& block : BlockList(after)) {
                decrypted += Rc4::DecryptText(Md5::DigestText(s_password), block);
            }
            EXPECT_EQ(decrypted, content);
        } else {
            EXPECT_EQ(after, content);
        }
    }

    INSTANTIATE_TEST_SUITE_P(
        States,
        RelockStateTable,
        testing::Values(RelockCase{"AskNotLocked", RelockAsk, false, {}, true, RelockAsk},
                        RelockCase{"AskYes", RelockAsk, true, RelockChoice::Yes, true, RelockAsk},
                        RelockCase{"AskNo", RelockAsk, true, RelockChoice::No, false, RelockAsk},
                        RelockCase{"AskYesToAll", RelockAsk, true, RelockChoice::YesToAll, true, RelockAll},
                        RelockCase{"AskNoToAll", RelockAsk, true, RelockChoice::NoToAll, false, RelockNone},
                        RelockCase{"AllLocked", RelockAll, true, {}, true, RelockAll},
                        RelockCase{"NoneLocked", RelockNone, true, {}, false, RelockNone},
                        RelockCase{"AllNotLocked", RelockAll, false, {}, true, RelockAll},
                        RelockCase{"NoneNotLocked", RelockNone, false, {}, true, RelockNone}),
        NamedCases::ByName());

    TEST(LockPage, OnlyAFileStartingWithTheWholeMarkerIsAskedAbout)
    {
        const std::string marker(LockedMarker);
        const std::pair<std::string, bool> cases[] = {
            {marker, true},
            {marker + "<html>", true},
            {marker.substr(0, marker.size() - 1), false},
            {"<!--protected by Quillgate, Orvantic Software Inc.-->", false},
            {" " + marker, false},
            {"\xEF\xBB\xBF" + marker, false},
        };
        for (const auto& [content, asked] : cases) {
            TempFolder folder;
            const std::string path = folder.File("p.html");
            WriteFile(path, content);
            int questions = 0;
            int answer = RelockAsk;
            LockPage(
                path, s_password, false, ProtectPage, ColorWhite, SinglePassword, answer, {}, [&](const std::string&) {
                    ++questions;
                    return RelockChoice::No;
                });
            EXPECT_EQ(questions, asked ? 1 : 0) << content;
        }
    }

    TEST(LockPage, LockedFileWithoutACallbackIsSkipped)
    {
        TempFolder folder;
        const std::string path = folder.File("p.html");
        const std::string content = std::string(LockedMarker) + "x";
        WriteFile(path, content);
        LockReport report;
        EXPECT_FALSE(LockSingle(path, report));
        EXPECT_EQ(report.status, LockStatus::Declined);
        EXPECT_EQ(ReadFile(path), content);
    }

    // ---- Backup ----------------------------------------------------------------------------------------------

    TEST(LockPage, BackupKeepsTheFileAsItWasBeside)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        const std::string content = SampleContent(3000);
        WriteFile(path, content);
        std::filesystem::permissions(path, std::filesystem::perms(0640));
        LockReport report;
        ASSERT_TRUE(LockSingle(path, report, true)) << report.detail;
        EXPECT_EQ(ReadFile(path + ".bak"), content);
        EXPECT_EQ(std::filesystem::status(path + ".bak").permissions(), std::filesystem::perms(0640));
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"index.html", "index.html.bak"}));
    }

    TEST(LockPage, WithoutBackupNoCopyIsMade)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>x</p>");
        LockReport report;
        ASSERT_TRUE(LockSingle(path, report, false));
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.html"});
    }

    // A backup holds the file as it was before this lock; only when the page is locked again does the backup hold
    // the one plain copy there is, and then it stays.
    TEST(LockPage, BackupTakesTheCurrentFileButNeverReplacesThePlainCopyOfAPageLockedAgain)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        const auto lock = [&path](LockReport& report) {
            int answer = RelockAll;
            return LockPage(path, s_password, true, ProtectPage, ColorWhite, SinglePassword, answer, {}, {}, &report);
        };
        WriteFile(path, "<p>first</p>");
        WriteFile(path + ".bak", "an old copy, longer than the current file");
        LockReport report;
        ASSERT_TRUE(lock(report)) << report.detail;
        EXPECT_EQ(ReadFile(path + ".bak"), "<p>first</p>");
        EXPECT_FALSE(report.backupKept);

        const std::string lockedOnce = ReadFile(path);
        ASSERT_TRUE(lock(report)) << report.detail;
        EXPECT_EQ(ReadFile(path + ".bak"), "<p>first</p>");
        EXPECT_TRUE(report.backupKept);
        EXPECT_NE(ReadFile(path), lockedOnce);
        EXPECT_TRUE(IsLockedPage(ReadFile(path)));

        // A backup that is a locked page itself is no plain copy: it takes the current file.
        WriteFile(path + ".bak", lockedOnce);
        const std::string lockedTwice = ReadFile(path);
        ASSERT_TRUE(lock(report)) << report.detail;
        EXPECT_EQ(ReadFile(path + ".bak"), lockedTwice);
        EXPECT_FALSE(report.backupKept);
    }

    // ---- Files and their faults ------------------------------------------------------------------------------

    TEST(LockPage, PageKeepsTheFilesPermissions)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>x</p>");
        std::filesystem::permissions(path, std::filesystem::perms(0604));
        LockReport report;
        ASSERT_TRUE(LockSingle(path, report));
        EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0604));
    }

    // A rename would replace a read-only file (even for its owner, who could not write to it): it is refused
    // before anything is read or copied.
    TEST(LockPage, ReadOnlyFileIsLeftAsItIs)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>keep</p>");
        std::filesystem::permissions(path, std::filesystem::perms(0444));
        LockReport report;
        EXPECT_FALSE(LockSingle(path, report, true));
        EXPECT_EQ(report.status, LockStatus::WriteFailed);
        EXPECT_NE(report.detail.find("read-only"), std::string::npos) << report.detail;
        EXPECT_EQ(ReadFile(path), "<p>keep</p>");
        EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0444));
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.html"});
    }

    // LockSingle run as the unprivileged user "nobody" in a child process: the status it reports, or nothing.
    std::optional<LockStatus> LockSingleAsNobody(const std::string& path, bool backup)
    {
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0) {
                _exit(255);
            }
            LockReport report;
            LockSingle(path, report, backup);
            _exit(static_cast<int>(report.status));
        }
        int status = 0;
        if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255) {
            return std::nullopt;
        }
        return static_cast<LockStatus>(WEXITSTATUS(status));
    }

    // In a folder open to all, a user could rename a page or a backup over another user's file that they may not
    // write.
    TEST(LockPage, FileOrBackupThatMayNotBeWrittenIsLeftAsItIs)
    {
        if (geteuid() != 0) {
            GTEST_SKIP() << "needs root to hand files to another user";
        }
        TempFolder folder;
        std::filesystem::permissions(folder.Path(), std::filesystem::perms::all);
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>root's</p>");
        std::filesystem::permissions(path, std::filesystem::perms(0644));
        EXPECT_EQ(LockSingleAsNobody(path, false), LockStatus::WriteFailed);
        EXPECT_EQ(ReadFile(path), "<p>root's</p>");

        // Now the page is nobody's, but its older copy is still root's.
        WriteFile(path + ".bak", "<p>older</p>");
        std::filesystem::permissions(path + ".bak", std::filesystem::perms(0644));
        ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
        EXPECT_EQ(LockSingleAsNobody(path, true), LockStatus::BackupFailed);
        EXPECT_EQ(ReadFile(path), "<p>root's</p>");
        EXPECT_EQ(ReadFile(path + ".bak"), "<p>older</p>");
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"index.html", "index.html.bak"}));
        // Without the backup nobody may lock their own page.
        EXPECT_EQ(LockSingleAsNobody(path, false), LockStatus::Locked);
    }

    TEST(LockPage, ReadOnlyBackupCopyIsKeptAndNothingIsLocked)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>current</p>");
        WriteFile(path + ".bak", "<p>older</p>");
        std::filesystem::permissions(path + ".bak", std::filesystem::perms(0444));
        LockReport report;
        EXPECT_FALSE(LockSingle(path, report, true));
        EXPECT_EQ(report.status, LockStatus::BackupFailed);
        EXPECT_NE(report.detail.find("index.html.bak is read-only"), std::string::npos) << report.detail;
        EXPECT_EQ(ReadFile(path), "<p>current</p>");
        EXPECT_EQ(ReadFile(path + ".bak"), "<p>older</p>");
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"index.html", "index.html.bak"}));
    }

    TEST(LockPage, SymbolicLinkStaysAndItsTargetIsLocked)
    {
        TempFolder folder;
        const std::string target = folder.File("real.html");
        const std::string link = folder.File("link.html");
        WriteFile(target, "<p>x</p>");
        std::filesystem::create_symlink("real.html", link);
        LockReport report;
        ASSERT_TRUE(LockSingle(link, report)) << report.detail;
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        EXPECT_TRUE(IsLockedPage(ReadFile(target)));
    }

    TEST(LockPage, SameInputGivesByteIdenticalPages)
    {
        TempFolder folder;
        const std::string content = SampleContent(5000);
        std::string pages[2];
        for (std::string& page : pages) {
            const std::string path = folder.File("p.html");
            WriteFile(path, content);
            int answer = RelockAsk;
            ASSERT_TRUE(
                LockPage(path, s_password, false, ProtectCookie, ColorBlue, UserPassword, answer, {"u\tp"}, {}));
            page = ReadFile(path);
        }
        EXPECT_EQ(pages[0], pages[1]);
    }

    TEST(LockPage, MissingFileAndEmptyPasswordAreRefusedSilently)
    {
        TempFolder folder;
        LockReport report;
        EXPECT_FALSE(LockSingle(folder.File("none.html"), report));
        EXPECT_EQ(report.status, LockStatus::Missing);

        const std::string file = folder.File("file");
        WriteFile(file, "<p>x</p>");
        EXPECT_FALSE(LockSingle(file + "/below.html", report));
        EXPECT_EQ(report.status, LockStatus::Missing);

        int answer = RelockAsk;
        EXPECT_FALSE(LockPage(file, "", false, ProtectPage, ColorWhite, SinglePassword, answer, {}, {}, &report));
        EXPECT_EQ(report.status, LockStatus::EmptyPassword);
        EXPECT_EQ(ReadFile(file), "<p>x</p>");
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"file"});
    }

    TEST(LockPage, UnreadableFilesAreReported)
    {
        TempFolder folder;
        LockReport report;
        EXPECT_FALSE(LockSingle(folder.Path().string(), report));
        EXPECT_EQ(report.status, LockStatus::ReadFailed);
        EXPECT_FALSE(report.detail.empty());
        EXPECT_TRUE(folder.Names().empty());
        // A pipe is refused rather than read, which could block for ever.
        const std::string fifo = folder.File("pipe.html");
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        EXPECT_FALSE(LockSingle(fifo, report));
        EXPECT_EQ(report.status, LockStatus::ReadFailed);
        EXPECT_TRUE(std::filesystem::is_fifo(fifo));

        // The kernel refuses to read this file at offset 0, for root as well.
        EXPECT_FALSE(LockSingle("/proc/self/mem", report));
        EXPECT_EQ(report.status, LockStatus::ReadFailed);
        EXPECT_NE(report.detail.find("/proc/self/mem"), std::string::npos) << report.detail;
    }

    TEST(LockPage, BackupOntoAFolderFailsAndNothingIsWritten)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        WriteFile(path, "<p>original</p>");
        std::filesystem::create_directory(path + ".bak");
        WriteFile(path + ".bak/keep", "kept");
        LockReport report;
        EXPECT_FALSE(LockSingle(path, report, true));
        EXPECT_EQ(report.status, LockStatus::BackupFailed);
        EXPECT_FALSE(report.detail.empty());
        EXPECT_EQ(ReadFile(path), "<p>original</p>");
        EXPECT_EQ(ReadFile(path + ".bak/keep"), "kept");
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"index.html", "index.html.bak"}));
    }

    TEST(LockPage, WriteThatFailsPartWayLeavesTheOriginal)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        const std::string content = SampleContent(6000);
        WriteFile(path, content);
        LockReport report;
        {
            const FileSizeLimit limit(8000);
            EXPECT_FALSE(LockSingle(path, report));
        }
        EXPECT_EQ(report.status, LockStatus::WriteFailed);
        EXPECT_FALSE(report.detail.empty());
        EXPECT_EQ(ReadFile(path), content);
        EXPECT_EQ(folder.Names(), std::vector<std::string>{"index.html"});
    }

    TEST(LockPage, BackupThatFailsPartWayKeepsTheOldCopyAndTheOriginal)
    {
        TempFolder folder;
        const std::string path = folder.File("index.html");
        const std::string content = SampleContent(6000);
        WriteFile(path, content);
        WriteFile(path + ".bak", "older copy");
        LockReport report;
        {
            const FileSizeLimit limit(3000);
            EXPECT_FALSE(LockSingle(path, report, true));
        }
        EXPECT_EQ(report.status, LockStatus::BackupFailed);
        EXPECT_EQ(ReadFile(path), content);
        EXPECT_EQ(ReadFile(path + ".bak"), "older copy");
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"index.html", "index.html.bak"}));
    }

    // Makes a folder refuse new files: the immutable flag stops root too; without the right to set it, a
    // non-root user falls back to the permission bits. False when neither works.
    class ReadOnlyFolder
    {
    public:
        explicit ReadOnlyFolder(const std::filesystem::path& path) : m_path(path)
        {
            if (SetImmutable(true)) {
                m_immutable = true;
            } else if (geteuid() != 0) {
                std::filesystem::permissions(path, std::filesystem::perms(0555));
                m_readOnlyBits = true;
            }
        }
        ~ReadOnlyFolder()
        {
            if (m_immutable) {
                SetImmutable(false);
            }
            if (m_readOnlyBits) {
                std::filesystem::permissions(m_path, std::filesystem::perms::owner_all);
            }
        }
        ReadOnlyFolder(const ReadOnlyFolder&) = delete;
        ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

        bool IsReadOnly() const
        {
            return m_immutable || m_readOnlyBits;
        }

    private:
        bool SetImmutable(bool on) const
        {
            const int fd = open(m_path.c_str(), O_RDONLY | O_DIRECTORY);
            if (fd < 0) {
                return false;
            }
            int flags = 0;
            bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
            if (done) {
                flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
                done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
            }
            close(fd);
            return done;
        }

        std::filesystem::path m_path;
        bool m_immutable = false;
        bool m_readOnlyBits = false;
    };

    TEST(LockPage, ReadOnlyFolderLeavesTheOriginal)
    {
        TempFolder folder;
        const std::filesystem::path inner = folder.Path() / "site";
        std::filesystem::create_directory(inner);
        const std::string path = (inner / "index.html").string();
        WriteFile(path, "<p>original</p>");
        LockReport plain;
        LockReport withBackup;
        {
            const ReadOnlyFolder readOnly(inner);
            if (!readOnly.IsReadOnly()) {
                GTEST_SKIP() << "running as root without the right to set the immutable flag";
            }
            EXPECT_FALSE(LockSingle(path, plain));
            EXPECT_FALSE(LockSingle(path, withBackup, true));
        }
        EXPECT_EQ(plain.status, LockStatus::WriteFailed);
        EXPECT_EQ(withBackup.status, LockStatus::BackupFailed);
        EXPECT_EQ(ReadFile(path), "<p>original</p>");
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(inner), {}), 1);
    }

    // ---- Locking into another file ---------------------------------------------------------------------------

    TEST(LockPageCopy, WritesThePageLockPageWouldWriteAndLeavesTheSource)
    {
        TempFolder folder;
        const std::string source = folder.File("index.html");
        const std::string copy = folder.File("copy.html");
        const std::string inPlace = folder.File("inplace.html");
        const std::string content = SampleContent(1000);
        WriteFile(source, content);
        WriteFile(inPlace, content);
        WriteFile(copy, "an older copy");
        std::filesystem::permissions(source, std::filesystem::perms(0640));
        int answer = RelockAsk;
        LockReport report;
        ASSERT_TRUE(
            LockPageCopy(source, copy, "pw", ProtectCookie, ColorBlue, UserPassword, answer, {"u\tp"}, {}, &report))
            << report.detail;
        ASSERT_TRUE(LockPage(inPlace, "pw", false, ProtectCookie, ColorBlue, UserPassword, answer, {"u\tp"}, {}));
        EXPECT_EQ(ReadFile(source), content);
        EXPECT_EQ(ReadFile(copy), ReadFile(inPlace));
        EXPECT_EQ(std::filesystem::status(copy).permissions(), std::filesystem::perms(0640));
        EXPECT_EQ(folder.Names(), (std::vector<std::string>{"copy.html", "index.html", "inplace.html"}));
    }
} // namespace
