#include "engine/listlines.h"

#include "engine/textbytes.h"

namespace ListLines
{
    namespace
    {
        template <typename Char> BasicUserEntry<Char> Split(std::basic_string_view<Char> entry)
        {
            const std::size_t tab = entry.find(Char('\t'));
            return {entry.substr(0, tab), tab == entry.npos ? std::basic_string_view<Char>() : entry.substr(tab + 1)};
        }
    } // namespace

    std::vector<std::string> SplitListLines(std::string_view bytes)
    {
        const std::size_t nul = bytes.find('\0');
        if (nul != std::string_view::npos) {
            bytes = bytes.substr(0, nul);
        }
        std::vector<std::string> lines;
        std::size_t start = 0;
        while (start < bytes.size()) {
            const std::size_t end = bytes.find_first_of("\r\n", start);
            if (end == std::string_view::npos) {
                lines.emplace_back(bytes.substr(start));
                break;
            }
            lines.emplace_back(bytes.substr(start, end - start));
            const bool crLf = bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n';
            start = end + (crLf ? 2 : 1);
        }
        return lines;
    }

    UserEntry SplitUserEntry(std::string_view entry)
    {
        return Split(entry);
    }

    Utf16UserEntry SplitUserEntry(std::u16string_view entry)
    {
        return Split(entry);
    }

    std::optional<std::vector<std::string>> UserListEntries(std::string_view bytes)
    {
        const std::string_view text = WithoutByteOrderMark(bytes);
        if (!TextBytes::IsValidUtf8(text)) {
            return std::nullopt;
        }
        std::vector<std::string> entries = SplitListLines(text);
        std::erase_if(entries, [](const std::string& line) {
            const std::size_t tab = line.find('\t');
            return tab == std::string::npos || tab == 0;
        });
        return entries;
    }

    std::string_view WithoutByteOrderMark(std::string_view text)
    {
        return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text;
    }
} // namespace ListLines
