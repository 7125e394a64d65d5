// Making and remaking what lives on the Direct3D device.
#include "app/device_objects.h"

#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "app/camera_alignment.h"
#include "app/operator_actions.h"
#include "capture/capture_engine.h"
#include "display/monitors.h"
#include "platform/debug_log.h"
#include "render/renderer.h"

namespace {

constexpr ULONGLONG kDeviceRetryMs = 1000;

// Why the last device could not be made, as its log line said.
std::string deviceFailureText;

void makeEverythingOnTheDevice(DeviceRecovery& recovery, bool quiet)
{
    if (!makeRenderer(quiet)) {
        recovery.retryAt = GetTickCount64() + kDeviceRetryMs;
        return;
    }
    makeCaptureEngine();
    loadImages();
    char message[96];
    std::snprintf(message, sizeof message, "Dispositivo Direct3D recriado em %llu ms",
                  static_cast<unsigned long long>(GetTickCount64() - recovery.lostAt));
    Log("LOG", message);
}

bool makeProjectionTargets(bool quiet)
{
    for (ProjectionOutput& output : app.outputs) {
        if (FAILED(app.renderer->makeProjectionTarget(output.window, output.target, quiet)))
            return false;
        output.drawAnew();
    }
    return true;
}

} // namespace

bool makeRenderer(bool quiet)
{
    app.renderer = std::make_unique<Renderer>();
    const std::uintptr_t captureMonitor = isMonitorIndex(app.captureMonitor, app.monitors.size())
                                              ? app.monitors[static_cast<std::size_t>(app.captureMonitor)].handle
                                              : 0;
    const AdapterWish adapter{static_cast<UINT>(app.adapterIdx), captureMonitor};
    if (SUCCEEDED(app.renderer->initialize(app.controlWindow, adapter, quiet)) && makeProjectionTargets(quiet))
        return true;
    // A projection's swap chain says its own line; the device's is kept.
    deviceFailureText = app.renderer->setUpFailure().empty() ? "Falha ao criar a cadeia de troca de uma projecao"
                                                             : app.renderer->setUpFailure();
    dropDeviceObjects();
    return false;
}

const std::string& deviceFailure()
{
    return deviceFailureText;
}

void dropDeviceObjects()
{
    // Made on the device, each by its own owner: all of them go before the Renderer. Each new target is
    // drawn anew (makeProjectionTargets), so nothing the old device drew counts on a new one.
    if (app.renderer)
        for (ProjectionOutput& output : app.outputs)
            app.renderer->releaseProjectionTarget(output.target);
    app.capture.reset();
    // An alignment's light is on the device too; what it measured so far would not survive a new one.
    abandonCameraAlignment("O dispositivo grafico foi perdido durante o alinhamento");
    app.gridTexture.Reset();
    app.logoTexture.Reset();
    for (auto& texture : app.patternTextures)
        texture.Reset();
    app.renderer.reset();
}

void makeCaptureEngine()
{
    app.capture = std::make_unique<CaptureEngine>(duplicateRealOutput, sdrWhiteLevelOf);
    startCapture(app.captureMonitor);
}

void loadImages()
{
    loadCalibrationGrid();
    app.renderer->loadImageTexture(L"assets/logo.png", app.logoTexture);
}

bool deviceWasLost()
{
    return app.renderer && app.renderer->lostDevice() != S_OK;
}

void recoverLostDevice(DeviceRecovery& recovery)
{
    char message[128];
    std::snprintf(message, sizeof message, "Dispositivo Direct3D perdido (0x%08lX, motivo 0x%08lX); recriando",
                  static_cast<unsigned long>(app.renderer->lostDevice()),
                  static_cast<unsigned long>(app.renderer->removedReason()));
    Log("WARN", message);
    recovery.lostAt = GetTickCount64();
    dropDeviceObjects();
    makeEverythingOnTheDevice(recovery, false);
}

void retryDeviceWhenDue(DeviceRecovery& recovery)
{
    const ULONGLONG now = GetTickCount64();
    if (now < recovery.retryAt) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(recovery.retryAt - now), QS_ALLINPUT);
        return;
    }
    // Said once, when the device was lost: the retries fail quietly.
    makeEverythingOnTheDevice(recovery, true);
}
