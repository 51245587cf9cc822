#pragma once

// The one line reader of the list files (file lists and user lists).

#include <string>
#include <string_view>
#include <vector>

namespace ListLines
{
    // Splits a list file's bytes into lines: a line ends at CR LF, a lone CR or a lone LF; a last line without
    // an end still counts, a line end at the very end adds no empty line; the first NUL byte ends the text.
    std::vector<std::string> SplitListLines(std::string_view bytes);
} // namespace ListLines
