// The stand-in camera's scenes and the figures of an alignment.
#include "camera_scenes.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <regex>
#include <sstream>

#include "reference_warp.h"

namespace e2e {

namespace {

cv::Point2d apply(const cv::Matx33d& h, cv::Point2d p)
{
    const cv::Vec3d v = h * cv::Vec3d(p.x, p.y, 1.0);
    return {v[0] / v[2], v[1] / v[2]};
}

cv::Point2d bendAt(const CameraScene& scene, const CameraView& view, cv::Point2d camera)
{
    if (view.bendColumns < 2 || view.bendRows < 2)
        return {};
    const double u = std::clamp(camera.x / (scene.width - 1) * (view.bendColumns - 1), 0.0, view.bendColumns - 1.0);
    const double v = std::clamp(camera.y / (scene.height - 1) * (view.bendRows - 1), 0.0, view.bendRows - 1.0);
    const int i = std::min(static_cast<int>(u), view.bendColumns - 2), j = std::min(static_cast<int>(v), view.bendRows - 2);
    const double fu = u - i, fv = v - j;
    const auto at = [&](int c, int r) { return view.bend[static_cast<std::size_t>(r * view.bendColumns + c)]; };
    return (1 - fu) * (1 - fv) * at(i, j) + fu * (1 - fv) * at(i + 1, j) + (1 - fu) * fv * at(i, j + 1) +
           fu * fv * at(i + 1, j + 1);
}

cv::Point2d targetPoint(const CameraScene& scene, double s, double t)
{
    const std::vector<cv::Point2f> square{{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    std::vector<cv::Point2f> quad;
    for (const cv::Point2d& p : scene.target)
        quad.emplace_back(static_cast<float>(p.x), static_cast<float>(p.y));
    return apply(cv::Matx33d(cv::getPerspectiveTransform(square, quad)), {s, t});
}

const harness::ScreenRect kSecondMonitor{1024, 0, 1824, 600};
const harness::ScreenRect kThirdMonitor{1824, 0, 2624, 600};
const cv::Matx33d kSlant{0.52, 0.06, 70.0, -0.03, 0.55, 60.0, 0.00002, 0.00004, 1.0};

} // namespace

CameraScene slantedScene()
{
    CameraScene scene;
    scene.views = {{1, kSecondMonitor, kSlant, 0, 0, {}}};
    scene.target = {{{160, 110}, {440, 100}, {160, 320}, {460, 310}}};
    return scene;
}

CameraScene bentWallScene()
{
    CameraScene scene = slantedScene();
    CameraView& view = scene.views[0];
    view.bendColumns = 3;
    view.bendRows = 3;
    view.bend = {{0, 0}, {0, -3}, {0, 0}, {4, 0}, {7, 6}, {-4, 0}, {0, 0}, {0, 3}, {0, 0}};
    return scene;
}

CameraScene overlappingScene()
{
    // Each 320 camera pixels wide, the second starting 256 to the right of the first.
    CameraScene scene;
    scene.views = {{1, kSecondMonitor, {0.40, 0.0, 10.0, 0.01, 0.40, 120.0, 0.0, 0.00001, 1.0}, 0, 0, {}},
                   {2, kThirdMonitor, {0.40, 0.01, 266.0, -0.005, 0.40, 122.0, 0.0, 0.0, 1.0}, 0, 0, {}}};
    scene.target = {{{30, 140}, {560, 135}, {30, 340}, {565, 345}}};
    return scene;
}

SettingsValues settingsFor(const CameraScene& scene)
{
    SettingsValues values;
    values.outputs.clear();
    for (const CameraView& view : scene.views) {
        OutputValues output;
        output.outputMonitor = view.monitor;
        values.outputs.push_back(output);
    }
    values.camera = cameraSettingsOf(scene);
    return values;
}

std::string standInJson(const CameraScene& scene)
{
    std::ostringstream json;
    json.precision(12);
    json << "{\"width\": " << scene.width << ", \"height\": " << scene.height << ", \"gain\": " << scene.gain
         << ", \"offset\": " << scene.offset << ", \"noise\": " << scene.noise << ", \"blur\": " << scene.blur
         << ", \"views\": [";
    for (std::size_t at = 0; at < scene.views.size(); ++at) {
        const CameraView& view = scene.views[at];
        json << (at ? ", " : "") << "{\"monitor\": " << view.monitor << ", \"homography\": [";
        for (int i = 0; i < 9; ++i)
            json << (i ? ", " : "") << view.homography.val[i];
        json << "]";
        if (!view.bend.empty()) {
            json << ", \"bend\": {\"columns\": " << view.bendColumns << ", \"rows\": " << view.bendRows << ", \"offsets\": [";
            for (std::size_t p = 0; p < view.bend.size(); ++p)
                json << (p ? ", " : "") << "{\"x\": " << view.bend[p].x << ", \"y\": " << view.bend[p].y << "}";
            json << "]}";
        }
        json << "}";
    }
    json << "]}";
    return json.str();
}

CameraSettings cameraSettingsOf(const CameraScene& scene)
{
    CameraSettings camera;
    std::array<CornerPoint, 4> target;
    for (std::size_t at = 0; at < target.size(); ++at)
        target[at] = {static_cast<float>(scene.target[at].x), static_cast<float>(scene.target[at].y)};
    camera.target = target;
    return camera;
}

cv::Point2d cameraPointOf(const CameraScene& scene, const CameraView& view, cv::Point2d monitorPixel)
{
    const cv::Point2d plain = apply(view.homography, monitorPixel);
    return plain + bendAt(scene, view, plain);
}

Placement placementOf(const CameraScene& scene, const CameraView& view, const OutputValues& output)
{
    const SurfaceValues& surface = output.surfaces.front();
    std::array<cv::Point2f, 4> corners;
    for (std::size_t at = 0; at < corners.size(); ++at)
        corners[at] = {surface.corners[at].x, surface.corners[at].y};
    MeshSpec mesh{surface.mesh.columns, surface.mesh.rows, {}};
    for (const MeshOffset& offset : surface.mesh.offsets)
        mesh.offsets.emplace_back(offset.u, offset.v);
    const cv::Size window(view.area.right - view.area.left, view.area.bottom - view.area.top);
    const SourceRect& source = surface.source;
    const auto error = [&](double s, double t) {
        const cv::Point2f shown = meshWarpedPoint(corners, mesh, window, s, t);
        const cv::Point2d wanted = targetPoint(scene, source.left + s * (source.right - source.left),
                                               source.top + t * (source.bottom - source.top));
        return cv::norm(cameraPointOf(scene, view, cv::Point2d(shown)) - wanted);
    };
    Placement placement;
    for (int corner = 0; corner < 4; ++corner) {
        const double e = error(corner % 2, corner / 2);
        placement.meanCorner += e / 4;
        placement.worstCorner = std::max(placement.worstCorner, e);
    }
    for (int row = 1; row < 10; ++row)
        for (int column = 1; column < 10; ++column)
            placement.worstMarker = std::max(placement.worstMarker, error(column / 10.0, row / 10.0));
    return placement;
}

double unevennessInside(const CameraScene& scene, const harness::VirtualDisplay& display, int inset)
{
    cv::Mat seen = cv::Mat::zeros(scene.height, scene.width, CV_32F);
    for (const CameraView& view : scene.views) {
        cv::Mat grey, warped;
        cv::cvtColor(toMat(display.capture(view.area)), grey, cv::COLOR_BGR2GRAY);
        grey.convertTo(grey, CV_32F);
        // Bent views are modelled by where each camera pixel's light comes from.
        cv::Mat mapX(scene.height, scene.width, CV_32F), mapY(scene.height, scene.width, CV_32F);
        const cv::Matx33d back = view.homography.inv();
        for (int y = 0; y < scene.height; ++y)
            for (int x = 0; x < scene.width; ++x) {
                cv::Point2d plain(x, y);
                for (int step = 0; step < 10 && !view.bend.empty(); ++step)
                    plain = cv::Point2d(x, y) - bendAt(scene, view, plain);
                const cv::Point2d source = apply(back, plain);
                mapX.at<float>(y, x) = static_cast<float>(source.x);
                mapY.at<float>(y, x) = static_cast<float>(source.y);
            }
        cv::remap(grey, warped, mapX, mapY, cv::INTER_LINEAR, cv::BORDER_CONSTANT, 0.0);
        seen += warped;
    }
    seen = seen * scene.gain;
    cv::Mat mean;
    cv::blur(seen, mean, {7, 7});
    // The target shrunk towards its middle by `inset` pixels.
    cv::Mat inside = cv::Mat::zeros(scene.height, scene.width, CV_8U);
    const cv::Point2d middle = (scene.target[0] + scene.target[1] + scene.target[2] + scene.target[3]) / 4;
    std::vector<cv::Point> quad;
    for (int at : {0, 1, 3, 2}) {
        const cv::Point2d p = scene.target[static_cast<std::size_t>(at)];
        const cv::Point2d towards = middle - p;
        quad.push_back(p + towards * (inset * std::sqrt(2.0) / cv::norm(towards)));
    }
    cv::fillConvexPoly(inside, quad, 255);
    const double average = cv::mean(mean, inside)[0];
    double lowest = 0.0, highest = 0.0;
    cv::minMaxLoc(mean, &lowest, &highest, nullptr, nullptr, inside);
    return std::max(highest - average, average - lowest) / average;
}

std::vector<std::string> alignmentLinesIn(const std::string& log)
{
    std::vector<std::string> found;
    std::istringstream text(log);
    for (std::string line; std::getline(text, line);)
        if (line.find("Alinhamento com a camera") != std::string::npos)
            found.push_back(line);
    return found;
}

double secondsPerOutput(const std::string& line)
{
    std::smatch match;
    if (!std::regex_search(line, match, std::regex(R"(: (\d+) saidas alinhadas, .* ([0-9.]+) s)")))
        return 1e9;
    return std::stod(match[2]) / std::stoi(match[1]);
}

} // namespace e2e
