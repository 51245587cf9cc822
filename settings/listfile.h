#pragma once

// Reading and writing the two plain-text list files (file lists and user lists): one line per entry,
// CR LF after every line. File lists are in the system's 8-bit encoding, user lists in UTF-8 (see
// engine/listlines.h).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <optional>

namespace ListFile
{
    // How lines become bytes: file lists in the system's encoding, user lists in UTF-8, the rule both the
    // wizard and the command follow for them.
    enum class Encoding
    {
        System,
        Utf8
    };

    // The whole file's bytes. Nothing on failure, with *error set to "Cannot open file %s" with the file name.
    std::optional<QByteArray> ReadBytes(const QString& path, QString* error);

    // The refusal of a list file holding a NUL byte, which no path, user name or password holds: "File %s holds a
    // NUL byte in line %d" with the file name and the line's number.
    QString NulByteMessage(const QString& path, std::size_t line);

    // Reads the whole file and splits it by the list-file line rules. Nothing on failure, with *error set to
    // the message to show ("Cannot open file %s" with the file name, NulByteMessage, or "File %s is not text in
    // the system encoding" when a line holds bytes that do not decode).
    std::optional<QStringList> Read(const QString& path, QString* error);

    // Writes the lines through a temporary file that replaces the target only once complete, so a failed write
    // leaves the previous file as it was. On failure *error holds "Cannot create file %s" or "Stream write error".
    // When ownerOnly is set the file is readable and writable by its owner alone.
    bool Write(const QString& path,
               const QStringList& lines,
               QString* error,
               bool ownerOnly = false,
               Encoding encoding = Encoding::System);
} // namespace ListFile
