#include "cli/shown.h"

#include "engine/textbytes.h"

#include <cstdio>

namespace ShellText
{
    namespace
    {
        // One character of text as it stands: the bytes of one UTF-8 sequence, or a single byte that begins none.
        struct Character
        {
            std::string_view bytes;
            char32_t code = 0;
            bool valid = false;
        };

        Character NextCharacter(std::string_view text)
        {
            const auto lead = static_cast<unsigned char>(text[0]);
            const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
            const std::string_view sequence = text.substr(0, length);
            // A lone continuation byte is no character, whatever follows it.
            if (lead < 0x80 || (lead >= 0xC0 && TextBytes::IsValidUtf8(sequence))) {
                const std::u16string units = TextBytes::Utf8ToUtf16(sequence);
                const char32_t code = units.size() == 2
                    ? 0x10000 + ((char32_t(units[0]) - 0xD800) << 10) + (units[1] - 0xDC00)
                    : units[0];
                return {sequence, code, true};
            }
            return {text.substr(0, 1)};
        }

        bool IsEscaped(const Character& c)
        {
            const char32_t u = c.code;
            return !c.valid || u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0x061C || u == 0x200E || u == 0x200F
                || u == 0x2028 || u == 0x2029 || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
        }

        // The escape of a character that IsEscaped, as $'...' reads it.
        std::string Escape(const Character& c)
        {
            if (c.valid && c.code == '\n') {
                return "\\n";
            }
            if (c.valid && c.code == '\t') {
                return "\\t";
            }
            if (c.valid && c.code == '\r') {
                return "\\r";
            }
            const bool character = c.valid && c.code >= 0x80;
            char escape[8];
            std::snprintf(escape,
                          sizeof escape,
                          character ? "\\u%04X" : "\\x%02X",
                          character ? unsigned(c.code) : unsigned(static_cast<unsigned char>(c.bytes[0])));
            return escape;
        }
    } // namespace

    std::string Shown(std::string_view text)
    {
        std::string quoted;
        bool escaped = false;
        for (std::string_view rest = text; !rest.empty();) {
            const Character c = NextCharacter(rest);
            rest.remove_prefix(c.bytes.size());
            if (IsEscaped(c)) {
                escaped = true;
                quoted += Escape(c);
                continue;
            }
            if (c.bytes == "\\" || c.bytes == "'") {
                quoted += '\\';
            }
            quoted += c.bytes;
        }
        return escaped ? "$'" + quoted + "'" : std::string(text);
    }
} // namespace ShellText
