#include <gtest/gtest.h>

#include <random>
#include <string>

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

bool sameValues(const SettingsValues& a, const SettingsValues& b)
{
    for (std::size_t i = 0; i < 4; ++i)
        if (a.corners[i].x != b.corners[i].x || a.corners[i].y != b.corners[i].y)
            return false;
    return a.captureMonitor == b.captureMonitor && a.outputMonitor == b.outputMonitor &&
           a.adapterIdx == b.adapterIdx && a.startWithWindows == b.startWithWindows && a.mesh == b.mesh && a.showCursor == b.showCursor;
}

// Values unlike every default, so that "not read" can be told from "read as the default".
SettingsValues unusualValues()
{
    SettingsValues values;
    values.corners = {{{-7, 7}, {8, 8}, {-9, -9}, {10, -10}}};
    values.captureMonitor = 40;
    values.outputMonitor = 41;
    values.adapterIdx = 42;
    values.startWithWindows = true;
    return values;
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
    values.corners[0] = {0.1f, -0.25f};
    values.corners[3] = {1e-7f, 3.0f};
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
    values.outputMonitor = 2147483647;
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
        for (CornerPoint& corner : written.corners)
            corner = {coordinate(random), coordinate(random)};
        written.captureMonitor = index(random);
        written.outputMonitor = index(random);
        written.adapterIdx = index(random);
        written.startWithWindows = (round % 2) == 0;
        written.showCursor = (round % 5) == 0;
        // Every third file holds a bent mesh of a random size.
        if (round % 3 == 0) {
            written.mesh = resizedMesh(Mesh{}, 2 + round % 8, 2 + round / 3 % 8);
            for (int32_t point = 0; point < written.mesh.pointCount(); ++point)
                if (cornerOfPoint(written.mesh, point) == -1)
                    written.mesh.offsets[static_cast<std::size_t>(point)] = {coordinate(random) / 3, coordinate(random) / 3};
        }
        const std::string bytes = settingsFileBytes(written);

        const SettingsValues loaded = readFrom(bytes, SettingsValues{});
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
    v.corners = {{{0.5f, 0.25f}, {1, 2}, {-3, -4}, {5, 6}}};
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
                     v.outputMonitor = 0;
                     v.adapterIdx = 2;
                     v.startWithWindows = false;
                 })},
        ReadCase{"ThreeCornersTakeThreeAndStop",
                 R"({"corners":[{"x":0.5,"y":0.25},{"x":1,"y":2},{"x":-3,"y":-4}],
                     "captureMonitor":1,"outputMonitor":0,"adapterIdx":2,"startWithWindows":false})",
                 changed([](SettingsValues& v) { v.corners = {{{0.5f, 0.25f}, {1, 2}, {-3, -4}, v.corners[3]}}; })},
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
                     v.corners[0] = {0.5f, 0.25f};
                     v.corners[1].x = 1;
                 })},
        ReadCase{"NullCornersStopAtOnce", R"({"corners":null,"captureMonitor":1,"startWithWindows":false})",
                 unchanged},
        ReadCase{"CornersAsObjectStop", R"({"corners":{"x":1,"y":1},"captureMonitor":1})", unchanged},
        ReadCase{"CornerEntryNotAnObject", R"({"corners":[{"x":0.5,"y":0.25},[1,2]],"captureMonitor":1})",
                 changed([](SettingsValues& v) { v.corners[0] = {0.5f, 0.25f}; })},
        ReadCase{"StringCoordinateStops", R"({"corners":[{"x":"0.5","y":0.25}],"captureMonitor":1})", unchanged},
        ReadCase{"BooleanCoordinatesReadAsOneAndZero", R"({"corners":[{"x":true,"y":false}]})",
                 changed([](SettingsValues& v) { v.corners[0] = {1, 0}; })},
        ReadCase{"CornerBeyondFloatRangeStops", R"({"corners":[{"x":0.5,"y":1e39}],"captureMonitor":1})",
                 changed([](SettingsValues& v) { v.corners[0].x = 0.5f; })},
        ReadCase{"NegativeCornerBeyondFloatRangeStops", R"({"corners":[{"x":-3.5e38,"y":1}]})", unchanged},
        ReadCase{"CornerNearFloatLimitIsKept", R"({"corners":[{"x":3.4e38,"y":-3.4e38}]})",
                 changed([](SettingsValues& v) { v.corners[0] = {3.4e38f, -3.4e38f}; })},
        ReadCase{"FarCornersAreNotClamped", R"({"corners":[{"x":-250.5,"y":1000}]})",
                 changed([](SettingsValues& v) { v.corners[0] = {-250.5f, 1000.0f}; })},
        ReadCase{"StartWithWindowsOneIsNotABoolean", R"({"startWithWindows":1})", unchanged},
        ReadCase{"StartWithWindowsFalse", R"({"startWithWindows":false})",
                 changed([](SettingsValues& v) { v.startWithWindows = false; })},
        ReadCase{"CaptureMonitorTrueIsOne", R"({"captureMonitor":true})",
                 changed([](SettingsValues& v) { v.captureMonitor = 1; })},
        ReadCase{"FractionTruncatesTowardZero", R"({"outputMonitor":2.9,"adapterIdx":-1.9})",
                 changed([](SettingsValues& v) {
                     v.outputMonitor = 2;
                     v.adapterIdx = -1;
                 })},
        ReadCase{"NegativeIndexKept", R"({"outputMonitor":-1})",
                 changed([](SettingsValues& v) { v.outputMonitor = -1; })},
        ReadCase{"IndexStringStopsTheRest", R"({"captureMonitor":3,"outputMonitor":"1","adapterIdx":2})",
                 changed([](SettingsValues& v) { v.captureMonitor = 3; })},
        ReadCase{"IndexNullStops", R"({"outputMonitor":null,"adapterIdx":2})", unchanged},
        ReadCase{"IndexLimitsFit", R"({"captureMonitor":2147483647,"outputMonitor":-2147483648})",
                 changed([](SettingsValues& v) {
                     v.captureMonitor = 2147483647;
                     v.outputMonitor = -2147483647 - 1;
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
    values.mesh = resizedMesh(Mesh{}, 2, 2);
    EXPECT_EQ(settingsFileBytes(values), kDefaultFile) << "a four-corner file keeps exactly its five keys";
    values.mesh = resizedMesh(Mesh{}, 3, 2);
    values.mesh.offsets[1] = {0.25f, -0.125f};
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
        EXPECT_EQ(readSettingsText(text, values), MeshReading::Ignored) << mesh;
        EXPECT_EQ(values.mesh, Mesh{}) << mesh;
        EXPECT_EQ(values.outputMonitor, 7) << "the rest of the file still applies: " << mesh;
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
        EXPECT_EQ(readSettingsText(R"({"mesh": {"columns": 3, "rows": 2, "offsets": )" + offsets + "}}", values),
                  MeshReading::Ignored)
            << offsets;
        EXPECT_EQ(values.mesh, Mesh{});
    }

    SettingsValues values;
    EXPECT_EQ(readSettingsText("{\"mesh\": {" + good + "}}", values), MeshReading::Read);
    ASSERT_EQ(values.mesh.pointCount(), 6);
    EXPECT_EQ(values.mesh.offsets[1], (MeshOffset{0.5f, -0.5f}));
    EXPECT_EQ(values.mesh.offsets[4], (MeshOffset{0.1f, 0.2f}));
    // A corner's offset in the file reads as 0.
    EXPECT_EQ(readSettingsText(R"({"mesh": {"columns": 3, "rows": 2, "offsets": [{"u": 0.3, "v": 0.3}, )" + sixZeros + "]}}", values),
              MeshReading::Read);
    EXPECT_EQ(values.mesh.offsets[0], MeshOffset{});
    EXPECT_EQ(readSettingsText(kDefaultFile, values), MeshReading::Absent);
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
    EXPECT_EQ(read.outputMonitor, 4) << "and stops nothing";
}
