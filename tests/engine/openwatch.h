#pragma once

// Watches the files opened in one folder, for tests that must see a file as it is the moment it is opened: each
// open waits until the watch has looked at the file (a fanotify permission event), so a new file is seen with the
// mode it was created with, before its writer can change it. Needs root.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class OpenWatch
{
public:
    struct Open
    {
        std::string name;
        unsigned mode;
    };

    // onOpen runs on the watch's thread for every open, while the opener still waits.
    explicit OpenWatch(const std::filesystem::path& folder, std::function<void(const Open&)> onOpen = {});
    ~OpenWatch();
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    // False when the system refused the watch (not root, or no fanotify).
    bool IsWatching() const
    {
        return m_thread.joinable();
    }

    std::vector<Open> Opens() const;

private:
    void Run();

    std::function<void(const Open&)> m_onOpen;
    int m_fd = -1;
    int m_stop = -1;
    mutable std::mutex m_mutex;
    std::vector<Open> m_opens;
    std::thread m_thread;
};
