#include "settings/userlistfile.h"

#include "settings/listfile.h"

namespace UserListFile
{
    bool Save(const UserList& users, const QString& path, QString* error)
    {
        return ListFile::Write(path, users.entries(), error, true);
    }

    bool Load(UserList& users, const QString& path, QString* error)
    {
        const std::optional<QStringList> lines = ListFile::Read(path, error);
        if (!lines) {
            return false;
        }
        QStringList entries;
        for (const QString& line : *lines) {
            if (line.indexOf(u'\t') > 0) {
                entries.append(line);
            }
        }
        users.replaceAll(entries);
        users.sort();
        return true;
    }
} // namespace UserListFile
