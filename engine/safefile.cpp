#include "engine/safefile.h"

#include "engine/tempfiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/xattr.h>
#include <system_error>
#include <unistd.h>

namespace SafeFile
{
    namespace
    {
        using Handles::Reason;

        struct FileCloser
        {
            void operator()(std::FILE* file) const
            {
                std::fclose(file);
            }
        };

        std::atomic<bool> s_flushing{true};
        // A file that grows by this much since the last flush began is flushed again, on a thread of its own.
        constexpr off_t s_flushAhead = 4 << 20;
        // A commit batch of fewer files flushes them one by one.
        constexpr std::size_t s_flushedOneByOne = 8;

        std::string CannotFlush(const std::filesystem::path& target, const std::string& reason)
        {
            return "cannot flush the new " + target.string() + " to disk: " + reason;
        }

        // Closes the files that kept replaced files alive across their renames. A file's blocks are freed with its
        // last reference, and where the file system discards freed blocks at once that waits for the disk: within
        // a rename, with the folder locked against every other new file there meanwhile. Here the waits overlap,
        // a share of the files on each of a few threads.
        void CloseReplaced(const std::vector<int>& files)
        {
            constexpr std::size_t threads = 8;
            constexpr std::size_t leastShare = 16;
            const std::size_t share = std::max(leastShare, (files.size() + threads - 1) / threads);
            std::vector<std::future<void>> closing;
            for (std::size_t start = 0; start < files.size(); start += share) {
                auto closeShare = [&files, start, end = std::min(files.size(), start + share)] {
                    std::for_each(files.begin() + std::ptrdiff_t(start), files.begin() + std::ptrdiff_t(end), close);
                };
                try {
                    closing.push_back(
                        std::async(files.size() > share ? std::launch::async : std::launch::deferred, closeShare));
                } catch (const std::system_error&) {
                    closeShare();
                }
            }
            for (std::future<void>& closer : closing) {
                closer.wait();
            }
        }

        // Calls read, write and the like again when a signal interrupted them.
        template <typename Call> auto Retry(Call call)
        {
            for (;;) {
                const auto result = call();
                if (result >= 0 || errno != EINTR) {
                    return result;
                }
            }
        }

        // The names of the file's extended attributes; none where the file system has none.
        bool ExtendedNames(int fd, std::vector<std::string>& names, std::string& error)
        {
            names.clear();
            std::string list;
            for (;;) {
                const ssize_t size = flistxattr(fd, nullptr, 0);
                if (size < 0 && errno == ENOTSUP) {
                    return true;
                }
                if (size >= 0) {
                    list.resize(std::size_t(size));
                    const ssize_t got = size == 0 ? 0 : flistxattr(fd, list.data(), list.size());
                    if (got >= 0) {
                        list.resize(std::size_t(got));
                        break;
                    }
                }
                if (errno != ERANGE) {
                    error = Reason(errno);
                    return false;
                }
            }
            for (std::size_t at = 0; at < list.size();) {
                const std::size_t end = list.find('\0', at);
                names.push_back(list.substr(at, end - at));
                at = end == std::string::npos ? list.size() : end + 1;
            }
            return true;
        }

        bool ExtendedValue(int fd, const std::string& name, std::string& value, std::string& error)
        {
            for (;;) {
                const ssize_t size = fgetxattr(fd, name.c_str(), nullptr, 0);
                if (size >= 0) {
                    value.resize(std::size_t(size));
                    const ssize_t got = size == 0 ? 0 : fgetxattr(fd, name.c_str(), value.data(), value.size());
                    if (got >= 0) {
                        value.resize(std::size_t(got));
                        return true;
                    }
                }
                if (errno != ERANGE) {
                    error = Reason(errno);
                    return false;
                }
            }
        }

