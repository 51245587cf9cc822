#include "engine/handles.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <unistd.h>

namespace Handles
{
    namespace
    {
        constexpr int s_folderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

        std::atomic<bool> s_hooked{false};
        std::mutex s_hookMutex;
        StepHook s_hook;
    } // namespace

    std::string Reason(int code)
    {
        return std::error_code(code, std::generic_category()).message();
    }

    Fd::~Fd()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    Fd& Fd::operator=(Fd&& other) noexcept
    {
        if (this != &other) {
            if (m_fd >= 0) {
                ::close(m_fd);
            }
            m_fd = other.release();
        }
        return *this;
    }

    int Fd::release()
    {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

    bool Fd::close()
    {
        const int fd = release();
        return fd < 0 || ::close(fd) == 0;
    }

    Identity IdentityOf(const struct stat& status)
    {
        return {status.st_dev, status.st_ino};
    }

    Folder::Folder(Fd fd, std::string path, const struct stat& status)
        : m_fd(std::move(fd)), m_path(std::move(path)), m_identity(IdentityOf(status))
    { }

    std::string Folder::pathOf(std::string_view name) const
    {
        std::string path = m_path == "/" ? std::string() : m_path;
        path += '/';
        return path.append(name);
    }

    FolderRef OpenNamedFolder(const std::string& path, std::string& error)
    {
        Fd fd(open(path.empty() ? "." : path.c_str(), s_folderFlags));
        struct stat status = {};
        if (!fd.isOpen() || fstat(fd.get(), &status) != 0) {
            error = Reason(errno);
            return nullptr;
        }
        return std::make_shared<const Folder>(std::move(fd), path, status);
    }

    FolderRef OpenSubfolder(const Folder& parent,
                            const std::string& name,
                            const std::optional<Identity>& expected,
                            std::string path,
                            std::string& error)
    {
        BeforeStep(Step::EnterFolder, path);
        Fd fd(openat(parent.fd(), name.c_str(), s_folderFlags | O_NOFOLLOW));
        struct stat status = {};
        if (!fd.isOpen() || fstat(fd.get(), &status) != 0) {
            const int code = errno;
            error = code == ELOOP || code == ENOTDIR
                ? "no longer the folder that was listed: it is a symbolic link or another file now"
                : Reason(code);
            return nullptr;
        }
        if (expected && IdentityOf(status) != *expected) {
            error = "no longer the folder that was listed: another folder was put in its place";
            return nullptr;
        }
        return std::make_shared<const Folder>(std::move(fd), std::move(path), status);
    }

    Located LocateNamed(const std::string& path, Named& named, std::string& error)
    {
        struct stat given = {};
        if (lstat(path.c_str(), &given) != 0) {
            // A path through a file names nothing either.
            if (errno == ENOENT || errno == ENOTDIR) {
                return Located::Missing;
            }
            error = "cannot examine " + path + ": " + Reason(errno);
            return Located::Failed;
        }
        const std::size_t slash = path.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
        const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
        named.given.folder = OpenNamedFolder(folder, error);
        if (!named.given.folder) {
            error = "cannot open folder " + folder + ": " + error;
            return Located::Failed;
        }
        named.given.name = name;
        named.given.inode.reset();
        named.given.path = path;
        if (!S_ISLNK(given.st_mode)) {
            named.given.inode = given.st_ino;
            named.target = named.given;
            return Located::Found;
        }
        // The link is followed once, here: the folder that really holds its target is opened, and the target is
        // known from then on by that folder's handle and its own name.
        char resolved[PATH_MAX];
        if (realpath(path.c_str(), resolved) == nullptr) {
            if (errno == ENOENT) {
                return Located::Missing;
            }
            error = "cannot resolve " + path + ": " + Reason(errno);
            return Located::Failed;
        }
        const std::string target = resolved;
        const std::size_t targetSlash = target.find_last_of('/');
        const std::string targetFolder = targetSlash == 0 ? "/" : target.substr(0, targetSlash);
        named.target.folder = OpenNamedFolder(targetFolder, error);
        if (!named.target.folder) {
            error = "cannot open folder " + targetFolder + ": " + error;
            return Located::Failed;
        }
        named.target.name = target.substr(targetSlash + 1);
        named.target.inode.reset();
        named.target.path = path;
        return Located::Found;
    }

    Place PlaceOfPath(const std::string& path, std::string& error)
    {
        const std::size_t slash = path.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
        FolderRef opened = OpenNamedFolder(folder, error);
        if (!opened) {
            error = "cannot open folder " + folder + ": " + error;
        }
        return {std::move(opened), slash == std::string::npos ? path : path.substr(slash + 1), std::nullopt, path};
    }

    void SetStepHook(StepHook hook)
    {
        const std::lock_guard lock(s_hookMutex);
        s_hook = std::move(hook);
        s_hooked = static_cast<bool>(s_hook);
    }

    void BeforeStep(Step step, const std::string& path)
    {
        if (!s_hooked.load(std::memory_order_relaxed)) {
            return;
        }
        StepHook hook;
        {
            const std::lock_guard lock(s_hookMutex);
            hook = s_hook;
        }
        if (hook) {
            hook(step, path);
        }
    }
} // namespace Handles
