// Moves the persisted values between AppState and config.json.
#include "settings/settings_file.h"

#include "app/app_state.h"
#include "settings/file_access.h"
#include "settings/settings_text.h"

namespace {

const std::wstring kSettingsFile = L"config.json";

SettingsValues persistedValues()
{
    SettingsValues values;
    values.corners = app.corners;
    values.captureMonitor = app.captureMonitor;
    values.outputMonitor = app.outputMonitor;
    values.adapterIdx = app.adapterIdx;
    values.startWithWindows = app.startWithWindows;
    return values;
}

} // namespace

void loadSettings()
{
    const auto text = readSharedFile(kSettingsFile);
    if (!text)
        return;
    SettingsValues values = persistedValues();
    readSettingsText(*text, values);
    app.corners = values.corners;
    app.captureMonitor = values.captureMonitor;
    app.outputMonitor = values.outputMonitor;
    app.adapterIdx = values.adapterIdx;
    app.startWithWindows = values.startWithWindows;
}

void saveSettings()
{
    replaceFileContent(kSettingsFile, settingsFileBytes(persistedValues()));
}
