// Which senders the control desk's packets are taken from, what of them is logged and how often, and the
// status reply, on plain values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "remote/osc_packet.h"

// An IPv4 address in host order: 127.0.0.1 is 0x7F000001.
using Ipv4 = uint32_t;

// Loopback (127/8): this computer.
bool isLoopbackAddress(Ipv4 address);
// Loopback, the private ranges (10/8, 172.16/12, 192.168/16) and link-local (169.254/16).
bool isLocalNetworkAddress(Ipv4 address);
// Whether a packet from `address` is taken: from this computer only, or from the local network too.
bool acceptsSender(Ipv4 address, bool allowLan);

// Distinct unknown addresses logged in one run; any after them are not, so that a desk that sends
// nonsense cannot fill the log.
inline constexpr std::size_t kMostUnknownAddressesLogged = 20;
// Bytes of an address written to the log.
inline constexpr std::size_t kMostLoggedAddressBytes = 64;

// An address as the log may hold it: every byte that is not printable ASCII a "?", cut to
// kMostLoggedAddressBytes, since it comes from the network and a line break would forge a log line.
std::string loggableAddress(std::string_view address);

// The unknown addresses seen so far, up to kMostUnknownAddressesLogged.
class UnknownAddresses {
public:
    // Whether this one is to be logged now: not seen before, and the limit not reached.
    bool firstSighting(std::string_view address);

private:
    std::set<std::string, std::less<>> seen_;
};

// Once a second at most, and at once for the first drop after a quiet second.
inline constexpr uint64_t kDropReportIntervalMs = 1000;

// Packets dropped (malformed, or from a refused sender) since the last report, and when that report was
// made. Times are milliseconds of a clock that only moves forward.
class DropReport {
public:
    void dropped(uint64_t packets = 1);
    // How many to report at `nowMs`: every drop since the last report once kDropReportIntervalMs has
    // passed since it; 0 when none is waiting or it is too soon.
    uint64_t takeDue(uint64_t nowMs);
    // Milliseconds until takeDue gives something; nothing when no drop is waiting.
    std::optional<uint64_t> msUntilDue(uint64_t nowMs) const;

private:
    uint64_t waiting_ = 0;
    std::optional<uint64_t> lastReportMs_;
};

// Reading and carrying out the desk's packets stop for a pass once they have taken an eighth of the time
// since the pass before, so that no desk takes more than that from the main loop (under Wine a Winsock
// call costs about 0.1 ms: a desk sending thousands of packets a second would take every pass). Never
// less than the least, since an idle program's passes come only for the desk, one right after another;
// never more than the most, for the first pass after a long sleep. Microseconds.
inline constexpr int64_t kLeastRemoteTimePerPass = 2000;
inline constexpr int64_t kMostRemoteTimePerPass = 8000;
int64_t remoteTimeForPass(int64_t sinceLastPass);

// What "/ostrel/status" is answered with.
struct RemoteStatus {
    bool blackout = false;
    bool frozen = false;
    bool grid = false;
    int32_t outputs = 1;
    std::string firstPattern; // the first output's pattern's name
};
// "/ostrel/status" with blackout, freeze and grid as 0 or 1, the number of outputs (all int32) and the
// first output's pattern name (a string).
OscMessage statusMessage(const RemoteStatus& status);
