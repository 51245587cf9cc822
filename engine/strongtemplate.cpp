#include "engine/strongtemplate.h"

#include <algorithm>

namespace StrongTemplate
{
    bool Fill(const std::vector<std::pair<std::string_view, std::string_view>>& values,
              std::string& page,
              std::string& error)
    {
        const std::string_view file = EmbeddedFile();
        for (const auto& [mark, value] : values) {
            if (file.find(mark) == std::string_view::npos) {
                error = "the strong page template lacks " + std::string(mark);
                return false;
            }
        }
        page.clear();
        std::size_t at = 0;
        // Values are never searched again, so the sealed data can be long and hold anything.
        for (std::size_t open = file.find("<#"); open != std::string_view::npos; open = file.find("<#", at)) {
            page.append(file.substr(at, open - at));
            const std::size_t close = file.find('>', open);
            const std::string_view mark = file.substr(open, close == std::string_view::npos ? close : close + 1 - open);
            const auto value = std::find_if(values.begin(), values.end(), [&](const auto& v) {
                return v.first == mark;
            });
            if (value == values.end()) {
                error = "the strong page template holds the unknown placeholder " + std::string(mark);
                return false;
            }
            page.append(value->second);
            at = open + mark.size();
        }
        page.append(file.substr(at));
        return true;
    }
} // namespace StrongTemplate
