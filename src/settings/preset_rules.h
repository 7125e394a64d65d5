// Saved setups ("Configuracoes"): which names are taken, and what a preset file must hold to be loaded.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "settings/edit_history.h"

inline constexpr std::size_t kMostPresetNameCharacters = 64;

// Why a name cannot be a setup's, or None. A name becomes the file name "presets/<name>.json", so only
// characters that are safe in any Windows file name are taken.
enum class PresetNameFault {
    None,
    Empty,
    TooLong,    // more than kMostPresetNameCharacters characters
    Character,  // other than letters (accented ones too), digits, space, "-" and "_", or not UTF-8
    OnlySpaces,
    Reserved,   // a device name of Windows (CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9), in any case
};

// The name in UTF-8, as the panel's field holds it.
PresetNameFault presetNameFault(std::string_view name);

// The calibration a preset file holds; nothing when it is damaged: not a settings object, a value of the
// wrong type, or any part the reader would ignore, since loading it would lose part of the setup.
std::optional<Calibration> readPresetText(std::string_view text);
