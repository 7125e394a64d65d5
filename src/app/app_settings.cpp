// The persisted values of AppState, to and from config.json.
#include "app/app_settings.h"

#include <string>

#include "app/app_state.h"
#include "platform/debug_log.h"
#include "settings/settings_file.h"

namespace {

// A new output, not yet with a window, with the saved values.
ProjectionOutput projectionOutput(const OutputValues& values)
{
    ProjectionOutput output;
    static_cast<OutputValues&>(output) = values;
    return output;
}

// The first output lives in the top-level keys, the others in "extraOutputs".
SettingsValues persistedValues()
{
    const ProjectionOutput& first = app.outputs.front();
    SettingsValues values;
    values.corners = first.corners;
    values.captureMonitor = app.captureMonitor;
    values.outputMonitor = first.outputMonitor;
    values.adapterIdx = app.adapterIdx;
    values.startWithWindows = app.startWithWindows;
    values.mesh = first.mesh;
    values.showCursor = app.showCursor;
    values.source = first.source;
    values.blend = first.blend;
    for (std::size_t index = 1; index < app.outputs.size(); ++index)
        values.extraOutputs.push_back(app.outputs[index]);
    return values;
}

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
    std::vector<ProjectionOutput> outputs;
    outputs.push_back(projectionOutput({values.outputMonitor, values.corners, values.mesh, values.source, values.blend}));
    for (const OutputValues& extra : values.extraOutputs)
        outputs.push_back(projectionOutput(extra));
    app.outputs = std::move(outputs);
    app.editedOutput = 0;
    app.captureMonitor = values.captureMonitor;
    app.adapterIdx = values.adapterIdx;
    app.startWithWindows = values.startWithWindows;
    app.showCursor = values.showCursor;
}

void saveSettings()
{
    writeSettingsFile(persistedValues());
}
