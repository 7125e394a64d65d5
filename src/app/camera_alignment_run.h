// The state of one alignment from the camera, from the button to its result: the output being lit, the
// light it shows, and what the camera's frames of it have given so far.
#pragma once

#include <windows.h>
#include <d3d11.h>
#include <wrl/client.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "align/camera_fit.h"
#include "align/gray_code.h"
#include "align/structured_light.h"

class CameraAlignmentRun {
public:
    ULONGLONG startedAt = 0;
    // The outputs lit in turn (indices into AppState outputs) and the one lit now.
    std::vector<std::size_t> outputs;
    std::size_t lit = 0;
    // Its light: the plan (black and white alone until the cell side is known) and the frame shown now.
    LightPlan plan;
    std::size_t frame = 0;
    Microsoft::WRL::ComPtr<ID3D11ShaderResourceView> light;
    uint64_t lightVersion = 0;
    // A light is made in one pass and drawn in it; the camera frames that may show it are counted from
    // the pass after.
    enum class LightStep { ToMake, Drawn, Shown } step = LightStep::ToMake;
    ULONGLONG lightShownAt = 0;
    uint64_t framesBefore = 0;
    // The camera frames after which a light is surely on the camera's picture, measured on the first
    // white; and the means of the frames while it is measured.
    std::optional<uint64_t> settlingFrames;
    std::vector<double> frameMeans;
    uint64_t meanOfFrame = 0;
    // This output's frames so far.
    std::vector<uint8_t> black, white, grey, stripes;
    std::optional<GrayDecoder> columns, rows;
    double responseSum = 0.0;
    int32_t responses = 0;
    // What the camera saw of every output lit so far, and the size of its frames.
    std::vector<OutputLight> seen;
    int32_t cameraWidth = 0;
    int32_t cameraHeight = 0;
};
