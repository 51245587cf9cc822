#include "engine/md5.h"

#include "engine/alphabet.h"

#include <bit>
#include <cstddef>

namespace Md5
{
    namespace
    {
        constexpr std::array<std::uint32_t, 64> s_sines = {
            0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
            0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
            0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
            0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
            0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
            0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
            0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
            0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

        constexpr std::array<int, 16> s_shifts = {7, 12, 17, 22, 5, 9, 14, 20, 4, 11, 16, 23, 6, 10, 15, 21};

        using State = std::array<std::uint32_t, 4>;

        void Compress(State& state, const unsigned char* block)
        {
            std::array<std::uint32_t, 16> m{};
            for (std::size_t j = 0; j < 16; ++j) {
                m[j] = std::uint32_t(block[4 * j]) | std::uint32_t(block[4 * j + 1]) << 8
                    | std::uint32_t(block[4 * j + 2]) << 16 | std::uint32_t(block[4 * j + 3]) << 24;
            }
            std::uint32_t a = state[0];
            std::uint32_t b = state[1];
            std::uint32_t c = state[2];
            std::uint32_t d = state[3];
            for (int step = 0; step < 64; ++step) {
                const int round = step / 16;
                std::uint32_t f = 0;
                int g = 0;
                switch (round) {
                case 0:
                    f = (b & c) | (~b & d);
                    g = step;
                    break;
                case 1:
                    f = (b & d) | (c & ~d);
                    g = (5 * step + 1) % 16;
                    break;
                case 2:
                    f = b ^ c ^ d;
                    g = (3 * step + 5) % 16;
                    break;
                default:
                    f = c ^ (b | ~d);
                    g = (7 * step) % 16;
                    break;
                }
                const std::uint32_t rotated =
                    std::rotl(a + f + s_sines[std::size_t(step)] + m[std::size_t(g)], s_shifts[4 * round + step % 4]);
                a = d;
                d = c;
                c = b;
                b = b + rotated;
            }
            state[0] += a;
            state[1] += b;
            state[2] += c;
            state[3] += d;
        }
    } // namespace

    Words DigestWords(std::string_view bytes)
    {
        State state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
        const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
        const std::size_t length = bytes.size();
        std::size_t done = 0;
        for (; length - done >= 64; done += 64) {
            Compress(state, data + done);
        }

        // The tail, the 0x80 terminator, zero padding and the bit length fill one or two last blocks.
        std::array<unsigned char, 128> tail{};
        const std::size_t rest = length - done;
        for (std::size_t j = 0; j < rest; ++j) {
            tail[j] = data[done + j];
        }
        tail[rest] = 0x80;
        const std::size_t tailLength = rest + 8 < 64 ? 64 : 128;
        const auto bitLength = std::uint32_t(length * 8);
        for (std::size_t j = 0; j < 4; ++j) {
            tail[tailLength - 8 + j] = static_cast<unsigned char>(bitLength >> (8 * j));
        }
        for (std::size_t block = 0; block < tailLength; block += 64) {
            Compress(state, tail.data() + block);
        }

        Words words{};
        for (std::size_t j = 0; j < 4; ++j) {
            words[j] = static_cast<std::int32_t>(state[j]);
        }
        return words;
    }

    std::string DigestTextOfWords(const Words& words)
    {
        std::string text(22, '\0');
        for (int k = 0; k < 22; ++k) {
            const int i = 6 * k;
            const int r = i % 32;
            // The first term shifts as unsigned so that bits pushed past bit 31 are dropped without overflow;
            // the second term's right shift is arithmetic on the signed word, and its word index is i div 64.
            const auto first = static_cast<std::uint32_t>(words[std::size_t(i / 32)]) << r;
            const std::int32_t second = words[std::size_t(i / 64)] >> ((32 - r) % 32);
            text[std::size_t(k)] = Alphabet::Letters[(first | static_cast<std::uint32_t>(second)) & 63];
        }
        return text;
    }

    std::string DigestText(std::string_view bytes)
    {
        return DigestTextOfWords(DigestWords(bytes));
    }

    std::string CheckValue(std::string_view digestText)
    {
        unsigned char value = 0;
        for (const char c : digestText) {
            value ^= static_cast<unsigned char>(c);
        }
        constexpr std::string_view hexDigits = "0123456789ABCDEF";
        return {hexDigits[value >> 4], hexDigits[value & 15]};
    }
} // namespace Md5
