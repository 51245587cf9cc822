#pragma once

// Reading files, and replacing them so that no half-written or over-readable file is ever left behind: a new file
// is written as a temporary beside its target, readable by its owner alone, flushed to disk, given its final
// owner, permissions and extended attributes, and renamed over the target.

#include "engine/handles.h"
#include "engine/tempfiles.h"

#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <utility>
#include <vector>

namespace SafeFile
{
    // The size of the pieces that files are read and copied in: memory stays bounded whatever a file's size.
    constexpr std::size_t ChunkSize = 128 * 1024;

    // Reads the whole file into bytes. False, with the reason in error, when it cannot be opened or read.
    [[nodiscard]] bool ReadAll(const std::filesystem::path& path, std::string& bytes, std::string& error);

    // True when a rename may put a new file at place: nothing is there, a symbolic link (replaced itself), or a
    // file that is not read-only and that the caller may write (it is opened for writing and closed, unchanged; a
    // link is never followed). A rename would replace a file that may not be written, so such a file is refused,
    // as a direct write would be; read-only bits are checked apart, since they do not stop root.
    [[nodiscard]] bool MayReplace(const Handles::Place& place, std::string& error);

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

    // Every attribute of the open file or folder fd with the status given (see Attributes::whole).
    [[nodiscard]] bool ReadAttributes(
        int fd, const struct stat& status, const std::string& path, Attributes& attributes, std::string& error);

    // Gives the open folder fd the permission bits of attributes and, where the process may, their owner, group
    // and extended attributes. False, with the reason in error, when the permissions cannot be set.
    [[nodiscard]] bool SettleFolder(int fd, const Attributes& attributes, const std::string& path, std::string& error);

    // A file open for reading; closed with the object.
    class Source
    {
    public:
        Source() = default;
        ~Source();
        Source(const Source&) = delete;
        Source& operator=(const Source&) = delete;

        // Why open() failed.
        enum class Failure
        {
            None,
            Missing, // nothing is there
            Changed, // the place is no longer what was found there: a link, another kind of file or another file
            Other
        };

        // Opens the regular file at place for reading, without following a symbolic link there and without
        // waiting (a pipe or a device is never read). False, with the reason in error, when it cannot be opened,
        // is no regular file, or is not the file that was found there (place.inode); failure() tells which.
        [[nodiscard]] bool open(const Handles::Place& place, std::string& error);

        Failure failure() const
        {
            return m_failure;
        }

        const struct stat& status() const
        {
            return m_status;
        }

        // True when the entry at place is this very file; a symbolic link there is followed when followLink is
        // true.
        bool isAt(const Handles::Place& place, bool followLink) const;

        // Every attribute of the file, for a replacement that keeps them (Attributes::whole).
        [[nodiscard]] bool readAttributes(Attributes& attributes, std::string& error) const;

        // Fills buffer unless the file ends first; count is the number of bytes read, less than size only at the end.
        [[nodiscard]] bool read(char* buffer, std::size_t size, std::size_t& count, std::string& error);

        // Starts reading from the beginning again.
        [[nodiscard]] bool rewind(std::string& error);

    private:
        std::string m_path;
        Handles::Fd m_fd;
        struct stat m_status
        { };
        Failure m_failure = Failure::None;
    };

    // The new content of target, written to a temporary file beside it (see engine/tempfiles.h) that is renamed
    // over target by commit(). Until then target is unchanged, and the temporary file is removed if the object is
    // destroyed first. Every step works through the handle of target's folder.
    class Replacement
    {
    public:
        explicit Replacement(Handles::Place target);
        // For a caller that holds a path: its folder is opened here, once.
        explicit Replacement(const std::filesystem::path& target);
        ~Replacement();
        Replacement(const Replacement&) = delete;
        Replacement& operator=(const Replacement&) = delete;

        // Creates the temporary file, readable and writable by its owner alone from the start.
        [[nodiscard]] bool create(std::string& error);

        [[nodiscard]] bool write(std::string_view bytes, std::string& error);

        // Gives the complete file its attributes, flushes it to disk, renames it over target and flushes the folder,
        // so that after a crash target holds either the old or the new content in full.
        [[nodiscard]] bool commit(const Attributes& attributes, std::string& error);

        // Gives the complete file its attributes and closes it, leaving the flush and the rename to a CommitBatch.
        [[nodiscard]] bool complete(const Attributes& attributes, std::string& error);

    private:
        friend class CommitBatch;

        // Gives the open file its owner, permissions and extended attributes.
        bool settle(const Attributes& attributes, std::string& error);
        bool closeFile(bool flush, std::string& error);
        void flushAhead();
        void keepAheadFlushError();
        // Renames the temporary file over target; its data must be on disk by now. With replaced, the file that
        // was target is kept open and added there, for the caller to close.
        bool putInPlace(std::string& error, std::vector<int>* replaced = nullptr);
        int folderFd() const
        {
            return m_target.folder->fd();
        }

