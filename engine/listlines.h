#pragma once

// The one line reader of the list files (file lists and user lists), and the user list's own rules, which the
// wizard and the command both follow.

#include <string>
#include <string_view>
#include <vector>

namespace ListLines
{
    // What makes a list file's text unusable.
    enum class ListFault
    {
        None,
        NotUtf8, // a user list whose text is not UTF-8
        NulByte // no path, user name or password holds a NUL byte: the file is damaged, or no list file at all
    };

    // A list file's lines, or the fault that makes it unusable (then there are no lines).
    struct ListText
    {
        std::vector<std::string> lines;
        ListFault fault = ListFault::None;
        std::size_t faultLine = 0; // the number, from 1, of the first line holding a NUL byte
    };

    // Splits a list file's bytes into lines: a line ends at CR LF, a lone CR or a lone LF; a last line without
    // an end still counts, a line end at the very end adds no empty line. Text holding a NUL byte is refused
    // whole: read up to it, a list would lose every line after it without a word.
    ListText SplitListLines(std::string_view bytes);

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

    // The entries of a user list file, as its lines. The file is UTF-8 text (a leading byte-order mark, which
    // editors write to mark UTF-8, is dropped); anything else is refused (NotUtf8), since a password read in
    // another encoding would lock pages with characters nobody typed, and so is text holding a NUL byte. Lines
    // without a TAB, or starting with one, hold no user and are dropped; the others are kept as they stand,
    // blanks included.
    ListText UserListEntries(std::string_view bytes);

    // text without a leading UTF-8 byte-order mark.
    std::string_view WithoutByteOrderMark(std::string_view text);
} // namespace ListLines
