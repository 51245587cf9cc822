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

    DeflateStream::DeflateStream(Sink sink)
        : m_sink(std::move(sink)), m_stream(std::make_unique<z_stream>()), m_buffer(StreamPieceSize, '\0')
    {
        m_ok = deflateInit(m_stream.get(), Z_BEST_SPEED) == Z_OK;
    }

    DeflateStream::~DeflateStream()
    {
        deflateEnd(m_stream.get());
    }

    bool DeflateStream::write(std::string_view data)
    {
        // zlib counts input in uInt.
        constexpr std::size_t slice = std::size_t{1} << 30;
        for (; m_ok && !data.empty(); data.remove_prefix(std::min(slice, data.size()))) {
            m_stream->next_in = const_cast<Bytef*>(Bytes(data));
            m_stream->avail_in = static_cast<uInt>(std::min(slice, data.size()));
            m_ok = run(Z_NO_FLUSH);
        }
        return m_ok;
    }

    bool DeflateStream::finish()
    {
        m_ok = m_ok && run(Z_FINISH);
        return m_ok;
    }

    // Deflates the input given until zlib needs more (or, with Z_FINISH, until the stream's end), handing each
    // full buffer to the sink.
    bool DeflateStream::run(int flush)
    {
        int result = Z_OK;
        do {
            m_stream->next_out = Bytes(m_buffer);
            m_stream->avail_out = static_cast<uInt>(m_buffer.size());
            result = deflate(m_stream.get(), flush);
            if (result == Z_STREAM_ERROR) {
                return false;
            }
            const std::size_t produced = m_buffer.size() - m_stream->avail_out;
            if (produced > 0 && !m_sink(std::string_view(m_buffer).substr(0, produced))) {
                return false;
            }
        } while (flush == Z_FINISH ? result != Z_STREAM_END : m_stream->avail_out == 0);
        return true;
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
