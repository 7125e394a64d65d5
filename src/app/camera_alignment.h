// Aligning every shown output from the camera: structured light through each output in turn, decoded from
// the camera's frames, fitted to the target marked on the camera's picture; one undo step, saved at once.
#pragma once

#include <d3d11.h>

#include <cstdint>

// Starts an alignment ("ALINHAR COM A CAMERA", /ostrel/camera/align); nothing while one runs. When it
// cannot start, the message says why and nothing changes.
void chooseCameraAlignment();
bool cameraAlignmentRunning();
// The running alignment ended with nothing changed, its light gone, and the reason shown and logged.
void abandonCameraAlignment(const char* reason);
// A step of every pass while one runs, after the camera's frame is taken and before the outputs are drawn:
// shows the next light once the camera has seen the last one, and ends with the result or a message.
void advanceCameraAlignment();

// What an output shows while an alignment runs: the light on the output being lit, nothing (black) on
// the others; the version tells one light from the next.
struct AlignmentLight {
    ID3D11ShaderResourceView* texture = nullptr;
    uint64_t version = 0;
};
AlignmentLight alignmentLightOn(std::size_t output);
