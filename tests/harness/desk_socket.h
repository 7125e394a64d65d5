// A control desk on this machine: a native UDP socket on 127.0.0.1 that sends to the program's port and
// reads what the program sends back to it (Wine's sockets are the system's own).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace harness {

// A UDP port of 127.0.0.1 that no socket holds now, searched from `first` on; nothing when none is free
// below 65535.
std::optional<uint16_t> freeUdpPort(uint16_t first);

class DeskSocket {
public:
    // Bound to an ephemeral port of 127.0.0.1, sending to `programPort` there. Throws when it cannot be.
    explicit DeskSocket(uint16_t programPort);
    DeskSocket(const DeskSocket&) = delete;
    DeskSocket& operator=(const DeskSocket&) = delete;
    ~DeskSocket();

    // One datagram to the program; false when the system refused it.
    bool send(const std::string& bytes) const;
    // The next datagram that came back, waiting at most `timeout`; nothing when none came.
    std::optional<std::string> receive(std::chrono::milliseconds timeout) const;
    // A larger receive buffer, for replies that come faster than they are read for a moment.
    void growReceiveBuffer(int bytes) const;

private:
    int fd_ = -1;
    uint16_t programPort_ = 0;
};

} // namespace harness
