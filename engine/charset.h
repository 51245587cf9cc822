#pragma once

// The character set of a page's source, which the locked page declares so that the unlocked document (and the
// scripts, style sheets and forms it loads) is read in the source's own encoding.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Charset
{
    // The label of a page that declares nothing a browser knows and is neither UTF-8 nor clearly another legacy
    // encoding (also of plain ASCII). Browsers read it as windows-1252, and so does the unlocked page.
    constexpr std::string_view Latin1 = "iso-8859-1";
    constexpr std::string_view Utf8 = "utf-8";

    // How much of the start of a page a browser searches for a charset declaration before it parses.
    constexpr std::size_t PrescanLength = 1024;
    // How much of the start of an undeclared page the encoding of its text is guessed from.
    constexpr std::size_t GuessLength = 64 * 1024;

    // The byte order of a page that starts with a UTF-16 byte-order mark. Browsers read such a page as UTF-16
    // whatever it declares; a page that declares UTF-16 is read as UTF-8, so the lock carries its text as UTF-8.
    enum class Utf16
    {
        None,
        LittleEndian,
        BigEndian,
    };

    Utf16 Utf16Order(std::string_view start);

    // UTF-16 text, written in pieces of any length, as UTF-8, decoded as browsers decode it: the byte-order mark
    // dropped, an unpaired surrogate or an odd last byte each read as U+FFFD.
    class Utf16ToUtf8
    {
    public:
        explicit Utf16ToUtf8(Utf16 order);

        // The UTF-8 of the code units completed by bytes; valid until the next call.
        std::string_view convert(std::string_view bytes);
        // The end of the text: U+FFFD for what is left of a code unit or a surrogate pair.
        std::string_view finish();

    private:
        void unit(char16_t code);
        void append(char32_t code);

        bool m_bigEndian;
        std::string m_text; // the UTF-8 of the last call
        std::optional<unsigned char> m_oddByte; // the first byte of a code unit
        char16_t m_highSurrogate = 0; // waiting for its low one
        bool m_started = false; // past the first code unit, which may be the byte-order mark
    };

    // The text a lock carries for content: a page with a UTF-16 byte-order mark as UTF-8 (kept in converted), any
    // other as it is.
    std::string_view LockedText(std::string_view content, std::string& converted);

    class Detector
    {
    public:
        // The page's bytes, chunk after chunk in order.
        void feed(std::string_view chunk);

        // Utf8 for a page with a UTF-8 or UTF-16 byte-order mark or a UTF-8 declaration, or (without any other
        // declaration) for valid UTF-8 holding multi-byte sequences; a label declared by a meta element within the
        // first PrescanLength bytes, lower case; for other text beyond ASCII, the legacy encoding that its first
        // GuessLength bytes are written in, where that is clear, as browsers guess it for an undeclared page
        // (windows-1251, Shift_JIS, GB18030, …); otherwise Latin1. A declared label that browsers do not know is no
        // declaration, as it is to them. A label holds only letters, digits and "._:-", so it can stand in the
        // page's text as it is.
        std::string label() const;

        // True once the start of the page settles the label: it holds a byte-order mark or a declaration within
        // the first PrescanLength bytes, so the bytes after them cannot change it.
        bool declared() const;

        // The byte order of a UTF-16 page, from its byte-order mark.
        Utf16 utf16() const
        {
            return Utf16Order(m_start);
        }

    private:
        std::optional<std::string> declaredLabel() const;

        std::string m_start; // the first GuessLength bytes
        bool m_isUtf8 = true; // no invalid sequence so far
        bool m_hasMultiByte = false;
        int m_pending = 0; // continuation bytes still to come
        unsigned char m_low = 0x80; // the range of the next continuation byte
        unsigned char m_high = 0xBF;
    };

    // The label of a whole page.
    std::string Detect(std::string_view content);
} // namespace Charset
