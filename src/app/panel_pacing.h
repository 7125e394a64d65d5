// When the panel is drawn: for a few frames after anything that can change what it shows (input, a
// message, a value it shows), and a few times a second while a text field blinks its cursor; never at
// full rate while nobody touches it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "render/test_patterns.h"
#include "settings/preset_files.h"
#include "settings/settings_text.h"

// The values the panel shows, to notice a change made elsewhere (a drag on a projection, a display change).
struct PanelView {
    struct Output {
        OutputValues values;
        int32_t selectedPoint = 0;
        TestPattern pattern = TestPattern::None;
        bool projectorMissing = false;
        bool onCapturedMonitor = false;
        bool operator==(const Output&) const = default;
    };
    // The monitor lists' entries, as the panel shows them.
    std::string monitorItems;
    int32_t captureMonitor = 0;
    int32_t editedOutput = 0;
    bool startWithWindows = false;
    bool showCursor = false;
    bool showGrid = false;
    bool saveFailed = false;
    bool canUndo = false;
    bool canRedo = false;
    bool blackout = false;
    bool frozen = false;
    RemoteSettings remote;
    // The camera's settings, the number of its frame (a new frame redraws the picture), and the alignment.
    CameraSettings camera;
    uint64_t cameraFrame = 0;
    bool aligning = false;
    std::string alignmentMessage;
    std::vector<Output> outputs;
    std::vector<PresetEntry> presets;
    bool operator==(const PanelView&) const = default;
};

// What AppState shows in the panel now.
PanelView currentPanelView();

class PanelPacing {
public:
    // Frames for the panel library to follow input, open a list, move a hover.
    static constexpr int32_t kFramesAfterChange = 10;
    // A text field's cursor is shown for 0.8 s and hidden for 0.4 s: a frame every 0.2 s follows it.
    static constexpr ULONGLONG kBlinkFrameMs = 200;

    void somethingChanged() { framesDue_ = kFramesAfterChange; }
    // Whether the panel is drawn in this pass.
    bool due(ULONGLONG now) const { return framesDue_ > 0 || (blinking_ && now >= blinkAt_); }
    // After a frame: whether a text field is active, so its cursor must keep blinking.
    void drawn(bool textFieldActive, ULONGLONG now);
    // How long a loop with nothing else to do may sleep before the panel is due (INFINITE: not at all).
    DWORD msUntilDue(ULONGLONG now) const;

private:
    int32_t framesDue_ = kFramesAfterChange;
    bool blinking_ = false;
    ULONGLONG blinkAt_ = 0;
};
