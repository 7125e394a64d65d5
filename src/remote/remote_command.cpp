// The "/ostrel/" addresses.
#include "remote/remote_command.h"

#include <cmath>
#include <string_view>

namespace {

using Kind = RemoteCommand::Kind;

constexpr std::string_view kOutputRoot = "/ostrel/output/";

// What an address names: the command's kind, and for an output's address its output and corner.
struct Address {
    Kind kind = Kind::Status;
    int32_t output = -1;
    int32_t corner = 0;
};

// "1" to "4" as 0 to 3; nothing for anything else.
std::optional<int32_t> placeOf(std::string_view digit)
{
    if (digit.size() != 1 || digit[0] < '1' || digit[0] > '4')
        return std::nullopt;
    return digit[0] - '1';
}

// "N/pattern" and "N/corner/K", after "/ostrel/output/".
std::optional<Address> outputAddressOf(std::string_view rest)
{
    const auto output = placeOf(rest.substr(0, 1));
    if (!output || rest.size() < 2 || rest[1] != '/')
        return std::nullopt;
    const std::string_view what = rest.substr(2);
    if (what == "pattern")
        return Address{Kind::Pattern, *output};
    constexpr std::string_view kCorner = "corner/";
    if (what.substr(0, kCorner.size()) != kCorner)
        return std::nullopt;
    const auto corner = placeOf(what.substr(kCorner.size()));
    if (!corner)
        return std::nullopt;
    return Address{Kind::Corner, *output, *corner};
}

std::optional<Address> addressOf(std::string_view address)
{
    constexpr struct {
        std::string_view address;
        Kind kind;
    } kPlain[] = {{"/ostrel/blackout", Kind::Blackout}, {"/ostrel/freeze", Kind::Freeze}, {"/ostrel/grid", Kind::Grid},
                  {"/ostrel/pattern", Kind::Pattern},   {"/ostrel/preset", Kind::Preset}, {"/ostrel/undo", Kind::Undo},
                  {"/ostrel/redo", Kind::Redo},         {"/ostrel/status", Kind::Status},
                  {"/ostrel/camera/align", Kind::CameraAlign}};
    for (const auto& plain : kPlain)
        if (address == plain.address)
            return Address{plain.kind};
    if (address.substr(0, kOutputRoot.size()) == kOutputRoot)
        return outputAddressOf(address.substr(kOutputRoot.size()));
    return std::nullopt;
}

// The arguments each kind takes: one switch, one string, two finite numbers, or none.
bool takeArguments(const std::vector<OscArgument>& arguments, RemoteCommand& command)
{
    switch (command.kind) {
    case Kind::Blackout:
    case Kind::Freeze:
    case Kind::Grid: {
        const auto on = arguments.size() == 1 ? oscSwitch(arguments[0]) : std::nullopt;
        command.on = on.value_or(false);
        return on.has_value();
    }
    case Kind::Pattern:
    case Kind::Preset:
        if (arguments.size() != 1 || arguments[0].type != OscArgument::Type::String)
            return false;
        command.name = arguments[0].text;
        return true;
    case Kind::Corner: {
        const auto x = arguments.size() == 2 ? oscNumber(arguments[0]) : std::nullopt;
        const auto y = arguments.size() == 2 ? oscNumber(arguments[1]) : std::nullopt;
        if (!x || !y || !std::isfinite(*x) || !std::isfinite(*y))
            return false;
        command.x = *x;
        command.y = *y;
        return true;
    }
    case Kind::Undo:
    case Kind::Redo:
    case Kind::Status:
    case Kind::CameraAlign: return arguments.empty();
    }
    return false;
}

} // namespace

std::optional<RemoteCommand> remoteCommandOf(const OscMessage& message)
{
    const auto address = addressOf(message.address);
    if (!address)
        return std::nullopt;
    RemoteCommand command;
    command.kind = address->kind;
    command.output = address->output;
    command.corner = address->corner;
    if (!takeArguments(message.arguments, command))
        return std::nullopt;
    return command;
}

bool isRemoteAddress(const std::string& address)
{
    return addressOf(address).has_value();
}
