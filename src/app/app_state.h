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

class Renderer;
class CaptureEngine;

struct AppState {
    bool running = true;
    bool panelVisible = false;
    bool showGrid = false;
    bool startWithWindows = false;
    CornerSet corners = kDefaultCorners;
    int32_t draggedCorner = -1;
    int32_t selectedCorner = 0;
    // Whether an arrow key moved a corner in the previous pass that reached the keys.
    bool arrowKeysHeld = false;
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

    AppState();
    ~AppState();
    AppState(AppState&&) noexcept;
    AppState& operator=(AppState&&) noexcept;
};

extern AppState app;
