#pragma once
// One datagram socket, IPv4 or IPv6 as the server's address needs, closed
// on destruction. Failures leave their reason in the thread's last-error value.
#include "NtpTimestamp.h"
#include "Platform.h"
#include "UniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <sys/socket.h>

namespace brisvander {

class UdpSocket {
public:
    UdpSocket() = default;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Opens an IPv4 socket; Connect opens an IPv6 one in its place where the
    // server's address needs it.
    BOOL Create();
    // A dotted IPv4 address or an IPv6 literal ("::1", "[::1]") is used as it
    // is; a name is looked up for both families and its IPv4 addresses are
    // tried first.
    BOOL Connect(const char* host, int port);
    BOOL Connect(const sockaddr* address, socklen_t length);
    BOOL Send(const void* buffer, std::size_t length);

    struct Datagram {
        bool Failed = true;            // the receive call failed (last error set)
        std::size_t FullLength = 0;    // the datagram's true length
        bool HasArrivalStamp = false;  // the kernel stamped its arrival
        NtpTimestamp Arrival;
    };
    // One waiting datagram, without blocking: at most `capacity` bytes of it
    // stored, its true length, and the kernel's stamp of its arrival.
    Datagram ReceiveStamped(void* buffer, std::size_t capacity);

    // The kernel's stamp of the last datagram's departure, when it gave one.
    bool TakeTransmitStamp(NtpTimestamp& departure);

    BOOL WaitReadable(BOOL& readable, std::uint32_t timeoutMs);
    void Close();

    // What the socket asks for as its receive buffer; the kernel grants at
    // most net.core.rmem_max.
    static constexpr int ReceiveBufferBytes = 4 << 20;

private:
    bool Open(int family);

    UniqueFd m_socket; // not Valid while not open
    int m_family = AF_INET;
};

} // namespace brisvander
