// AppState: the one process-wide record that every subsystem reads and writes, on the one thread.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "display/monitor_info.h"
#include "warp/corner_point.h"
#include "warp/mesh.h"

class Renderer;
class CaptureEngine;

struct AppState {
    bool running = true;
    bool panelVisible = false;
    bool showGrid = false;
    bool startWithWindows = false;
    // The mouse pointer drawn over the captured picture (neither capture puts it there). Saved.
    bool showCursor = false;
    CornerSet corners = kDefaultCorners;
    // The mesh over the picture (2 x 2: the keystone alone). Points are numbered row by row from the top
    // left; for the 2 x 2 mesh they are the corners TL, TR, BL, BR.
    Mesh mesh;
    int32_t draggedPoint = -1;
    int32_t selectedPoint = 0;
    // Whether an arrow key moved a point in the previous pass that reached the keys.
    bool arrowKeysHeld = false;
    // Whether Tab was down in the previous pass that reached the keys.
    bool tabHeld = false;
    int32_t captureMonitor = 0;
    int32_t outputMonitor = 1;
    int32_t adapterIdx = 0;
    bool hasProjector = false;
    std::vector<MonitorInfo> monitors;
    HWND controlWindow = nullptr;
    HWND projectionWindow = nullptr;
    std::unique_ptr<Renderer> renderer;
    std::unique_ptr<CaptureEngine> capture;
    NOTIFYICONDATAW trayIcon{};
    // The icon made from the picture, destroyed with the tray icon; null when the stock icon stands in.
    HICON trayIconImage = nullptr;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> gridTexture;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> logoTexture;
    int32_t topmostCounter = 0;
    // When the device was last lost, and while no new one could be made, when to try again
    // (GetTickCount64).
    ULONGLONG deviceLostAt = 0;
    ULONGLONG deviceRetryAt = 0;

    AppState();
    ~AppState();
    AppState(AppState&&) noexcept;
    AppState& operator=(AppState&&) noexcept;
};

extern AppState app;
