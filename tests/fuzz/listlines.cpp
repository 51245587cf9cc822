// The list file line reader against the rule it documents: the text ends at its first NUL, CR LF, a lone CR
// and a lone LF each end a line, and a line end at the very end adds no empty line.

#include "engine/listlines.h"
#include "tests/fuzz/fuzzcheck.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using FuzzCheck::Require;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = ListLines::SplitListLines(bytes);

    // The text up to its first NUL with every line end written as one LF.
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    std::string normalized;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        normalized += text[i] == '\r' ? '\n' : text[i];
    }

    std::string joined;
    for (const std::string& line : lines) {
        Require(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos, "no line holds CR, LF or NUL");
        joined += line;
        joined += '\n';
    }
    Require(joined == normalized || joined == normalized + '\n',
            "the lines joined with LF give the text with its line ends as LF");
    Require(lines.empty() == normalized.empty(), "only an empty text gives no line");
    return 0;
}
