// A fresh working folder for one Windows-side test; the previous working folder comes back afterwards.
#pragma once

#include <windows.h>

#include <string>

class TempWorkingFolder {
public:
    TempWorkingFolder();
    TempWorkingFolder(const TempWorkingFolder&) = delete;
    TempWorkingFolder& operator=(const TempWorkingFolder&) = delete;
    ~TempWorkingFolder();

    const std::wstring& path() const { return path_; }

private:
    std::wstring previous_;
    std::wstring path_;
};

// Whole file through Win32, or "<missing>" when it cannot be opened.
std::string fileBytes(const std::wstring& path);
bool fileExists(const std::wstring& path);
