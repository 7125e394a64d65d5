// The persisted values of AppState, to and from config.json.
#include "app/app_settings.h"

#include "app/app_state.h"
#include "platform/debug_log.h"
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
    values.mesh = app.mesh;
    values.showCursor = app.showCursor;
    return values;
}

} // namespace

void loadSettings()
{
    SettingsValues values = persistedValues();
    if (readSettingsFile(values) == MeshReading::Ignored)
        Log("WARN", "Malha invalida em config.json; usando apenas os 4 cantos");
    app.corners = values.corners;
    app.captureMonitor = values.captureMonitor;
    app.outputMonitor = values.outputMonitor;
    app.adapterIdx = values.adapterIdx;
    app.startWithWindows = values.startWithWindows;
    app.mesh = values.mesh;
    app.showCursor = values.showCursor;
}

void saveSettings()
{
    writeSettingsFile(persistedValues());
}
