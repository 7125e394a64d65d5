// The Run value: the executable's full path in double quotes, REG_SZ, its length counting the null.
#include "settings/start_with_windows.h"

#include "settings/run_value.h"

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kValueName[] = L"OstrelMapper";

LONG writeRunValue(HKEY key, const std::wstring& path)
{
    // An empty path would register nothing that could start.
    if (path.empty())
        return ERROR_BAD_PATHNAME;
    const std::wstring data = runValueData(path);
    return RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                          runValueByteLength(data));
}

} // namespace

LONG setStartWithWindows(bool enable, const std::wstring& executablePath)
{
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    // A value that is not there is not an error when disabling.
    LONG result = ERROR_SUCCESS;
    if (enable)
        result = writeRunValue(key, executablePath);
    else
        RegDeleteValueW(key, kValueName);
    const LONG closed = RegCloseKey(key);
    return result != ERROR_SUCCESS ? result : closed;
}
