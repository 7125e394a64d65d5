// Everything that lives on the Direct3D device: the Renderer (with the panel library's device objects),
// the capture engine that borrows its device, and the grid and logo textures. Made at start-up, and
// made again on a new device when the old one is lost (a driver update, a GPU reset, a sleep).
#pragma once

#include <windows.h>

#include <string>

// When the device was last lost and, while no new one can be made, when to try again (GetTickCount64).
// The main loop's own.
struct DeviceRecovery {
    ULONGLONG lostAt = 0;
    ULONGLONG retryAt = 0;
};

// The Renderer on the control window, and every output's target on its projection window; false, with
// no Renderer and no target left, when no device or swap chain can be made (logged, unless `quiet`).
bool makeRenderer(bool quiet = false);
// Why the last makeRenderer failed, as its "WARN" line said (the device, a swap chain, a shader).
const std::string& deviceFailure();
// The capture engine on the Renderer's device, capturing the capture monitor.
void makeCaptureEngine();
// The grid with its fallbacks, then the logo.
void loadImages();

// The Renderer said its device is gone: one "WARN" line with the reason, then everything on the device
// is made again on a new one. Settings, corners and mesh stay as they are.
bool deviceWasLost();
void recoverLostDevice(DeviceRecovery& recovery);
// While no device can be had: waits for window messages (the tray keeps working) until the next try,
// about once a second, and then tries.
void retryDeviceWhenDue(DeviceRecovery& recovery);
// Everything on the device released, in order: the outputs' targets and the capture engine borrow it.
void dropDeviceObjects();
