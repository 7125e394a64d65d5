// Whole-file reads and writes that never lock other programs out of the file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The file's bytes, or nothing when it cannot be opened or read.
std::optional<std::string> readSharedFile(const std::wstring& path);

// Appends the bytes in one write (created when missing); false when the file cannot be opened or written.
bool appendToSharedFile(const std::wstring& path, std::string_view bytes);

// Replaces the file's content so that it is never seen half-written: the bytes go to a
// temporary file beside it, reach the disk, and take the file's place in one rename. When the
// rename is refused, the file is rewritten in place. False when nothing could be written.
bool replaceFileContent(const std::wstring& path, std::string_view bytes);
