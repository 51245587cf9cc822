#pragma once

// The temporary files that new pages, backups and copies are written to before a rename puts them in place: their
// one name pattern, their removal when the program is ended by a signal, and the removal of those that a run
// ended outright left behind.
//
// The rule, for the README: a temporary file is named ".quillgate-<process number>-<16 hex digits>.tmp", hidden,
// in the folder of the file it will replace, and is readable and writable by its owner alone until it is renamed.
// It is removed when its write fails, and when the program is ended by SIGTERM, SIGINT or SIGHUP (a signal that the
// program ignores or handles itself is left alone): then every temporary file that exists is removed, and no new one
// is made nor renamed. A run ended outright (SIGKILL, a crash, a power cut) can leave
// one behind; the first lock in a folder by each later run removes such a file when all of these hold: the name has
// the pattern, it is a regular file with one name, it belongs to the user running the program, no process with the
// number in its name is running, and it has not been written to for 10 minutes. The last two together keep a
// writer that this system cannot see (another machine sharing the folder, another process-number space) safe: such
// a writer keeps its file fresh.

#include "engine/handles.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace TempFiles
{
    // How long a leftover must have been untouched before it counts as stale.
    constexpr std::chrono::minutes StaleAge{10};

    // A fresh name of the pattern.
    std::string NewFileName();


    // True when name (a bare file name) has the pattern; pid is the process number it carries.
    bool IsTemporaryName(std::string_view name, pid_t& pid);

    // Held by a thread while it creates a temporary file and registers it, and while it renames or removes one and
    // gives up its registration: the signal handler waits until no thread is inside such a step before it removes
    // the registered files, and a thread that would begin one once the handler has run waits for the end instead,
    // so no file is made or renamed after the removal and no registration changes during it.
    class Step
    {
    public:
        Step();
        ~Step();
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;
    };

    // Keeps a temporary file's place (its folder's handle, which must stay open meanwhile, and its name) where the
    // signal handler finds it (installed with the first registration) until the file is renamed or removed; made
    // and destroyed inside a Step. Safe to use from several threads at once. registered() is false when the place
    // cannot be kept (every slot taken, or a name too long for a slot).
    class Registration
    {
    public:
        Registration(int folderFd, std::string_view name);
        ~Registration();
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

        bool registered() const
        {
            return m_slot >= 0;
        }

    private:
        int m_slot = -1;
    };

    // Removes the temporary files in folder that are provably leftovers of this user's ended runs (see above);
    // returns how many it removed. Errors only mean a file is not removed.
    std::size_t RemoveStale(const std::filesystem::path& folder);
    std::size_t RemoveStale(int folderFd);

    // RemoveStale on the open folder, once per folder (device and inode) in the life of the process.
    void RemoveStaleOnce(const Handles::Folder& folder);
} // namespace TempFiles
