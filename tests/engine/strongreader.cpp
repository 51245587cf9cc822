#include "tests/engine/strongreader.h"

#include "engine/strongcrypto.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <cstdint>

namespace StrongReader
{
    namespace
    {
        std::uint32_t BigEndian(std::string_view bytes)
        {
            std::uint32_t value = 0;
            for (const char byte : bytes.substr(0, 4)) {
                value = (value << 8) | static_cast<unsigned char>(byte);
            }
            return value;
        }

    } // namespace

    bool Inflate(std::string_view deflated, std::string& content)
    {
        z_stream stream{};
        if (inflateInit(&stream) != Z_OK) {
            return false;
        }
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(deflated.data()));
        stream.avail_in = static_cast<uInt>(deflated.size());
        char buffer[65536];
        int result = Z_OK;
        while (result == Z_OK) {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            result = inflate(&stream, Z_NO_FLUSH);
            content.append(buffer, sizeof buffer - stream.avail_out);
        }
        inflateEnd(&stream);
        return result == Z_STREAM_END && stream.avail_in == 0;
    }

    std::string_view SealedDataText(std::string_view page)
    {
        constexpr std::string_view open = "var qgData='";
        const std::size_t start = page.find(open);
        const std::size_t end = start == std::string_view::npos ? start : page.find('\'', start + open.size());
        if (end == std::string_view::npos) {
            return {};
        }
        return page.substr(start + open.size(), end - start - open.size());
    }

    std::string SealedData(std::string_view page)
    {
        const std::string_view text = SealedDataText(page);
        if (text.size() % 4 != 0) {
            return {};
        }
        std::string bytes(text.size() / 4 * 3, '\0');
        const int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(bytes.data()),
                                           reinterpret_cast<const unsigned char*>(text.data()),
                                           static_cast<int>(text.size()));
        if (length < 0) {
            return {};
        }
        // EVP_DecodeBlock counts the padding's bytes too.
        const std::size_t padding = text.ends_with("==") ? 2 : (text.ends_with("=") ? 1 : 0);
        bytes.resize(static_cast<std::size_t>(length) - padding);
        return bytes;
    }

    std::optional<int> OpenKeyTable(std::string_view header,
                                    std::string_view table,
                                    std::string_view user,
                                    std::string_view password,
                                    std::string& key)
    {
        // Tag, version, KDF name, count, kind, salt.
        const std::size_t n = static_cast<unsigned char>(header[9]);
        const std::uint32_t iterations = BigEndian(header.substr(10 + n));
        const bool users = header[14 + n] == 2;
        std::string name;
        std::string pass;
        std::string kek;
        if (!StrongCrypto::NormalizeNfc(user, name) || !StrongCrypto::NormalizeNfc(password, pass)
            || !StrongCrypto::Pbkdf2(
                pass, std::string(header.substr(15 + n, 16)) + (users ? name : ""), iterations, kek)) {
            return std::nullopt;
        }
        for (std::size_t at = 0; at + 60 <= table.size(); at += 60) {
            const std::string_view entry = table.substr(at, 60);
            if (StrongCrypto::Open(kek, entry.substr(0, 12), header, entry.substr(12), key)) {
                return static_cast<int>(at / 60);
            }
        }
        return -1;
    }

    Result Open(std::string_view page, std::string_view user, std::string_view password)
    {
        Result result;
        const std::string sealed = SealedData(page);
        const std::string_view data = sealed;
        // Tag, version, KDF name, count, kind, salt, run id; then the entry count.
        if (data.size() < 10 || !data.starts_with("QGSTRONG") || data[8] != 1) {
            return result;
        }
        const std::size_t n = static_cast<unsigned char>(data[9]);
        const std::size_t headerSize = 10 + n + 4 + 1 + 16 + 16;
        if (data.size() < headerSize + 4 || data.substr(10, n) != "PBKDF2-HMAC-SHA-256") {
            return result;
        }
        const std::string_view header = data.substr(0, headerSize);
        const std::size_t entries = BigEndian(data.substr(headerSize));
        const std::size_t tableAt = headerSize + 4;
        const std::size_t contentAt = tableAt + 60 * entries;
        if (data.size() < contentAt + 12 + 16) {
            return result;
        }
        std::string key;
        const std::optional<int> entry = OpenKeyTable(header, data.substr(tableAt, 60 * entries), user, password, key);
        if (!entry) {
            return result;
        }
        if (*entry < 0) {
            result.outcome = Outcome::WrongLogin;
            return result;
        }
        std::string deflated;
        if (StrongCrypto::Open(key, data.substr(contentAt, 12), header, data.substr(contentAt + 12), deflated)
            && Inflate(deflated, result.content)) {
            result.outcome = Outcome::Opened;
        } else {
            result.content.clear();
        }
        return result;
    }
} // namespace StrongReader
