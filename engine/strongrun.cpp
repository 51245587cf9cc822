#include "engine/strongrun.h"

#include "engine/charset.h"
#include "engine/encrypthtml.h"
#include "engine/strongcrypto.h"
#include "engine/strongtemplate.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace Strong
{
    namespace
    {
        using StrongCrypto::KeySize;
        using StrongCrypto::NonceSize;

        // One login to wrap the content key for: the PBKDF2 password and salt.
        struct Login
        {
            std::string password;
            std::string salt;
            std::string key; // derived
        };

        constexpr std::string_view s_userInputText = "Username: <input type=\"text\" name=\"qvusr\"><br>";

        void AppendBigEndian(std::string& out, std::uint32_t value)
        {
            for (int shift = 24; shift >= 0; shift -= 8) {
                out.push_back(static_cast<char>((value >> shift) & 0xFF));
            }
        }

        bool Draw(const RandomSource& random, std::size_t count, std::string& bytes)
        {
            bytes.assign(count, '\0');
            return random(reinterpret_cast<unsigned char*>(bytes.data()), count);
        }

        // A uniform index below bound, by rejection so that no index is favoured.
        bool DrawIndex(const RandomSource& random, std::uint32_t bound, std::uint32_t& index)
        {
            const std::uint32_t limit = UINT32_MAX - UINT32_MAX % bound;
            std::string bytes;
            do {
                if (!Draw(random, 4, bytes)) {
                    return false;
                }
                index = 0;
                for (const char byte : bytes) {
                    index = (index << 8) | static_cast<unsigned char>(byte);
                }
            } while (index >= limit);
            index %= bound;
            return true;
        }

        // The logins' NFC forms; the single or master password first, with the plain salt, then every user with
        // the salt followed by the name. The salt's fixed length keeps the name apart from it.
        bool
        CollectLogins(const RunOptions& options, std::string_view salt, std::vector<Login>& logins, std::string& error)
        {
            Login master;
            if (!StrongCrypto::NormalizeNfc(options.password, master.password)) {
                error = "the password is not valid UTF-8 text";
                return false;
            }
            if (master.password.empty()) {
                error = "the password is empty";
                return false;
            }
            master.salt = salt;
            logins.push_back(std::move(master));
            std::set<std::string> names;
            for (const UserLogin& user : options.users) {
                Login login;
                std::string name;
                if (!StrongCrypto::NormalizeNfc(user.name, name)
                    || !StrongCrypto::NormalizeNfc(user.password, login.password)) {
                    error = "a user name or password is not valid UTF-8 text";
                    return false;
                }
                if (name.empty()) {
                    error = "a user name is empty";
                    return false;
                }
                if (login.password.empty()) {
                    error = "the password of user \"" + user.name + "\" is empty";
                    return false;
                }
                if (!names.insert(name).second) {
                    error = "the user name \"" + user.name + "\" is given twice";
                    return false;
                }
                login.salt = std::string(salt) + name;
                logins.push_back(std::move(login));
            }
            return true;
        }

        // Derives every login's key on threads that take the next login as they finish one; progress is told on
        // the calling thread.
        bool DeriveKeys(std::vector<Login>& logins, const RunOptions& options, std::string& error)
        {
            const std::size_t total = logins.size();
            const unsigned cores = options.threads != 0 ? options.threads : std::thread::hardware_concurrency();
            const std::size_t threadCount = std::clamp<std::size_t>(cores, 1, total);
            std::atomic<std::size_t> next = 0;
            std::atomic<bool> stop = false;
            std::atomic<bool> failed = false;
            std::mutex mutex;
            std::condition_variable changed;
            std::size_t done = 0;
            std::vector<std::jthread> threads;
            threads.reserve(threadCount);
            for (std::size_t t = 0; t < threadCount; ++t) {
                threads.emplace_back([&] {
                    for (std::size_t i = next++; i < total && !stop; i = next++) {
                        Login& login = logins[i];
                        if (!StrongCrypto::Pbkdf2(login.password, login.salt, options.iterations, login.key)) {
                            failed = true;
                            stop = true;
                        }
                        const std::lock_guard lock(mutex);
                        ++done;
                        changed.notify_one();
                    }
                });
            }
            std::size_t told = 0;
            std::unique_lock lock(mutex);
            while (told < total && !stop) {
                changed.wait(lock, [&] {
                    return done != told || stop;
                });
                told = done;
                if (options.progress) {
                    lock.unlock();
                    const bool goOn = options.progress(told, total);
                    lock.lock();
                    stop = stop || !goOn;
                }
            }
            lock.unlock();
            threads.clear();
            if (failed) {
                error = "the key derivation failed";
                return false;
            }
            if (stop) {
                error = "stopped";
                return false;
            }
            return true;
        }
    } // namespace

    RandomSource PredictableRandom(std::string_view seed)
    {
        struct Stream
        {
            std::string seed;
            std::uint32_t counter = 0;
            std::string block;
            std::size_t used = 0;
        };
        auto stream = std::make_shared<Stream>();
        stream->seed = seed;
        return [stream](unsigned char* bytes, std::size_t count) {
            for (std::size_t i = 0; i < count; ++i) {
                if (stream->used == stream->block.size()) {
                    std::string input = stream->seed;
                    AppendBigEndian(input, stream->counter++);
                    stream->block = StrongCrypto::Sha256(input);
                    stream->used = 0;
                }
                bytes[i] = static_cast<unsigned char>(stream->block[stream->used++]);
            }
            return true;
        };
    }

    std::optional<Run> Run::make(const RunOptions& options, std::string& error)
    {
        if (options.iterations == 0 || options.iterations > INT32_MAX) {
            error = "the iteration count must be between 1 and 2147483647";
            return std::nullopt;
        }
        Run run;
        run.m_random = options.random ? options.random : RandomSource(StrongCrypto::SystemRandom);
        run.m_hasUsers = !options.users.empty();
        std::string salt;
        std::string runId;
        if (!Draw(run.m_random, KeySize, run.m_contentKey) || !Draw(run.m_random, SaltSize, salt)
            || !Draw(run.m_random, RunIdSize, runId)) {
            error = "no random bytes are available";
            return std::nullopt;
        }
        std::vector<Login> logins;
        if (!CollectLogins(options, salt, logins, error) || !DeriveKeys(logins, options, error)) {
            for (Login& login : logins) {
                StrongCrypto::Wipe(login.password);
                StrongCrypto::Wipe(login.key);
            }
            return std::nullopt;
        }

        std::string& prefix = run.m_prefix;
        prefix.append(FormatTag);
        prefix.push_back(static_cast<char>(Version));
        prefix.push_back(static_cast<char>(KdfName.size()));
        prefix.append(KdfName);
        AppendBigEndian(prefix, options.iterations);
        prefix.push_back(static_cast<char>(run.m_hasUsers ? UserLogins : SingleLogin));
        prefix.append(salt);
        prefix.append(runId);
        run.m_headerSize = prefix.size();

        std::vector<std::string> entries;
        bool ok = true;
        for (Login& login : logins) {
            std::string entry;
            ok = ok && Draw(run.m_random, NonceSize, entry);
            const std::string nonce = entry;
            ok = ok && StrongCrypto::Seal(login.key, nonce, run.header(), run.m_contentKey, entry);
            entries.push_back(std::move(entry));
            StrongCrypto::Wipe(login.password);
            StrongCrypto::Wipe(login.key);
        }
        // Fisher-Yates: the master's entry and the users' stand in no telling order.
        for (std::size_t i = entries.size(); ok && i > 1; --i) {
            std::uint32_t j = 0;
            ok = DrawIndex(run.m_random, static_cast<std::uint32_t>(i), j);
            std::swap(entries[i - 1], entries[j]);
        }
        if (!ok) {
            error = "the key table could not be made";
            return std::nullopt;
        }
        AppendBigEndian(prefix, static_cast<std::uint32_t>(entries.size()));
        for (const std::string& entry : entries) {
            prefix.append(entry);
        }
        return run;
    }

    Run::~Run()
    {
        StrongCrypto::Wipe(m_contentKey);
    }

    std::string_view Run::header() const
    {
        return std::string_view(m_prefix).substr(0, m_headerSize);
    }

    std::string_view Run::keyTable() const
    {
        return std::string_view(m_prefix).substr(m_headerSize + 4);
    }

    bool Run::seal(std::string_view content, std::string& sealed, std::string& error) const
    {
        sealed.clear();
        PageSealer sealer(*this, StrongCrypto::AppendTo(sealed), false);
        return sealer.start(error) && sealer.write(content, error) && sealer.finish(error);
    }

    bool
    Run::frame(std::string_view charset, int protectionType, int pageColor, PageFrame& frame, std::string& error) const
    {
        std::string label(charset);
        const bool plain = std::all_of(label.begin(), label.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_'
                || c == ':' || c == '-';
        });
        if (!plain) {
            error = "the character set label \"" + label + "\" holds characters other than letters, digits and ._:-";
            return false;
        }
        std::transform(label.begin(), label.end(), label.begin(), [](char c) {
            return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        });
        const bool remembers =
            protectionType == Encrypthtml::ProtectSession || protectionType == Encrypthtml::ProtectCookie;
        const std::string protection = std::to_string(remembers ? protectionType : Encrypthtml::ProtectPage);
        const PageColors::Scheme& colors = PageColors::SchemeOf(pageColor);
        namespace T = StrongTemplate;
        // The sealed data's place keeps its mark (values are not searched again), and the page is cut there.
        std::string page;
        if (!T::Fill({{T::CharsetMark, label},
                      {T::BackgroundColorMark, colors.background},
                      {T::TextColorMark, colors.text},
                      {T::UserInputTextMark, m_hasUsers ? s_userInputText : std::string_view()},
                      {T::ProtectionMark, protection},
                      {T::SealedDataMark, T::SealedDataMark}},
                     page,
                     error)) {
            return false;
        }
        const std::size_t at = page.find(T::SealedDataMark);
        if (page.find(T::SealedDataMark, at + 1) != std::string::npos) {
            error = "the strong page template holds " + std::string(T::SealedDataMark) + " more than once";
            return false;
        }
        frame.tail = page.substr(at + T::SealedDataMark.size());
        page.resize(at);
        frame.head = std::move(page);
        return true;
    }

    bool Run::buildPage(std::string_view content,
                        int protectionType,
                        int pageColor,
                        std::string_view charset,
                        std::string& page,
                        std::string& error) const
    {
        PageFrame parts;
        if (!frame(charset.empty() ? Charset::Detect(content) : std::string(charset),
                   protectionType,
                   pageColor,
                   parts,
                   error)) {
            return false;
        }
        page = std::move(parts.head);
        std::string converted;
        PageSealer sealer(*this, StrongCrypto::AppendTo(page), true);
        if (!sealer.start(error) || !sealer.write(Charset::LockedText(content, converted), error)
            || !sealer.finish(error)) {
            return false;
        }
        page += parts.tail;
        return true;
    }

    PageSealer::PageSealer(const Run& run, StrongCrypto::Sink output, bool base64)
        : m_run(run)
        , m_output([this, output = std::move(output)](std::string_view bytes) {
            m_refused = !output(bytes);
            return !m_refused;
        })
        , m_base64(m_output)
        , m_sealed(base64 ? StrongCrypto::Sink([this](std::string_view bytes) {
            return m_base64.write(bytes);
        })
                          : m_output)
        , m_deflate([this](std::string_view bytes) {
            return m_cipher && m_cipher->write(bytes);
        })
    { }

    bool PageSealer::failed(std::string_view reason, std::string& error) const
    {
        if (!m_refused) {
            error = reason;
        }
        return false;
    }

    bool PageSealer::start(std::string& error)
    {
        std::string nonce;
        if (!Draw(m_run.m_random, NonceSize, nonce)) {
            error = "no random bytes are available";
            return false;
        }
        if (!m_sealed(m_run.m_prefix) || !m_sealed(nonce)) {
            return failed("the page could not be encoded", error);
        }
        m_cipher.emplace(m_sealed, m_run.m_contentKey, nonce, m_run.header());
        return true;
    }

    bool PageSealer::write(std::string_view content, std::string& error)
    {
        return m_deflate.write(content) || failed("the page could not be compressed and encrypted", error);
    }

    bool PageSealer::finish(std::string& error)
    {
        if (!m_deflate.finish() || !m_cipher || !m_cipher->finish()) {
            return failed("the page could not be compressed and encrypted", error);
        }
        return m_base64.finish() || failed("the page could not be encoded", error);
    }
} // namespace Strong
