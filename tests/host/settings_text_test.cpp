#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <string>
#include <vector>

#include "settings/settings_text.h"

namespace {

std::string withCrLf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

const std::string kDefaultFile = withCrLf(R"({
    "adapterIdx": 0,
    "captureMonitor": 0,
    "corners": [
        {
            "x": -1.0,
            "y": 1.0
        },
        {
            "x": 1.0,
            "y": 1.0
        },
        {
            "x": -1.0,
            "y": -1.0
        },
        {
            "x": 1.0,
            "y": -1.0
        }
    ],
    "outputMonitor": 1,
    "startWithWindows": false
})");

bool sameCorners(const CornerSet& a, const CornerSet& b)
{
    for (std::size_t i = 0; i < 4; ++i)
        if (a[i].x != b[i].x || a[i].y != b[i].y)
            return false;
    return true;
}

bool sameValues(const SettingsValues& a, const SettingsValues& b)
{
    return a.outputs == b.outputs && a.remote == b.remote && a.camera == b.camera && a.captureMonitor == b.captureMonitor &&
           a.captureMonitorId == b.captureMonitorId && a.adapterIdx == b.adapterIdx &&
           a.startWithWindows == b.startWithWindows && a.showCursor == b.showCursor;
}

// Values unlike every default, so that "not read" can be told from "read as the default".
SettingsValues unusualValues()
{
    SettingsValues values;
    values.outputs[0].surfaces[0].corners = {{{-7, 7}, {8, 8}, {-9, -9}, {10, -10}}};
    values.captureMonitor = 40;
    values.outputs[0].outputMonitor = 41;
    values.adapterIdx = 42;
    values.startWithWindows = true;
    return values;
}

Mesh randomMesh(int32_t columns, int32_t rows, std::mt19937& random)
{
    std::uniform_real_distribution<float> offset(-1.0f, 1.0f);
    Mesh mesh = resizedMesh(Mesh{}, columns, rows);
    for (int32_t point = 0; point < mesh.pointCount(); ++point)
        if (cornerOfPoint(mesh, point) == -1)
            mesh.offsets[static_cast<std::size_t>(point)] = {offset(random), offset(random)};
    return mesh;
}

SourceRect randomSource(std::mt19937& random)
{
    std::uniform_real_distribution<float> fraction(0.0f, 0.45f);
    const float left = fraction(random), top = fraction(random);
    return {left, top, left + 0.05f + fraction(random), top + 0.05f + fraction(random)};
}

EdgeBlend randomBlend(std::mt19937& random)
{
    std::uniform_real_distribution<float> fraction(0.0f, 1.0f);
    // Braced lists are evaluated left to right.
    return {0.5f * fraction(random), 0.5f * fraction(random), 0.5f * fraction(random), 0.5f * fraction(random),
            1.0f + 3.0f * fraction(random), 1.0f + 2.0f * fraction(random), 0.2f * fraction(random)};
}

// `seed` picks how many surfaces after the first (0 to 7) and masks (0 to 8) are added, and their parts.
void addSurfacesAndMasks(OutputValues& output, int seed, std::mt19937& random)
{
    std::uniform_real_distribution<float> coordinate(-3.0f, 3.0f), feather(0.0f, kMostFeather);
    for (int i = 0; i < seed % kMostSurfaces; ++i) {
        SurfaceValues surface;
        surface.mesh = randomMesh(2 + i, 2 + (seed + i) % 2, random);
        surface.blend = randomBlend(random);
        for (CornerPoint& corner : surface.corners)
            corner = {coordinate(random), coordinate(random)};
        output.surfaces.push_back(surface);
    }
    for (int i = 0; i < seed % (kMostMasks + 1); ++i) {
        // The feather's limits too.
        MaskValues mask{std::vector<CornerPoint>(static_cast<std::size_t>(3 + (seed + i) % 30)),
                        i == 0 ? 0.0f : i == 1 ? kMostFeather : feather(random), (seed + i) % 2 == 1};
        for (CornerPoint& point : mask.points)
            point = {coordinate(random), coordinate(random)};
        output.masks.push_back(mask);
    }
}

SettingsValues readFrom(const std::string& text, SettingsValues start = unusualValues())
{
    readSettingsText(text, start);
    return start;
}

} // namespace

TEST(SettingsWriting, DefaultsGiveTheExactFile)
{
    EXPECT_EQ(settingsFileBytes(SettingsValues{}), kDefaultFile);
}

