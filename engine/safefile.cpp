#include "engine/safefile.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>
#include <system_error>

namespace SafeFile
{
    namespace
    {
        std::string Reason(int code)
        {
            return std::error_code(code, std::generic_category()).message();
        }

        struct FileCloser
        {
            void operator()(std::FILE* file) const
            {
                std::fclose(file);
            }
        };

        // A hidden name beside the target; short, so that a target with a long name still gets one.
        std::filesystem::path TemporaryName(const std::filesystem::path& target)
        {
            thread_local std::mt19937_64 s_random{std::random_device{}()};
            char name[32];
            std::snprintf(name, sizeof name, ".qg%016llx.tmp", static_cast<unsigned long long>(s_random()));
            return target.parent_path() / name;
        }

        // Creates a new file (never an existing one) and writes bytes to it; a file it could not finish is removed.
        // Returns 0 or the system's error code.
        int WriteNew(const std::filesystem::path& path, std::string_view bytes, std::string& error)
        {
            std::FILE* file = std::fopen(path.c_str(), "wbx");
            if (file == nullptr) {
                const int code = errno;
                error = "cannot create " + path.string() + ": " + Reason(code);
                return code;
            }
            // Until it is complete the file is the owner's alone: a backup holds the page before it was locked.
            std::error_code ignored;
            std::filesystem::permissions(
                path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, ignored);
            errno = 0;
            const bool written =
                std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
            int code = errno;
            const bool closed = std::fclose(file) == 0;
            if (written && closed) {
                return 0;
            }
            if (written) {
                code = errno;
            }
            if (code == 0) {
                code = EIO;
            }
            error = "cannot write " + path.string() + ": " + Reason(code);
            std::filesystem::remove(path, ignored);
            return code;
        }
    } // namespace

    bool ReadAll(const std::filesystem::path& path, std::string& bytes, std::string& error)
    {
        const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
        if (!file) {
            const int code = errno;
            error = "cannot open " + path.string() + ": " + Reason(code);
            return false;
        }
        // Read straight into a buffer of the file's size, then on to the end rather than trusting the size: the
        // file may change, and some files report none.
        std::error_code sizeError;
        const auto size = std::filesystem::file_size(path, sizeError);
        bytes.assign(sizeError ? 0 : std::size_t(size), '\0');
        errno = 0;
        const std::size_t done = std::fread(bytes.data(), 1, bytes.size(), file.get());
        const bool filled = done == bytes.size();
        bytes.resize(done);
        if (filled) {
            char chunk[65536];
            for (std::size_t count = sizeof chunk; count == sizeof chunk;) {
                count = std::fread(chunk, 1, sizeof chunk, file.get());
                bytes.append(chunk, count);
            }
        }
        if (std::ferror(file.get())) {
            error = "cannot read " + path.string() + ": " + Reason(errno != 0 ? errno : EIO);
            return false;
        }
        return true;
    }

    bool IsWritable(const std::filesystem::path& path, std::string& error)
    {
        const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "r+b"));
        if (!file) {
            error = "cannot write " + path.string() + ": " + Reason(errno);
            return false;
        }
        return true;
    }

    bool Replace(const std::filesystem::path& target,
                 std::string_view bytes,
                 std::filesystem::perms perms,
                 std::string& error)
    {
        // A name taken meanwhile by another file is simply skipped for a fresh one.
        std::filesystem::path temporary;
        for (int attempt = 0;; ++attempt) {
            temporary = TemporaryName(target);
            const int code = WriteNew(temporary, bytes, error);
            if (code == 0) {
                break;
            }
            if (code != EEXIST || attempt == 10) {
                return false;
            }
        }
        std::error_code failure;
        std::filesystem::permissions(temporary, perms, failure);
        if (!failure) {
            std::filesystem::rename(temporary, target, failure);
        }
        if (failure) {
            error = "cannot replace " + target.string() + ": " + failure.message();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
        return true;
    }

    bool CopyFile(const std::filesystem::path& source, const std::filesystem::path& destination, std::string& error)
    {
        std::error_code failure;
        const std::filesystem::perms perms = std::filesystem::status(source, failure).permissions();
        if (failure) {
            error = "cannot examine " + source.string() + ": " + failure.message();
            return false;
        }
        std::string bytes;
        return ReadAll(source, bytes, error) && Replace(destination, bytes, perms, error);
    }
} // namespace SafeFile
