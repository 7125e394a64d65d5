// The persisted values of AppState, to and from config.json.
#include "app/app_settings.h"

#include <string>

#include "app/app_state.h"
#include "platform/debug_log.h"
#include "settings/settings_file.h"

SettingsValues persistedValues()
{
    SettingsValues values;
    values.captureMonitor = app.captureMonitor;
    values.captureMonitorId = app.captureMonitorId;
    values.adapterIdx = app.adapterIdx;
    values.startWithWindows = app.startWithWindows;
    values.showCursor = app.showCursor;
    values.remote = app.remote;
    values.camera = app.cameraSettings;
    values.outputs.clear();
    for (const ProjectionOutput& output : app.outputs)
        values.outputs.push_back(output.values);
    return values;
}

namespace {

void warnOfIgnoredPart(const std::string& part)
{
    if (part == "mesh")
        Log("WARN", "Malha invalida em config.json; usando apenas os 4 cantos");
    else
        Log("WARN", ("Valor invalido em config.json ignorado: " + part).c_str());
}

} // namespace

void loadSettings()
{
    SettingsValues values = persistedValues();
    for (const std::string& part : readSettingsFile(values).ignored)
        warnOfIgnoredPart(part);
    app.outputs.clear();
    for (const OutputValues& read : values.outputs) {
        ProjectionOutput& output = app.outputs.emplace_back();
        output.values = read;
        // The first mask is the chosen one, so its outline shows as soon as the panel opens.
        output.editing.chosenMask = read.masks.empty() ? -1 : 0;
    }
    app.editedOutput = 0;
    app.captureMonitor = values.captureMonitor;
    app.captureMonitorId = values.captureMonitorId;
    app.adapterIdx = values.adapterIdx;
    app.startWithWindows = values.startWithWindows;
    app.showCursor = values.showCursor;
    app.remote = values.remote;
    app.cameraSettings = values.camera;
    app.history.start(currentCalibration());
}

bool saveSettings()
{
    // A file held open elsewhere without sharing, or a full disk: the calibration stays in memory, each
    // failed save says so once, and the next change tries again.
    app.saveFailed = !writeSettingsFile(persistedValues());
    if (app.saveFailed)
        Log("WARN", "Falha ao salvar config.json; os valores continuam na memoria");
    return !app.saveFailed;
}
