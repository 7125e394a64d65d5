// The data of the per-user Run value that starts the program at log-on.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The executable's full path between double quotes, so a path with blanks starts the right program.
std::wstring runValueData(std::wstring_view executablePath);

// The stored length in bytes: UTF-16 units including the terminating null.
uint32_t runValueByteLength(const std::wstring& data);
