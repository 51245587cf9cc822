// The list file line reader against the rule it documents: CR LF, a lone CR and a lone LF each end a line, a
// line end at the very end adds no empty line, and text holding a NUL byte is refused with the line it is in.

#include "engine/listlines.h"
#include "tests/fuzz/fuzzcheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using FuzzCheck::Require;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ListLines::ListText text = ListLines::SplitListLines(bytes);

    // The text with every line end written as one LF.
    std::string normalized;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        normalized += bytes[i] == '\r' ? '\n' : bytes[i];
    }

    const std::size_t nul = normalized.find('\0');
    if (nul != std::string::npos) {
        Require(text.fault == ListLines::ListFault::NulByte && text.lines.empty(), "a NUL byte refuses the text");
        Require(text.faultLine == 1 + std::size_t(std::count(normalized.begin(), normalized.begin() + nul, '\n')),
                "the refusal names the line of the first NUL");
        return 0;
    }
    Require(text.fault == ListLines::ListFault::None, "text without a NUL byte is read");
    const std::vector<std::string>& lines = text.lines;
    std::string joined;
    for (const std::string& line : lines) {
        Require(line.find_first_of("\r\n") == std::string::npos, "no line holds CR or LF");
        joined += line;
        joined += '\n';
    }
    Require(joined == normalized || joined == normalized + '\n',
            "the lines joined with LF give the text with its line ends as LF");
    Require(lines.empty() == normalized.empty(), "only an empty text gives no line");
    return 0;
}
