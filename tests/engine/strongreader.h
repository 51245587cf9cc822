#pragma once

// Opens strong pages in the tests as the page script does, from the layout in docs/strong-format.md rather than
// from the engine's writer: the base64 in qgData, the header, a key derived for the login and tried on every key
// table entry, then the content opened and inflated.

#include <optional>
#include <string>
#include <string_view>

namespace StrongReader
{
    enum class Outcome
    {
        Opened,
        WrongLogin, // no entry opens with the login
        Damaged, // malformed, or the content fails its tag or does not inflate
    };

    struct Result
    {
        Outcome outcome = Outcome::Damaged;
        std::string content; // when Opened
    };

    // Inflates the zlib data deflated as DecompressionStream('deflate') does: false unless it is one whole stream.
    bool Inflate(std::string_view deflated, std::string& content);

    // The base64 text of qgData in page, a view into it; empty when there is none.
    std::string_view SealedDataText(std::string_view page);

    // The sealed data of a strong page: SealedDataText decoded; empty when there is none.
    std::string SealedData(std::string_view page);

    // The key table entry a login opens, with the key derived as the page script derives it (the salt, iteration
    // count and login kind read from header) and tried on every 60-byte entry of table: the entry's index, or -1
    // when none opens; nothing when no key could be derived for the login. key receives the content key.
    std::optional<int> OpenKeyTable(std::string_view header,
                                    std::string_view table,
                                    std::string_view user,
                                    std::string_view password,
                                    std::string& key);

    // Opens the page with a login (an empty user name on a single-password page or for the master).
    Result Open(std::string_view page, std::string_view user, std::string_view password);
} // namespace StrongReader
