#pragma once
// Whether a stored session may serve a run. Pure.
#include "NtsStoreRecord.h"

#include <cstdint>
#include <string>

namespace brisvander {

// A session older than this is retired: servers rotate the keys behind their
// cookies, and a run that trusts an old session never meets a certificate.
inline constexpr std::int64_t NtsStoreMaxAgeSeconds = 14 * 24 * 60 * 60;

enum class NtsStoredVerdict {
    Usable,
    WrongServer, // the file names a different host or port than it was asked for
    Unsupported, // an AEAD algorithm (or key size) this program does not accept
    TooOld,      // older than NtsStoreMaxAgeSeconds
    WrongTrust,  // verified with another trust anchor than this run's
};

// `host`, `port` and `trust` as this run would key-exchange with them; `now`
// in UTC Unix seconds by the local clock. A session that looks younger than
// zero (the clock went back) is still usable.
NtsStoredVerdict JudgeStoredSession(const NtsStoreRecord& record, const std::string& host, std::uint16_t port,
                                    const std::string& trust, std::int64_t now);

} // namespace brisvander
