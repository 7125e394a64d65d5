// Where the executable lives, from its full path; no platform calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The folder that holds the file at `path`: the text before the last '\' or '/'.
// Nothing when the path is empty or has no separator. A file at a drive's root keeps
// its separator ("C:\"), because a bare "C:" would name that drive's current folder.
std::optional<std::wstring> folderOfPath(std::wstring_view path);
