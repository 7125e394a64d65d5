// The camera as the panel and the alignment need it: open only while its picture is looked at, closed
// otherwise, with its newest frame in AppState; the devices' names; the operator's choices of device and
// target.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "warp/corner_point.h"

// A step of every pass, idle or not: the camera opened while the panel shows its tab or an alignment
// runs (once for each time it is wanted or the devices change, not every pass when there is none),
// closed when neither does or when it stops for good (unplugged, refused), and its newest frame taken
// into AppState cameraFrame.
void keepCameraAsNeeded();

// WM_DEVICECHANGE's event: on a device's arrival or removal, or a change of the device tree, the cameras
// are listed again and a camera that is not open is tried again while it is wanted.
void followCameraDeviceChange(uintptr_t event);

// Why the camera gives no pictures (unplugged, refused by the privacy settings, in use, failed), as the
// panel says it; empty while it works or when there is simply none.
const std::string& cameraProblemLine();

// The cameras present, UTF-8, listed the first time they are asked for after the panel opens.
const std::vector<std::string>& cameraNames();
// The panel closed: the cameras are listed anew when it next asks.
void forgetCameraNames();

// The operator's device: saved, and the camera opened anew.
void chooseCameraDevice(const std::string& name);
// The operator's target, TL, TR, BL, BR in camera pixels: saved; one that is not finite is refused.
void chooseCameraTarget(const std::array<CornerPoint, 4>& target);
// The target the alignment fills: the marked one, else the middle half of the camera's picture (x from a
// quarter to three quarters of its width, y likewise); nothing before a frame shows how large it is.
std::optional<std::array<CornerPoint, 4>> cameraTargetInUse();