TEST(SettingsWriting, FloatsAreWidenedExactly)
{
    SettingsValues values;
    values.outputs[0].surfaces[0].corners[0] = {0.1f, -0.25f};
    values.outputs[0].surfaces[0].corners[3] = {1e-7f, 3.0f};
    const std::string bytes = settingsFileBytes(values);
    EXPECT_NE(bytes.find("\"x\": 0.10000000149011612,\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\"y\": -0.25\r\n"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\"y\": 3.0\r\n"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find('\n', 0) - 1, bytes.find('\r'));
    EXPECT_NE(bytes.back(), '\n');
}

TEST(SettingsWriting, IndicesAndFlagAreWrittenAsIntegersAndBooleans)
{
    SettingsValues values;
    values.captureMonitor = -1;
    values.outputs[0].outputMonitor = 2147483647;
    values.adapterIdx = -2147483647 - 1;
    values.startWithWindows = true;
    const std::string bytes = settingsFileBytes(values);
    EXPECT_NE(bytes.find("\"captureMonitor\": -1,"), std::string::npos);
    EXPECT_NE(bytes.find("\"outputMonitor\": 2147483647,"), std::string::npos);
    EXPECT_NE(bytes.find("\"adapterIdx\": -2147483648,"), std::string::npos);
    EXPECT_NE(bytes.find("\"startWithWindows\": true\r\n}"), std::string::npos);
}

TEST(SettingsRoundTrip, LoadThenSaveReproducesTheFileByteForByte)
{
    std::mt19937 random(20261209);
    std::uniform_real_distribution<float> coordinate(-3.0f, 3.0f);
    std::uniform_int_distribution<int32_t> index(-5, 5);
    for (int round = 0; round < 500; ++round) {
        SettingsValues written;
        for (CornerPoint& corner : written.outputs[0].surfaces[0].corners)
            corner = {coordinate(random), coordinate(random)};
        written.captureMonitor = index(random);
        written.outputs[0].outputMonitor = index(random);
        written.adapterIdx = index(random);
        written.startWithWindows = (round % 2) == 0;
        written.showCursor = (round % 5) == 0;
        // Every third file holds a bent mesh of a random size.
        if (round % 3 == 0)
            written.outputs[0].surfaces[0].mesh = randomMesh(2 + round % 8, 2 + round / 3 % 8, random);
        // The other parts of the first output, and up to three more outputs with parts of their own.
        if (round % 2 == 1)
            written.outputs[0].surfaces[0].source = randomSource(random);
        if (round % 7 < 3)
            written.outputs[0].surfaces[0].blend = randomBlend(random);
        // Colour matching of the first output and remote control in some files, each within its range.
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        if (round % 5 == 2)
            written.outputs[0].color = {2.0f * unit(random) - 1.0f, 2.0f * unit(random), 0.5f + 2.5f * unit(random),
                                        2.0f * unit(random), 2.0f * unit(random), 2.0f * unit(random)};
        if (round % 6 == 1)
            written.remote = {static_cast<int32_t>(round * 97 % 65536), round % 4 == 1};
        // A camera named, marked, or both, its name beyond ASCII in some files.
        if (round % 3 != 0)
            written.camera.device = round % 2 == 0 ? "USB Camera #" + std::to_string(round) : "C\xc3\xa2mera \"HD\"";
        if (round % 3 != 1) {
            std::array<CornerPoint, 4> target;
            for (CornerPoint& point : target)
                point = {400.0f * coordinate(random), 300.0f * coordinate(random)};
            written.camera.target = target;
        }
        // What Windows called the monitors, in some files, for the capture or the first output; a name beyond
        // ASCII, and a path without a friendly name.
        if (round % 4 == 3)
            written.captureMonitorId = {"\\\\?\\DISPLAY#DEL4126#" + std::to_string(round), ""};
        if (round % 3 == 2)
            written.outputs[0].outputMonitorId = {"\\\\?\\DISPLAY#SEC5432#" + std::to_string(round), "Proje\xc3\xa7\xc3\xa3o"};
        // Further surfaces and masks in some outputs, the first or another, and none in the others.
        if (round % 4 == 1)
            addSurfacesAndMasks(written.outputs[0], round / 4, random);
        for (int output = 0; output < round % 4; ++output) {
            OutputValues extra;
            extra.outputMonitor = index(random);
            for (CornerPoint& corner : extra.surfaces[0].corners)
                corner = {coordinate(random), coordinate(random)};
            if ((round + output) % 2 == 0)
                extra.surfaces[0].mesh = randomMesh(2 + (round + output) % 8, 9 - round % 8, random);
            if ((round + output) % 3 != 0)
                extra.surfaces[0].source = randomSource(random);
            if ((round + output) % 3 != 1)
                extra.surfaces[0].blend = randomBlend(random);
            if ((round + output) % 3 == 2)
                addSurfacesAndMasks(extra, round / 3 + output, random);
            if ((round + output) % 2 == 1)
                extra.outputMonitorId = {"p" + std::to_string(output), output == 1 ? "" : "EPSON PJ"};
            written.outputs.push_back(extra);
        }
        const std::string bytes = settingsFileBytes(written);

        SettingsValues loaded;
        ASSERT_TRUE(readSettingsText(bytes, loaded).ignored.empty()) << bytes;
        ASSERT_TRUE(sameValues(loaded, written)) << bytes;
        ASSERT_EQ(settingsFileBytes(loaded), bytes);
    }
}

TEST(SettingsReading, TheDefaultFileGivesTheDefaults)
{
    EXPECT_TRUE(sameValues(readFrom(kDefaultFile), SettingsValues{}));
}

struct ReadCase {
    const char* name;
    const char* text;
    SettingsValues (*expected)();
};

class SettingsReadingCase : public testing::TestWithParam<ReadCase> {};

TEST_P(SettingsReadingCase, AssignsExactlyWhatTheRulesAllow)
{
    const ReadCase& c = GetParam();
    const SettingsValues got = readFrom(c.text);
    const SettingsValues want = c.expected();
    EXPECT_TRUE(sameValues(got, want)) << c.text << "\n got:  " << settingsFileBytes(got)
                                       << "\n want: " << settingsFileBytes(want);
}

namespace {

SettingsValues unchanged() { return unusualValues(); }

template <typename Change>
SettingsValues (*changed(Change))()
{
    return [] {
        SettingsValues v = unusualValues();
        Change{}(v);
        return v;
    };
}

constexpr const char* kFourCorners =
    R"([{"x":0.5,"y":0.25},{"x":1,"y":2},{"x":-3,"y":-4},{"x":5,"y":6}])";

void fourCornersRead(SettingsValues& v)
{
    v.outputs[0].surfaces[0].corners = {{{0.5f, 0.25f}, {1, 2}, {-3, -4}, {5, 6}}};
}

} // namespace

INSTANTIATE_TEST_SUITE_P(
    EdgeCases, SettingsReadingCase,
    testing::Values(
        ReadCase{"EmptyText", "", unchanged},
        ReadCase{"Malformed", "{\"captureMonitor\": 3,", unchanged},
        ReadCase{"CommentsAreNotJson", "// note\n{\"captureMonitor\": 3}", unchanged},
        ReadCase{"TopLevelArray", "[{\"captureMonitor\": 3}]", unchanged},
        ReadCase{"TopLevelNumber", "3", unchanged},
        ReadCase{"EmptyObjectKeepsEverything", "{}", unchanged},
        ReadCase{"UnknownMembersIgnored", R"({"volume": 11, "captureMonitor": 3})",
                 changed([](SettingsValues& v) { v.captureMonitor = 3; })},
        ReadCase{"SecondValueAfterTheObjectIgnored", R"({"captureMonitor": 3} {"captureMonitor": 4} garbage)",
                 changed([](SettingsValues& v) { v.captureMonitor = 3; })},
        ReadCase{"AllFiveMembers",
                 R"({"corners":[{"x":0.5,"y":0.25},{"x":1,"y":2},{"x":-3,"y":-4},{"x":5,"y":6}],
                     "captureMonitor":1,"outputMonitor":0,"adapterIdx":2,"startWithWindows":false})",
                 changed([](SettingsValues& v) {
                     fourCornersRead(v);
                     v.captureMonitor = 1;
                     v.outputs[0].outputMonitor = 0;
                     v.adapterIdx = 2;
                     v.startWithWindows = false;
                 })},
        ReadCase{"ThreeCornersTakeThreeAndStop",
                 R"({"corners":[{"x":0.5,"y":0.25},{"x":1,"y":2},{"x":-3,"y":-4}],
                     "captureMonitor":1,"outputMonitor":0,"adapterIdx":2,"startWithWindows":false})",
                 changed([](SettingsValues& v) { v.outputs[0].surfaces[0].corners = {{{0.5f, 0.25f}, {1, 2}, {-3, -4}, v.outputs[0].surfaces[0].corners[3]}}; })},
        ReadCase{"FifthCornerIgnored",
                 R"({"corners":[{"x":0.5,"y":0.25},{"x":1,"y":2},{"x":-3,"y":-4},{"x":5,"y":6},{"x":9}],
                     "captureMonitor":1})",
                 changed([](SettingsValues& v) {
                     fourCornersRead(v);
                     v.captureMonitor = 1;
                 })},
        ReadCase{"MissingYTakesXAndStops",
                 R"({"corners":[{"x":0.5,"y":0.25},{"x":1}, {"x":-3,"y":-4},{"x":5,"y":6}],"captureMonitor":1})",
                 changed([](SettingsValues& v) {
                     v.outputs[0].surfaces[0].corners[0] = {0.5f, 0.25f};
                     v.outputs[0].surfaces[0].corners[1].x = 1;
                 })},
        ReadCase{"NullCornersStopAtOnce", R"({"corners":null,"captureMonitor":1,"startWithWindows":false})",
                 unchanged},
        ReadCase{"CornersAsObjectStop", R"({"corners":{"x":1,"y":1},"captureMonitor":1})", unchanged},
        ReadCase{"CornerEntryNotAnObject", R"({"corners":[{"x":0.5,"y":0.25},[1,2]],"captureMonitor":1})",
                 changed([](SettingsValues& v) { v.outputs[0].surfaces[0].corners[0] = {0.5f, 0.25f}; })},
        ReadCase{"StringCoordinateStops", R"({"corners":[{"x":"0.5","y":0.25}],"captureMonitor":1})", unchanged},
        ReadCase{"BooleanCoordinatesReadAsOneAndZero", R"({"corners":[{"x":true,"y":false}]})",
                 changed([](SettingsValues& v) { v.outputs[0].surfaces[0].corners[0] = {1, 0}; })},
        ReadCase{"CornerBeyondFloatRangeStops", R"({"corners":[{"x":0.5,"y":1e39}],"captureMonitor":1})",
                 changed([](SettingsValues& v) { v.outputs[0].surfaces[0].corners[0].x = 0.5f; })},
        ReadCase{"NegativeCornerBeyondFloatRangeStops", R"({"corners":[{"x":-3.5e38,"y":1}]})", unchanged},
        ReadCase{"CornerNearFloatLimitIsKept", R"({"corners":[{"x":3.4e38,"y":-3.4e38}]})",
                 changed([](SettingsValues& v) { v.outputs[0].surfaces[0].corners[0] = {3.4e38f, -3.4e38f}; })},
        ReadCase{"FarCornersAreNotClamped", R"({"corners":[{"x":-250.5,"y":1000}]})",
                 changed([](SettingsValues& v) { v.outputs[0].surfaces[0].corners[0] = {-250.5f, 1000.0f}; })},
        ReadCase{"StartWithWindowsOneIsNotABoolean", R"({"startWithWindows":1})", unchanged},
        ReadCase{"StartWithWindowsFalse", R"({"startWithWindows":false})",
                 changed([](SettingsValues& v) { v.startWithWindows = false; })},
        ReadCase{"CaptureMonitorTrueIsOne", R"({"captureMonitor":true})",
                 changed([](SettingsValues& v) { v.captureMonitor = 1; })},
        ReadCase{"FractionTruncatesTowardZero", R"({"outputMonitor":2.9,"adapterIdx":-1.9})",
                 changed([](SettingsValues& v) {
                     v.outputs[0].outputMonitor = 2;
                     v.adapterIdx = -1;
                 })},
        ReadCase{"NegativeIndexKept", R"({"outputMonitor":-1})",
                 changed([](SettingsValues& v) { v.outputs[0].outputMonitor = -1; })},
        ReadCase{"IndexStringStopsTheRest", R"({"captureMonitor":3,"outputMonitor":"1","adapterIdx":2})",
                 changed([](SettingsValues& v) { v.captureMonitor = 3; })},
        ReadCase{"IndexNullStops", R"({"outputMonitor":null,"adapterIdx":2})", unchanged},
        ReadCase{"IndexLimitsFit", R"({"captureMonitor":2147483647,"outputMonitor":-2147483648})",
                 changed([](SettingsValues& v) {
                     v.captureMonitor = 2147483647;
                     v.outputs[0].outputMonitor = -2147483647 - 1;
                 })},
        ReadCase{"IndexAboveInt32Stops", R"({"captureMonitor":3,"outputMonitor":2147483648,"adapterIdx":2})",
                 changed([](SettingsValues& v) { v.captureMonitor = 3; })},
        ReadCase{"IndexBelowInt32Stops", R"({"outputMonitor":-2147483649,"adapterIdx":2})", unchanged},
        ReadCase{"HugeUnsignedIndexStops", R"({"adapterIdx":18446744073709551615,"startWithWindows":false})",
                 unchanged},
        ReadCase{"HugeFloatIndexStops", R"({"adapterIdx":1e10,"startWithWindows":false})", unchanged},
        ReadCase{"FractionJustInsideRangeIsKept", R"({"adapterIdx":2147483647.9})",
                 changed([](SettingsValues& v) { v.adapterIdx = 2147483647; })}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(SettingsMesh, WrittenOnlyBeyondTwoByTwoWithItsPointsRowByRow)
{
    SettingsValues values;
    values.outputs[0].surfaces[0].mesh = resizedMesh(Mesh{}, 2, 2);
    EXPECT_EQ(settingsFileBytes(values), kDefaultFile) << "a four-corner file keeps exactly its five keys";
    values.outputs[0].surfaces[0].mesh = resizedMesh(Mesh{}, 3, 2);
    values.outputs[0].surfaces[0].mesh.offsets[1] = {0.25f, -0.125f};
    const std::string bytes = settingsFileBytes(values);
    EXPECT_NE(bytes.find(withCrLf(R"(    ],
    "mesh": {
        "columns": 3,
        "offsets": [
            {
                "u": 0.0,
                "v": 0.0
            },
            {
                "u": 0.25,
                "v": -0.125
            },)")),
              std::string::npos)
        << bytes;
    EXPECT_NE(bytes.find("\"rows\": 2\r\n    },\r\n    \"outputMonitor\""), std::string::npos) << bytes;
}

TEST(SettingsMesh, AMalformedMeshIsIgnoredWholeAndTheRestStillApplies)
{
    const std::string good = R"("columns": 3, "rows": 2, "offsets": [{"u": 0, "v": 0}, {"u": 0.5, "v": -0.5}, {"u": 0, "v": 0}, {"u": 0, "v": 0}, {"u": 0.1, "v": 0.2}, {"u": 0, "v": 0}])";
    const std::string sixZeros = R"({"u": 0, "v": 0}, {"u": 0, "v": 0}, {"u": 0, "v": 0}, {"u": 0, "v": 0}, {"u": 0, "v": 0})";
    const char* broken[] = {
        R"("mesh": [1, 2])",
        R"("mesh": {"columns": 1, "rows": 2, "offsets": [{"u": 0, "v": 0}, {"u": 0, "v": 0}]})",
        R"("mesh": {"columns": 10, "rows": 2, "offsets": []})",
        R"("mesh": {"columns": 3.0, "rows": 2, "offsets": []})",
        R"("mesh": {"columns": "3", "rows": 2, "offsets": []})",
        R"("mesh": {"columns": 3, "offsets": []})",
        R"("mesh": {"columns": 18446744073709551615, "rows": 2, "offsets": []})",
    };
    for (const char* mesh : broken) {
        SettingsValues values;
        const std::string text = std::string("{") + mesh + R"(, "outputMonitor": 7})";
        const SettingsReading reading = readSettingsText(text, values);
        EXPECT_EQ(reading.mesh, MeshReading::Ignored) << mesh;
        EXPECT_EQ(reading.ignored, std::vector<std::string>{"mesh"}) << mesh;
        EXPECT_EQ(values.outputs[0].surfaces[0].mesh, Mesh{}) << mesh;
        EXPECT_EQ(values.outputs[0].outputMonitor, 7) << "the rest of the file still applies: " << mesh;
    }
    // Offsets: one too few, one too many, out of range, not a number, not an object.
    const std::string badOffsets[] = {
        R"([{"u": 0, "v": 0}, )" + sixZeros.substr(0, sixZeros.rfind(", {")) + "]",
        "[" + sixZeros + R"(, {"u": 0, "v": 0}, {"u": 0, "v": 0}])",
        "[" + sixZeros + R"(, {"u": 1.5, "v": 0}])",
        "[" + sixZeros + R"(, {"u": true, "v": 0}])",
        "[" + sixZeros + R"(, {"u": 0}])",
        "[" + sixZeros + R"(, 0])",
    };
    for (const std::string& offsets : badOffsets) {
        SettingsValues values;
        EXPECT_EQ(readSettingsText(R"({"mesh": {"columns": 3, "rows": 2, "offsets": )" + offsets + "}}", values).mesh,
                  MeshReading::Ignored)
            << offsets;
        EXPECT_EQ(values.outputs[0].surfaces[0].mesh, Mesh{});
    }

    SettingsValues values;
    EXPECT_EQ(readSettingsText("{\"mesh\": {" + good + "}}", values).mesh, MeshReading::Read);
    ASSERT_EQ(values.outputs[0].surfaces[0].mesh.pointCount(), 6);
    EXPECT_EQ(values.outputs[0].surfaces[0].mesh.offsets[1], (MeshOffset{0.5f, -0.5f}));
    EXPECT_EQ(values.outputs[0].surfaces[0].mesh.offsets[4], (MeshOffset{0.1f, 0.2f}));
    // A corner's offset in the file reads as 0.
    EXPECT_EQ(readSettingsText(R"({"mesh": {"columns": 3, "rows": 2, "offsets": [{"u": 0.3, "v": 0.3}, )" + sixZeros + "]}}", values).mesh,
              MeshReading::Read);
    EXPECT_EQ(values.outputs[0].surfaces[0].mesh.offsets[0], MeshOffset{});
    const SettingsReading reading = readSettingsText(kDefaultFile, values);
    EXPECT_EQ(reading.mesh, MeshReading::Absent);
    EXPECT_TRUE(reading.ignored.empty());
}

TEST(SettingsShowCursor, WrittenOnlyWhenOnAndReadOnItsOwn)
{
    SettingsValues values;
    EXPECT_EQ(settingsFileBytes(values), kDefaultFile);
    values.showCursor = true;
    EXPECT_NE(settingsFileBytes(values).find("\"outputMonitor\": 1,\r\n    \"showCursor\": true,\r\n    \"startWithWindows\""),
              std::string::npos);
    SettingsValues read;
    readSettingsText(R"({"captureMonitor": "x", "showCursor": true})", read);
    EXPECT_TRUE(read.showCursor) << "read whatever stops the other values";
    readSettingsText(R"({"showCursor": 1, "outputMonitor": 4})", read);
    EXPECT_TRUE(read.showCursor) << "a value that is no flag leaves it";
    EXPECT_EQ(read.outputs[0].outputMonitor, 4) << "and stops nothing";
}

namespace {

// The start of the tests below: every part of every output unlike its default.
SettingsValues valuesWithParts()
{
    SettingsValues values = unusualValues();
    values.outputs[0].surfaces[0].source = {0.25f, 0.25f, 0.75f, 0.75f};
    values.outputs[0].surfaces[0].blend = {0.1f, 0.1f, 0.1f, 0.1f, 3.0f, 1.5f, 0.05f};
    values.outputs[0].color = {0.1f, 1.2f, 2.0f, 0.9f, 1.0f, 1.1f};
    values.outputs.resize(2);
    values.outputs[1].outputMonitor = 9;
    values.outputs[1].surfaces[0].source = values.outputs[0].surfaces[0].source;
    return values;
}

struct Read {
    SettingsValues values = valuesWithParts();
    SettingsReading reading;
};

Read readParts(const std::string& text)
{
    Read read;
    read.reading = readSettingsText(text, read.values);
    return read;
}

using Names = std::vector<std::string>;

} // namespace

TEST(SettingsWriting, SourceBlendAndOtherOutputsAreWrittenWholeOnlyWhenNotTheDefault)
{
    SettingsValues values;
    values.outputs[0].surfaces[0].source.left = 0.5f;
    values.outputs.resize(2);
    values.outputs[1].surfaces[0].blend.left = 0.25f;
    const std::string bytes = settingsFileBytes(values);
    EXPECT_NE(bytes.find(withCrLf(R"(
    "source": {
        "bottom": 1.0,
        "left": 0.5,
        "right": 1.0,
        "top": 0.0
    },)")),
              std::string::npos)
        << bytes;
    // The entry: its blend whole, its corners and monitor always; its 2 x 2 mesh and whole source never.
    EXPECT_NE(bytes.find("\"extraOutputs\": [\r\n        {\r\n            \"blend\": {\r\n                \"blackLevel\": 0.0,"),
              std::string::npos)
        << bytes;
    EXPECT_NE(bytes.find("\"gamma\": 2.200000047683716,\r\n                \"left\": 0.25,"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("],\r\n            \"outputMonitor\": 1\r\n        }\r\n    ],\r\n    \"outputMonitor\": 1,"),
              std::string::npos)
        << bytes;
    EXPECT_EQ(bytes.find("\"blend\""), bytes.rfind("\"blend\"")) << "the first output's default blend is left out";
    EXPECT_EQ(bytes.find("\"mesh\""), std::string::npos);

    // More outputs, surfaces and masks than a file may hold: the first ones are written.
    values.outputs[1].surfaces.resize(kMostSurfaces + 2, middleQuarterSurface());
    values.outputs[1].masks.assign(kMostMasks + 1, middleNinthMask());
    values.outputs.resize(6, values.outputs[1]);
    SettingsValues read;
    EXPECT_TRUE(readSettingsText(settingsFileBytes(values), read).ignored.empty());
    values.outputs.resize(kMostOutputs);
    for (OutputValues& output : values.outputs) {
        output.surfaces.resize(std::min<std::size_t>(output.surfaces.size(), kMostSurfaces));
        output.masks.resize(std::min<std::size_t>(output.masks.size(), kMostMasks));
    }
    EXPECT_TRUE(sameValues(read, values));
}

TEST(SettingsWriting, NothingNotFiniteOrOutOfRangeIsWritten)
{
    constexpr float inf = std::numeric_limits<float>::infinity();
    SettingsValues values;
    values.outputs[0].surfaces[0].source.right = std::numeric_limits<float>::quiet_NaN();
    values.outputs[0].surfaces[0].blend.gamma = inf;
    values.outputs.resize(2);
    values.outputs[1].surfaces[0].source = {0.5f, 0.0f, 0.5f, 1.0f};
    values.outputs[1].surfaces[0].blend.curve = -inf;
    // A surface or a mask the reader would drop leaves its array empty, so not written.
    values.outputs[1].surfaces.resize(2);
    values.outputs[1].surfaces[1].corners[2].y = inf;
    values.outputs[0].masks = {middleNinthMask(), middleNinthMask(), middleNinthMask()};
    values.outputs[0].masks[0].feather = kMostFeather * 1.01f;
    values.outputs[0].masks[1].points.resize(kLeastMaskPoints - 1);
    values.outputs[0].masks[2].points[1].x = -inf;
    std::string bytes = settingsFileBytes(values);
    EXPECT_EQ(bytes.find("null"), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("\"source\""), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("\"blend\""), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("\"surfaces\""), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find("\"masks\""), std::string::npos) << bytes;

    // Nor can reading take one: numbers beyond float range are refused everywhere, each part on its own.
    const Read read = readParts(R"({"source": {"left": 1e39}, "blend": {"right": -1e39}, "mesh": 1,
        "extraOutputs": [{"outputMonitor": 1, "corners": [{"x": 1e39, "y": 0}], "source": {"top": -1e39},
                          "blend": {"blackLevel": 1e300}}]})");
    EXPECT_EQ(read.reading.ignored, (Names{"mesh", "source", "blend", "extraOutputs[0].corners",
                                           "extraOutputs[0].source", "extraOutputs[0].blend"}));
    bytes = settingsFileBytes(read.values);
    EXPECT_EQ(bytes.find("null"), std::string::npos) << bytes;
}

TEST(SettingsOutputParts, AMalformedSourceOrBlendIsIgnoredWholeAndTheRestStillApplies)
{
    const SettingsValues start = valuesWithParts();
    const std::pair<std::string, std::vector<std::string>> broken[] = {
        {"source", {"[0, 0, 1, 1]", "0.5", R"({"left": "0.1"})", R"({"right": true})", R"({"right": null})",
                    R"({"left": 0.5, "right": 0.5})", R"({"top": 0.75, "bottom": 0.25})", R"({"right": 1.01})",
                    R"({"top": -0.01})", R"({"bottom": 1e39})"}},
        {"blend", {"[]", "null", R"({"bottom": false})", R"({"curve": "2"})", R"({"left": 0.51})", R"({"right": -0.1})",
                   R"({"top": 1e39})", R"({"curve": 0.99})", R"({"curve": 4.01})", R"({"gamma": 0.5})",
                   R"({"gamma": 3.01})", R"({"blackLevel": 0.21})", R"({"blackLevel": -0.01})"}},
    };
    for (const auto& [key, values] : broken)
        for (const std::string& value : values) {
            // Beside it, all good: the other of the two, an entry and a plain value.
            const bool source = key == "source";
            const Read read = readParts("{\"" + key + "\": " + value + (source ? R"(, "blend")" : R"(, "source")") +
                                        R"(: {"left": 0.2}, "extraOutputs": [{"outputMonitor": 5}], "outputMonitor": 7})");
            EXPECT_EQ(read.reading.ignored, Names{key}) << value;
            EXPECT_EQ(read.values.outputs[0].surfaces[0].source, source ? start.outputs[0].surfaces[0].source : SourceRect{.left = 0.2f}) << value;
            EXPECT_EQ(read.values.outputs[0].surfaces[0].blend, source ? EdgeBlend{.left = 0.2f} : start.outputs[0].surfaces[0].blend) << value;
            ASSERT_EQ((read.values.outputs.size() - 1), 1u) << value;
            EXPECT_EQ(read.values.outputs[1].outputMonitor, 5) << value;
            EXPECT_EQ(read.values.outputs[0].outputMonitor, 7) << value;
        }

    // Missing members take the default's, not the start's; unknown ones are passed over; the limits are in range.
    Read read = readParts(R"({"source": {"right": 1, "bottom": 0.5, "note": "x"}, "blend": {"left": 0.1}})");
    EXPECT_TRUE(read.reading.ignored.empty());
    EXPECT_TRUE(read.values.outputs[0].surfaces[0].source == (SourceRect{0.0f, 0.0f, 1.0f, 0.5f}) && read.values.outputs[0].surfaces[0].blend == EdgeBlend{.left = 0.1f});
    read = readParts(R"({"blend": {"left": 0.5, "right": 0, "curve": 4, "gamma": 1, "blackLevel": 0.2}})");
    EXPECT_EQ(read.values.outputs[0].surfaces[0].blend, (EdgeBlend{0.5f, 0.0f, 0.0f, 0.0f, 4.0f, 1.0f, 0.2f}));
}

TEST(SettingsOutputParts, ColourMatchingAndRemoteControlAreReadWholeOrIgnoredAndWrittenOnlyWhenSet)
{
    const std::string broken[] = {"[]", "1", R"({"b": "0"})", R"({"c": true})", R"({"b": 1.01})", R"({"c": -0.01})",
                                  R"({"g": 0.49})", R"({"g": 3.01})", R"({"r": 2.01})", R"({"gr": -1})", R"({"bl": 1e39})"};
    for (const std::string& value : broken) {
        const Read read = readParts(R"({"color": )" + value + R"(, "extraOutputs": [{"outputMonitor": 2, "color": )" +
                                    value + R"(}], "osc": {"port": 9000}})");
        EXPECT_EQ(read.reading.ignored, (Names{"color", "extraOutputs[0].color"})) << value;
        EXPECT_EQ(read.values.outputs[0].color, valuesWithParts().outputs[0].color) << value;
        EXPECT_EQ(read.values.remote.port, 9000) << value;
    }
    for (const std::string value : {"[]", R"({"port": -1})", R"({"port": 65536})", R"({"port": 80.5})",
                                     R"({"port": "80"})", R"({"allowLan": 1})"}) {
        const Read read = readParts(R"({"osc": )" + value + R"(, "color": {"g": 2}})");
        EXPECT_EQ(read.reading.ignored, Names{"osc"}) << value;
        EXPECT_EQ(read.values.remote, RemoteSettings{}) << value;
        EXPECT_EQ(read.values.outputs[0].color, ColorMatch{.gamma = 2.0f}) << value;
    }

    // The defaults, and the port 0 with the loopback only, leave today's file as it is.
    SettingsValues values;
    values.outputs[0].color = ColorMatch{};
    EXPECT_EQ(settingsFileBytes(values), kDefaultFile);
    values.remote.allowLan = true;
    EXPECT_NE(settingsFileBytes(values).find("\"osc\": {\r\n        \"allowLan\": true,\r\n        \"port\": 0\r\n"),
              std::string::npos)
        << settingsFileBytes(values);
}

TEST(SettingsExtraOutputs, EntriesWithoutAReadableMonitorOrBeyondTheThirdAreDroppedByTheirPlace)
{
    Read read = readParts(R"({"extraOutputs": [{"outputMonitor": null}, {"corners": []}, {"outputMonitor": 2.7},
                                               {"outputMonitor": 4}, [1]]})");
    EXPECT_EQ(read.reading.ignored, (Names{"extraOutputs[0]", "extraOutputs[1]", "extraOutputs[3]", "extraOutputs[4]"}));
    ASSERT_EQ((read.values.outputs.size() - 1), 1u);
    EXPECT_EQ(read.values.outputs[1].outputMonitor, 2);
    EXPECT_TRUE(sameCorners(read.values.outputs[1].surfaces[0].corners, kDefaultCorners)) << "missing corners are the default";

    // Only an array replaces them; an empty one clears them.
    read = readParts(R"({"extraOutputs": {"outputMonitor": 2}, "outputMonitor": 7})");
    EXPECT_EQ(read.reading.ignored, Names{"extraOutputs"});
    SettingsValues want = valuesWithParts();
    want.outputs[0].outputMonitor = 7;
    EXPECT_TRUE(sameValues(read.values, want));
    EXPECT_EQ(readParts("{}").values.outputs.size() - 1, 1u);
    read = readParts(R"({"extraOutputs": []})");
    EXPECT_TRUE(read.reading.ignored.empty() && read.values.outputs.size() == 1);
}

TEST(SettingsExtraOutputs, AMalformedPartOfAnEntryTakesItsDefaultAlone)
{
    // The corners' first three are good: a half-read set must not survive.
    const Read read = readParts(R"({"extraOutputs": [
        {"outputMonitor": 2, "corners": [{"x":0.5,"y":0.25},{"x":1,"y":2},{"x":-3,"y":-4}],
         "mesh": {"columns": 3, "rows": 2, "offsets": []}, "source": {"left": 2}, "blend": {"gamma": true}},
        {"outputMonitor": 3, "mesh": {"columns": 2, "rows": 3, "offsets": [{"u":0,"v":0},{"u":0,"v":0},
            {"u":0.5,"v":0.25},{"u":0,"v":0},{"u":0,"v":0},{"u":0,"v":0}]},
         "source": {"right": 0.5}, "blend": {"right": 0.25}, "corners": "none"}],
        "mesh": {"columns": 2, "rows": 3, "offsets": []}, "captureMonitor": 6})");
    EXPECT_EQ(read.reading.mesh, MeshReading::Ignored) << "the first output's mesh is told apart from an entry's";
    EXPECT_EQ(read.reading.ignored, (Names{"mesh", "extraOutputs[0].corners", "extraOutputs[0].mesh",
                                           "extraOutputs[0].source", "extraOutputs[0].blend", "extraOutputs[1].corners"}));
    ASSERT_EQ((read.values.outputs.size() - 1), 2u);
    const OutputValues &first = read.values.outputs[1], &second = read.values.outputs[1 + 1];
    EXPECT_EQ(first.outputMonitor, 2);
    EXPECT_TRUE(sameCorners(first.surfaces[0].corners, kDefaultCorners));
    EXPECT_TRUE(first.surfaces[0].mesh == Mesh{} && first.surfaces[0].source == SourceRect{} && first.surfaces[0].blend == EdgeBlend{});
    EXPECT_EQ(second.outputMonitor, 3);
    EXPECT_EQ(second.surfaces[0].mesh.offsets.at(2), (MeshOffset{0.5f, 0.25f}));
    EXPECT_TRUE(second.surfaces[0].source == SourceRect{.right = 0.5f} && second.surfaces[0].blend == EdgeBlend{.right = 0.25f});
    EXPECT_EQ(read.values.captureMonitor, 6);
}