        // Makes fd's extended attributes exactly those given: the ones its folder gave it by default (an
        // inherited access control list) are removed when the original has none of them.
        bool SetExtended(int fd,
                         const std::vector<std::pair<std::string, std::string>>& extended,
                         const std::string& target,
                         std::string& error)
        {
            std::vector<std::string> present;
            std::string reason;
            if (!ExtendedNames(fd, present, reason)) {
                error = "cannot list the extended attributes of the new " + target + ": " + reason;
                return false;
            }
            for (const std::string& name : present) {
                const bool kept = std::any_of(extended.begin(), extended.end(), [&name](const auto& attribute) {
                    return attribute.first == name;
                });
                if (!kept && fremovexattr(fd, name.c_str()) != 0) {
                    error = "cannot remove the extended attribute " + name + " that the new " + target
                        + " was given: " + Reason(errno);
                    return false;
                }
            }
            // One the new file has already (a label its folder gave it) is left alone: setting it again may need a
            // right that keeping it does not.
            for (const auto& [name, value] : extended) {
                std::string current;
                if (ExtendedValue(fd, name, current, reason) && current == value) {
                    continue;
                }
                if (fsetxattr(fd, name.c_str(), value.data(), value.size(), 0) != 0) {
                    error = "cannot carry the extended attribute " + name + " of " + target + " over: " + Reason(errno);
                    return false;
                }
            }
            return true;
        }

