#pragma once

// Files and folders for the page locker's tests: a fresh folder per test, whole-file reading and writing, and
// the block list read back out of a locked page.

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace LockFixture
{
    // A new empty folder below the system's temporary folder, removed with everything in it at the end.
    class TempFolder
    {
    public:
        TempFolder();
        ~TempFolder();
        TempFolder(const TempFolder&) = delete;
        TempFolder& operator=(const TempFolder&) = delete;

        const std::filesystem::path& Path() const
        {
            return m_path;
        }
        // Path() / name as a string, the form LockPage takes.
        std::string File(std::string_view name) const;
        // The names in the folder, sorted.
        std::vector<std::string> Names() const;

    private:
        std::filesystem::path m_path;
    };

    std::string ReadFile(const std::filesystem::path& path);
    void WriteFile(const std::filesystem::path& path, std::string_view bytes);

    // The quoted blocks of the page's block list "NNNII=[...]", quotes removed; fails the test when the list
    // is not a comma-separated list of quoted blocks.
    std::vector<std::string> BlockList(const std::string& page);

    // Content of n bytes with every byte value, zero bytes included.
    std::string SampleContent(std::size_t n);

    // text as a UTF-16 file holds it: a byte-order mark, then each code unit in that byte order.
    std::string Utf16File(std::u16string_view text, bool bigEndian);

    // What a file is: its bytes, owner, group, permission bits and extended attributes (access control lists
    // among them), a symbolic link followed.
    struct FileState
    {
        std::string bytes;
        uid_t owner = 0;
        gid_t group = 0;
        unsigned mode = 0;
        std::map<std::string, std::string> extended;

        bool operator==(const FileState&) const = default;
    };
    void PrintTo(const FileState& state, std::ostream* os);

    FileState StateOf(const std::filesystem::path& path);

    // StateOf without the bytes: what a locked page must keep of the file it replaces.
    FileState AttributesOf(const std::filesystem::path& path);

    // The user id of "nobody", whom the tests run as root hand files to.
    constexpr uid_t Nobody = 65534;

    // Runs work in a child process as the user and group Nobody and returns the text it gave back; nothing when
    // the child could not become Nobody or did not end normally.
    std::optional<std::string> AsNobody(const std::function<std::string()>& work);
} // namespace LockFixture
