#include "engine/pagescan.h"

#include "engine/encrypthtml.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <system_error>

namespace PageScan
{
    namespace
    {
        enum class Kind
        {
            File,
            Folder,
            Other
        };

        struct Entry
        {
            std::string name;
            Kind kind;
        };

        struct FolderCloser
        {
            void operator()(DIR* folder) const
            {
                closedir(folder);
            }
        };

        std::string Reason(int code)
        {
            return std::error_code(code, std::generic_category()).message();
        }

        // The entry's own type: a symbolic link is Other, whatever it points to.
        Kind KindOf(DIR* folder, const dirent& entry)
        {
            if (entry.d_type != DT_UNKNOWN) {
                return entry.d_type == DT_REG ? Kind::File : (entry.d_type == DT_DIR ? Kind::Folder : Kind::Other);
            }
            // Some file systems leave the type to be asked for.
            struct stat status
            { };
            if (fstatat(dirfd(folder), entry.d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                return Kind::Other;
            }
            return S_ISREG(status.st_mode) ? Kind::File : (S_ISDIR(status.st_mode) ? Kind::Folder : Kind::Other);
        }

        // The folder's entries in byte order. A folder that cannot be read, whole or in part, is named in
        // result.unreadable; the entries read before a failure are still given.
        std::vector<Entry> ReadEntries(const std::string& folder, Result& result)
        {
            std::vector<Entry> entries;
            const std::unique_ptr<DIR, FolderCloser> listing(opendir(folder.c_str()));
            if (!listing) {
                result.unreadable.push_back(folder + ": " + Reason(errno));
                return entries;
            }
            for (;;) {
                errno = 0;
                const dirent* entry = readdir(listing.get());
                if (entry == nullptr) {
                    if (errno != 0) {
                        result.unreadable.push_back(folder + ": " + Reason(errno));
                    }
                    break;
                }
                const std::string_view name = entry->d_name;
                if (name != "." && name != "..") {
                    entries.push_back({std::string(name), KindOf(listing.get(), *entry)});
                }
            }
            std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
                return a.name < b.name;
            });
            return entries;
        }

        // folder is the text the paths start with: "" stands for the root, so that its files read "/name".
        void Scan(const std::string& folder, bool recursive, Result& result)
        {
            std::vector<std::string> subfolders;
            for (const Entry& entry : ReadEntries(folder.empty() ? "/" : folder, result)) {
                std::string path = folder + "/" + entry.name;
                switch (entry.kind) {
                case Kind::File:
                    (Encrypthtml::IsPageFileName(entry.name) ? result.pages : result.otherFiles)
                        .push_back(std::move(path));
                    break;
                case Kind::Folder:
                    if (recursive) {
                        subfolders.push_back(std::move(path));
                    }
                    break;
                case Kind::Other:
                    result.notFollowed.push_back(std::move(path));
                    break;
                }
            }
            for (const std::string& subfolder : subfolders) {
                Scan(subfolder, recursive, result);
            }
        }
    } // namespace

    Result ScanFolder(const std::string& folder, bool recursive)
    {
        Result result;
        if (!folder.empty()) {
            Scan(folder.ends_with('/') ? folder.substr(0, folder.size() - 1) : folder, recursive, result);
        }
        return result;
    }
} // namespace PageScan
