#include "engine/charset.h"

#include "engine/encrypthtml.h"
#include "tests/support/namedcases.h"

#include <gtest/gtest.h>

namespace
{
    struct CharsetCase
    {
        const char* name;
        std::string content;
        const char* label;
    };

    void PrintTo(const CharsetCase& c, std::ostream* os)
    {
        *os << c.name;
    }

    const std::string s_utf8Text = "<p>Gr\xC3\xBC\xC3\x9F"
                                   "e \xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80</p>";

    // Undeclared legacy text, as browsers guess it (Chromium reads each as named).
    const std::string s_cyrillic1251 =
        "<p>\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0! \xdd\xf2\xee \xef\xf0\xee\xf1\xf2\xe0\xff "
        "\xf1\xf2\xf0\xe0\xed\xe8\xf6\xe0 \xed\xe0 \xf0\xf3\xf1\xf1\xea\xee\xec "
        "\xff\xe7\xfb\xea\xe5.</p>";
    const std::string s_japaneseShiftJis = "<p>\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x41\x90\xa2\x8a\x45\x81\x42"
                                           "\x82\xb1\x82\xea\x82\xcd\x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x79\x81\x5b"
                                           "\x83\x57\x82\xc5\x82\xb7\x81\x42</p>";
    const std::string s_german1252 =
        "<p>Die \xdc\x62\x65rpr\xfc\x66ung der Gr\xf6\xdf\x65 ergab, dass die Stra\xdf\x65 in "
        "M\xfcnchen sch\xf6n ist; B\xfcrger \xe4u\xdf\x65rn Gef\xfchle.</p>";

    class Detection : public testing::TestWithParam<CharsetCase>
    { };

    TEST_P(Detection, GivesTheLabelWholeAndFedByteByByte)
    {
        const CharsetCase& c = GetParam();
        EXPECT_EQ(Charset::Detect(c.content), c.label);
        Charset::Detector detector;
        for (const char byte : c.content) {
            detector.feed(std::string_view(&byte, 1));
        }
        EXPECT_EQ(detector.label(), c.label);
    }

