#pragma once

// Runs quillgate-lock: gathers the files, reads the password and the users, locks the files on several threads
// (in place or into an output folder) and reports in the order of the file list.

#include "cli/options.h"
#include "engine/encrypthtml.h"
#include "engine/strongrun.h"

#include <mutex>
#include <optional>
#include <set>
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

    // One file of the run: a page to lock, or another file of a named folder copied into the output folder.
    struct Task
    {
        std::string source;
        std::string destination; // empty: the page is locked in place
        bool page = true;
    };

    // What became of a task.
    struct Outcome
    {
        bool written = false; // the page locked, or the file copied
        Encrypthtml::LockReport report; // of a page
        bool copiedUnchanged = false; // a page locked before and declined, copied to the output folder as it is
        std::string error; // why a file was not copied or not written into the output folder
    };

    class RelockTurns;

    // False, with a message, when the output folder lies inside a named folder or a named file or folder lies
    // inside it: the run would lock its own output or write over its sources.
    bool outputFolderFits() const;
    // The password as UTF-8 text, trimmed and of a valid length.
    bool readPassword(std::string& utf8);
    bool readUsers();
    // Derives the keys of the strong run, with progress on standard error. False, with the reason printed, when
    // the run cannot be made.
    bool makeStrongRun(const std::string& password);
    // The tasks, in the order named, folders expanded (symbolic links inside them are not followed), each
    // source (in place) or destination (into the output folder) once. False when something named could not be
    // taken completely (the reason is printed; the tasks found are still returned).
    bool collectTasks(std::vector<Task>& tasks) const;
    // Locks or copies the file of one task; index is its place in the list, for the relock question's turn. A page
    // is left Pending in batch.
    Outcome perform(const Task& task,
                    const std::string& password,
                    RelockTurns& turns,
                    std::size_t index,
                    SafeFile::CommitBatch& batch) const;
    void report(const Task& task, const Outcome& outcome);
    void reportOmitted(const std::vector<std::string>& names);

    LockOptions::Options m_options;
    std::vector<User> m_users;
    std::vector<std::string> m_entries; // the users' entries, as the engine takes them
    std::optional<Strong::Run> m_strong; // the run every page is sealed with (--format strong)
    std::set<std::string> m_reportedUsers;
    // Held while anything is written to standard error, so that a relock question and a report never mix.
    std::mutex m_console;
    int m_locked = 0;
    bool m_allLocked = true;
};