        // The rename is done by now: a folder that cannot be flushed (some file systems refuse) does not undo it.
        void FlushFolder(int folderFd)
        {
            fsync(folderFd);
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

    bool MayReplace(const Handles::Place& place, std::string& error)
    {
        struct stat status = {};
        if (fstatat(place.folder->fd(), place.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) {
                return true;
            }
            error = "cannot examine " + place.path + ": " + Reason(errno);
            return false;
        }
        if (S_ISLNK(status.st_mode)) {
            return true;
        }
        if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
            error = place.path + " is read-only";
            return false;
        }
        const Handles::Fd file(
            openat(place.folder->fd(), place.name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (!file.isOpen()) {
            error = "cannot write " + place.path + ": " + Reason(errno);
            return false;
        }
        return true;
    }

    bool ReadAttributes(
        int fd, const struct stat& status, const std::string& path, Attributes& attributes, std::string& error)
    {
        attributes.whole = true;
        attributes.owner = status.st_uid;
        attributes.group = status.st_gid;
        attributes.mode = status.st_mode & 07777;
        attributes.extended.clear();
        std::vector<std::string> names;
        std::string reason;
        if (!ExtendedNames(fd, names, reason)) {
            error = "cannot list the extended attributes of " + path + ": " + reason;
            return false;
        }
        for (std::string& name : names) {
            std::string value;
            if (!ExtendedValue(fd, name, value, reason)) {
                error = "cannot read the extended attribute " + name + " of " + path + ": " + reason;
                return false;
            }
            attributes.extended.emplace_back(std::move(name), std::move(value));
        }
        return true;
    }

    bool SettleFolder(int fd, const Attributes& attributes, const std::string& path, std::string& error)
    {
        // Owner, group and extended attributes only where the process may: another user's folder copied by its
        // reader ends up the reader's, as a copy would. The mode is what keeps a private folder private.
        if (attributes.whole) {
            if (fchown(fd, attributes.owner, attributes.group) != 0) {
                fchown(fd, -1, attributes.group);
            }
            std::string ignored;
            SetExtended(fd, attributes.extended, path, ignored);
        }
        if (fchmod(fd, attributes.mode & 07777) != 0) {
            error = "cannot give the folder " + path + " the permissions of its source: " + Reason(errno);
            return false;
        }
        return true;
    }

    Source::~Source() = default;

    bool Source::open(const Handles::Place& place, std::string& error)
    {
        m_path = place.path;
        m_failure = Failure::None;
        Handles::BeforeStep(Handles::Step::OpenFile, m_path);
        m_fd =
            Handles::Fd(openat(place.folder->fd(), place.name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
        if (!m_fd.isOpen() || fstat(m_fd.get(), &m_status) != 0) {
            const int code = errno;
            // A link is never followed here (O_NOFOLLOW's ELOOP): a named link was resolved when it was named.
            m_failure = code == ENOENT ? Failure::Missing : (code == ELOOP ? Failure::Changed : Failure::Other);
            error = m_failure == Failure::Changed
                ? m_path + " is no longer the file that was found: it is a symbolic link now"
                : "cannot open " + m_path + ": " + Reason(code);
            return false;
        }
        // A file found lies in its folder's file system; another file by that name is not the one found.
        if (place.inode && (m_status.st_ino != *place.inode || m_status.st_dev != place.folder->identity().device)) {
            m_failure = Failure::Changed;
            error = m_path + " is no longer the file that was found: another file is there now";
            return false;
        }
        if (!S_ISREG(m_status.st_mode)) {
            m_failure = Failure::Other;
            error = m_path + " is not a regular file";
            return false;
        }
        return true;
    }

    bool Source::isAt(const Handles::Place& place, bool followLink) const
    {
        struct stat named = {};
        return fstatat(place.folder->fd(), place.name.c_str(), &named, followLink ? 0 : AT_SYMLINK_NOFOLLOW) == 0
            && named.st_dev == m_status.st_dev && named.st_ino == m_status.st_ino;
    }

    bool Source::readAttributes(Attributes& attributes, std::string& error) const
    {
        return ReadAttributes(m_fd.get(), m_status, m_path, attributes, error);
    }

    bool Source::read(char* buffer, std::size_t size, std::size_t& count, std::string& error)
    {
        count = 0;
        while (count < size) {
            const ssize_t got = Retry([&] {
                return ::read(m_fd.get(), buffer + count, size - count);
            });
            if (got < 0) {
                error = "cannot read " + m_path + ": " + Reason(errno);
                return false;
            }
            if (got == 0) {
                break;
            }
            count += std::size_t(got);
        }
        return true;
    }

    bool Source::rewind(std::string& error)
    {
        if (lseek(m_fd.get(), 0, SEEK_SET) != 0) {
            error = "cannot read " + m_path + " again: " + Reason(errno);
            return false;
        }
        return true;
    }

    Replacement::Replacement(Handles::Place target) : m_target(std::move(target)), m_targetPath(m_target.path)
    { }

    Replacement::Replacement(const std::filesystem::path& target)
        : m_target(Handles::PlaceOfPath(target.string(), m_folderError)), m_targetPath(target.string())
    { }

    Replacement::~Replacement()
    {
        if (m_aheadFlush.valid()) {
            m_aheadFlush.wait();
        }
        if (m_fd >= 0) {
            close(m_fd);
        }
        if (m_registration && !m_committed) {
            const TempFiles::Step step;
            unlinkat(folderFd(), m_temporary.c_str(), 0);
            m_registration.reset();
        }
    }

    bool Replacement::create(std::string& error)
    {
        if (!m_target.folder) {
            error = "cannot create a new file for " + m_targetPath + ": " + m_folderError;
            return false;
        }
        // A name taken meanwhile by another file is simply skipped for a fresh one. The name is registered before
        // the file exists, so that a signal never leaves it behind.
        for (int attempt = 0;; ++attempt) {
            const TempFiles::Step step;
            m_temporary = TempFiles::NewFileName();
            m_registration = std::make_unique<TempFiles::Registration>(folderFd(), m_temporary);
            if (!m_registration->registered()) {
                m_registration.reset();
                error = "cannot create a temporary file for " + m_targetPath + ": too many files at once";
                return false;
            }
            m_fd = Retry([&] {
                return openat(folderFd(),
                              m_temporary.c_str(),
                              O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC | O_NOFOLLOW,
                              S_IRUSR | S_IWUSR);
            });
            if (m_fd >= 0) {
                return true;
            }
            const int code = errno;
            m_registration.reset();
            if (code != EEXIST || attempt == 10) {
                error = "cannot create a new file for " + m_targetPath + " in its folder: " + Reason(code);
                return false;
            }
        }
    }

    bool Replacement::write(std::string_view bytes, std::string& error)
    {
        while (!bytes.empty()) {
            const ssize_t done = Retry([&] {
                return ::write(m_fd, bytes.data(), bytes.size());
            });
            if (done < 0) {
                error = "cannot write the new " + m_targetPath + ": " + Reason(errno);
                return false;
            }
            bytes.remove_prefix(std::size_t(done));
            m_written += done;
        }
        if (s_flushing && m_written - m_flushStarted >= s_flushAhead) {
            flushAhead();
        }
        return true;
    }

    // A flush's time grows with the data it writes (on a virtual disk the host writes it out then), so a large file
    // is flushed as it grows, on a thread beside the writing, and the flush before the rename finds little left.
    void Replacement::flushAhead()
    {
        if (m_aheadFlush.valid()) {
            if (m_aheadFlush.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
                return;
            }
            keepAheadFlushError();
        }
        try {
            m_aheadFlush = std::async(std::launch::async, [fd = m_fd] {
                return fdatasync(fd) == 0 ? 0 : errno;
            });
            m_flushStarted = m_written;
        } catch (const std::system_error&) {
            // No thread to spare: the flush before the rename writes it all.
        }
    }

    // The error of a flush ahead is kept, since the file reports a failed write back to only one of the flushes
    // that follow it, and that may have been this one.
    void Replacement::keepAheadFlushError()
    {
        const int code = m_aheadFlush.get();
        if (m_aheadFlushError == 0) {
            m_aheadFlushError = code;
        }
    }

    bool Replacement::settle(const Attributes& attributes, std::string& error)
    {
        const std::string& target = m_targetPath;
        if (attributes.whole) {
            // Ownership first: a change of owner clears the set-id bits that the mode then restores.
            struct stat status = {};
            if (fstat(m_fd, &status) != 0
                || ((status.st_uid != attributes.owner || status.st_gid != attributes.group)
                    && fchown(m_fd, attributes.owner, attributes.group) != 0)) {
                error = "cannot give the new " + target + " the owner and group of the old one ("
                    + std::to_string(attributes.owner) + ":" + std::to_string(attributes.group) + "): " + Reason(errno);
                return false;
            }
        }
        if (fchmod(m_fd, attributes.mode & (attributes.whole ? 07777 : 0777)) != 0) {
            error = "cannot set the permissions of the new " + target + ": " + Reason(errno);
            return false;
        }
        if (attributes.whole && !SetExtended(m_fd, attributes.extended, target, error)) {
            return false;
        }
        return true;
    }

    bool Replacement::closeFile(bool flush, std::string& error)
    {
        if (m_aheadFlush.valid()) {
            keepAheadFlushError();
        }
        if (m_aheadFlushError != 0) {
            error = CannotFlush(m_targetPath, Reason(m_aheadFlushError));
            return false;
        }
        if (flush && s_flushing && fdatasync(m_fd) != 0) {
            error = CannotFlush(m_targetPath, Reason(errno));
            return false;
        }
        const int closed = close(m_fd);
        m_fd = -1;
        if (closed != 0) {
            error = "cannot write the new " + m_targetPath + ": " + Reason(errno);
            return false;
        }
        return true;
    }

    bool Replacement::putInPlace(std::string& error, std::vector<int>* replaced)
    {
        Handles::BeforeStep(Handles::Step::Rename, m_targetPath);
        const int old =
            replaced != nullptr ? openat(folderFd(), m_target.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC) : -1;
        const TempFiles::Step step;
        if (renameat(folderFd(), m_temporary.c_str(), folderFd(), m_target.name.c_str()) != 0) {
            error = "cannot replace " + m_targetPath + ": " + Reason(errno);
            if (old >= 0) {
                close(old);
            }
            return false;
        }
        if (old >= 0) {
            replaced->push_back(old);
        }
        m_committed = true;
        m_registration.reset();
        return true;
    }

    bool Replacement::commit(const Attributes& attributes, std::string& error)
    {
        if (!settle(attributes, error) || !closeFile(true, error) || !putInPlace(error)) {
            return false;
        }
        if (s_flushing) {
            FlushFolder(folderFd());
        }
        return true;
    }

    bool Replacement::complete(const Attributes& attributes, std::string& error)
    {
        struct stat status = {};
        if (fstat(m_fd, &status) != 0) {
            error = "cannot examine the new " + m_targetPath + ": " + Reason(errno);
            return false;
        }
        m_device = status.st_dev;
        return settle(attributes, error) && closeFile(false, error);
    }

    CommitBatch::CommitBatch(std::size_t capacity)
        : m_capacity(capacity), m_committer([this] {
            commitInTurn();
        })
    { }

    CommitBatch::~CommitBatch()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_work.notify_all();
        m_committer.join();
        // Groups still waiting go with m_waiting: their temporary files are removed, the targets stay as they were.
    }

    std::size_t CommitBatch::add(std::vector<std::unique_ptr<Replacement>> group)
    {
        std::unique_lock lock(m_mutex);
        // While the committer puts the previous batch in place, this one fills; a writer that finds it full waits,
        // so no more than two batches of temporary files exist at once.
        m_room.wait(lock, [&] {
            return m_files < m_capacity;
        });
        const std::size_t ticket = m_nextTicket++;
        m_files += group.size();
        m_waiting.push_back({ticket, std::move(group)});
        if (m_files >= m_capacity) {
            m_work.notify_all();
        }
        return ticket;
    }

    void CommitBatch::commit()
    {
        std::unique_lock lock(m_mutex);
        const std::size_t added = m_nextTicket;
        m_flushAsked = true;
        m_work.notify_all();
        m_done.wait(lock, [&] {
            return m_committedBelow >= added;
        });
    }

    CommitBatch::Result CommitBatch::take(std::size_t ticket)
    {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [&] {
            return m_results.contains(ticket);
        });
        const auto found = m_results.find(ticket);
        Result result = std::move(found->second);
        m_results.erase(found);
        return result;
    }

    void CommitBatch::commitInTurn()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_work.wait(lock, [&] {
                return m_stopping || m_files >= m_capacity || m_flushAsked;
            });
            if (m_stopping) {
                return;
            }
            m_flushAsked = false;
            std::vector<Group> groups;
            groups.swap(m_waiting);
            m_files = 0;
            m_room.notify_all();
            lock.unlock();

            std::vector<Result> results = commitGroups(groups);
            std::vector<std::size_t> tickets;
            for (const Group& group : groups) {
                tickets.push_back(group.ticket);
            }
            groups.clear(); // removes the temporary files left unrenamed

            lock.lock();
            for (std::size_t i = 0; i < tickets.size(); ++i) {
                m_results[tickets[i]] = std::move(results[i]);
            }
            if (!tickets.empty()) {
                m_committedBelow = tickets.back() + 1;
            }
            m_done.notify_all();
        }
    }

