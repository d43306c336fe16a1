#pragma once
// One unconnected datagram socket of one address family that serves every
// server of that family in a survey: requests go out with sendto, replies are
// told apart by their source, and ICMP errors come back through the error
// queue with the address they concern. Never blocks. Closed on destruction.
#include "HostAddress.h"
#include "NtpTimestamp.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace brisvander {

class SurveySocket {
public:
    SurveySocket() = default;
    ~SurveySocket();
    SurveySocket(const SurveySocket&) = delete;
    SurveySocket& operator=(const SurveySocket&) = delete;

    // Opens a socket of `family` (AF_INET, AF_INET6); 0 or the ErrorCodes.h
    // number of the failure.
    std::uint32_t Open(int family);
    bool IsOpen() const { return m_socket >= 0; } // Open succeeded
    int Descriptor() const { return m_socket; }   // for poll; -1 while not open

    // 0, or the ErrorCodes.h number (WouldBlock when the send buffer is full).
    std::uint32_t SendTo(const SocketAddress& to, const void* data, std::size_t length);

    struct Datagram {
        std::uint32_t Error = 0;      // 0, WouldBlock when nothing waits, else why the read failed
        SocketAddress From;
        std::size_t FullLength = 0;   // the datagram's true length, even past the buffer
        bool HasArrivalStamp = false; // the kernel stamped its arrival
        NtpTimestamp Arrival;
    };
    // One waiting datagram, at most `capacity` bytes of it stored.
    Datagram Receive(std::uint8_t* buffer, std::size_t capacity);

    struct NetworkError {
        SocketAddress To;      // where the datagram that drew the error was sent
        std::uint32_t Error = 0; // ErrorCodes.h number: ConnectionReset for a closed port
    };
    // The next ICMP error from the error queue; nothing when it is empty.
    std::optional<NetworkError> TakeNetworkError();

    // What the socket asks for as its receive buffer (the kernel caps it at net.core.rmem_max).
    static constexpr int ReceiveBufferBytes = 4 << 20;

private:
    int m_socket = -1;
    int m_family = 0;
};

} // namespace brisvander
