// The state of one alignment from the camera, from the button to its result.
#pragma once

class CameraAlignmentRun {
public:
    virtual ~CameraAlignmentRun() = default;
};
