#include "settings/listfile.h"

#include "engine/listlines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace
{
    QString WithFileName(const char* message, const QString& path)
    {
        return QString::fromLatin1(message).arg(QDir::toNativeSeparators(path));
    }

    void SetError(QString* error, const QString& message)
    {
        if (error) {
            *error = message;
        }
    }
} // namespace

namespace ListFile
{
    std::optional<QByteArray> ReadBytes(const QString& path, QString* error)
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            SetError(error, WithFileName("Cannot open file %1", path));
            return std::nullopt;
        }
        QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            SetError(error, WithFileName("Cannot open file %1", path));
            return std::nullopt;
        }
        return bytes;
    }

    QString NulByteMessage(const QString& path, std::size_t line)
    {
        return WithFileName("File %1 holds a NUL byte in line %2", path).arg(line);
    }

    std::optional<QStringList> Read(const QString& path, QString* error)
    {
        const std::optional<QByteArray> bytes = ReadBytes(path, error);
        if (!bytes) {
            return std::nullopt;
        }
        const ListLines::ListText text = ListLines::SplitListLines(std::string_view(bytes->constData(), bytes->size()));
        if (text.fault == ListLines::ListFault::NulByte) {
            SetError(error, NulByteMessage(path, text.faultLine));
            return std::nullopt;
        }
        // A byte that is no text in the system encoding would turn into U+FFFD: the entry would be changed
        // silently, a password would lock pages with a character nobody can type, and a save would write it back.
        QStringDecoder decode(QStringDecoder::System, QStringDecoder::Flag::Stateless);
        QStringList lines;
        for (const std::string& line : text.lines) {
            lines.append(decode(QByteArrayView(line.data(), static_cast<qsizetype>(line.size()))));
            if (decode.hasError()) {
                SetError(error, WithFileName("File %1 is not text in the system encoding", path));
                return std::nullopt;
            }
        }
        return lines;
    }

    bool Write(const QString& path, const QStringList& lines, QString* error, bool ownerOnly, Encoding encoding)
    {
        QByteArray block;
        for (const QString& line : lines) {
            block += encoding == Encoding::Utf8 ? line.toUtf8() : line.toLocal8Bit();
            block += "\r\n";
        }

        // A save file would quietly replace a read-only target, since only its folder decides. Keep such a file
        // as it is: one this user may not write, or one without its owner's write bit (marked read-only, which
        // the administrator's access would otherwise override).
        const QFileInfo target(path);
        const bool readOnly =
            target.exists() && (!target.isWritable() || !target.permissions().testFlag(QFileDevice::WriteOwner));
        // Unbuffered, so that a short write (a full disk) shows in the count write() returns; a buffered save
        // file can let such a write pass and commit a cut-off file.
        QSaveFile file(path);
        if (readOnly || !file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            SetError(error, WithFileName("Cannot create file %1", path));
            return false;
        }
        // The temporary file takes the permissions before any byte reaches it, and keeps them when it replaces
        // the target.
        if (ownerOnly && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            SetError(error, WithFileName("Cannot create file %1", path));
            return false;
        }
        if (file.write(block) != block.size() || !file.commit()) {
            SetError(error, QStringLiteral("Stream write error"));
            return false;
        }
        return true;
    }
} // namespace ListFile
