#include <gtest/gtest.h>

#include "render/image_rules.h"
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
