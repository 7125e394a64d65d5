// Making and remaking what lives on the Direct3D device.
#include "app/device_objects.h"

#include <cstdio>

#include "app/app_state.h"
#include "app/operator_actions.h"
#include "capture/capture_engine.h"
#include "platform/debug_log.h"
#include "render/renderer.h"

namespace {

constexpr ULONGLONG kDeviceRetryMs = 1000;

// The engine borrows the device, so it goes first; the textures were made on the device too.
void dropDeviceObjects()
{
    app.capture.reset();
    app.gridTexture.Reset();
    app.logoTexture.Reset();
    app.renderer.reset();
}

void makeEverythingOnTheDevice(bool quiet)
{
    if (!makeRenderer(quiet)) {
        app.deviceRetryAt = GetTickCount64() + kDeviceRetryMs;
        return;
    }
    makeCaptureEngine();
    loadImages();
    char message[96];
    std::snprintf(message, sizeof message, "Dispositivo Direct3D recriado em %llu ms",
                  static_cast<unsigned long long>(GetTickCount64() - app.deviceLostAt));
    Log("LOG", message);
}

} // namespace

bool makeRenderer(bool quiet)
{
    std::vector<HWND> projectionWindows;
    for (const ProjectionOutput& output : app.outputs)
        projectionWindows.push_back(output.window);
    app.renderer = std::make_unique<Renderer>();
    if (SUCCEEDED(app.renderer->initialize(app.controlWindow, projectionWindows, static_cast<UINT>(app.adapterIdx),
                                           quiet)))
        return true;
    app.renderer.reset();
    return false;
}

void makeCaptureEngine()
{
    app.capture = std::make_unique<CaptureEngine>();
    startCapture(app.captureMonitor);
}

void loadImages()
{
    loadCalibrationGrid();
    app.renderer->loadImageTexture(L"assets/logo.png", app.logoTexture);
}

bool deviceWasLost()
{
    return app.renderer && app.renderer->lostDevice != S_OK;
}

void recoverLostDevice()
{
    char message[128];
    std::snprintf(message, sizeof message, "Dispositivo Direct3D perdido (0x%08lX, motivo 0x%08lX); recriando",
                  static_cast<unsigned long>(app.renderer->lostDevice),
                  static_cast<unsigned long>(app.renderer->removedReason()));
    Log("WARN", message);
    app.deviceLostAt = GetTickCount64();
    dropDeviceObjects();
    // Nothing the old device drew counts on the new one.
    for (ProjectionOutput& output : app.outputs)
        output.shownScene.reset();
    makeEverythingOnTheDevice(false);
}

void retryDeviceWhenDue()
{
    const ULONGLONG now = GetTickCount64();
    if (now < app.deviceRetryAt) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(app.deviceRetryAt - now), QS_ALLINPUT);
        return;
    }
    // Said once, when the device was lost: the retries fail quietly.
    makeEverythingOnTheDevice(true);
}
