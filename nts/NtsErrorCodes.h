#pragma once
// Error numbers of the NTS path, beside the socket-style numbers of the time core.
#include <cstdint>

namespace brisvander::NtsErrorCode {
// The key exchange failed: connection, TLS, certificate, ALPN, an error record or no cookie.
constexpr std::uint32_t KeyExchangeFailed = 20004;
// NTS replies arrived, but none of them authenticated.
constexpr std::uint32_t NoAuthenticReply = 20005;
} // namespace brisvander::NtsErrorCode
