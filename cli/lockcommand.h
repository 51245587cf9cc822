#pragma once

// Runs quillgate-lock: gathers the files, reads the password and the users, locks the files on several threads
// (in place or into an output folder) and reports in the order of the file list.

#include "cli/lockrun.h"
#include "cli/options.h"
#include "cli/taskfeed.h"
#include "engine/encrypthtml.h"
#include "engine/strongrun.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

class LockCommand
{
public:
    static constexpr int ExitAllLocked = 0;
    static constexpr int ExitSomeNotLocked = 1;
    static constexpr int ExitUsage = 2;

    explicit LockCommand(LockOptions::Options options);

    int run();

private:
    struct User
    {
        std::string entry; // engine bytes: name, TAB, password
        std::string nameText; // the name as the file wrote it, for messages
        std::string passwordText; // the password as the file wrote it (UTF-8), for strong pages
    };

    // False, with a message, when the output folder lies inside a named folder or a named file or folder lies
    // inside it: the run would lock its own output or write over its sources.
    bool outputFolderFits() const;
    // The password as UTF-8 text, trimmed and of a valid length.
    bool readPassword(std::string& utf8);
    bool readUsers();
    // Derives the keys of the strong run, with progress on standard error. False, with the reason printed, when
    // the run cannot be made.
    bool makeStrongRun(const std::string& password);
    // Makes the output folder (and those above it) where it is missing and opens it. False, with the reason
    // printed, when it cannot be made or opened; created tells whether this run made it.
    bool openOutputFolder(Handles::FolderRef& output, bool& created) const;
    // Locks or copies the file of one task; index is its place in the list, for the relock question's turn. A page
    // is left Pending in batch.
    LockRun::Outcome perform(const TaskFeed::Task& task,
                             const std::string& password,
                             LockRun& lockRun,
                             std::size_t index,
                             SafeFile::CommitBatch& batch) const;
    void report(const TaskFeed::Task& task, const LockRun::Outcome& outcome);

    LockOptions::Options m_options;
    std::vector<User> m_users;
    std::vector<std::string> m_entries; // the users' entries, as the engine takes them
    std::optional<Strong::Run> m_strong; // the run every page is sealed with (--format strong)
    // Held while anything is written to standard error, so that a relock question and a report never mix.
    mutable std::mutex m_console;
    // What went wrong after its file's turn (see TaskFeed::Complain), said at the end.
    std::mutex m_lateMutex;
    std::vector<std::string> m_lateComplaints;
    int m_locked = 0;
    bool m_allLocked = true;
};
