// config.json text <-> SettingsValues. The JSON library's exceptions stay inside this file.
#include "settings/settings_text.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <sstream>
#include <utility>

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

// Fractions of a source rectangle or an edge blend, or a mask's feather: any JSON number (no true or false),
// rounded to float.
// A missing member keeps the value given. A number beyond float range becomes infinity, which the range
// check that follows refuses.
bool readFractions(const Json& value, std::initializer_list<std::pair<const char*, float*>> members)
{
    if (!value.is_object())
        return false;
    for (const auto& [key, field] : members) {
        const auto member = value.find(key);
        if (member == value.end())
            continue;
        if (!member->is_number())
            return false;
        *field = static_cast<float>(member->get<double>());
    }
    return true;
}

// The whole rectangle or nothing; missing members take the default's.
bool readSource(const Json& value, SourceRect& source)
{
    SourceRect read;
    if (!readFractions(value,
                       {{"left", &read.left}, {"top", &read.top}, {"right", &read.right}, {"bottom", &read.bottom}}) ||
        !isSourceRect(read))
        return false;
    source = read;
    return true;
}

// The whole blend or nothing; missing members take the default's.
bool readBlend(const Json& value, EdgeBlend& blend)
{
    EdgeBlend read;
    if (!readFractions(value, {{"left", &read.left},
                               {"right", &read.right},
                               {"top", &read.top},
                               {"bottom", &read.bottom},
                               {"curve", &read.curve},
                               {"gamma", &read.gamma},
                               {"blackLevel", &read.blackLevel}}) ||
        !isEdgeBlend(read))
        return false;
    blend = read;
    return true;
}

// The parts of one surface that are read on their own, whole or not at all: the mesh, the source rectangle
// and the blend, in that order. Each that is present but cannot be read keeps its value and adds its name,
// after `prefix`, to `ignored`. The mesh's word is returned.
MeshReading readSurfaceParts(const Json& object, SurfaceValues& output, const std::string& prefix,
                            std::vector<std::string>& ignored)
{
    const auto part = [&](const char* key, auto&& reader) {
        const auto member = object.find(key);
        if (member == object.end())
            return MeshReading::Absent;
        if (reader(*member))
            return MeshReading::Read;
        ignored.push_back(prefix + key);
        return MeshReading::Ignored;
    };
    const MeshReading meshReading = part("mesh", [&](const Json& v) { return readMesh(v, output.mesh); });
    part("source", [&](const Json& v) { return readSource(v, output.source); });
    part("blend", [&](const Json& v) { return readBlend(v, output.blend); });
    return meshReading;
}

// A mask's points: 3 to kMostMaskPoints objects, each x and y read like a corner's.
bool readMaskPoints(const Json& value, std::vector<CornerPoint>& points)
{
    if (!value.is_array() || value.size() < static_cast<std::size_t>(kLeastMaskPoints) ||
        value.size() > static_cast<std::size_t>(kMostMaskPoints))
        return false;
    points.assign(value.size(), CornerPoint{});
    for (std::size_t i = 0; i < value.size(); ++i)
        if (!value[i].is_object() || !readMemberCoordinate(value[i], "x", points[i].x) ||
            !readMemberCoordinate(value[i], "y", points[i].y))
            return false;
    return true;
}

// The whole mask or nothing: its points, its feather (0 when missing) and its invert (false when missing).
bool readMask(const Json& value, MaskValues& mask)
{
    MaskValues read;
    if (!readFractions(value, {{"feather", &read.feather}}))
        return false;
    const auto points = value.find("points");
    if (points == value.end() || !readMaskPoints(*points, read.points))
        return false;
    if (const auto invert = value.find("invert"); invert != value.end() && !readFlag(*invert, read.invert))
        return false;
    if (!isMask(read))
        return false;
    mask = std::move(read);
    return true;
}

// One entry of "surfaces"; false when it is dropped. Its corners are required: the writer always gives them,
// and without them the surface would lie exactly over the first. Its other parts fall back to their defaults.
bool readFurtherSurface(const Json& entry, const std::string& name, SurfaceValues& surface,
                        std::vector<std::string>& ignored)
{
    if (!entry.is_object())
        return false;
    const auto corners = entry.find("corners");
    if (corners == entry.end() || !readCorners(*corners, surface.corners))
        return false;
    readSurfaceParts(entry, surface, name + ".", ignored);
    return true;
}

