#pragma once

// Text typed as Unicode becomes engine bytes by the page script's own rule, and the trim rule that every
// password and user-name check applies first.

#include <string>
#include <string_view>

namespace TextBytes
{
    // Each UTF-16 code unit modulo 256: the browser reads a typed password's characters the same way.
    std::string UnicodeToBytes(std::u16string_view text);

    // UTF-8 (as a terminal or a file gives it) to UTF-16; invalid sequences become U+FFFD.
    std::u16string Utf8ToUtf16(std::string_view text);

    // True when Utf8ToUtf16 replaces nothing: text in another encoding would otherwise give other characters.
    bool IsValidUtf8(std::string_view text);

    // The text without its leading and trailing characters of code 32 or less; blanks inside stay. The same for
    // UTF-8 text, where those characters are single bytes.
    std::u16string_view Trimmed(std::u16string_view text);
    std::string_view Trimmed(std::string_view utf8);

    // Bounds for every password, counted in characters after trimming.
    constexpr std::size_t MinPasswordLength = 6;
    constexpr std::size_t MaxPasswordLength = 25;
    inline bool IsPasswordLengthValid(std::size_t length)
    {
        return length >= MinPasswordLength && length <= MaxPasswordLength;
    }

    // The bounds as every message and hint shows them: "6--25".
    std::string PasswordLengthRange();

    // The refusal of a password whose trimmed length is out of bounds.
    std::string PasswordLengthMessage();
} // namespace TextBytes
