#pragma once

// The one line reader of the list files (file lists and user lists), and the user list's own rules, which the
// wizard and the command both follow.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ListLines
{
    // Splits a list file's bytes into lines: a line ends at CR LF, a lone CR or a lone LF; a last line without
    // an end still counts, a line end at the very end adds no empty line; the first NUL byte ends the text.
    std::vector<std::string> SplitListLines(std::string_view bytes);

    // One user list entry: the user name, a TAB, the password; as bytes, or as the wizard's UTF-16 text.
    template <typename Char> struct BasicUserEntry
    {
        std::basic_string_view<Char> name;
        std::basic_string_view<Char> password;
    };
    using UserEntry = BasicUserEntry<char>;
    using Utf16UserEntry = BasicUserEntry<char16_t>;

    // An entry splits at its first TAB; without one, all of it is the name.
    UserEntry SplitUserEntry(std::string_view entry);
    Utf16UserEntry SplitUserEntry(std::u16string_view entry);

    // The entries of a user list file. The file is UTF-8 text (a leading byte-order mark, which editors write to
    // mark UTF-8, is dropped); anything else gives nothing, since a password read in another encoding would lock
    // pages with characters nobody typed. Lines without a TAB, or starting with one, hold no user and are
    // dropped; the others are kept as they stand, blanks included.
    std::optional<std::vector<std::string>> UserListEntries(std::string_view bytes);

    // text without a leading UTF-8 byte-order mark.
    std::string_view WithoutByteOrderMark(std::string_view text);
} // namespace ListLines