// The optional array `key` of `object`, its entries read one by one into `read`; true when it is present and
// an array. An entry is named by its place in the file, so one dropped entry leaves the places of the others,
// and places from `most` on are dropped whatever they hold.
template <typename Value, typename ReadEntry>
bool readArray(const Json& object, const char* key, int32_t most, const std::string& prefix,
               std::vector<std::string>& ignored, std::vector<Value>& read, ReadEntry&& readEntry)
{
    const auto member = object.find(key);
    if (member == object.end())
        return false;
    if (!member->is_array()) {
        ignored.push_back(prefix + key);
        return false;
    }
    for (std::size_t i = 0; i < member->size(); ++i) {
        const std::string name = prefix + key + "[" + std::to_string(i) + "]";
        Value value;
        if (i < static_cast<std::size_t>(most) && readEntry((*member)[i], name, value))
            read.push_back(std::move(value));
        else
            ignored.push_back(name);
    }
    return true;
}

// The whole colour matching or nothing; missing members take the default's.
bool readColor(const Json& value, ColorMatch& color)
{
    ColorMatch read;
    if (!readFractions(value, {{"b", &read.brightness},
                               {"c", &read.contrast},
                               {"g", &read.gamma},
                               {"r", &read.red},
                               {"gr", &read.green},
                               {"bl", &read.blue}}) ||
        !isColorMatch(read))
        return false;
    color = read;
    return true;
}

// The whole remote control or nothing: a port from 0 to kLargestPort and a flag, missing members the
// default's.
bool readRemote(const Json& value, RemoteSettings& remote)
{
    RemoteSettings read;
    if (!value.is_object())
        return false;
    if (const auto port = value.find("port"); port != value.end()) {
        if (!port->is_number_integer() || port->get<int64_t>() < 0 || port->get<int64_t>() > kLargestPort)
            return false;
        read.port = static_cast<int32_t>(port->get<int64_t>());
    }
    if (const auto lan = value.find("allowLan"); lan != value.end()) {
        if (!lan->is_boolean())
            return false;
        read.allowLan = lan->get<bool>();
    }
    remote = read;
    return true;
}

// The whole camera or nothing: a device's name (a string) and a target of four points, each x and y read
// like a corner's, missing members the default's.
bool readCamera(const Json& value, CameraSettings& camera)
{
    CameraSettings read;
    if (!value.is_object())
        return false;
    if (const auto device = value.find("device"); device != value.end()) {
        if (!device->is_string())
            return false;
        read.device = device->get<std::string>();
    }
    if (const auto target = value.find("target"); target != value.end()) {
        CornerSet points{};
        if (!readCorners(*target, points))
            return false;
        read.target = points;
    }
    camera = std::move(read);
    return true;
}

// A monitor's names, whole or nothing: a path that is not empty and a name, empty when missing.
bool readMonitorId(const Json& value, MonitorId& id)
{
    if (!value.is_object())
        return false;
    MonitorId read;
    const auto path = value.find("path");
    if (path == value.end() || !path->is_string() || path->get<std::string>().empty())
        return false;
    read.path = path->get<std::string>();
    if (const auto name = value.find("name"); name != value.end()) {
        if (!name->is_string())
            return false;
        read.name = name->get<std::string>();
    }
    id = std::move(read);
    return true;
}

// The optional `key` of `object` into `id`; one that cannot be read keeps `id` and is named in `ignored`.
void readMonitorIdMember(const Json& object, const char* key, MonitorId& id, const std::string& prefix,
                         std::vector<std::string>& ignored)
{
    if (const auto member = object.find(key); member != object.end() && !readMonitorId(*member, id))
        ignored.push_back(prefix + key);
}

