// The single instance of AppState, with its static start values.
#include "app/app_state.h"

AppState app;
