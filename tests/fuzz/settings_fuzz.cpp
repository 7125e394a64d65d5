// libFuzzer target over the settings reader: no input may crash it or trip a sanitizer, and whatever it
// accepts must save and load back to the same values and the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/settings_text.h"

namespace {

bool sameValues(const SettingsValues& a, const SettingsValues& b)
{
    for (std::size_t i = 0; i < a.corners.size(); ++i)
        if (a.corners[i].x != b.corners[i].x || a.corners[i].y != b.corners[i].y)
            return false;
    return a.captureMonitor == b.captureMonitor && a.outputMonitor == b.outputMonitor &&
           a.adapterIdx == b.adapterIdx && a.startWithWindows == b.startWithWindows && a.mesh == b.mesh &&
           a.showCursor == b.showCursor;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SettingsValues loaded;
    readSettingsText(std::string_view(reinterpret_cast<const char*>(data), size), loaded);

    const std::string saved = settingsFileBytes(loaded);
    SettingsValues reloaded;
    readSettingsText(saved, reloaded);
    if (!sameValues(loaded, reloaded) || settingsFileBytes(reloaded) != saved)
        std::abort();
    return 0;
}
