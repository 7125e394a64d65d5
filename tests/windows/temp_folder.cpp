// Temporary folders for Windows-side tests.
#include "temp_folder.h"

#include <filesystem>

TempWorkingFolder::TempWorkingFolder()
{
    wchar_t buffer[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, buffer);
    previous_ = buffer;
    GetTempPathW(MAX_PATH, buffer);
    static int counter = 0;
    path_ = std::wstring(buffer) + L"ostrel test " + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    SetCurrentDirectoryW(path_.c_str());
}

TempWorkingFolder::~TempWorkingFolder()
{
    SetCurrentDirectoryW(previous_.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string fileBytes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool fileExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
