#pragma once

// The ordered parallel run of quillgate-lock: worker threads take the tasks of a feed in its order and do them,
// while the calling thread reports each outcome in that order as soon as it and all before it are done, so the
// output is the same whatever the number of threads. The relock question is asked for one file at a time, in the
// order of the file list, after the lines of the files before it, so that answers typed ahead or read from a pipe
// go to the files they were meant for. Only a window of tasks is held at a time: workers wait for the reporter
// once it lags that far behind.

#include "cli/taskfeed.h"
#include "engine/encrypthtml.h"
#include "engine/safefile.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

class LockRun
{
public:
    // What became of a task.
    struct Outcome
    {
        bool written = false; // the page locked, or the file copied
        Encrypthtml::LockReport report; // of a page
        bool copiedUnchanged = false; // a page locked before and declined, copied to the output folder as it is
        std::string error; // why a file was not copied or not written into the output folder
    };

    // Does the task at index (its place in the list); a page may be left Pending in the batch. An exception it
    // throws becomes the task's error.
    using Perform = std::function<Outcome(const TaskFeed::Task& task, std::size_t index)>;
    // Reports a task's outcome, on the calling thread, in list order; a Pending page is finished by then.
    using Report = std::function<void(const TaskFeed::Task& task, const Outcome& outcome)>;

    LockRun(TaskFeed& feed, SafeFile::CommitBatch& batch, int answer, std::size_t window);

    // Runs every task of the feed on up to jobs threads. False, with the reason in error, when no thread could be
    // started (nothing was done then) or the feed failed; the tasks taken before are still done and reported.
    bool run(unsigned jobs, const Perform& perform, const Report& report, std::string& error);

    // The relock answer shared by the run (Encrypthtml::RelockAsk, RelockAll, RelockNone).
    int answer() const
    {
        return m_answer;
    }

    // For the task at index, from its worker: waits until every task before it has passed its question (or has
    // been done), then, unless the answer is given for all by now, reports every task before it and asks.
    Encrypthtml::RelockChoice ask(std::size_t index, const std::function<Encrypthtml::RelockChoice()>& question);

private:
    struct Slot
    {
        TaskFeed::Task task;
        std::optional<Outcome> outcome;
        bool passed = false; // its relock question is behind it
    };

    void work(const Perform& perform);
    // Takes the next task of the feed into the window; false once there is none.
    bool take(Slot*& slot, std::size_t& index);
    void pass(std::size_t index);
    void reportInOrder(const Report& report);
    Slot& slotAt(std::size_t index)
    {
        return m_window[index - m_reported];
    }

    TaskFeed& m_feed;
    SafeFile::CommitBatch& m_batch;
    std::atomic<int> m_answer;
    std::size_t m_windowLimit;

    std::mutex m_feedMutex; // held while the feed is read, before m_mutex
    std::mutex m_mutex;
    std::condition_variable m_changed; // a task taken, done, passed or reported, or the feed is over
    std::deque<Slot> m_window; // tasks m_reported up to m_taken; references stay valid as it grows and shrinks
    std::size_t m_reported = 0; // every task before it has been reported
    std::size_t m_taken = 0;
    std::size_t m_doneBefore = 0; // every task before it has its outcome
    std::size_t m_firstOpen = 0; // every task before it has passed its question
    bool m_feedOver = false;
    std::string m_feedError;
};
