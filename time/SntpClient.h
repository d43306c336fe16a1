#pragma once
// One SNTP exchange with a server, and setting the system clock with the
// right to do so held only for the instant of setting and given up for good
// afterwards.
#include "ClockControl.h"
#include "Failure.h"
#include "InterleavedMode.h"
#include "NtpTimestamp.h"
#include "Platform.h"
#include "SntpResult.h"

#include <cstdint>
#include <optional>

namespace brisvander {

class ReplyAuthenticator;
class UdpSocket;

inline constexpr int NtpDefaultPort = 123;
inline constexpr std::uint32_t SntpDefaultTimeoutMs = 5000;

// One object per command, used by one thread: the last-error value it leaves
// is that thread's.
class SntpClient {
public:
    // Sets the clock through `clock` (the programs: ProgramClockControl()),
    // which is not owned and must outlive the client.
    explicit SntpClient(ClockControl& clock);
    virtual ~SntpClient();
    SntpClient(const SntpClient&) = delete;
    SntpClient& operator=(const SntpClient&) = delete;

    // Nonzero on success; on failure the reason is in the thread's last-error value.
    BOOL QueryServer(const char* host, SntpResult& result, int port = NtpDefaultPort);
    // The same exchange in NTP version 4, the request sealed and every reply
    // judged by `authenticator` before the usual checks: a reply that cannot
    // prove itself is discarded like a forged one (NoAuthenticReply when
    // nothing better comes). A refusal (NAK) or an ICMP error is noted and
    // the wait goes on; it names the failure (ServerUnsynchronised, or the
    // socket error) only if no authentic reply came before the time-out.
    BOOL QueryServer(const char* host, SntpResult& result, int port, ReplyAuthenticator& authenticator);

    // Sets the clock to `newTime`, a time computed from a clock reading of a
    // moment ago; that moment is taken to be now.
    BOOL SetSystemClock(const NtpTimestamp& newTime);
    // The same, with the reading `newTime` was computed from: the clock moves
    // by newTime - readAt, however long the way here took (a password
    // prompt included). Afterwards the process no longer holds the right to
    // set the clock, and LastClockFailure says what became of it. On
    // failure the last error is that failure's number.
    BOOL SetSystemClock(const NtpTimestamp& newTime, const NtpTimestamp& readAt);
    // Nonzero when the clock may now be set; otherwise the raise's failure
    // number is the last error.
    BOOL EnableClockPrivilege();
    // Lowers what EnableClockPrivilege raised; a failure leaves its number as last error.
    void DisableClockPrivilege();

    std::uint32_t TimeoutMs = SntpDefaultTimeoutMs;
    // Set once enabling got as far as asking for the right: there is something to undo.
    BOOL PrivilegeEnabled = 0;
    // Why the last SetSystemClock did not set the clock; empty when it did.
    // ClockRefused before the first.
    std::optional<Failure> LastClockFailure = FailureOf(FailureKind::ClockRefused);
    // Whether the last query's failure rests only on what anyone on the path
    // could have sent (a noted NTS NAK or ICMP error), not on an authentic
    // reply; false after a success and for every plain exchange.
    bool LastFailureUnproven = false;
    // Interleaved mode with one server: empty (the default) sends the plain
    // request; set, every request is version 4 and, once an exchange was
    // answered, asks for an interleaved answer (InterleavedMode.h). Emplace
    // a fresh state for each server; queries keep it up to date.
    std::optional<InterleavedState> Interleaving;
    // How the right came at the last SetSystemClock's raise (ByService: the
    // time service stepped the clock); empty before one, or when it failed.
    std::optional<ClockRightRaise> LastRaise;

private:
    // One exchange: nullopt and `result` filled, or why not.
    std::optional<Failure> Query(const char* host, SntpResult& result, int port, ReplyAuthenticator* authenticator);
    // One request on the connected `socket` and the wait for its answer;
    // `interleaving` null outside interleaved mode.
    std::optional<Failure> ExchangeOnce(UdpSocket& socket, ReplyAuthenticator* authenticator,
                                        InterleavedState* interleaving, SntpResult& result);
    // The classic result of `failure`: nonzero without one; its number left as last error.
    static BOOL Answered(const std::optional<Failure>& failure);
    // Raises the right for one setting; why not, when it could not.
    std::optional<Failure> RaiseRight();

    ClockControl* m_clock;
};

} // namespace brisvander
