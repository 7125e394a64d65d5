// The alignment run, one step per pass.
#include "app/camera_alignment.h"

#include "app/app_state.h"
#include "app/camera_alignment_run.h"

void chooseCameraAlignment() {}

bool cameraAlignmentRunning()
{
    return app.alignment != nullptr;
}

void advanceCameraAlignment() {}
