#include "engine/pagetemplate.h"

#include "engine/charset.h"
#include "engine/encrypthtml.h"
#include "tests/support/namedcases.h"

#include <gtest/gtest.h>

#include <fstream>

namespace
{
    // A complete template in the file's format, small enough to read; each case below breaks one thing.
    std::string CompleteFile()
    {
        std::string file = "@@PAGE\n";
        file += Encrypthtml::LockedMarker;
        file += "<html>\n<#CHARSET><#USERPARAINFO><#ENCRYPTEDFILEINFO><#MD5HASHEDPASSWORDCRC><#CALCMASTERPASSWORD>\n"
                "<#SAVEPASSWORD><#ONLOADCHECKFUNCTION><#USERTEXTINPUTVALUE><#BACKGROUNDCOLOR><#TEXTCOLOR>\n"
                "<#USERINPUTTEXT></html>\n";
        file += "@@MASTERPASSWORD\nvar UMP333='<#USERMASTERPASSWORDSTRING>';\n";
        for (const char* name : {"USERPARAINFO",
                                 "USERTEXTINPUTVALUE",
                                 "USERINPUTTEXT",
                                 "ONLOAD_PAGE_SINGLE",
                                 "ONLOAD_PAGE_USER",
                                 "ONLOAD_COOKIE_SINGLE",
                                 "ONLOAD_COOKIE_USER",
                                 "SAVE_SESSION_SINGLE",
                                 "SAVE_SESSION_USER",
                                 "SAVE_COOKIE_SINGLE"}) {
            file += std::string("@@") + name + "\n" + name + " text\n";
        }
        file += "@@SAVE_COOKIE_USER\nlast\nsection";
        return file;
    }

    std::string Replaced(std::string text, std::string_view from, std::string_view to)
    {
        text.replace(text.find(from), from.size(), to);
        return text;
    }

    TEST(PageTemplate, EmbeddedTemplateIsComplete)
    {
        std::string error;
        const PageTemplate::Template* t = PageTemplate::Embedded(error);
        ASSERT_NE(t, nullptr) << error;
        EXPECT_TRUE(t->section(PageTemplate::Page).starts_with(Encrypthtml::LockedMarker));
        EXPECT_EQ(t->section(PageTemplate::UserParaInfo), "msg100,");
        EXPECT_EQ(t->section(PageTemplate::UserTextInputValue), "document.forms['qpfw'].qvusr.value,");
    }

    // Browsers (and the locker, for a page locked again) take the charset only from a declaration near the start.
    TEST(PageTemplate, PageDeclaresItsCharsetWhereBrowsersLookForIt)
    {
        std::string error;
        const PageTemplate::Template* t = PageTemplate::Embedded(error);
        ASSERT_NE(t, nullptr) << error;
        const std::string declaration =
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=" + std::string(PageTemplate::CharsetMark);
        const std::size_t at = t->section(PageTemplate::Page).find(declaration);
        ASSERT_NE(at, std::string::npos);
        EXPECT_LT(at + declaration.size(), Charset::PrescanLength);
    }

    TEST(PageTemplate, BuildEmbedsTheCurrentFile)
    {
        std::ifstream in(QUILLGATE_PAGE_TEMPLATE_FILE, std::ios::binary);
        const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(PageTemplate::EmbeddedFile(), file);
    }

    TEST(PageTemplate, SectionsEndBeforeTheNextSectionLineAndUseCrLf)
    {
        PageTemplate::Template t;
        std::string error;
        ASSERT_TRUE(PageTemplate::Parse("ignored header\n" + CompleteFile(), t, error)) << error;
        EXPECT_EQ(t.section("USERPARAINFO"), "USERPARAINFO text");
        EXPECT_EQ(t.section("SAVE_COOKIE_USER"), "last\r\nsection");
        EXPECT_EQ(t.section(PageTemplate::MasterPassword), "var UMP333='<#USERMASTERPASSWORDSTRING>';");
        EXPECT_TRUE(t.section(PageTemplate::Page).ends_with("\r\n<#USERINPUTTEXT></html>"));
        EXPECT_EQ(t.section("NOSUCHSECTION"), "");
    }

    TEST(PageTemplate, CrLfFileGivesTheSameSections)
    {
        std::string crLf;
        for (const char c : CompleteFile()) {
            if (c == '\n') {
                crLf += '\r';
            }
            crLf += c;
        }
        PageTemplate::Template lf;
        PageTemplate::Template fromCrLf;
        std::string error;
        ASSERT_TRUE(PageTemplate::Parse(CompleteFile(), lf, error)) << error;
        ASSERT_TRUE(PageTemplate::Parse(crLf, fromCrLf, error)) << error;
        EXPECT_EQ(lf.sections, fromCrLf.sections);
    }

    struct BrokenCase
    {
        const char* name;
        std::string file;
        const char* reason;
    };

    void PrintTo(const BrokenCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    class BrokenTemplates : public testing::TestWithParam<BrokenCase>
    { };

    TEST_P(BrokenTemplates, AreRefusedWithTheReason)
    {
        PageTemplate::Template t;
        std::string error;
        EXPECT_FALSE(PageTemplate::Parse(GetParam().file, t, error));
        EXPECT_NE(error.find(GetParam().reason), std::string::npos) << error;
    }

    INSTANTIATE_TEST_SUITE_P(
        Cases,
        BrokenTemplates,
        testing::Values(
            BrokenCase{"Empty", "", "lacks section PAGE"},
            BrokenCase{"MissingSection",
                       Replaced(CompleteFile(), "@@ONLOAD_COOKIE_USER\n", "@@\n"),
                       "lacks section ONLOAD_COOKIE_USER"},
            BrokenCase{"SectionTwice", CompleteFile() + "\n@@USERPARAINFO\nx", "section USERPARAINFO twice"},
            BrokenCase{"NoMarker", Replaced(CompleteFile(), "<!--Protected", "<!--protected"), "marker"},
            BrokenCase{"MarkerAfterBlank", Replaced(CompleteFile(), "@@PAGE\n", "@@PAGE\n "), "marker"},
            BrokenCase{"PlaceholderMissing", Replaced(CompleteFile(), "<#TEXTCOLOR>", ""), "placeholder"},
            BrokenCase{"PlaceholderTwice",
                       Replaced(CompleteFile(), "<#TEXTCOLOR>", "<#TEXTCOLOR><#TEXTCOLOR>"),
                       "placeholder"},
            BrokenCase{"PlaceholderMisspelt", Replaced(CompleteFile(), "<#TEXTCOLOR>", "<#TEXTCOLOUR>"), "TEXTCOLOR"},
            BrokenCase{"FragmentWithPlaceholder",
                       Replaced(CompleteFile(), "SAVE_SESSION_USER text", "<#TEXTCOLOR>"),
                       "SAVE_SESSION_USER"},
            BrokenCase{"MasterStringMissing",
                       Replaced(CompleteFile(), "<#USERMASTERPASSWORDSTRING>", "<#USERMASTERPASSWORD>"),
                       "USERMASTERPASSWORDSTRING"}),
        NamedCases::ByName());
} // namespace
