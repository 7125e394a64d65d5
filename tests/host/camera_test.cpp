// The camera layer's pure parts: capture pictures converted from each device format, the choice among a
// device's media types on real cameras' lists, the failures said to the operator, and the stand-in
// camera's file and frame model, checked against OpenCV's perspective warp and against known statistics.
#include <gtest/gtest.h>

#include <opencv2/imgproc.hpp>

#include <cmath>

#include "camera/camera_pixels.h"
#include "camera/camera_problem.h"
#include "camera/media_type_choice.h"
#include "camera/standin_view.h"

namespace {

struct Colour {
    int red, green, blue;
};
// BT.601 limited-range Y, U, V of pure colours, as published, and the colours they stand for.
struct YuvColour {
    uint8_t y, u, v;
    Colour colour;
};
constexpr YuvColour kColours[] = {{235, 128, 128, {255, 255, 255}}, {16, 128, 128, {0, 0, 0}},
                                  {81, 90, 240, {255, 0, 0}},       {145, 54, 34, {0, 255, 0}},
                                  {41, 240, 110, {0, 0, 255}},      {126, 128, 128, {128, 128, 128}}};
constexpr int kColourCount = static_cast<int>(std::size(kColours));

void expectColour(uint32_t pixel, const Colour& colour, int tolerance, const char* where)
{
    EXPECT_EQ(pixel >> 24, 0xFFu) << where;
    EXPECT_NEAR(static_cast<int>(pixel >> 16 & 255), colour.red, tolerance) << where;
    EXPECT_NEAR(static_cast<int>(pixel >> 8 & 255), colour.green, tolerance) << where;
    EXPECT_NEAR(static_cast<int>(pixel & 255), colour.blue, tolerance) << where;
}

} // namespace

// An odd width, so the last pixel of a row has half a pair; rows padded to 24 bytes.
TEST(CameraPixels, Yuy2PairsShareTheirChromaAndKeepTheirOwnLuma)
{
    const int32_t width = 9, height = 2, stride = 24;
    std::vector<uint8_t> bytes(cameraPictureBytes(CameraPixelFormat::Yuy2, width, height, stride), 0x55);
    ASSERT_EQ(bytes.size(), 24u + 20u);
    for (int row = 0; row < height; ++row)
        for (int pair = 0; pair < 5; ++pair) {
            const YuvColour& c = kColours[(pair + row) % kColourCount];
            uint8_t* at = bytes.data() + row * stride + 4 * pair;
            at[0] = c.y, at[1] = c.u, at[2] = c.y, at[3] = c.v;
        }
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(convertCameraPicture(CameraPixelFormat::Yuy2, bytes.data(), bytes.size(), width, height, stride, pixels));
    ASSERT_EQ(pixels.size(), 18u);
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            expectColour(pixels[row * width + x], kColours[(x / 2 + row) % kColourCount].colour, 2, "yuy2");
}

// 5 x 3 with an odd stride: three chroma columns and two chroma rows, the last of each covering one pixel.
TEST(CameraPixels, Nv12BlocksOfTwoByTwoShareTheirChroma)
{
    const int32_t width = 5, height = 3, stride = 7;
    std::vector<uint8_t> bytes(cameraPictureBytes(CameraPixelFormat::Nv12, width, height, stride), 0x55);
    ASSERT_EQ(bytes.size(), 7u * 3u + 7u + 6u);
    const auto block = [](int x, int y) { return kColours[(y / 2 * 3 + x / 2) % kColourCount]; };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            bytes[y * stride + x] = block(x, y).y;
            bytes[height * stride + y / 2 * stride + x / 2 * 2] = block(x, y).u;
            bytes[height * stride + y / 2 * stride + x / 2 * 2 + 1] = block(x, y).v;
        }
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(convertCameraPicture(CameraPixelFormat::Nv12, bytes.data(), bytes.size(), width, height, stride, pixels));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            expectColour(pixels[y * width + x], block(x, y).colour, 2, "nv12");
}

