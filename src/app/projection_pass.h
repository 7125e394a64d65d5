// The steps of a pass that capture and project, as the main loop runs them (and the pass benchmark
// times them).
#pragma once

class Renderer;

// The newest captured picture brought in, when an output is shown; whether one was asked for.
bool acquireCapturedFrame();
// Every shown output whose scene changed drawn, then all presented together, the first shown output last
// and waiting for its vertical blank; false when that output was not presented, so nothing paced the pass.
bool projectOutputs(Renderer& renderer);
// The desktop frame taken by acquireCapturedFrame given back.
void releaseCapturedFrame(bool acquired);
