// The alignment run, one step per pass: each output lit in turn while the others stay black, each light
// held until the camera has surely seen it, then everything fitted at once.
#include "app/camera_alignment.h"

#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "app/calibration_steps.h"
#include "app/camera_alignment_run.h"
#include "app/camera_session.h"
#include "app/operator_actions.h"
#include "platform/debug_log.h"
#include "render/renderer.h"

namespace {

// Grey levels a camera pixel must gain from black to white to be used.
constexpr int32_t kLeastContrast = 20;
// Fewer lit camera pixels than this (or a two-thousandth of the picture) is too little light.
constexpr int64_t kFewestLitPixels = 200;
constexpr ULONGLONG kLongestWaitForALight = 3000; // ms
// A white that never gets brighter than the black is given up on sooner: no light reaches the camera.
constexpr ULONGLONG kLongestWaitForWhite = 1500;
constexpr uint64_t kFewestFramesOfBlack = 3;
// Two frames whose mean grey differs by less than this show the same light.
constexpr double kSteadyMean = 0.5;

// Ends the run with nothing changed.
void fail(const char* reason)
{
    app.alignmentMessage = std::string(reason) + ": nada foi alterado";
    char line[256];
    std::snprintf(line, sizeof line, "Alinhamento com a camera falhou: %s", reason);
    Log("WARN", line);
    app.alignment.reset();
}

ProjectionOutput& litOutput(const CameraAlignmentRun& run)
{
    return app.outputs[run.outputs[run.lit]];
}

void beginOutput(CameraAlignmentRun& run)
{
    RECT client{};
    GetClientRect(litOutput(run).window, &client);
    run.plan = planLight(client.right - client.left, client.bottom - client.top, 1);
    run.frame = 0;
    run.step = CameraAlignmentRun::LightStep::ToMake;
    run.columns.reset();
    run.rows.reset();
}

double meanOf(const std::vector<uint8_t>& grey)
{
    return grey.empty() ? 0.0 : std::accumulate(grey.begin(), grey.end(), 0.0) / static_cast<double>(grey.size());
}

// Whether the camera's newest frame surely shows the light: a black must hold still; the first white must
// hold still and be brighter than the black, which measures how many frames the camera lags; any other
// light waits that many frames.
bool lightIsOnTheCamera(CameraAlignmentRun& run, ULONGLONG now)
{
    const uint64_t after = app.cameraFrame.number - run.framesBefore;
    if (after == 0)
        return false;
    const LightKind kind = run.plan.frames[run.frame].kind;
    if (run.settlingFrames && kind != LightKind::Black)
        return after >= *run.settlingFrames;
    if (app.cameraFrame.number != run.meanOfFrame) {
        run.frameMeans.push_back(meanOf(greyOf(app.cameraFrame.pixels)));
        run.meanOfFrame = app.cameraFrame.number;
    }
    const std::size_t count = run.frameMeans.size();
    const bool steady = count >= 2 && std::abs(run.frameMeans[count - 1] - run.frameMeans[count - 2]) < kSteadyMean;
    if (kind == LightKind::Black)
        return (steady && after >= kFewestFramesOfBlack) || (run.settlingFrames && after >= *run.settlingFrames);
    const bool brighter = count >= 2 && run.frameMeans[count - 2] > meanOf(run.black) + 1.0;
    if ((steady && brighter) || now - run.lightShownAt > kLongestWaitForWhite) {
        run.settlingFrames = after;
        return true;
    }
    return false;
}

void concludeAlignment(CameraAlignmentRun& run);

// The newest frame taken for the light shown; false when the run ended.
bool takeLight(CameraAlignmentRun& run)
{
    std::vector<uint8_t> grey = greyOf(app.cameraFrame.pixels);
    if (run.cameraWidth == 0) {
        run.cameraWidth = app.cameraFrame.width;
        run.cameraHeight = app.cameraFrame.height;
    } else if (run.cameraWidth != app.cameraFrame.width || run.cameraHeight != app.cameraFrame.height) {
        fail("A camera mudou de formato durante o alinhamento");
        return false;
    }
    const LightFrame& frame = run.plan.frames[run.frame];
    switch (frame.kind) {
    case LightKind::Black:
        run.black = std::move(grey);
        break;
    case LightKind::White: {
        run.white = std::move(grey);
        const int64_t lit = litPixelCount(run.black, run.white, kLeastContrast);
        if (lit < std::max<int64_t>(kFewestLitPixels, static_cast<int64_t>(run.white.size() / 2000))) {
            fail("Pouca diferenca entre claro e escuro na camera");
            return false;
        }
        run.plan = planLight(run.plan.width, run.plan.height, cellSideFor(run.plan.width, run.plan.height, lit));
        run.columns.emplace(run.white.size(), run.plan.columnBits, kLeastContrast);
        run.rows.emplace(run.white.size(), run.plan.rowBits, kLeastContrast);
        run.columns->takeBlackAndWhite(run.black, run.white);
        run.rows->takeBlackAndWhite(run.black, run.white);
        break;
    }
    case LightKind::Grey:
        if (const double exponent = responseExponent(run.black, run.white, grey, kLeastContrast); exponent > 0.0) {
            run.responseSum += exponent;
            ++run.responses;
        }
        break;
    case LightKind::Columns:
    case LightKind::Rows:
        if (!frame.inverse)
            run.stripes = std::move(grey);
        else
            (frame.kind == LightKind::Columns ? *run.columns : *run.rows).takeStripes(frame.bit, run.stripes, grey);
        break;
    }
    if (++run.frame < run.plan.frames.size()) {
        run.step = CameraAlignmentRun::LightStep::ToMake;
        return true;
    }
    run.seen.push_back({run.plan.width, run.plan.height, run.plan.block,
                        cellCorrespondences(run.plan, run.columns->positions(), run.rows->positions(), run.cameraWidth)});
    if (++run.lit < run.outputs.size()) {
        beginOutput(run);
        return true;
    }
    concludeAlignment(run);
    return false;
}

// The target the panel shows: the marked one, else the middle half of the camera's picture.
CameraQuad targetOf(const CameraAlignmentRun& run)
{
    const auto shown = cameraTargetInUse();
    if (!shown)
        return middleHalfOf(run.cameraWidth, run.cameraHeight);
    CameraQuad target;
    for (std::size_t at = 0; at < target.size(); ++at)
        target[at] = {(*shown)[at].x, (*shown)[at].y};
    return target;
}

// Every output's first surface replaced by what the fit gave: one undo step, saved, and the figures logged.
void concludeAlignment(CameraAlignmentRun& run)
{
    std::vector<SurfaceValues> current;
    for (std::size_t output : run.outputs)
        current.push_back(app.outputs[output].values.surfaces.front());
    const AlignmentResult result = alignOutputsToTarget(run.seen, targetOf(run), current,
                                                        run.responses ? run.responseSum / run.responses : 0.0);
    if (result.failure == AlignmentFailure::TooFewPoints) {
        fail("A camera nao viu a luz dos projetores");
        return;
    }
    if (result.failure == AlignmentFailure::TargetOutOfReach) {
        fail("O alvo esta fora do alcance dos projetores");
        return;
    }
    Calibration calibration = currentCalibration();
    int32_t aligned = 0, points = 0;
    double squares = 0.0;
    for (std::size_t at = 0; at < result.outputs.size(); ++at) {
        const AlignedOutput& output = result.outputs[at];
        if (!output.aligned)
            continue;
        calibration[run.outputs[at]].surfaces.front() = output.surface;
        ++aligned;
        points += output.pointsUsed;
        squares += output.remainingError * output.remainingError * output.pointsUsed;
    }
    replaceCalibration(calibration);
    app.stepKey.reset();
    recordStep();
    saveSettings();
    const double error = points > 0 ? std::sqrt(squares / points) : 0.0;
    const double seconds = static_cast<double>(GetTickCount64() - run.startedAt) / 1000.0;
    char line[256];
    std::snprintf(line, sizeof line, "Alinhamento com a camera: %d saidas alinhadas, %d pontos, erro restante %.2f px, %.1f s",
                  aligned, points, error, seconds);
    Log("LOG", line);
    std::snprintf(line, sizeof line, "Alinhado: %d saidas, %d pontos, erro %.2f px, %.1f s", aligned, points, error, seconds);
    app.alignmentMessage = line;
    app.alignment.reset();
}

bool outputsStillThere(const CameraAlignmentRun& run)
{
    for (std::size_t output : run.outputs)
        if (output >= app.outputs.size() || !app.outputs[output].shown)
            return false;
    return true;
}

} // namespace

