#include "engine/listlines.h"

#include "engine/textbytes.h"

#include <algorithm>

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

    ListText SplitListLines(std::string_view bytes)
    {
        ListText text;
        std::vector<std::string>& lines = text.lines;
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
        const auto nul = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.find('\0') != std::string::npos;
        });
        if (nul != lines.end()) {
            text.fault = ListFault::NulByte;
            text.faultLine = static_cast<std::size_t>(nul - lines.begin()) + 1;
            lines.clear();
        }
        return text;
    }

    UserEntry SplitUserEntry(std::string_view entry)
    {
        return Split(entry);
    }

    Utf16UserEntry SplitUserEntry(std::u16string_view entry)
    {
        return Split(entry);
    }

    ListText UserListEntries(std::string_view bytes)
    {
        const std::string_view text = WithoutByteOrderMark(bytes);
        if (!TextBytes::IsValidUtf8(text)) {
            return {{}, ListFault::NotUtf8};
        }
        ListText entries = SplitListLines(text);
        std::erase_if(entries.lines, [](const std::string& line) {
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
