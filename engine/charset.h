#pragma once

// The character set of a page's source, which the locked page declares so that the unlocked document (and the
// scripts, style sheets and forms it loads) is read in the source's own encoding.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Charset
{
    // The label of pages whose bytes are shown as the characters 0 to 255 (also for plain ASCII).
    constexpr std::string_view Latin1 = "iso-8859-1";
    constexpr std::string_view Utf8 = "utf-8";

    // How much of the start of a page a browser searches for a charset declaration before it parses.
    constexpr std::size_t PrescanLength = 1024;

    class Detector
    {
    public:
        // The page's bytes, chunk after chunk in order.
        void feed(std::string_view chunk);

        // Utf8 for a page with a UTF-8 byte-order mark or declaration, or (without any other declaration) for
        // valid UTF-8 holding multi-byte sequences; a label declared by a meta element within the first
        // PrescanLength bytes, lower case; otherwise Latin1. Labels of what browsers read as windows-1252 give
        // Latin1. A label holds only letters, digits and "._:-", so it can stand in the page's text as it is.
        std::string label() const;

        // True once the start of the page settles the label: it holds a UTF-8 byte-order mark or a declaration
        // within the first PrescanLength bytes, so the bytes after them cannot change it.
        bool declared() const;

    private:
        std::optional<std::string> declaredLabel() const;

        std::string m_head; // the first PrescanLength bytes
        bool m_isUtf8 = true; // no invalid sequence so far
        bool m_hasMultiByte = false;
        int m_pending = 0; // continuation bytes still to come
        unsigned char m_low = 0x80; // the range of the next continuation byte
        unsigned char m_high = 0xBF;
    };

    // The label of a whole page.
    std::string Detect(std::string_view content);
} // namespace Charset
