// The single instance of AppState, with its static start values.
#include "app/app_state.h"

#include "capture/capture_engine.h"
#include "render/renderer.h"

AppState app;

// Out of line, where Renderer is a complete type.
AppState::AppState() = default;
AppState::~AppState() = default;
AppState::AppState(AppState&&) noexcept = default;
AppState& AppState::operator=(AppState&&) noexcept = default;
