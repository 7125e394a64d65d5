// The control desk's UDP socket over Winsock.
#include "remote/osc_socket.h"

#include <mswsock.h>

namespace {

// Enough for about a second of a busy desk's small packets while a pass is slow. Linux caps what Wine
// asks for (net.core.rmem_max), and a smaller buffer still works: the result is not examined.
constexpr int kReceiveBufferBytes = 1 << 20;

// Winsock started once for the process and never cleaned up: the socket may be opened and closed many
// times, and the system ends it with the process. 0, or WSAStartup's error.
int winsockStarted()
{
    static const int result = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data);
    }();
    return result;
}

sockaddr_in addressOf(Ipv4 address, uint16_t port)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(address);
    to.sin_port = htons(port);
    return to;
}

} // namespace

OscSocket::~OscSocket()
{
    close();
}

int OscSocket::open(uint16_t port, bool allowLan, HWND window, UINT message)
{
    close();
    if (const int error = winsockStarted())
        return error;
    socket_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (socket_ == INVALID_SOCKET)
        return WSAGetLastError();
    // No other program may bind the port beside this one and read the desk's packets.
    BOOL exclusive = TRUE;
    setsockopt(socket_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
    setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&kReceiveBufferBytes),
               sizeof kReceiveBufferBytes);
    // Windows reports a reply's "port unreachable" as WSAECONNRESET on a later receive. Where this is not
    // supported, receive takes such a report for one dropped datagram and reading goes on.
    BOOL reportUnreachable = FALSE;
    DWORD returned = 0;
    WSAIoctl(socket_, SIO_UDP_CONNRESET, &reportUnreachable, sizeof reportUnreachable, nullptr, 0, &returned, nullptr,
             nullptr);
    const sockaddr_in local = addressOf(allowLan ? INADDR_ANY : INADDR_LOOPBACK, port);
    window_ = window;
    message_ = message;
    // WSAAsyncSelect also makes the socket non-blocking.
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR || !resumeNotices()) {
        const int error = WSAGetLastError();
        close();
        return error;
    }
    return 0;
}

void OscSocket::close()
{
    if (socket_ == INVALID_SOCKET)
        return;
    // Closing also cancels WSAAsyncSelect; a message already posted finds nothing to read.
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

void OscSocket::pauseNotices() const
{
    // Without events WSAAsyncSelect leaves the socket non-blocking, and posts nothing.
    if (socket_ != INVALID_SOCKET)
        WSAAsyncSelect(socket_, window_, 0, 0);
}

bool OscSocket::resumeNotices() const
{
    return socket_ != INVALID_SOCKET && WSAAsyncSelect(socket_, window_, message_, FD_READ) != SOCKET_ERROR;
}

Receiving OscSocket::receive(std::string& bytes, OscPeer& from)
{
    if (socket_ == INVALID_SOCKET)
        return Receiving::NoneLeft;
    sockaddr_in sender{};
    int senderSize = sizeof sender;
    const int received = recvfrom(socket_, buffer_.data(), static_cast<int>(buffer_.size()), 0,
                                  reinterpret_cast<sockaddr*>(&sender), &senderSize);
    if (received == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        return error == WSAEMSGSIZE || error == WSAECONNRESET ? Receiving::Dropped : Receiving::NoneLeft;
    }
    bytes.assign(buffer_.data(), static_cast<std::size_t>(received));
    from.address = sender.sin_family == AF_INET ? ntohl(sender.sin_addr.s_addr) : 0;
    from.port = ntohs(sender.sin_port);
    return Receiving::Datagram;
}

void OscSocket::send(std::string_view bytes, const OscPeer& to) const
{
    if (socket_ == INVALID_SOCKET)
        return;
    const sockaddr_in address = addressOf(to.address, to.port);
    sendto(socket_, bytes.data(), static_cast<int>(bytes.size()), 0, reinterpret_cast<const sockaddr*>(&address),
           sizeof address);
}
