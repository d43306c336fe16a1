#pragma once
// One IPv4 datagram socket, closed on destruction. Failures leave their
// reason in the thread's last-error value.
#include "NtpTimestamp.h"
#include "Platform.h"

#include <cstddef>
#include <cstdint>
#include <sys/socket.h>

inline constexpr int INVALID_SOCKET = -1;
inline constexpr int SOCKET_ERROR = -1;

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
    int Receive(void* buffer, std::size_t capacity);

    struct Datagram {
        int Received = SOCKET_ERROR;   // bytes stored, or SOCKET_ERROR
        std::size_t FullLength = 0;    // the datagram's true length
        bool HasArrivalStamp = false;  // the kernel stamped its arrival
        NtpTimestamp Arrival;
    };
    // Like Receive, and also reports the true length and the kernel's arrival time.
    Datagram ReceiveStamped(void* buffer, std::size_t capacity);

    // The kernel's stamp of the last datagram's departure, when it gave one.
    BOOL TakeTransmitStamp(NtpTimestamp& departure);

    BOOL WaitReadable(BOOL& readable, std::uint32_t timeoutMs);
    void Close();
    int Handle() const { return m_socket; }

private:
    int m_socket = INVALID_SOCKET;
};
