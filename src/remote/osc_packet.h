// OSC 1.0 packets as the show's control desk sends them: a message, or a bundle of messages and bundles.
// Read whole or not at all, since a packet that is malformed anywhere may be malformed everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Bundles within bundles up to this depth (the outermost is 1); a deeper one drops its packet.
inline constexpr int32_t kMostBundleDepth = 8;

struct OscArgument {
    enum class Type { Int, Float, String, True, False };
    Type type = Type::Int;
    int32_t integer = 0;
    float real = 0.0f;
    std::string text;
    bool operator==(const OscArgument&) const = default;
};

struct OscMessage {
    std::string address;
    std::vector<OscArgument> arguments;
    bool operator==(const OscMessage&) const = default;
};

// The messages of one packet in their order, bundles opened (their time tags are taken as "now"). Nothing
// when it is malformed: a size that is not a multiple of 4 or runs past the end, a string without its
// terminator or with padding that is not zero, an address that does not start with "/", a missing type
// tag string, a type tag other than i, f, s, T and F, an empty bundle element, or bundles nested deeper
// than kMostBundleDepth.
std::optional<std::vector<OscMessage>> readOscPacket(std::string_view bytes);

// The bytes of one message, as the reader takes them back.
std::string oscMessageBytes(const OscMessage& message);

// A switch's value: 0 or 1 as an int32 or a float32, or T or F. Nothing for anything else.
std::optional<bool> oscSwitch(const OscArgument& argument);
// A number given as an int32 or a float32.
std::optional<float> oscNumber(const OscArgument& argument);
