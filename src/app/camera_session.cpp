// The camera's session: when it is open, its frames, why it gave none, and the settings that name it.
#include "app/camera_session.h"

#include <windows.h>
#include <dbt.h>

#include <algorithm>
#include <cmath>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "align/camera_fit.h"
#include "app/camera_alignment.h"
#include "platform/debug_log.h"
#include "platform/wide_text.h"
#include "render/renderer.h"

namespace {

// The interface classes of cameras (KSCATEGORY_VIDEO_CAMERA, and KSCATEGORY_CAPTURE, which older
// drivers register alone), as ks.h and ksmedia.h define them.
constexpr GUID kCameraClasses[] = {
    {0xE5323777, 0xF976, 0x4F5B, {0x9B, 0x55, 0xB9, 0x46, 0x99, 0xC4, 0x6E, 0x44}},
    {0x65E8773D, 0x8F56, 0x11D0, {0xA3, 0xB9, 0x00, 0xA0, 0xC9, 0x22, 0x31, 0x96}},
};

struct CameraSession {
    // Opening was tried since the camera was last wanted, or since the devices last changed: a missing
    // camera is not looked for every pass.
    bool openTried = false;
    std::optional<std::vector<std::string>> names;
    bool watching = false;
    // The device last tried, and why it gives no pictures ("" while it does); each line is logged once.
    std::string deviceName;
    CameraProblem problem = CameraProblem::None;
    std::string problemLine;
};

CameraSession session;

// Device notifications on the control window, from the first time a camera is wanted to the end: a
// camera plugged in or out then comes as WM_DEVICECHANGE. A registration that fails leaves
// DBT_DEVNODES_CHANGED, which every top-level window receives anyway.
void watchCameraDevices()
{
    if (session.watching || !app.controlWindow)
        return;
    session.watching = true;
    for (const GUID& cameraClass : kCameraClasses) {
        DEV_BROADCAST_DEVICEINTERFACE_W filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = cameraClass;
        RegisterDeviceNotificationW(app.controlWindow, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
}

// The outcome of opening or of reading, said in the panel and, when it changes, in one "WARN" line.
void noteCameraFailure(const CameraFailure& failure)
{
    // The camera that was unplugged is still away: that says more than "no device".
    if (failure.problem == CameraProblem::NoDevice && session.problem == CameraProblem::Disconnected)
        return;
    const std::string line = cameraFailureText(failure, session.deviceName);
    if (!line.empty() && (failure.problem != session.problem || line != session.problemLine))
        Log("WARN", line.c_str());
    session.problem = failure.problem;
    session.problemLine = line;
}

// The camera and its last frame gone, and the panel's picture of it with them, so that a frame of the
// next camera with the same number is still shown.
void closeCamera()
{
    app.camera.reset();
    app.cameraFrame = CameraFrame{};
    if (app.renderer)
        app.renderer->dropCameraPicture();
}

} // namespace

void keepCameraAsNeeded()
{
    const bool wanted = (app.panelVisible && app.cameraTabShown) || cameraAlignmentRunning();
    if (!wanted) {
        if (app.camera)
            closeCamera();
        session.openTried = false;
        return;
    }
    watchCameraDevices();
    if (!app.camera && !session.openTried) {
        session.openTried = true;
        CameraOpening opening = openCamera(wideText(app.cameraSettings.device), app.controlWindow);
        app.camera = std::move(opening.camera);
        session.deviceName = utf8Text(opening.name);
        noteCameraFailure(opening.failure);
    }
    if (!app.camera)
        return;
    app.camera->takeFrame(app.cameraFrame);
    // A camera that stopped for good is closed; a change of the devices opens it again.
    if (const CameraFailure failure = app.camera->failure(); failure.problem != CameraProblem::None) {
        noteCameraFailure(failure);
        closeCamera();
    }
}

void followCameraDeviceChange(uintptr_t event)
{
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE && event != DBT_DEVNODES_CHANGED)
        return;
    session.names.reset();
    if (!app.camera)
        session.openTried = false;
}

const std::string& cameraProblemLine()
{
    // "No device" is what the panel's empty list says already.
    static const std::string none;
    return session.problem == CameraProblem::NoDevice ? none : session.problemLine;
}

const std::vector<std::string>& cameraNames()
{
    if (!session.names) {
        session.names.emplace();
        for (const std::wstring& name : listCameras())
            session.names->push_back(utf8Text(name));
    }
    return *session.names;
}

void forgetCameraNames()
{
    session.names.reset();
}

void chooseCameraDevice(const std::string& name)
{
    if (name == app.cameraSettings.device)
        return;
    app.cameraSettings.device = name;
    saveSettings();
    closeCamera();
    session.openTried = false;
}

void chooseCameraTarget(const std::array<CornerPoint, 4>& target)
{
    if (!std::all_of(target.begin(), target.end(),
                     [](const CornerPoint& point) { return std::isfinite(point.x) && std::isfinite(point.y); }))
        return;
    app.cameraSettings.target = target;
    saveSettings();
}

std::optional<std::array<CornerPoint, 4>> cameraTargetInUse()
{
    if (app.cameraSettings.target)
        return app.cameraSettings.target;
    if (app.cameraFrame.width <= 0 || app.cameraFrame.height <= 0)
        return std::nullopt;
    const CameraQuad middle = middleHalfOf(app.cameraFrame.width, app.cameraFrame.height);
    std::array<CornerPoint, 4> target;
    for (std::size_t at = 0; at < target.size(); ++at)
        target[at] = {static_cast<float>(middle[at].x), static_cast<float>(middle[at].y)};
    return target;
}
