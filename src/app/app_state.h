// AppState: the one process-wide record that every subsystem reads and writes, on the one thread.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <d3d11.h>
#include <wrl/client.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "app/projection_output.h"
#include "camera/camera.h"
#include "display/monitor_info.h"
#include "settings/edit_history.h"
#include "settings/preset_files.h"

class Renderer;
class CaptureEngine;
class CameraAlignmentRun;

struct AppState {
    bool running = true;
    bool panelVisible = false;
    bool showGrid = false;
    bool startWithWindows = false;
    // The mouse pointer drawn over the captured picture (neither capture puts it there). Saved.
    bool showCursor = false;
    // One to kMostOutputs projectors, each with its own window, never none. All of them show the one
    // captured picture.
    std::vector<ProjectionOutput> outputs = std::vector<ProjectionOutput>(1);
    // The output the panel's mapping tab edits.
    int32_t editedOutput = 0;
    int32_t captureMonitor = 0;
    // What Windows called the captured monitor when it was chosen; unknown where it gave no name.
    MonitorId captureMonitorId;
    int32_t adapterIdx = 0;
    std::vector<MonitorInfo> monitors;
    HWND controlWindow = nullptr;
    std::unique_ptr<Renderer> renderer;
    std::unique_ptr<CaptureEngine> capture;
    NOTIFYICONDATAW trayIcon{};
    // The icon made from the picture, destroyed with the tray icon; null when the stock icon stands in.
    HICON trayIconImage = nullptr;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> gridTexture;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> logoTexture;
    // The test patterns' textures, each made the first time an output shows it.
    std::array<Microsoft::WRL::ComPtr<ID3D11ShaderResourceView>, kPatternCount> patternTextures;
    // The last save of config.json failed: the values live on in memory, the panel says so, and the next
    // change tries again.
    bool saveFailed = false;
    // Every change of the calibration since the start, to undo and redo.
    EditHistory history;
    // The key of the changes being made now (a run of nudges, one panel item held or typed in); none when
    // each change is a step of its own.
    std::optional<StepKey> stepKey;
    // The saved setups, as presets/ held them when the panel last looked.
    std::vector<PresetEntry> presets;
    // Show control, not saved: every output black (faded in and out), every output's picture kept as it is.
    bool blackout = false;
    bool frozen = false;
    // How far the fade to black has come (0: the picture, 1: black), and when it last moved on.
    float blackoutLevel = 0.0f;
    ULONGLONG blackoutLevelAt = 0;
    // Remote control over OSC, as config.json keeps it.
    RemoteSettings remote;
    // The camera that aligns the outputs, as config.json keeps it; open only while the panel shows its tab
    // or an alignment runs, with the newest frame taken from it.
    CameraSettings cameraSettings;
    std::unique_ptr<Camera> camera;
    CameraFrame cameraFrame;
    // The panel drew the camera's tab in its last frame.
    bool cameraTabShown = false;
    // The alignment running, if one is, and what the last one ended with, as the panel shows it.
    std::unique_ptr<CameraAlignmentRun> alignment;
    std::string alignmentMessage;

    AppState();
    ~AppState();
    AppState(AppState&&) noexcept;
    AppState& operator=(AppState&&) noexcept;
};

extern AppState app;

// Whether any output's monitor exists: only then is there a picture to capture and draw.
bool anyOutputShown();
// The output the panel edits (the first when the index is stale).
ProjectionOutput& editedOutput();
// Every output's values, as a step of the history keeps them.
Calibration currentCalibration();
