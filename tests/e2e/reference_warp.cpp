// Reference warps with OpenCV.
#include "reference_warp.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

#include "program_test.h"
#include "test_picture.h"

cv::Mat testPictureImage(int width, int height, double phase)
{
    cv::Mat image(height, width, CV_8UC3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const harness::Rgb c = harness::TestPicture::colourAt(x, y, width, height, phase);
            image.at<cv::Vec3b>(y, x) = {c.b, c.g, c.r};
        }
    return image;
}

cv::Mat toMat(const harness::Image& image)
{
    cv::Mat mat(image.height, image.width, CV_8UC3);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const harness::Rgb& c = image.at(x, y);
            mat.at<cv::Vec3b>(y, x) = {c.b, c.g, c.r};
        }
    return mat;
}

cv::Point2f cornerPixel(cv::Point2f corner, cv::Size size)
{
    return {(corner.x + 1.0f) * 0.5f * static_cast<float>(size.width),
            (1.0f - corner.y) * 0.5f * static_cast<float>(size.height)};
}

namespace {

// Picture pixels to window pixels. OpenCV puts pixel centres on whole numbers, so the picture's outer
// corners are half a pixel out.
cv::Mat homography(cv::Size picture, const std::array<cv::Point2f, 4>& corners, cv::Size window)
{
    const float w = static_cast<float>(picture.width), h = static_cast<float>(picture.height);
    const cv::Point2f from[4] = {{-0.5f, -0.5f}, {w - 0.5f, -0.5f}, {-0.5f, h - 0.5f}, {w - 0.5f, h - 0.5f}};
    cv::Point2f to[4];
    for (int i = 0; i < 4; ++i)
        to[i] = cornerPixel(corners[static_cast<std::size_t>(i)], window) - cv::Point2f(0.5f, 0.5f);
    return cv::getPerspectiveTransform(from, to);
}

} // namespace

cv::Mat referenceWarp(const cv::Mat& picture, const std::array<cv::Point2f, 4>& corners, cv::Size size)
{
    cv::Mat warped;
    cv::warpPerspective(picture, warped, homography(picture.size(), corners, size), size, cv::INTER_LINEAR,
                        cv::BORDER_CONSTANT, cv::Scalar(0, 0, 0));
    return warped;
}

cv::Point2f warpedPoint(cv::Size picture, const std::array<cv::Point2f, 4>& corners, cv::Size window,
                        cv::Point2f point)
{
    std::vector<cv::Point2f> in{point}, out;
    cv::perspectiveTransform(in, out, homography(picture, corners, window));
    return out[0];
}

Difference meanDifferenceAwayFromEdges(const cv::Mat& shown, const cv::Mat& reference, int margin, bool wholeWindow)
{
    cv::Mat gray, edges, inside;
    cv::cvtColor(reference, gray, cv::COLOR_BGR2GRAY);
    cv::morphologyEx(gray, edges, cv::MORPH_GRADIENT, cv::Mat());
    edges = edges > 24;
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * margin + 1, 2 * margin + 1));
    cv::dilate(edges, edges, kernel);
    cv::Mat picture;
    cv::inRange(reference, cv::Scalar(wholeWindow ? 0 : 1, wholeWindow ? 0 : 1, wholeWindow ? 0 : 1),
                cv::Scalar(255, 255, 255), picture);
    cv::erode(picture, inside, kernel);
    const cv::Mat mask = inside & ~edges;
    cv::Mat difference;
    cv::absdiff(shown, reference, difference);
    return {cv::mean(difference, mask), cv::countNonZero(mask)};
}

bool showsReference(const harness::VirtualDisplay& display, const harness::ScreenRect& monitor,
                    const cv::Mat& reference, Difference& difference, cv::Mat* shown, bool wholeWindow)
{
    return e2e::eventually([&] {
        const cv::Mat captured = toMat(display.capture(monitor));
        if (shown)
            *shown = captured;
        difference = meanDifferenceAwayFromEdges(captured, reference, 3, wholeWindow);
        const cv::Scalar& m = difference.mean;
        return difference.comparedPixels > 50000 && m[0] < 8 && m[1] < 8 && m[2] < 8;
    });
}

