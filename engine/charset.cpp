#include "engine/charset.h"

#include <unicode/ucsdet.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

namespace Charset
{
    namespace
    {
        // Labels of the encodings that browsers read in place of the one named. UTF-16 declared in a page that is
        // parsed at all is read as UTF-8, and x-user-defined as windows-1252. The ISO-2022 and HZ names stand for an
        // encoding that turns the whole page into one replacement character: declared by the locked page, it would
        // hide the login form too, so such a page is locked as Latin1.
        struct Alias
        {
            std::string_view label;
            std::string_view as;
        };

        constexpr std::array<Alias, 22> s_aliases = {{
            {"unicode-1-1-utf-8", Utf8},
            {"unicode11utf8", Utf8},
            {"unicode20utf8", Utf8},
            {"utf-8", Utf8},
            {"utf8", Utf8},
            {"x-unicode20utf8", Utf8},
            {"csunicode", Utf8},
            {"iso-10646-ucs-2", Utf8},
            {"ucs-2", Utf8},
            {"unicode", Utf8},
            {"unicodefeff", Utf8},
            {"unicodefffe", Utf8},
            {"utf-16", Utf8},
            {"utf-16be", Utf8},
            {"utf-16le", Utf8},
            {"x-user-defined", "windows-1252"},
            {"csiso2022kr", Latin1},
            {"hz-gb-2312", Latin1},
            {"iso-2022-cn", Latin1},
            {"iso-2022-cn-ext", Latin1},
            {"iso-2022-kr", Latin1},
            {"replacement", Latin1},
        }};

        // Every other label browsers know (the Encoding Standard's), between blanks, an encoding a line or two. The
        // locked page declares such a label as it is, and a browser reads it as it reads the original. A label
        // neither here nor among the aliases is ignored by browsers, so it declares nothing. The windows-1252 ones
        // (the Latin-1 and ASCII names too) all mean that one decoder, whose bytes 0x80 to 0x9F are characters such
        // as the euro sign and curly quotes.
        constexpr std::string_view s_known =
            " 866 cp866 csibm866 ibm866"
            " csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"
            " csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"
            " csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"
            " csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988"
            " arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e iso-8859-6-i"
            " iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"
            " csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 iso_8859-7"
            " iso_8859-7:1987 sun_eu_greek"
            " csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 iso_8859-8"
            " iso_8859-8:1988 visual"
            " csiso88598i iso-8859-8-i logical"
            " csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"
            " iso-8859-13 iso8859-13 iso885913"
            " iso-8859-14 iso8859-14 iso885914"
            " csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"
            " iso-8859-16"
            " cskoi8r koi koi8 koi8-r koi8_r"
            " koi8-ru koi8-u"
            " csmacintosh mac macintosh x-mac-roman"
            " x-mac-cyrillic x-mac-ukrainian"
            " dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"
            " cp1250 windows-1250 x-cp1250"
            " cp1251 windows-1251 x-cp1251"
            " ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 iso88591 iso_8859-1"
            " iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"
            " cp1253 windows-1253 x-cp1253"
            " cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 iso_8859-9:1989 l5 latin5"
            " windows-1254 x-cp1254"
            " cp1255 windows-1255 x-cp1255"
            " cp1256 windows-1256 x-cp1256"
            " cp1257 windows-1257 x-cp1257"
            " cp1258 windows-1258 x-cp1258"
            " chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk"
            " gb18030"
            " big5 big5-hkscs cn-big5 csbig5 x-x-big5"
            " cseucpkdfmtjapanese euc-jp x-euc-jp"
            " csiso2022jp iso-2022-jp"
            " csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"
            " cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 ksc_5601"
            " windows-949 ";

        // The top bit of each of eight bytes: a word without any holds eight ASCII bytes.
        constexpr std::uint64_t s_highBits = 0x8080808080808080;

        // No encoding label is longer; a longer value is no label.
        constexpr std::size_t s_maxLabelLength = 40;

        bool IsSpace(char c)
        {
            return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
        }

        char Lower(char c)
        {
            return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        }

