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
        struct CipherContextFree
        {
            void operator()(EVP_CIPHER_CTX* context) const
            {
                EVP_CIPHER_CTX_free(context);
            }
        };
        using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

        const unsigned char* Bytes(std::string_view text)
        {
            return reinterpret_cast<const unsigned char*>(text.data());
        }

        // The update calls take an int length: longer input goes in slices. With a null output it feeds the
        // associated data.
        bool Update(EVP_CIPHER_CTX* context, bool encrypt, std::string_view input, unsigned char* output)
        {
            constexpr std::size_t slice = std::size_t{1} << 30;
            for (std::size_t at = 0; at < input.size(); at += slice) {
                const int length = static_cast<int>(std::min(slice, input.size() - at));
                int written = 0;
                unsigned char* out = output == nullptr ? nullptr : output + at;
                const int ok = encrypt ? EVP_EncryptUpdate(context, out, &written, Bytes(input) + at, length)
                                       : EVP_DecryptUpdate(context, out, &written, Bytes(input) + at, length);
                if (ok != 1) {
                    return false;
                }
            }
            return true;
        }

        CipherContext StartGcm(bool encrypt, std::string_view key, std::string_view nonce, std::string_view aad)
        {
            CipherContext context(EVP_CIPHER_CTX_new());
            if (!context || key.size() != KeySize || nonce.size() != NonceSize) {
                return nullptr;
            }
            const int ok = encrypt
                ? EVP_EncryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, Bytes(key), Bytes(nonce))
                : EVP_DecryptInit_ex(context.get(), EVP_aes_256_gcm(), nullptr, Bytes(key), Bytes(nonce));
            if (ok != 1 || !Update(context.get(), encrypt, aad, nullptr)) {
                return nullptr;
            }
            return context;
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

    bool Seal(
        std::string_view key, std::string_view nonce, std::string_view aad, std::string_view plain, std::string& sealed)
    {
        const CipherContext context = StartGcm(true, key, nonce, aad);
        if (!context) {
            return false;
        }
        const std::size_t start = sealed.size();
        sealed.resize(start + plain.size() + TagSize);
        auto* out = reinterpret_cast<unsigned char*>(sealed.data() + start);
        int written = 0;
        if (!Update(context.get(), true, plain, out) || EVP_EncryptFinal_ex(context.get(), out, &written) != 1
            || EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_GET_TAG, TagSize, out + plain.size()) != 1) {
            sealed.resize(start);
            return false;
        }
        return true;
    }

    bool Open(
        std::string_view key, std::string_view nonce, std::string_view aad, std::string_view sealed, std::string& plain)
    {
        const CipherContext context = StartGcm(false, key, nonce, aad);
        if (!context || sealed.size() < TagSize) {
            return false;
        }
        const std::string_view cipher = sealed.substr(0, sealed.size() - TagSize);
        std::string tag(sealed.substr(cipher.size()));
        plain.assign(cipher.size(), '\0');
        auto* out = reinterpret_cast<unsigned char*>(plain.data());
        int written = 0;
        const bool ok = Update(context.get(), false, cipher, out)
            && EVP_CIPHER_CTX_ctrl(context.get(), EVP_CTRL_GCM_SET_TAG, TagSize, tag.data()) == 1
            && EVP_DecryptFinal_ex(context.get(), out, &written) == 1;
        if (!ok) {
            Wipe(plain);
            plain.clear();
        }
        return ok;
    }

    bool Deflate(std::string_view data, std::string& deflated)
    {
        uLongf length = compressBound(static_cast<uLong>(data.size()));
        deflated.resize(length);
        if (compress2(reinterpret_cast<Bytef*>(deflated.data()),
                      &length,
                      reinterpret_cast<const Bytef*>(data.data()),
                      static_cast<uLong>(data.size()),
                      Z_BEST_COMPRESSION)
            != Z_OK) {
            deflated.clear();
            return false;
        }
        deflated.resize(length);
        return true;
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

    std::string Base64(std::string_view bytes)
    {
        // EVP_EncodeBlock writes 4 characters for every 3 bytes begun, and a closing zero; its length is an int.
        std::string text;
        constexpr std::size_t slice = 3 * (std::size_t{1} << 28);
        for (std::size_t at = 0; at < bytes.size(); at += slice) {
            const std::size_t length = std::min(slice, bytes.size() - at);
            const std::size_t start = text.size();
            text.resize(start + 4 * ((length + 2) / 3) + 1);
            const int written = EVP_EncodeBlock(
                reinterpret_cast<unsigned char*>(text.data() + start), Bytes(bytes) + at, static_cast<int>(length));
            text.resize(start + static_cast<std::size_t>(written));
        }
        return text;
    }

    void Wipe(std::string& secret)
    {
        OPENSSL_cleanse(secret.data(), secret.size());
    }
} // namespace StrongCrypto
