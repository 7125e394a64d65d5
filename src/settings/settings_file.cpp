// Moves the persisted values between plain values and config.json.
#include "settings/settings_file.h"

#include "platform/file_access.h"

namespace {
const std::wstring kSettingsFile = L"config.json";
} // namespace

SettingsReading readSettingsFile(SettingsValues& values)
{
    const auto text = readSharedFile(kSettingsFile);
    return text ? readSettingsText(*text, values) : SettingsReading{};
}

bool writeSettingsFile(const SettingsValues& values)
{
    return replaceFileContent(kSettingsFile, settingsFileBytes(values));
}
