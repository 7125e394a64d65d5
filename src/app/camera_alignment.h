// Aligning every shown output from the camera: structured light through each output in turn, decoded from
// the camera's frames, fitted to the target marked on the camera's picture; one undo step, saved at once.
#pragma once

// Starts an alignment ("ALINHAR COM A CAMERA", /ostrel/camera/align); nothing while one runs.
void chooseCameraAlignment();
bool cameraAlignmentRunning();
// A step of every pass while one runs: shows the next light once the camera has seen the last one, and
// ends with the result or a message.
void advanceCameraAlignment();
