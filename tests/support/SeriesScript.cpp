#include "SeriesScript.h"

#include <atomic>
#include <memory>

namespace brisvander::testsupport {

FakeSntpServer::Script SeriesScript(std::vector<SeriesStep> steps)
{
    auto next = std::make_shared<std::atomic<std::size_t>>(0);
    return [steps = std::move(steps), next](const FakeReplyContext& ctx) {
        const std::size_t n = next->fetch_add(1);
        if (n >= steps.size())
            return std::vector<FakeSntpServer::Datagram>{};
        const SeriesStep& step = steps[n];
        if (step.kissOfDeath) {
            HostileReply kiss;
            kiss.kind = HostileReply::Kind::KissOfDeath;
            kiss.kissCode = "RATE";
            return FakeSntpServer::MakeHostile(ctx, step.offset, kiss);
        }
        // Stamped before the pause, so the wait counts as path, not as the server's holding time.
        return std::vector<FakeSntpServer::Datagram>{{FakeSntpServer::MakeReply(ctx, step.offset), step.delayMs}};
    };
}

} // namespace brisvander::testsupport
