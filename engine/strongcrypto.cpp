#include "engine/strongcrypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <thread>
#include <utility>

namespace StrongCrypto
{
    namespace
    {
        const unsigned char* Bytes(std::string_view text)
        {
            return reinterpret_cast<const unsigned char*>(text.data());
        }

        unsigned char* Bytes(std::string& text)
        {
            return reinterpret_cast<unsigned char*>(text.data());
        }

        struct CipherContextFree
        {
            void operator()(EVP_CIPHER_CTX* context) const
            {
                EVP_CIPHER_CTX_free(context);
            }
        };
        using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

        // An AES-256-GCM context under key and nonce that has taken the associated data aad; null when the library
        // fails or a size is wrong.
        CipherContext StartGcm(bool encrypt, std::string_view key, std::string_view nonce, std::string_view aad)
        {
            CipherContext context(EVP_CIPHER_CTX_new());
            if (!context || key.size() != KeySize || nonce.size() != NonceSize || aad.size() > INT_MAX) {
                return nullptr;
            }
            const int length = static_cast<int>(aad.size());
            int ignored = 0;
            const bool ok = encrypt
                ? EVP_EncryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, Bytes(key), Bytes(nonce)) == 1
                    && EVP_EncryptUpdate(context.get(), nullptr, &ignored, Bytes(aad), length) == 1
                : EVP_DecryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, Bytes(key), Bytes(nonce)) == 1
                    && EVP_DecryptUpdate(context.get(), nullptr, &ignored, Bytes(aad), length) == 1;
            return ok ? std::move(context) : nullptr;
        }

        // ICU works on UTF-16; lengths are int32_t.
        bool ToUtf16(std::string_view utf8, std::u16string& utf16)
        {
            if (utf8.size() > INT32_MAX / 2) {
                return false;
            }
            UErrorCode status = U_ZERO_ERROR;
            int32_t length = 0;
            u_strFromUTF8(nullptr, 0, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
            if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
                return false;
            }
            utf16.resize(static_cast<std::size_t>(length));
            status = U_ZERO_ERROR;
            u_strFromUTF8(utf16.data(), length, &length, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
            return U_SUCCESS(status);
        }
    } // namespace

    bool NormalizeNfc(std::string_view utf8, std::string& result)
    {
        std::u16string text;
        if (!ToUtf16(utf8, text)) {
            return false;
        }
        UErrorCode status = U_ZERO_ERROR;
        const UNormalizer2* nfc = unorm2_getNFCInstance(&status);
        if (U_FAILURE(status)) {
            return false;
        }
        const auto textLength = static_cast<int32_t>(text.size());
        // NFC may grow text, by a factor of at most 3 in UTF-16.
        std::u16string normal(text.size() * 3, u'\0');
        const int32_t normalLength =
            unorm2_normalize(nfc, text.data(), textLength, normal.data(), static_cast<int32_t>(normal.size()), &status);
        if (U_FAILURE(status)) {
            return false;
        }
        int32_t length = 0;
        status = U_ZERO_ERROR;
        u_strToUTF8(nullptr, 0, &length, normal.data(), normalLength, &status);
        if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
            return false;
        }
        result.assign(static_cast<std::size_t>(length), '\0');
        status = U_ZERO_ERROR;
        u_strToUTF8(result.data(), length, &length, normal.data(), normalLength, &status);
        return U_SUCCESS(status);
    }

    bool Pbkdf2(std::string_view password, std::string_view salt, std::uint32_t iterations, std::string& key)
    {
        key.assign(KeySize, '\0');
        if (password.size() > INT_MAX || salt.size() > INT_MAX || iterations == 0 || iterations > INT_MAX) {
            return false;
        }
        return PKCS5_PBKDF2_HMAC(password.data(),
                                 static_cast<int>(password.size()),
                                 Bytes(salt),
                                 static_cast<int>(salt.size()),
                                 static_cast<int>(iterations),
                                 EVP_sha256(),
                                 static_cast<int>(KeySize),
                                 reinterpret_cast<unsigned char*>(key.data()))
            == 1;
    }

    Sink AppendTo(std::string& text)
    {
        return [&text](std::string_view bytes) {
            text.append(bytes);
            return true;
        };
    }

    namespace
    {
        // What zlib writes before level 1's deflate data: a 32 KB window, no dictionary, the fastest level.
        constexpr char ZlibHeader[] = {0x78, 0x01};
        constexpr std::size_t WindowSize = 32 * 1024;

        // Hands text to sink in pieces of at most StreamPieceSize.
        bool PassInPieces(const Sink& sink, std::string_view text)
        {
            for (; !text.empty(); text.remove_prefix(std::min(StreamPieceSize, text.size()))) {
                if (!sink(text.substr(0, StreamPieceSize))) {
                    return false;
                }
            }
            return true;
        }
    } // namespace

    struct DeflateStream::Block
    {
        std::string deflated;
        std::size_t size = 0; // of the input
        unsigned long checksum = 0; // Adler-32 of the input
        bool ok = false;

        // Raw deflate data of input, primed with window, the input before it, so that its matches reach back as a
        // single stream's would. All but the last block end on a byte boundary with an empty stored block, so
        // that the next one's data follows on.
        static Block Deflate(const std::string& window, const std::string& input, bool last)
        {
            Block block;
            block.size = input.size();
            block.checksum = adler32_z(adler32_z(0, nullptr, 0), Bytes(input), input.size());
            z_stream stream{};
            if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
                return block;
            }
            // zlib counts in uInt; a block is far smaller. The bound is for a finished stream: a sync flush may add
            // an empty stored block and a few bits before it.
            block.deflated.resize(deflateBound(&stream, uLong(input.size())) + 16);
            stream.next_in = const_cast<Bytef*>(Bytes(input));
            stream.avail_in = uInt(input.size());
            stream.next_out = Bytes(block.deflated);
            stream.avail_out = uInt(block.deflated.size());
            const int result =
                (window.empty() || deflateSetDictionary(&stream, Bytes(window), uInt(window.size())) == Z_OK)
                ? deflate(&stream, last ? Z_FINISH : Z_SYNC_FLUSH)
                : Z_STREAM_ERROR;
            block.ok = (last ? result == Z_STREAM_END : result == Z_OK) && stream.avail_in == 0 && stream.avail_out > 0;
            block.deflated.resize(stream.total_out);
            deflateEnd(&stream);
            return block;
        }
    };

    DeflateStream::DeflateStream(Sink sink, unsigned threads)
        : m_sink(std::move(sink)), m_threads(std::max(threads, 1U)), m_checksum(adler32_z(0, nullptr, 0))
    { }

    // The future of a block on its own thread waits for that thread as it goes.
    DeflateStream::~DeflateStream() = default;

    unsigned DeflateStream::DefaultThreads()
    {
        return std::clamp(std::thread::hardware_concurrency(), 1U, 4U);
    }

    bool DeflateStream::write(std::string_view data)
    {
        // A full block waits for more input before it goes, so that the last block is never empty.
        while (m_ok && !data.empty()) {
            if (m_input.size() == BlockSize) {
                startBlock(false);
            }
            const std::size_t taken = std::min(BlockSize - m_input.size(), data.size());
            m_input.append(data.substr(0, taken));
            data.remove_prefix(taken);
        }
        return m_ok;
    }

    bool DeflateStream::finish()
    {
        if (m_ok) {
            startBlock(true);
        }
        while (m_ok && !m_started.empty()) {
            m_ok = passOldest();
        }
        if (m_ok) {
            const unsigned char trailer[] = {static_cast<unsigned char>(m_checksum >> 24),
                                             static_cast<unsigned char>(m_checksum >> 16),
                                             static_cast<unsigned char>(m_checksum >> 8),
                                             static_cast<unsigned char>(m_checksum)};
            m_ok = m_sink(std::string_view(reinterpret_cast<const char*>(trailer), sizeof trailer));
        }
        return m_ok;
    }

    void DeflateStream::startBlock(bool last)
    {
        while (m_ok && m_started.size() >= m_threads) {
            m_ok = passOldest();
        }
        if (!m_ok) {
            return;
        }
        std::string window =
            std::exchange(m_window, m_input.substr(m_input.size() - std::min(WindowSize, m_input.size())));
        auto deflate = [window = std::move(window), input = std::move(m_input), last] {
            return Block::Deflate(window, input, last);
        };
        // A page of one block, the most common, costs no thread; nor does one when none can be had.
        std::launch launch = last && m_started.empty() ? std::launch::deferred : std::launch::async;
        try {
            m_started.push_back(std::async(launch, std::move(deflate)));
        } catch (const std::system_error&) {
            m_started.push_back(std::async(std::launch::deferred, std::move(deflate)));
        }
        m_input.clear();
        if (!last) {
            m_input.reserve(BlockSize);
        }
    }

    bool DeflateStream::passOldest()
    {
        Block block = m_started.front().get();
        m_started.pop_front();
        if (!block.ok) {
            return false;
        }
        m_checksum = adler32_combine(m_checksum, block.checksum, z_off_t(block.size));
        if (!m_headerPassed) {
            m_headerPassed = true;
            if (!m_sink(std::string_view(ZlibHeader, sizeof ZlibHeader))) {
                return false;
            }
        }
        return PassInPieces(m_sink, block.deflated);
    }

    GcmStream::GcmStream(Sink sink, std::string_view key, std::string_view nonce, std::string_view aad)
        : m_sink(std::move(sink)), m_context(StartGcm(true, key, nonce, aad).release())
    { }

    GcmStream::~GcmStream()
    {
        EVP_CIPHER_CTX_free(m_context);
    }

    bool GcmStream::write(std::string_view plain)
    {
        if (m_context == nullptr) {
            return false;
        }
        m_buffer.resize(StreamPieceSize);
        for (; !plain.empty(); plain.remove_prefix(std::min(StreamPieceSize, plain.size()))) {
            const int length = static_cast<int>(std::min(StreamPieceSize, plain.size()));
            int written = 0;
            if (EVP_EncryptUpdate(m_context, Bytes(m_buffer), &written, Bytes(plain), length) != 1
                || !m_sink(std::string_view(m_buffer).substr(0, static_cast<std::size_t>(written)))) {
                return false;
            }
        }
        return true;
    }

    bool GcmStream::finish()
    {
        // GCM holds nothing back: the final call writes no bytes, and the tag follows.
        unsigned char tag[TagSize];
        int written = 0;
        return m_context != nullptr && EVP_EncryptFinal_ex(m_context, tag, &written) == 1
            && EVP_CIPHER_CTX_ctrl(m_context, EVP_CTRL_GCM_GET_TAG, TagSize, tag) == 1
            && m_sink(std::string_view(reinterpret_cast<const char*>(tag), TagSize));
    }

    Base64Stream::Base64Stream(Sink sink) : m_sink(std::move(sink))
    { }

    bool Base64Stream::write(std::string_view bytes)
    {
        if (!m_pending.empty()) {
            const std::size_t taken = std::min(3 - m_pending.size(), bytes.size());
            m_pending.append(bytes.substr(0, taken));
            bytes.remove_prefix(taken);
            if (m_pending.size() < 3) {
                return true;
            }
            if (!encode(m_pending)) {
                return false;
            }
            m_pending.clear();
        }
        const std::size_t whole = bytes.size() - bytes.size() % 3;
        m_pending = bytes.substr(whole);
        return encode(bytes.substr(0, whole));
    }

    bool Base64Stream::finish()
    {
        if (!encode(m_pending)) {
            return false;
        }
        m_pending.clear();
        return m_text.empty() || flush();
    }

    // Encodes bytes (a whole number of groups of three, or the last bytes) into the text, handing it to the sink
    // whenever it is full.
    bool Base64Stream::encode(std::string_view bytes)
    {
        while (!bytes.empty()) {
            if (m_text.size() + 4 > StreamPieceSize && !flush()) {
                return false;
            }
            // EVP_EncodeBlock writes 4 characters for every 3 bytes begun, and a closing zero.
            const std::size_t length = std::min(bytes.size(), (StreamPieceSize - m_text.size()) / 4 * 3);
            const std::size_t start = m_text.size();
            m_text.resize(start + 4 * ((length + 2) / 3) + 1);
            const int written = EVP_EncodeBlock(Bytes(m_text) + start, Bytes(bytes), static_cast<int>(length));
            m_text.resize(start + static_cast<std::size_t>(written));
            bytes.remove_prefix(length);
        }
        return true;
    }

    bool Base64Stream::flush()
    {
        const bool ok = m_sink(m_text);
        m_text.clear();
        return ok;
    }

    bool Seal(
        std::string_view key, std::string_view nonce, std::string_view aad, std::string_view plain, std::string& sealed)
    {
        const std::size_t start = sealed.size();
        GcmStream stream(AppendTo(sealed), key, nonce, aad);
        if (!stream.write(plain) || !stream.finish()) {
            sealed.resize(start);
            return false;
        }
        return true;
    }

    bool Open(
        std::string_view key, std::string_view nonce, std::string_view aad, std::string_view sealed, std::string& plain)
    {
        const CipherContext context = StartGcm(false, key, nonce, aad);
        if (!context || sealed.size() < TagSize || sealed.size() > INT_MAX) {
            return false;
        }
        const std::string_view cipher = sealed.substr(0, sealed.size() - TagSize);
        std::string tag(sealed.substr(cipher.size()));
        plain.assign(cipher.size(), '\0');
        const int length = static_cast<int>(cipher.size());
        int written = 0;
        const bool ok = EVP_DecryptUpdate(context.get(), Bytes(plain), &written, Bytes(cipher), length) == 1
            && EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, TagSize, tag.data()) == 1
            && EVP_DecryptFinal_ex(context.get(), Bytes(plain) + written, &written) == 1;
        if (!ok) {
            Wipe(plain);
            plain.clear();
        }
        return ok;
    }

    std::string Sha256(std::string_view data)
    {
        std::string digest(EVP_MAX_MD_SIZE, '\0');
        unsigned int length = 0;
        EVP_Digest(
            data.data(), data.size(), reinterpret_cast<unsigned char*>(digest.data()), &length, EVP_sha256(), nullptr);
        digest.resize(length);
        return digest;
    }

    bool SystemRandom(unsigned char* bytes, std::size_t count)
    {
        return count <= INT_MAX && RAND_bytes(bytes, static_cast<int>(count)) == 1;
    }

    void Wipe(std::string& secret)
    {
        OPENSSL_cleanse(secret.data(), secret.size());
    }
} // namespace StrongCrypto