// An output's surfaces after the first and its masks: each array, when present, replaces what the output held.
// Then its colour matching.
void readSurfacesAndMasks(const Json& object, OutputValues& output, const std::string& prefix,
                          std::vector<std::string>& ignored)
{
    std::vector<SurfaceValues> surfaces;
    if (readArray(object, "surfaces", kMostSurfaces - 1, prefix, ignored, surfaces,
                  [&](const Json& entry, const std::string& name, SurfaceValues& surface) {
                      return readFurtherSurface(entry, name, surface, ignored);
                  })) {
        output.surfaces.resize(1);
        output.surfaces.insert(output.surfaces.end(), surfaces.begin(), surfaces.end());
    }
    std::vector<MaskValues> masks;
    if (readArray(object, "masks", kMostMasks, prefix, ignored, masks,
                  [](const Json& entry, const std::string&, MaskValues& mask) { return readMask(entry, mask); }))
        output.masks = std::move(masks);
    if (const auto color = object.find("color"); color != object.end() && !readColor(*color, output.color))
        ignored.push_back(prefix + "color");
}

// One entry of "extraOutputs"; false when it is dropped. Its other parts fall back to their defaults.
bool readExtraOutput(const Json& entry, const std::string& name, OutputValues& output,
                     std::vector<std::string>& ignored)
{
    if (!entry.is_object())
        return false;
    const auto monitor = entry.find("outputMonitor");
    if (monitor == entry.end() || !readIndex(*monitor, output.outputMonitor))
        return false;
    // readCorners assigns as it goes, so a malformed set must not reach the output half read.
    if (const auto member = entry.find("corners"); member != entry.end()) {
        CornerSet corners = kDefaultCorners;
        if (readCorners(*member, corners))
            output.surfaces.front().corners = corners;
        else
            ignored.push_back(name + ".corners");
    }
    readSurfaceParts(entry, output.surfaces.front(), name + ".", ignored);
    readSurfacesAndMasks(entry, output, name + ".", ignored);
    readMonitorIdMember(entry, "outputMonitorId", output.outputMonitorId, name + ".", ignored);
    return true;
}

