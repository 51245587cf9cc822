#pragma once

// The user list file: one entry (user name, TAB, password) per line, passwords in clear, UTF-8 as the command
// reads it too (see ListLines::UserListEntries).

#include "settings/userlist.h"

#include <QString>

namespace UserListFile
{
    inline const QString Filter = QStringLiteral("User list files (*.ust)");
    inline const QString DefaultSuffix = QStringLiteral("ust");

    // Writes the entries in list order. The file is readable by its owner only, since it holds the passwords
    // in clear; a failed save leaves a previous file as it was. On failure *error holds the message.
    bool Save(const UserList& users, const QString& path, QString* error);

    // Replaces the entries with the file's lines that hold a TAB after a non-empty user name, taken as they
    // stand, and sorts them. A file that cannot be read, is not UTF-8 or holds a NUL byte leaves the entries
    // unchanged and sets *error.
    bool Load(UserList& users, const QString& path, QString* error);
} // namespace UserListFile
