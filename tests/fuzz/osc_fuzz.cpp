// libFuzzer target over the control desk's packets: no input may crash the reader or the commands or
// trip a sanitizer, and every message of a packet it takes must write and read back the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "remote/osc_packet.h"
#include "remote/remote_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto messages = readOscPacket(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!messages)
        return 0;
    for (const OscMessage& message : *messages) {
        const auto again = readOscPacket(oscMessageBytes(message));
        // Compared as bytes: a NaN argument is never equal to itself.
        if (!again || again->size() != 1 || oscMessageBytes(again->front()) != oscMessageBytes(message))
            std::abort();
        // A command needs a known address; an unknown one has no command.
        if (remoteCommandOf(message) && !isRemoteAddress(message.address))
            std::abort();
    }
    return 0;
}
