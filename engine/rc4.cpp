#include "engine/rc4.h"

#include "engine/alphabet.h"

#include <array>
#include <numeric>
#include <utility>

namespace Rc4
{
    std::string KeyStream(std::string_view key, std::size_t length)
    {
        std::array<unsigned char, 256> s{};
        std::iota(s.begin(), s.end(), 0);

        // The schedule walks the key from its last byte to its first, one swap per key byte, and swaps the table
        // entry at the key position itself.
        key = UsedKey(key);
        unsigned y = 0;
        for (std::size_t x = key.size(); x-- > 0;) {
            y = (static_cast<unsigned char>(key[x]) + s[x] + y) & 255;
            std::swap(s[x], s[y]);
        }

        std::string stream(length, '\0');
        y = 0;
        for (std::size_t m = 0; m < length; ++m) {
            const std::size_t x2 = m & 255;
            const unsigned char a = s[x2];
            y = (y + a) & 255;
            s[x2] = s[y];
            s[y] = a;
            stream[m] = static_cast<char>(s[(s[x2] + s[y]) & 255]);
        }
        return stream;
    }

    std::string CipherBytes(std::string_view key, std::string_view data)
    {
        std::string result = KeyStream(key, data.size());
        for (std::size_t m = 0; m < data.size(); ++m) {
            result[m] = static_cast<char>(result[m] ^ data[m]);
        }
        return result;
    }

    char* PackInto(const unsigned char* bytes, std::size_t length, char* out)
    {
        constexpr std::string_view letters = Alphabet::Letters;
        std::size_t i = 0;
        for (; i + 3 <= length; i += 3) {
            const unsigned value = bytes[i] | unsigned(bytes[i + 1]) << 8 | unsigned(bytes[i + 2]) << 16;
            out[0] = letters[value & 63];
            out[1] = letters[(value >> 6) & 63];
            out[2] = letters[(value >> 12) & 63];
            out[3] = letters[value >> 18];
            out += 4;
        }
        const std::size_t rest = length - i;
        if (rest > 0) {
            const unsigned value = bytes[i] | (rest == 2 ? unsigned(bytes[i + 1]) << 8 : 0U);
            *out++ = letters[value & 63];
            *out++ = letters[(value >> 6) & 63];
            if (rest == 2) {
                *out++ = letters[value >> 12];
            }
        }
        return out;
    }

    std::string PackText(std::string_view bytes)
    {
        std::string text(PackedLength(bytes.size()), '\0');
        PackInto(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), text.data());
        return text;
    }

    std::string UnpackText(std::string_view text)
    {
        std::string bytes;
        bytes.reserve(text.size() * 3 / 4);
        unsigned bitCount = 0;
        unsigned carry = 0;
        for (const char c : text) {
            const int v = Alphabet::Indexes[static_cast<unsigned char>(c)];
            if (v < 0) {
                continue;
            }
            const auto index = static_cast<unsigned>(v);
            if (bitCount != 0) {
                bytes.push_back(static_cast<char>(((index << (8 - bitCount)) & 255) | carry));
            }
            carry = index >> bitCount;
            bitCount = (bitCount + 2) % 8;
        }
        return bytes;
    }

    std::string EncryptText(std::string_view key, std::string_view plaintext)
    {
        return PackText(CipherBytes(key, plaintext));
    }

    std::string DecryptText(std::string_view key, std::string_view text)
    {
        return CipherBytes(key, UnpackText(text));
    }
} // namespace Rc4
