#pragma once

// The strong page template, engine/strongtemplate.html, compiled into the engine: one page whose placeholders
// "<#NAME>" the page builder fills.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace StrongTemplate
{
    // The placeholders; each may stand more than once, and all must be filled.
    constexpr std::string_view CharsetMark = "<#CHARSET>"; // the source's charset label
    constexpr std::string_view BackgroundColorMark = "<#BACKGROUNDCOLOR>";
    constexpr std::string_view TextColorMark = "<#TEXTCOLOR>";
    constexpr std::string_view UserInputTextMark = "<#USERINPUTTEXT>"; // the user name field, or nothing
    constexpr std::string_view ProtectionMark = "<#PROTECTION>"; // the protection type code
    constexpr std::string_view SealedDataMark = "<#SEALEDDATA>"; // the sealed data in base64

    // The bytes of engine/strongtemplate.html as built into the program.
    std::string_view EmbeddedFile();

    // The template with every placeholder replaced by its value. False, with the reason in error, when one of
    // them is missing from the template or the template holds a placeholder that has no value.
    bool Fill(const std::vector<std::pair<std::string_view, std::string_view>>& values,
              std::string& page,
              std::string& error);
} // namespace StrongTemplate