TEST(CameraPixels, Rgb32RowsComeTopFirstInEitherOrderAndAlphaIsSet)
{
    const int32_t width = 3, height = 4, pitch = 4 * width + 8;
    std::vector<uint8_t> bytes(static_cast<std::size_t>(pitch * height), 0);
    // Memory row m holds blue = m, green = x, red = 200, alpha 0.
    for (int m = 0; m < height; ++m)
        for (int x = 0; x < width; ++x) {
            uint8_t* at = bytes.data() + m * pitch + 4 * x;
            at[0] = static_cast<uint8_t>(m), at[1] = static_cast<uint8_t>(x), at[2] = 200, at[3] = 0;
        }
    std::vector<uint32_t> topDown, bottomUp;
    ASSERT_TRUE(convertCameraPicture(CameraPixelFormat::Rgb32, bytes.data(), bytes.size(), width, height, pitch, topDown));
    ASSERT_TRUE(convertCameraPicture(CameraPixelFormat::Rgb32, bytes.data(), bytes.size(), width, height, -pitch, bottomUp));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            EXPECT_EQ(topDown[y * width + x], 0xFFC80000u | uint32_t(x) << 8 | uint32_t(y));
            EXPECT_EQ(bottomUp[y * width + x], 0xFFC80000u | uint32_t(x) << 8 | uint32_t(height - 1 - y));
        }
}

TEST(CameraPixels, PicturesThatDoNotFitTheirBytesAreRefused)
{
    std::vector<uint8_t> bytes(4 * 4 * 4);
    std::vector<uint32_t> pixels(1, 7u);
    EXPECT_FALSE(convertCameraPicture(CameraPixelFormat::Rgb32, bytes.data(), bytes.size() - 1, 4, 4, 16, pixels));
    EXPECT_FALSE(convertCameraPicture(CameraPixelFormat::Rgb32, bytes.data(), bytes.size(), 4, 4, 12, pixels));
    // NV12 of 4 x 4 needs 16 luma and 8 chroma bytes.
    EXPECT_FALSE(convertCameraPicture(CameraPixelFormat::Nv12, bytes.data(), 23, 4, 4, 4, pixels));
    EXPECT_FALSE(convertCameraPicture(CameraPixelFormat::Nv12, bytes.data(), bytes.size(), 4, 4, -4, pixels));
    EXPECT_FALSE(convertCameraPicture(CameraPixelFormat::Yuy2, bytes.data(), bytes.size(), 0, 4, 8, pixels));
    EXPECT_EQ(pixels, std::vector<uint32_t>(1, 7u));
    EXPECT_TRUE(convertCameraPicture(CameraPixelFormat::Nv12, bytes.data(), 24, 4, 4, 4, pixels));
}

namespace {

constexpr uint32_t kZ16 = cameraFourcc('Z', '1', '6', ' '), kY8 = cameraFourcc('Y', '8', ' ', ' ');

CameraMediaType typeOf(uint32_t subtype, int32_t width, int32_t height, uint32_t rate, uint32_t per = 1)
{
    return {subtype, width, height, rate, per};
}

CameraMediaType rangedType(uint32_t subtype, int32_t width, int32_t height, uint32_t rate, uint32_t most)
{
    return {subtype, width, height, rate, 1, most, 1};
}

struct TypeList {
    const char* camera;
    std::vector<CameraMediaType> types; // in the order the device offers them
    int32_t chosen;
    bool decoded;
    double rate;
};

class CameraMediaTypes : public testing::TestWithParam<TypeList> {};

} // namespace

