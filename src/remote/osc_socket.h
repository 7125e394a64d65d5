// OscSocket: the one UDP socket the control desk's packets arrive at, read without ever waiting, and the
// replies sent back from it.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "remote/remote_rules.h"

// A sender or a receiver of datagrams: IPv4 address and port, both in host order.
struct OscPeer {
    Ipv4 address = 0;
    uint16_t port = 0;
};

enum class Receiving {
    Datagram, // one datagram read whole
    Dropped,  // an error of one datagram alone (cut to fit, or an earlier reply refused): reading goes on
    NoneLeft, // nothing waits, or the socket failed: the window message comes again with the next datagram
};

class OscSocket {
public:
    OscSocket() = default;
    OscSocket(const OscSocket&) = delete;
    OscSocket& operator=(const OscSocket&) = delete;
    ~OscSocket();

    // Listens on `port` of 127.0.0.1, or of every interface with `allowLan`, and posts `message` to
    // `window` whenever a datagram waits. 0, or the Winsock error that stopped it (nothing is left open).
    int open(uint16_t port, bool allowLan, HWND window, UINT message);
    void close();
    bool isOpen() const { return socket_ != INVALID_SOCKET; }

    // Between these two, reading many datagrams in a row posts no window message for each (Winsock posts
    // one after every read that leaves more waiting); when notices are back, one message comes at once if
    // anything is left. False when they could not be turned back on.
    void pauseNotices() const;
    bool resumeNotices() const;

    // The next waiting datagram into `bytes`, with its sender.
    Receiving receive(std::string& bytes, OscPeer& from);
    // One datagram to `to`. One that does not fit the send buffer now is lost, as UDP may lose it anyway.
    void send(std::string_view bytes, const OscPeer& to) const;

private:
    SOCKET socket_ = INVALID_SOCKET;
    HWND window_ = nullptr;
    UINT message_ = 0;
    // Room for the largest IPv4 UDP datagram (65,507 bytes).
    std::vector<char> buffer_ = std::vector<char>(65536);
};
