#pragma once

// Files and folders for the page locker's tests: a fresh folder per test, whole-file reading and writing, and
// the block list read back out of a locked page.

#include <filesystem>
#include <string>
#include <string_view>
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
} // namespace LockFixture
