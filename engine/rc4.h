#pragma once

// The content cipher (an RC4 variant with its own key schedule and start position) and the packing of bytes
// into letters of the 64-letter alphabet, exactly as the page script undoes them.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace Rc4
{
    // The key schedule indexes the table by key position, so a key has at most this many bytes. A longer key
    // cannot be repeated by the page script; only its first MaxKeyLength bytes are used, which keeps the table
    // in range.
    constexpr std::size_t MaxKeyLength = 256;

    // A key is a zero-terminated text: it ends at its first zero byte. Data, in contrast, is taken by length.
    constexpr std::string_view UsedKey(std::string_view key)
    {
        return key.substr(0, std::min(key.find('\0'), MaxKeyLength));
    }

    // The bytes the cipher combines with data positions 0 .. length - 1. They depend on the key and the
    // position only, so every 256-byte block of a page is combined with the same stream.
    std::string KeyStream(std::string_view key, std::size_t length);

    // data XOR KeyStream(key, data.size()); the same call encrypts and decrypts. Zero bytes count like any other.
    std::string CipherBytes(std::string_view key, std::string_view data);

    // 4 letters per 3 bytes, plus 2 for one byte left over and 3 for two.
    constexpr std::size_t PackedLength(std::size_t byteCount)
    {
        constexpr std::size_t tail[3] = {0, 2, 3};
        return 4 * (byteCount / 3) + tail[byteCount % 3];
    }

    // Packs length bytes into PackedLength(length) letters at out, lowest six bits first; returns the end.
    char* PackInto(const unsigned char* bytes, std::size_t length, char* out);

    std::string PackText(std::string_view bytes);

    // The bytes a packed text holds; characters outside the alphabet (quotes, commas, blanks) are skipped and
    // bits left over at the end are dropped.
    std::string UnpackText(std::string_view text);

    // PackText(CipherBytes(key, plaintext)).
    std::string EncryptText(std::string_view key, std::string_view plaintext);

    // CipherBytes(key, UnpackText(text)).
    std::string DecryptText(std::string_view key, std::string_view text);
} // namespace Rc4
