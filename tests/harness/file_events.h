// Counts how often files in a folder are (re)written, through the kernel's inotify: a settings save
// replaces config.json by renaming a finished temporary file onto it, or rewrites it in place.
#pragma once

#include <map>
#include <string>

namespace harness {

class FileEvents {
public:
    explicit FileEvents(const std::string& folder);
    FileEvents(const FileEvents&) = delete;
    FileEvents& operator=(const FileEvents&) = delete;
    ~FileEvents();

    // Completed writes of `name` so far (renamed onto it, or closed after writing).
    int writes(const std::string& name);

private:
    void collect();

    int fd_ = -1;
    std::map<std::string, int> writes_;
};

} // namespace harness