// Replaces the outputs after the first with the entries of "extraOutputs" that can be read.
void readExtraOutputs(const Json& document, std::vector<OutputValues>& outputs, std::vector<std::string>& ignored)
{
    std::vector<OutputValues> read;
    if (!readArray(document, "extraOutputs", kMostOutputs - 1, "", ignored, read,
                   [&](const Json& entry, const std::string& name, OutputValues& output) {
                       return readExtraOutput(entry, name, output, ignored);
                   }))
        return;
    outputs.resize(1);
    outputs.insert(outputs.end(), read.begin(), read.end());
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
// False when a value of the wrong type stopped the reading.
bool readPlainValues(const Json& document, SettingsValues& values)
{
    OutputValues& first = values.outputs.front();
    // A missing member is passed over.
    const auto read = [&document](const char* key, auto&& reader) {
        const auto member = document.find(key);
        return member == document.end() || reader(*member);
    };
    return read("corners", [&](const Json& v) { return readCorners(v, first.surfaces.front().corners); }) &&
           read("captureMonitor", [&](const Json& v) { return readIndex(v, values.captureMonitor); }) &&
           read("outputMonitor", [&](const Json& v) { return readIndex(v, first.outputMonitor); }) &&
           read("adapterIdx", [&](const Json& v) { return readIndex(v, values.adapterIdx); }) &&
           read("startWithWindows", [&](const Json& v) { return readFlag(v, values.startWithWindows); });
}

// Every float is widened exactly, so the library prints the shortest text that reads back to the same double.
Json cornersJson(const CornerSet& corners)
{
    Json array = Json::array();
    for (const CornerPoint& corner : corners) {
        Json point = Json::object();
        point["x"] = static_cast<double>(corner.x);
        point["y"] = static_cast<double>(corner.y);
        array.push_back(point);
    }
    return array;
}

// The mesh beyond 2 x 2, and the source rectangle and the blend when they are not the default. One out of
// range (or not finite, which would be written as null) is left out: reading would refuse it anyway.
void writeSurfaceParts(const SurfaceValues& output, Json& object)
{
    const Mesh& mesh = output.mesh;
    const SourceRect& source = output.source;
    const EdgeBlend& blend = output.blend;
    if (mesh.pointCount() > 4) {
        Json offsets = Json::array();
        for (const MeshOffset& offset : mesh.offsets) {
            Json entry = Json::object();
            entry["u"] = static_cast<double>(offset.u);
            entry["v"] = static_cast<double>(offset.v);
            offsets.push_back(entry);
        }
        Json written = Json::object();
        written["columns"] = mesh.columns;
        written["rows"] = mesh.rows;
        written["offsets"] = offsets;
        object["mesh"] = written;
    }
    if (source != SourceRect{} && isSourceRect(source)) {
        Json written = Json::object();
        written["left"] = static_cast<double>(source.left);
        written["top"] = static_cast<double>(source.top);
        written["right"] = static_cast<double>(source.right);
        written["bottom"] = static_cast<double>(source.bottom);
        object["source"] = written;
    }
    if (blend != EdgeBlend{} && isEdgeBlend(blend)) {
        Json written = Json::object();
        written["left"] = static_cast<double>(blend.left);
        written["right"] = static_cast<double>(blend.right);
        written["top"] = static_cast<double>(blend.top);
        written["bottom"] = static_cast<double>(blend.bottom);
        written["curve"] = static_cast<double>(blend.curve);
        written["gamma"] = static_cast<double>(blend.gamma);
        written["blackLevel"] = static_cast<double>(blend.blackLevel);
        object["blend"] = written;
    }
}

bool isFinite(const CornerSet& corners)
{
    return std::all_of(corners.begin(), corners.end(),
                       [](const CornerPoint& corner) { return std::isfinite(corner.x) && std::isfinite(corner.y); });
}

// "surfaces" and "masks", each only when it has an entry. An entry the reader would drop is left out, and
// so is one beyond what it takes: either would only come back as an ignored entry.
void writeSurfacesAndMasks(const OutputValues& output, Json& object)
{
    Json surfaces = Json::array();
    const auto mostSurfaces = static_cast<std::size_t>(kMostSurfaces - 1);
    for (std::size_t i = 1; i < output.surfaces.size() && surfaces.size() < mostSurfaces; ++i) {
        const SurfaceValues& surface = output.surfaces[i];
        if (!isFinite(surface.corners))
            continue;
        Json entry = Json::object();
        entry["corners"] = cornersJson(surface.corners);
        writeSurfaceParts(surface, entry);
        surfaces.push_back(entry);
    }
    if (!surfaces.empty())
        object["surfaces"] = surfaces;

    Json masks = Json::array();
    for (std::size_t i = 0; i < output.masks.size() && masks.size() < static_cast<std::size_t>(kMostMasks); ++i) {
        const MaskValues& mask = output.masks[i];
        if (!isMask(mask))
            continue;
        Json points = Json::array();
        for (const CornerPoint& point : mask.points) {
            Json written = Json::object();
            written["x"] = static_cast<double>(point.x);
            written["y"] = static_cast<double>(point.y);
            points.push_back(written);
        }
        Json entry = Json::object();
        entry["points"] = points;
        entry["feather"] = static_cast<double>(mask.feather);
        if (mask.invert)
            entry["invert"] = true;
        masks.push_back(entry);
    }
    if (!masks.empty())
        object["masks"] = masks;

    const ColorMatch& color = output.color;
    if (color != ColorMatch{} && isColorMatch(color)) {
        Json written = Json::object();
        written["b"] = static_cast<double>(color.brightness);
        written["c"] = static_cast<double>(color.contrast);
        written["g"] = static_cast<double>(color.gamma);
        written["r"] = static_cast<double>(color.red);
        written["gr"] = static_cast<double>(color.green);
        written["bl"] = static_cast<double>(color.blue);
        object["color"] = written;
    }
}

// The camera's device when it is named and its target when it is marked and finite (the reader refuses
// one that is not); an empty object when there is neither.
Json cameraJson(const CameraSettings& camera)
{
    Json written = Json::object();
    if (!camera.device.empty())
        written["device"] = camera.device;
    if (camera.target && isFinite(*camera.target))
        written["target"] = cornersJson(*camera.target);
    return written;
}

// A monitor's names, when known; "name" only when there is one.
void writeMonitorId(const MonitorId& id, const char* key, Json& object)
{
    if (!id.known())
        return;
    Json written = Json::object();
    written["path"] = id.path;
    if (!id.name.empty())
        written["name"] = id.name;
    object[key] = written;
}

} // namespace

