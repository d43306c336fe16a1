#pragma once
// The 48-byte SNTP message: building our request, taking a reply apart and
// deciding whether a reply may be used. Pure functions, no I/O.
#include "NtpTimestamp.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace brisvander {

inline constexpr std::size_t NtpPacketSize = 48;
// The message plus the optional authenticator (key id and 16-byte digest).
inline constexpr std::size_t NtpReplyBufferSize = 68;
inline constexpr std::uint8_t NtpRequestFirstByte = 0x1B; // LI 0, version 3, mode 3 (client)
inline constexpr int NtpModeServer = 4;
inline constexpr int NtpMaxStratum = 15;
// Root distance (root delay / 2 + root dispersion) at which a server counts as unsynchronised.
inline constexpr double NtpMaxRootDistanceSeconds = 16.0;

using NtpRequest = std::array<std::uint8_t, NtpPacketSize>;

NtpRequest BuildNtpRequest(const NtpTimestamp& transmit);

struct NtpReply {
    int LeapIndicator = 0;
    int Version = 0;
    int Mode = 0;
    int Stratum = 0;
    std::uint32_t RootDelay = 0;      // unsigned 16.16 seconds
    std::uint32_t RootDispersion = 0; // unsigned 16.16 seconds
    std::uint32_t ReferenceId = 0;
    NtpTimestamp OriginateTimestamp;
    NtpTimestamp ReceiveTimestamp;
    NtpTimestamp TransmitTimestamp;
};

// Reads the first 48 bytes; missing bytes count as zero.
NtpReply ParseNtpReply(const std::uint8_t* data, std::size_t length);

// 0 when the datagram answers the request stamped `sentTransmit` and the
// server is synchronised; otherwise MalformedReply, ForeignReply or
// ServerUnsynchronised, checked in that order. `length` is the datagram's
// true length, which may exceed what was read.
std::uint32_t CheckNtpReply(const std::uint8_t* data, std::size_t length, const NtpTimestamp& sentTransmit);

// Round-trip delay (server holding time subtracted) and clock offset, seconds.
struct DelayAndOffset {
    double RoundtripDelay = 0.0;
    double ClockOffset = 0.0;
};
DelayAndOffset ComputeDelayAndOffset(const NtpTimestamp& t1, const NtpTimestamp& t2, const NtpTimestamp& t3,
                                     const NtpTimestamp& t4);

struct SntpResult;

// Takes one received datagram as far as it goes: its verdict as CheckNtpReply
// gives it, and on success the filled result with T4 = `arrival`.
std::uint32_t EvaluateNtpReply(const std::uint8_t* data, std::size_t length, const NtpTimestamp& sentTransmit,
                               const NtpTimestamp& arrival, SntpResult& result);
// The same, with the delay and offset taken from `departure`, the kernel's
// stamp of when the request really left, instead of the echoed T1. The
// result still shows the echoed T1.
std::uint32_t EvaluateNtpReply(const std::uint8_t* data, std::size_t length, const NtpTimestamp& sentTransmit,
                               const NtpTimestamp& departure, const NtpTimestamp& arrival, SntpResult& result);

} // namespace brisvander
