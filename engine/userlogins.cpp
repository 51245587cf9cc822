#include "engine/userlogins.h"

#include "engine/encrypthtml.h"
#include "engine/listlines.h"
#include "engine/strongcrypto.h"
#include "engine/textbytes.h"

#include <set>

namespace UserLogins
{
    namespace
    {
        // What bars the user from pages of the format, if anything. A strong user's name in NFC form goes to
        // normalName, for the check of repeated names.
        std::optional<Bar>
        BarOf(std::string_view name, std::string_view password, Format format, std::string& normalName)
        {
            if (name.empty()) {
                return Bar::EmptyName;
            }
            if (password.empty()) {
                return Bar::EmptyPassword;
            }
            if (format == Format::Strong) {
                std::string normalPassword;
                if (!StrongCrypto::NormalizeNfc(name, normalName)
                    || !StrongCrypto::NormalizeNfc(password, normalPassword)) {
                    return Bar::NotUtf8;
                }
                return std::nullopt;
            }
            // The page bytes of name and password apart: a character of the name may become a TAB byte, which
            // splitting the whole entry's bytes would take for the end of the name.
            const std::string nameBytes = TextBytes::UnicodeToBytes(TextBytes::Utf8ToUtf16(name));
            const std::string passwordBytes = TextBytes::UnicodeToBytes(TextBytes::Utf8ToUtf16(password));
            if (!Encrypthtml::UserKeyFits(nameBytes + '\t' + passwordBytes)) {
                return Bar::KeyUnusable;
            }
            if (!Encrypthtml::UserNameFits(nameBytes)) {
                return Bar::TabInName;
            }
            return std::nullopt;
        }
    } // namespace

    Decision Decide(const std::vector<std::string>& entries, Format format)
    {
        Decision decision;
        std::set<std::string> names;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const ListLines::UserEntry user = ListLines::SplitUserEntry(entries[i]);
            std::string normalName;
            if (const std::optional<Bar> bar = BarOf(user.name, user.password, format, normalName)) {
                decision.leftOut.emplace_back(i, *bar);
                continue;
            }
            if (format == Format::Strong && !names.insert(normalName).second && !decision.repeatedName) {
                decision.repeatedName = i;
            }
            decision.admitted.push_back(i);
        }
        return decision;
    }

    std::string BarText(Bar bar)
    {
        switch (bar) {
        case Bar::EmptyName:
            return "the user name is empty";
        case Bar::EmptyPassword:
            return "the password is empty, and a page takes no empty password";
        case Bar::NotUtf8:
            return "the user name or the password is not UTF-8 text";
        case Bar::KeyUnusable:
            return "the page cannot use a user name and password that are longer than "
                + std::to_string(Encrypthtml::MaxUserKeyLength)
                + " bytes together or hold a character it reads as a zero byte";
        case Bar::TabInName:
            return "the page reads a character of the name as a TAB";
        }
        return {};
    }
} // namespace UserLogins
