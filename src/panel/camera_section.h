// The panel's "Camera" tab: the device, its live picture with the target the outputs must fill marked over
// it (dragged or typed, in camera pixels), and the alignment from the camera.
#pragma once

void drawCameraTab();
