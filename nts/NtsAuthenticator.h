#pragma once
// Seals the time core's requests with an NTS session and judges the replies
// for it: what the query loop calls between sending and the usual checks.
#include "NtsPacket.h"
#include "NtsSession.h"
#include "ReplyAuthenticator.h"

#include <cstddef>
#include <optional>

namespace brisvander {

// The cookies a session is kept at: the most a key exchange gives, and as
// many as the longest series sends.
inline constexpr std::size_t NtsCookiesKept = NtsMaxCookies;

// The Cookie Placeholders a request asks for when the session holds
// `cookiesHeld` cookies before it is sealed: enough for the reply to bring
// the session back to NtsCookiesKept, none when it is full.
std::size_t PlaceholdersToKeep(std::size_t cookiesHeld);

class NtsAuthenticator final : public ReplyAuthenticator {
public:
    // `session` is not owned; it gives a cookie to every sealed request and
    // takes the new cookies of authentic replies.
    explicit NtsAuthenticator(NtsSession& session) : m_session(session) {}

    std::vector<std::uint8_t> SealRequest(std::span<const std::uint8_t> header) override;
    ReplyAuthenticity CheckReply(std::span<const std::uint8_t> datagram) override;
    std::size_t LargestReply() const override { return NtsReplyBufferSize; }
    // Why the last request could not be sealed; empty when it was, or none was asked for.
    const std::optional<Failure>& SealFailure() const { return m_sealFailure; }
    // Whether a NAK for the last sealed request came (unauthenticated: anyone on the path can send one).
    bool NakSeen() const { return m_nakSeen; }

private:
    NtsSession& m_session;
    NtsPendingRequest m_pending;
    bool m_sealed = false;
    bool m_nakSeen = false;
    std::optional<Failure> m_sealFailure;
};

} // namespace brisvander
