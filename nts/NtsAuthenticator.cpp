#include "NtsAuthenticator.h"

namespace brisvander {

std::vector<std::uint8_t> NtsAuthenticator::SealRequest(std::span<const std::uint8_t> header)
{
    // One placeholder asks for a cookie beyond the one spent, so a series
    // of exchanges does not run dry.
    NtsSealedRequest sealed = brisvander::SealRequest(header, m_session, 1);
    if (sealed.Status != NtsSealStatus::Sealed)
        sealed = brisvander::SealRequest(header, m_session, 0);
    if (sealed.Status != NtsSealStatus::Sealed)
        return {};
    m_pending = sealed.Pending;
    m_sealed = true;
    return std::move(sealed.Packet);
}

ReplyAuthenticity NtsAuthenticator::CheckReply(std::span<const std::uint8_t> datagram)
{
    if (!m_sealed)
        return ReplyAuthenticity::NotOurs;
    switch (brisvander::CheckReply(datagram, m_pending, m_session).Verdict) {
    case NtsReplyVerdict::Authentic: return ReplyAuthenticity::Authentic;
    case NtsReplyVerdict::Nak: return ReplyAuthenticity::Refused;
    case NtsReplyVerdict::NotOurs: break;
    }
    return ReplyAuthenticity::NotOurs;
}

} // namespace brisvander