TEST(SettingsSurfacesAndMasks, AMalformedEntryIsDroppedByItsPlaceAndTheRestStillApplies)
{
    const std::string corners = kFourCorners, tri = R"({"points": [{"x": 0, "y": 0}, {"x": 1, "y": 0}, {"x": true, "y": 1})";
    std::string eightSurfaces = R"({"corners": )" + corners + "}", nineMasks = tri + "]}";
    for (int i = 1; i < 9; ++i) {
        if (i < 8)
            eightSurfaces += R"(, {"corners": )" + corners + "}";
        nineMasks += ", " + tri + "]}";
    }
    const Read read = readParts(R"({"surfaces": [7, {"corners": )" + corners + R"(, "mesh": 1, "source": {"right": 0.5},
        "blend": {"curve": 9}}, {"source": {}}, {"corners": [{"x": 0.5, "y": 0.25}]}], "masks": [)" + tri +
        "]}, " + tri + R"(], "feather": 200.5}, )" + tri + R"(], "feather": "2"}, )" + tri + R"(], "invert": 1},
        {"points": [{"x": 0, "y": 0}, {"x": 1, "y": 0}]}, {"points": [{"x": 0, "y": 0}, 1, {"x": 1, "y": 1}]},
        )" + tri + R"(], "feather": 200, "invert": true}, {"feather": 2}], "captureMonitor": 6, "extraOutputs": [
        {"outputMonitor": 2, "surfaces": {}, "masks": [)" + tri + R"(]}, null]},
        {"outputMonitor": 3, "surfaces": [)" + eightSurfaces + R"(], "masks": [)" + nineMasks + "]}]}");
    EXPECT_EQ(read.reading.ignored,
              (Names{"surfaces[0]", "surfaces[1].mesh", "surfaces[1].blend", "surfaces[2]", "surfaces[3]", "masks[1]",
                     "masks[2]", "masks[3]", "masks[4]", "masks[5]", "masks[7]", "extraOutputs[0].surfaces",
                     "extraOutputs[0].masks[1]", "extraOutputs[1].surfaces[7]", "extraOutputs[1].masks[8]"}));
    EXPECT_EQ(read.reading.mesh, MeshReading::Absent) << "a further surface's mesh is not the first's";
    const std::vector<CornerPoint> points{{0, 0}, {1, 0}, {1, 1}};
    const std::vector<OutputValues>& outputs = read.values.outputs;
    ASSERT_TRUE(outputs.size() == 3 && outputs[0].surfaces.size() == 2);
    EXPECT_EQ(outputs[0].surfaces[0], valuesWithParts().outputs[0].surfaces[0]);
    EXPECT_EQ(outputs[0].surfaces[1], (SurfaceValues{{{{0.5f, 0.25f}, {1, 2}, {-3, -4}, {5, 6}}}, {}, {.right = 0.5f}, {}}));
    EXPECT_EQ(outputs[0].masks, (std::vector<MaskValues>{{points, 0.0f, false}, {points, 200.0f, true}}));
    EXPECT_TRUE(outputs[1].surfaces.size() == 1 && outputs[1].masks == (std::vector<MaskValues>{{points, 0.0f, false}}));
    EXPECT_TRUE(outputs[2].surfaces.size() == kMostSurfaces && outputs[2].masks.size() == kMostMasks);
    EXPECT_EQ(read.values.captureMonitor, 6);
}

