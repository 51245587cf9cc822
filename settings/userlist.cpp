#include "settings/userlist.h"

#include "engine/encrypthtml.h"
#include "engine/listlines.h"
#include "settings/passwordsettings.h"

#include <algorithm>

namespace
{
    constexpr QChar Tab = u'\t';

    // The engine's entry split, on the text as typed.
    ListLines::Utf16UserEntry Split(const QString& entry)
    {
        return ListLines::SplitUserEntry(std::u16string_view(reinterpret_cast<const char16_t*>(entry.utf16()),
                                                             static_cast<std::size_t>(entry.size())));
    }

    QString Text(std::u16string_view text)
    {
        return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
    }

    // The first character of text that reaches the page as a string holding byte, if any.
    std::optional<QString> CharacterGiving(const QString& text, char byte)
    {
        for (const uint code : text.toUcs4()) {
            const char32_t codePoint = code;
            const QString character = QString::fromUcs4(&codePoint, 1);
            if (PasswordSettings::ToEngineBytes(character).find(byte) != std::string::npos) {
                return character;
            }
        }
        return std::nullopt;
    }
} // namespace

UserList::UserList()
{
    m_collator.setCaseSensitivity(Qt::CaseSensitive);
}

QString UserList::nameOf(const QString& entry)
{
    return Text(Split(entry).name);
}

QString UserList::passwordOf(const QString& entry)
{
    return Text(Split(entry).password);
}

QString UserList::makeEntry(const QString& name, const QString& password)
{
    return name + Tab + password;
}

const QStringList& UserList::entries() const
{
    return m_entries;
}

int UserList::count() const
{
    return static_cast<int>(m_entries.size());
}

bool UserList::isEmpty() const
{
    return m_entries.isEmpty();
}

void UserList::append(const QString& entry)
{
    m_entries.append(entry);
}

void UserList::removeAt(int index)
{
    m_entries.removeAt(index);
}

void UserList::clear()
{
    m_entries.clear();
}

void UserList::replaceAll(const QStringList& entries)
{
    m_entries = entries;
}

int UserList::compare(const QString& a, const QString& b) const
{
    const int byLocale = m_collator.compare(a, b);
    return byLocale != 0 ? byLocale : QString::compare(a, b, Qt::CaseSensitive);
}

void UserList::sort()
{
    std::stable_sort(m_entries.begin(), m_entries.end(), [this](const QString& a, const QString& b) {
        return compare(a, b) < 0;
    });
}

int UserList::indexOf(const QString& entry) const
{
    const auto found = std::find_if(m_entries.cbegin(), m_entries.cend(), [&](const QString& candidate) {
        return compare(candidate, entry) == 0;
    });
    return found == m_entries.cend() ? -1 : static_cast<int>(found - m_entries.cbegin());
}

std::optional<QString> UserList::checkUserInput(const QString& name, const QString& password)
{
    const QString trimmedName = PasswordSettings::Trimmed(name);
    if (trimmedName.isEmpty()) {
        return QStringLiteral("Please input the user name.");
    }
    const QString trimmedPassword = PasswordSettings::Trimmed(password);
    if (!PasswordSettings::IsLengthValid(trimmedPassword)) {
        return PasswordSettings::LengthMessage();
    }
    const QString key = trimmedName + trimmedPassword;
    if (PasswordSettings::ToEngineBytes(key).size() > Encrypthtml::MaxUserKeyLength) {
        return QStringLiteral("The user name and the password together should not exceed %1 characters: the page "
                              "could never open for a longer pair.")
            .arg(Encrypthtml::MaxUserKeyLength);
    }
    // A character whose code is a multiple of 256 reaches the page as a zero byte, and the page locker leaves a
    // key holding one out of the page.
    if (const std::optional<QString> zero = CharacterGiving(key, '\0')) {
        return QStringLiteral("The character \"%1\" cannot be used in a user name or a password: the page could "
                              "never open for this user.")
            .arg(*zero);
    }
    // A browser drops line breaks from what is typed into its boxes, and the user list file would split the entry
    // into two lines.
    if (key.contains(u'\n') || key.contains(u'\r')) {
        return QStringLiteral("A user name or a password cannot hold a line break: the page could never open for "
                              "this user.");
    }
    // The page locker splits an entry at its first TAB byte. A TAB in the name, or a character reaching the page
    // as one (such as U+0409), would cut the name short there, and the user could never log in.
    if (const std::optional<QString> tab = CharacterGiving(trimmedName, '\t')) {
        return QStringLiteral("The character \"%1\" cannot be used in a user name: the page could never open for "
                              "this user.")
            .arg(*tab);
    }
    return std::nullopt;
}

