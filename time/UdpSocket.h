#pragma once
// One IPv4 datagram socket, closed on destruction. Failures leave their
// reason in the thread's last-error value.
#include "NtpTimestamp.h"
#include "Platform.h"

#include <cstddef>
#include <cstdint>
#include <sys/socket.h>

namespace brisvander {

class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    BOOL Create();
    // A dotted IPv4 address is used as it is; anything else is looked up.
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

private:
    int m_socket = -1; // -1 while not open
};

} // namespace brisvander
