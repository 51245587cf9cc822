#pragma once

// The file list file: one path per line, CR LF after every line, the system's 8-bit encoding.

#include "jobs/filelist.h"

#include <QString>

namespace FileListFile
{
    inline const QString Filter = QStringLiteral("List files (*.lst)");
    inline const QString DefaultSuffix = QStringLiteral("lst");

    // Writes the paths in list order. A failed save leaves a previous file as it was; *error holds the message.
    bool Save(const FileList& files, const QString& path, QString* error);

    // Replaces the list by the file's lines, each added by the list's own rule (sorted in, duplicates apart from
    // letter case dropped). The file is read before the list is touched, so one that cannot be read leaves the
    // list as it was and sets *error.
    bool Load(FileList& files, const QString& path, QString* error);
} // namespace FileListFile
