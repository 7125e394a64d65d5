// UTF-8, as the settings and the log hold text, to and from the UTF-16 of the Win32 calls.
#pragma once

#include <string>
#include <string_view>

// Empty when `text` is not well-formed UTF-8.
std::wstring wideText(std::string_view text);

// Unpaired surrogates become U+FFFD.
std::string utf8Text(std::wstring_view wide);
