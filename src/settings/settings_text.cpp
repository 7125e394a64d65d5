// config.json text <-> SettingsValues. The JSON library's exceptions stay inside this file.
#include "settings/settings_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::json;

static_assert(std::numeric_limits<float>::is_iec559, "a double beyond float range must become infinity");

// Indices accept any JSON number, or true/false as 1/0, truncated toward zero.
// A value outside the 32-bit range is refused like a wrong type.
bool readIndex(const Json& value, int32_t& field)
{
    constexpr int64_t lowest = std::numeric_limits<int32_t>::min();
    constexpr int64_t highest = std::numeric_limits<int32_t>::max();
    if (value.is_boolean()) {
        field = value.get<bool>() ? 1 : 0;
        return true;
    }
    if (value.is_number_unsigned()) {
        const uint64_t number = value.get<uint64_t>();
        if (number > static_cast<uint64_t>(highest))
            return false;
        field = static_cast<int32_t>(number);
        return true;
    }
    if (value.is_number_integer()) {
        const int64_t number = value.get<int64_t>();
        if (number < lowest || number > highest)
            return false;
        field = static_cast<int32_t>(number);
        return true;
    }
    if (value.is_number_float()) {
        const double number = std::trunc(value.get<double>());
        if (!(number >= static_cast<double>(lowest) && number <= static_cast<double>(highest)))
            return false;
        field = static_cast<int32_t>(number);
        return true;
    }
    return false;
}

// Coordinates accept any JSON number, or true/false as 1/0, rounded to float.
// A value that is not finite as a float is refused: it would be saved as null later.
bool readCoordinate(const Json& value, float& field)
{
    double number = 0.0;
    if (value.is_boolean())
        number = value.get<bool>() ? 1.0 : 0.0;
    else if (value.is_number())
        number = value.get<double>();
    else
        return false;
    const float rounded = static_cast<float>(number);
    if (!std::isfinite(rounded))
        return false;
    field = rounded;
    return true;
}

bool readMemberCoordinate(const Json& entry, const char* key, float& field)
{
    const auto member = entry.find(key);
    return member != entry.end() && readCoordinate(*member, field);
}

// Corner i's x, then its y, for i = 0..3; entries after the fourth are ignored.
bool readCorners(const Json& value, CornerSet& corners)
{
    if (!value.is_array())
        return false;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        if (i >= value.size() || !value[i].is_object())
            return false;
        if (!readMemberCoordinate(value[i], "x", corners[i].x))
            return false;
        if (!readMemberCoordinate(value[i], "y", corners[i].y))
            return false;
    }
    return true;
}

bool readFlag(const Json& value, bool& field)
{
    if (!value.is_boolean())
        return false;
    field = value.get<bool>();
    return true;
}

// A side of 2 to 9, as a JSON integer.
bool readMeshSide(const Json& mesh, const char* key, int32_t& side)
{
    const auto member = mesh.find(key);
    if (member == mesh.end())
        return false;
    int64_t number = 0;
    if (member->is_number_unsigned())
        number = static_cast<int64_t>(std::min<uint64_t>(member->get<uint64_t>(), kLargestMeshSide + 1));
    else if (member->is_number_integer())
        number = member->get<int64_t>();
    if (!isMeshSide(number))
        return false;
    side = static_cast<int32_t>(number);
    return true;
}

// An offset's u or v: a finite number from -1 to 1 (no true or false).
bool readOffsetPart(const Json& entry, const char* key, float& field)
{
    const auto member = entry.find(key);
    if (member == entry.end() || !member->is_number())
        return false;
    const double number = member->get<double>();
    if (!(number >= -1.0 && number <= 1.0))
        return false;
    field = static_cast<float>(number);
    return true;
}