std::string cornersJson(const std::array<cv::Point2f, 4>& corners)
{
    std::string text = "[";
    for (std::size_t i = 0; i < 4; ++i)
        text += (i ? "," : "") + std::string("{\"x\":") + std::to_string(corners[i].x) +
                ",\"y\":" + std::to_string(corners[i].y) + "}";
    return text + "]";
}

std::string meshJson(const MeshSpec& mesh)
{
    std::string text = "{\"columns\":" + std::to_string(mesh.columns) + ",\"rows\":" + std::to_string(mesh.rows) +
                       ",\"offsets\":[";
    for (std::size_t i = 0; i < mesh.offsets.size(); ++i)
        text += (i ? "," : "") + std::string("{\"u\":") + std::to_string(mesh.offsets[i].x) +
                ",\"v\":" + std::to_string(mesh.offsets[i].y) + "}";
    return text + "]}";
}

namespace {

// The uniform Catmull-Rom value of n values at x in [0, 1], the ends continued in straight lines.
double splineAt(const double* p, int n, double x)
{
    const double scaled = std::clamp(x, 0.0, 1.0) * (n - 1);
    const int k = std::min(static_cast<int>(scaled), n - 2);
    const double tau = scaled - k;
    const auto at = [&](int i) { return i < 0 ? 2 * p[0] - p[1] : i >= n ? 2 * p[n - 1] - p[n - 2] : p[i]; };
    const double a = at(k - 1), b = at(k), c = at(k + 1), d = at(k + 2);
    return 0.5 * (2 * b + (c - a) * tau + (2 * a - 5 * b + 4 * c - d) * tau * tau + (3 * b - a - 3 * c + d) * tau * tau * tau);
}

cv::Point2d fieldAt(const MeshSpec& mesh, double s, double t)
{
    double u[16], v[16], columnU[16], columnV[16];
    for (int row = 0; row < mesh.rows; ++row) {
        for (int column = 0; column < mesh.columns; ++column) {
            u[column] = mesh.offsets[static_cast<std::size_t>(row * mesh.columns + column)].x;
            v[column] = mesh.offsets[static_cast<std::size_t>(row * mesh.columns + column)].y;
        }
        columnU[row] = splineAt(u, mesh.columns, s);
        columnV[row] = splineAt(v, mesh.columns, s);
    }
    return {splineAt(columnU, mesh.rows, t), splineAt(columnV, mesh.rows, t)};
}

// Picture parameters to window pixels (centres on whole numbers) through the keystone.
cv::Matx33d keystone(const std::array<cv::Point2f, 4>& corners, cv::Size window)
{
    const cv::Point2f from[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    cv::Point2f to[4];
    for (int i = 0; i < 4; ++i)
        to[i] = cornerPixel(corners[static_cast<std::size_t>(i)], window) - cv::Point2f(0.5f, 0.5f);
    return cv::Matx33d(cv::getPerspectiveTransform(from, to));
}

cv::Point2d apply(const cv::Matx33d& h, double x, double y)
{
    const cv::Vec3d p = h * cv::Vec3d(x, y, 1.0);
    return {p[0] / p[2], p[1] / p[2]};
}

} // namespace

cv::Point2f meshWarpedPoint(const std::array<cv::Point2f, 4>& corners, const MeshSpec& mesh, cv::Size window,
                            double s, double t)
{
    const cv::Point2d d = fieldAt(mesh, s, t);
    return cv::Point2f(apply(keystone(corners, window), s + d.x, t + d.y));
}

cv::Mat referenceMeshWarp(const cv::Mat& picture, const std::array<cv::Point2f, 4>& corners, const MeshSpec& mesh,
                          cv::Size window)
{
    const cv::Matx33d back = keystone(corners, window).inv();
    cv::Mat mapX(window, CV_32FC1), mapY(window, CV_32FC1);
    for (int y = 0; y < window.height; ++y)
        for (int x = 0; x < window.width; ++x) {
            const cv::Point2d bent = apply(back, x, y);
            // s + d(s, t) = bent: the field moves points by far less than their spacing, so this converges.
            cv::Point2d plain = bent;
            for (int step = 0; step < 12; ++step)
                plain = bent - fieldAt(mesh, plain.x, plain.y);
            const bool inside = plain.x >= 0 && plain.x <= 1 && plain.y >= 0 && plain.y <= 1;
            mapX.at<float>(y, x) = inside ? static_cast<float>(plain.x * picture.cols - 0.5) : -10.0f;
            mapY.at<float>(y, x) = inside ? static_cast<float>(plain.y * picture.rows - 0.5) : -10.0f;
        }
    cv::Mat warped;
    cv::remap(picture, warped, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(0, 0, 0));
    return warped;
}

std::string lookJson(const OutputLook& look)
{
    const auto number = [](float value) { return std::to_string(value); };
    return R"("source":{"left":)" + number(look.left) + R"(,"top":)" + number(look.top) + R"(,"right":)" +
           number(look.right) + R"(,"bottom":)" + number(look.bottom) + R"(},"blend":{"left":)" +
           number(look.blendLeft) + R"(,"right":)" + number(look.blendRight) + R"(,"top":)" + number(look.blendTop) +
           R"(,"bottom":)" + number(look.blendBottom) + R"(,"curve":)" + number(look.curve) + R"(,"gamma":)" +
           number(look.gamma) + R"(,"blackLevel":)" + number(look.blackLevel) + "}";
}

namespace {

// One edge's ramp across its band; 1 beyond it. `inside` is set within the band.
double edgeRamp(double distance, double width, double curve, double gamma, bool& inside)
{
    if (width <= 0 || distance >= width)
        return 1.0;
    inside = true;
    const double x = std::clamp(distance / width, 0.0, 1.0);
    const double g = x < 0.5 ? 0.5 * std::pow(2 * x, curve) : 1 - 0.5 * std::pow(2 * (1 - x), curve);
    return std::pow(g, 1 / gamma);
}

} // namespace

cv::Mat referenceOutputPicture(const cv::Mat& picture, const OutputLook& look, cv::Size window)
{
    cv::Mat mapX(window, CV_32F), mapY(window, CV_32F), factor(window, CV_32F), lift(window, CV_32F);
    for (int y = 0; y < window.height; ++y)
        for (int x = 0; x < window.width; ++x) {
            const double s = (x + 0.5) / window.width, t = (y + 0.5) / window.height;
            mapX.at<float>(y, x) = static_cast<float>((look.left + s * (look.right - look.left)) * picture.cols - 0.5);
            mapY.at<float>(y, x) = static_cast<float>((look.top + t * (look.bottom - look.top)) * picture.rows - 0.5);
            bool inside = false;
            const double a = edgeRamp(s, look.blendLeft, look.curve, look.gamma, inside) *
                             edgeRamp(1 - s, look.blendRight, look.curve, look.gamma, inside) *
                             edgeRamp(t, look.blendTop, look.curve, look.gamma, inside) *
                             edgeRamp(1 - t, look.blendBottom, look.curve, look.gamma, inside);
            factor.at<float>(y, x) = static_cast<float>(a * (1 - look.blackLevel));
            lift.at<float>(y, x) = inside ? 0.0f : 255.0f * look.blackLevel;
        }
    cv::Mat sampled;
    cv::remap(picture, sampled, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_REPLICATE);
    cv::Mat shown(window, CV_8UC3);
    for (int y = 0; y < window.height; ++y)
        for (int x = 0; x < window.width; ++x) {
            const cv::Vec3b p = sampled.at<cv::Vec3b>(y, x);
            cv::Vec3b& out = shown.at<cv::Vec3b>(y, x);
            for (int c = 0; c < 3; ++c)
                out[c] = cv::saturate_cast<uchar>(p[c] * factor.at<float>(y, x) + lift.at<float>(y, x));
        }
    return shown;
}
