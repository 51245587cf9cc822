#pragma once

// The files of a run of quillgate-lock, found as the run goes: each named file, and the walk of each named folder a
// folder at a time, so that a run holds the folders on the way down and the files in flight, however large the
// tree. With an output folder, the folders of the output tree are made as the walk enters their sources.

#include "cli/options.h"
#include "engine/handles.h"
#include "engine/pagescan.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

class TaskFeed
{
public:
    // One step of a run, in the order of the file list.
    struct Task
    {
        // The last three are nothing to do but say, in their turn, what could not be taken.
        enum class Kind
        {
            NamedPage, // a file named on the command line: resolved when it is locked
            FoundPage, // a page a walk found
            Copy, // another file a walk found, copied into the output folder
            Unreadable, // a folder that could not be read, whole or in part: error is "folder: reason"
            NotFollowed, // a link or special file inside a folder copied into the output folder
            Conflict // a destination written from another source already: error is that source
        };
        Kind kind = Kind::NamedPage;
        std::string source; // the source's path, for messages and the relock question
        std::optional<Handles::Place> found; // FoundPage, Copy
        std::optional<Handles::Place> destination; // into the output folder; none: in place
        std::string error; // why the task cannot be done at all (its output folder could not be made); see Kind
    };

    // Complaints that come up after their turn (an output folder whose permissions could not be set once its
    // content was written) are handed to lateComplaint, from any thread.
    using Complain = std::function<void(const std::string& message)>;

    // output: the output folder, opened (null: pages are locked in place); createdOutput: it was made by this run.
    TaskFeed(const LockOptions::Options& options,
             Handles::FolderRef output,
             bool createdOutput,
             Complain lateComplaint);
    ~TaskFeed();
    TaskFeed(const TaskFeed&) = delete;
    TaskFeed& operator=(const TaskFeed&) = delete;

    // The next task; false once there are no more. Not for several threads at once.
    bool next(Task& task);

private:
    // A folder of the output tree: owner-only while it is written, given its source's attributes once the last
    // task inside it is done (the last handle goes).
    class OutputFolder;

    bool nextOfWalk(Task& task);
    // False when the task repeats one given already and is dropped; true when it is to be done (task may have
    // become a complaint about a destination written from another source).
    bool isFirst(Task& task, const std::optional<Handles::Identity>& identity, const std::string& relative);
    Handles::FolderRef
    makeOutputFolder(const Handles::Place& source, const Handles::FolderRef& sourceFolder, std::string& error);

    const LockOptions::Options& m_options;
    Handles::FolderRef m_output;
    Complain m_lateComplaint;
    std::size_t m_nextNamed = 0;
    std::unique_ptr<PageScan::Walk> m_walk;
    // The output folder of each folder on the walk's way down (null where it could not be made, with the reason).
    std::vector<std::pair<Handles::FolderRef, std::string>> m_outputs;
    // With several names, each source in place is locked once, and into the output folder each destination is
    // written once, by one source.
    bool m_mayRepeat;
    std::set<std::pair<dev_t, ino_t>> m_seenSources;
    std::map<std::string, std::pair<Handles::Identity, std::string>> m_sourceOfDestination;
};
