// OSC arguments, messages and bundles as the tests and the flood benchmark write them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "remote/osc_packet.h"

namespace osc {

inline OscArgument integer(int32_t value)
{
    return {OscArgument::Type::Int, value, 0.0f, ""};
}

inline OscArgument real(float value)
{
    return {OscArgument::Type::Float, 0, value, ""};
}

inline OscArgument text(std::string value)
{
    return {OscArgument::Type::String, 0, 0.0f, std::move(value)};
}

inline OscArgument flag(bool on)
{
    return {on ? OscArgument::Type::True : OscArgument::Type::False, 0, 0.0f, ""};
}

inline OscMessage message(std::string address, std::vector<OscArgument> arguments = {})
{
    return OscMessage{std::move(address), std::move(arguments)};
}

inline std::string packet(std::string address, std::vector<OscArgument> arguments = {})
{
    return oscMessageBytes(message(std::move(address), std::move(arguments)));
}

// A big-endian int32.
inline std::string word(uint32_t value)
{
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

// A bundle of the elements, "at once", each with its size before it.
inline std::string bundle(const std::vector<std::string>& elements)
{
    std::string bytes("#bundle\0", 8);
    bytes += word(0) + word(1);
    for (const std::string& element : elements)
        bytes += word(static_cast<uint32_t>(element.size())) + element;
    return bytes;
}

} // namespace osc
