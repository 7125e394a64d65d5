// The single instance of AppState, with its static start values.
#include "app/app_state.h"

#include "app/camera_alignment_run.h"
#include "capture/capture_engine.h"
#include "render/renderer.h"

AppState app;

// Out of line, where Renderer is a complete type.
AppState::AppState() = default;
AppState::~AppState() = default;
AppState::AppState(AppState&&) noexcept = default;
AppState& AppState::operator=(AppState&&) noexcept = default;

bool anyOutputShown()
{
    for (const ProjectionOutput& output : app.outputs)
        if (output.shown)
            return true;
    return false;
}

ProjectionOutput& editedOutput()
{
    if (app.editedOutput < 0 || static_cast<std::size_t>(app.editedOutput) >= app.outputs.size())
        app.editedOutput = 0;
    return app.outputs[static_cast<std::size_t>(app.editedOutput)];
}

Calibration currentCalibration()
{
    Calibration calibration;
    for (const ProjectionOutput& output : app.outputs)
        calibration.push_back(output.values);
    return calibration;
}
