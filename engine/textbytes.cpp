#include "engine/textbytes.h"

#include <type_traits>

namespace TextBytes
{
    std::string UnicodeToBytes(std::u16string_view text)
    {
        std::string bytes(text.size(), '\0');
        for (std::size_t i = 0; i < text.size(); ++i) {
            bytes[i] = static_cast<char>(text[i] & 0xFF);
        }
        return bytes;
    }

    namespace
    {
        constexpr char16_t s_replacement = 0xFFFD;
        // Returned by DecodeOne for a sequence that is not UTF-8.
        constexpr char32_t s_invalid = 0xFFFFFFFF;

        // Characters of code 32 or less are single bytes in UTF-8 too, so one loop trims both forms alike.
        template <typename Char> std::basic_string_view<Char> TrimmedView(std::basic_string_view<Char> text)
        {
            const auto blank = [](Char c) {
                return static_cast<std::make_unsigned_t<Char>>(c) <= 32;
            };
            std::size_t begin = 0;
            std::size_t end = text.size();
            while (begin < end && blank(text[begin])) {
                ++begin;
            }
            while (end > begin && blank(text[end - 1])) {
                --end;
            }
            return text.substr(begin, end - begin);
        }

        // Decodes one UTF-8 sequence starting at text[i]; advances i past it. Overlong forms, surrogates,
        // values above U+10FFFF and truncated sequences give s_invalid and consume only the bytes examined.
        char32_t DecodeOne(std::string_view text, std::size_t& i)
        {
            const auto lead = static_cast<unsigned char>(text[i++]);
            if (lead < 0x80) {
                return lead;
            }
            std::size_t follow = 0;
            char32_t value = 0;
            char32_t minimum = 0;
            if ((lead & 0xE0) == 0xC0) {
                follow = 1;
                value = lead & 0x1F;
                minimum = 0x80;
            } else if ((lead & 0xF0) == 0xE0) {
                follow = 2;
                value = lead & 0x0F;
                minimum = 0x800;
            } else if ((lead & 0xF8) == 0xF0) {
                follow = 3;
                value = lead & 0x07;
                minimum = 0x10000;
            } else {
                return s_invalid;
            }
            for (std::size_t k = 0; k < follow; ++k) {
                if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
                    return s_invalid;
                }
                value = (value << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
            }
            if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
                return s_invalid;
            }
            return value;
        }
    } // namespace

    std::u16string Utf8ToUtf16(std::string_view text)
    {
        std::u16string result;
        result.reserve(text.size());
        for (std::size_t i = 0; i < text.size();) {
            const char32_t value = DecodeOne(text, i);
            if (value == s_invalid) {
                result.push_back(s_replacement);
            } else if (value >= 0x10000) {
                result.push_back(static_cast<char16_t>(0xD800 + ((value - 0x10000) >> 10)));
                result.push_back(static_cast<char16_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
            } else {
                result.push_back(static_cast<char16_t>(value));
            }
        }
        return result;
    }

    bool IsValidUtf8(std::string_view text)
    {
        for (std::size_t i = 0; i < text.size();) {
            if (DecodeOne(text, i) == s_invalid) {
                return false;
            }
        }
        return true;
    }

    std::u16string_view Trimmed(std::u16string_view text)
    {
        return TrimmedView(text);
    }

    std::string_view Trimmed(std::string_view utf8)
    {
        return TrimmedView(utf8);
    }

    std::string PasswordLengthRange()
    {
        return std::to_string(MinPasswordLength) + "--" + std::to_string(MaxPasswordLength);
    }

    std::string PasswordLengthMessage()
    {
        return "Password should consist of " + PasswordLengthRange() + " characters.";
    }
} // namespace TextBytes
