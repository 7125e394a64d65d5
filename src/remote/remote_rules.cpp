// Senders, log limits and the status reply of the remote control.
#include "remote/remote_rules.h"

#include <algorithm>

namespace {

// `address` lies in `network`/`bits`.
bool within(Ipv4 address, Ipv4 network, int bits)
{
    const Ipv4 mask = ~Ipv4{0} << (32 - bits);
    return (address & mask) == network;
}

OscArgument integerArgument(int32_t value)
{
    OscArgument argument;
    argument.type = OscArgument::Type::Int;
    argument.integer = value;
    return argument;
}

} // namespace

bool isLoopbackAddress(Ipv4 address)
{
    return within(address, 0x7F000000, 8);
}

bool isLocalNetworkAddress(Ipv4 address)
{
    return isLoopbackAddress(address) || within(address, 0x0A000000, 8) || within(address, 0xAC100000, 12) ||
           within(address, 0xC0A80000, 16) || within(address, 0xA9FE0000, 16);
}

bool acceptsSender(Ipv4 address, bool allowLan)
{
    return allowLan ? isLocalNetworkAddress(address) : isLoopbackAddress(address);
}

std::string loggableAddress(std::string_view address)
{
    std::string text(address.substr(0, kMostLoggedAddressBytes));
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E)
            c = '?';
    }
    return text;
}

bool UnknownAddresses::firstSighting(std::string_view address)
{
    if (seen_.size() >= kMostUnknownAddressesLogged || seen_.find(address) != seen_.end())
        return false;
    seen_.emplace(address);
    return true;
}

void DropReport::dropped(uint64_t packets)
{
    waiting_ += packets;
}

uint64_t DropReport::takeDue(uint64_t nowMs)
{
    if (waiting_ == 0 || msUntilDue(nowMs).value_or(0) > 0)
        return 0;
    const uint64_t due = waiting_;
    waiting_ = 0;
    lastReportMs_ = nowMs;
    return due;
}

std::optional<uint64_t> DropReport::msUntilDue(uint64_t nowMs) const
{
    if (waiting_ == 0)
        return std::nullopt;
    if (!lastReportMs_ || nowMs - *lastReportMs_ >= kDropReportIntervalMs)
        return 0;
    return *lastReportMs_ + kDropReportIntervalMs - nowMs;
}

int64_t remoteTimeForPass(int64_t sinceLastPass)
{
    return std::clamp(sinceLastPass / 8, kLeastRemoteTimePerPass, kMostRemoteTimePerPass);
}

OscMessage statusMessage(const RemoteStatus& status)
{
    OscMessage message;
    message.address = "/ostrel/status";
    message.arguments = {integerArgument(status.blackout ? 1 : 0), integerArgument(status.frozen ? 1 : 0),
                         integerArgument(status.grid ? 1 : 0), integerArgument(status.outputs)};
    OscArgument pattern;
    pattern.type = OscArgument::Type::String;
    pattern.text = status.firstPattern;
    message.arguments.push_back(pattern);
    return message;
}
