// The picture the projector should show, computed independently with OpenCV, and the comparison.
#pragma once

#include <opencv2/core.hpp>

#include <array>
#include <string>
#include <vector>

#include "virtual_display.h"

// The test picture (see TestPicture) of a size and phase, as a BGR image.
cv::Mat testPictureImage(int width, int height, double phase);

// A screen capture as a BGR image.
cv::Mat toMat(const harness::Image& image);

// The captured picture warped as the program warps it: its corners onto the four output corners
// (normalised device coordinates of the projection window, TL, TR, BL, BR), in a window of `size`.
cv::Mat referenceWarp(const cv::Mat& picture, const std::array<cv::Point2f, 4>& corners, cv::Size size);

// Where a point of the picture (pixel coordinates, centres on whole numbers) lands in the window.
cv::Point2f warpedPoint(cv::Size picture, const std::array<cv::Point2f, 4>& corners, cv::Size window,
                        cv::Point2f point);

// Mean absolute difference per channel over the pixels that lie inside the warped picture, at least
// `margin` pixels away from its border and from any sharp edge of the reference (where filtering by
// mip levels and by plain interpolation rightly differ). With `wholeWindow`, black pixels of the reference
// count as the picture too (a field that fills the window, dark parts and all).
struct Difference {
    cv::Scalar mean;    // per channel, B, G, R
    int comparedPixels; // how many pixels the mean is over
};
Difference meanDifferenceAwayFromEdges(const cv::Mat& shown, const cv::Mat& reference, int margin,
                                      bool wholeWindow = false);

// Polls until the monitor shows the reference closely: a mean difference under 8 per channel away from
// edges, over more than 50,000 pixels. `difference` holds the last comparison, `shown` (when given) the
// last capture.
bool showsReference(const harness::VirtualDisplay& display, const harness::ScreenRect& monitor,
                    const cv::Mat& reference, Difference& difference, cv::Mat* shown = nullptr,
                    bool wholeWindow = false);

// The corners as the "corners" array of config.json.
std::string cornersJson(const std::array<cv::Point2f, 4>& corners);

// Where a corner lands in the window's pixels (continuous coordinates).
cv::Point2f cornerPixel(cv::Point2f corner, cv::Size size);

// A mesh as config.json holds it: its size and each point's offset (u, v) row by row from the top left.
struct MeshSpec {
    int columns = 2;
    int rows = 2;
    std::vector<cv::Point2f> offsets;
};
std::string meshJson(const MeshSpec& mesh);

// The mesh model written out on its own, apart from the program's code: picture parameters (s, t) in
// [0, 1] are shown where the keystone puts (s + du, t + dv), d the Catmull-Rom field of the offsets.
// Where picture point (s, t) lands in the window (pixel centres on whole numbers).
cv::Point2f meshWarpedPoint(const std::array<cv::Point2f, 4>& corners, const MeshSpec& mesh, cv::Size window,
                            double s, double t);
// The picture as the model shows it: every window pixel taken back through the keystone's inverse, the
// offset field undone by fixed-point iteration, and the picture sampled there by OpenCV.
cv::Mat referenceMeshWarp(const cv::Mat& picture, const std::array<cv::Point2f, 4>& corners, const MeshSpec& mesh,
                          cv::Size window);

// An output's part of the picture (fractions of it) and its edge blend, as config.json holds them.
struct OutputLook {
    float left = 0, top = 0, right = 1, bottom = 1;
    float blendLeft = 0, blendRight = 0, blendTop = 0, blendBottom = 0, curve = 2, gamma = 2.2f, blackLevel = 0;
};
// "source" and "blend" members for config.json.
std::string lookJson(const OutputLook& look);
// The model written out on its own: with the four corners at the window's corners, window pixel (x, y)
// is picture parameter (s, t) = ((x + 0.5) / width, (y + 0.5) / height); it shows the picture sampled by
// OpenCV at (left + s (right - left), top + t (bottom - top)), times each edge's ramp g^(1/gamma), with
// the black level added outside the ramps.
cv::Mat referenceOutputPicture(const cv::Mat& picture, const OutputLook& look, cv::Size window);
