#include "settings/userlistfile.h"

#include "engine/listlines.h"
#include "settings/listfile.h"

#include <QDir>

namespace UserListFile
{
    bool Save(const UserList& users, const QString& path, QString* error)
    {
        return ListFile::Write(path, users.entries(), error, true, ListFile::Encoding::Utf8);
    }

    bool Load(UserList& users, const QString& path, QString* error)
    {
        const std::optional<QByteArray> bytes = ListFile::ReadBytes(path, error);
        if (!bytes) {
            return false;
        }
        const ListLines::ListText lines =
            ListLines::UserListEntries(std::string_view(bytes->constData(), bytes->size()));
        if (lines.fault != ListLines::ListFault::None) {
            if (error) {
                *error = lines.fault == ListLines::ListFault::NulByte
                    ? ListFile::NulByteMessage(path, lines.faultLine)
                    : QStringLiteral("File %1 is not UTF-8 text").arg(QDir::toNativeSeparators(path));
            }
            return false;
        }
        QStringList entries;
        for (const std::string& line : lines.lines) {
            entries.append(QString::fromUtf8(line));
        }
        users.replaceAll(entries);
        users.sort();
        return true;
    }
} // namespace UserListFile
