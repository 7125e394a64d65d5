// One program per user session: two would put two top-most projections on the projector and overwrite
// each other's config.json.
#pragma once

// True when another instance already runs: it has been asked to open its panel in front, and this
// one must end (with exit code 0) without touching anything.
bool handedOverToRunningInstance();