    std::vector<CommitBatch::Result> CommitBatch::commitGroups(std::vector<Group>& groups)
    {
        try {
            std::vector<int> replaced;
            std::vector<Result> results = putInPlace(groups, replaced);
            releaseReplaced(std::move(replaced));
            return results;
        } catch (const std::exception& failure) {
            // What was renamed is in place; the rest of each group is not, and its pages are reported failed.
            std::vector<Result> results(groups.size());
            for (std::size_t g = 0; g < groups.size(); ++g) {
                results[g].count = groups[g].files.size();
                while (results[g].renamed < results[g].count && groups[g].files[results[g].renamed]->m_committed) {
                    ++results[g].renamed;
                }
                results[g].error = std::string("cannot put the new files in place: ") + failure.what();
            }
            return results;
        }
    }

    std::map<const Replacement*, std::string> CommitBatch::flushData(const std::vector<Group>& groups)
    {
        std::size_t count = 0;
        for (const Group& group : groups) {
            count += group.files.size();
        }
        std::map<const Replacement*, std::string> unflushed;
        std::map<dev_t, std::vector<const Replacement*>> bySystem;
        for (const Group& group : groups) {
            for (const auto& file : group.files) {
                if (count < s_flushedOneByOne) {
                    // The file may be unreadable to its owner by now (it has the page's mode); its file system's
                    // flush covers it then.
                    const int fd = openat(file->folderFd(), file->m_temporary.c_str(), O_RDONLY | O_CLOEXEC);
                    if (fd >= 0) {
                        if (fdatasync(fd) != 0) {
                            unflushed[file.get()] = Reason(errno);
                        }
                        close(fd);
                        continue;
                    }
                }
                bySystem[file->m_device].push_back(file.get());
            }
        }
        for (const auto& [device, files] : bySystem) {
            // Through the handle of a folder there, which is open already.
            if (syncfs(files.front()->folderFd()) != 0) {
                const std::string reason = Reason(errno);
                for (const Replacement* file : files) {
                    unflushed[file] = reason;
                }
            }
        }
        return unflushed;
    }