    INSTANTIATE_TEST_SUITE_P(
        Cases,
        Detection,
        testing::Values(
            CharsetCase{"Empty", "", "iso-8859-1"},
            CharsetCase{"PlainAscii", "<html><body>plain</body></html>", "iso-8859-1"},
            CharsetCase{"ValidUtf8", s_utf8Text, "utf-8"},
            CharsetCase{"ByteOrderMarkWithAscii", "\xEF\xBB\xBF<p>x</p>", "utf-8"},
            CharsetCase{"Utf16LittleEndianMarkBeatsADeclaration",
                        std::string("\xFF\xFE<\0m\0e\0t\0a\0 \0c\0h\0a\0r\0s\0e\0t\0=\0b\0i\0g\0005\0>\0", 38),
                        "utf-8"},
            CharsetCase{"Utf16BigEndianMark", std::string("\xFE\xFF\0<\0p\0>", 8), "utf-8"},
            CharsetCase{"Latin1Bytes",
                        "<p>Gr\xFC\xDF"
                        "e</p>",
                        "iso-8859-1"},
            CharsetCase{"Utf8CutAtTheEnd", "abc\xC3", "iso-8859-1"},
            CharsetCase{"UndeclaredCyrillicIsGuessed", s_cyrillic1251, "windows-1251"},
            CharsetCase{"UndeclaredJapaneseIsGuessed", s_japaneseShiftJis, "shift_jis"},
            CharsetCase{"UndeclaredGermanStaysLatin1", s_german1252, "iso-8859-1"},
            CharsetCase{"TextBeyondTheGuessedStartIsNotGuessed",
                        std::string(Charset::GuessLength, ' ') + s_cyrillic1251,
                        "iso-8859-1"},
            CharsetCase{"DeclarationBeatsTheGuess", "<meta charset=koi8-r>" + s_cyrillic1251, "koi8-r"},
            CharsetCase{"Overlong", "a\xC0\xAF", "iso-8859-1"},
            CharsetCase{"Surrogate", "a\xED\xA0\x80", "iso-8859-1"},
            CharsetCase{"AboveUnicode", "a\xF4\x90\x80\x80", "iso-8859-1"},
            CharsetCase{"MetaCharset", "<head><meta charset=\"windows-1251\"></head>", "windows-1251"},
            CharsetCase{"MetaCharsetUnquotedUpperCase", "<META CHARSET=Shift_JIS>", "shift_jis"},
            CharsetCase{"MetaSlash", "<meta/charset=big5>", "big5"},
            CharsetCase{
                "HttpEquiv", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=GB18030\">", "gb18030"},
            CharsetCase{"HttpEquivAfterContent",
                        "<meta content=\"text/html;charset='EUC-KR'\" http-equiv=content-type>",
                        "euc-kr"},
            CharsetCase{"ContentWithoutHttpEquiv", "<meta content=\"text/html; charset=koi8-r\">", "iso-8859-1"},
            CharsetCase{"DeclarationBeatsValidUtf8", "<meta charset=iso-8859-2>" + s_utf8Text, "iso-8859-2"},
            CharsetCase{"DeclaredUtf8", "<meta charset=UTF8><p>Gr\xFC</p>", "utf-8"},
            CharsetCase{"DeclaredUtf16IsUtf8", "<meta charset=utf-16le>", "utf-8"},
            // Browsers read every windows-1252 label with that one decoder, so each is declared as it is.
            CharsetCase{"DeclaredAsciiIsKept", "<meta charset=us-ascii>" + s_utf8Text, "us-ascii"},
            CharsetCase{"DeclaredWindows1252IsKept", "<meta charset=Windows-1252>", "windows-1252"},
            CharsetCase{"DeclaredUserDefinedIsWindows1252", "<meta charset=x-user-defined>", "windows-1252"},
            // A label browsers do not know declares nothing: the next declaration or the text decides.
            CharsetCase{"UnknownLabelOverUtf8", "<meta charset=x-unknown>" + s_utf8Text, "utf-8"},
            CharsetCase{"Utf7OverUtf8",
                        "<meta http-equiv=Content-Type content=\"text/html; charset=utf-7\">" + s_utf8Text,
                        "utf-8"},
            CharsetCase{"UnknownLabelOverCyrillic", "<meta charset=x-unknown>" + s_cyrillic1251, "windows-1251"},
            CharsetCase{"UnknownLabelOverLatin1Bytes", "<meta charset=utf-7><p>Gr\xFC</p>", "iso-8859-1"},
            CharsetCase{"UnknownLabelThenAKnownOne", "<meta charset=x-unknown><meta charset=big5>", "big5"},
            CharsetCase{"TwoLabelsInOneAreNoLabel", "<meta charset=\"koi8-r koi8-u\">", "iso-8859-1"},
            CharsetCase{"DeclaredReplacementEncodingIsLatin1", "<meta charset=ISO-2022-KR>", "iso-8859-1"},
            CharsetCase{"ByteOrderMarkBeatsDeclaration", "\xEF\xBB\xBF<meta charset=windows-1251>", "utf-8"},
            CharsetCase{"BlanksAroundTheLabel", "<meta charset=\"  KOI8-R  \">", "koi8-r"},
            CharsetCase{"FirstDeclarationCounts", "<meta charset=koi8-u><meta charset=big5>", "koi8-u"},
            CharsetCase{"MalformedLabelIsSkipped", "<meta charset=\"a b\"><meta charset=big5>", "big5"},
            CharsetCase{"LabelWithMarkupIsRefused", "<meta charset='x\"><script>alert(1)</script>'>", "iso-8859-1"},
            CharsetCase{"OverlongLabelIsRefused", "<meta charset=" + std::string(41, 'a') + ">", "iso-8859-1"},
            CharsetCase{"InsideAComment", "<!-- <meta charset=windows-1251> -->", "iso-8859-1"},
            CharsetCase{"AfterAnEmptyComment", "<!--><meta charset=windows-1251>", "windows-1251"},
            CharsetCase{"InsideAnotherTagsAttribute", "<div title=\"<meta charset=koi8-r>\">", "iso-8859-1"},
            CharsetCase{"OtherElementNamedMeta", "<metadata charset=big5>", "iso-8859-1"},
            CharsetCase{"BeyondThePrescan", std::string(1024, ' ') + "<meta charset=big5>", "iso-8859-1"},
            CharsetCase{"CutByThePrescan", std::string(1010, ' ') + "<meta charset=big5>", "iso-8859-1"},
            CharsetCase{"EndsInsideATag", "<meta charset=big5", "iso-8859-1"}),
        NamedCases::ByName());

    // The UTF-16 text of each case is written little-endian, and also big-endian by swapping the bytes of each
    // code unit.
    struct Utf16Case
    {
        const char* name;
        std::string littleEndian; // after the byte-order mark
        std::string utf8;
    };

