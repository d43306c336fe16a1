#pragma once
// Error numbers left in the thread's last-error value. They follow the
// classic socket error numbers so that a number shown to the user means the
// same thing on every platform.
#include <cstdint>

namespace brisvander {

namespace ErrorCode {
constexpr std::uint32_t Success = 0;
constexpr std::uint32_t Interrupted = 10004;        // EINTR
constexpr std::uint32_t AccessDenied = 10013;       // EACCES / EPERM
constexpr std::uint32_t InvalidArgument = 10022;    // EINVAL
constexpr std::uint32_t TooManyOpenFiles = 10024;   // EMFILE / ENFILE
constexpr std::uint32_t WouldBlock = 10035;         // EAGAIN: nothing to read after all
constexpr std::uint32_t MessageTooLong = 10040;     // EMSGSIZE
constexpr std::uint32_t FamilyNotSupported = 10047; // EAFNOSUPPORT
constexpr std::uint32_t AddressNotAvailable = 10049; // EADDRNOTAVAIL, and a port outside 1-65535
constexpr std::uint32_t NetworkDown = 10050;        // ENETDOWN
constexpr std::uint32_t NetworkUnreachable = 10051; // ENETUNREACH
constexpr std::uint32_t ConnectionReset = 10054;    // ECONNREFUSED on a datagram socket
constexpr std::uint32_t NoBufferSpace = 10055;      // ENOBUFS / ENOMEM
constexpr std::uint32_t TimedOut = 10060;           // no reply within the time-out
constexpr std::uint32_t HostUnreachable = 10065;    // EHOSTUNREACH
constexpr std::uint32_t HostNotFound = 11001;       // EAI_NONAME
constexpr std::uint32_t TryAgain = 11002;           // EAI_AGAIN
constexpr std::uint32_t NoRecovery = 11003;         // EAI_FAIL and other resolver errors
constexpr std::uint32_t NoData = 11004;             // the name has no address of either family
constexpr std::uint32_t MalformedReply = 20001;     // too short or long, not server mode, or contradicting itself
constexpr std::uint32_t ForeignReply = 20002;       // originate timestamp is not our transmit timestamp
constexpr std::uint32_t ServerUnsynchronised = 20003; // also a Kiss-o'-Death, an NTS NAK among them
constexpr std::uint32_t KeyExchangeFailed = 20004;    // NTS: connection, TLS, certificate, ALPN, error record, no cookie
constexpr std::uint32_t NoAuthenticReply = 20005;     // NTS: replies arrived, none authenticated
} // namespace ErrorCode

// errno of a socket call -> the number above; unknown values pass through.
std::uint32_t ErrorFromErrno(int err);
// getaddrinfo() result (and errno for EAI_SYSTEM) -> the number above.
std::uint32_t ErrorFromResolver(int gaiResult, int err);

} // namespace brisvander
