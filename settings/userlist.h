#pragma once

// The users of a user/password job: entries "name TAB password", kept in the order of explicit sorts.

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

    static QString UserName(const QString& entry); // text before the first TAB
    static QString Password(const QString& entry); // text after the first TAB
    static QString MakeEntry(const QString& name, const QString& password);

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

    // The conflict rules for a new user: the refusal message, or nothing when accepted.
    std::optional<QString> CheckNewUser(const QString& name, const QString& password) const;

    // The entries as engine bytes, for the page locker.
    std::vector<std::string> engineEntries() const;

private:
    QStringList m_entries;
    QCollator m_collator;
};