// The names in `ignored` come in a fixed order: the first output's "mesh", "source", "blend", its
// "surfaces" and then its "masks" (the array, or its entries one by one, each surface entry's own mesh,
// source and blend right after its place), its "color" and its "outputMonitorId", then "extraOutputs" or
// its entries one by one, each entry's own names (corners, mesh, source, blend, surfaces, masks, color,
// outputMonitorId, in the same way) right after its place, then "osc", then "camera", then
// "captureMonitorId".
SettingsReading readSettingsText(std::string_view text, SettingsValues& values)
{
    SettingsReading reading;
    Json document;
    if (!parseFirstValue(text, document) || !document.is_object())
        return reading;

    if (values.outputs.empty())
        values.outputs.emplace_back();
    reading.mesh = readSurfaceParts(document, values.outputs.front().surfaces.front(), "", reading.ignored);
    readSurfacesAndMasks(document, values.outputs.front(), "", reading.ignored);
    readMonitorIdMember(document, "outputMonitorId", values.outputs.front().outputMonitorId, "", reading.ignored);
    readExtraOutputs(document, values.outputs, reading.ignored);
    if (const auto member = document.find("osc"); member != document.end() && !readRemote(*member, values.remote))
        reading.ignored.push_back("osc");
    if (const auto member = document.find("camera"); member != document.end() && !readCamera(*member, values.camera))
        reading.ignored.push_back("camera");
    readMonitorIdMember(document, "captureMonitorId", values.captureMonitorId, "", reading.ignored);
    if (const auto member = document.find("showCursor"); member != document.end())
        readFlag(*member, values.showCursor);
    reading.readWhole = readPlainValues(document, values);
    return reading;
}

std::string settingsFileBytes(const SettingsValues& values)
{
    Json document = Json::object();
    document["adapterIdx"] = values.adapterIdx;
    document["captureMonitor"] = values.captureMonitor;
    writeMonitorId(values.captureMonitorId, "captureMonitorId", document);
    static const OutputValues kNoOutput;
    const OutputValues& first = values.outputs.empty() ? kNoOutput : values.outputs.front();
    document["corners"] = cornersJson(first.surfaces.front().corners);
    writeSurfaceParts(first.surfaces.front(), document);
    writeSurfacesAndMasks(first, document);
    writeMonitorId(first.outputMonitorId, "outputMonitorId", document);
    if (values.outputs.size() > 1) {
        // More than the reader takes would only come back as ignored entries.
        const std::size_t count = std::min(values.outputs.size(), static_cast<std::size_t>(kMostOutputs));
        Json outputs = Json::array();
        for (std::size_t i = 1; i < count; ++i) {
            const OutputValues& output = values.outputs[i];
            Json entry = Json::object();
            entry["outputMonitor"] = output.outputMonitor;
            entry["corners"] = cornersJson(output.surfaces.front().corners);
            writeSurfaceParts(output.surfaces.front(), entry);
            writeSurfacesAndMasks(output, entry);
            writeMonitorId(output.outputMonitorId, "outputMonitorId", entry);
            outputs.push_back(entry);
        }
        document["extraOutputs"] = outputs;
    }
    if (values.remote != RemoteSettings{} && values.remote.port >= 0 && values.remote.port <= kLargestPort) {
        Json remote = Json::object();
        remote["port"] = values.remote.port;
        remote["allowLan"] = values.remote.allowLan;
        document["osc"] = remote;
    }
    if (const Json camera = cameraJson(values.camera); !camera.empty())
        document["camera"] = camera;
    document["outputMonitor"] = first.outputMonitor;
    if (values.showCursor)
        document["showCursor"] = true;
    document["startWithWindows"] = values.startWithWindows;

    // The file is a Windows text file: every line break is CR LF. A device's name that is not UTF-8 would
    // make the library throw; its bad bytes are written as U+FFFD instead.
    const std::string text = document.dump(4, ' ', false, Json::error_handler_t::replace);
    std::string bytes;
    bytes.reserve(text.size() + 64);
    for (char c : text) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return bytes;
}