    // The data first, then the renames, a group's in order, then one fsync() a folder.
    std::vector<CommitBatch::Result> CommitBatch::putInPlace(std::vector<Group>& groups, std::vector<int>& replaced)
    {
        std::vector<Result> results(groups.size());
        const std::map<const Replacement*, std::string> unflushed =
            s_flushing ? flushData(groups) : std::map<const Replacement*, std::string>();
        // One handle of each folder (several may be open for one), open while their groups are.
        std::map<std::pair<dev_t, ino_t>, int> folders;
        for (std::size_t g = 0; g < groups.size(); ++g) {
            Result& result = results[g];
            result.count = groups[g].files.size();
            for (const auto& file : groups[g].files) {
                const auto failed = unflushed.find(file.get());
                if (failed != unflushed.end()) {
                    result.error = CannotFlush(file->m_targetPath, failed->second);
                    break;
                }
                if (!file->putInPlace(result.error, &replaced)) {
                    break;
                }
                ++result.renamed;
                const Handles::Identity& folder = file->m_target.folder->identity();
                folders.emplace(std::pair(folder.device, folder.inode), file->folderFd());
            }
        }
        if (s_flushing) {
            for (const auto& [identity, folder] : folders) {
                FlushFolder(folder);
            }
        }
        return results;
    }