TEST(SettingsCamera, ReadWholeOrIgnoredAndWrittenOnlyWhenSet)
{
    const std::string target = R"([{"x": 10, "y": 20}, {"x": 630.5, "y": 20}, {"x": -10, "y": 470}, {"x": 630, "y": 470}])";
    const CameraSettings marked{"Camera B", {{{{10, 20}, {630.5f, 20}, {-10, 470}, {630, 470}}}}};
    const std::string broken[] = {"[]", R"("Camera B")", R"({"device": 5})", R"({"device": null})",
                                  R"({"target": {"x": 1, "y": 2}})", R"({"target": [{"x": 1, "y": 2}]})",
                                  R"({"device": "A", "target": [{"x": 1, "y": 2}, {"x": 1, "y": 2}, {"x": 1, "y": 2}, {"x": "1", "y": 2}]})",
                                  R"({"target": [{"x": 1, "y": 2}, {"x": 1, "y": 2}, {"x": 1, "y": 2}, {"x": 1e39, "y": 2}]})",
                                  R"({"target": [{"x": 1, "y": 2}, {"x": 1, "y": 2}, {"x": 1, "y": 2}, {"x": 1}]})"};
    for (const std::string& value : broken) {
        Read read;
        read.values.camera = marked;
        read.reading = readSettingsText(R"({"camera": )" + value + R"(, "osc": {"port": 9000}, "outputMonitor": 7})",
                                        read.values);
        EXPECT_EQ(read.reading.ignored, Names{"camera"}) << value;
        EXPECT_EQ(read.values.camera, marked) << value;
        EXPECT_EQ(read.values.remote.port, 9000) << value;
        EXPECT_EQ(read.values.outputs[0].outputMonitor, 7) << value;
    }
    EXPECT_EQ(readParts(R"({"camera": 1, "osc": 1})").reading.ignored, (Names{"osc", "camera"}));

    // Read whole: a missing member is the default's, not what was there before.
    Read read;
    read.values.camera = marked;
    readSettingsText(R"({"camera": {"device": "Camera C"}})", read.values);
    EXPECT_EQ(read.values.camera, (CameraSettings{"Camera C", std::nullopt}));
    read.reading = readSettingsText(R"({"camera": {"target": )" + target + R"(, "note": 1}})", read.values);
    EXPECT_TRUE(read.reading.ignored.empty());
    EXPECT_EQ(read.values.camera, (CameraSettings{"", marked.target}));

    // Nothing set, or only a target that is not finite, leaves today's file as it is; each part is written
    // only when set.
    SettingsValues values;
    values.camera.target = {{{0, 0}, {std::numeric_limits<float>::quiet_NaN(), 0}, {0, 1}, {1, 1}}};
    EXPECT_EQ(settingsFileBytes(values), kDefaultFile);
    values.camera.device = "Camera B";
    EXPECT_NE(settingsFileBytes(values).find("\"camera\": {\r\n        \"device\": \"Camera B\"\r\n    },\r\n    \"captureMonitor\""),
              std::string::npos)
        << settingsFileBytes(values);
    values.camera = CameraSettings{"", marked.target};
    const std::string bytes = settingsFileBytes(values);
    EXPECT_NE(bytes.find("\"camera\": {\r\n        \"target\": [\r\n"), std::string::npos) << bytes;
    SettingsValues loaded;
    EXPECT_TRUE(readSettingsText(bytes, loaded).ignored.empty());
    EXPECT_EQ(loaded.camera, values.camera);
}

