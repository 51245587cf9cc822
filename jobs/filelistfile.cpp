#include "jobs/filelistfile.h"

#include "settings/listfile.h"

#include <optional>

namespace FileListFile
{
    bool Save(const FileList& files, const QString& path, QString* error)
    {
        return ListFile::Write(path, files.paths(), error);
    }

    bool Load(FileList& files, const QString& path, QString* error)
    {
        const std::optional<QStringList> lines = ListFile::Read(path, error);
        if (!lines) {
            return false;
        }
        files.clear();
        files.addAll(*lines);
        return true;
    }
} // namespace FileListFile
