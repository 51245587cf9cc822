#include "tests/engine/openwatch.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

OpenWatch::OpenWatch(const std::filesystem::path& folder, std::function<void(const Open&)> onOpen)
    : m_onOpen(std::move(onOpen))
{
    m_fd = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        return;
    }
    m_stop = eventfd(0, EFD_CLOEXEC);
    if (m_stop >= 0
        && fanotify_mark(m_fd, FAN_MARK_ADD, FAN_OPEN_PERM | FAN_EVENT_ON_CHILD, AT_FDCWD, folder.c_str()) == 0) {
        m_thread = std::thread(&OpenWatch::Run, this);
    }
}

OpenWatch::~OpenWatch()
{
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(m_stop, &one, sizeof one);
        m_thread.join();
    }
    // Closing the watch lets any open still waiting go on.
    for (const int fd : {m_fd, m_stop}) {
        if (fd >= 0) {
            close(fd);
        }
    }
}

std::vector<OpenWatch::Open> OpenWatch::Opens() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_opens;
}

void OpenWatch::Run()
{
    alignas(fanotify_event_metadata) char buffer[4096];
    for (;;) {
        pollfd waits[2] = {{m_fd, POLLIN, 0}, {m_stop, POLLIN, 0}};
        if (poll(waits, 2, -1) < 0 || (waits[1].revents & POLLIN)) {
            return;
        }
        const ssize_t length = read(m_fd, buffer, sizeof buffer);
        if (length <= 0) {
            continue;
        }
        const auto* event = reinterpret_cast<const fanotify_event_metadata*>(buffer);
        for (ssize_t left = length; FAN_EVENT_OK(event, left); event = FAN_EVENT_NEXT(event, left)) {
            if (event->fd < 0) {
                continue;
            }
            struct stat status = {};
            char path[4096] = {};
            const std::string link = "/proc/self/fd/" + std::to_string(event->fd);
            if (fstat(event->fd, &status) == 0 && readlink(link.c_str(), path, sizeof path - 1) > 0) {
                const Open open{std::filesystem::path(path).filename().string(), unsigned(status.st_mode & 07777)};
                {
                    const std::lock_guard<std::mutex> lock(m_mutex);
                    m_opens.push_back(open);
                }
                if (m_onOpen) {
                    m_onOpen(open);
                }
            }
            const fanotify_response response{event->fd, FAN_ALLOW};
            [[maybe_unused]] const ssize_t written = write(m_fd, &response, sizeof response);
            close(event->fd);
        }
    }
}
