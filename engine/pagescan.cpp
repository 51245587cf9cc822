#include "engine/pagescan.h"

#include "engine/encrypthtml.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace PageScan
{
    namespace
    {
        enum class EntryKind
        {
            File,
            Folder,
            Other
        };

        struct Entry
        {
            std::string name;
            EntryKind kind;
            ino_t inode;
            std::optional<Handles::Identity> folder; // of a subfolder, read when it was listed
        };

        struct FolderCloser
        {
            void operator()(DIR* folder) const
            {
                closedir(folder);
            }
        };

        using Handles::Reason;

        // The entry's own type: a symbolic link is Other, whatever it points to.
        EntryKind KindOf(int folderFd, const dirent& entry)
        {
            if (entry.d_type != DT_UNKNOWN) {
                return entry.d_type == DT_REG ? EntryKind::File
                                              : (entry.d_type == DT_DIR ? EntryKind::Folder : EntryKind::Other);
            }
            // Some file systems leave the type to be asked for.
            struct stat status = {};
            if (fstatat(folderFd, entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                return EntryKind::Other;
            }
            return S_ISREG(status.st_mode) ? EntryKind::File
                                           : (S_ISDIR(status.st_mode) ? EntryKind::Folder : EntryKind::Other);
        }

        // The folder's entries in byte order. A folder that cannot be read, whole or in part, gives the reason in
        // error; the entries read before a failure are still given. A subfolder's identity is read as it is listed
        // (a mount point lists the inode beneath it), so that the folder entered later can be checked against it.
        std::vector<Entry> ReadEntries(const Handles::Folder& folder, bool withFolders, std::string& error)
        {
            std::vector<Entry> entries;
            // The listing gets a descriptor of its own, so that closing it leaves the folder's handle open.
            const int listed = openat(folder.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            const std::unique_ptr<DIR, FolderCloser> listing(listed < 0 ? nullptr : fdopendir(listed));
            if (!listing) {
                error = Reason(errno);
                if (listed >= 0) {
                    close(listed);
                }
                return entries;
            }
            for (;;) {
                errno = 0;
                const dirent* entry = readdir(listing.get());
                if (entry == nullptr) {
                    if (errno != 0) {
                        error = Reason(errno);
                    }
                    break;
                }
                const std::string_view name = entry->d_name;
                if (name == "." || name == "..") {
                    continue;
                }
                Entry found{std::string(name), KindOf(folder.fd(), *entry), entry->d_ino, std::nullopt};
                if (found.kind == EntryKind::Folder && withFolders) {
                    struct stat status = {};
                    if (fstatat(folder.fd(), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
                        found.folder = Handles::IdentityOf(status);
                    }
                }
                entries.push_back(std::move(found));
            }
            std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
                return a.name < b.name;
            });
            return entries;
        }
    } // namespace

    // A folder on the way down: its entries, its files given first, then its subfolders.
    struct Walk::Level
    {
        Handles::FolderRef folder;
        Handles::Place place; // in its parent; empty for the walk's folder
        std::string relative;
        std::vector<Entry> entries;
        std::size_t nextFile = 0;
        std::size_t nextFolder = 0;
    };

    Walk::Walk(const std::string& folder, bool recursive) : m_recursive(recursive)
    {
        if (folder.empty()) {
            return;
        }
        // folder is the text the paths start with, "/" for the root.
        const std::string text = folder.ends_with('/') ? folder.substr(0, folder.size() - 1) : folder;
        const std::string opened = text.empty() ? "/" : text;
        std::string error;
        Level root;
        root.folder = Handles::OpenNamedFolder(opened, error);
        if (!root.folder) {
            m_ready.push_back({Kind::Unreadable, {}, {}, {}, opened + ": " + error});
            return;
        }
        root.entries = ReadEntries(*root.folder, m_recursive, error);
        if (!error.empty()) {
            m_ready.push_back({Kind::Unreadable, {}, {}, {}, opened + ": " + error});
        }
        m_levels.push_back(std::move(root));
    }

    Walk::~Walk() = default;

    bool Walk::next(Found& found)
    {
        while (m_ready.empty()) {
            if (m_levels.empty()) {
                return false;
            }
            Level& level = m_levels.back();
            while (level.nextFile < level.entries.size()) {
                const Entry& entry = level.entries[level.nextFile++];
                if (entry.kind == EntryKind::Folder) {
                    continue;
                }
                const Kind kind = entry.kind == EntryKind::Other
                    ? Kind::NotFollowed
                    : (Encrypthtml::IsPageFileName(entry.name) ? Kind::Page : Kind::OtherFile);
                found = {kind,
                         {level.folder, entry.name, entry.inode, level.folder->pathOf(entry.name)},
                         {},
                         level.relative.empty() ? entry.name : level.relative + "/" + entry.name,
                         {}};
                return true;
            }
            if (enterNext(found)) {
                return true;
            }
        }
        found = std::move(m_ready.back());
        m_ready.pop_back();
        return true;
    }

    // Enters the next subfolder of the deepest folder, or leaves that folder once all are done.
    bool Walk::enterNext(Found& found)
    {
        Level& level = m_levels.back();
        while (m_recursive && level.nextFolder < level.entries.size()) {
            const Entry& entry = level.entries[level.nextFolder++];
            if (entry.kind != EntryKind::Folder) {
                continue;
            }
            Level sub;
            sub.place = {level.folder, entry.name, entry.inode, level.folder->pathOf(entry.name)};
            sub.relative = level.relative.empty() ? entry.name : level.relative + "/" + entry.name;
            std::string error;
            sub.folder = Handles::OpenSubfolder(*level.folder, entry.name, entry.folder, sub.place.path, error);
            if (!sub.folder) {
                found = {Kind::Unreadable, sub.place, {}, sub.relative, sub.place.path + ": " + error};
                return true;
            }
            sub.entries = ReadEntries(*sub.folder, m_recursive, error);
            if (!error.empty()) {
                m_ready.push_back(
                    {Kind::Unreadable, sub.place, sub.folder, sub.relative, sub.place.path + ": " + error});
            }
            // The folder comes first, then what could not be read of it (m_ready), then its entries.
            found = {Kind::Folder, sub.place, sub.folder, sub.relative, {}};
            m_levels.push_back(std::move(sub));
            return true;
        }
        found = {Kind::FolderDone, level.place, level.folder, level.relative, {}};
        m_levels.pop_back();
        return true;
    }

    Result ScanFolder(const std::string& folder, bool recursive)
    {
        Result result;
        Walk walk(folder, recursive);
        for (Found found; walk.next(found);) {
            switch (found.kind) {
            case Kind::Page:
                result.pages.push_back(std::move(found.place.path));
                break;
            case Kind::OtherFile:
                result.otherFiles.push_back(std::move(found.place.path));
                break;
            case Kind::NotFollowed:
                result.notFollowed.push_back(std::move(found.place.path));
                break;
            case Kind::Unreadable:
                result.unreadable.push_back(std::move(found.reason));
                break;
            case Kind::Folder:
            case Kind::FolderDone:
                break;
            }
        }
        return result;
    }
} // namespace PageScan
