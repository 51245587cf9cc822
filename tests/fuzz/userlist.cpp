// The engine's pieces of a user list file reader: the UTF-8 check and conversion, the line reader, the split of
// a line at its TAB into name and password as engine bytes, the two rules that decide which users a page can
// hold, and the decision of who can log in on a classic page that rests on them.

#include "engine/encrypthtml.h"
#include "engine/listlines.h"
#include "engine/rc4.h"
#include "engine/textbytes.h"
#include "engine/userlogins.h"
#include "tests/fuzz/fuzzcheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace
{
    using FuzzCheck::Require;

    std::string EngineBytes(std::string_view utf8)
    {
        return TextBytes::UnicodeToBytes(TextBytes::Utf8ToUtf16(utf8));
    }

    // UTF-16 back to UTF-8, written apart from the engine's decoder as the check of its way in.
    std::string Utf16ToUtf8(std::u16string_view text)
    {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i) {
            char32_t value = text[i];
            if (value >= 0xD800 && value <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
                && text[i + 1] <= 0xDFFF) {
                value = 0x10000 + ((value - 0xD800) << 10) + (text[++i] - 0xDC00);
            }
            if (value < 0x80) {
                out += char(value);
            } else if (value < 0x800) {
                out += char(0xC0 | (value >> 6));
                out += char(0x80 | (value & 0x3F));
            } else if (value < 0x10000) {
                out += char(0xE0 | (value >> 12));
                out += char(0x80 | ((value >> 6) & 0x3F));
                out += char(0x80 | (value & 0x3F));
            } else {
                out += char(0xF0 | (value >> 18));
                out += char(0x80 | ((value >> 12) & 0x3F));
                out += char(0x80 | ((value >> 6) & 0x3F));
                out += char(0x80 | (value & 0x3F));
            }
        }
        return out;
    }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    // A file that is not UTF-8 is refused before its lines are read.
    if (!TextBytes::IsValidUtf8(file)) {
        return 0;
    }
    Require(Utf16ToUtf8(TextBytes::Utf8ToUtf16(file)) == file, "valid UTF-8 converts to UTF-16 and back unchanged");

    const ListLines::ListText entries = ListLines::UserListEntries(file);
    Require((entries.fault == ListLines::ListFault::NulByte) == (file.find('\0') != std::string_view::npos),
            "a user list is refused exactly when it holds a NUL byte");
    const UserLogins::Decision decision = UserLogins::Decide(entries.lines, UserLogins::Format::Classic);
    Require(decision.admitted.size() + decision.leftOut.size() == entries.lines.size() && !decision.repeatedName,
            "a classic run takes or leaves out every user, names given twice included");
    std::size_t admitted = 0;
    for (std::size_t i = 0; i < entries.lines.size(); ++i) {
        const std::string& line = entries.lines[i];
        const std::size_t tab = line.find('\t');
        Require(tab != std::string::npos && tab != 0, "every entry holds a TAB after a name");
        const std::string name = EngineBytes(line.substr(0, tab));
        const std::string entry = EngineBytes(line);
        Require(entry == name + '\t' + EngineBytes(line.substr(tab + 1)),
                "a line's engine bytes are its name's and its password's, TAB between");
        Require(Encrypthtml::UserNameFits(name) == (entry.find('\t') == name.size()),
                "a name fits exactly when the entry's first TAB follows it");

        // The key the page script derives for the user: the entry without the TAB it splits at.
        std::string key = entry;
        key.erase(entry.find('\t'), 1);
        Require(Encrypthtml::UserKeyFits(entry) == (Rc4::UsedKey(key) == key),
                "a user's key fits exactly when the cipher uses all of it");

        // The page script lets a user in when it splits the entry after the name, takes the whole key and is
        // given a password at all.
        const bool canLogIn = entry.find('\t') == name.size() && Rc4::UsedKey(key) == key && tab + 1 < line.size();
        const bool taken = admitted < decision.admitted.size() && decision.admitted[admitted] == i;
        admitted += taken ? 1 : 0;
        Require(taken == canLogIn, "a classic run takes exactly the users the page script can let in");
    }
    return 0;
}
