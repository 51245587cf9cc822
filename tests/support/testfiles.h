#pragma once

// Whole files for the Qt tests: read and written in one go, and whether a file is a locked page.

#include "engine/encrypthtml.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

namespace TestFiles
{
    // The whole file; empty when it cannot be read.
    inline QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Writes bytes as the whole file, making its folder first; false when any of it failed.
    inline bool Write(const QString& path, const QByteArray& bytes)
    {
        QFile file(path);
        return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
            && file.write(bytes) == bytes.size();
    }

    // True when the file starts with the locked-page marker.
    inline bool IsLocked(const QString& path)
    {
        const std::string_view marker = Encrypthtml::LockedMarker;
        return Read(path).startsWith(QByteArrayView(marker.data(), static_cast<qsizetype>(marker.size())));
    }
} // namespace TestFiles
