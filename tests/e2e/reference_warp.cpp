// Reference warps with OpenCV.
#include "reference_warp.h"

#include <opencv2/imgproc.hpp>

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

Difference meanDifferenceAwayFromEdges(const cv::Mat& shown, const cv::Mat& reference, int margin)
{
    cv::Mat gray, edges, inside;
    cv::cvtColor(reference, gray, cv::COLOR_BGR2GRAY);
    cv::morphologyEx(gray, edges, cv::MORPH_GRADIENT, cv::Mat());
    edges = edges > 24;
    const cv::Mat kernel = cv::getStructuringElement(cv::MORPH_RECT, cv::Size(2 * margin + 1, 2 * margin + 1));
    cv::dilate(edges, edges, kernel);
    cv::Mat picture;
    cv::inRange(reference, cv::Scalar(1, 1, 1), cv::Scalar(255, 255, 255), picture);
    cv::erode(picture, inside, kernel);
    const cv::Mat mask = inside & ~edges;
    cv::Mat difference;
    cv::absdiff(shown, reference, difference);
    return {cv::mean(difference, mask), cv::countNonZero(mask)};
}

bool showsReference(const harness::VirtualDisplay& display, const harness::ScreenRect& monitor,
                    const cv::Mat& reference, Difference& difference)
{
    return e2e::eventually([&] {
        difference = meanDifferenceAwayFromEdges(toMat(display.capture(monitor)), reference, 3);
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
