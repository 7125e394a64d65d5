// inotify, read without blocking.
#include "file_events.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <stdexcept>

namespace harness {

FileEvents::FileEvents(const std::string& folder)
{
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0 || inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO | IN_CLOSE_WRITE) < 0)
        throw std::runtime_error("inotify failed for " + folder);
}

FileEvents::~FileEvents()
{
    if (fd_ >= 0)
        close(fd_);
}

void FileEvents::collect()
{
    alignas(inotify_event) char buffer[8192];
    for (;;) {
        const ssize_t got = read(fd_, buffer, sizeof buffer);
        if (got <= 0)
            return;
        for (ssize_t at = 0; at < got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->len > 0)
                ++writes_[event->name];
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

int FileEvents::writes(const std::string& name)
{
    collect();
    return writes_[name];
}

} // namespace harness
