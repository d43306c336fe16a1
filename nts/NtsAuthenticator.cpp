#include "NtsAuthenticator.h"

namespace brisvander {

std::vector<std::uint8_t> NtsAuthenticator::SealRequest(std::span<const std::uint8_t> header)
{
    // No placeholder: the key exchange gives eight cookies, every reply one
    // more, and a series takes at most eight exchanges; a placeholder would
    // only make the server seal another cookie between stamping its transmit
    // time and sending, which shows as delay and a later-looking server.
    NtsSealedRequest sealed = brisvander::SealRequest(header, m_session, 0);
    m_sealFailure = std::move(sealed.Problem);
    if (m_sealFailure)
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
