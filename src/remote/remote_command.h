// What a message from the control desk asks of the program: the addresses under "/ostrel/" and their
// arguments, checked, on plain values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "remote/osc_packet.h"

struct RemoteCommand {
    enum class Kind {
        Blackout,      // on
        Freeze,        // on
        Grid,          // on
        Pattern,       // name; output -1 for every output, else 0 to 3
        Preset,        // name
        Undo,
        Redo,
        Corner,        // output 0 to 3, corner 0 to 3 (TL, TR, BL, BR), x, y
        Status,
        CameraAlign,
    };
    Kind kind = Kind::Status;
    bool on = false;
    int32_t output = -1;
    int32_t corner = 0;
    float x = 0.0f;
    float y = 0.0f;
    std::string name;
    bool operator==(const RemoteCommand&) const = default;
};

// The command a message asks for; nothing for an address the program does not know, or arguments that
// are not the address's (a switch that is not 0 or 1, a name that is not a string, a number that is not
// finite, an output or corner out of range).
std::optional<RemoteCommand> remoteCommandOf(const OscMessage& message);

// Whether the message's address is one the program knows, whatever its arguments: an unknown one is
// logged once, a known one with bad arguments is not.
bool isRemoteAddress(const std::string& address);
