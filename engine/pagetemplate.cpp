#include "engine/pagetemplate.h"

#include "engine/encrypthtml.h"

#include <array>

namespace PageTemplate
{
    namespace
    {
        constexpr std::array<std::string_view, 13> s_sectionNames = {Page,
                                                                     UserParaInfo,
                                                                     UserTextInputValue,
                                                                     UserInputText,
                                                                     MasterPassword,
                                                                     OnloadPageSingle,
                                                                     OnloadPageUser,
                                                                     OnloadCookieSingle,
                                                                     OnloadCookieUser,
                                                                     SaveSessionSingle,
                                                                     SaveSessionUser,
                                                                     SaveCookieSingle,
                                                                     SaveCookieUser};

        // The placeholders of the page section; the master-password fragment holds the remaining one.
        constexpr std::array<std::string_view, 11> s_pageMarks = {CharsetMark,
                                                                  CheckValueMark,
                                                                  UserParaInfoMark,
                                                                  BlockListMark,
                                                                  MasterPasswordMark,
                                                                  OnloadMark,
                                                                  SavePasswordMark,
                                                                  UserTextInputValueMark,
                                                                  BackgroundColorMark,
                                                                  TextColorMark,
                                                                  UserInputTextMark};

        std::size_t Count(std::string_view text, std::string_view part)
        {
            std::size_t count = 0;
            for (std::size_t at = text.find(part); at != std::string_view::npos; at = text.find(part, at + 1)) {
                ++count;
            }
            return count;
        }

        std::string WithCrLf(std::string_view text)
        {
            std::string result;
            result.reserve(text.size() + text.size() / 16);
            for (std::size_t i = 0; i < text.size(); ++i) {
                // A file checked out with CR LF line breaks gives the same text.
                if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                    continue;
                }
                if (text[i] == '\n') {
                    result.push_back('\r');
                }
                result.push_back(text[i]);
            }
            return result;
        }

        // Every placeholder must stand exactly once where it belongs, and no other fragment may hold "<#": the
        // page is then filled the same whatever order the placeholders are found in.
        bool CheckPlaceholders(const Template& t, std::string& error)
        {
            for (const auto& [name, text] : t.sections) {
                const bool isPage = name == Page;
                const bool isMaster = name == MasterPassword;
                const std::size_t expected = isPage ? s_pageMarks.size() : (isMaster ? 1 : 0);
                if (Count(text, "<#") != expected) {
                    error = "the page template's section " + name + " holds the wrong number of placeholders";
                    return false;
                }
            }
            for (const std::string_view mark : s_pageMarks) {
                if (Count(t.section(Page), mark) != 1) {
                    error = "the page template's page does not hold " + std::string(mark) + " exactly once";
                    return false;
                }
            }
            if (Count(t.section(MasterPassword), UserMasterStringMark) != 1) {
                error =
                    "the page template's master-password fragment does not hold " + std::string(UserMasterStringMark);
                return false;
            }
            return true;
        }
    } // namespace

    const std::string& Template::section(std::string_view name) const
    {
        static const std::string s_none;
        const auto it = sections.find(name);
        return it == sections.end() ? s_none : it->second;
    }

    bool Parse(std::string_view fileText, Template& result, std::string& error)
    {
        result.sections.clear();
        std::string* current = nullptr;
        std::string_view body;
        auto finish = [&]() {
            if (current != nullptr) {
                if (body.ends_with('\n')) {
                    body.remove_suffix(1);
                }
                if (body.ends_with('\r')) {
                    body.remove_suffix(1);
                }
                *current = WithCrLf(body);
            }
        };
        std::size_t lineStart = 0;
        std::size_t bodyStart = 0;
        while (lineStart < fileText.size()) {
            std::size_t lineEnd = fileText.find('\n', lineStart);
            const std::size_t next = lineEnd == std::string_view::npos ? fileText.size() : lineEnd + 1;
            std::string_view line = fileText.substr(lineStart, next - lineStart);
            if (line.starts_with("@@")) {
                body = fileText.substr(bodyStart, lineStart - bodyStart);
                finish();
                while (line.ends_with('\n') || line.ends_with('\r')) {
                    line.remove_suffix(1);
                }
                const auto [it, isNew] = result.sections.try_emplace(std::string(line.substr(2)));
                if (!isNew) {
                    error = "the page template holds section " + it->first + " twice";
                    return false;
                }
                current = &it->second;
                bodyStart = next;
            }
            lineStart = next;
        }
        body = fileText.substr(std::min(bodyStart, fileText.size()));
        finish();

        for (const std::string_view name : s_sectionNames) {
            if (!result.sections.contains(name)) {
                error = "the page template lacks section " + std::string(name);
                return false;
            }
        }
        if (!result.section(Page).starts_with(Encrypthtml::LockedMarker)) {
            error = "the page template's page does not start with the locked-page marker";
            return false;
        }
        return CheckPlaceholders(result, error);
    }

    const Template* Embedded(std::string& error)
    {
        struct Loaded
        {
            Template t;
            std::string error;
            bool ok = false;
        };
        static const Loaded s_loaded = [] {
            Loaded loaded;
            loaded.ok = Parse(EmbeddedFile(), loaded.t, loaded.error);
            return loaded;
        }();
        if (!s_loaded.ok) {
            error = s_loaded.error;
            return nullptr;
        }
        return &s_loaded.t;
    }
} // namespace PageTemplate
