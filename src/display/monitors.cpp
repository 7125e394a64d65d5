// Monitor enumeration, what Windows calls each monitor, and projection window placement.
#include "display/monitors.h"

#include "display/monitor_matching.h"
#include "platform/wide_text.h"

namespace {

static_assert(sizeof(MONITORINFOEXW) == 104, "the extended monitor record carries the device name");

struct Enumeration {
    std::vector<MonitorInfo> monitors;
    std::vector<DisplayTarget> targets;
};

BOOL CALLBACK addMonitor(HMONITOR monitor, HDC, LPRECT area, LPARAM enumerationAddress)
{
    auto& enumeration = *reinterpret_cast<Enumeration*>(enumerationAddress);
    std::vector<MonitorInfo>& monitors = enumeration.monitors;
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    // A monitor that cannot be queried is left out, and the next one takes its number.
    if (!GetMonitorInfoW(monitor, &info))
        return TRUE;
    const int32_t index = static_cast<int32_t>(monitors.size());
    const bool primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    MonitorInfo& entry = monitors.emplace_back();
    entry.index = index;
    entry.name = monitorName(index, primary);
    // The full area the enumeration passes, not the work area: the projection covers the taskbar too.
    entry.rect = {area->left, area->top, area->right, area->bottom};
    entry.handle = reinterpret_cast<std::uintptr_t>(monitor);
    // A source that drives several targets (a duplicated desktop) takes the first path's, the one Windows
    // puts first.
    for (const DisplayTarget& target : enumeration.targets)
        if (target.gdiDeviceName == info.szDevice) {
            const MonitorId id = targetIdentity(utf8Text(target.devicePath), utf8Text(target.friendlyName),
                                                target.edidIdsValid, target.friendlyNameFromEdid);
            entry.devicePath = id.path;
            entry.friendlyName = id.name;
            break;
        }
    return TRUE;
}

// The target of one active path as DisplayConfigGetDeviceInfo names it, with its source's GDI device name;
// nothing when either cannot be had.
std::optional<DisplayTarget> targetOfPath(const DISPLAYCONFIG_PATH_INFO& path)
{
    DISPLAYCONFIG_SOURCE_DEVICE_NAME source{};
    source.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SOURCE_NAME;
    source.header.size = sizeof source;
    source.header.adapterId = path.sourceInfo.adapterId;
    source.header.id = path.sourceInfo.id;
    if (DisplayConfigGetDeviceInfo(&source.header) != ERROR_SUCCESS)
        return std::nullopt;
    DISPLAYCONFIG_TARGET_DEVICE_NAME target{};
    target.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_TARGET_NAME;
    target.header.size = sizeof target;
    target.header.adapterId = path.targetInfo.adapterId;
    target.header.id = path.targetInfo.id;
    if (DisplayConfigGetDeviceInfo(&target.header) != ERROR_SUCCESS)
        return std::nullopt;
    return DisplayTarget{source.viewGdiDeviceName,
                         target.monitorDevicePath,
                         target.monitorFriendlyDeviceName,
                         target.flags.edidIdsValid != 0,
                         target.flags.friendlyNameFromEdid != 0,
                         path.targetInfo.adapterId,
                         path.targetInfo.id};
}

} // namespace

std::vector<DisplayTarget> displayTargets()
{
    std::vector<DISPLAYCONFIG_PATH_INFO> paths;
    std::vector<DISPLAYCONFIG_MODE_INFO> modes;
    LONG result = ERROR_INSUFFICIENT_BUFFER;
    // A display change between the two calls makes the sizes too small; they are asked again.
    for (int attempt = 0; attempt < 3 && result == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        UINT32 pathCount = 0;
        UINT32 modeCount = 0;
        if (GetDisplayConfigBufferSizes(QDC_ONLY_ACTIVE_PATHS, &pathCount, &modeCount) != ERROR_SUCCESS ||
            pathCount == 0)
            return {};
        paths.resize(pathCount);
        modes.resize(modeCount);
        result = QueryDisplayConfig(QDC_ONLY_ACTIVE_PATHS, &pathCount, paths.data(), &modeCount, modes.data(), nullptr);
        paths.resize(pathCount);
    }
    if (result != ERROR_SUCCESS)
        return {};
    std::vector<DisplayTarget> targets;
    for (const DISPLAYCONFIG_PATH_INFO& path : paths)
        if (auto target = targetOfPath(path))
            targets.push_back(std::move(*target));
    return targets;
}

std::vector<MonitorInfo> enumerateMonitors()
{
    // Where the names cannot be had, the monitors come without them and are known by their index.
    Enumeration enumeration{{}, displayTargets()};
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&enumeration));
    return enumeration.monitors;
}

float sdrWhiteLevelOf(HMONITOR monitor)
{
    // scRGB's 1.0, and what the system reports of a monitor that is not HDR.
    constexpr float kScRgbWhiteNits = 80.0f;
    MONITORINFOEXW info{};
    info.cbSize = sizeof info;
    if (!monitor || !GetMonitorInfoW(monitor, &info))
        return kScRgbWhiteNits;
    for (const DisplayTarget& target : displayTargets()) {
        if (target.gdiDeviceName != info.szDevice)
            continue;
        DISPLAYCONFIG_SDR_WHITE_LEVEL white{};
        white.header.type = DISPLAYCONFIG_DEVICE_INFO_GET_SDR_WHITE_LEVEL;
        white.header.size = sizeof white;
        white.header.adapterId = target.adapterId;
        white.header.id = target.targetId;
        // In thousandths of scRGB's 80 nits.
        if (DisplayConfigGetDeviceInfo(&white.header) == ERROR_SUCCESS && white.SDRWhiteLevel > 0)
            return static_cast<float>(white.SDRWhiteLevel) / 1000.0f * kScRgbWhiteNits;
        break;
    }
    return kScRgbWhiteNits;
}

void placeProjectionWindow(HWND window, const Rect& area)
{
    SetWindowPos(window, HWND_TOPMOST, area.left, area.top, area.width(), area.height(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE);
}
