#pragma once

// The four colour schemes of a locked page: the code a caller passes, the scheme's name (the wizard's caption
// and the folder of its sample pages) and the two colours the page is filled with. Both kinds of page, the
// classic and the strong one, take their colours from here, so they look alike.

#include <array>
#include <string_view>

namespace PageColors
{
    // Colour codes, 0x00BBGGRR.
    constexpr int White = 0xFFFFFF;
    constexpr int Black = 0x000000;
    constexpr int Yellow = 0x00FFFF;
    constexpr int Blue = 0xFF0000;

    struct Scheme
    {
        int code;
        std::string_view name;
        std::string_view background; // as the page's CSS takes it, RRGGBB
        std::string_view text;
    };

    // In the order the wizard offers them; the first also serves any code not in the table.
    constexpr std::array<Scheme, 4> Schemes = {{
        {White, "White", "FFFFFF", "000000"},
        {Black, "Black", "000000", "FFFFFF"},
        {Yellow, "Yellow", "FF8040", "007FBF"},
        {Blue, "Blue", "0000FF", "FFFF00"},
    }};

    constexpr const Scheme& SchemeOf(int code)
    {
        for (const Scheme& scheme : Schemes) {
            if (scheme.code == code) {
                return scheme;
            }
        }
        return Schemes[0];
    }
} // namespace PageColors
