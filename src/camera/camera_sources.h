// The two kinds of camera behind listCameras and openCamera.
#pragma once

#include "camera/camera.h"

// The capture devices Media Foundation finds, by their friendly names; empty when it cannot be loaded.
std::vector<std::wstring> listMediaFoundationCameras();
// The named device (the first when no device has the name), reading frames asynchronously, or why it
// cannot be opened.
CameraOpening openMediaFoundationCamera(const std::wstring& name, HWND notifyWindow);

// "camera-standin.json" beside the executable; empty when the executable's folder is unknown.
std::wstring standinFilePath();
// The stand-in described by that file; null, with a line in the log, when the file is unreadable or
// malformed or names a monitor that is not there. Once open, it is unplugged when the file goes away.
std::unique_ptr<Camera> openStandinCamera(const std::wstring& path, HWND notifyWindow);
