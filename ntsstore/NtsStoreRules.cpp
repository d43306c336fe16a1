#include "NtsStoreRules.h"

#include "NtsKeRecords.h"

namespace brisvander {

namespace {
constexpr std::size_t AesSivKeySize = 32;

// Age in seconds without overflow, whatever the stored time.
bool OlderThan(std::int64_t then, std::int64_t now, std::int64_t limit)
{
    return now > then && static_cast<std::uint64_t>(now) - static_cast<std::uint64_t>(then) >
                             static_cast<std::uint64_t>(limit);
}
} // namespace

NtsStoredVerdict JudgeStoredSession(const NtsStoreRecord& record, const std::string& host, std::uint16_t port,
                                    const std::string& trust, std::int64_t now)
{
    if (record.Host != host || record.KeyExchangePort != port)
        return NtsStoredVerdict::WrongServer;
    if (record.Aead != NtsAeadAesSivCmac256 || record.Session.ClientToServerKey.size() != AesSivKeySize ||
        record.Session.ServerToClientKey.size() != AesSivKeySize)
        return NtsStoredVerdict::Unsupported;
    if (OlderThan(record.KeyExchangeTime, now, NtsStoreMaxAgeSeconds))
        return NtsStoredVerdict::TooOld;
    if (record.Trust != trust)
        return NtsStoredVerdict::WrongTrust;
    return NtsStoredVerdict::Usable;
}

} // namespace brisvander