TEST_P(CameraMediaTypes, TheFluentLargestWithinFullHdIsChosenAndReadAsItComesWhenItCan)
{
    const TypeList& list = GetParam();
    const CameraTypeChoice choice = chooseCameraMediaType(list.types);
    EXPECT_EQ(choice.index, list.chosen) << list.camera;
    EXPECT_EQ(choice.decoded, list.decoded) << list.camera;
    EXPECT_NEAR(choice.rate, list.rate, 1e-9) << list.camera;
    if (choice.index >= 0) {
        const uint32_t subtype = list.types[static_cast<std::size_t>(choice.index)].subtype;
        EXPECT_EQ(pixelFormatOfSubtype(subtype).has_value(), !choice.decoded) << list.camera;
        EXPECT_EQ(decodableSubtype(subtype), choice.decoded) << list.camera;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cameras, CameraMediaTypes,
    testing::Values(
        // YUY2 is slow above 640 x 480; MJPG is fluent up to 1080p.
        TypeList{"C920-like",
                 {typeOf(kSubtypeYuy2, 640, 480, 30), typeOf(kSubtypeYuy2, 1280, 720, 10),
                  typeOf(kSubtypeYuy2, 1920, 1080, 5), typeOf(kSubtypeYuy2, 2304, 1296, 2),
                  typeOf(kSubtypeMjpg, 640, 480, 30), typeOf(kSubtypeMjpg, 1280, 720, 30),
                  typeOf(kSubtypeMjpg, 1920, 1080, 30), typeOf(kSubtypeNv12, 640, 480, 30)},
                 6, true, 30.0},
        // The same size and rate (30000/1001 is 30 in whole frames): the uncompressed one, offered last.
        TypeList{"720p in both",
                 {typeOf(kSubtypeMjpg, 1280, 720, 30), typeOf(kSubtypeH264, 1280, 720, 30),
                  typeOf(kSubtypeYuy2, 1280, 720, 30000, 1001)},
                 2, false, 30000.0 / 1001.0},
        // Only MJPG, one size above 1080p that is fluent too.
        TypeList{"cheap MJPG camera",
                 {typeOf(kSubtypeMjpg, 2592, 1944, 15), typeOf(kSubtypeMjpg, 640, 480, 30),
                  typeOf(kSubtypeMjpg, 1920, 1080, 30), typeOf(kSubtypeMjpg, 1280, 720, 30)},
                 2, true, 30.0},
        // 1080p only at 5 a second: the smallest fluent size above it instead.
        TypeList{"4K camera",
                 {typeOf(kSubtypeYuy2, 1920, 1080, 5), typeOf(kSubtypeMjpg, 3840, 2160, 30),
                  typeOf(kSubtypeMjpg, 2560, 1440, 30)},
                 2, true, 30.0},
        // A range reaching 30 makes the 5-a-second type fluent; a type with no rate comes after it.
        TypeList{"rates as ranges",
                 {typeOf(kSubtypeYuy2, 1920, 1080, 0, 0), rangedType(kSubtypeYuy2, 1280, 720, 5, 30),
                  rangedType(kSubtypeYuy2, 640, 480, 5, 10)},
                 1, false, 30.0},
        // No rates at all: size alone decides; a known slow rate loses to an unknown one.
        TypeList{"rates 0/0",
                 {typeOf(kSubtypeNv12, 1920, 1080, 5), typeOf(kSubtypeNv12, 640, 480, 0, 0),
                  typeOf(kSubtypeNv12, 1280, 720, 0, 0), typeOf(kSubtypeRgb32, 1280, 720, 0, 0)},
                 2, false, 0.0},
        // Nothing reaches 15: the fastest.
        TypeList{"slow camera",
                 {typeOf(kSubtypeYuy2, 1920, 1080, 5), typeOf(kSubtypeYuy2, 1280, 720, 10),
                  typeOf(kSubtypeYuy2, 640, 480, 8)},
                 1, false, 10.0},
        // A depth camera's formats, a subtype of nobody's and an empty size.
        TypeList{"nothing usable",
                 {typeOf(kZ16, 640, 480, 30), typeOf(kY8, 640, 480, 30), typeOf(0, 1280, 720, 30),
                  typeOf(kSubtypeYuy2, 0, 480, 30)},
                 -1, false, 0.0},
        TypeList{"empty list", {}, -1, false, 0.0}));

TEST(CameraFailures, ResultsAreSortedIntoWhatTheOperatorCanDoAndSaidOnce)
{
    EXPECT_EQ(problemOfResult(0), CameraProblem::None);
    EXPECT_EQ(problemOfResult(1), CameraProblem::None); // S_FALSE
    EXPECT_EQ(problemOfResult(0xC00D3E9Fu), CameraProblem::Failed); // an audio device's result
    const std::string name = "HD Pro Webcam C920";
    const auto said = [&](const char* step, uint32_t result) { return cameraFailureText(cameraFailure(step, result), name); };
    EXPECT_EQ(said("ativacao", 0x80070005u), "Acesso a camera negado pelas configuracoes de privacidade do Windows");
    EXPECT_EQ(said("leitura", 0x80070005u), said("ativacao", 0x80070005u));
    EXPECT_EQ(said("leitura", 0xC00D3EA2u), "Camera desconectada: HD Pro Webcam C920");
    EXPECT_EQ(said("leitura", 0x8007048Fu), "Camera desconectada: HD Pro Webcam C920");
    EXPECT_EQ(said("leitura", 0xC00D3704u), "Camera em uso por outro programa: HD Pro Webcam C920");
    EXPECT_EQ(said("formato", 0xC00D36B4u), "Camera indisponivel: HD Pro Webcam C920 (formato, erro 0xc00d36b4)");
    EXPECT_EQ(said("leitura", 0), "");
    EXPECT_EQ(cameraFailureText({CameraProblem::NoDevice, "lista", 0}, ""), "Camera indisponivel: nenhum dispositivo de video");
}

namespace {

constexpr std::array<double, 9> kIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1};

MonitorPicture pictureOf(int32_t width, int32_t height, auto colourAt)
{
    MonitorPicture picture{width, height, std::vector<uint32_t>(static_cast<std::size_t>(width * height))};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Colour c = colourAt(x, y);
            picture.pixels[y * width + x] = uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | uint32_t(c.blue);
        }
    return picture;
}

