// The persisted values of AppState, to and from config.json.
#include "app/app_settings.h"

#include "app/app_state.h"
#include "settings/settings_file.h"

namespace {

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
    SettingsValues values = persistedValues();
    readSettingsFile(values);
    app.corners = values.corners;
    app.captureMonitor = values.captureMonitor;
    app.outputMonitor = values.outputMonitor;
    app.adapterIdx = values.adapterIdx;
    app.startWithWindows = values.startWithWindows;
}

void saveSettings()
{
    writeSettingsFile(persistedValues());
}
