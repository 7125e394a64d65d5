// libFuzzer target over the settings reader: no input may crash it or trip a sanitizer, and whatever it
// accepts must save and load back to the same values and the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/settings_text.h"

namespace {

bool sameCorners(const CornerSet& a, const CornerSet& b)
{
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y)
            return false;
    return true;
}

bool sameOutput(const OutputValues& a, const OutputValues& b)
{
    return a.outputMonitor == b.outputMonitor && sameCorners(a.corners, b.corners) && a.mesh == b.mesh &&
           a.source == b.source && a.blend == b.blend;
}

bool sameValues(const SettingsValues& a, const SettingsValues& b)
{
    if (a.extraOutputs.size() != b.extraOutputs.size())
        return false;
    for (std::size_t i = 0; i < a.extraOutputs.size(); ++i)
        if (!sameOutput(a.extraOutputs[i], b.extraOutputs[i]))
            return false;
    return sameCorners(a.corners, b.corners) && a.captureMonitor == b.captureMonitor &&
           a.outputMonitor == b.outputMonitor && a.adapterIdx == b.adapterIdx &&
           a.startWithWindows == b.startWithWindows && a.mesh == b.mesh && a.showCursor == b.showCursor &&
           a.source == b.source && a.blend == b.blend;
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
    return 0;
}
