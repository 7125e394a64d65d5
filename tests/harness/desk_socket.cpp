// The native side of the remote control's tests and benchmark.
#include "desk_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace harness {

namespace {

sockaddr_in loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

} // namespace

std::optional<uint16_t> freeUdpPort(uint16_t first)
{
    for (uint32_t port = first; port < 65535; ++port) {
        const int fd = socket(AF_INET, SOCK_DGRAM, 0);
        if (fd < 0)
            return std::nullopt;
        const sockaddr_in address = loopback(static_cast<uint16_t>(port));
        const bool free = bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        close(fd);
        if (free)
            return static_cast<uint16_t>(port);
    }
    return std::nullopt;
}

DeskSocket::DeskSocket(uint16_t programPort) : programPort_(programPort)
{
    fd_ = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in address = loopback(0);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("the desk's UDP socket could not be bound");
}

DeskSocket::~DeskSocket()
{
    close(fd_);
}

bool DeskSocket::send(const std::string& bytes) const
{
    const sockaddr_in to = loopback(programPort_);
    return sendto(fd_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
           static_cast<ssize_t>(bytes.size());
}

std::optional<std::string> DeskSocket::receive(std::chrono::milliseconds timeout) const
{
    pollfd readable{fd_, POLLIN, 0};
    if (poll(&readable, 1, static_cast<int>(timeout.count())) != 1)
        return std::nullopt;
    char buffer[65536];
    const ssize_t received = recv(fd_, buffer, sizeof buffer, 0);
    if (received < 0)
        return std::nullopt;
    return std::string(buffer, static_cast<std::size_t>(received));
}

void DeskSocket::growReceiveBuffer(int bytes) const
{
    // Past net.core.rmem_max only with the privilege to force it; the plain request is capped there.
    if (setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) != 0)
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

} // namespace harness
