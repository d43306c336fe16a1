#include "NtsAuthenticator.h"

#include <algorithm>

namespace brisvander {

std::size_t PlaceholdersToKeep(std::size_t cookiesHeld)
{
    // The cookie sent comes back in the reply; each placeholder brings one
    // more. A full session asks for none: the server seals every extra cookie
    // after stamping its transmit time, which shows as delay and offset.
    if (cookiesHeld >= NtsCookiesKept)
        return 0;
    return std::min(NtsCookiesKept - cookiesHeld, NtsMaxCookies - 1);
}

std::vector<std::uint8_t> NtsAuthenticator::SealRequest(std::span<const std::uint8_t> header)
{
    m_nakSeen = false;
    NtsSealedRequest sealed =
        brisvander::SealRequest(header, m_session, PlaceholdersToKeep(m_session.Cookies.size()));
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
    case NtsReplyVerdict::Nak:
        m_nakSeen = true;
        return ReplyAuthenticity::Refused;
    case NtsReplyVerdict::NotOurs: break;
    }
    return ReplyAuthenticity::NotOurs;
}

} // namespace brisvander
