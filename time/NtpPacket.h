#pragma once
// The 48-byte SNTP message: building our request, taking a reply apart and
// deciding whether a reply may be used. Pure functions, no I/O.
#include "Failure.h"
#include "NtpTimestamp.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace brisvander {

inline constexpr std::size_t NtpPacketSize = 48;
// The message plus the optional authenticator (key id and 16-byte digest).
inline constexpr std::size_t NtpReplyBufferSize = 68;
inline constexpr std::uint8_t NtpRequestFirstByte = 0x1B;   // LI 0, version 3, mode 3 (client)
inline constexpr std::uint8_t NtpV4RequestFirstByte = 0x23; // version 4: extension fields need it
inline constexpr int NtpModeServer = 4;
inline constexpr int NtpMaxStratum = 15;
// Root distance (root delay / 2 + root dispersion) at which a server counts as unsynchronised.
inline constexpr double NtpMaxRootDistanceSeconds = 16.0;

using NtpRequest = std::array<std::uint8_t, NtpPacketSize>;

// 48 bytes: `firstByte`, zeros, and `transmit` in bytes 40-47.
NtpRequest BuildNtpRequest(const NtpTimestamp& transmit, std::uint8_t firstByte = NtpRequestFirstByte);

struct NtpReply {
    int LeapIndicator = 0;
    int Version = 0;
    int Mode = 0;
    int Stratum = 0;
    int Precision = 0;                // log2 seconds of the server's clock, signed
    std::uint32_t RootDelay = 0;      // unsigned 16.16 seconds
    std::uint32_t RootDispersion = 0; // unsigned 16.16 seconds
    std::uint32_t ReferenceId = 0;
    NtpTimestamp OriginateTimestamp;
    NtpTimestamp ReceiveTimestamp;
    NtpTimestamp TransmitTimestamp;
};

// Reads the first 48 bytes; missing bytes count as zero.
NtpReply ParseNtpReply(const std::uint8_t* data, std::size_t length);

// nullopt when the datagram answers the request stamped `sentTransmit` and
// the server is synchronised; otherwise a Numbered failure, MalformedReply,
// ForeignReply or ServerUnsynchronised, checked in that order. `length` is the datagram's
// true length, which may exceed what was read; longer than `longest` is
// malformed (a plain reply is the message and at most an authenticator).
std::optional<Failure> CheckNtpReply(const std::uint8_t* data, std::size_t length, const NtpTimestamp& sentTransmit,
                                     std::size_t longest = NtpReplyBufferSize);

// Round-trip delay (server holding time subtracted) and clock offset, seconds.
struct DelayAndOffset {
    double RoundtripDelay = 0.0;
    double ClockOffset = 0.0;
};
DelayAndOffset ComputeDelayAndOffset(const NtpTimestamp& t1, const NtpTimestamp& t2, const NtpTimestamp& t3,
                                     const NtpTimestamp& t4);

// The coarsest server clock whose rounding excuses a negative delay: a
// mains-frequency tick, 2^-6 s (RFC 5905's example of a coarse clock).
inline constexpr int NtpCoarsestPrecision = -6;
// The largest rounding a server's own clock can excuse: its precision,
// 2^precision seconds, held to at most 2^NtpCoarsestPrecision whatever it claims.
double PrecisionSeconds(int precision);

// Whether figures computed from a reply can describe a true exchange: the
// server sent after it received (T3 >= T2), and the round-trip delay is not
// negative beyond what the two clocks' resolution excuses (`allowance`,
// seconds).
bool IsConsistentExchange(const NtpTimestamp& t2, const NtpTimestamp& t3, double roundtripDelay, double allowance);

struct SntpResult;

// The clock resolution assumed where the caller names none: 1 ns.
inline constexpr double DefaultLocalResolutionSeconds = 1e-9;

// Takes one received datagram as far as it goes: its verdict as CheckNtpReply
// gives it, then MalformedReply for a reply that contradicts itself
// (IsConsistentExchange), and on success the filled result with T4 = `arrival`.
std::optional<Failure> EvaluateNtpReply(const std::uint8_t* data, std::size_t length,
                                        const NtpTimestamp& sentTransmit, const NtpTimestamp& arrival,
                                        SntpResult& result);
// The same, with the delay and offset taken from `departure`, the kernel's
// stamp of when the request really left, instead of the echoed T1 (the
// result still shows the echoed T1), and with the local clock's resolution
// in seconds for the consistency check.
std::optional<Failure> EvaluateNtpReply(const std::uint8_t* data, std::size_t length,
                                        const NtpTimestamp& sentTransmit, const NtpTimestamp& departure,
                                        const NtpTimestamp& arrival, SntpResult& result,
                                        double localResolutionSeconds = DefaultLocalResolutionSeconds,
                                        std::size_t longest = NtpReplyBufferSize);

} // namespace brisvander