        bool IsLetter(char c)
        {
            return Lower(c) >= 'a' && Lower(c) <= 'z';
        }

        bool StartsWithNoCase(std::string_view text, std::string_view prefix)
        {
            return text.size() >= prefix.size()
                && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char p, char c) {
                       return p == Lower(c);
                   });
        }

        // A declared value as the label the locked page declares: blanks around it dropped, lower case, and only
        // a label browsers know, so nothing of the page's text can pass into the locked page; nothing for any other
        // value, which browsers ignore.
        std::optional<std::string> LabelOf(std::string_view value)
        {
            while (!value.empty() && IsSpace(value.front())) {
                value.remove_prefix(1);
            }
            while (!value.empty() && IsSpace(value.back())) {
                value.remove_suffix(1);
            }
            if (value.empty() || value.size() > s_maxLabelLength) {
                return std::nullopt;
            }
            std::string label;
            for (const char c : value) {
                const char l = Lower(c);
                const bool allowed =
                    (l >= 'a' && l <= 'z') || (l >= '0' && l <= '9') || l == '.' || l == '_' || l == ':' || l == '-';
                if (!allowed) {
                    return std::nullopt;
                }
                label.push_back(l);
            }
            for (const Alias& alias : s_aliases) {
                if (alias.label == label) {
                    return std::string(alias.as);
                }
            }
            if (s_known.find(' ' + label + ' ') == std::string_view::npos) {
                return std::nullopt;
            }
            return label;
        }

        // The charset named in a meta element's content attribute ("text/html; charset=..."), as browsers
        // extract it: the first "charset" followed by "=", its value quoted or up to a blank or ";".
        std::optional<std::string_view> CharsetInContent(std::string_view content)
        {
            constexpr std::string_view key = "charset";
            std::size_t at = 0;
            while (true) {
                std::size_t found = std::string_view::npos;
                for (std::size_t i = at; i + key.size() <= content.size(); ++i) {
                    if (StartsWithNoCase(content.substr(i), key)) {
                        found = i;
                        break;
                    }
                }
                if (found == std::string_view::npos) {
                    return std::nullopt;
                }
                at = found + key.size();
                while (at < content.size() && IsSpace(content[at])) {
                    ++at;
                }
                if (at < content.size() && content[at] == '=') {
                    break;
                }
            }
            ++at;
            while (at < content.size() && IsSpace(content[at])) {
                ++at;
            }
            if (at == content.size()) {
                return std::nullopt;
            }
            const char quote = content[at];
            if (quote == '"' || quote == '\'') {
                const std::size_t end = content.find(quote, at + 1);
                if (end == std::string_view::npos) {
                    return std::nullopt;
                }
                return content.substr(at + 1, end - at - 1);
            }
            std::size_t end = at;
            while (end < content.size() && !IsSpace(content[end]) && content[end] != ';') {
                ++end;
            }
            return content.substr(at, end - at);
        }

        struct Attribute
        {
            std::string name; // lower case
            std::string value; // as written, quotes removed
        };

        // The byte-level scan browsers run over the start of a page before parsing it: comments and other
        // markup are stepped over, and the first meta element that names a charset (by a charset attribute, or
        // by a content attribute together with http-equiv="content-type") decides. Input that ends inside a
        // tag declares nothing.
        class Prescan
        {
        public:
            explicit Prescan(std::string_view text) : m_text(text)
            { }

            std::optional<std::string> Run()
            {
                while (m_at < m_text.size()) {
                    const std::string_view rest = m_text.substr(m_at);
                    if (rest.starts_with("<!--")) {
                        // "<!-->" is a whole comment: the end may share the opening's dashes.
                        const std::size_t end = m_text.find("-->", m_at + 2);
                        if (end == std::string_view::npos) {
                            return std::nullopt;
                        }
                        m_at = end + 3;
                    } else if (StartsWithNoCase(rest, "<meta") && rest.size() > 5
                               && (IsSpace(rest[5]) || rest[5] == '/')) {
                        m_at += 6;
                        if (std::optional<std::string> label = Meta()) {
                            return label;
                        }
                    } else if (rest.size() > 1
                               && (IsLetter(rest[1]) || (rest[1] == '/' && rest.size() > 2 && IsLetter(rest[2])))) {
                        // Any other tag: its name, then its attributes, whose values may hold a ">".
                        m_at += rest[1] == '/' ? 2 : 1;
                        while (m_at < m_text.size() && !IsSpace(m_text[m_at]) && m_text[m_at] != '>') {
                            ++m_at;
                        }
                        while (NextAttribute()) {
                        }
                    } else if (rest.starts_with("<!") || rest.starts_with("</") || rest.starts_with("<?")) {
                        const std::size_t end = m_text.find('>', m_at);
                        if (end == std::string_view::npos) {
                            return std::nullopt;
                        }
                        m_at = end + 1;
                    } else {
                        ++m_at;
                    }
                }
                return std::nullopt;
            }

        private:
            // The attributes of a meta element; the label it declares, if any.
            std::optional<std::string> Meta()
            {
                bool isContentType = false;
                std::optional<bool> needsPragma;
                std::optional<std::string> label;
                std::string seen = " ";
                while (std::optional<Attribute> attribute = NextAttribute()) {
                    // Only the first of several attributes of one name counts.
                    const std::string key = attribute->name + ' ';
                    if (seen.find(' ' + key) != std::string::npos) {
                        continue;
                    }
                    seen += key;
                    if (attribute->name == "http-equiv") {
                        isContentType =
                            attribute->value.size() == 12 && StartsWithNoCase(attribute->value, "content-type");
                    } else if (attribute->name == "content" && !label.has_value()) {
                        if (const std::optional<std::string_view> value = CharsetInContent(attribute->value)) {
                            label = LabelOf(*value);
                            needsPragma = true;
                        }
                    } else if (attribute->name == "charset") {
                        label = LabelOf(attribute->value);
                        needsPragma = false;
                    }
                }
                if (!needsPragma.has_value() || (*needsPragma && !isContentType)) {
                    return std::nullopt;
                }
                return label;
            }

            // The attribute at the scan position, which then moves past it; nothing at the tag's end or at the
            // end of the input (then the scan position is at the end, which ends the scan).
            std::optional<Attribute> NextAttribute()
            {
                const auto atEnd = [this]() {
                    return m_at >= m_text.size();
                };
                while (!atEnd() && (IsSpace(m_text[m_at]) || m_text[m_at] == '/')) {
                    ++m_at;
                }
                if (atEnd() || m_text[m_at] == '>') {
                    return std::nullopt;
                }
                Attribute attribute;
                while (!atEnd()) {
                    const char c = m_text[m_at];
                    if ((c == '=' && !attribute.name.empty()) || IsSpace(c) || c == '/' || c == '>') {
                        break;
                    }
                    attribute.name.push_back(Lower(c));
                    ++m_at;
                }
                while (!atEnd() && IsSpace(m_text[m_at])) {
                    ++m_at;
                }
                if (atEnd()) {
                    return std::nullopt;
                }
                if (m_text[m_at] != '=') {
                    return attribute;
                }
                ++m_at;
                while (!atEnd() && IsSpace(m_text[m_at])) {
                    ++m_at;
                }
                if (atEnd()) {
                    return std::nullopt;
                }
                const char quote = m_text[m_at];
                if (quote == '"' || quote == '\'') {
                    const std::size_t end = m_text.find(quote, m_at + 1);
                    if (end == std::string_view::npos) {
                        m_at = m_text.size();
                        return std::nullopt;
                    }
                    attribute.value = m_text.substr(m_at + 1, end - m_at - 1);
                    m_at = end + 1;
                    return attribute;
                }
                while (!atEnd() && !IsSpace(m_text[m_at]) && m_text[m_at] != '>') {
                    attribute.value.push_back(m_text[m_at]);
                    ++m_at;
                }
                return atEnd() ? std::nullopt : std::optional<Attribute>(attribute);
            }

            std::string_view m_text;
            std::size_t m_at = 0;
        };

        // The legacy encodings a guess may give: those browsers know that keep ASCII as it is, beside Latin-1.
        // ICU also names UTF-16 and UTF-32 without a mark, the ISO-2022 ones and EBCDIC, which no browser guesses.
        constexpr std::array<std::string_view, 19> s_guessable = {
            "big5",         "euc-jp",       "euc-kr",       "gb18030",      "iso-8859-2",
            "iso-8859-5",   "iso-8859-6",   "iso-8859-7",   "iso-8859-8",   "iso-8859-8-i",
            "iso-8859-9",   "koi8-r",       "shift_jis",    "windows-1250", "windows-1251",
            "windows-1253", "windows-1254", "windows-1255", "windows-1256",
        };

        // Below this ICU is no surer of its guess than of Latin-1, which stays the reading.
        constexpr int32_t s_minConfidence = 30;
        // Nor is a guess from a few letters beyond ASCII worth more than Latin-1 (as browsers read such a page).
        constexpr std::ptrdiff_t s_minGuessBytes = 8;

        // The encoding ICU's detector finds in text that is neither ASCII nor UTF-8; nothing when it is not
        // sure, or finds Latin-1 or an encoding no browser would guess.
        std::optional<std::string> GuessedLabel(std::string_view text)
        {
            const auto beyondAscii = std::count_if(text.begin(), text.end(), [](char c) {
                return static_cast<unsigned char>(c) >= 0x80;
            });
            if (beyondAscii < s_minGuessBytes) {
                return std::nullopt;
            }
            UErrorCode status = U_ZERO_ERROR;
            const std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status),
                                                                                      ucsdet_close);
            if (U_FAILURE(status) || text.size() > INT32_MAX) {
                return std::nullopt;
            }
            // Markup is left out, so that tag names and attributes do not pass for text in Latin-1.
            ucsdet_enableInputFilter(detector.get(), true);
            ucsdet_setText(detector.get(), text.data(), static_cast<int32_t>(text.size()), &status);
            const UCharsetMatch* match = ucsdet_detect(detector.get(), &status);
            if (U_FAILURE(status) || match == nullptr || ucsdet_getConfidence(match, &status) < s_minConfidence) {
                return std::nullopt;
            }
            const char* name = ucsdet_getName(match, &status);
            std::optional<std::string> label = U_SUCCESS(status) && name != nullptr ? LabelOf(name) : std::nullopt;
            if (!label || std::find(s_guessable.begin(), s_guessable.end(), *label) == s_guessable.end()) {
                return std::nullopt;
            }
            return label;
        }
    } // namespace

    void Detector::feed(std::string_view chunk)
    {
        if (m_start.size() < GuessLength) {
            m_start.append(chunk.substr(0, GuessLength - m_start.size()));
        }
        if (!m_isUtf8) {
            return;
        }
        // The rules of a strict UTF-8 decoder: no overlong forms, no surrogates, nothing above U+10FFFF.
        for (std::size_t i = 0; i < chunk.size(); ++i) {
            // Runs of ASCII, the bulk of most pages, are passed over eight bytes at a time.
            if (m_pending == 0) {
                std::uint64_t word = 0;
                while (i + sizeof word <= chunk.size()
                       && (std::memcpy(&word, chunk.data() + i, sizeof word), (word & s_highBits) == 0)) {
                    i += sizeof word;
                }
                if (i == chunk.size()) {
                    break;
                }
            }
            const auto byte = static_cast<unsigned char>(chunk[i]);
            if (m_pending > 0) {
                if (byte < m_low || byte > m_high) {
                    m_isUtf8 = false;
                    return;
                }
                --m_pending;
                m_low = 0x80;
                m_high = 0xBF;
            } else if (byte >= 0x80) {
                m_hasMultiByte = true;
                if (byte >= 0xC2 && byte <= 0xDF) {
                    m_pending = 1;
                } else if (byte >= 0xE0 && byte <= 0xEF) {
                    m_pending = 2;
                    m_low = byte == 0xE0 ? 0xA0 : 0x80;
                    m_high = byte == 0xED ? 0x9F : 0xBF;
                } else if (byte >= 0xF0 && byte <= 0xF4) {
                    m_pending = 3;
                    m_low = byte == 0xF0 ? 0x90 : 0x80;
                    m_high = byte == 0xF4 ? 0x8F : 0xBF;
                } else {
                    m_isUtf8 = false;
                    return;
                }
            }
        }
    }

    std::optional<std::string> Detector::declaredLabel() const
    {
        if (m_start.starts_with("\xEF\xBB\xBF") || utf16() != Utf16::None) {
            return std::string(Utf8);
        }
        return Prescan(std::string_view(m_start).substr(0, PrescanLength)).Run();
    }

    std::string Detector::label() const
    {
        if (std::optional<std::string> declared = declaredLabel()) {
            return *declared;
        }
        const bool isUtf8 = m_isUtf8 && m_pending == 0;
        if (isUtf8) {
            return std::string(m_hasMultiByte ? Utf8 : Latin1);
        }
        return GuessedLabel(m_start).value_or(std::string(Latin1));
    }

    // A head still short of PrescanLength may yet end inside the tag that declares, so only a whole one settles.
    bool Detector::declared() const
    {
        return m_start.size() >= PrescanLength && declaredLabel().has_value();
    }

    std::string Detect(std::string_view content)
    {
        Detector detector;
        detector.feed(content);
        return detector.label();
    }

    Utf16 Utf16Order(std::string_view start)
    {
        if (start.starts_with("\xFF\xFE")) {
            return Utf16::LittleEndian;
        }
        return start.starts_with("\xFE\xFF") ? Utf16::BigEndian : Utf16::None;
    }

    Utf16ToUtf8::Utf16ToUtf8(Utf16 order) : m_bigEndian(order == Utf16::BigEndian)
    { }

    std::string_view Utf16ToUtf8::convert(std::string_view bytes)
    {
        m_text.clear();
        for (const char c : bytes) {
            const auto byte = static_cast<unsigned char>(c);
            if (!m_oddByte) {
                m_oddByte = byte;
                continue;
            }
            const auto high = m_bigEndian ? *m_oddByte : byte;
            const auto low = m_bigEndian ? byte : *m_oddByte;
            m_oddByte.reset();
            unit(static_cast<char16_t>(high << 8 | low));
        }
        return m_text;
    }

    std::string_view Utf16ToUtf8::finish()
    {
        m_text.clear();
        if (m_oddByte || m_highSurrogate != 0) {
            append(0xFFFD);
        }
        m_oddByte.reset();
        m_highSurrogate = 0;
        return m_text;
    }

    void Utf16ToUtf8::unit(char16_t code)
    {
        if (!std::exchange(m_started, true) && code == 0xFEFF) {
            return;
        }
        const bool high = code >= 0xD800 && code <= 0xDBFF;
        const bool low = code >= 0xDC00 && code <= 0xDFFF;
        if (m_highSurrogate != 0) {
            const char16_t first = std::exchange(m_highSurrogate, 0);
            if (low) {
                append(0x10000 + ((char32_t(first) - 0xD800) << 10) + (char32_t(code) - 0xDC00));
                return;
            }
            append(0xFFFD);
        }
        if (high) {
            m_highSurrogate = code;
        } else {
            append(low ? 0xFFFD : code);
        }
    }

    void Utf16ToUtf8::append(char32_t code)
    {
        if (code < 0x80) {
            m_text.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            m_text.push_back(static_cast<char>(0xC0 | code >> 6));
            m_text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            m_text.push_back(static_cast<char>(0xE0 | code >> 12));
            m_text.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            m_text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            m_text.push_back(static_cast<char>(0xF0 | code >> 18));
            m_text.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
            m_text.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
            m_text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }

    std::string_view LockedText(std::string_view content, std::string& converted)
    {
        const Utf16 order = Utf16Order(content);
        if (order == Utf16::None) {
            return content;
        }
        Utf16ToUtf8 decoder(order);
        converted = decoder.convert(content);
        converted += decoder.finish();
        return converted;
    }
} // namespace Charset
