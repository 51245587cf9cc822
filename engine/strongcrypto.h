#pragma once

// The primitives of strong pages, each a thin call into a library: OpenSSL for AES-256-GCM, PBKDF2-HMAC-SHA-256,
// SHA-256, random bytes and base64; zlib for deflate; ICU for Unicode normalisation. Byte strings throughout.
// Deflate, AES-256-GCM and base64 come as streams, so that a page of any size passes through bounded memory.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <string_view>

struct evp_cipher_ctx_st;

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

    // Receives a stream's output piece by piece; false stops the stream.
    using Sink = std::function<bool(std::string_view bytes)>;

    // Every stream below writes false when the library fails or its sink refuses a piece; after that the stream is
    // of no further use. Its output goes to the sink in pieces of at most StreamPieceSize bytes.
    constexpr std::size_t StreamPieceSize = 128 * 1024;

    // A sink that appends every piece to text.
    Sink AppendTo(std::string& text);

    // Deflates in the zlib format, which DecompressionStream('deflate') reads, at zlib's fastest level: pages are
    // large, and the speed of locking them counts for more than the last few per cent of their size. An input
    // longer than one block is deflated a block at a time on threads beside the caller's, several at once, and
    // the blocks joined in order into one stream; the sink is only called from the caller's thread.
    class DeflateStream
    {
    public:
        // The input deflated in one piece; a longer one is cut into blocks of this size.
        static constexpr std::size_t BlockSize = 512 * 1024;

        // threads: how many blocks are deflated at once at most (at least one).
        explicit DeflateStream(Sink sink, unsigned threads = DefaultThreads());
        ~DeflateStream();
        DeflateStream(const DeflateStream&) = delete;
        DeflateStream& operator=(const DeflateStream&) = delete;

        bool write(std::string_view data);
        // Ends the stream (its checksum included).
        bool finish();

        // One a core, and no more than a few: each block in hand holds its input and its output.
        static unsigned DefaultThreads();

    private:
        struct Block;
        // Deflates the block being filled on a thread of its own (the last one on the caller's thread when it is
        // the only one), after the 32 KB before it.
        void startBlock(bool last);
        // Waits for the oldest block started and hands its output to the sink.
        bool passOldest();

        Sink m_sink;
        unsigned m_threads;
        std::string m_input; // the block being filled
        std::string m_window; // the input's last 32 KB before m_input
        std::deque<std::future<Block>> m_started;
        unsigned long m_checksum; // Adler-32 of the blocks passed on
        bool m_headerPassed = false;
        bool m_ok = true;
    };

    // AES-256-GCM encryption under key and nonce with associated data aad, given at the start: the sink receives
    // the encrypted bytes, and at the finish the tag.
    class GcmStream
    {
    public:
        GcmStream(Sink sink, std::string_view key, std::string_view nonce, std::string_view aad);
        ~GcmStream();
        GcmStream(const GcmStream&) = delete;
        GcmStream& operator=(const GcmStream&) = delete;

        bool write(std::string_view plain);
        bool finish();

    private:
        Sink m_sink;
        evp_cipher_ctx_st* m_context = nullptr;
        std::string m_buffer;
    };

    // Standard base64 with padding, one line, of the bytes written in any pieces.
    class Base64Stream
    {
    public:
        explicit Base64Stream(Sink sink);
        Base64Stream(const Base64Stream&) = delete;
        Base64Stream& operator=(const Base64Stream&) = delete;

        bool write(std::string_view bytes);
        // Encodes the last one or two bytes with padding and hands over what is left.
        bool finish();

    private:
        bool encode(std::string_view bytes);
        bool flush();

        Sink m_sink;
        std::string m_pending; // fewer than three bytes that wait for the next write
        std::string m_text;
    };

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

    // The SHA-256 digest of data (32 bytes).
    std::string Sha256(std::string_view data);

    // Fills count bytes from the system's random generator; false when it cannot.
    bool SystemRandom(unsigned char* bytes, std::size_t count);

    // Overwrites the bytes of a secret before its memory is given back.
    void Wipe(std::string& secret);
} // namespace StrongCrypto
