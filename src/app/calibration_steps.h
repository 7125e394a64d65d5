// The calibration's history and the saved setups, as the operator reaches them: each undo, redo and
// recalled setup replaces every output's values and is saved at once.
#pragma once

#include <string>

#include "settings/preset_rules.h"

// A change of the calibration made now becomes an undo step (or part of the one under way, by
// AppState stepKey). Nothing when the calibration did not change.
void recordStep();
// "DESFAZER" and "REFAZER", Ctrl+Z and Ctrl+Y: the calibration one step back or forward, saved.
void undoStep();
void redoStep();

// presets/ read again for the panel's list.
void refreshPresets();

enum class PresetSaving { Saved, Refused, AskToReplace, Failed };
// "SALVAR": the whole calibration, as config.json holds it, under `name`. A name that is not valid is
// refused; one that has a file already is asked about first unless `replace`.
PresetSaving savePreset(const std::string& name, bool replace);
// "CARREGAR": the setup replaces the calibration, one undo step, saved. False, with nothing changed, when
// it is missing or damaged.
bool loadPreset(const std::string& name);
// "EXCLUIR": the setup's file gone. False when it stays.
bool removePreset(const std::string& name);