void chooseCameraAlignment()
{
    if (app.alignment)
        return;
    auto run = std::make_unique<CameraAlignmentRun>();
    for (std::size_t at = 0; at < app.outputs.size(); ++at)
        if (app.outputs[at].shown)
            run->outputs.push_back(at);
    if (run->outputs.empty()) {
        fail("Nenhuma saida para alinhar");
        return;
    }
    if (listCameras().empty()) {
        fail("Nenhuma camera para alinhar");
        return;
    }
    run->startedAt = GetTickCount64();
    app.alignment = std::move(run);
    app.alignmentMessage.clear();
    beginOutput(*app.alignment);
}

void abandonCameraAlignment(const char* reason)
{
    if (app.alignment)
        fail(reason);
}

bool cameraAlignmentRunning()
{
    return app.alignment != nullptr;
}

void advanceCameraAlignment()
{
    if (!app.alignment)
        return;
    CameraAlignmentRun& run = *app.alignment;
    if (!app.camera) {
        fail("A camera nao abriu");
        return;
    }
    if (!outputsStillThere(run)) {
        fail("As saidas mudaram durante o alinhamento");
        return;
    }
    const ULONGLONG now = GetTickCount64();
    using LightStep = CameraAlignmentRun::LightStep;
    if (run.step == LightStep::ToMake) {
        const std::vector<uint32_t> pixels = lightPixels(run.plan, run.plan.frames[run.frame]);
        run.light.Reset();
        if (FAILED(app.renderer->createPixelTexture(static_cast<UINT>(run.plan.width), static_cast<UINT>(run.plan.height),
                                                    pixels.data(), run.light))) {
            fail("A luz do alinhamento nao pode ser feita");
            return;
        }
        ++run.lightVersion;
        run.step = LightStep::Drawn;
        return;
    }
    if (run.step == LightStep::Drawn) {
        run.step = LightStep::Shown;
        run.framesBefore = app.cameraFrame.number;
        run.lightShownAt = now;
        run.frameMeans.clear();
        return;
    }
    if (now - run.lightShownAt > kLongestWaitForALight) {
        fail("A camera nao enviou imagens");
        return;
    }
    if (app.cameraFrame.pixels.empty() || !lightIsOnTheCamera(run, now))
        return;
    takeLight(run);
}

AlignmentLight alignmentLightOn(std::size_t output)
{
    if (!app.alignment || app.alignment->lit >= app.alignment->outputs.size() ||
        app.alignment->outputs[app.alignment->lit] != output)
        return {};
    return {app.alignment->light.Get(), app.alignment->lightVersion};
}
