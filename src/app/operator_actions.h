// What the operator can do, each in one place: the tray, the windows, the panel, the projections and
// start-up call these. Each change of a persisted value is one call that changes it and saves.
#pragma once

#include <cstdint>
#include <optional>

#include "settings/edit_history.h"
#include "warp/color_match.h"
#include "warp/corner_point.h"
#include "warp/edge_blend.h"
#include "warp/mask.h"
#include "warp/source_rect.h"

// Whether opening the panel also brings it to the front. The tray menu does not: it already did so
// before the menu was shown.
enum class PanelFocus { Keep, BringToFront };

// Shows the panel and the grid; corner editing runs from the next pass.
void openPanel(PanelFocus focus);
// Hides the panel and the grid; the program lives on in the notification area.
void closePanel();
// "CONCLUIR": the panel closed and the values saved.
void concludeEditing();
// The calibration grid over every projection, or not (not saved: it shows while the panel is open).
void chooseShowGrid(bool show);

// Rebuilds the monitor list and which outputs' monitors are among it.
void refreshMonitors();
// Each projection window over its output's monitor and shown, or hidden when there is no such monitor.
void showProjections();
// A monitor was added, removed or changed.
void followDisplayChange();

// Capture from the monitor at `index` of the list (an index without a monitor captures the primary).
void startCapture(int32_t index);
// The operator's choices in the panel; each is saved at once.
void chooseCaptureMonitor(int32_t index);
void chooseOutputMonitor(int32_t output, int32_t index);
// The monitor a new output would take: the first that neither captures nor shows an output, else the
// first that shows no output; nothing when every output slot is taken or every monitor shows one.
std::optional<int32_t> monitorForNewOutput();
// A new output with its own window on monitorForNewOutput(), edited from then on.
void addOutput();
// Output `output` (never the first) and its window gone; the ones after it move up.
void removeOutput(int32_t output);
// Every output's values replaced by the calibration's (an undo, a redo, a recalled setup): windows made or
// closed at the end of the list, each shown on its monitor, the selections kept within what each holds.
// Not saved: the caller saves.
void replaceCalibration(const Calibration& calibration);
// Another output for the mapping tab to edit.
void chooseEditedOutput(int32_t output);
// Another surface of the edited output for the mapping tab and the handles to edit.
void chooseEditedSurface(int32_t surface);
// A new surface over the middle quarter of the edited output's projection, showing the whole picture, drawn
// over the others and edited from then on; nothing once the output has kMostSurfaces.
void addSurface();
// The edited surface gone, never the last one; the one before it edited then.
void removeSurface();
// The edited surface one step later (`step` 1: drawn over the next) or earlier (-1) in the drawing order.
void moveSurface(int32_t step);
// A new mask over the middle ninth of the edited output's projection, chosen from then on; nothing once
// the output has kMostMasks.
void addMask();
// The chosen mask gone; the one before it chosen then, if any.
void removeMask();
// Another mask of the edited output to show and edit.
void chooseMask(int32_t mask);
// The chosen mask's feather (pixels, 0 to kMostFeather; others refused) and whether it is inverted.
void chooseMaskFeather(float feather);
void chooseMaskInvert(bool invert);
// The edited surface's part of the picture and edge blend; values out of range are refused.
void chooseSource(const SourceRect& source);
void chooseBlend(const EdgeBlend& blend);
void chooseStartWithWindows(bool enable);
void chooseShowCursor(bool show);
// Registers (or unregisters) the executable's current path in the Run key as startWithWindows says, so a
// moved program is found at its new place; a failure is logged ("WARN").
void registerStartWithWindows();
// A typed corner of the edited surface (0 to 3: TL, TR, BL, BR); a value that is not finite is refused.
void chooseCorner(int32_t corner, CornerPoint position);
// A corner of the first surface of output `output` (an undoable step of its own, saved), as the control desk
// sets it; refused like a typed one, and for an output that does not exist.
void chooseOutputCorner(int32_t output, int32_t corner, CornerPoint position);
// The edited output's colour matching; values out of range are refused.
void chooseColor(const ColorMatch& color);
// The edited surface's point at that corner selected, for the keys and the selected point's fields.
void selectCorner(int32_t corner);
// The edited surface's full-screen corners and a mesh that bends nothing; the mesh keeps its size.
void resetCorners();
// Another mesh size for the edited surface that keeps the shape; the selection stays on the same corner
// or goes to the first point.
void chooseMeshSize(int32_t columns, int32_t rows);
// Every mesh offset of the edited surface 0.
void zeroMesh();
// The edited surface's selected point shown at `position` (normalised device coordinates), where a
// picture point can be.
void moveSelectedPoint(CornerPoint position);

// A drag or a run of arrow-key nudges on a projection ended: one change, saved now, where each pass of
// it only moved the points.
void finishEditingOnProjection();

// "assets/gradil.png", else "assets/gradil.jpg", else the procedural grid, each step logged.
void loadCalibrationGrid();
