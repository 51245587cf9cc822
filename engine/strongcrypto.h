#pragma once

// The primitives of strong pages, each a thin call into a library: OpenSSL for AES-256-GCM, PBKDF2-HMAC-SHA-256,
// SHA-256, random bytes and base64; zlib for deflate; ICU for Unicode normalisation. Byte strings throughout.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace StrongCrypto
{
    constexpr std::size_t KeySize = 32; // AES-256 and every derived key
    constexpr std::size_t NonceSize = 12; // the GCM nonce
    constexpr std::size_t TagSize = 16; // the GCM tag

    // The UTF-8 of the NFC form of UTF-8 text, so that a password typed as "é" or as "e" and a combining accent
    // gives the same bytes here as String.prototype.normalize('NFC') gives in the page. False for text that is not
    // valid UTF-8.
    bool NormalizeNfc(std::string_view utf8, std::string& result);

    // The KeySize-byte PBKDF2-HMAC-SHA-256 of password and salt; false only when the library fails.
    bool Pbkdf2(std::string_view password, std::string_view salt, std::uint32_t iterations, std::string& key);

    // Appends the AES-256-GCM encryption of plain under key and nonce, with associated data aad, followed by the
    // tag. False only when the library fails.
    bool Seal(std::string_view key,
              std::string_view nonce,
              std::string_view aad,
              std::string_view plain,
              std::string& sealed);

    // The inverse of Seal for the tests: false when the tag does not match.
    bool Open(std::string_view key,
              std::string_view nonce,
              std::string_view aad,
              std::string_view sealed,
              std::string& plain);

    // data deflated in the zlib format, which DecompressionStream('deflate') reads.
    bool Deflate(std::string_view data, std::string& deflated);

    // The SHA-256 digest of data (32 bytes).
    std::string Sha256(std::string_view data);

    // Fills count bytes from the system's random generator; false when it cannot.
    bool SystemRandom(unsigned char* bytes, std::size_t count);

    // Standard base64 with padding, one line.
    std::string Base64(std::string_view bytes);

    // Overwrites the bytes of a secret before its memory is given back.
    void Wipe(std::string& secret);
} // namespace StrongCrypto
