#include "cli/taskfeed.h"

#include "engine/safefile.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace
{
    namespace fs = std::filesystem;

    using Handles::Reason;

    std::optional<Handles::Identity> IdentityOfPath(const std::string& path)
    {
        struct stat status = {};
        if (stat(path.c_str(), &status) != 0) {
            return std::nullopt;
        }
        return Handles::IdentityOf(status);
    }

    bool IsFolder(const std::string& path)
    {
        std::error_code ignored;
        return fs::is_directory(path, ignored);
    }
} // namespace

class TaskFeed::OutputFolder : public Handles::Folder
{
public:
    OutputFolder(Handles::Fd fd,
                 std::string path,
                 const struct stat& status,
                 SafeFile::Attributes source,
                 const Complain& complain)
        : Folder(std::move(fd), std::move(path), status), m_source(std::move(source)), m_complain(complain)
    { }

    ~OutputFolder() override
    {
        std::string error;
        if (!SafeFile::SettleFolder(fd(), m_source, path(), error)) {
            try {
                m_complain(error);
            } catch (...) {
                // Nothing more can be said without memory; the folder stays owner-only, which loses nothing.
            }
        }
    }

private:
    SafeFile::Attributes m_source;
    Complain m_complain;
};

TaskFeed::TaskFeed(const LockOptions::Options& options,
                   Handles::FolderRef output,
                   bool createdOutput,
                   Complain lateComplaint)
    : m_options(options)
    , m_output(std::move(output))
    , m_lateComplaint(std::move(lateComplaint))
    , m_mayRepeat(options.paths.size() > 1)
{
    // An output folder made for one named folder ends with that folder's permissions, as its subfolders do.
    if (m_output && createdOutput && options.paths.size() == 1 && IsFolder(options.paths.front())) {
        std::string error;
        const Handles::FolderRef source = Handles::OpenNamedFolder(options.paths.front(), error);
        Handles::Fd again(openat(m_output->fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat sourceStatus = {};
        struct stat status = {};
        SafeFile::Attributes attributes;
        if (source && again.isOpen() && fstat(source->fd(), &sourceStatus) == 0 && fstat(again.get(), &status) == 0
            && SafeFile::ReadAttributes(source->fd(), sourceStatus, source->path(), attributes, error)) {
            m_output = std::make_shared<const OutputFolder>(
                std::move(again), m_output->path(), status, std::move(attributes), m_lateComplaint);
        }
    }
}

TaskFeed::~TaskFeed() = default;

bool TaskFeed::next(Task& task)
{
    for (;;) {
        if (m_walk) {
            if (nextOfWalk(task)) {
                return true;
            }
            m_walk.reset();
            m_outputs.clear();
        }
        if (m_nextNamed >= m_options.paths.size()) {
            return false;
        }
        const std::string& named = m_options.paths[m_nextNamed++];
        if (IsFolder(named)) {
            m_walk = std::make_unique<PageScan::Walk>(named, m_options.recursive);
            m_outputs.assign(1, {m_output, std::string()});
            continue;
        }
        task = {Task::Kind::NamedPage, named, std::nullopt, std::nullopt, {}};
        const std::string name = fs::path(named).filename().string();
        if (m_output) {
            task.destination = {m_output, name, std::nullopt, (fs::path(m_options.outputFolder) / name).string()};
        }
        if (!m_mayRepeat || isFirst(task, IdentityOfPath(named), name)) {
            return true;
        }
    }
}

bool TaskFeed::nextOfWalk(Task& task)
{
    using PageScan::Kind;
    const bool intoOutput = m_output != nullptr;
    for (PageScan::Found found; m_walk->next(found);) {
        switch (found.kind) {
        case Kind::Folder:
            if (intoOutput) {
                std::string error;
                Handles::FolderRef made = makeOutputFolder(found.place, found.folder, error);
                m_outputs.emplace_back(std::move(made), std::move(error));
            }
            continue;
        case Kind::FolderDone:
            // The walk's own folder is done last; its output folder stays until the walk is over.
            if (intoOutput && m_outputs.size() > 1) {
                m_outputs.pop_back();
            }
            continue;
        case Kind::Unreadable:
            task = {Task::Kind::Unreadable, found.place.path, std::nullopt, std::nullopt, std::move(found.reason)};
            return true;
        case Kind::NotFollowed:
            if (!intoOutput) {
                continue;
            }
            task = {Task::Kind::NotFollowed, found.place.path, std::nullopt, std::nullopt, {}};
            return true;
        case Kind::OtherFile:
            if (!intoOutput) {
                continue;
            }
            task.kind = Task::Kind::Copy;
            break;
        case Kind::Page:
            task.kind = Task::Kind::FoundPage;
            break;
        }
        task.source = found.place.path;
        task.error.clear();
        task.destination.reset();
        if (intoOutput) {
            const auto& [folder, error] = m_outputs.back();
            task.error = error;
            if (folder) {
                task.destination = {folder,
                                    found.place.name,
                                    std::nullopt,
                                    (fs::path(m_options.outputFolder) / found.relative).string()};
            }
        }
        const Handles::Identity identity{found.place.folder->identity().device, *found.place.inode};
        task.found = std::move(found.place);
        if (isFirst(task, identity, found.relative)) {
            return true;
        }
    }
    return false;
}

bool TaskFeed::isFirst(Task& task, const std::optional<Handles::Identity>& identity, const std::string& relative)
{
    if (!m_mayRepeat) {
        return true;
    }
    if (!m_output) {
        return !identity || m_seenSources.insert({identity->device, identity->inode}).second;
    }
    const auto [known, isNew] =
        m_sourceOfDestination.emplace((fs::path(m_options.outputFolder) / relative).string(),
                                      std::pair(identity.value_or(Handles::Identity{}), task.source));
    if (isNew) {
        return true;
    }
    const auto& [knownIdentity, knownSource] = known->second;
    if (identity ? knownIdentity == *identity : knownSource == task.source) {
        return false;
    }
    task.kind = Task::Kind::Conflict;
    task.error = knownSource;
    return true;
}

Handles::FolderRef
TaskFeed::makeOutputFolder(const Handles::Place& source, const Handles::FolderRef& sourceFolder, std::string& error)
{
    const auto& [parent, parentError] = m_outputs.back();
    if (!parent) {
        error = parentError;
        return nullptr;
    }
    const std::string path = parent->pathOf(source.name);
    // Owner-only until its content is written: a private source folder's pages are never open to others meanwhile.
    const bool made = mkdirat(parent->fd(), source.name.c_str(), S_IRWXU) == 0;
    if (!made && errno != EEXIST) {
        error = "cannot make folder " + path + ": " + Reason(errno);
        return nullptr;
    }
    // A link there could lead the written files anywhere, even into a source folder.
    Handles::Fd fd(openat(parent->fd(), source.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat status = {};
    if (!fd.isOpen() || fstat(fd.get(), &status) != 0) {
        const int code = errno;
        error = code == ELOOP || code == ENOTDIR ? path + " is a symbolic link or no folder"
                                                 : "cannot open folder " + path + ": " + Reason(code);
        return nullptr;
    }
    struct stat sourceStatus = {};
    SafeFile::Attributes attributes;
    if (fstat(sourceFolder->fd(), &sourceStatus) != 0) {
        error = "cannot examine folder " + source.path + ": " + Reason(errno);
        return nullptr;
    }
    if (!SafeFile::ReadAttributes(sourceFolder->fd(), sourceStatus, source.path, attributes, error)) {
        return nullptr;
    }
    return std::make_shared<const OutputFolder>(std::move(fd), path, status, std::move(attributes), m_lateComplaint);
}
