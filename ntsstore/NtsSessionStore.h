#pragma once
// NTS sessions kept between runs, one file per key-exchange server, so that a
// run can go without a key exchange. A run takes a session's file away
// before it sends one of its cookies and later puts back only what it did not
// use, so no cookie is sent twice: not by two runs at once, not after a crash.
// A taken file a run left behind is deleted, never read. Files hold secrets:
// a folder or file that is not this account's alone is not used.
#include "Failure.h"
#include "NtsSession.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brisvander {

enum class NtsTakeStatus {
    Taken,       // Session is this run's alone; its file is gone
    Absent,      // nothing stored (or another run holds it at this moment)
    TooOld,      // key exchange more than two weeks ago by the local clock: deleted
    Unsupported, // an AEAD algorithm this program does not accept: deleted
    WrongTrust,  // verified with another trust anchor: kept for a run with that one
    Refused,     // folder or file not this account's alone: left as it is
    Damaged,     // cut short or altered: left as it is
    Foreign,     // not this program's session for this server: left as it is
    Failed,      // the system refused an operation
};

struct NtsTakeResult {
    NtsTakeStatus Status = NtsTakeStatus::Absent;
    std::optional<NtsSession> Session; // when Taken: keys, cookies oldest first, negotiated NTP server and port
    std::int64_t KeyExchangeTime = 0;  // when Taken: UTC Unix seconds by the local clock
    std::optional<Failure> Warning;    // for standard error (FailureText); set exactly for Refused, Damaged,
                                       // Foreign, Failed: NtsStoreUnusable or NtsStoredSessionUnusable
};

struct NtsForgetResult {
    int Removed = 0;                // session files deleted
    std::optional<Failure> Warning; // NtsStoreUnusable when the folder could not be used
};

class NtsSessionStore {
public:
    // `folder`: absolute path of the store's folder (DefaultNtsStoreFolder());
    // made 0700 by the first Put where missing.
    explicit NtsSessionStore(std::string folder);

    // Takes the session stored for `host` (as typed, blanks around it removed)
    // and key-exchange TCP `port`, if it may serve a run under `trust`
    // (NtsTrustIdentity.h) at `now` (UTC Unix seconds by the local clock).
    // Deletes abandoned leftovers of other runs first.
    NtsTakeResult Take(const std::string& host, std::uint16_t port, const std::string& trust,
                       std::int64_t now) const;

    // Keeps `session` for `host` and `port`, replacing what is stored for
    // them, with its newest NtsMaxCookies cookies; `keyExchangeTime` in UTC
    // Unix seconds by the local clock, the keys for AEAD_AES_SIV_CMAC_256. A
    // session without cookies is not kept (and nothing stored is touched).
    // nullopt on success, else a warning for standard error:
    // NtsSessionOutOfBounds or NtsSessionNotStored.
    std::optional<Failure> Put(const std::string& host, std::uint16_t port, const std::string& trust,
                    const NtsSession& session, std::int64_t keyExchangeTime) const;

    // Deletes the sessions stored for `host` (every port), or every session
    // when `host` is empty. A run holding a taken session may put it back later.
    NtsForgetResult Forget(const std::optional<std::string>& host) const;

private:
    std::string m_folder;
};

// "<state home>/brisvander/nts"; empty when no absolute state folder can be named.
std::string DefaultNtsStoreFolder();

} // namespace brisvander
