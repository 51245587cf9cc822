#pragma once

// Strong pages: every page of a run is deflated and sealed with AES-256-GCM under one random content key, and
// the page carries that key wrapped under keys derived with PBKDF2-HMAC-SHA-256 from the logins that may open it.
// The page script unwraps and decrypts with WebCrypto. The byte layout is written down in docs/strong-format.md.
//
// The key derivations are the slow part (600,000 iterations each), so a Run makes them once, on all cores, and
// then builds every page of the batch from the same key table.

#include "engine/strongcrypto.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Strong
{
    constexpr std::uint32_t DefaultIterations = 600000;
    constexpr std::uint8_t Version = 1;
    constexpr std::string_view FormatTag = "QGSTRONG";
    constexpr std::string_view KdfName = "PBKDF2-HMAC-SHA-256";
    constexpr std::size_t SaltSize = 16;
    constexpr std::size_t RunIdSize = 16;
    // One key table entry: nonce, the wrapped 32-byte content key, tag.
    constexpr std::size_t EntrySize = 12 + 32 + 16;

    // The login kinds as the header stores them.
    constexpr std::uint8_t SingleLogin = 1;
    constexpr std::uint8_t UserLogins = 2;

    struct UserLogin
    {
        std::string name; // UTF-8, not empty
        std::string password; // UTF-8, not empty
    };

    // Fills count bytes; false when it cannot.
    using RandomSource = std::function<bool(unsigned char* bytes, std::size_t count)>;

    // Told how many of the total key derivations are done, on the thread that called Run::Make; false stops the
    // run.
    using Progress = std::function<bool(std::size_t done, std::size_t total)>;

    struct RunOptions
    {
        // The single password, or with users the master password, which opens every page with an empty user name.
        std::string password;
        std::vector<UserLogin> users; // none: a single-password run
        std::uint32_t iterations = DefaultIterations; // stored in every page
        Progress progress;
        unsigned threads = 0; // 0: one for each core
        RandomSource random; // empty: the system's generator; PredictableRandom only for known-answer tests
    };

    // A byte stream that depends only on seed (SHA-256 of seed and a counter), for reproducible test vectors.
    // Pages built with it are not secret.
    RandomSource PredictableRandom(std::string_view seed);

    // The text of a strong page before and after its sealed data.
    struct PageFrame
    {
        std::string head;
        std::string tail;
    };

    class Run
    {
    public:
        // Draws the content key, salt and run id, and wraps the content key for the password and each user.
        // Passwords and names are taken as UTF-8 in NFC form. Nothing, with the reason in error, for an empty
        // password, an empty or repeated user name, an empty user password, text that is not UTF-8, no iterations,
        // a failing library or random source, or a stop asked by progress.
        static std::optional<Run> make(const RunOptions& options, std::string& error);

        Run(Run&& other) noexcept = default;
        Run& operator=(Run&& other) noexcept = default;
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;
        ~Run();

        // seal(), buildPage(), frame() and PageSealer may run on several threads at once (for different pages),
        // except with a PredictableRandom source.

        // The page's sealed data: the run's header and key table, then content deflated and sealed with a fresh
        // nonce. The page carries it in base64. (A PageSealer of content at once.)
        bool seal(std::string_view content, std::string& sealed, std::string& error) const;

        // The page around its sealed data. protectionType is a protection type code (others count as Page),
        // pageColor a page colour code (others give white), charset the label of the source's character set as
        // Charset::Detector gives it. False, with the reason in error, for a label that is not a plain label.
        bool
        frame(std::string_view charset, int protectionType, int pageColor, PageFrame& frame, std::string& error) const;

        // The whole strong page for content: frame() around the base64 of seal() of the text the lock carries
        // (Charset::LockedText); an empty charset is detected from content.
        bool buildPage(std::string_view content,
                       int protectionType,
                       int pageColor,
                       std::string_view charset,
                       std::string& page,
                       std::string& error) const;

        // The header: the associated data of every seal of the run.
        std::string_view header() const;
        // The key table's entries, EntrySize bytes each, in their stored order.
        std::string_view keyTable() const;
        bool hasUsers() const
        {
            return m_hasUsers;
        }

    private:
        friend class PageSealer;

        Run() = default;

        std::string m_contentKey;
        std::string m_prefix; // the header, the entry count and the key table: the start of every sealed page
        std::size_t m_headerSize = 0;
        bool m_hasUsers = false;
        RandomSource m_random;
    };

    // The sealed data of one page of a run, made as its content is written piece by piece: the run's header and
    // key table and a fresh nonce at the start, then the content deflated and sealed, and the tag at the finish.
    // Memory stays bounded whatever the content's length. output receives the sealed bytes in pieces, or with
    // base64 their base64 text in pieces of at most StrongCrypto::StreamPieceSize. Each step is false when it
    // fails: with the reason in error when the libraries or the random source fail, with error as it was when
    // output refused a piece (output knows why). The run must outlive the sealer.
    class PageSealer
    {
    public:
        PageSealer(const Run& run, StrongCrypto::Sink output, bool base64);
        PageSealer(const PageSealer&) = delete;
        PageSealer& operator=(const PageSealer&) = delete;

        bool start(std::string& error);
        bool write(std::string_view content, std::string& error);
        bool finish(std::string& error);

    private:
        bool failed(std::string_view reason, std::string& error) const;

        const Run& m_run;
        StrongCrypto::Sink m_output;
        bool m_refused = false; // output refused a piece
        StrongCrypto::Base64Stream m_base64;
        StrongCrypto::Sink m_sealed; // where the sealed bytes go: to m_base64 or straight to output
        std::optional<StrongCrypto::GcmStream> m_cipher;
        StrongCrypto::DeflateStream m_deflate;
    };
} // namespace Strong