// The whole mesh or nothing: C x R offsets row by row; the corner points' offsets read as 0.
bool readMesh(const Json& value, Mesh& mesh)
{
    Mesh read;
    if (!value.is_object() || !readMeshSide(value, "columns", read.columns) || !readMeshSide(value, "rows", read.rows))
        return false;
    const auto offsets = value.find("offsets");
    if (offsets == value.end() || !offsets->is_array() || offsets->size() != static_cast<std::size_t>(read.pointCount()))
        return false;
    read.offsets.assign(offsets->size(), MeshOffset{});
    for (int32_t point = 0; point < read.pointCount(); ++point) {
        const Json& entry = (*offsets)[static_cast<std::size_t>(point)];
        MeshOffset& offset = read.offsets[static_cast<std::size_t>(point)];
        if (!entry.is_object() || !readOffsetPart(entry, "u", offset.u) || !readOffsetPart(entry, "v", offset.v))
            return false;
        if (cornerOfPoint(read, point) != -1)
            offset = MeshOffset{};
    }
    mesh = std::move(read);
    return true;
}

// Parses the first JSON value of the text; what follows it is ignored.
bool parseFirstValue(std::string_view text, Json& document)
{
    std::istringstream stream{std::string(text)};
    try {
        stream >> document;
    } catch (const Json::exception&) {
        return false;
    }
    return true;
}

// The five plain values in their fixed order; a present member that cannot be read ends the reading.
void readPlainValues(const Json& document, SettingsValues& values)
{
    // A missing member is passed over.
    const auto read = [&document](const char* key, auto&& reader) {
        const auto member = document.find(key);
        return member == document.end() || reader(*member);
    };
    if (!read("corners", [&](const Json& v) { return readCorners(v, values.corners); }))
        return;
    if (!read("captureMonitor", [&](const Json& v) { return readIndex(v, values.captureMonitor); }))
        return;
    if (!read("outputMonitor", [&](const Json& v) { return readIndex(v, values.outputMonitor); }))
        return;
    if (!read("adapterIdx", [&](const Json& v) { return readIndex(v, values.adapterIdx); }))
        return;
    read("startWithWindows", [&](const Json& v) { return readFlag(v, values.startWithWindows); });
}

} // namespace

MeshReading readSettingsText(std::string_view text, SettingsValues& values)
{
    Json document;
    if (!parseFirstValue(text, document) || !document.is_object())
        return MeshReading::Absent;

    MeshReading mesh = MeshReading::Absent;
    if (const auto member = document.find("mesh"); member != document.end())
        mesh = readMesh(*member, values.mesh) ? MeshReading::Read : MeshReading::Ignored;
    if (const auto member = document.find("showCursor"); member != document.end())
        readFlag(*member, values.showCursor);
    readPlainValues(document, values);
    return mesh;
}

std::string settingsFileBytes(const SettingsValues& values)
{
    Json corners = Json::array();
    for (const CornerPoint& corner : values.corners) {
        // Widened exactly, so the library prints the shortest text that reads back to the same double.
        Json point = Json::object();
        point["x"] = static_cast<double>(corner.x);
        point["y"] = static_cast<double>(corner.y);
        corners.push_back(point);
    }
    Json document = Json::object();
    document["adapterIdx"] = values.adapterIdx;
    document["captureMonitor"] = values.captureMonitor;
    document["corners"] = corners;
    if (values.mesh.pointCount() > 4) {
        Json offsets = Json::array();
        for (const MeshOffset& offset : values.mesh.offsets) {
            Json entry = Json::object();
            entry["u"] = static_cast<double>(offset.u);
            entry["v"] = static_cast<double>(offset.v);
            offsets.push_back(entry);
        }
        Json mesh = Json::object();
        mesh["columns"] = values.mesh.columns;
        mesh["rows"] = values.mesh.rows;
        mesh["offsets"] = offsets;
        document["mesh"] = mesh;
    }
    document["outputMonitor"] = values.outputMonitor;
    if (values.showCursor)
        document["showCursor"] = true;
    document["startWithWindows"] = values.startWithWindows;

    // The file is a Windows text file: every line break is CR LF.
    const std::string text = document.dump(4);
    std::string bytes;
    bytes.reserve(text.size() + 64);
    for (char c : text) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return bytes;
}
