#pragma once

// Who of a user list can log in on the locked pages. The wizard and the command decide by this one rule before
// they lock anything: a user who could never log in is left out of the pages and named, and a list in which
// nobody could is refused, since its pages could never be opened again.

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace UserLogins
{
    // The page format the users log in on.
    enum class Format
    {
        Classic,
        Strong
    };

    // What keeps a user from ever logging in.
    enum class Bar
    {
        EmptyName,
        EmptyPassword, // neither page's login takes an empty password
        NotUtf8, // strong pages take names and passwords as UTF-8 text
        // Classic pages read every character modulo 256 (see TextBytes::UnicodeToBytes), and their script takes
        // name and password together as a key of at most Encrypthtml::MaxUserKeyLength bytes without a zero byte.
        KeyUnusable,
        TabInName // classic: a character of the name reaches the page as a TAB, where the entry would split
    };

    // What a run does with a user list.
    struct Decision
    {
        std::vector<std::size_t> admitted; // the users who go into the pages, as indexes into the list, in order
        std::vector<std::pair<std::size_t, Bar>> leftOut; // the others, with what bars them, in list order
        // Strong pages take each name once (compared in NFC form, as the page compares what is typed): the index
        // of the first admitted user whose name an earlier one has. Such a list is refused whole.
        std::optional<std::size_t> repeatedName;
    };

    // Decides for entries "name TAB password" (UTF-8 text, split at the first TAB, as user list files hold them)
    // on pages of the format.
    Decision Decide(const std::vector<std::string>& entries, Format format);

    // Why a user is left out, for messages: "the password is empty", say.
    std::string BarText(Bar bar);
} // namespace UserLogins