    // The files a batch replaced are let go on a thread of their own while the next batch is put in place, once the
    // previous batch's are, so that no more than one batch of them is held open.
    void CommitBatch::releaseReplaced(std::vector<int> files)
    {
        if (m_releasing.valid()) {
            m_releasing.wait();
        }
        const auto held = std::make_shared<const std::vector<int>>(std::move(files));
        try {
            m_releasing = std::async(std::launch::async, [held] {
                CloseReplaced(*held);
            });
        } catch (const std::system_error&) {
            CloseReplaced(*held);
        }
    }
    void SetFlushing(bool on)
    {
        s_flushing = on;
    }

    bool CopyFile(const Handles::Place& source, const Handles::Place& destination, std::string& error)
    {
        Source from;
        if (!from.open(source, error)) {
            return false;
        }
        if (from.isAt(destination, false)) {
            error = destination.path + " is " + source.path + " itself";
            return false;
        }
        Replacement copy(destination);
        if (!copy.create(error)) {
            return false;
        }
        const std::unique_ptr<char[]> buffer(new char[ChunkSize]);
        for (std::size_t count = ChunkSize; count == ChunkSize;) {
            if (!from.read(buffer.get(), ChunkSize, count, error) || !copy.write({buffer.get(), count}, error)) {
                return false;
            }
        }
        Attributes attributes;
        attributes.mode = from.status().st_mode;
        return copy.commit(attributes, error);
    }

    bool CopyFile(const std::filesystem::path& source, const std::filesystem::path& destination, std::string& error)
    {
        Handles::Named named;
        switch (Handles::LocateNamed(source.string(), named, error)) {
        case Handles::Located::Missing:
            error = "cannot open " + source.string() + ": " + Reason(ENOENT);
            return false;
        case Handles::Located::Failed:
            return false;
        case Handles::Located::Found:
            break;
        }
        const Handles::Place to = Handles::PlaceOfPath(destination.string(), error);
        return to.folder && CopyFile(named.target, to, error);
    }
} // namespace SafeFile
