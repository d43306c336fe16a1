#pragma once
// Seals the time core's requests with an NTS session and judges the replies
// for it: what the query loop calls between sending and the usual checks.
#include "NtsPacket.h"
#include "NtsSession.h"
#include "ReplyAuthenticator.h"

#include <optional>

namespace brisvander {

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

private:
    NtsSession& m_session;
    NtsPendingRequest m_pending;
    bool m_sealed = false;
    std::optional<Failure> m_sealFailure;
};

} // namespace brisvander
