// Run value text.
#include "settings/run_value.h"

std::wstring runValueData(std::wstring_view executablePath)
{
    std::wstring data;
    data.reserve(executablePath.size() + 2);
    data += L'"';
    data += executablePath;
    data += L'"';
    return data;
}

uint32_t runValueByteLength(const std::wstring& data)
{
    return static_cast<uint32_t>((data.size() + 1) * 2);
}