TEST(SettingsMonitorNames, ReadWholeOrIgnoredAndWrittenOnlyWhenKnown)
{
    const MonitorId epson{"\\\\?\\DISPLAY#SEC5432#5&1a2b&0&UID4353", "EPSON PJ"};
    const std::string broken[] = {"\"p\"", "[]", "{}", R"({"path": ""})", R"({"path": 5})", R"({"name": "EPSON PJ"})",
                                  R"({"path": "p", "name": null})"};
    for (const std::string& value : broken) {
        Read read;
        read.values.captureMonitorId = epson;
        read.values.outputs[0].outputMonitorId = epson;
        read.reading = readSettingsText(R"({"outputMonitorId": )" + value + R"(, "captureMonitorId": )" + value +
                                            R"(, "extraOutputs": [{"outputMonitor": 2, "outputMonitorId": )" + value +
                                            R"(}], "camera": 1, "outputMonitor": 7})",
                                        read.values);
        EXPECT_EQ(read.reading.ignored,
                  (Names{"outputMonitorId", "extraOutputs[0].outputMonitorId", "camera", "captureMonitorId"}))
            << value;
        EXPECT_EQ(read.values.captureMonitorId, epson) << value;
        EXPECT_EQ(read.values.outputs[0].outputMonitorId, epson) << value;
        EXPECT_FALSE(read.values.outputs[1].outputMonitorId.known()) << value;
        EXPECT_EQ(read.values.outputs[0].outputMonitor, 7) << value;
    }
    // Read whole: a missing name is empty, not what was there before.
    Read read;
    read.values.captureMonitorId = epson;
    read.reading = readSettingsText(R"({"captureMonitorId": {"path": "q", "note": 1}})", read.values);
    EXPECT_TRUE(read.reading.ignored.empty());
    EXPECT_EQ(read.values.captureMonitorId, (MonitorId{"q", ""}));

    // Today's file, read and saved without names, keeps its bytes; with the names Windows gives, it gains
    // exactly them, beside the indices.
    SettingsValues values;
    readSettingsText(kDefaultFile, values);
    EXPECT_EQ(settingsFileBytes(values), kDefaultFile);
    values.outputs[0].outputMonitorId = epson;
    values.captureMonitorId = {"\\\\?\\DISPLAY#DEL4126#5&1a2b&0&UID4352", ""};
    std::string expected = kDefaultFile;
    expected.insert(expected.find("    \"corners\""),
                    "    \"captureMonitorId\": {\r\n        \"path\": \"\\\\\\\\?\\\\DISPLAY#DEL4126#5&1a2b&0&UID4352\"\r\n    },\r\n");
    expected.insert(expected.find("    \"startWithWindows\""),
                    "    \"outputMonitorId\": {\r\n        \"name\": \"EPSON PJ\",\r\n        \"path\": "
                    "\"\\\\\\\\?\\\\DISPLAY#SEC5432#5&1a2b&0&UID4353\"\r\n    },\r\n");
    EXPECT_EQ(settingsFileBytes(values), expected);
}
