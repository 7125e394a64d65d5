// libFuzzer target over the settings reader, as config.json and preset files reach it: no input may crash
// it or trip a sanitizer, and whatever it accepts must save and load back to the same values and bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/preset_rules.h"
#include "settings/settings_text.h"

namespace {

bool sameOutput(const OutputValues& a, const OutputValues& b)
{
    return a == b;
}

bool sameValues(const SettingsValues& a, const SettingsValues& b)
{
    if (a.outputs.size() != b.outputs.size())
        return false;
    for (std::size_t i = 0; i < a.outputs.size(); ++i)
        if (!sameOutput(a.outputs[i], b.outputs[i]))
            return false;
    return a.captureMonitor == b.captureMonitor && a.captureMonitorId == b.captureMonitorId &&
           a.adapterIdx == b.adapterIdx && a.startWithWindows == b.startWithWindows && a.showCursor == b.showCursor && a.remote == b.remote &&
           a.camera == b.camera;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SettingsValues loaded;
    readSettingsText(std::string_view(reinterpret_cast<const char*>(data), size), loaded);

    const std::string saved = settingsFileBytes(loaded);
    SettingsValues reloaded;
    // A saved file is read whole: nothing of it is ignored.
    if (!readSettingsText(saved, reloaded).ignored.empty() || !sameValues(loaded, reloaded) ||
        settingsFileBytes(reloaded) != saved)
        std::abort();

    // A preset taken whole is saved and loaded back whole.
    if (const auto preset = readPresetText(std::string_view(reinterpret_cast<const char*>(data), size))) {
        SettingsValues saving;
        saving.outputs = *preset;
        const auto again = readPresetText(settingsFileBytes(saving));
        if (!again || *again != *preset)
            std::abort();
    }
    return 0;
}
