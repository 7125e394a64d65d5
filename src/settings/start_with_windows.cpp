// The Run value: the executable's full path in double quotes, REG_SZ, its length counting the null.
#include "settings/start_with_windows.h"

#include "app/executable_path.h"
#include "settings/run_value.h"

namespace {
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kValueName[] = L"OstrelMapper";
} // namespace

LONG setStartWithWindows(bool enable)
{
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    if (enable) {
        // The whole path, however long: a path cut short would register some other program.
        const std::wstring data = runValueData(executablePath());
        RegSetValueExW(key, kValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       runValueByteLength(data));
    } else {
        // A value that is not there is not an error.
        RegDeleteValueW(key, kValueName);
    }
    return RegCloseKey(key);
}