    std::string BigEndian(std::string text)
    {
        for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
            std::swap(text[i], text[i + 1]);
        }
        return text;
    }

    TEST(Utf16ToUtf8, DecodesAsBrowsersDoWholeAndByteByByte)
    {
        using namespace std::string_literals;
        const std::string replacement = "\xEF\xBF\xBD";
        const Utf16Case cases[] = {
            {"Empty", "", ""},
            {"Ascii", "<\0p\0>\0"s, "<p>"},
            {"TwoAndThreeBytes", "\xFC\0\x71\x67"s, "\xC3\xBC\xE6\x9D\xB1"},
            {"SurrogatePair", "\x3D\xD8\x00\xDE"s, "\xF0\x9F\x98\x80"},
            {"HighSurrogateBeforeALetter",
             "\x3D\xD8"
             "a\0"s,
             replacement + "a"},
            {"HighSurrogateTwice", "\x3D\xD8\x3D\xD8\x00\xDE"s, replacement + "\xF0\x9F\x98\x80"},
            {"LoneLowSurrogate", "a\0\x00\xDE"s, "a" + replacement},
            {"HighSurrogateAtTheEnd", "a\0\x3D\xD8"s, "a" + replacement},
            {"OddLastByte", "a\0b"s, "a" + replacement},
            {"LaterMarkIsKept", "a\0\xFF\xFE"s, "a\xEF\xBB\xBF"},
        };
        for (const Utf16Case& c : cases) {
            for (const Charset::Utf16 order : {Charset::Utf16::LittleEndian, Charset::Utf16::BigEndian}) {
                const bool big = order == Charset::Utf16::BigEndian;
                const std::string bytes = big ? "\xFE\xFF" + BigEndian(c.littleEndian) : "\xFF\xFE" + c.littleEndian;
                ASSERT_EQ(Charset::Utf16Order(bytes), order) << c.name;
                std::string converted;
                EXPECT_EQ(Charset::LockedText(bytes, converted), c.utf8) << c.name << (big ? " big" : " little");
                Charset::Utf16ToUtf8 decoder(order);
                std::string pieces;
                for (const char byte : bytes) {
                    pieces += decoder.convert(std::string_view(&byte, 1));
                }
                pieces += decoder.finish();
                EXPECT_EQ(pieces, c.utf8) << c.name << (big ? " big" : " little") << ", byte by byte";
            }
        }
    }

    // A start that settles the label keeps it whatever follows; one too short to hold the whole prescan, or one
    // without a declaration, settles nothing.
    TEST(Detection, DeclaredOnlyWhenTheStartSettlesTheLabel)
    {
        const std::string blank(Charset::PrescanLength, ' ');
        const std::pair<std::string, bool> cases[] = {
            {"\xEF\xBB\xBF" + blank, true},
            {"\xFF\xFE" + blank, true},
            {"<meta charset=windows-1251>" + blank, true},
            {"<meta charset=utf-8>" + blank, true},
            {"<meta charset=windows-1251>", false},
            {blank, false},
            {blank + "<meta charset=big5>", false},
        };
        for (const auto& [start, declared] : cases) {
            Charset::Detector detector;
            detector.feed(start);
            EXPECT_EQ(detector.declared(), declared) << start.substr(0, 30);
            if (declared) {
                const std::string label = detector.label();
                detector.feed("\xFF" + s_utf8Text);
                EXPECT_EQ(detector.label(), label) << start.substr(0, 30);
            }
        }
    }

    // The declaration of the locked page: a page locked again keeps its source's charset, found in the first
    // page's own declaration.
    TEST(Detection, LockedPageDeclaresItsSourcesCharsetAndKeepsItWhenLockedAgain)
    {
        for (const auto& [content, label] : {std::pair<std::string, std::string>{s_utf8Text, "utf-8"},
                                             {"<meta charset=windows-1251><p>\xCF\xF0\xE8</p>", "windows-1251"},
                                             {"<meta charset=windows-1252><p>5 \x80</p>", "windows-1252"},
                                             {"<p>plain</p>", "iso-8859-1"}}) {
            std::string page = content;
            for (int round = 0; round < 2; ++round) {
                std::vector<std::string> omitted;
                std::string error;
                std::string locked;
                ASSERT_TRUE(Encrypthtml::BuildPage(page,
                                                   "secret1",
                                                   Encrypthtml::ProtectPage,
                                                   Encrypthtml::ColorWhite,
                                                   Encrypthtml::SinglePassword,
                                                   {},
                                                   locked,
                                                   omitted,
                                                   error))
                    << error;
                EXPECT_NE(locked.find("content=\"text/html; charset=" + label + "\">"), std::string::npos) << label;
                EXPECT_EQ(Charset::Detect(locked), label);
                page = locked;
            }
        }
    }
} // namespace
