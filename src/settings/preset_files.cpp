// The saved setups in presets/, through the Win32 file calls.
#include "settings/preset_files.h"

#include <windows.h>

#include <algorithm>

#include "platform/file_access.h"
#include "platform/wide_text.h"
#include "settings/preset_rules.h"

namespace {

const std::wstring kPresetFolder = L"presets";
const std::wstring kPresetSuffix = L".json";
// Far beyond the largest calibration (a few hundred kilobytes): a larger file is not read at all, so a
// stray huge file in presets/ cannot stall the panel.
constexpr ULONGLONG kMostPresetBytes = 4u << 20;

std::wstring presetPath(std::string_view name)
{
    return kPresetFolder + L"\\" + wideText(name) + kPresetSuffix;
}

// Only a valid name reaches the file system from the panel: nothing is written outside presets/.
bool isValidName(std::string_view name)
{
    return presetNameFault(name) == PresetNameFault::None;
}

// The names of presets/*.json, without ".json", unsorted.
std::vector<std::string> presetFileNames()
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((kPresetFolder + L"\\*" + kPresetSuffix).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::wstring fileName = found.cFileName;
        // The pattern also matches longer suffixes ("a.json5" through its short name): only ".json" counts.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || fileName.size() <= kPresetSuffix.size() ||
            _wcsicmp(fileName.c_str() + fileName.size() - kPresetSuffix.size(), kPresetSuffix.c_str()) != 0)
            continue;
        names.push_back(utf8Text(std::wstring_view(fileName).substr(0, fileName.size() - kPresetSuffix.size())));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

} // namespace

std::vector<PresetEntry> listPresets()
{
    std::vector<PresetEntry> entries;
    for (std::string& name : presetFileNames()) {
        const bool damaged = !isValidName(name) || !readPreset(name);
        entries.push_back({std::move(name), damaged});
    }
    std::sort(entries.begin(), entries.end(), [](const PresetEntry& a, const PresetEntry& b) { return a.name < b.name; });
    return entries;
}

bool presetExists(std::string_view name)
{
    if (!isValidName(name))
        return false;
    const DWORD attributes = GetFileAttributesW(presetPath(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<Calibration> readPreset(std::string_view name)
{
    if (!isValidName(name))
        return std::nullopt;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(presetPath(name).c_str(), GetFileExInfoStandard, &attributes) ||
        ((static_cast<ULONGLONG>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow) > kMostPresetBytes)
        return std::nullopt;
    const auto text = readSharedFile(presetPath(name));
    return text ? readPresetText(*text) : std::nullopt;
}

bool writePreset(std::string_view name, std::string_view bytes)
{
    if (!isValidName(name))
        return false;
    if (!CreateDirectoryW(kPresetFolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    return replaceFileContent(presetPath(name), bytes);
}

bool deletePreset(std::string_view name)
{
    // Only a name the folder lists: never a path to anything else.
    const std::vector<std::string> names = presetFileNames();
    const bool listed = std::find(names.begin(), names.end(), name) != names.end();
    return listed && DeleteFileW(presetPath(name).c_str());
}
