#pragma once

// The password digest: MD5 words and the 22-character digest text the page script computes the same way.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace Md5
{
    // The four MD5 state words A, B, C, D after the last block, as the page script's signed 32-bit numbers.
    using Words = std::array<std::int32_t, 4>;

    // MD5 of the bytes. The bit length is written with its high 32 bits as zero, as the page script does.
    Words DigestWords(std::string_view bytes);

    // The 22 alphabet characters made from the words by the page script's bit selection.
    std::string DigestTextOfWords(const Words& words);

    // DigestTextOfWords(DigestWords(bytes)).
    std::string DigestText(std::string_view bytes);

    // The XOR of the digest text's character codes as two uppercase hexadecimal digits.
    std::string CheckValue(std::string_view digestText);
} // namespace Md5
