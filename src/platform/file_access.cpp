// Win32 file calls with full sharing, so that an operator can read or tail the files while the program runs.
#include "platform/file_access.h"

#include <windows.h>

#include <algorithm>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle()
    {
        if (isOpen())
            CloseHandle(handle_);
    }
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

bool writeAll(HANDLE file, std::string_view bytes)
{
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

// Creates or truncates the file, writes everything and, when asked, waits until it is on the disk.
bool writeWholeFile(const std::wstring& path, std::string_view bytes, DWORD share, bool flushToDisk)
{
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isOpen() || !writeAll(file.get(), bytes))
        return false;
    return !flushToDisk || FlushFileBuffers(file.get());
}

} // namespace

std::optional<std::string> readSharedFile(const std::wstring& path)
{
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isOpen())
        return std::nullopt;
    std::string bytes;
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.append(buffer, got);
    }
}

bool appendToSharedFile(const std::wstring& path, std::string_view bytes)
{
    FileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, kShareAll, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.isOpen() && writeAll(file.get(), bytes);
}

bool replaceFileContent(const std::wstring& path, std::string_view bytes)
{
    const std::wstring temporary = path + L".tmp";
    if (writeWholeFile(temporary, bytes, FILE_SHARE_READ, true) &&
        MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(temporary.c_str());
    return writeWholeFile(path, bytes, FILE_SHARE_READ | FILE_SHARE_WRITE, false);
}
