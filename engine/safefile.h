#pragma once

// Reading files, and replacing them so that no half-written or over-readable file is ever left behind: a new file
// is written as a temporary beside its target, readable by its owner alone, flushed to disk, given its final
// owner, permissions and extended attributes, and renamed over the target.

#include "engine/tempfiles.h"

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace SafeFile
{
    // The size of the pieces that files are read and copied in: memory stays bounded whatever a file's size.
    constexpr std::size_t ChunkSize = 128 * 1024;

    // Reads the whole file into bytes. False, with the reason in error, when it cannot be opened or read.
    bool ReadAll(const std::filesystem::path& path, std::string& bytes, std::string& error);

    // True when the file may be written in place (it is opened for writing and closed, unchanged). False, with
    // the reason in error, otherwise.
    bool IsWritable(const std::filesystem::path& path, std::string& error);

    // What a new file takes over when it is put in place.
    struct Attributes
    {
        mode_t mode = S_IRUSR | S_IWUSR; // permission bits
        // True: owner, group and the extended attributes (access control lists among them) are carried over as
        // well, exactly, and the file is not put in place when any of them cannot be. False: the file belongs to
        // the caller, keeps what its folder gives new files, and only the permission bits (no set-id bits) apply.
        bool whole = false;
        uid_t owner = 0;
        gid_t group = 0;
        std::vector<std::pair<std::string, std::string>> extended; // name and value
    };

    // A file open for reading; closed with the object.
    class Source
    {
    public:
        Source() = default;
        ~Source();
        Source(const Source&) = delete;
        Source& operator=(const Source&) = delete;

        // Opens path (a symbolic link is followed). False, with the reason in error, when it cannot be opened.
        bool open(const std::filesystem::path& path, std::string& error);

        const struct stat& status() const
        {
            return m_status;
        }

        // True when name is this very file; a symbolic link there is followed when followLink is true.
        bool isNamedBy(const std::filesystem::path& name, bool followLink) const;

        // Every attribute of the file, for a replacement that keeps them (Attributes::whole).
        bool readAttributes(Attributes& attributes, std::string& error) const;

        // Fills buffer unless the file ends first; count is the number of bytes read, less than size only at the end.
        bool read(char* buffer, std::size_t size, std::size_t& count, std::string& error);

        // Starts reading from the beginning again.
        bool rewind(std::string& error);

    private:
        std::filesystem::path m_path;
        int m_fd = -1;
        struct stat m_status
        { };
    };

    // The new content of target, written to a temporary file beside it (see engine/tempfiles.h) that is renamed
    // over target by commit(). Until then target is unchanged, and the temporary file is removed if the object is
    // destroyed first.
    class Replacement
    {
    public:
        explicit Replacement(std::filesystem::path target);
        ~Replacement();
        Replacement(const Replacement&) = delete;
        Replacement& operator=(const Replacement&) = delete;

        // Creates the temporary file, readable and writable by its owner alone from the start.
        bool create(std::string& error);

        bool write(std::string_view bytes, std::string& error);

        // Gives the complete file its attributes, flushes it to disk, renames it over target and flushes the folder,
        // so that after a crash target holds either the old or the new content in full.
        bool commit(const Attributes& attributes, std::string& error);

    private:
        std::filesystem::path m_target;
        std::filesystem::path m_temporary;
        std::unique_ptr<TempFiles::Registration> m_registration;
        int m_fd = -1;
        off_t m_written = 0;
        off_t m_sent = 0; // bytes already on their way to disk
        bool m_committed = false;
    };

    // Whether commit() flushes files and folders to disk: on unless turned off, which only a benchmark does to
    // measure what the flushes cost.
    void SetFlushing(bool on);

    // Copies source to destination (new or replaced; its folder must exist) by a Replacement, in chunks. The copy
    // gets source's permission bits and belongs to the caller; a symbolic link named destination is replaced
    // itself. False, with the reason in error, when source cannot be read, destination is source itself, or the
    // copy cannot be made; destination is then as it was.
    bool CopyFile(const std::filesystem::path& source, const std::filesystem::path& destination, std::string& error);
} // namespace SafeFile
