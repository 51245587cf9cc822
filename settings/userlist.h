#pragma once

// The users of a user/password job: entries "name TAB password", kept in the order of explicit sorts.

#include "engine/userlogins.h"

#include <QCollator>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <vector>

class UserList
{
public:
    UserList();

    static QString nameOf(const QString& entry); // text before the first TAB
    static QString passwordOf(const QString& entry); // text after the first TAB
    static QString makeEntry(const QString& name, const QString& password);

    const QStringList& entries() const;
    int count() const;
    bool isEmpty() const;

    void append(const QString& entry);
    void removeAt(int index);
    void clear();
    void replaceAll(const QStringList& entries);
    // Ascending by the whole entry, the user's locale, letter case significant.
    void sort();
    // First entry comparing equal under the sort's comparison; -1 when none.
    int indexOf(const QString& entry) const;

    // The user dialog's rules for the typed name and password (both trimmed first): the warning to show, or
    // nothing when both are acceptable. Beyond the name and length rules it refuses a pair the page could
    // never open: name and password together longer than 256 engine bytes, or holding a zero engine byte or a line
    // break, or a name holding a TAB engine byte (where the entry would split).
    static std::optional<QString> checkUserInput(const QString& name, const QString& password);

    // The conflict rules for a new user against the entries in list order: the refusal message, or nothing when
    // accepted. Texts are compared as the bytes the page receives.
    std::optional<QString> CheckNewUser(const QString& name, const QString& password) const;

    // Adds a user (trimmed texts) under the conflict rules and sorts: the refusal message, or nothing when added.
    std::optional<QString> addUser(const QString& name, const QString& password);
    // Takes oldEntry out, then adds the new user under the conflict rules against the others; on refusal the old
    // entry goes back. Sorts either way. The refusal message, or nothing when replaced.
    std::optional<QString> editUser(const QString& oldEntry, const QString& name, const QString& password);
    // Removes the entry the lookup finds; false when there is none.
    bool removeEntry(const QString& entry);

    // Who of the list can log in on pages of the format, by the rule the command follows too (UserLogins): a
    // user who could never log in (an empty password, say, or a name that loaded from a file holds a character
    // the classic page reads as a TAB) is left out of the pages.
    struct Logins
    {
        QStringList entries; // the entries that go into the pages, as typed, in list order
        QStringList leftOut; // for each of the others, "name: why", the name as typed
        std::optional<QString> refusal; // why no page may be locked with the list: nobody could log in, or a
                                        // strong page's user name is given twice

        // The entries as engine bytes, for the classic page locker.
        std::vector<std::string> engineEntries() const;
    };
    Logins logins(UserLogins::Format format) const;

private:
    // The locale's case-sensitive order; entries it cannot tell apart are ordered by their code units, so only
    // identical entries compare equal and a lookup never finds another user's entry.
    int compare(const QString& a, const QString& b) const;

    QStringList m_entries;
    QCollator m_collator;
};
