#pragma once

// How the command prints a file or user name, so that every output line stays one name and shows what the name
// really holds.

#include <string>
#include <string_view>

namespace ShellText
{
    // text as it is when it is plain UTF-8; otherwise in the shell's $'...' form, which bash reads back as the same
    // bytes. Escaped are control characters (C0, DEL and the C1 controls U+0080 to U+009F), the line and paragraph
    // separators U+2028 and U+2029, and the bidirectional controls (U+061C, U+200E, U+200F, U+202A to U+202E,
    // U+2066 to U+2069), which would break a line or reorder what a terminal shows, and every byte that is no part
    // of valid UTF-8. Bytes are written \xHH, those characters \uHHHH, and a backslash or quote within as \\ or \'.
    std::string Shown(std::string_view text);
} // namespace ShellText