std::optional<QString> UserList::CheckNewUser(const QString& name, const QString& password) const
{
    const std::string newName = PasswordSettings::ToEngineBytes(name);
    const std::string newPassword = PasswordSettings::ToEngineBytes(password);
    for (const QString& entry : m_entries) {
        const std::string entryName = PasswordSettings::ToEngineBytes(nameOf(entry));
        const std::string entryPassword = PasswordSettings::ToEngineBytes(passwordOf(entry));
        if (newName == entryName) {
            return QStringLiteral("The user is already in the list.");
        }
        if (newName == entryPassword) {
            return QStringLiteral("Invalid user name: for best security, the user's name can't be same as other "
                                  "user's password.");
        }
        if (newPassword == entryName) {
            return QStringLiteral("Invalid password: for best security, the password can't be same as other user's "
                                  "name.");
        }
    }
    return std::nullopt;
}

std::optional<QString> UserList::addUser(const QString& name, const QString& password)
{
    std::optional<QString> refusal = CheckNewUser(name, password);
    if (!refusal) {
        append(makeEntry(name, password));
        sort();
    }
    return refusal;
}

std::optional<QString> UserList::editUser(const QString& oldEntry, const QString& name, const QString& password)
{
    const bool removed = removeEntry(oldEntry);
    std::optional<QString> refusal = CheckNewUser(name, password);
    if (!refusal) {
        append(makeEntry(name, password));
    } else if (removed) {
        append(oldEntry);
    }
    sort();
    return refusal;
}

bool UserList::removeEntry(const QString& entry)
{
    const int index = indexOf(entry);
    if (index < 0) {
        return false;
    }
    removeAt(index);
    return true;
}

UserList::Logins UserList::logins(UserLogins::Format format) const
{
    std::vector<std::string> utf8;
    utf8.reserve(static_cast<std::size_t>(m_entries.size()));
    for (const QString& entry : m_entries) {
        utf8.push_back(entry.toStdString());
    }
    const UserLogins::Decision decision = UserLogins::Decide(utf8, format);
    Logins logins;
    for (const std::size_t index : decision.admitted) {
        logins.entries.append(m_entries.at(static_cast<qsizetype>(index)));
    }
    for (const auto& [index, bar] : decision.leftOut) {
        logins.leftOut.append(QStringLiteral("%1: %2").arg(nameOf(m_entries.at(static_cast<qsizetype>(index))),
                                                           QString::fromStdString(UserLogins::BarText(bar))));
    }
    const QString unchanged = QStringLiteral("No file has been changed.");
    if (decision.repeatedName) {
        logins.refusal =
            QStringLiteral("The user name \"%1\" is given twice, and strong pages take each user name once. %2")
                .arg(nameOf(m_entries.at(static_cast<qsizetype>(*decision.repeatedName))), unchanged);
    } else if (decision.admitted.empty()) {
        logins.refusal = m_entries.isEmpty()
            ? QStringLiteral("The user list is empty: no one could log in to the locked pages. ") + unchanged
            : QStringLiteral("No user in the list could log in to the locked pages:\n\n%1\n\n%2")
                  .arg(logins.leftOut.join(u'\n'), unchanged);
    }
    return logins;
}

std::vector<std::string> UserList::Logins::engineEntries() const
{
    std::vector<std::string> bytes;
    bytes.reserve(static_cast<std::size_t>(entries.size()));
    for (const QString& entry : entries) {
        bytes.push_back(PasswordSettings::ToEngineBytes(entry));
    }
    return bytes;
}
