#pragma once

// The 64-letter alphabet shared by the digest text and the packing, and the way back from a letter to its index.

#include <array>
#include <string_view>

namespace Alphabet
{
    constexpr std::string_view Letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

    // Index of each byte value in Letters, or -1 for a byte that is not a letter of the alphabet.
    constexpr std::array<signed char, 256> Indexes = [] {
        std::array<signed char, 256> indexes{};
        indexes.fill(-1);
        for (std::size_t v = 0; v < Letters.size(); ++v) {
            indexes[static_cast<unsigned char>(Letters[v])] = static_cast<signed char>(v);
        }
        return indexes;
    }();
} // namespace Alphabet