int channel(uint32_t pixel, int shift)
{
    return static_cast<int>(pixel >> shift & 255);
}

} // namespace

// A slanted view that leaves part of the camera dark; the monitor's picture fades to black at its edges,
// as OpenCV's constant border meets it there.
TEST(StandinModel, AViewWithoutBlurOrNoiseIsThePerspectiveWarpOfItsMonitor)
{
    const int32_t cameraWidth = 200, cameraHeight = 150, monitorWidth = 320, monitorHeight = 240;
    const std::array<double, 9> homography = {0.55, 0.08, 12, -0.05, 0.6, 20, 0.0004, 0.0003, 1};
    const MonitorPicture monitor = pictureOf(monitorWidth, monitorHeight, [&](int x, int y) {
        const double fade = std::sin(M_PI * (x + 0.5) / monitorWidth) * std::sin(M_PI * (y + 0.5) / monitorHeight);
        return Colour{int(std::lround(fade * (128 + 90 * std::sin(x / 13.0)))),
                      int(std::lround(fade * (128 + 90 * std::cos(y / 11.0)))),
                      int(std::lround(fade * (60 + 0.3 * x + 0.2 * y)))};
    });
    StandinSettings settings;
    settings.width = cameraWidth;
    settings.height = cameraHeight;
    settings.views = {{1, homography, {}}};
    StandinModel model(settings, {{1024, 768}, {monitorWidth, monitorHeight}});
    std::vector<uint32_t> frame;
    model.render({MonitorPicture{}, monitor}, 1, frame);

    cv::Mat source(monitorHeight, monitorWidth, CV_8UC4, const_cast<uint32_t*>(monitor.pixels.data()));
    cv::Mat expected;
    cv::warpPerspective(source, expected, cv::Mat(3, 3, CV_64F, const_cast<double*>(homography.data())),
                        cv::Size(cameraWidth, cameraHeight), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar());
    int lit = 0;
    for (int y = 0; y < cameraHeight; ++y)
        for (int x = 0; x < cameraWidth; ++x) {
            const uint32_t got = frame[y * cameraWidth + x], want = expected.at<uint32_t>(y, x);
            for (int shift : {16, 8, 0})
                ASSERT_NEAR(channel(got, shift), channel(want, shift), 1) << x << ", " << y;
            lit += channel(want, 16) > 20 ? 1 : 0;
        }
    EXPECT_GT(lit, cameraWidth * cameraHeight / 4);
    EXPECT_LT(lit, cameraWidth * cameraHeight * 3 / 4);
}

