// Moves the persisted values between plain values and config.json.
#include "settings/settings_file.h"

#include "platform/file_access.h"

namespace {
const std::wstring kSettingsFile = L"config.json";
} // namespace

void readSettingsFile(SettingsValues& values)
{
    if (const auto text = readSharedFile(kSettingsFile))
        readSettingsText(*text, values);
}

bool writeSettingsFile(const SettingsValues& values)
{
    return replaceFileContent(kSettingsFile, settingsFileBytes(values));
}
