#pragma once

// Files reached through the handles of their folders. A tree that others may write into while it is locked can
// change between any two steps: a page swapped for a symbolic link, a folder renamed away and a link put in its
// place. So a path name is resolved once, when a file is named or found, and every later step (opening the page,
// creating its temporary file and backup, the rename, the flush) works relative to the handle of the folder that
// holds it, never through a link.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace Handles
{
    // A file descriptor, closed with the object.
    class Fd
    {
    public:
        Fd() = default;
        explicit Fd(int fd) : m_fd(fd)
        { }
        ~Fd();
        Fd(Fd&& other) noexcept : m_fd(other.release())
        { }
        Fd& operator=(Fd&& other) noexcept;
        Fd(const Fd&) = delete;
        Fd& operator=(const Fd&) = delete;

        int get() const
        {
            return m_fd;
        }
        bool isOpen() const
        {
            return m_fd >= 0;
        }
        [[nodiscard]] int release();
        // Closes the descriptor; false, with errno set, when the close reports a failure.
        bool close();

    private:
        int m_fd = -1;
    };

    // The identity of a file: what a later step checks the file it opens against.
    struct Identity
    {
        dev_t device = 0;
        ino_t inode = 0;

        bool operator==(const Identity&) const = default;
    };

    Identity IdentityOf(const struct stat& status);

    // A folder held open, shared by everything done inside it. path is the folder as the user sees it, for
    // messages only; nothing is ever opened through it.
    class Folder
    {
    public:
        Folder(Fd fd, std::string path, const struct stat& status);
        virtual ~Folder() = default;
        Folder(const Folder&) = delete;
        Folder& operator=(const Folder&) = delete;

        int fd() const
        {
            return m_fd.get();
        }
        const std::string& path() const
        {
            return m_path;
        }
        const Identity& identity() const
        {
            return m_identity;
        }
        // path joined with name by a "/", for messages; the root's files read "/name".
        std::string pathOf(std::string_view name) const;

    private:
        Fd m_fd;
        std::string m_path;
        Identity m_identity;
    };

    using FolderRef = std::shared_ptr<const Folder>;

    // A file's place: the folder that holds it and its name there. inode, when known, is the one the file had
    // when it was found, and a file by that name that is another one now is refused. path is the place as the
    // user sees it, for messages only.
    struct Place
    {
        FolderRef folder;
        std::string name;
        std::optional<ino_t> inode;
        std::string path;
    };

    // The system's text for errno code.
    std::string Reason(int code);

    // Opens a folder that the user named; links on the way are followed, since the user chose them. Null, with
    // the system's reason in error, when path is no folder or cannot be opened.
    FolderRef OpenNamedFolder(const std::string& path, std::string& error);

    // Opens the subfolder name of parent without following a link; null, with the reason in error, when the entry
    // is a link now, no folder, or another folder than the one with identity expected. path is the subfolder's path,
    // for the step hook.
    FolderRef OpenSubfolder(const Folder& parent,
                            const std::string& name,
                            const std::optional<Identity>& expected,
                            std::string path,
                            std::string& error);

    // What a path named by the user stands for: the place of the file it names in the end (a symbolic link, also
    // among the folders on the way, is followed once, here) and the place of the name as given, where a link
    // stays a link and a backup copy goes.
    struct Named
    {
        Place target;
        Place given;
    };

    enum class Located
    {
        Found,
        Missing, // nothing by that name
        Failed // error says why
    };

    // Resolves path once; from then on the file is reached through the folder handles of the result alone.
    Located LocateNamed(const std::string& path, Named& named, std::string& error);

    // The place of the name at the end of path in its folder, which is opened here (links on the way followed);
    // its folder is null, with the reason in error, when that folder cannot be opened.
    Place PlaceOfPath(const std::string& path, std::string& error);

    // For tests that change a tree between two steps of a run: the hook is called before each step with the path
    // the step is about, on the thread that takes it. None is set outside tests.
    enum class Step
    {
        EnterFolder, // a subfolder found by a scan is opened
        OpenFile, // a page or file is opened to be read
        Rename // a finished file is renamed over its target
    };
    using StepHook = std::function<void(Step step, const std::string& path)>;
    void SetStepHook(StepHook hook);
    void BeforeStep(Step step, const std::string& path);
} // namespace Handles