// A monitor whose red and green are its own x and y shows, at each camera pixel, where that pixel looks.
// The bend acts after the view's homography, in camera pixels, on a 5 x 4 grid 40 pixels apart.
TEST(StandinModel, TheBendMovesEachGridPointByItsOffsetInCameraPixels)
{
    StandinSettings settings;
    settings.width = 161;
    settings.height = 121;
    StandinBend bend{5, 4, std::vector<std::array<double, 2>>(20, {0.0, 0.0})};
    bend.offsets[1 * 5 + 3] = {4.0, -3.0}; // the point at (120, 40)
    bend.offsets[2 * 5 + 1] = {-2.0, 5.0}; // the point at (40, 80)
    settings.views = {{0, {1, 0, -10, 0, 1, -5, 0, 0, 1}, bend}}; // camera = monitor - (10, 5), then bent
    const MonitorPicture monitor = pictureOf(200, 150, [](int x, int y) { return Colour{x, y, 0}; });
    StandinModel model(settings, {{200, 150}});
    std::vector<uint32_t> frame;
    model.render({monitor}, 1, frame);
    const auto seenAt = [&](int x, int y) {
        const uint32_t pixel = frame[y * 161 + x];
        return std::pair{channel(pixel, 16), channel(pixel, 8)};
    };
    EXPECT_EQ(seenAt(124, 37), std::pair(130, 45));
    EXPECT_EQ(seenAt(38, 85), std::pair(50, 85));
    EXPECT_EQ(seenAt(80, 80), std::pair(90, 85)); // a grid point of its own with no offset
    EXPECT_EQ(seenAt(0, 120), std::pair(10, 125));
}

// Two views of one grey monitor: offset + gain x the sum of both, then noise with that spread, drawn
// alike for the same frame number; the blur spreads a one-pixel line to sigma without losing its light.
TEST(StandinModel, GainOffsetNoiseAndBlurHaveTheirStatistics)
{
    StandinSettings settings;
    settings.width = 200;
    settings.height = 150;
    settings.views = {{0, kIdentity, {}}, {0, kIdentity, {}}};
    settings.gain = 1.2;
    settings.offset = 10;
    settings.noise = 6;
    StandinModel noisy(settings, {{200, 150}});
    const MonitorPicture grey = pictureOf(200, 150, [](int, int) { return Colour{50, 50, 50}; });
    std::vector<uint32_t> frame, again, next;
    noisy.render({grey}, 7, frame);
    noisy.render({grey}, 7, again);
    noisy.render({grey}, 8, next);
    EXPECT_EQ(frame, again);
    EXPECT_NE(frame, next);
    double sum = 0, squares = 0;
    for (uint32_t pixel : frame) {
        sum += channel(pixel, 8);
        squares += channel(pixel, 8) * channel(pixel, 8);
    }
    const double mean = sum / frame.size(), spread = std::sqrt(squares / frame.size() - mean * mean);
    EXPECT_NEAR(mean, 130.0, 0.2);
    EXPECT_NEAR(spread, 6.0, 0.2);

    settings.views.pop_back();
    settings.gain = 1;
    settings.offset = 0;
    settings.noise = 0;
    settings.blur = 2;
    StandinModel blurred(settings, {{200, 150}});
    const MonitorPicture line = pictureOf(200, 150, [](int x, int) { return Colour{x == 60 ? 200 : 0, 0, 0}; });
    blurred.render({line}, 1, frame);
    for (int y : {0, 75, 149}) {
        double mass = 0, moment = 0, second = 0;
        for (int x = 0; x < 200; ++x) {
            const double value = channel(frame[y * 200 + x], 16);
            mass += value, moment += value * x, second += value * x * x;
        }
        const double centre = moment / mass;
        EXPECT_NEAR(mass, 200.0, 4.0);
        EXPECT_NEAR(centre, 60.0, 0.05);
        EXPECT_NEAR(std::sqrt(second / mass - centre * centre), 2.0, 0.1);
    }
}

