#include "FakeSntpServer.h"
#include "HostileReply.h"

#include <cmath>

#include <algorithm>
#include <mutex>

namespace brisvander::testsupport {
namespace {
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kVersion3 = 3 << 3;
constexpr std::size_t kLongestHostile = 1500;

void PutStamps(Bytes& bytes, const NtpTimestamp& receive, const NtpTimestamp& transmit)
{
    NtpTimestamp(receive.Value() - (std::uint64_t{64} << 32)).ToNetworkOrder(&bytes[16]); // reference
    receive.ToNetworkOrder(&bytes[32]);
    transmit.ToNetworkOrder(&bytes[40]);
}
} // namespace

NtpTimestamp EraWrapReceiveStamp(int value)
{
    // 2036-02-07 06:28:15.94 before the wrap, 06:28:16.03 (era 1) after it.
    return value >= 2 ? NtpTimestamp(0x00000000u, 0x08000000u) : NtpTimestamp(0xFFFFFFFFu, 0xF0000000u);
}

NtpTimestamp EraWrapTransmitStamp(int value)
{
    return value >= 1 ? NtpTimestamp(0x00000000u, 0x10000000u) : NtpTimestamp(0xFFFFFFFFu, 0xF8000000u);
}

std::vector<FakeSntpServer::Datagram> FakeSntpServer::MakeHostile(const FakeReplyContext& ctx,
                                                                  double clockOffsetSeconds, const HostileReply& how)
{
    Bytes bytes = MakeReply(ctx, clockOffsetSeconds);
    switch (how.kind) {
    case HostileReply::Kind::Length:
        bytes = MakeReply(ctx, clockOffsetSeconds, std::min<std::size_t>(how.value, kLongestHostile));
        break;
    case HostileReply::Kind::Leap:
        bytes[0] = static_cast<std::uint8_t>(((how.value & 0x03) << 6) | kVersion3 | 4);
        break;
    case HostileReply::Kind::KissOfDeath:
        bytes[1] = 0;
        std::fill(bytes.begin() + 12, bytes.begin() + 16, std::uint8_t{0});
        std::copy_n(how.kissCode.begin(), std::min<std::size_t>(how.kissCode.size(), 4), bytes.begin() + 12);
        break;
    case HostileReply::Kind::EraWrap: {
        const NtpTimestamp received = EraWrapReceiveStamp(how.value);
        const NtpTimestamp sent = EraWrapTransmitStamp(how.value);
        PutStamps(bytes, received, sent);
        // Held as long as the stamps claim, or the reply would contradict itself.
        const int heldMs = static_cast<int>(std::ceil(sent.Difference(received) * 1000.0)) + 1;
        return {{bytes, heldMs}};
    }
    case HostileReply::Kind::Twice:
        return {{bytes, 0}, {bytes, std::max(0, how.value)}};
    }
    return {{bytes, 0}};
}

void FakeSntpServer::SetHostile(const HostileReply& how, int followUpDelayMs)
{
    SetScript([this, how, followUpDelayMs](const FakeReplyContext& ctx) {
        double offset = 0.0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            offset = m_offset;
        }
        std::vector<Datagram> datagrams = MakeHostile(ctx, offset, how);
        if (followUpDelayMs >= 0) {
            Bytes followUp = MakeReply(ctx, offset);
            followUp[1] = FollowUpStratum;
            datagrams.push_back({std::move(followUp), followUpDelayMs});
        }
        return datagrams;
    });
}

} // namespace brisvander::testsupport
