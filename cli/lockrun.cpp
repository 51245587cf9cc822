#include "cli/lockrun.h"

#include <exception>
#include <system_error>
#include <thread>
#include <vector>

LockRun::LockRun(TaskFeed& feed, SafeFile::CommitBatch& batch, int answer, std::size_t window)
    : m_feed(feed), m_batch(batch), m_answer(answer), m_windowLimit(window)
{ }

bool LockRun::run(unsigned jobs, const Perform& perform, const Report& report, std::string& error)
{
    {
        std::vector<std::jthread> workers;
        for (unsigned i = 0; i < jobs; ++i) {
            try {
                workers.emplace_back([this, &perform] {
                    work(perform);
                });
            } catch (const std::system_error& failure) {
                // Fewer threads do the same work; none at all cannot.
                if (workers.empty()) {
                    error = std::string("cannot start a thread: ") + failure.what();
                    return false;
                }
                break;
            }
        }
        reportInOrder(report);
    }
    error = m_feedError;
    return m_feedError.empty();
}

void LockRun::work(const Perform& perform)
{
    Slot* slot = nullptr;
    std::size_t index = 0;
    while (take(slot, index)) {
        Outcome outcome;
        try {
            outcome = perform(slot->task, index);
        } catch (const std::exception& failure) {
            outcome = {};
            outcome.error = failure.what();
        } catch (...) {
            outcome = {};
            outcome.error = "an unexpected failure";
        }
        pass(index);
        const std::lock_guard lock(m_mutex);
        slot->outcome = std::move(outcome);
        while (m_doneBefore < m_taken && slotAt(m_doneBefore).outcome) {
            ++m_doneBefore;
        }
        m_changed.notify_all();
    }
    // The pages this worker added last; a full batch has committed the ones before.
    m_batch.commit();
}

bool LockRun::take(Slot*& slot, std::size_t& index)
{
    {
        std::unique_lock lock(m_mutex);
        if (!m_feedOver && m_taken - m_reported >= m_windowLimit) {
            // The reporter may be waiting for pages that wait in the batch for more: they go in place first.
            lock.unlock();
            m_batch.commit();
            lock.lock();
            m_changed.wait(lock, [&] {
                return m_feedOver || m_taken - m_reported < m_windowLimit;
            });
        }
        if (m_feedOver) {
            return false;
        }
    }
    const std::lock_guard feedLock(m_feedMutex);
    TaskFeed::Task task;
    bool taken = false;
    std::string failure;
    try {
        taken = m_feed.next(task);
    } catch (const std::exception& error) {
        failure = std::string("the files to lock cannot be listed further: ") + error.what();
    }
    const std::lock_guard lock(m_mutex);
    if (!taken) {
        if (m_feedError.empty()) {
            m_feedError = failure;
        }
        m_feedOver = true;
        m_changed.notify_all();
        return false;
    }
    m_window.push_back({std::move(task), std::nullopt, false});
    slot = &m_window.back();
    index = m_taken++;
    return true;
}

void LockRun::pass(std::size_t index)
{
    const std::lock_guard lock(m_mutex);
    slotAt(index).passed = true;
    while (m_firstOpen < m_taken && slotAt(m_firstOpen).passed) {
        ++m_firstOpen;
    }
    m_changed.notify_all();
}

Encrypthtml::RelockChoice LockRun::ask(std::size_t index, const std::function<Encrypthtml::RelockChoice()>& question)
{
    using Encrypthtml::RelockChoice;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return m_firstOpen == index;
        });
    }
    // Alone from here on: every later task waits for its turn, which comes once this one has passed.
    const int answer = m_answer;
    RelockChoice choice = answer == Encrypthtml::RelockAll ? RelockChoice::Yes : RelockChoice::No;
    if (answer == Encrypthtml::RelockAsk) {
        // The tasks before it have passed their questions, so their outcomes come without waiting for this one;
        // their pages are put in place (they may wait in the batch for many more) and reported first.
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] {
                return m_doneBefore >= index;
            });
        }
        m_batch.commit();
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] {
                return m_reported >= index;
            });
        }
        choice = question();
    }
    if (choice == RelockChoice::YesToAll) {
        m_answer = Encrypthtml::RelockAll;
    } else if (choice == RelockChoice::NoToAll) {
        m_answer = Encrypthtml::RelockNone;
    }
    pass(index);
    return choice;
}

void LockRun::reportInOrder(const Report& report)
{
    for (;;) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] {
            return (!m_window.empty() && m_window.front().outcome) || (m_feedOver && m_window.empty());
        });
        if (m_window.empty()) {
            return;
        }
        Slot& slot = m_window.front();
        lock.unlock();
        if (slot.outcome->report.status == Encrypthtml::LockStatus::Pending) {
            slot.outcome->written = Encrypthtml::FinishCommitted(m_batch, slot.outcome->report);
        }
        try {
            report(slot.task, *slot.outcome);
        } catch (const std::exception& failure) {
            const std::lock_guard feedLock(m_feedMutex);
            m_feedError = std::string("the outcome of ") + slot.task.source + " cannot be reported: " + failure.what();
        }
        lock.lock();
        m_window.pop_front();
        ++m_reported;
        m_changed.notify_all();
    }
}
