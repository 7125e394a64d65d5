// Undo, redo and saved setups over AppState's outputs.
#include "app/calibration_steps.h"

#include "app/app_settings.h"
#include "app/app_state.h"
#include "app/operator_actions.h"
#include "app/projector_follow.h"
#include "platform/debug_log.h"
#include "settings/preset_files.h"

namespace {

void showAndSave(const std::optional<Calibration>& calibration)
{
    if (!calibration)
        return;
    replaceCalibration(*calibration);
    // An older step holds the indices its outputs had then; the projectors they followed since are not a
    // step to undo.
    historyFollowsProjectors();
    saveSettings();
}

} // namespace

void recordStep()
{
    app.history.record(currentCalibration(), app.stepKey);
}

void undoStep()
{
    // A change not yet taken (a field still being typed in) is a step of its own, undone first.
    recordStep();
    showAndSave(app.history.undo());
}

void redoStep()
{
    recordStep();
    showAndSave(app.history.redo());
}

void refreshPresets()
{
    app.presets = listPresets();
}

PresetSaving savePreset(const std::string& name, bool replace)
{
    if (presetNameFault(name) != PresetNameFault::None)
        return PresetSaving::Refused;
    if (!replace && presetExists(name))
        return PresetSaving::AskToReplace;
    const bool written = writePreset(name, settingsFileBytes(persistedValues()));
    refreshPresets();
    if (!written) {
        Log("WARN", ("Falha ao salvar a configuracao " + name).c_str());
        return PresetSaving::Failed;
    }
    Log("LOG", ("Configuracao salva: " + name).c_str());
    return PresetSaving::Saved;
}

bool loadPreset(const std::string& name)
{
    const auto calibration = readPreset(name);
    if (!calibration) {
        Log("WARN", ("Configuracao danificada ou ausente: " + name).c_str());
        refreshPresets();
        return false;
    }
    // One step of its own, whatever was being changed before.
    app.stepKey.reset();
    recordStep();
    replaceCalibration(*calibration);
    recordStep();
    saveSettings();
    Log("LOG", ("Configuracao carregada: " + name).c_str());
    return true;
}

bool removePreset(const std::string& name)
{
    const bool removed = deletePreset(name);
    refreshPresets();
    if (removed)
        Log("LOG", ("Configuracao excluida: " + name).c_str());
    return removed;
}
