// The steps of a pass that bring the captured picture in and draw it onto every shown projection.
#include "app/projection_pass.h"

#include <algorithm>

#include "app/app_state.h"
#include "app/camera_alignment.h"
#include "capture/capture_engine.h"
#include "render/overlay_matrices.h"
#include "render/renderer.h"
#include "warp/picture_warp.h"
#include "warp/solve_warp.h"

namespace {

void drawGridOrLogo(Renderer& renderer, const ProjectionOutput& output, const WarpMatrix& warp)
{
    // A null grid leaves the picture unchanged with blending on. The grid bends with the picture.
    renderer.drawWarpedTexture(app.gridTexture.Get(), warp, true);
    if (app.logoTexture && !app.gridTexture) {
        RECT client{};
        GetClientRect(output.window, &client);
        renderer.drawTexture(app.logoTexture.Get(), logoMatrix(warp, client.right - client.left, client.bottom - client.top),
                             true);
    }
}

// One handle per mesh point of the edited surface: the corners' as ever, a cross on every other point
// where it is shown.
void drawPointHandles(Renderer& renderer, const ProjectionOutput& output)
{
    const SurfaceValues& surface = output.editedSurface();
    const WarpMatrix warp = solveWarp(surface.corners);
    for (int32_t point = 0; point < surface.mesh.pointCount(); ++point) {
        const bool selected = point == output.editing.selectedPoint;
        const int32_t corner = cornerOfPoint(surface.mesh, point);
        if (corner != -1) {
            const CornerPoint& position = surface.corners[static_cast<std::size_t>(corner)];
            renderer.drawCornerHandle(position.x, position.y, corner, selected);
        } else if (const auto position = meshPointPosition(warp, surface.mesh, point)) {
            renderer.drawPointHandle(position->x, position->y, selected);
        }
    }
}

// The pointer where it is on the surface's part of the captured picture, bent as the mesh bends the
// picture there; nothing when it is outside that part.
void drawCapturedPointer(Renderer& renderer, const SurfaceValues& surface, const WarpMatrix& warp)
{
    const CapturedPointer& pointer = app.capture->pointer();
    if (!pointer.visible || !app.capture->frameTexture())
        return;
    D3D11_TEXTURE2D_DESC picture{};
    app.capture->frameTexture()->GetDesc(&picture);
    const SourceRect& source = surface.source;
    const float width = static_cast<float>(picture.Width) * (source.right - source.left);
    const float height = static_cast<float>(picture.Height) * (source.bottom - source.top);
    const float left = static_cast<float>(picture.Width) * source.left;
    const float top = static_cast<float>(picture.Height) * source.top;
    const float s0 = (static_cast<float>(pointer.area.left) - left) / width;
    const float s1 = (static_cast<float>(pointer.area.right) - left) / width;
    const float t0 = (static_cast<float>(pointer.area.top) - top) / height;
    const float t1 = (static_cast<float>(pointer.area.bottom) - top) / height;
    if (s1 < 0.0f || s0 > 1.0f || t1 < 0.0f || t0 > 1.0f)
        return;
    const MeshOffset bend = offsetAt(surface.mesh, {(s0 + s1) / 2, (t0 + t1) / 2});
    renderer.usePointerImage(pointer.image, pointer.shapeVersion);
    renderer.drawPointer(pointerMatrix(warp, s0 + bend.u, t0 + bend.v, s1 + bend.u, t1 + bend.v));
}

// The pattern's texture, made the first time it is shown; null when it cannot be made.
ID3D11ShaderResourceView* patternTexture(Renderer& renderer, TestPattern pattern)
{
    auto& slot = app.patternTextures[static_cast<std::size_t>(pattern)];
    if (slot)
        return slot.Get();
    if (pattern == TestPattern::Crosshatch)
        renderer.createPixelTexture(kPatternWidth, kPatternHeight, crosshatchPixels(kPatternWidth, kPatternHeight).data(),
                                    slot);
    else if (pattern == TestPattern::Ramp)
        renderer.createPixelTexture(kPatternWidth, kPatternHeight, rampPixels(kPatternWidth, kPatternHeight).data(), slot);
    else
        renderer.createSolidTexture(solidPatternColour(pattern), slot);
    return slot.Get();
}

// What the identification card names: the output's monitor and its size.
std::wstring identificationName(const ProjectionOutput& output)
{
    const auto monitor = static_cast<std::size_t>(output.values.outputMonitor);
    if (monitor >= app.monitors.size())
        return L"";
    const MonitorInfo& info = app.monitors[monitor];
    return info.name + L" - " + std::to_wstring(info.rect.width()) + L" x " + std::to_wstring(info.rect.height());
}

// What the output's window would show if it were drawn now. Fully blacked out it shows nothing else;
// a pattern in place of the picture leaves the captured picture and the pointer out.
ProjectionScene sceneOf(Renderer& renderer, const ProjectionOutput& output, int32_t number)
{
    ProjectionScene scene;
    RECT client{};
    GetClientRect(output.window, &client);
    scene.width = client.right - client.left;
    scene.height = client.bottom - client.top;
    if (cameraAlignmentRunning()) {
        const AlignmentLight light = alignmentLightOn(static_cast<std::size_t>(number - 1));
        scene.aligning = true;
        scene.light = light.texture;
        scene.lightVersion = light.version;
        return scene;
    }
    scene.blackoutLevel = app.blackoutLevel;
    if (app.blackoutLevel >= 1.0f)
        return scene;
    scene.pattern = output.pattern;
    scene.handlesShown = app.panelVisible;
    scene.selectedPoint = output.editing.selectedPoint;
    scene.editedSurface = output.editing.editedSurface;
    scene.chosenMask = output.editing.chosenMask;
    scene.selectedMaskPoint = output.editing.selectedMaskPoint;
    scene.output = output.values;
    if (output.pattern == TestPattern::Identification) {
        scene.outputNumber = number;
        return scene;
    }
    if (replacesPicture(output.pattern)) {
        scene.patternTexture = patternTexture(renderer, output.pattern);
    } else if (app.capture) {
        scene.picture = app.capture->frameView();
        scene.pictureVersion = app.capture->pictureVersion();
        const CapturedPointer& pointer = app.capture->pointer();
        scene.pointerShown = app.showCursor && pointer.visible;
        if (scene.pointerShown) {
            scene.pointerArea = pointer.area;
            scene.pointerShape = pointer.shapeVersion;
        }
    }
    if (app.showGrid || output.pattern == TestPattern::Grid) {
        scene.grid = app.gridTexture.Get();
        scene.logo = app.logoTexture.Get();
    }
    return scene;
}

// One surface: its part of the picture (or of the pattern in its place) with its edge blend and colour
// matching, the pointer and the grid (or the logo) over it, all through its warp.
void drawSurface(Renderer& renderer, const ProjectionOutput& output, const ProjectionScene& scene, std::size_t index)
{
    const SurfaceValues& surface = output.values.surfaces[index];
    const WarpMatrix warp = solveWarp(surface.corners);
    renderer.useMesh(surface.mesh, index);
    // The picture replaces what is under it: blending off, so its fourth byte plays no part.
    ID3D11ShaderResourceView* picture = replacesPicture(scene.pattern)
                                            ? app.patternTextures[static_cast<std::size_t>(scene.pattern)].Get()
                                            : (app.capture ? app.capture->frameView() : nullptr);
    if (picture) {
        const PictureLook look{surface.source, surface.blend, output.values.color};
        renderer.drawWarpedTexture(picture, warp, false, &look);
    }
    if (scene.pointerShown)
        drawCapturedPointer(renderer, surface, warp);
    if (scene.grid || scene.logo)
        drawGridOrLogo(renderer, output, warp);
}

// The surfaces in order, each over the ones before it, the masks darkening all of them (or the
// identification card over the whole window), the handles over everything, and the blackout's fade
// over it all.
void composeProjection(Renderer& renderer, ProjectionOutput& output, const ProjectionScene& scene)
{
    if (scene.aligning) {
        const auto index = static_cast<std::size_t>(&output - app.outputs.data());
        if (ID3D11ShaderResourceView* light = alignmentLightOn(index).texture)
            renderer.drawTexture(light, solveWarp(kDefaultCorners), false);
        return;
    }
    if (scene.blackoutLevel < 1.0f) {
        if (scene.pattern == TestPattern::Identification) {
            renderer.drawIdentification(output.target, scene.outputNumber, identificationName(output));
        } else {
            renderer.useMasks(output.values.masks);
            for (std::size_t index = 0; index < output.values.surfaces.size(); ++index)
                drawSurface(renderer, output, scene, index);
        }
        if (scene.handlesShown) {
            if (const MaskValues* mask = output.chosenMask())
                renderer.drawMaskOutline(*mask, output.editing.selectedMaskPoint);
            drawPointHandles(renderer, output);
        }
    }
    renderer.drawBlackout(scene.blackoutLevel);
}

// Whether any shown output shows the captured picture now: frozen, blacked out or with patterns in its
// place everywhere, nothing is captured.
bool pictureWanted()
{
    if (app.frozen || app.blackoutLevel >= 1.0f || cameraAlignmentRunning())
        return false;
    return std::any_of(app.outputs.begin(), app.outputs.end(), [](const ProjectionOutput& output) {
        return output.shown && !replacesPicture(output.pattern) && output.pattern != TestPattern::Identification;
    });
}

} // namespace

