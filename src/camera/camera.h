// A camera looking at the wall: a Media Foundation capture device, or the stand-in camera of the test
// set-up when "camera-standin.json" lies beside the executable. Frames are taken without waiting, on the
// program's one thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camera/camera_problem.h"

// Posted to the window given to openCamera when a device has a frame ready, so that a waiting loop wakes.
inline constexpr UINT WM_CAMERA_FRAME = WM_USER + 3;

struct CameraFrame {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels; // 0xAARRGGBB, row by row from the top
    uint64_t number = 0;          // counts the frames this camera delivered, from 1
};

class Camera {
public:
    virtual ~Camera() = default;
    // The newest frame delivered since the last call, into `frame`; false, `frame` untouched, when none came.
    virtual bool takeFrame(CameraFrame& frame) = 0;
    // Why it stopped delivering frames for good (unplugged, refused, failed); problem None while it works.
    virtual CameraFailure failure() const = 0;
};

// A camera opened, or why none could be, with the name of the device tried.
struct CameraOpening {
    std::unique_ptr<Camera> camera;
    CameraFailure failure; // problem None exactly when there is a camera
    std::wstring name;
};

// The names of the cameras present, in the order offered: only the stand-in when its file lies beside the
// executable. Empty when there is none, or no Media Foundation.
std::vector<std::wstring> listCameras();
// The named camera opened (the first listed when the name is empty or not listed), or why it cannot be.
// Nothing is logged here: the caller says the failure once.
CameraOpening openCamera(const std::wstring& name, HWND notifyWindow);
