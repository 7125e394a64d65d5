// The camera's session: when it is open, its frames, and the settings that name it.
#include "app/camera_session.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "align/camera_fit.h"
#include "app/camera_alignment.h"
#include "platform/wide_text.h"
#include "render/renderer.h"

namespace {

struct CameraSession {
    // Opening was tried since the camera was last wanted: a missing camera is not looked for every pass.
    bool openTried = false;
    std::optional<std::vector<std::string>> names;
};

CameraSession session;

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
    if (!app.camera && !session.openTried) {
        session.openTried = true;
        app.camera = openCamera(wideText(app.cameraSettings.device), app.controlWindow);
    }
    if (app.camera)
        app.camera->takeFrame(app.cameraFrame);
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
