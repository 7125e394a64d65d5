#include <gtest/gtest.h>

#include <cstring>

#include "render/image_rules.h"
#include "render/test_patterns.h"
#include "settings/run_value.h"

TEST(ImageSize, LongerSideCappedAt4096WithTheAspectTruncated)
{
    EXPECT_EQ(textureSizeFor(5000, 3000), (ImageSize{4096, 2457}));
    EXPECT_EQ(textureSizeFor(3000, 5000), (ImageSize{2457, 4096}));
    EXPECT_EQ(textureSizeFor(8192, 8192), (ImageSize{4096, 4096}));
    EXPECT_EQ(textureSizeFor(4096, 4096), (ImageSize{4096, 4096}));
    EXPECT_EQ(textureSizeFor(4097, 4096), (ImageSize{4096, 4095}));
    EXPECT_EQ(textureSizeFor(1, 1), (ImageSize{1, 1}));
    EXPECT_EQ(textureSizeFor(640, 480), (ImageSize{640, 480}));
}

TEST(ImageSize, ASideTruncatedToZeroIsRefused)
{
    EXPECT_EQ(textureSizeFor(4097, 1), std::nullopt);
    EXPECT_EQ(textureSizeFor(1, 4097), std::nullopt);
    EXPECT_EQ(textureSizeFor(0, 10), std::nullopt);
}

TEST(GridTexels, LinesAndBackgroundWhereTheyBelong)
{
    const std::vector<uint32_t> texels = gridTexels();
    ASSERT_EQ(texels.size(), 1920u * 1080u);
    const auto at = [&](uint32_t x, uint32_t y) { return texels[y * 1920 + x]; };
    for (auto [x, y] : {std::pair{0u, 0u}, {159u, 500u}, {500u, 134u}, {1919u, 1079u}, {959u, 539u}})
        EXPECT_EQ(at(x, y), kGridLine) << x << ", " << y;
    for (auto [x, y] : {std::pair{1u, 1u}, {160u, 500u}, {500u, 135u}, {1918u, 1078u}})
        EXPECT_EQ(at(x, y), kGridBackground) << x << ", " << y;
    int lineColumns = 0;
    for (uint32_t x = 0; x < 1920; ++x)
        lineColumns += at(x, 1) == kGridLine ? 1 : 0;
    EXPECT_EQ(lineColumns, 13);
    int lineRows = 0;
    for (uint32_t y = 0; y < 1080; ++y)
        lineRows += at(1, y) == kGridLine ? 1 : 0;
    EXPECT_EQ(lineRows, 9);
    for (uint32_t texel : texels)
        ASSERT_EQ(texel >> 24, 0xFFu) << "every texel is opaque";
    // In memory order R, G, B, A.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&texels[0]);
    EXPECT_EQ(bytes[0], 136);
    EXPECT_EQ(bytes[3], 255);
}

TEST(RunValue, QuotedPathWithItsNullCounted)
{
    const std::wstring data = runValueData(L"C:\\Program Files\\Ostrel Mapper\\ostrel.exe");
    EXPECT_EQ(data, L"\"C:\\Program Files\\Ostrel Mapper\\ostrel.exe\"");
    EXPECT_EQ(runValueByteLength(data), (data.size() + 1) * 2);
    std::wstring longPath = L"C:";
    while (longPath.size() < 400)
        longPath += L"\\folder";
    longPath += L"\\ostrel.exe";
    EXPECT_EQ(runValueData(longPath).size(), longPath.size() + 2) << "never cut at 259 characters";
}

TEST(TestPatterns, NamesReadBackAndThePanelListsEveryPatternInOrder)
{
    int entries = 0;
    for (const char* item = kPatternItems; *item; item += std::strlen(item) + 1)
        ++entries;
    EXPECT_EQ(entries, kPatternCount);
    for (int at = 0; at < kPatternCount; ++at)
        EXPECT_EQ(patternNamed(patternName(static_cast<TestPattern>(at))), static_cast<TestPattern>(at));
    EXPECT_EQ(patternNamed("White"), std::nullopt);
    EXPECT_EQ(patternNamed(""), std::nullopt);
}

TEST(TestPatterns, TheRampRunsFromBlackToWhiteAndTheCrosshatchCrossesInTheMiddle)
{
    const int32_t width = 320, height = 180;
    const std::vector<uint32_t> ramp = rampPixels(width, height);
    const auto level = [&](int32_t x, int32_t y) { return ramp[static_cast<std::size_t>(y * width + x)] & 0xFFu; };
    EXPECT_EQ(level(0, 0), 0u);
    EXPECT_EQ(level(width - 1, 0), 255u);
    EXPECT_EQ(level(0, height - 1), 0u);
    EXPECT_EQ(level(width - 1, height - 1), 255u);
    int steps = 0;
    for (int32_t x = 1; x < width; ++x) {
        EXPECT_GE(level(x, 0), level(x - 1, 0));
        steps += level(x, height - 1) != level(x - 1, height - 1) ? 1 : 0;
    }
    EXPECT_EQ(steps, 15) << "the lower half in 16 steps";

    const std::vector<uint32_t> hatch = crosshatchPixels(width, height);
    const auto white = [&](int32_t x, int32_t y) { return hatch[static_cast<std::size_t>(y * width + x)] == 0xFFFFFFFFu; };
    EXPECT_TRUE(white(width / 2, height / 2));
    EXPECT_TRUE(white(width / 2, 5) && white(5, height / 2)) << "the middle lines run across";
    EXPECT_TRUE(white(0, 0) && white(width - 1, height - 1)) << "the edges are framed";
    EXPECT_FALSE(white(width / 2 + 30, height / 2 + 10)) << "black between the lines";
}