// Without a projector nothing would draw the picture, so nothing is captured (a GDI copy of the whole
// screen per pass, for nobody); the first pass with a projector captures again. Nor while the picture is
// frozen or hidden by the blackout or by patterns. One capture feeds
// every output.
bool acquireCapturedFrame()
{
    if (!app.capture || !anyOutputShown() || !pictureWanted())
        return false;
    app.capture->trackPointer(app.showCursor);
    app.capture->acquireFrame();
    return true;
}

void releaseCapturedFrame(bool acquired)
{
    if (acquired && app.capture)
        app.capture->releaseFrame();
}

// Every shown output whose scene changed drawn, then all presented together; only the first shown output's
// present waits for its vertical blank, so a pass waits once however many projectors there are, and always
// for the same projector. An output whose scene is the one its window shows is left alone: the projector
// keeps the last picture. False when the first shown output was not presented: nothing paced the pass.
bool projectOutputs(Renderer& renderer)
{
    std::vector<ProjectionOutput*> drawn;
    ProjectionOutput* pacing = nullptr;
    for (std::size_t at = 0; at < app.outputs.size(); ++at) {
        ProjectionOutput& output = app.outputs[at];
        if (!output.shown)
            continue;
        if (!pacing)
            pacing = &output;
        ProjectionScene scene = sceneOf(renderer, output, static_cast<int32_t>(at) + 1);
        if ((output.shownScene == scene && output.settlingDraws == 0) || !renderer.beginProjectionFrame(output.target))
            continue;
        composeProjection(renderer, output, scene);
        output.shownScene = std::move(scene);
        output.settlingDraws = std::max(output.settlingDraws - 1, 0);
        drawn.push_back(&output);
    }
    // The others first, so that none of them waits behind the pacing output's vertical blank.
    bool paced = false;
    for (ProjectionOutput* output : drawn) {
        if (output == pacing)
            paced = true;
        else
            renderer.presentProjection(output->target, false);
    }
    if (paced)
        renderer.presentProjection(pacing->target, true);
    return paced;
}
