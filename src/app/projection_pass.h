// The steps of a pass that capture and project, as the main loop runs them (and the pass benchmark
// times them).
#pragma once

class Renderer;

// The newest captured picture brought in, when an output is shown; whether one was asked for.
bool acquireCapturedFrame();
// Every shown output whose scene changed drawn, then all presented together; false when nothing was
// presented.
bool projectOutputs(Renderer& renderer);
// The desktop frame taken by acquireCapturedFrame given back.
void releaseCapturedFrame(bool acquired);
