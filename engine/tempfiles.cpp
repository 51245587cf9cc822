#include "engine/tempfiles.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace TempFiles
{
    namespace
    {
        constexpr std::string_view s_prefix = ".quillgate-";
        constexpr std::string_view s_suffix = ".tmp";
        constexpr std::size_t s_randomDigits = 16;

        // One slot per temporary file not yet renamed: each of up to 1024 threads writes a page and its backup, and
        // a commit batch holds two batches' worth more. The flags lie apart from the places, so that looking for a
        // free slot reads a few pages and the table costs memory only as far as its places are used.
        constexpr int s_slotCount = 4096;
        constexpr std::size_t s_nameRoom = 64; // the pattern's names take 45 bytes at most
        struct Slot
        {
            int folderFd;
            char name[s_nameRoom];
        };
        std::atomic<bool> s_taken[s_slotCount];
        // Set once the slot's place is whole, cleared before the slot is given up: the handler reads a place only
        // while this is set.
        std::atomic<bool> s_ready[s_slotCount];
        Slot s_slots[s_slotCount];
        static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler reads the flags");

        // Set by the handler before it removes anything; threads inside a Step, and whether this thread is one.
        std::atomic<bool> s_ending{false};
        std::atomic<int> s_inSteps{0};
        thread_local bool t_inStep = false;
        static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the count");
        // How long the handler waits for the steps under way: each is one call (open, rename or unlink).
        constexpr int s_stepWaitMilliseconds = 5000;

        constexpr int s_signals[] = {SIGTERM, SIGINT, SIGHUP};

        // Only async-signal-safe calls: stop new steps, wait for those under way (but this thread's own, which the
        // signal interrupted), remove every file being written, then die of the signal as usual (the default
        // action came back on entry, and the signal is held until the handler returns).
        extern "C" void RemoveAndRaise(int signalNumber)
        {
            const int savedErrno = errno;
            s_ending.store(true);
            const int own = t_inStep ? 1 : 0;
            for (int waited = 0; s_inSteps.load() > own && waited < s_stepWaitMilliseconds; ++waited) {
                const timespec millisecond{0, 1000 * 1000};
                nanosleep(&millisecond, nullptr);
            }
            for (int i = 0; i < s_slotCount; ++i) {
                if (s_ready[i].load(std::memory_order_acquire)) {
                    unlinkat(s_slots[i].folderFd, s_slots[i].name, 0);
                }
            }
            raise(signalNumber);
            errno = savedErrno;
        }

        // A signal the program ignores (nohup) or handles itself keeps its disposition.
        void InstallHandler()
        {
            struct sigaction action = {};
            action.sa_handler = RemoveAndRaise;
            action.sa_flags = SA_RESETHAND;
            sigemptyset(&action.sa_mask);
            for (const int signalNumber : s_signals) {
                sigaddset(&action.sa_mask, signalNumber);
            }
            for (const int signalNumber : s_signals) {
                struct sigaction current = {};
                if (sigaction(signalNumber, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO)
                    && current.sa_handler == SIG_DFL) {
                    sigaction(signalNumber, &action, nullptr);
                }
            }
        }

        bool IsDigit(char c)
        {
            return c >= '0' && c <= '9';
        }

        bool IsHexDigit(char c)
        {
            return IsDigit(c) || (c >= 'a' && c <= 'f');
        }

        // The pid no longer names a running process (of any user) in this process-number space.
        bool IsEnded(pid_t pid)
        {
            return kill(pid, 0) != 0 && errno == ESRCH;
        }
    } // namespace

    std::string NewFileName()
    {
        thread_local std::mt19937_64 s_random{std::random_device{}()};
        char name[64];
        std::snprintf(name,
                      sizeof name,
                      "%.*s%ld-%016llx%.*s",
                      int(s_prefix.size()),
                      s_prefix.data(),
                      static_cast<long>(getpid()),
                      static_cast<unsigned long long>(s_random()),
                      int(s_suffix.size()),
                      s_suffix.data());
        return name;
    }

    bool IsTemporaryName(std::string_view name, pid_t& pid)
    {
        if (!name.starts_with(s_prefix) || !name.ends_with(s_suffix)) {
            return false;
        }
        name.remove_prefix(s_prefix.size());
        name.remove_suffix(s_suffix.size());
        const std::size_t dash = name.find('-');
        if (dash == 0 || dash > 9 || name.size() != dash + 1 + s_randomDigits) {
            return false;
        }
        long number = 0;
        for (const char c : name.substr(0, dash)) {
            if (!IsDigit(c)) {
                return false;
            }
            number = number * 10 + (c - '0');
        }
        const std::string_view random = name.substr(dash + 1);
        if (number == 0 || !std::all_of(random.begin(), random.end(), IsHexDigit)) {
            return false;
        }
        pid = static_cast<pid_t>(number);
        return true;
    }

    Step::Step()
    {
        s_inSteps.fetch_add(1);
        if (s_ending.load()) {
            // The program is being ended by a signal: this thread makes nothing more and waits for the end.
            s_inSteps.fetch_sub(1);
            for (;;) {
                pause();
            }
        }
        t_inStep = true;
    }

    Step::~Step()
    {
        t_inStep = false;
        s_inSteps.fetch_sub(1);
    }

    Registration::Registration(int folderFd, std::string_view name)
    {
        static std::once_flag s_installed;
        std::call_once(s_installed, InstallHandler);
        if (name.size() >= s_nameRoom) {
            return;
        }
        for (int i = 0; i < s_slotCount; ++i) {
            bool expected = false;
            if (s_taken[i].compare_exchange_strong(expected, true, std::memory_order_acquire)) {
                s_slots[i].folderFd = folderFd;
                std::memcpy(s_slots[i].name, name.data(), name.size());
                s_slots[i].name[name.size()] = '\0';
                s_ready[i].store(true, std::memory_order_release);
                m_slot = i;
                return;
            }
        }
    }

    Registration::~Registration()
    {
        if (m_slot >= 0) {
            s_ready[m_slot].store(false, std::memory_order_release);
            s_taken[m_slot].store(false, std::memory_order_release);
        }
    }

    std::size_t RemoveStale(const std::filesystem::path& folder)
    {
        const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            return 0;
        }
        const std::size_t removed = RemoveStale(fd);
        close(fd);
        return removed;
    }

    std::size_t RemoveStale(int folderFd)
    {
        // The listing gets a descriptor of its own, so that closing it leaves the caller's open.
        const int listed = openat(folderFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* directory = listed < 0 ? nullptr : fdopendir(listed);
        if (directory == nullptr) {
            if (listed >= 0) {
                close(listed);
            }
            return 0;
        }
        const uid_t user = geteuid();
        const pid_t self = getpid();
        const auto staleBefore = std::chrono::system_clock::now() - StaleAge;
        std::size_t removed = 0;
        while (const dirent* entry = readdir(directory)) {
            pid_t pid = 0;
            struct stat status = {};
            if (!IsTemporaryName(entry->d_name, pid) || pid == self
                || fstatat(folderFd, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            const auto modified = std::chrono::system_clock::from_time_t(status.st_mtim.tv_sec);
            if (S_ISREG(status.st_mode) && status.st_nlink == 1 && status.st_uid == user && modified < staleBefore
                && IsEnded(pid) && unlinkat(folderFd, entry->d_name, 0) == 0) {
                ++removed;
            }
        }
        closedir(directory);
        return removed;
    }

    void RemoveStaleOnce(const Handles::Folder& folder)
    {
        static std::mutex s_mutex;
        static std::set<std::pair<dev_t, ino_t>> s_done;
        {
            const std::lock_guard<std::mutex> lock(s_mutex);
            if (!s_done.insert({folder.identity().device, folder.identity().inode}).second) {
                return;
            }
        }
        RemoveStale(folder.fd());
    }
} // namespace TempFiles
