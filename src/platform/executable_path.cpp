// GetModuleFileNameW with a buffer that grows until the whole path fits.
#include "platform/executable_path.h"

#include <windows.h>

std::wstring executablePath()
{
    // Long paths reach 32,767 units; a result that fills the buffer may have been cut, so try a bigger one.
    constexpr std::size_t longestPath = 32768;
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= longestPath)
            return {};
        path.resize(path.size() * 2);
    }
}