        std::string m_folderError; // why the folder of a target given by path could not be opened
        Handles::Place m_target; // before the registration, which uses its folder's handle
        std::string m_targetPath; // for messages
        std::string m_temporary; // the temporary file's name in the folder
        std::unique_ptr<TempFiles::Registration> m_registration;
        int m_fd = -1;
        off_t m_written = 0;
        off_t m_flushStarted = 0; // bytes written when the last flush ahead began
        std::future<int> m_aheadFlush; // the flush ahead under way: its errno, or 0
        int m_aheadFlushError = 0;
        dev_t m_device = 0; // the file system, once complete
        bool m_committed = false;
    };

    // Replacements that wait to be put in place together: one flush of each file system's data for all of them,
    // then their renames, then one flush of each folder, instead of two flushes a file. A thread of the batch's own
    // puts a full batch in place while the next one fills, so writing goes on during the flushes. Safe to use from
    // several threads at once. Only paths are held (the files are closed), and their temporary files stay
    // registered for removal until renamed; a batch that is destroyed first removes those it still holds.
    class CommitBatch
    {
    public:
        // What became of a group: renamed files (in order) out of count; error says why the next one was not.
        struct Result
        {
            std::size_t renamed = 0;
            std::size_t count = 0;
            std::string error;
        };

        // Files held at most before a batch is put in place; add() waits while that many wait and the previous
        // batch is still being put in place. Two batches and the files being written stay within the temporary
        // files that can be registered at once.
        static constexpr std::size_t DefaultCapacity = 256;

        explicit CommitBatch(std::size_t capacity = DefaultCapacity);
        ~CommitBatch();
        CommitBatch(const CommitBatch&) = delete;
        CommitBatch& operator=(const CommitBatch&) = delete;

        // Takes a group of complete replacements (see complete()), renamed in their order by a commit: one that
        // fails leaves the rest of its group unrenamed and removed. Returns the group's ticket.
        std::size_t add(std::vector<std::unique_ptr<Replacement>> group);

        // Puts every group added so far in place, and returns once that is done.
        void commit();

        // The result of the group with ticket, waiting until the batch it is in has been put in place (because it
        // was full, or by commit()); each result is taken once.
        Result take(std::size_t ticket);

    private:
        struct Group
        {
            std::size_t ticket = 0;
            std::vector<std::unique_ptr<Replacement>> files;
        };

        // The committer thread: puts each batch in place once it is full or a commit is asked for.
        void commitInTurn();
        // Puts the groups of one batch in place; a failure of its own (no memory) fails the files not yet renamed.
        std::vector<Result> commitGroups(std::vector<Group>& groups);
        // Writes the data of every file of groups to disk: a few files one by one, more with one syncfs() a file
        // system, which also waits for whatever else was written there lately and so pays off only for many files.
        // Returns the files that may not be on disk, with the reason.
        static std::map<const Replacement*, std::string> flushData(const std::vector<Group>& groups);
        // Adds the files kept open across their renames to replaced (see Replacement::putInPlace).
        static std::vector<Result> putInPlace(std::vector<Group>& groups, std::vector<int>& replaced);
        void releaseReplaced(std::vector<int> files);

        std::mutex m_mutex;
        std::condition_variable m_work; // for the committer: a batch is full, a commit is asked, or stop
        std::condition_variable m_room; // for add(): the batch has room again
        std::condition_variable m_done; // for commit() and take(): a batch has been put in place
        std::size_t m_capacity;
        std::vector<Group> m_waiting;
        std::size_t m_files = 0; // in m_waiting
        std::size_t m_nextTicket = 0;
        std::size_t m_committedBelow = 0; // every ticket below has its result
        bool m_flushAsked = false;
        bool m_stopping = false;
        std::map<std::size_t, Result> m_results;
        std::future<void> m_releasing; // the committer's: closing the files the last batch replaced
        std::thread m_committer; // last: started once everything above is ready
    };

    // Whether commit() flushes files and folders to disk: on unless turned off, which only a benchmark does to
    // measure what the flushes cost.
    void SetFlushing(bool on);

    // Copies source to destination (new or replaced; its folder must exist) by a Replacement, in chunks. The copy
    // gets source's permission bits and belongs to the caller; a symbolic link at destination is replaced itself,
    // and one at source is never followed. False, with the reason in error, when source cannot be read, destination
    // is source itself, or the copy cannot be made; destination is then as it was.
    [[nodiscard]] bool CopyFile(const Handles::Place& source, const Handles::Place& destination, std::string& error);
    // The same for paths: a link named source is followed (the caller chose it).
    [[nodiscard]] bool
    CopyFile(const std::filesystem::path& source, const std::filesystem::path& destination, std::string& error);
} // namespace SafeFile
