// From what the camera saw of each output to each output's calibration: the picture lands on the target
// marked on the camera's picture, split between the outputs where their light falls, blended across their
// overlaps.
//
// Picture points (S, T) in [0, 1] x [0, 1] land on the target by the homography that carries the unit
// square onto its four points. Each output's light is a homography G from its pixels to the camera's
// (fitted robustly) and, where a wall is not flat, a smooth field of what G leaves over. An output shows
// the part of the picture that falls inside its light; its corners (and its mesh, where G alone leaves
// more than kMeshNeededError) put that part where the target wants it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "align/robust_fit.h"
#include "settings/settings_text.h"

inline constexpr double kMeshNeededError = 0.5; // camera pixels

// TL, TR, BL, BR in camera pixels.
using CameraQuad = std::array<PlanePoint, 4>;

// What the camera saw of one output.
struct OutputLight {
    int32_t width = 0; // the output window's pixels
    int32_t height = 0;
    int32_t block = 1; // the side of the cells the points stand for, in projector pixels
    std::vector<Correspondence> points; // projector pixel (pixel x at x) to camera pixel
};

enum class AlignmentFailure { None, TooFewPoints, TargetOutOfReach };

struct AlignedOutput {
    bool aligned = false;  // false: its light misses the target, and it stays as it was
    SurfaceValues surface; // its first surface, aligned
    int32_t pointsUsed = 0;
    double remainingError = 0.0; // camera pixels, RMS over the points used
};

struct AlignmentResult {
    AlignmentFailure failure = AlignmentFailure::None;
    std::vector<AlignedOutput> outputs; // one per light, in order
};

// `current` holds each output's first surface as it is: what alignment does not set (the blend's curve and
// black level) is kept. `responseExponent` is the projectors' measured response, the blend's gamma.
AlignmentResult alignOutputsToTarget(const std::vector<OutputLight>& lights, const CameraQuad& target,
                                     const std::vector<SurfaceValues>& current, double responseExponent);

// The target used before the operator marks one: the middle half of the camera's picture.
CameraQuad middleHalfOf(int32_t cameraWidth, int32_t cameraHeight);
