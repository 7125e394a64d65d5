// The steps of a pass that bring the captured picture in and draw it onto every shown projection.
#include "app/projection_pass.h"

#include <algorithm>

#include "app/app_state.h"
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

// What the output's window would show if it were drawn now.
ProjectionScene sceneOf(const ProjectionOutput& output)
{
    ProjectionScene scene;
    scene.output = output.values;
    if (app.capture) {
        scene.picture = app.capture->frameView();
        scene.pictureVersion = app.capture->pictureVersion();
        const CapturedPointer& pointer = app.capture->pointer();
        scene.pointerShown = app.showCursor && pointer.visible;
        if (scene.pointerShown) {
            scene.pointerArea = pointer.area;
            scene.pointerShape = pointer.shapeVersion;
        }
    }
    if (app.showGrid) {
        scene.grid = app.gridTexture.Get();
        scene.logo = app.logoTexture.Get();
    }
    scene.handlesShown = app.panelVisible;
    scene.selectedPoint = output.editing.selectedPoint;
    scene.editedSurface = output.editing.editedSurface;
    scene.chosenMask = output.editing.chosenMask;
    scene.selectedMaskPoint = output.editing.selectedMaskPoint;
    RECT client{};
    GetClientRect(output.window, &client);
    scene.width = client.right - client.left;
    scene.height = client.bottom - client.top;
    return scene;
}

// One surface: its part of the picture with its edge blend, the pointer and the grid (or the logo)
// over it, all through its warp.
void drawSurface(Renderer& renderer, const ProjectionOutput& output, std::size_t index)
{
    const SurfaceValues& surface = output.values.surfaces[index];
    const WarpMatrix warp = solveWarp(surface.corners);
    renderer.useMesh(surface.mesh, index);
    // The captured picture replaces what is under it: blending off, so its fourth byte plays no part.
    if (app.capture && app.capture->frameView()) {
        const PictureLook look{surface.source, surface.blend};
        renderer.drawWarpedTexture(app.capture->frameView(), warp, false, &look);
    }
    if (app.showCursor && app.capture)
        drawCapturedPointer(renderer, surface, warp);
    if (app.showGrid)
        drawGridOrLogo(renderer, output, warp);
}

// The surfaces in order, each over the ones before it, the masks darkening all of them, and the
// handles last, over everything.
void composeProjection(Renderer& renderer, const ProjectionOutput& output)
{
    renderer.useMasks(output.values.masks);
    for (std::size_t index = 0; index < output.values.surfaces.size(); ++index)
        drawSurface(renderer, output, index);
    if (app.panelVisible) {
        if (const MaskValues* mask = output.chosenMask())
            renderer.drawMaskOutline(*mask, output.editing.selectedMaskPoint);
        drawPointHandles(renderer, output);
    }
}

} // namespace

// Without a projector nothing would draw the picture, so nothing is captured (a GDI copy of the whole
// screen per pass, for nobody); the first pass with a projector captures again. One capture feeds
// every output.
bool acquireCapturedFrame()
{
    if (!app.capture || !anyOutputShown())
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

// Every shown output whose scene changed drawn, then all presented together; only the last present
// waits for the vertical blank, so a pass waits once however many projectors there are. An output whose
// scene is the one its window shows is left alone: the projector keeps the last picture. False when
// nothing was presented.
bool projectOutputs(Renderer& renderer)
{
    std::vector<ProjectionOutput*> drawn;
    for (ProjectionOutput& output : app.outputs) {
        if (!output.shown)
            continue;
        ProjectionScene scene = sceneOf(output);
        if ((output.shownScene == scene && output.settlingDraws == 0) || !renderer.beginProjectionFrame(output.target))
            continue;
        composeProjection(renderer, output);
        output.shownScene = std::move(scene);
        output.settlingDraws = std::max(output.settlingDraws - 1, 0);
        drawn.push_back(&output);
    }
    for (std::size_t at = 0; at < drawn.size(); ++at)
        renderer.presentProjection(drawn[at]->target, at + 1 == drawn.size());
    return !drawn.empty();
}