TEST(StandinFile, AWholeFileIsReadWithItsDefaults)
{
    const StandinReading plain = readStandinSettings(R"({"width": 640, "height": 480,
        "views": [{"monitor": 1, "homography": [0.5, 0, 10, 0, 0.5, 20, 0, 0, 1]}]})");
    ASSERT_TRUE(plain.settings) << plain.problem;
    EXPECT_EQ(plain.settings->views.size(), 1u);
    EXPECT_EQ(plain.settings->views[0].homography[5], 20.0);
    EXPECT_TRUE(plain.settings->views[0].bend.offsets.empty());
    EXPECT_EQ(plain.settings->gain, 1.0);
    EXPECT_EQ(plain.settings->noise, 0.0);

    const StandinReading bent = readStandinSettings(R"({"width": 8, "height": 6, "gain": 0.8, "offset": 12,
        "noise": 2.5, "blur": 0.7, "views": [{"monitor": 0, "homography": [1, 0, 0, 0, 1, 0, 0, 0, 1],
        "bend": {"columns": 2, "rows": 2, "offsets": [{"x": 1, "y": 2}, {"x": 3, "y": 4}, {"x": 5, "y": 6},
        {"x": 7, "y": -8.5}]}}]})");
    ASSERT_TRUE(bent.settings) << bent.problem;
    EXPECT_EQ(bent.settings->views[0].bend.offsets[3], (std::array<double, 2>{7, -8.5}));
    EXPECT_EQ(bent.settings->offset, 12.0);
    EXPECT_EQ(bent.settings->blur, 0.7);
}

class MalformedStandinFile : public testing::TestWithParam<const char*> {};

TEST_P(MalformedStandinFile, IsRefusedWithAReason)
{
    const StandinReading reading = readStandinSettings(GetParam());
    EXPECT_FALSE(reading.settings);
    EXPECT_FALSE(reading.problem.empty());
}

#define VIEW R"("views": [{"monitor": 0, "homography": [1, 0, 0, 0, 1, 0, 0, 0, 1]}])"
#define SIZED R"({"width": 8, "height": 6, "views": [{"monitor": )"
INSTANTIATE_TEST_SUITE_P(
    Texts, MalformedStandinFile,
    testing::Values(R"({"width": 640, "height": 480,)", R"([640, 480])", R"({"width": 640, )" VIEW "}",
                    R"({"width": 0, "height": 480, )" VIEW "}", R"({"width": 640.5, "height": 480, )" VIEW "}",
                    R"({"width": 640, "height": 480, "views": {}})",
                    SIZED R"(0, "homography": [1, 0, 0, 0, 1, 0, 0, 0]}]})",
                    SIZED R"(0, "homography": [1, 0, 0, 2, 0, 0, 0, 0, 1]}]})",
                    SIZED R"(0, "homography": [1, 0, 0, 0, 1, 0, 0, 0, "1"]}]})",
                    SIZED R"(-1, "homography": [1, 0, 0, 0, 1, 0, 0, 0, 1]}]})",
                    SIZED R"(0, "homography": [1, 0, 0, 0, 1, 0, 0, 0, 1], "bend": {"columns": 2, "rows": 2,
                        "offsets": [{"x": 1, "y": 2}, {"x": 1, "y": 2}, {"x": 1, "y": 2}]}}]})",
                    SIZED R"(0, "homography": [1, 0, 0, 0, 1, 0, 0, 0, 1], "bend": {"columns": 1, "rows": 2,
                        "offsets": [{"x": 1, "y": 2}, {"x": 1, "y": 2}]}}]})",
                    R"({"width": 8, "height": 6, "blur": -1, )" VIEW "}",
                    R"({"width": 8, "height": 6, "noise": "2", )" VIEW "}"));
#undef SIZED
#undef VIEW
