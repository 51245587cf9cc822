#pragma once

// Whole-file reading and replacing that never leaves a half-written file behind.

#include <filesystem>
#include <string>
#include <string_view>

namespace SafeFile
{
    // Reads the whole file into bytes. False, with the reason in error, when it cannot be opened or read.
    bool ReadAll(const std::filesystem::path& path, std::string& bytes, std::string& error);

    // True when the file may be written in place (it is opened for writing and closed, unchanged). False, with
    // the reason in error, otherwise.
    bool IsWritable(const std::filesystem::path& path, std::string& error);

    // Writes bytes to a new temporary file in target's folder, gives it the permissions perms and renames it over
    // target. On failure the temporary file is removed, target is as it was, and error holds the reason.
    bool Replace(const std::filesystem::path& target,
                 std::string_view bytes,
                 std::filesystem::perms perms,
                 std::string& error);

    // Copies source to destination (new or replaced; its folder must exist) the way Replace writes: an owner-only
    // temporary file beside destination, flushed, renamed over it. The copy gets source's permission bits and
    // belongs to the caller. False, with the reason in error, when source cannot be read or the copy cannot be
    // made; destination is then as it was.
    bool CopyFile(const std::filesystem::path& source, const std::filesystem::path& destination, std::string& error);
} // namespace SafeFile
