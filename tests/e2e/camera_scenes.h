// A stand-in camera looking at the projectors, as camera-standin.json describes it to the program and
// as this file models it apart from the program; and the figures of an alignment: where the aligned
// pictures land on the camera, and how even their light is.
#pragma once

#include <opencv2/core.hpp>

#include <array>
#include <string>
#include <vector>

#include "settings/settings_text.h"
#include "virtual_display.h"

namespace e2e {

struct CameraView {
    int monitor = 1;             // the program's monitor index
    harness::ScreenRect area;    // where that monitor is on the screen
    cv::Matx33d homography;      // the monitor's pixels (pixel x at x) to the camera's
    // A bilinear displacement of the wall, in camera pixels, over a grid spanning the camera's picture.
    int bendColumns = 0;
    int bendRows = 0;
    std::vector<cv::Point2d> bend;
};

struct CameraScene {
    int width = 640;
    int height = 480;
    std::vector<CameraView> views;
    double gain = 0.8;
    double offset = 10.0;
    double noise = 2.0;
    double blur = 1.0;
    std::array<cv::Point2d, 4> target; // TL, TR, BL, BR in camera pixels
};

// The scenes the alignment is proven on: the first projector (monitor 1) seen at a slant, the same on a
// bulging wall, and the first two projectors (monitors 1 and 2) side by side overlapping by a fifth.
// Noise 2 and blur 1 in each.
CameraScene slantedScene();
CameraScene bentWallScene();
CameraScene overlappingScene();
// Every view's monitor holding an output, as config.json would, with the scene's target.
SettingsValues settingsFor(const CameraScene& scene);

std::string standInJson(const CameraScene& scene);
// The camera settings holding the scene's target.
CameraSettings cameraSettingsOf(const CameraScene& scene);

// Where the camera sees a pixel of the view's monitor.
cv::Point2d cameraPointOf(const CameraScene& scene, const CameraView& view, cv::Point2d monitorPixel);

// Where the output's picture lands on the camera against where the target wants it, by the warp's own
// model from what config.json holds: the picture's four corners, and markers on a 9 x 9 grid inside it.
struct Placement {
    double meanCorner = 0.0;
    double worstCorner = 0.0;
    double worstMarker = 0.0;
};
Placement placementOf(const CameraScene& scene, const CameraView& view, const OutputValues& output);

// How even the light is inside the target (inset by `inset` camera pixels) as the camera, without its
// noise, sees the monitors' real pixels: the largest departure of a 7 x 7 mean from the mean, as a share
// of the mean.
double unevennessInside(const CameraScene& scene, const harness::VirtualDisplay& display, int inset);

// The lines of debug.log about alignments, in order, and the seconds one took per output (very many when
// the line is not a success's).
std::vector<std::string> alignmentLinesIn(const std::string& log);
double secondsPerOutput(const std::string& line);

} // namespace e2e
